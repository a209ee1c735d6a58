#include "TarnSegy.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <climits>

namespace {

// Offsets inside the binary header, which starts at file byte 3201.
constexpr int kBinSamplesOffset = 20;     // bytes 3221-3222
constexpr int kBinFormatOffset = 24;      // bytes 3225-3226
constexpr int kBinExtSamplesOffset = 68;  // bytes 3269-3272, SEG-Y rev 2
constexpr int kBinByteOrderOffset = 96;   // bytes 3297-3300, SEG-Y rev 2

// Offsets inside a trace header.
constexpr int kTrSeqLinePosition = 1;
constexpr int kTrSeqFilePosition = 5;
constexpr int kTrElevScalarPosition = 69;
constexpr int kTrSamplesPosition = 115;
constexpr int kTrIntervalPosition = 117;

// The rev 2 byte-order word as the writer's machine stored it; read big-endian it is one of these.
constexpr quint32 kByteOrderWordBig = 0x01020304;
constexpr quint32 kByteOrderWordLittle = 0x04030201;

constexpr int kCoordinateEntry = 15;

// Byte order of a SEG-Y file's binary header.
enum class TarnByteOrder { BigEndian, LittleEndian };

// SEG-Y rev 1 places of the 15 fields, the table in force until copyHdrDef() hands another.
constexpr qint32 kStandardDefine[kHeaderDefineEntries][2] = {
    {9, 4},   {13, 4},  {37, 4},  {41, 4}, {45, 4},  {49, 4},  {73, 4},  {77, 4},
    {81, 4},  {85, 4},  {189, 4}, {99, 2}, {193, 4}, {101, 2}, {21, 4},  {71, 2},
};

} // namespace

// Bytes per sample of a format code; 0 for a code that the standard does not define.
static int bytesPerSampleOf(int formatCode)
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

static quint16 readUnsigned16(const uchar *p, TarnByteOrder order)
{
    return order == TarnByteOrder::BigEndian ? qFromBigEndian<quint16>(p) : qFromLittleEndian<quint16>(p);
}

static qint32 readSigned32(const uchar *p, TarnByteOrder order)
{
    return order == TarnByteOrder::BigEndian ? qFromBigEndian<qint32>(p) : qFromLittleEndian<qint32>(p);
}

// A SEG-Y writer that kept its machine's order is caught either by the rev 2 byte-order word or,
// for older files, by a format code that only makes sense read byte-swapped (a known code c read
// the other way round is c × 256, never a known code).
static TarnByteOrder detectByteOrder(const uchar *binaryHeader)
{
    const quint32 word = qFromBigEndian<quint32>(binaryHeader + kBinByteOrderOffset);
    if (word == kByteOrderWordBig)
        return TarnByteOrder::BigEndian;
    if (word == kByteOrderWordLittle)
        return TarnByteOrder::LittleEndian;
    const int bigFormat = qFromBigEndian<quint16>(binaryHeader + kBinFormatOffset);
    const int littleFormat = qFromLittleEndian<quint16>(binaryHeader + kBinFormatOffset);
    if (bytesPerSampleOf(bigFormat) == 0 && bytesPerSampleOf(littleFormat) != 0)
        return TarnByteOrder::LittleEndian;
    return TarnByteOrder::BigEndian;
}

// A field of length 4 is 4 bytes wide, any other length 2; one that would not fit the
// 240-byte header decodes as 0 rather than reading past it.
static bool fieldFits(int position, int width)
{
    return position >= 1 && position <= kTraceHeaderBytes - width + 1;
}

static qint32 readField(const char *header, int position, int length)
{
    return length == 4 ? TarnSegy::read4ByteHdrParMem(header, position)
                       : TarnSegy::read2ByteHdrParMem(header, position);
}

// SEG-Y scalar rule: positive multiplies, negative divides by its magnitude, 0 means 1. Dividing
// (rather than multiplying by the reciprocal) keeps -100 giving exactly the centimetre value.
static float scaleCoordinate(qint32 raw, qint32 scalar)
{
    double value = raw;
    if (scalar > 0)
        value *= scalar;
    else if (scalar < 0)
        value /= -double(scalar);
    return float(value);
}

TarnSegy::TarnSegy(QFile *file, QObject *parent)
    : QObject(parent)
{
    for (int k = 0; k < kHeaderDefineEntries; ++k) {
        headerDefine[k][0] = kStandardDefine[k][0];
        headerDefine[k][1] = kStandardDefine[k][1];
    }
    if (!file)
        return;

    path = file->fileName();
    fileSize = qMax<qint64>(0, file->size());
    if (!file->isReadable() || fileSize < kFileHeaderBytes)
        return;

    const qint64 savedPos = file->pos();
    uchar binary[kBinaryHeaderBytes];
    const bool haveBinary = file->seek(kTextHeaderBytes)
            && file->read(reinterpret_cast<char *>(binary), kBinaryHeaderBytes) == kBinaryHeaderBytes;
    if (haveBinary) {
        const TarnByteOrder order = detectByteOrder(binary);
        format = readUnsigned16(binary + kBinFormatOffset, order);
        // Unsigned: real files hold 60,000 samples, which a signed read would turn negative.
        samples = readUnsigned16(binary + kBinSamplesOffset, order);
        if (samples == 0)
            samples = qMax(0, readSigned32(binary + kBinExtSamplesOffset, order));
        if (samples == 0 && fileSize >= kFileHeaderBytes + kTraceHeaderBytes) {
            uchar trace[kTraceHeaderBytes];
            if (file->seek(kFileHeaderBytes)
                    && file->read(reinterpret_cast<char *>(trace), kTraceHeaderBytes) == kTraceHeaderBytes)
                samples = readUnsigned16(trace + kTrSamplesPosition - 1, order);
        }
    }
    file->seek(savedPos);

    // An unknown format code counts 4 bytes per sample.
    const int knownBytes = bytesPerSampleOf(format);
    const int sampleBytes = knownBytes != 0 ? knownBytes : 4;

    if (!haveBinary)
        return;
    // 64 bits: an extended sample count of 2^31 - 1 at 8 bytes needs 34 bits.
    const qint64 recordBytes = kTraceHeaderBytes + qint64(samples) * sampleBytes;
    if (recordBytes > INT_MAX)
        return; // no int can describe such a record: the file is taken to hold no traces
    traceBytes = int(recordBytes);
    traces = int(qMin<qint64>((fileSize - kFileHeaderBytes) / traceBytes, INT_MAX));
}

TarnSegy::~TarnSegy() = default;

void TarnSegy::copyHdrDef(int **headerDefs)
{
    if (!headerDefs)
        return;
    for (int k = 0; k < kHeaderDefineEntries; ++k) {
        if (!headerDefs[k])
            continue;
        headerDefine[k][0] = headerDefs[k][0];
        headerDefine[k][1] = headerDefs[k][1];
    }
}

void TarnSegy::standardHdrDef(int **headerDefs)
{
    for (int k = 0; k < kHeaderDefineEntries; ++k) {
        headerDefs[k][0] = kStandardDefine[k][0];
        headerDefs[k][1] = kStandardDefine[k][1];
    }
}

bool TarnSegy::indexExist() const
{
    if (path.isEmpty())
        return false;
    const QFileInfo segyInfo(path);
    const QFileInfo indexInfo(path + QStringLiteral(".index"));
    if (!segyInfo.exists() || !indexInfo.isFile())
        return false;
    // An index of another size belongs to another geometry or was cut short.
    if (indexInfo.size() != qint64(kIndexRecordBytes) * traces)
        return false;
    return indexInfo.lastModified() >= segyInfo.lastModified();
}

int TarnSegy::trBytes() const
{
    return traceBytes;
}

int TarnSegy::totalTraces() const
{
    return traces;
}

int TarnSegy::samplesPerTrace() const
{
    return samples;
}

int TarnSegy::formatCode() const
{
    return format;
}

fbRec TarnSegy::getTrHeaderPars(const char *header) const
{
    fbRec rec{};
    if (!header)
        return rec;
    const auto field = [&](int k) { return readField(header, headerDefine[k][0], headerDefine[k][1]); };

    rec.ffid = field(0);
    rec.channel = field(1);
    rec.offset = field(2);
    rec.g_elev = field(3);
    rec.s_elev = field(4);
    rec.s_depth = field(5);

    // Entry 15 holds only a position: the scalar is always 2 bytes wide.
    rec.coordScalar = read2ByteHdrParMem(header, headerDefine[kCoordinateEntry][0]);
    rec.source_x = scaleCoordinate(field(6), rec.coordScalar);
    rec.source_y = scaleCoordinate(field(7), rec.coordScalar);
    rec.group_x = scaleCoordinate(field(8), rec.coordScalar);
    rec.group_y = scaleCoordinate(field(9), rec.coordScalar);

    rec.s_line = field(10);
    rec.s_stat = field(11);
    rec.g_line = field(12);
    rec.g_stat = field(13);
    rec.cdp = field(14);

    rec.traceSeqLine = read4ByteHdrParMem(header, kTrSeqLinePosition);
    rec.traceSeqFile = read4ByteHdrParMem(header, kTrSeqFilePosition);
    rec.samples = qFromBigEndian<quint16>(header + kTrSamplesPosition - 1);
    rec.sampleInterval = qFromBigEndian<quint16>(header + kTrIntervalPosition - 1);
    rec.elevScalar = read2ByteHdrParMem(header, kTrElevScalarPosition);
    return rec;
}

int TarnSegy::read4ByteHdrParMem(const char *header, int position)
{
    if (!header || !fieldFits(position, 4))
        return 0;
    return qFromBigEndian<qint32>(header + position - 1);
}

int TarnSegy::read2ByteHdrParMem(const char *header, int position)
{
    if (!header || !fieldFits(position, 2))
        return 0;
    return qFromBigEndian<qint16>(header + position - 1);
}
