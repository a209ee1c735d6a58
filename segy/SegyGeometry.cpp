#include "SegyGeometry.h"

#include "BinaryHeader.h"
#include "TextHeader.h"

#include <QFileDevice>
#include <QVector>

#include <algorithm>
#include <climits>

namespace {

// Offsets of the binary header's fields inside it; it starts at file byte 3201.
int offsetOf(const char *name)
{
    return binaryField(name).position - kTextHeaderBytes - 1;
}

const int kBinIntervalOffset = offsetOf("interval");
const int kBinSamplesOffset = offsetOf("samples");
const int kBinFormatOffset = offsetOf("format");
const int kBinExtSamplesOffset = offsetOf("ext_samples");
const int kBinByteOrderOffset = offsetOf("byte_order");
const int kBinRevisionOffset = offsetOf("revision");
const int kBinExtTextOffset = offsetOf("ext_text_headers");
const int kBinAdditionalOffset = offsetOf("additional_headers"); // 4 bytes in rev 2.0, 2 later
const int kBinFirstTraceOffset = offsetOf("first_trace_offset");

// Offsets inside a trace header.
constexpr int kTrSamplesOffset = 114;         // bytes 115-116
constexpr int kTrIntervalOffset = 116;        // bytes 117-118

// The rev 2 byte-order word 0x01020304 as the writer stored it, read big-endian. The two
// pair-swapped forms come from machines that swapped 16-bit halves.
constexpr quint32 kWordBig = 0x01020304;
constexpr quint32 kWordLittle = 0x04030201;
constexpr quint32 kWordPairsSwapped = 0x03040102;
constexpr quint32 kWordBytesInPairsSwapped = 0x02010403;

// A stanza closes a run of extended textual headers announced as -1; the run is looked for
// this far, well past any real file's.
const QByteArray kEndTextStanza = QByteArrayLiteral("((SEG: EndText))");
constexpr int kMaxStanzaRecords = 1000;

// Samples of 4 bytes where the format code is unknown but the trace headers and the file size
// agree on a length; Seismic Unix's trace files, which have no file header, hold such floats.
constexpr int kAssumedSampleBytes = 4;
constexpr int kSeismicUnixFormat = 5;

// Weights of the evidence for one reading of a file. A reading that the file size and the trace
// headers both support beats anything the binary header says; the binary header breaks ties.
constexpr int kWeightExactSize = 4;
constexpr int kWeightHeadersAgree = 4;
constexpr int kWeightSampleCountAgrees = 2;
constexpr int kWeightKnownFormat = 2;
constexpr int kWeightTextRecords = 2;
constexpr int kWeightDeclared = 1;
constexpr int kWeightFileHeader = 1;

// Reads bytes at absolute offsets; a read past the end gives what there is.
class Reader
{
public:
    explicit Reader(QFileDevice &file) : file(file), size(qMax<qint64>(0, file.size())) {}

    QByteArray at(qint64 offset, qint64 length) const
    {
        if (offset < 0 || offset >= size || length <= 0 || !file.seek(offset))
            return QByteArray();
        return file.read(std::min(length, size - offset));
    }

    QFileDevice &file;
    const qint64 size;
};

quint16 u16(const char *p, ByteOrder order)
{
    return quint16(decodeInteger(reinterpret_cast<const uchar *>(p), FieldType::UInt16, order));
}

quint32 u32(const char *p, ByteOrder order)
{
    return quint32(decodeInteger(reinterpret_cast<const uchar *>(p), FieldType::UInt32, order));
}

quint64 u64(const char *p, ByteOrder order)
{
    const quint64 first = u32(p, order);
    const quint64 second = u32(p + 4, order);
    return order == ByteOrder::BigEndian ? (first << 32) | second : (second << 32) | first;
}

QString orderName(ByteOrder order)
{
    return order == ByteOrder::BigEndian ? QStringLiteral("big-endian") : QStringLiteral("little-endian");
}

QString plural(qint64 n, const char *noun)
{
    return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1String(noun)).arg(n == 1 ? "" : "s");
}

// The samples and interval of the trace header at the offset: one header looks like the next.
// Zeros in both tell nothing, since they are what an empty header and silent samples hold too.
struct Signature
{
    bool present = false;
    quint16 samples = 0;
    quint16 interval = 0;
    bool telling() const { return present && (samples != 0 || interval != 0); }
    bool operator==(const Signature &o) const
    {
        return telling() && o.present && samples == o.samples && interval == o.interval;
    }
};

Signature signatureAt(const Reader &reader, qint64 offset, ByteOrder order)
{
    const QByteArray header = reader.at(offset, kTraceHeaderBytes);
    if (header.size() < kTraceHeaderBytes)
        return Signature();
    return Signature{true, u16(header.constData() + kTrSamplesOffset, order),
                     u16(header.constData() + kTrIntervalOffset, order)};
}

// What the binary header declares, in one byte order.
struct Declared
{
    ByteOrder order = ByteOrder::BigEndian;
    int formatCode = 0;
    int revisionMajor = 0;
    int revisionMinor = 0;
    qint64 samples = 0;
    int interval = 0;
    int extTextHeaders = 0;
    int additional = 0;
    qint64 firstTrace = kFileHeaderBytes;
    qint64 stanzaEnd = -1; // where the records announced as -1 end, when their stanza was found
};

// One reading of a file, with the evidence for it.
struct Reading
{
    ByteOrder order = ByteOrder::BigEndian;
    bool fileHeader = true;
    int formatCode = 0;
    int sampleBytes = kAssumedSampleBytes;
    bool assumedFormat = false;
    qint64 firstTrace = kFileHeaderBytes;
    qint64 samples = 0;
    int additional = 0;

    qint64 traceBytes = 0;
    qint64 traces = 0;
    qint64 leftover = 0;
    bool declared = false; // the binary header's own reading
    bool headersAgree = false;
    int score = -1;

    // The binary header's reading stands while it finds a trace; any other needs trace headers
    // where it puts them, and a file that ends on a trace boundary or holds two traces at least.
    bool acceptable() const
    {
        if (score <= 0)
            return false;
        if (declared)
            return traces >= 1 || (leftover == 0 && fileHeader);
        return headersAgree && (leftover == 0 || traces >= 2);
    }
};

// Revision 1 stores 0x0100 as a 16-bit word; revision 2 a major and a minor byte. Either way the
// major number is the first byte, unless a little-endian writer swapped the word.
void readRevision(const char *binary, Declared *d)
{
    const uchar first = uchar(binary[kBinRevisionOffset]);
    const uchar second = uchar(binary[kBinRevisionOffset + 1]);
    if (first >= 1 && first <= 3) {
        d->revisionMajor = first;
        d->revisionMinor = second;
    } else if (first == 0 && second >= 1 && second <= 3 && d->order == ByteOrder::LittleEndian) {
        d->revisionMajor = second;
    }
}

qint64 findStanzaEnd(const Reader &reader)
{
    for (int record = 0; record < kMaxStanzaRecords; ++record) {
        const qint64 offset = kFileHeaderBytes + qint64(record) * kTextHeaderBytes;
        const QByteArray text = reader.at(offset, kTextHeaderBytes);
        if (text.size() < kTextHeaderBytes)
            return -1;
        if (text.contains(kEndTextStanza)
            || textToAscii(text.constData(), text.size(), TextEncoding::Ebcdic).contains(kEndTextStanza))
            return offset + kTextHeaderBytes;
    }
    return -1;
}

Declared declaredIn(const Reader &reader, const char *binary, ByteOrder order)
{
    Declared d;
    d.order = order;
    d.formatCode = u16(binary + kBinFormatOffset, order);
    d.interval = u16(binary + kBinIntervalOffset, order);
    readRevision(binary, &d);
    d.samples = u16(binary + kBinSamplesOffset, order);
    const quint32 extended = u32(binary + kBinExtSamplesOffset, order);
    if (extended > 0 && extended <= quint32(INT_MAX) && (d.revisionMajor >= 2 || d.samples == 0))
        d.samples = extended;
    d.extTextHeaders = qint16(u16(binary + kBinExtTextOffset, order));
    if (d.revisionMajor >= 2) {
        // Rev 2.0 gives the count 4 bytes, later revisions 2 followed by two spare zero bytes.
        quint32 additional = u32(binary + kBinAdditionalOffset, order);
        if (additional > 0xffff)
            additional >>= 16;
        d.additional = int(qMin<quint32>(additional, 0xffff));
        const quint64 first = u64(binary + kBinFirstTraceOffset, order);
        if (first > 0 && first <= quint64(reader.size))
            d.firstTrace = qint64(first);
    }
    if (d.firstTrace == kFileHeaderBytes && d.extTextHeaders > 0)
        d.firstTrace = kFileHeaderBytes + qint64(d.extTextHeaders) * kTextHeaderBytes;
    if (d.extTextHeaders == -1)
        d.stanzaEnd = findStanzaEnd(reader);
    if (d.firstTrace == kFileHeaderBytes && d.stanzaEnd > 0)
        d.firstTrace = d.stanzaEnd;
    return d;
}

bool recordsAreText(const Reader &reader, qint64 from, qint64 to)
{
    for (qint64 offset = from; offset < to; offset += kTextHeaderBytes) {
        const QByteArray text = reader.at(offset, kTextHeaderBytes);
        if (text.size() < kTextHeaderBytes || !looksLikeText(text.constData(), text.size()))
            return false;
    }
    return true;
}

// Works out the trace length and count of a reading and weighs the evidence for it.
void weigh(const Reader &reader, const Declared *declared, Reading *r)
{
    r->traceBytes = kTraceHeaderBytes * qint64(1 + r->additional) + r->samples * r->sampleBytes;
    const qint64 space = reader.size - r->firstTrace;
    if (space < 0)
        return;
    r->traces = space / r->traceBytes;
    r->leftover = space % r->traceBytes;

    const Signature first = signatureAt(reader, r->firstTrace, r->order);
    bool headersAgree = false;
    if (r->traces >= 2)
        headersAgree = first == signatureAt(reader, r->firstTrace + r->traceBytes, r->order)
                && first == signatureAt(reader, r->firstTrace + (r->traces - 1) * r->traceBytes, r->order);
    else if (r->traces == 1)
        headersAgree = r->leftover == 0 && first.telling();
    r->headersAgree = headersAgree;
    const bool sampleCountAgrees = first.present && first.samples != 0 && first.samples == r->samples;

    int score = 0;
    score += r->leftover == 0 ? kWeightExactSize : 0;
    score += headersAgree ? kWeightHeadersAgree : 0;
    score += sampleCountAgrees ? kWeightSampleCountAgrees : 0;
    score += r->assumedFormat ? 0 : kWeightKnownFormat;
    if (r->fileHeader) {
        score += kWeightFileHeader;
        if (r->firstTrace > kFileHeaderBytes)
            score += recordsAreText(reader, kFileHeaderBytes, r->firstTrace) ? kWeightTextRecords : 0;
    }
    if (declared) {
        score += r->samples == declared->samples ? kWeightDeclared : 0;
        score += r->firstTrace == declared->firstTrace ? kWeightDeclared : 0;
        score += r->additional == declared->additional ? kWeightDeclared : 0;
        r->declared = !r->assumedFormat && r->samples == declared->samples && r->firstTrace == declared->firstTrace
                && r->additional == declared->additional;
    }
    // A reading without a single whole trace explains nothing, unless the file is its header alone.
    if (r->traces == 0 && !(r->leftover == 0 && r->fileHeader))
        score = 0;
    r->score = score;
}

template <typename T>
void addUnique(QVector<T> &list, T value)
{
    if (!list.contains(value))
        list.append(value);
}

// Every reading that a file header in this byte order allows.
void fileHeaderReadings(const Reader &reader, const Declared &d, bool assumeFormat, QVector<Reading> *out)
{
    const int known = bytesPerSample(d.formatCode);
    if (known == 0 && !assumeFormat)
        return;
    QVector<qint64> firsts{d.firstTrace};
    addUnique<qint64>(firsts, kFileHeaderBytes);
    if (d.extTextHeaders > 0)
        addUnique<qint64>(firsts, kFileHeaderBytes + qint64(d.extTextHeaders) * kTextHeaderBytes);
    if (d.stanzaEnd > 0)
        addUnique<qint64>(firsts, d.stanzaEnd);
    QVector<int> additionals{d.additional};
    addUnique(additionals, 0);

    for (const qint64 first : firsts) {
        if (first > reader.size)
            continue;
        QVector<qint64> counts{d.samples};
        const Signature signature = signatureAt(reader, first, d.order);
        if (signature.telling())
            addUnique<qint64>(counts, signature.samples);
        for (const qint64 samples : counts) {
            for (const int additional : additionals) {
                Reading r;
                r.order = d.order;
                r.formatCode = d.formatCode;
                r.sampleBytes = known != 0 ? known : kAssumedSampleBytes;
                r.assumedFormat = known == 0;
                r.firstTrace = first;
                r.samples = samples;
                r.additional = additional;
                weigh(reader, &d, &r);
                out->append(r);
            }
        }
    }
}

// The file read as traces from byte 0, as Seismic Unix writes them and some recorders do.
void headerlessReadings(const Reader &reader, QVector<Reading> *out)
{
    for (const ByteOrder order : {ByteOrder::BigEndian, ByteOrder::LittleEndian}) {
        const Signature signature = signatureAt(reader, 0, order);
        if (!signature.present || signature.samples == 0 || signature.interval == 0)
            continue;
        Reading r;
        r.order = order;
        r.fileHeader = false;
        r.formatCode = kSeismicUnixFormat;
        r.assumedFormat = true;
        r.firstTrace = 0;
        r.samples = signature.samples;
        weigh(reader, nullptr, &r);
        // Without a file header nothing else vouches for the reading: both must agree.
        if (r.leftover == 0 && r.traces >= 1)
            out->append(r);
    }
}

SegyGeometry refuse(SegyGeometry g, const QString &reason)
{
    g.readable = false;
    g.refusal = reason;
    g.traceCount = 0;
    return g;
}

SegyGeometry inspect(const Reader &reader)
{
    SegyGeometry g;
    g.fileSize = reader.size;
    if (reader.size < kTraceHeaderBytes)
        return refuse(g, QStringLiteral("the file is %1 long, shorter than a single 240-byte trace header")
                              .arg(plural(reader.size, "byte")));

    QVector<Reading> readings;
    QVector<Declared> declared;
    QByteArray binary;
    quint32 word = 0;
    if (reader.size >= kFileHeaderBytes) {
        binary = reader.at(kTextHeaderBytes, kBinaryHeaderBytes);
        word = u32(binary.constData() + kBinByteOrderOffset, ByteOrder::BigEndian);
        if (word == kWordPairsSwapped || word == kWordBytesInPairsSwapped)
            return refuse(g, QStringLiteral("its byte-order word (bytes 3297-3300) says that it was written with "
                                            "16-bit pairs swapped, an order that is not read"));
        for (const ByteOrder order : {ByteOrder::BigEndian, ByteOrder::LittleEndian})
            declared.append(declaredIn(reader, binary.constData(), order));
        for (const Declared &d : declared)
            fileHeaderReadings(reader, d, false, &readings);
    }
    headerlessReadings(reader, &readings);
    // An unknown format code still leaves the headers readable where the sizes agree on 4 bytes.
    const bool anyKnown = std::any_of(readings.cbegin(), readings.cend(), [](const Reading &r) { return r.fileHeader; });
    if (!anyKnown) {
        for (const Declared &d : declared)
            fileHeaderReadings(reader, d, true, &readings);
    }

    const ByteOrder wordOrder = word == kWordLittle ? ByteOrder::LittleEndian : ByteOrder::BigEndian;
    const bool haveWord = word == kWordBig || word == kWordLittle;
    const Reading *best = nullptr;
    for (const Reading &r : readings) {
        if (!r.acceptable())
            continue;
        // On equal evidence the byte-order word decides.
        if (!best || r.score > best->score
            || (r.score == best->score && haveWord && r.order == wordOrder && best->order != wordOrder))
            best = &r;
    }
    if (!best) {
        if (binary.isEmpty())
            return refuse(g, QStringLiteral("the file is %1 long, too short for the 3600-byte SEG-Y file header, "
                                            "and it is not a run of whole traces either").arg(plural(reader.size, "byte")));
        const Declared &big = declared.at(0);
        if (bytesPerSample(big.formatCode) == 0 && bytesPerSample(declared.at(1).formatCode) == 0)
            return refuse(g, QStringLiteral("its sample format code %1 (bytes 3225-3226) is not one that SEG-Y defines, "
                                            "and no trace length fits the file").arg(big.formatCode));
        const Declared &d = declared.at(best && best->order == ByteOrder::LittleEndian ? 1 : 0);
        const qint64 traceBytes = kTraceHeaderBytes + d.samples * qMax(1, bytesPerSample(d.formatCode));
        return refuse(g, QStringLiteral("it holds no whole trace: after the file header come %1, and one trace of "
                                        "%2 takes %3")
                              .arg(plural(qMax<qint64>(0, reader.size - d.firstTrace), "byte"),
                                   plural(d.samples, "sample"), plural(traceBytes, "byte")));
    }

    const Reading &r = *best;
    g.readable = true;
    g.hasFileHeader = r.fileHeader;
    g.byteOrder = r.order;
    g.formatCode = r.formatCode;
    g.sampleBytes = r.sampleBytes;
    g.samples = r.samples;
    g.additionalTraceHeaders = r.additional;
    g.firstTraceOffset = r.firstTrace;
    g.traceBytes = r.traceBytes;
    g.traceCount = r.traces;
    g.leftoverBytes = r.leftover;
    if (r.fileHeader) {
        const Declared &d = declared.at(r.order == ByteOrder::BigEndian ? 0 : 1);
        g.revisionMajor = d.revisionMajor;
        g.revisionMinor = d.revisionMinor;
        g.sampleIntervalUs = d.interval;
        g.extendedTextHeaders = int((r.firstTrace - kFileHeaderBytes) / kTextHeaderBytes);
        if (haveWord && r.order == wordOrder)
            g.byteOrderEvidence = ByteOrderEvidence::ByteOrderWord;
        else if (!r.assumedFormat)
            g.byteOrderEvidence = ByteOrderEvidence::FormatCode;
        else
            g.byteOrderEvidence = ByteOrderEvidence::TraceHeaders;

        if (haveWord && r.order != wordOrder)
            g.warnings.append(QStringLiteral("the byte-order word (bytes 3297-3300) says %1, but the format code and "
                                             "the trace headers read %2; read as %2")
                                      .arg(orderName(wordOrder), orderName(r.order)));
        if (r.assumedFormat)
            g.warnings.append(QStringLiteral("the sample format code %1 (bytes 3225-3226) is not one that SEG-Y "
                                             "defines; the file size and the trace headers agree on 4-byte samples")
                                      .arg(d.formatCode));
        if (r.samples != d.samples)
            g.warnings.append(QStringLiteral("the binary header gives %1 per trace, but the file size and the trace "
                                             "headers agree on %2; read with %2")
                                      .arg(plural(d.samples, "sample")).arg(r.samples));
        if (r.firstTrace != d.firstTrace) {
            if (d.extTextHeaders != 0 && r.firstTrace == kFileHeaderBytes)
                g.warnings.append(QStringLiteral("the binary header announces %1 extended textual headers (bytes "
                                                 "3505-3506), but a trace header follows the binary header; none are read")
                                          .arg(d.extTextHeaders));
            else
                g.warnings.append(QStringLiteral("the binary header puts the first trace at byte %1, but the file size "
                                                 "and the trace headers put it at byte %2; read from there")
                                          .arg(d.firstTrace + 1).arg(r.firstTrace + 1));
        }
        const Signature first = signatureAt(reader, r.firstTrace, r.order);
        if (first.telling() && first.samples != 0 && first.samples != r.samples && r.samples <= 0xffff)
            g.warnings.append(QStringLiteral("the trace headers give %1 (bytes 115-116), but the binary header and the "
                                             "file size agree on %2; read with %2")
                                      .arg(plural(first.samples, "sample")).arg(r.samples));
        if (r.additional != d.additional)
            g.warnings.append(QStringLiteral("the binary header announces %1 after each trace header (bytes 3507-3508), "
                                             "but the file size and the trace headers agree on none; none are read")
                                      .arg(plural(d.additional, "additional trace header")));
    } else {
        g.byteOrderEvidence = ByteOrderEvidence::TraceHeaders;
        g.extendedTextHeaders = 0;
        g.sampleIntervalUs = signatureAt(reader, 0, r.order).interval;
        g.warnings.append(QStringLiteral("the file has no 3600-byte SEG-Y file header; it is read as %1 of %2 from "
                                         "byte 1, %3, assuming 4-byte samples")
                                  .arg(plural(r.traces, "trace"), plural(r.samples, "sample"), orderName(r.order)));
    }
    if (r.leftover != 0)
        g.warnings.append(QStringLiteral("the file ends %1 into trace %2, which is left out: it holds %3")
                                  .arg(plural(r.leftover, "byte")).arg(r.traces + 1).arg(plural(r.traces, "whole trace")));
    return g;
}

} // namespace

int bytesPerSample(int formatCode)
{
    switch (formatCode) {
    case 1:  // IBM float
    case 2:  // int32
    case 4:  // fixed point with gain
    case 5:  // IEEE float
    case 10: // uint32
        return 4;
    case 3:  // int16
    case 11: // uint16
        return 2;
    case 6:  // IEEE double
    case 9:  // int64
    case 12: // uint64
        return 8;
    case 7:  // int24
    case 15: // uint24
        return 3;
    case 8:  // int8
    case 16: // uint8
        return 1;
    default:
        return 0;
    }
}

QString byteOrderEvidenceText(ByteOrderEvidence evidence)
{
    switch (evidence) {
    case ByteOrderEvidence::ByteOrderWord: return QStringLiteral("byte-order word");
    case ByteOrderEvidence::FormatCode: return QStringLiteral("format code");
    case ByteOrderEvidence::TraceHeaders: return QStringLiteral("trace headers");
    case ByteOrderEvidence::Default: break;
    }
    return QStringLiteral("default");
}

SegyGeometry inspectSegy(QFileDevice &file)
{
    const qint64 position = file.pos();
    const SegyGeometry geometry = inspect(Reader(file));
    file.seek(position);
    return geometry;
}
