#include "DumpRows.h"

#include <charconv>
#include <cstring>

namespace {

// A float is m x 2^e with m below 2^24. Past this exponent it is an integer too large for 64 bits.
constexpr int kMaxShiftedExponent = 39;
// At or below 2^-40 a float's hundredths, m x 100 x 2^e, are below 2^31 x 2^-40 < 0.5: they round to 0.
constexpr int kZeroShift = 40;
constexpr int kCharsRoom = 48;

char *writeLiteral(char *p, const char *text)
{
    const size_t n = std::strlen(text);
    std::memcpy(p, text, n);
    return p + n;
}

char *writeInteger(char *p, qint32 value)
{
    return std::to_chars(p, p + kCharsRoom, value).ptr;
}

} // namespace

// Qt (5.15, through its double-conversion code) rounds the exact binary value of the widened float
// to two decimals with ties away from zero: 0.125 is "0.13", 2.625 "2.63", -0.125 "-0.13", where
// printf and std::to_chars give "0.12" by rounding ties to even. -1.005f is really -1.00499999523
// and gives "-1.00" either way. A negative value that rounds to zero keeps its sign ("-0.00"), but
// -0.0 itself is "0.00"; NaN of either sign is "nan", infinities "inf" and "-inf". The hundredths
// are computed exactly in 64-bit integers from the float's bits, so no double rounding comes in.
char *writeCoordinate(char *p, float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    const bool negative = bits >> 31;
    const int biased = int((bits >> 23) & 0xff);
    const quint32 fraction = bits & 0x7fffff;
    if (biased == 0xff)
        return writeLiteral(p, fraction ? "nan" : (negative ? "-inf" : "inf"));
    const quint64 mantissa = biased == 0 ? fraction : (fraction | 0x800000);
    const int exponent = (biased == 0 ? 1 : biased) - 150;
    if (mantissa == 0)
        return writeLiteral(p, "0.00");
    if (negative)
        *p++ = '-';
    if (exponent > kMaxShiftedExponent)
        // A whole number past 64 bits: nothing to round, and to_chars writes its exact digits as Qt does.
        return std::to_chars(p, p + kCharsRoom, double(value < 0 ? -value : value), std::chars_format::fixed, 2).ptr;
    if (exponent >= 0)
        return writeLiteral(std::to_chars(p, p + kCharsRoom, mantissa << exponent).ptr, ".00");
    // Hundredths = m x 100 / 2^shift, the remainder deciding the rounding; m x 100 < 2^31.
    const int shift = -exponent;
    quint64 hundredths = 0;
    if (shift < kZeroShift) {
        const quint64 scaled = mantissa * 100;
        hundredths = scaled >> shift;
        if ((scaled & ((quint64(1) << shift) - 1)) >= (quint64(1) << (shift - 1)))
            ++hundredths;
    }
    p = std::to_chars(p, p + kCharsRoom, hundredths / 100).ptr;
    *p++ = '.';
    *p++ = char('0' + hundredths % 100 / 10);
    *p++ = char('0' + hundredths % 10);
    return p;
}

// Where a shot-constant column agrees over the shot the viewer shows record 0's text in every
// row. Agreeing integers are equal and so are their texts; agreeing floats are equal or both
// zeros, which both read "0.00". So each row's own text is record 0's there, and the rows need
// not look at the shot as a whole.
void appendDumpRows(const QVector<fbRec> &records, const QVector<CustomValues> &customValues, char separator,
                    QByteArray &out, const QByteArray &prefix, int customColumns)
{
    const int start = out.size();
    out.resize(start + records.size() * (kMaxDumpRowBytes + prefix.size()));
    char *p = out.data() + start;
    for (int r = 0; r < records.size(); ++r) {
        std::memcpy(p, prefix.constData(), size_t(prefix.size()));
        p += prefix.size();
        const fbRec &rec = records.at(r);
        const CustomValues &custom = customValues.at(r);
        const qint32 integers[] = {rec.ffid, rec.channel, rec.offset, rec.g_elev, rec.s_elev, rec.s_depth};
        for (const qint32 v : integers) {
            p = writeInteger(p, v);
            *p++ = separator;
        }
        for (const float v : {rec.source_x, rec.source_y, rec.group_x, rec.group_y}) {
            p = writeCoordinate(p, v);
            *p++ = separator;
        }
        const qint32 rest[] = {rec.s_line, rec.s_stat, rec.g_line, rec.g_stat};
        for (const qint32 v : rest) {
            p = writeInteger(p, v);
            *p++ = separator;
        }
        p = writeInteger(p, custom.first);
        if (customColumns > 1) {
            *p++ = separator;
            p = writeInteger(p, custom.second);
        }
        *p++ = '\n';
    }
    out.resize(int(p - out.constData()));
}
