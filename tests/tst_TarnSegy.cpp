#include "SegyWriter.h"
#include "TarnSegy.h"
#include "TestSupport.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <array>
#include <climits>
#include <cstring>
#include <memory>

Q_DECLARE_METATYPE(TarnByteOrder)
Q_DECLARE_METATYPE(TestSupport::HeaderValue)

namespace {

using TestSupport::HeaderValue;
using TestSupport::TraceHeaderValues;

constexpr int kFileHeaderBytes = 3600;
constexpr int kTraceHeaderBytes = 240;

// The SEG-Y rev 1 places of the 15 fields and, in entry 15, the coordinate scalar's position.
constexpr int kStandardTable[TarnSegy::kHeaderDefineEntries][2] = {
    {9, 4},   {13, 4},  {37, 4},  {41, 4}, {45, 4},  {49, 4},  {73, 4},  {77, 4},
    {81, 4},  {85, 4},  {189, 4}, {99, 2}, {193, 4}, {101, 2}, {21, 4},  {71, 0},
};

// A header definition table in the form copyHdrDef takes: 16 pointers, each to its own pair.
class DefineTable
{
public:
    DefineTable()
    {
        for (int k = 0; k < TarnSegy::kHeaderDefineEntries; ++k) {
            pairs[k] = {kStandardTable[k][0], kStandardTable[k][1]};
            pointers[k] = pairs[k].data();
        }
    }
    void set(int entry, int position, int length) { pairs[entry] = {position, length}; }
    int **data() { return pointers.data(); }

private:
    std::array<std::array<int, 2>, TarnSegy::kHeaderDefineEntries> pairs;
    std::array<int *, TarnSegy::kHeaderDefineEntries> pointers;
};

// Bytes per sample as the SEG-Y standard lists them, kept apart from the library's own table.
int standardSampleBytes(int format)
{
    switch (format) {
    case 1: case 2: case 4: case 5: case 10: return 4;
    case 3: case 11: return 2;
    case 6: case 9: case 12: return 8;
    case 7: case 15: return 3;
    case 8: case 16: return 1;
    default: return -1;
    }
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Geometry of a file as TarnSegy sees it, with the file closed and gone afterwards.
struct Geometry
{
    int samples = -1;
    int format = -1;
    int sampleBytes = -1;
    bool known = false;
    TarnByteOrder order = TarnByteOrder::BigEndian;
    int trBytes = -1;
    int traces = -1;
};

Geometry geometryOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Geometry();
    const TarnSegy segy(&file);
    return {segy.samplesPerTrace(), segy.formatCode(), segy.bytesPerSample(), segy.formatKnown(),
            segy.byteOrder(),       segy.trBytes(),    segy.totalTraces()};
}

// Every trace header of a file decoded with the standard table; empty when the file cannot be read.
QVector<fbRec> decodeAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    TarnSegy segy(&file);
    DefineTable table;
    segy.copyHdrDef(table.data());
    const QByteArray bytes = file.readAll();
    QVector<fbRec> records;
    for (int i = 0; i < segy.totalTraces(); ++i) {
        const qint64 at = kFileHeaderBytes + qint64(i) * segy.trBytes();
        if (at + kTraceHeaderBytes > bytes.size())
            return {};
        records.append(segy.getTrHeaderPars(bytes.constData() + at));
    }
    return records;
}

// The 32-bit integer field k of a record (fields 6 to 9 are floats and are not asked for here).
qint32 intField(const fbRec &rec, int k)
{
    qint32 value;
    std::memcpy(&value, reinterpret_cast<const char *>(&rec) + 4 * k, sizeof value);
    return value;
}

} // namespace

class tst_TarnSegy : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void generatedGeometry_data();
    void generatedGeometry();
    void badBinaryHeader_data();
    void badBinaryHeader();
    void shortFile_data();
    void shortFile();
    void outlivesItsFile();

    void realFileGeometry_data();
    void realFileGeometry();
    void segyioRefusedFiles_data();
    void segyioRefusedFiles();
    void realFileHeaders_data();
    void realFileHeaders();

    void tableEntries_data();
    void tableEntries();
    void tableIsCopied();
    void coordinateScalar_data();
    void coordinateScalar();
    void extraFields();

    void staticReaders_data();
    void staticReaders();

    void indexExist_data();
    void indexExist();

private:
    QTemporaryDir dir;
};

void tst_TarnSegy::initTestCase()
{
    QVERIFY(dir.isValid());
}

void tst_TarnSegy::generatedGeometry_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("samples");
    QTest::addColumn<bool>("littleEndian");
    QTest::addColumn<bool>("revision2");
    QTest::addColumn<int>("sampleBytes");
    QTest::addColumn<bool>("known");

    const struct { const char *name; int format; int bytes; } formats[] = {
        {"IBM float", 1, 4},  {"int32", 2, 4},  {"int16", 3, 2},   {"fixed point", 4, 4},
        {"IEEE float", 5, 4}, {"IEEE double", 6, 8}, {"int24", 7, 3}, {"int8", 8, 1},
        {"int64", 9, 8},      {"uint32", 10, 4}, {"uint16", 11, 2}, {"uint64", 12, 8},
        {"uint24", 15, 3},    {"uint8", 16, 1},
    };
    for (const auto &f : formats) {
        QTest::addRow("%s big-endian", f.name) << f.format << 123 << false << false << f.bytes << true;
        QTest::addRow("%s little-endian", f.name) << f.format << 123 << true << false << f.bytes << true;
    }
    QTest::newRow("unknown code 13 counts 4 bytes") << 13 << 50 << false << false << 4 << false;
    // Without a known format code only the rev 2 byte-order word can tell a little-endian file.
    QTest::newRow("unknown code 13 little-endian rev 2") << 13 << 50 << true << true << 4 << false;
    QTest::newRow("60000 samples read unsigned") << 5 << 60000 << false << false << 4 << true;
    QTest::newRow("60000 samples little-endian") << 3 << 60000 << true << false << 2 << true;
    QTest::newRow("rev 2 extended count 70000") << 8 << 70000 << false << true << 1 << true;
    QTest::newRow("rev 2 byte-order word, little-endian") << 2 << 77 << true << true << 4 << true;
}

void tst_TarnSegy::generatedGeometry()
{
    QFETCH(int, format);
    QFETCH(int, samples);
    QFETCH(bool, littleEndian);
    QFETCH(bool, revision2);
    QFETCH(int, sampleBytes);
    QFETCH(bool, known);

    SegyWriter::Layout layout;
    layout.formatCode = format;
    layout.samples = samples;
    layout.littleEndian = littleEndian;
    layout.revision2 = revision2;
    const int traceCount = 7;
    QString error;
    const QString path = TestSupport::writeSegy(dir.path(), QStringLiteral("geometry.sgy"),
                                                TestSupport::ffidTraces(QVector<qint32>(traceCount, 5)),
                                                layout, &error);
    QVERIFY2(!path.isEmpty(), qPrintable(error));

    const Geometry g = geometryOf(path);
    QCOMPARE(g.samples, samples);
    QCOMPARE(g.format, format);
    QCOMPARE(g.sampleBytes, sampleBytes);
    QCOMPARE(g.known, known);
    QCOMPARE(g.order, littleEndian ? TarnByteOrder::LittleEndian : TarnByteOrder::BigEndian);
    QCOMPARE(g.trBytes, 240 + samples * sampleBytes);
    QCOMPARE(g.traces, traceCount);
    QCOMPARE(QFileInfo(path).size(), kFileHeaderBytes + qint64(traceCount) * g.trBytes);
}

void tst_TarnSegy::badBinaryHeader_data()
{
    // Each row overrides binary header values of a file of 10 traces of 100 IEEE samples
    // (640-byte records, 6400 bytes after the file header).
    using Values = QVector<HeaderValue>;
    QTest::addColumn<Values>("binary");
    QTest::addColumn<int>("traceHeaderSamples");
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("format");
    QTest::addColumn<bool>("known");
    QTest::addColumn<int>("trBytes");
    QTest::addColumn<int>("traces");

    QTest::newRow("no sample count anywhere: header-only records")
            << Values{{3221, 2, 0}} << 0 << 0 << 5 << true << 240 << 26;
    QTest::newRow("no count in the binary header: the first trace header's")
            << Values{{3221, 2, 0}} << 100 << 100 << 5 << true << 640 << 10;
    QTest::newRow("zero classic count: rev 2 extended count")
            << Values{{3221, 2, 0}, {3269, 4, 100}} << 0 << 100 << 5 << true << 640 << 10;
    QTest::newRow("negative extended count is skipped")
            << Values{{3221, 2, 0}, {3269, 4, -5}} << 100 << 100 << 5 << true << 640 << 10;
    QTest::newRow("0xFFFF samples: longer than the file")
            << Values{{3221, 2, 0xFFFF}} << 0 << 65535 << 5 << true << 240 + 65535 * 4 << 0;
    QTest::newRow("huge extended count at 8 bytes does not fit an int")
            << Values{{3221, 2, 0}, {3269, 4, INT_MAX}, {3225, 2, 6}} << 0 << INT_MAX << 6 << true << 240 << 0;
    QTest::newRow("extended count just fitting an int")
            << Values{{3221, 2, 0}, {3269, 4, (INT_MAX - 240) / 8}, {3225, 2, 6}} << 0 << (INT_MAX - 240) / 8
            << 6 << true << 240 + (INT_MAX - 240) / 8 * 8 << 0;
    QTest::newRow("format code 0 counts 4 bytes")
            << Values{{3225, 2, 0}} << 0 << 100 << 0 << false << 640 << 10;
    QTest::newRow("format code 14 is not defined")
            << Values{{3225, 2, 14}} << 0 << 100 << 14 << false << 640 << 10;
    QTest::newRow("format code 0xFFFF")
            << Values{{3225, 2, 0xFFFF}} << 0 << 100 << 0xFFFF << false << 640 << 10;
    QTest::newRow("int8 format: a short record")
            << Values{{3225, 2, 8}} << 0 << 100 << 8 << true << 340 << 18;

    Values garbage;
    for (int position = 3201; position <= 3599; position += 2)
        garbage.append({position, 2, 0xFFFF});
    QTest::newRow("every byte 0xFF") << garbage << 0 << 65535 << 0xFFFF << false << 240 + 65535 * 4 << 0;
}

void tst_TarnSegy::badBinaryHeader()
{
    QFETCH(QVector<HeaderValue>, binary);
    QFETCH(int, traceHeaderSamples);
    QFETCH(int, samples);
    QFETCH(int, format);
    QFETCH(bool, known);
    QFETCH(int, trBytes);
    QFETCH(int, traces);

    const QString path = dir.filePath(QStringLiteral("bad.sgy"));
    SegyWriter::Layout layout;
    layout.formatCode = 5;
    layout.samples = 100;
    SegyWriter writer(path, layout);
    for (const HeaderValue &v : binary)
        writer.setBinaryHeaderValue(v.position, v.length, v.value);
    QVERIFY2(writer.open(), qPrintable(writer.errorString()));
    SegyTraceHeader header;
    header.set(115, 2, traceHeaderSamples);
    for (int i = 0; i < 10; ++i)
        QVERIFY(writer.writeTrace(header));
    QVERIFY2(writer.close(), qPrintable(writer.errorString()));

    const Geometry g = geometryOf(path);
    QCOMPARE(g.samples, samples);
    QCOMPARE(g.format, format);
    QCOMPARE(g.known, known);
    QCOMPARE(g.trBytes, trBytes);
    QCOMPARE(g.traces, traces);
    QCOMPARE(g.order, TarnByteOrder::BigEndian);
    // Whatever the header says, the records counted lie inside the file.
    QVERIFY(g.trBytes > 0);
    QVERIFY(kFileHeaderBytes + qint64(g.traces) * g.trBytes <= QFileInfo(path).size());
}

void tst_TarnSegy::shortFile_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("traces");

    QTest::newRow("empty") << 0 << 0;
    QTest::newRow("a textual header cut short") << 100 << 0;
    QTest::newRow("binary header half there") << 3400 << 0;
    QTest::newRow("one byte short of the file header") << 3599 << 0;
    QTest::newRow("file header alone") << 3600 << 0;
    QTest::newRow("one byte short of a trace") << 3600 + 639 << 0;
    QTest::newRow("one trace") << 3600 + 640 << 1;
}

void tst_TarnSegy::shortFile()
{
    QFETCH(int, size);
    QFETCH(int, traces);

    // The first bytes of a good file of 100 IEEE samples per trace, cut to the size.
    QString error;
    SegyWriter::Layout layout;
    const QString full = TestSupport::writeSegy(dir.path(), QStringLiteral("full.sgy"),
                                                TestSupport::ffidTraces({1, 1}), layout, &error);
    QVERIFY2(!full.isEmpty(), qPrintable(error));
    const QString path = dir.filePath(QStringLiteral("short.sgy"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(readAll(full).left(size)), qint64(size));
    file.close();

    const Geometry g = geometryOf(path);
    QCOMPARE(g.traces, traces);
    QVERIFY(g.trBytes > 0);
    QVERIFY(g.samples >= 0);
}

void tst_TarnSegy::outlivesItsFile()
{
    QString error;
    const QString path = TestSupport::writeSegy(dir.path(), QStringLiteral("outlive.sgy"),
                                                TestSupport::ffidTraces({3, 3, 3}), SegyWriter::Layout(), &error);
    QVERIFY2(!path.isEmpty(), qPrintable(error));

    // The module closes and destroys the file before the library object; under AddressSanitizer
    // any later use of the file object would show.
    auto file = std::make_unique<QFile>(path);
    QVERIFY(file->open(QIODevice::ReadOnly));
    QVERIFY(file->seek(1234));
    auto segy = std::make_unique<TarnSegy>(file.get());
    QCOMPARE(file->pos(), qint64(1234)); // the caller's position is left where it was
    file->close();
    file.reset();

    QCOMPARE(segy->totalTraces(), 3);
    QCOMPARE(segy->trBytes(), 640);
    QVERIFY(!segy->indexExist());
    segy.reset();

    const TarnSegy none(nullptr);
    QCOMPARE(none.totalTraces(), 0);
    QVERIFY(none.trBytes() > 0);
    QVERIFY(!none.indexExist());
}

void tst_TarnSegy::realFileGeometry_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<TarnByteOrder>("order");

    const auto big = TarnByteOrder::BigEndian;
    QTest::newRow("viking_small.segy") << QStringLiteral("viking_small.segy") << big;
    QTest::newRow("bflinchum 12 shots") << QStringLiteral("bflinchum_survey1_12shots_concat.sgy") << big;
    QTest::newRow("f3.sgy") << QStringLiteral("f3.sgy") << big;
    QTest::newRow("f3-lsb.sgy") << QStringLiteral("f3-lsb.sgy") << TarnByteOrder::LittleEndian;
    QTest::newRow("poland2d ffid 231") << QStringLiteral("poland2d_example_ffid_231.sgy") << big;
    QTest::newRow("shot-gather.sgy") << QStringLiteral("shot-gather.sgy") << big;
    QTest::newRow("small.sgy") << QStringLiteral("small.sgy") << big;
    QTest::newRow("multi-text.sgy") << QStringLiteral("multi-text.sgy") << big;
    QTest::newRow("ld0042 first trace") << QStringLiteral("ld0042_file_00018.sgy_first_trace") << big;
    QTest::newRow("00001034 first trace") << QStringLiteral("00001034.sgy_first_trace")
                                          << TarnByteOrder::LittleEndian;
}

void tst_TarnSegy::realFileGeometry()
{
    QFETCH(QString, fileName);
    QFETCH(TarnByteOrder, order);

    const QString path = TestSupport::dataFile(fileName);
    const Geometry g = geometryOf(path);
    QCOMPARE(g.order, order);

    const TestSupport::SegyioDump dump = TestSupport::segyioDump(
            path, order == TarnByteOrder::LittleEndian ? TestSupport::Endian::Little : TestSupport::Endian::Big);
    QVERIFY2(dump.ok, qPrintable(dump.error));
    QCOMPARE(g.samples, dump.samples);
    QCOMPARE(g.format, dump.format);
    QCOMPARE(g.trBytes, 240 + dump.samples * standardSampleBytes(dump.format));
    // segyio skips extended textual headers, which this library's layout does not know of; both
    // agree once those 3200-byte records are counted as trace bytes.
    const qint64 traceArea = qint64(dump.extHeaders) * 3200 + qint64(dump.traceCount) * g.trBytes;
    QCOMPARE(QFileInfo(path).size(), kFileHeaderBytes + traceArea);
    QCOMPARE(qint64(g.traces), traceArea / g.trBytes);
}

void tst_TarnSegy::segyioRefusedFiles_data()
{
    // segyio refuses the one and aborts on the other (it reads 60,000 samples as negative), so
    // their raw binary header bytes are the reference.
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("trBytes");
    QTest::addColumn<int>("traces");

    QTest::newRow("broken.sgy, cut inside a trace") << QStringLiteral("broken.sgy") << 4 << 1 << 256 << 28;
    QTest::newRow("long.sgy, 60000 samples") << QStringLiteral("long.sgy") << 60000 << 1 << 240240 << 3;
}

void tst_TarnSegy::segyioRefusedFiles()
{
    QFETCH(QString, fileName);
    QFETCH(int, samples);
    QFETCH(int, format);
    QFETCH(int, trBytes);
    QFETCH(int, traces);

    const QString path = TestSupport::dataFile(fileName);
    const QByteArray bytes = readAll(path);
    QVERIFY(bytes.size() > kFileHeaderBytes);
    QCOMPARE(int(qFromBigEndian<quint16>(bytes.constData() + 3220)), samples);
    QCOMPARE(int(qFromBigEndian<quint16>(bytes.constData() + 3224)), format);
    QCOMPARE(qint64(traces), (bytes.size() - kFileHeaderBytes) / trBytes);

    const Geometry g = geometryOf(path);
    QCOMPARE(g.samples, samples);
    QCOMPARE(g.format, format);
    QCOMPARE(g.trBytes, trBytes);
    QCOMPARE(g.traces, traces);
}

void tst_TarnSegy::realFileHeaders_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("traces");

    QTest::newRow("viking_small.segy") << QStringLiteral("viking_small.segy") << 480;
    QTest::newRow("bflinchum 12 shots") << QStringLiteral("bflinchum_survey1_12shots_concat.sgy") << 576;
    QTest::newRow("f3.sgy") << QStringLiteral("f3.sgy") << 414;
    QTest::newRow("poland2d ffid 231") << QStringLiteral("poland2d_example_ffid_231.sgy") << 284;
    QTest::newRow("shot-gather.sgy") << QStringLiteral("shot-gather.sgy") << 61;
    QTest::newRow("small.sgy") << QStringLiteral("small.sgy") << 25;
    QTest::newRow("ld0042 scalar 82") << QStringLiteral("ld0042_file_00018.sgy_first_trace") << 1;
}

void tst_TarnSegy::realFileHeaders()
{
    QFETCH(QString, fileName);
    QFETCH(int, traces);

    const QString path = TestSupport::dataFile(fileName);
    const QVector<fbRec> records = decodeAll(path);
    const TestSupport::SegyioDump dump = TestSupport::segyioDump(path, TestSupport::Endian::Big);
    QVERIFY2(dump.ok, qPrintable(dump.error));
    QCOMPARE(records.size(), traces);
    QCOMPARE(dump.traces.size(), traces);

    for (int i = 0; i < traces; ++i) {
        const fbRec &r = records.at(i);
        const TestSupport::SegyioTrace &t = dump.traces.at(i);
        const QByteArray where = fileName.toUtf8() + " trace " + QByteArray::number(i);
        const std::array<std::pair<qint32, qint32>, 13> ints = {{
            {r.ffid, t.ffid}, {r.channel, t.channel}, {r.offset, t.offset}, {r.g_elev, t.gElev},
            {r.s_elev, t.sElev}, {r.s_depth, t.sDepth}, {r.s_line, t.sLine}, {r.s_stat, t.sStat},
            {r.g_line, t.gLine}, {r.g_stat, t.gStat}, {r.cdp, t.cdp}, {r.coordScalar, t.coordScalar},
            {r.elevScalar, t.elevScalar},
        }};
        for (std::size_t k = 0; k < ints.size(); ++k)
            QVERIFY2(ints[k].first == ints[k].second, where + " integer " + QByteArray::number(int(k)));
        // The same double, rounded once to float, on both sides.
        QVERIFY2(r.source_x == float(t.sourceX) && r.source_y == float(t.sourceY), where + " source");
        QVERIFY2(r.group_x == float(t.groupX) && r.group_y == float(t.groupY), where + " group");
    }
}

void tst_TarnSegy::tableEntries_data()
{
    // The header bytes count up: byte i (from 0) holds i, so a field's bytes name its position.
    QTest::addColumn<int>("entry");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("expected");

    QTest::newRow("ffid, 4 bytes at 9") << 0 << 9 << 4 << 0x08090A0B;
    QTest::newRow("channel, 2 bytes at 13") << 1 << 13 << 2 << 0x0C0D;
    QTest::newRow("length 3 reads 2 bytes") << 2 << 37 << 3 << 0x2425;
    QTest::newRow("length 1 reads 2 bytes") << 3 << 41 << 1 << 0x2829;
    QTest::newRow("2-byte field sign-extends") << 4 << 129 << 2 << qint32(qint16(0x8081));
    QTest::newRow("4-byte negative field") << 5 << 201 << 4 << qint32(0xC8C9CACBu);
    QTest::newRow("s_line, last 4 bytes at 237") << 10 << 237 << 4 << qint32(0xECEDEEEFu);
    QTest::newRow("s_stat, last 2 bytes at 239") << 11 << 239 << 2 << qint32(qint16(0xEEEF));
    QTest::newRow("4 bytes at 238 would run past: 0") << 12 << 238 << 4 << 0;
    QTest::newRow("2 bytes at 240 would run past: 0") << 13 << 240 << 2 << 0;
    QTest::newRow("position 0: 0") << 0 << 0 << 4 << 0;
    QTest::newRow("negative position: 0") << 1 << -7 << 2 << 0;
    QTest::newRow("position far past the header: 0") << 2 << 100000 << 4 << 0;
    QTest::newRow("cdp, entry 14") << 14 << 21 << 4 << 0x14151617;
}

void tst_TarnSegy::tableEntries()
{
    QFETCH(int, entry);
    QFETCH(int, position);
    QFETCH(int, length);
    QFETCH(int, expected);

    // Exactly 240 bytes on the heap, so that AddressSanitizer sees a read past them.
    const std::unique_ptr<char[]> header(new char[kTraceHeaderBytes]);
    for (int i = 0; i < kTraceHeaderBytes; ++i)
        header[i] = char(i);

    DefineTable table;
    table.set(entry, position, length);
    TarnSegy segy(nullptr);
    segy.copyHdrDef(table.data());
    const fbRec rec = segy.getTrHeaderPars(header.get());
    QCOMPARE(intField(rec, entry), expected);
}

void tst_TarnSegy::tableIsCopied()
{
    SegyTraceHeader header;
    header.set(9, 4, 1111);
    header.set(61, 4, 2222);

    TarnSegy segy(nullptr);
    {
        // The caller frees its table once handed over; the library keeps its own copy.
        auto table = std::make_unique<DefineTable>();
        table->set(0, 61, 4);
        segy.copyHdrDef(table->data());
        table->set(0, 9, 4);
    }
    QCOMPARE(segy.getTrHeaderPars(header.data()).ffid, 2222);

    // A null table or a null entry leaves the definition as it was.
    segy.copyHdrDef(nullptr);
    DefineTable partial;
    partial.set(0, 9, 4);
    std::array<int *, TarnSegy::kHeaderDefineEntries> pointers{};
    pointers[1] = partial.data()[1];
    segy.copyHdrDef(pointers.data());
    QCOMPARE(segy.getTrHeaderPars(header.data()).ffid, 2222);
}

void tst_TarnSegy::coordinateScalar_data()
{
    QTest::addColumn<int>("scalarPosition");
    QTest::addColumn<int>("scalar");
    QTest::addColumn<int>("rawX");
    QTest::addColumn<int>("rawY");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");

    QTest::newRow("-100 divides: centimetres") << 71 << -100 << 51234056 << -670412099 << 512340.56 << -6704120.99;
    QTest::newRow("+10 multiplies") << 71 << 10 << 123456 << -7 << 1234560.0 << -70.0;
    QTest::newRow("0 means 1") << 71 << 0 << 98765 << -98765 << 98765.0 << -98765.0;
    QTest::newRow("1 leaves the value") << 71 << 1 << INT_MAX << INT_MIN << double(INT_MAX) << double(INT_MIN);
    QTest::newRow("-1 leaves the value") << 71 << -1 << 42 << -42 << 42.0 << -42.0;
    QTest::newRow("82 multiplies") << 71 << 82 << 5011 << 100 << 410902.0 << 8200.0;
    QTest::newRow("-32768 divides by its magnitude") << 71 << -32768 << 65536 << -98304 << 2.0 << -3.0;
    QTest::newRow("largest products stay finite") << 71 << 32767 << INT_MAX << INT_MIN
                                                  << double(INT_MAX) * 32767 << double(INT_MIN) * 32767;
    QTest::newRow("scalar at another position") << 181 << -10 << 12345 << 5 << 1234.5 << 0.5;
    QTest::newRow("scalar position outside the header means 1") << 240 << -100 << 12345 << 5 << 12345.0 << 5.0;
}

void tst_TarnSegy::coordinateScalar()
{
    QFETCH(int, scalarPosition);
    QFETCH(int, scalar);
    QFETCH(int, rawX);
    QFETCH(int, rawY);
    QFETCH(double, x);
    QFETCH(double, y);

    SegyTraceHeader header;
    header.set(scalarPosition, 2, scalar);
    header.set(73, 4, rawX);
    header.set(77, 4, rawY);
    header.set(81, 4, rawY);
    header.set(85, 4, rawX);
    DefineTable table;
    table.set(15, scalarPosition, 0);
    TarnSegy segy(nullptr);
    segy.copyHdrDef(table.data());

    const fbRec rec = segy.getTrHeaderPars(header.data());
    QCOMPARE(rec.source_x, float(x));
    QCOMPARE(rec.source_y, float(y));
    QCOMPARE(rec.group_x, float(y));
    QCOMPARE(rec.group_y, float(x));
    // The raw scalar, before the 0-means-1 rule; 0 where it cannot be read.
    QCOMPARE(rec.coordScalar, scalarPosition < 240 ? scalar : 0);
}

void tst_TarnSegy::extraFields()
{
    SegyTraceHeader header;
    header.set(1, 4, -1);
    header.set(5, 4, INT_MAX);
    header.set(21, 4, 4242);
    header.set(69, 2, -100);
    header.set(115, 2, 60000); // unsigned: real files hold 60,000 samples
    header.set(117, 2, 65000);

    const TarnSegy segy(nullptr);
    const fbRec rec = segy.getTrHeaderPars(header.data());
    QCOMPARE(rec.traceSeqLine, -1);
    QCOMPARE(rec.traceSeqFile, INT_MAX);
    QCOMPARE(rec.cdp, 4242);
    QCOMPARE(rec.elevScalar, -100);
    QCOMPARE(rec.samples, 60000);
    QCOMPARE(rec.sampleInterval, 65000);
}

void tst_TarnSegy::staticReaders_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("at");       // where the bytes are put, from 1
    QTest::addColumn<int>("position"); // what is asked for, from 1
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("expected");

    QTest::newRow("FF FF is -1") << QByteArray("\xFF\xFF", 2) << 71 << 71 << 2 << -1;
    QTest::newRow("FF FF FF FF is -1") << QByteArray("\xFF\xFF\xFF\xFF", 4) << 181 << 181 << 4 << -1;
    QTest::newRow("7F FF is 32767") << QByteArray("\x7F\xFF", 2) << 9 << 9 << 2 << 32767;
    QTest::newRow("80 00 sign-extends") << QByteArray("\x80\x00", 2) << 9 << 9 << 2 << -32768;
    QTest::newRow("80 00 00 00 is the smallest int") << QByteArray("\x80\x00\x00\x00", 4) << 9 << 9 << 4 << INT_MIN;
    QTest::newRow("00 00 FF FF is 65535, no sign") << QByteArray("\x00\x00\xFF\xFF", 4) << 9 << 9 << 4 << 65535;
    QTest::newRow("big-endian order") << QByteArray("\x01\x02\x03\x04", 4) << 13 << 13 << 4 << 0x01020304;
    QTest::newRow("position 1, 4 bytes") << QByteArray("\x00\x00\x01\x00", 4) << 1 << 1 << 4 << 256;
    QTest::newRow("position 1, 2 bytes") << QByteArray("\x12\x34", 2) << 1 << 1 << 2 << 0x1234;
    QTest::newRow("237, 4 bytes ends on byte 240") << QByteArray("\xFF\xFF\xFF\xFE", 4) << 237 << 237 << 4 << -2;
    QTest::newRow("239, 2 bytes ends on byte 240") << QByteArray("\xFF\xFE", 2) << 239 << 239 << 2 << -2;
    QTest::newRow("238, 4 bytes would run past: 0") << QByteArray("\x11\x11\x11", 3) << 238 << 238 << 4 << 0;
    QTest::newRow("240, 2 bytes would run past: 0") << QByteArray("\x11", 1) << 240 << 240 << 2 << 0;
    QTest::newRow("position 0: 0") << QByteArray("\x11\x11", 2) << 1 << 0 << 2 << 0;
    QTest::newRow("negative position: 0") << QByteArray("\x11\x11", 2) << 1 << -3 << 4 << 0;
}

void tst_TarnSegy::staticReaders()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, at);
    QFETCH(int, position);
    QFETCH(int, length);
    QFETCH(int, expected);

    // Exactly 240 bytes on the heap, so that AddressSanitizer sees a read past them.
    const std::unique_ptr<char[]> header(new char[kTraceHeaderBytes]());
    std::memcpy(header.get() + at - 1, bytes.constData(), size_t(bytes.size()));

    const int value = length == 4 ? TarnSegy::read4ByteHdrParMem(header.get(), position)
                                  : TarnSegy::read2ByteHdrParMem(header.get(), position);
    QCOMPARE(value, expected);
    QCOMPARE(length == 4 ? TarnSegy::read4ByteHdrParMem(nullptr, position)
                         : TarnSegy::read2ByteHdrParMem(nullptr, position), 0);
}

void tst_TarnSegy::indexExist_data()
{
    QTest::addColumn<int>("traces");
    QTest::addColumn<int>("indexBytes"); // -1: no index file
    QTest::addColumn<int>("ageSeconds"); // how much older than the SEG-Y file the index is
    QTest::addColumn<bool>("exists");

    QTest::newRow("missing") << 5 << -1 << 0 << false;
    QTest::newRow("good") << 5 << 80 << 0 << true;
    QTest::newRow("good, newer than the file") << 5 << 80 << -3600 << true;
    QTest::newRow("empty") << 5 << 0 << 0 << false;
    QTest::newRow("one record short") << 5 << 64 << 0 << false;
    QTest::newRow("one record too many") << 5 << 96 << 0 << false;
    QTest::newRow("a partial record more") << 5 << 81 << 0 << false;
    QTest::newRow("older than the file") << 5 << 80 << 1 << false;
    QTest::newRow("a day older") << 5 << 80 << 86400 << false;
    QTest::newRow("no traces, empty index") << 0 << 0 << 0 << true;
}

void tst_TarnSegy::indexExist()
{
    QFETCH(int, traces);
    QFETCH(int, indexBytes);
    QFETCH(int, ageSeconds);
    QFETCH(bool, exists);

    QTemporaryDir here;
    QVERIFY(here.isValid());
    QString error;
    const QString path = TestSupport::writeSegy(here.path(), QStringLiteral("line.sgy"),
                                                TestSupport::ffidTraces(QVector<qint32>(traces, 9)),
                                                SegyWriter::Layout(), &error);
    QVERIFY2(!path.isEmpty(), qPrintable(error));
    const QDateTime segyTime = QDateTime::currentDateTime().addSecs(-7200);
    if (indexBytes >= 0) {
        QFile index(path + QStringLiteral(".index"));
        QVERIFY(index.open(QIODevice::WriteOnly));
        QCOMPARE(index.write(QByteArray(indexBytes, '\x01')), qint64(indexBytes));
        QVERIFY(index.flush()); // a write after setting the time would set it again
        QVERIFY(index.setFileTime(segyTime.addSecs(-ageSeconds), QFileDevice::FileModificationTime));
        index.close();
    }
    QFile segyFile(path);
    QVERIFY(segyFile.open(QIODevice::ReadWrite));
    QVERIFY(segyFile.setFileTime(segyTime, QFileDevice::FileModificationTime));
    segyFile.close();

    QVERIFY(segyFile.open(QIODevice::ReadOnly));
    const TarnSegy segy(&segyFile);
    QCOMPARE(segy.totalTraces(), traces);
    QCOMPARE(segy.indexExist(), exists);
}

QTEST_GUILESS_MAIN(tst_TarnSegy)
#include "tst_TarnSegy.moc"
