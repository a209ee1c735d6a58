#include "HeaderRanges.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Never the pattern of a value: every NaN is taken as the one quiet NaN below first.
constexpr quint64 kEmptySlot = ~quint64(0);
constexpr quint64 kQuietNan = 0x7ff8000000000000ULL;
constexpr size_t kFirstSlots = 16;
// Every integer below this is exact in a double.
constexpr double kExactIntegers = 9007199254740992.0;
// 32 KiB a field: integers from 32,768 below a field's first value to 229,375 above it.
constexpr qint64 kWindowBits = qint64(1) << 18;
// How many traces ahead a header is fetched, a line of this many bytes at a time, where traces are this long.
constexpr qint64 kPrefetchTraces = 2;
constexpr qint64 kPrefetchStride = 4096;
constexpr int kCacheLineBytes = 64;

quint64 bitsOf(double value)
{
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// The bits of a double that is a small integer sit at the top, with zeros below: the table's
// place must come from a hash that mixes every bit into the low ones.
size_t hashOf(quint64 bits)
{
    bits ^= bits >> 33;
    bits *= 0xff51afd7ed558ccdULL;
    bits ^= bits >> 33;
    bits *= 0xc4ceb9fe1a85ec53ULL;
    return size_t(bits ^ (bits >> 33));
}

} // namespace

bool HeaderRanges::DistinctSet::insert(double value, quint64 bits)
{
    // Most fields hold one value throughout a file. That value is kept alone, and the window or
    // table that a second one needs is made only then: a window is 32 KiB, and clearing one for
    // every field of every file would cost a survey of small files more than reading them.
    if (used == 0) {
        loneValue = value;
        loneBits = bits;
        used = 1;
        return true;
    }
    if (!lonePlaced) {
        lonePlaced = true;
        used = 0;
        place(loneValue, loneBits);
    }
    return place(value, bits);
}

bool HeaderRanges::DistinctSet::place(double value, quint64 bits)
{
    // Integers near the field's first are bits of a window: nearby values, as CDP numbers and
    // channels are, then share cache lines where a hash would scatter them over the table.
    // Converted back and compared rather than std::trunc, a call into libm on most x86-64 builds.
    const qint64 v = std::fabs(value) < kExactIntegers ? qint64(value) : 0;
    if (double(v) == value) {
        if (window.empty()) {
            window.assign(kWindowBits / 64, 0);
            windowStart = v - kWindowBits / 8;
        }
        const quint64 i = quint64(v - windowStart);
        if (i < quint64(kWindowBits)) {
            quint64 &word = window[size_t(i / 64)];
            const quint64 bit = quint64(1) << (i % 64);
            if (word & bit)
                return true;
            word |= bit;
            return counted();
        }
    }
    return !insertInTable(bits) || counted();
}

bool HeaderRanges::DistinctSet::counted()
{
    if (++used <= kMaxDistinct)
        return true;
    window = std::vector<quint64>();
    table = std::vector<quint64>();
    return false;
}

bool HeaderRanges::DistinctSet::insertInTable(quint64 bits)
{
    // Half full at most, and no larger than kMaxDistinct values need: the one past them still
    // finds an empty slot.
    if (inTable * 2 >= int(table.size()) && int(table.size()) < 2 * kMaxDistinct)
        grow();
    const size_t mask = table.size() - 1;
    for (size_t i = hashOf(bits) & mask;; i = (i + 1) & mask) {
        if (table[i] == bits)
            return false;
        if (table[i] == kEmptySlot) {
            table[i] = bits;
            ++inTable;
            return true;
        }
    }
}

void HeaderRanges::DistinctSet::grow()
{
    std::vector<quint64> old(std::max(kFirstSlots, table.size() * 2), kEmptySlot);
    old.swap(table);
    inTable = 0;
    for (quint64 bits : old) {
        if (bits != kEmptySlot)
            insertInTable(bits);
    }
}

HeaderRanges::HeaderRanges(const HeaderLayout &layout, ByteOrder order)
    : order(order)
{
    const auto scalar = [&layout](const QString &name) {
        const int i = layout.indexOf(name);
        return i < 0 ? Field() : placed(layout.fields().at(i));
    };
    coordScalar = scalar(QStringLiteral("coord_scalar"));
    elevScalar = scalar(QStringLiteral("elev_scalar"));
    for (const HeaderField &h : layout.fields()) {
        fields.push_back(placed(h));
        const Field &f = fields.back();
        const int i = int(fields.size()) - 1;
        addWord(i, f);
        if (f.role == FieldRole::Coordinate)
            addWord(i, coordScalar);
        else if (f.role == FieldRole::Elevation)
            addWord(i, elevScalar);
    }
}

HeaderRanges::Field HeaderRanges::placed(const HeaderField &h)
{
    Field f;
    f.offset = fieldFits(h.position, fieldWidth(h.type)) ? h.position - 1 : -1;
    f.type = h.type;
    f.role = h.role;
    return f;
}

void HeaderRanges::addWord(int field, const Field &at)
{
    if (at.offset < 0)
        return;
    const int end = at.offset + fieldWidth(at.type);
    for (int w = at.offset / 8; w <= (end - 1) / 8; ++w) {
        // The bytes of the word that are the field's, as the word is loaded on this machine.
        uchar bytes[8] = {};
        for (int b = std::max(at.offset, 8 * w); b < std::min(end, 8 * w + 8); ++b)
            bytes[b - 8 * w] = 0xff;
        const quint64 mask = qFromUnaligned<quint64>(bytes);
        std::vector<WordField> &word = fieldsOfWord[w];
        if (!word.empty() && word.back().field == field)
            word.back().mask |= mask; // a scaled field and its scalar in one word
        else
            word.push_back({field, mask});
    }
}

double HeaderRanges::valueOf(const Field &field, const uchar *header) const
{
    return field.offset < 0 ? 0.0 : decodeValue(header + field.offset, field.type, order);
}

qint32 HeaderRanges::scalarOf(const Field &scalar, const uchar *header) const
{
    return scalar.offset < 0 ? 0 : decodeInt32(header + scalar.offset, scalar.type, order);
}

void HeaderRanges::take(Field &field, const uchar *header)
{
    double v;
    if (field.role == FieldRole::Value && field.type != FieldType::IbmFloat && field.type != FieldType::IeeeFloat) {
        // Most fields are plain integers: never NaN nor -0, and decoded in place.
        v = field.offset < 0 ? 0.0 : double(decodeInteger(header + field.offset, field.type, order));
    } else {
        v = valueOf(field, header);
        if (field.role == FieldRole::Coordinate)
            v = applyScalar(v, scalarOf(coordScalar, header));
        else if (field.role == FieldRole::Elevation)
            v = applyScalar(v, scalarOf(elevScalar, header));
        // One pattern for each value: -0 is 0, and every NaN is one value.
        v = std::isnan(v) ? std::numeric_limits<double>::quiet_NaN() : v + 0.0;
    }
    const quint64 bits = std::isnan(v) ? kQuietNan : bitsOf(v);
    if (count > 0 && bits == field.lastBits)
        return;
    if (count == 0)
        field.first = v;
    field.last = v;
    field.lastBits = bits;
    if (!std::isnan(v)) {
        field.min = field.anyNumber ? std::min(field.min, v) : v;
        field.max = field.anyNumber ? std::max(field.max, v) : v;
        field.anyNumber = true;
    }
    if (!field.moreDistinct)
        field.moreDistinct = !field.distinct.insert(v, bits);
}

void HeaderRanges::add(const char *first, qint64 headers, qint64 stride)
{
    const uchar *before = count > 0 ? previous : nullptr;
    // Long traces put every header on a page of its own, where the processor does not fetch ahead
    // by itself: the headers a few traces on are asked for while this one is compared. Shorter
    // ones it fetches itself, faster.
    const qint64 fetchUntil = stride >= kPrefetchStride ? headers - kPrefetchTraces : 0;
    for (qint64 t = 0; t < headers; ++t) {
        const auto *header = reinterpret_cast<const uchar *>(first + t * stride);
        if (t < fetchUntil) {
            // Every line the header touches, from its first byte to its last, wherever it starts.
            const char *ahead = first + (t + kPrefetchTraces) * stride;
            for (int at = 0; at < kTraceHeaderBytes; at += kCacheLineBytes)
                __builtin_prefetch(ahead + at);
            __builtin_prefetch(ahead + kTraceHeaderBytes - 1);
        }
        if (!before) {
            for (Field &f : fields)
                take(f, header);
        } else {
            // Most fields repeat from trace to trace: only those whose bytes, or whose scalar's,
            // changed are looked at.
            for (int w = 0; w < kWords; ++w) {
                const quint64 changed = qFromUnaligned<quint64>(header + 8 * w) ^ qFromUnaligned<quint64>(before + 8 * w);
                if (!changed)
                    continue;
                for (const WordField &f : fieldsOfWord[w]) {
                    if (changed & f.mask)
                        take(fields[size_t(f.field)], header);
                }
            }
        }
        before = header;
        ++count;
    }
    // The caller's block goes away; the next one is compared with a copy of its last header.
    if (headers > 0)
        std::memcpy(previous, first + (headers - 1) * stride, sizeof previous);
}

HeaderRanges::Range HeaderRanges::range(int field) const
{
    const Field &f = fields.at(size_t(field));
    Range r;
    r.min = f.anyNumber ? f.min : std::numeric_limits<double>::quiet_NaN();
    r.max = f.anyNumber ? f.max : std::numeric_limits<double>::quiet_NaN();
    r.first = f.first;
    r.last = f.last;
    r.distinct = f.moreDistinct ? kMaxDistinct : f.distinct.size();
    r.moreDistinct = f.moreDistinct;
    return r;
}
