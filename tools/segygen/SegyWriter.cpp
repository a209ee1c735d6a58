#include "SegyWriter.h"

#include <HeaderLayout.h>

#include <QtEndian>

#include <cmath>
#include <cstring>

namespace {

constexpr int kTextCardBytes = 80;

// Traces are gathered into blocks of about this size so that a file takes few write calls.
constexpr int kWriteBlockBytes = 4 * 1024 * 1024;

constexpr int kMaxClassicSamples = 65535;
constexpr quint32 kByteOrderWord = 0x01020304;

// 1-based file positions in the binary header.
constexpr int kBinInterval = 3217;
constexpr int kBinOriginalInterval = 3219;
constexpr int kBinSamples = 3221;
constexpr int kBinOriginalSamples = 3223;
constexpr int kBinFormat = 3225;
constexpr int kBinSortingCode = 3229;
constexpr int kBinMeasurementSystem = 3255;
constexpr int kBinExtSamples = 3269;
constexpr int kBinByteOrder = 3297;
constexpr int kBinRevision = 3501;
constexpr int kBinFixedLength = 3503;
constexpr int kBinExtTextHeaders = 3505;
constexpr int kBinAdditionalHeaders = 3507;

// Wiggle: a 25 Hz ringing that starts afresh every 0.4 s and dies away inside each 0.4 s.
constexpr double kWiggleHz = 25.0;
constexpr double kWiggleRepeatSeconds = 0.4;
constexpr double kWiggleDecay = 3.0;
constexpr double kPi = 3.14159265358979323846;

} // namespace

static void storeBits(char *p, quint64 bits, int width, bool littleEndian)
{
    for (int i = 0; i < width; ++i) {
        const int shift = 8 * (littleEndian ? i : width - 1 - i);
        p[i] = char((bits >> shift) & 0xFF);
    }
}

static quint64 loadBits(const char *p, int width, bool littleEndian)
{
    quint64 bits = 0;
    for (int i = 0; i < width; ++i) {
        const int shift = 8 * (littleEndian ? i : width - 1 - i);
        bits |= quint64(uchar(p[i])) << shift;
    }
    return bits;
}

template <typename Float, typename Bits>
static quint64 floatBits(Float value)
{
    Bits bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// The bit pattern of one sample of the format, value between -1 and 1, before byte ordering.
static quint64 encodeSample(int formatCode, double v)
{
    switch (formatCode) {
    case 1:
        return SegyWriter::ibmFloat(v * 1000.0);
    case 2:
        return quint32(qint32(std::lround(v * 1e6)));
    case 3:
        return quint16(qint16(std::lround(v * 1e4)));
    case 4: // fixed point with gain: a zero byte, the gain exponent (0), a 16-bit mantissa
        return quint16(qint16(std::lround(v * 1e4)));
    case 5:
        return floatBits<float, quint32>(float(v * 1000.0));
    case 6:
        return floatBits<double, quint64>(v * 1000.0);
    case 7:
        return quint32(qint32(std::lround(v * 1e6))) & 0xFFFFFFu;
    case 8:
        return quint8(qint8(std::lround(v * 100.0)));
    case 9:
        return quint64(qint64(std::llround(v * 1e9)));
    case 10:
        return quint32(std::lround((v + 1.0) * 1e6));
    case 11:
        return quint16(std::lround((v + 1.0) * 3e4));
    case 12:
        return quint64(std::llround((v + 1.0) * 1e9));
    case 15:
        return quint32(std::lround((v + 1.0) * 4e6)) & 0xFFFFFFu;
    case 16:
        return quint8(std::lround((v + 1.0) * 120.0));
    default:
        return 0;
    }
}

static QByteArray defaultText(const SegyWriter::Layout &layout)
{
    const QList<QByteArray> cards = {
        "C 1 SYNTHETIC SEG-Y LINE WRITTEN BY SEGYGEN",
        "C 2 SAMPLES PER TRACE " + QByteArray::number(layout.samples)
            + "  SAMPLE INTERVAL " + QByteArray::number(layout.sampleIntervalUs) + " US",
        "C 3 FORMAT CODE " + QByteArray::number(layout.formatCode)
            + (layout.littleEndian ? "  LITTLE-ENDIAN" : "  BIG-ENDIAN"),
        "C 4 COORDINATES AND ELEVATIONS IN METRES",
    };
    QByteArray text;
    for (int card = 0; card < kTextHeaderBytes / kTextCardBytes; ++card) {
        QByteArray line = card < cards.size() ? cards.at(card)
                                              : "C" + QByteArray::number(card + 1).rightJustified(2, ' ');
        text += line.leftJustified(kTextCardBytes, ' ', true);
    }
    return text;
}

SegyTraceHeader::SegyTraceHeader()
{
    clear();
}

void SegyTraceHeader::set(int position, int length, qint64 value)
{
    const int width = fieldWidth(fieldTypeForLength(length));
    if (position < 1 || position + width - 1 > int(bytes.size()))
        return;
    storeBits(bytes.data() + position - 1, quint64(value), width, littleEndian);
}

void SegyTraceHeader::setBytes(int position, const QByteArray &raw)
{
    if (position < 1 || position - 1 + raw.size() > int(bytes.size()))
        return;
    std::memcpy(bytes.data() + position - 1, raw.constData(), size_t(raw.size()));
}

qint64 SegyTraceHeader::value(int position, int length) const
{
    const int width = fieldWidth(fieldTypeForLength(length));
    if (position < 1 || position + width - 1 > int(bytes.size()))
        return 0;
    const quint64 bits = loadBits(bytes.data() + position - 1, width, littleEndian);
    return width == 4 ? qint64(qint32(quint32(bits))) : qint64(qint16(quint16(bits)));
}

void SegyTraceHeader::clear()
{
    bytes.fill(0);
}

SegyWriter::SegyWriter(const QString &path, const Layout &layout)
    : path(path)
    , layout(layout)
    , binaryHeader(kBinaryHeaderBytes, '\0')
{
    this->layout.samples = qMax(0, layout.samples);
    const int samples = this->layout.samples;
    const bool extended = samples > kMaxClassicSamples;
    setBinaryHeaderValue(kBinInterval, 2, layout.sampleIntervalUs);
    setBinaryHeaderValue(kBinOriginalInterval, 2, layout.sampleIntervalUs);
    // A count beyond 16 bits lives in the rev 2 extended field, with 0 in the classic one.
    setBinaryHeaderValue(kBinSamples, 2, extended ? 0 : samples);
    setBinaryHeaderValue(kBinOriginalSamples, 2, extended ? 0 : samples);
    setBinaryHeaderValue(kBinFormat, 2, layout.formatCode);
    setBinaryHeaderValue(kBinSortingCode, 2, 1);
    setBinaryHeaderValue(kBinMeasurementSystem, 2, 1);
    setBinaryHeaderValue(kBinFixedLength, 2, 1);
    if (extended) {
        this->layout.revision2 = true;
        setBinaryHeaderValue(kBinExtSamples, 4, samples);
    }
    setBinaryHeaderValue(kBinExtTextHeaders, 2, layout.endTextStanza ? -1 : layout.extendedTextHeaders);
    if (layout.additionalTraceHeaders > 0) {
        this->layout.revision2 = true;
        setBinaryHeaderValue(kBinAdditionalHeaders, 2, layout.additionalTraceHeaders);
    }
    if (this->layout.revision2) {
        setBinaryHeaderValue(kBinRevision, 2, 0x0200);
        setBinaryHeaderValue(kBinByteOrder, 4, kByteOrderWord);
    } else {
        setBinaryHeaderValue(kBinRevision, 2, 0x0100);
    }
}

SegyWriter::~SegyWriter()
{
    if (file.isOpen())
        close();
}

void SegyWriter::setBinaryHeaderValue(int position, int length, qint64 value)
{
    const int width = fieldWidth(fieldTypeForLength(length));
    const int offset = position - kTextHeaderBytes - 1;
    if (offset < 0 || offset + width > kBinaryHeaderBytes)
        return;
    storeBits(binaryHeader.data() + offset, quint64(value), width, layout.littleEndian);
}

bool SegyWriter::open()
{
    if (file.isOpen())
        return fail(QStringLiteral("%1 is already open").arg(path));
    failed = false;
    error.clear();
    traces = 0;
    file.setFileName(path);
    // Unbuffered: the writer gathers its own blocks of several MiB.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return fail(QStringLiteral("cannot create %1: %2").arg(path, file.errorString()));

    QByteArray header = layout.text.isEmpty() ? defaultText(layout) : layout.text;
    header = header.leftJustified(kTextHeaderBytes, ' ', true);
    header += binaryHeader;
    for (int record = 0; record < layout.extendedTextHeaders; ++record) {
        const bool last = record + 1 == layout.extendedTextHeaders;
        const QByteArray card = last && layout.endTextStanza ? QByteArray("((SEG: EndText))")
                                                             : "EXTENDED TEXTUAL HEADER " + QByteArray::number(record + 1);
        header += card.leftJustified(kTextHeaderBytes, ' ', true);
    }
    if (layout.noFileHeader)
        header.clear();
    if (file.write(header) != header.size())
        return fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));

    fillSampleBlock();
    pending.clear();
    if (!layout.sparse)
        pending.reserve(kWriteBlockBytes + int(traceBytes()));
    return true;
}

bool SegyWriter::writeTrace(const SegyTraceHeader &header)
{
    if (failed)
        return false;
    if (!file.isOpen())
        return fail(QStringLiteral("%1 is not open").arg(path));

    if (layout.sparse) {
        // Only the header is written; the samples stay a hole that close() extends over.
        const qint64 at = firstTraceOffset() + traces * traceBytes();
        if (!file.seek(at) || file.write(header.data(), kTraceHeaderBytes) != kTraceHeaderBytes)
            return fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        ++traces;
        return true;
    }

    pending.append(header.data(), kTraceHeaderBytes);
    pending.append(QByteArray(kTraceHeaderBytes * layout.additionalTraceHeaders, '\0'));
    pending.append(sampleBlock);
    ++traces;
    return pending.size() < kWriteBlockBytes || flush();
}

bool SegyWriter::writeTrace(const SegyTraceHeader &header, const QVector<double> &values)
{
    if (layout.sparse)
        return fail(QStringLiteral("%1: a sparse file holds no samples of its own").arg(path));
    const QByteArray common = sampleBlock;
    sampleBlock = encodeSamples(values);
    const bool ok = writeTrace(header);
    sampleBlock = common;
    return ok;
}

bool SegyWriter::close()
{
    if (!file.isOpen())
        return !failed;
    if (!failed && !layout.sparse)
        flush();
    if (!failed && layout.sparse && !file.resize(firstTraceOffset() + traces * traceBytes()))
        fail(QStringLiteral("cannot extend %1: %2").arg(path, file.errorString()));
    file.close();
    if (!failed && file.error() != QFileDevice::NoError)
        fail(QStringLiteral("cannot close %1: %2").arg(path, file.errorString()));
    pending = QByteArray();
    return !failed;
}

qint64 SegyWriter::traceBytes() const
{
    return kTraceHeaderBytes * qint64(1 + layout.additionalTraceHeaders)
            + qint64(layout.samples) * bytesPerSample(layout.formatCode);
}

qint64 SegyWriter::firstTraceOffset() const
{
    return layout.noFileHeader ? 0 : kFileHeaderBytes + qint64(layout.extendedTextHeaders) * kTextHeaderBytes;
}

QString SegyWriter::errorString() const
{
    return error;
}

int SegyWriter::bytesPerSample(int formatCode)
{
    switch (formatCode) {
    case 3: case 11:
        return 2;
    case 6: case 9: case 12:
        return 8;
    case 7: case 15:
        return 3;
    case 8: case 16:
        return 1;
    default: // 1, 2, 4, 5, 10 and every unknown code
        return 4;
    }
}

quint32 SegyWriter::ibmFloat(double value)
{
    if (value == 0.0 || std::isnan(value))
        return 0;
    const quint32 sign = value < 0 ? 0x80000000u : 0u;
    if (std::isinf(value))
        return sign | 0x7FFFFFFFu;
    // value = fraction × 2^binaryExponent with fraction in [0.5, 1); IBM wants a base-16 exponent
    // and a fraction in [1/16, 1), so the binary exponent is rounded up to a multiple of 4.
    int binaryExponent = 0;
    double fraction = std::frexp(std::fabs(value), &binaryExponent);
    const int hexExponent = (binaryExponent + 3 + 4 * 1024) / 4 - 1024; // ceil(e / 4) for any sign
    fraction = std::ldexp(fraction, binaryExponent - 4 * hexExponent);
    quint64 mantissa = quint64(std::llround(std::ldexp(fraction, 24)));
    int exponent = hexExponent + 64;
    if (mantissa >= (quint64(1) << 24)) { // rounding carried into a new hex digit
        mantissa >>= 4;
        ++exponent;
    }
    if (exponent > 127)
        return sign | 0x7FFFFFFFu;
    if (exponent < 0)
        return 0; // below the smallest IBM number
    return sign | quint32(exponent) << 24 | quint32(mantissa);
}

double SegyWriter::wiggle(int sample, int sampleIntervalUs)
{
    const double t = sample * (sampleIntervalUs * 1e-6);
    const double sinceEvent = std::fmod(t, kWiggleRepeatSeconds);
    return std::sin(2.0 * kPi * kWiggleHz * sinceEvent)
            * std::exp(-kWiggleDecay * sinceEvent / kWiggleRepeatSeconds);
}

bool SegyWriter::flush()
{
    if (pending.isEmpty())
        return !failed;
    const qint64 written = file.write(pending);
    const bool ok = written == pending.size();
    pending.resize(0); // keeps the capacity for the next block
    if (!ok)
        return fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return true;
}

bool SegyWriter::fail(const QString &message)
{
    if (!failed)
        error = message;
    failed = true;
    return false;
}

void SegyWriter::fillSampleBlock()
{
    sampleBlock.clear();
    if (layout.sparse)
        return;
    QVector<double> values;
    if (!layout.zeroSamples) {
        values.resize(layout.samples);
        for (int i = 0; i < layout.samples; ++i)
            values[i] = wiggle(i, layout.sampleIntervalUs);
    }
    sampleBlock = encodeSamples(values);
}

QByteArray SegyWriter::encodeSamples(const QVector<double> &values) const
{
    const int width = bytesPerSample(layout.formatCode);
    QByteArray block(int(qint64(layout.samples) * width), '\0');
    char *p = block.data();
    for (int i = 0; i < layout.samples && i < values.size(); ++i, p += width)
        storeBits(p, encodeSample(layout.formatCode, values.at(i)), width, layout.littleEndian);
    return block;
}
