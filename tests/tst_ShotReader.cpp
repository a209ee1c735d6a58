#include "ShotReader.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <array>

using TestSupport::HeaderValue;
using TestSupport::TraceHeaderValues;

namespace {

// The SEG-Y rev 1 places of the 15 fields and the coordinate scalar, as {position, length}.
constexpr std::array<std::array<int, 2>, 16> kStandardPlaces = {{
    {9, 4}, {13, 4}, {37, 4}, {41, 4}, {45, 4}, {49, 4}, {73, 4}, {77, 4},
    {81, 4}, {85, 4}, {189, 4}, {99, 2}, {193, 4}, {101, 2}, {21, 4}, {71, 0},
}};

// The table in the form the reader hands on: 16 pointers, each to its own pair.
class HeaderDefs
{
public:
    HeaderDefs()
    {
        for (int k = 0; k < 16; ++k) {
            pairs[k] = kStandardPlaces[k];
            pointers[k] = pairs[k].data();
        }
    }
    void place(int entry, int position, int length) { pairs[entry] = {position, length}; }
    int **table() { return pointers.data(); }

private:
    std::array<std::array<int, 2>, 16> pairs;
    std::array<int *, 16> pointers;
};

constexpr CustomFields kDefaultCustom{71, 2, 237, 4};

// Every field of trace t gets a value of its own, so that a shot read from the wrong place or
// with its fields swapped cannot match.
TraceHeaderValues distinctTrace(int t)
{
    return {
        {9, 4, 5000 + t / 4},     // ffid: four traces a shot
        {13, 4, 1 + t % 4},       // channel
        {37, 4, -100 * t - 7},    // offset
        {41, 4, 300 + t},         // g_elev
        {45, 4, 200 - t},         // s_elev
        {49, 4, 10 + t},          // s_depth
        {71, 2, -100},            // coordinate scalar: centimetres
        {73, 4, 50000000 + t},    // source_x
        {77, 4, -650000000 - t},  // source_y
        {81, 4, 50001250 + t},    // group_x
        {85, 4, 650000050 + t},   // group_y
        {99, 2, -20 - t},         // s_stat
        {101, 2, 30 + t},         // g_stat
        {189, 4, 700 + t},        // s_line
        {193, 4, 800 + t},        // g_line
        {237, 4, 1000000 + t},    // second custom default
    };
}

void expectDistinct(const fbRec &r, const CustomValues &custom, int t)
{
    QCOMPARE(r.ffid, 5000 + t / 4);
    QCOMPARE(r.channel, 1 + t % 4);
    QCOMPARE(r.offset, -100 * t - 7);
    QCOMPARE(r.g_elev, 300 + t);
    QCOMPARE(r.s_elev, 200 - t);
    QCOMPARE(r.s_depth, 10 + t);
    QCOMPARE(r.source_x, float((50000000 + t) / 100.0));
    QCOMPARE(r.source_y, float((-650000000 - t) / 100.0));
    QCOMPARE(r.group_x, float((50001250 + t) / 100.0));
    QCOMPARE(r.group_y, float((650000050 + t) / 100.0));
    QCOMPARE(r.s_line, 700 + t);
    QCOMPARE(r.s_stat, -20 - t);
    QCOMPARE(r.g_line, 800 + t);
    QCOMPARE(r.g_stat, 30 + t);
    QCOMPARE(custom.first, -100);
    QCOMPARE(custom.second, 1000000 + t);
}

QString writeDistinct(const QTemporaryDir &dir, int traces, const SegyWriter::Layout &layout = {})
{
    QVector<TraceHeaderValues> headers;
    for (int t = 0; t < traces; ++t)
        headers.append(distinctTrace(t));
    QString error;
    const QString path = TestSupport::writeSegy(dir.path(), QStringLiteral("distinct.sgy"), headers, layout, &error);
    if (path.isEmpty())
        qWarning("cannot write the test file: %s", qPrintable(error));
    return path;
}

} // namespace

class tst_ShotReader : public QObject
{
    Q_OBJECT

private slots:
    void oneTraceShot();
    void shotAfterShot();
    void customLengths_data();
    void customLengths();
    void headerTableIsUsed();
    void blockBeyond4GiB();
    void blockOutsideFile_data();
    void blockOutsideFile();
    void openFails_data();
    void openFails();
    void realFiles_data();
    void realFiles();
};

void tst_ShotReader::oneTraceShot()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = writeDistinct(dir, 9);
    QVERIFY(!path.isEmpty());

    for (const int t : {0, 5, 8}) {
        QVector<fbRec> records;
        QVector<CustomValues> custom;
        QCOMPARE(readShotRecords(path, HeaderDefs().table(), t, t, kDefaultCustom, records, custom),
                 ShotReadResult::Read);
        QCOMPARE(records.size(), 1);
        QCOMPARE(custom.size(), 1);
        expectDistinct(records.at(0), custom.at(0), t);
        if (QTest::currentTestFailed())
            return;
    }
}

void tst_ShotReader::shotAfterShot()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = writeDistinct(dir, 12);
    QVERIFY(!path.isEmpty());

    HeaderDefs defs;
    QVector<fbRec> records;
    QVector<CustomValues> custom;
    QCOMPARE(readShotRecords(path, defs.table(), 0, 3, kDefaultCustom, records, custom), ShotReadResult::Read);
    QCOMPARE(records.size(), 4);
    QCOMPARE(readShotRecords(path, defs.table(), 8, 10, kDefaultCustom, records, custom), ShotReadResult::Read);
    QCOMPARE(records.size(), 3);
    QCOMPARE(custom.size(), 3);
    for (int i = 0; i < 3 && !QTest::currentTestFailed(); ++i)
        expectDistinct(records.at(i), custom.at(i), 8 + i);
}

void tst_ShotReader::customLengths_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("value");

    // Bytes 181-184 hold 12 34 56 78, bytes 185-186 FF FF and bytes 237-240 FF FF FF FE.
    QTest::newRow("4 bytes") << 181 << 4 << 0x12345678;
    QTest::newRow("2 bytes") << 181 << 2 << 0x1234;
    QTest::newRow("3 reads 2 bytes") << 181 << 3 << 0x1234;
    QTest::newRow("1 reads 2 bytes") << 183 << 1 << 0x5678;
    QTest::newRow("FF FF is -1") << 185 << 2 << -1;
    QTest::newRow("4 bytes ending on byte 240") << 237 << 4 << -2;
    QTest::newRow("2 bytes ending on byte 240") << 239 << 2 << -2;
    QTest::newRow("byte 1") << 1 << 4 << 0;
}

void tst_ShotReader::customLengths()
{
    QFETCH(int, position);
    QFETCH(int, length);
    QFETCH(int, value);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const TraceHeaderValues header = {{181, 4, 0x12345678}, {185, 2, -1}, {237, 4, -2}};
    // The middle trace carries the values; its neighbours would give 0.
    const QString path = TestSupport::writeSegy(dir.path(), QStringLiteral("custom.sgy"),
                                                {TraceHeaderValues(), header, TraceHeaderValues()});
    QVERIFY(!path.isEmpty());

    HeaderDefs defs;
    QVector<fbRec> records;
    QVector<CustomValues> custom;
    // Once as the first custom field, once as the second: each follows its own length.
    QCOMPARE(readShotRecords(path, defs.table(), 1, 1, {position, length, 185, 4}, records, custom),
             ShotReadResult::Read);
    QCOMPARE(custom.size(), 1);
    QCOMPARE(custom.at(0).first, value);
    QCOMPARE(custom.at(0).second, qint32(0xFFFF0000));

    QCOMPARE(readShotRecords(path, defs.table(), 1, 1, {185, 2, position, length}, records, custom),
             ShotReadResult::Read);
    QCOMPARE(custom.at(0).first, -1);
    QCOMPARE(custom.at(0).second, value);
}

void tst_ShotReader::headerTableIsUsed()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = writeDistinct(dir, 4);
    QVERIFY(!path.isEmpty());

    // FFID taken from where the channel lies, the channel from the 2-byte s_stat place.
    HeaderDefs defs;
    defs.place(0, 13, 4);
    defs.place(1, 99, 2);
    QVector<fbRec> records;
    QVector<CustomValues> custom;
    QCOMPARE(readShotRecords(path, defs.table(), 2, 3, kDefaultCustom, records, custom), ShotReadResult::Read);
    QCOMPARE(records.size(), 2);
    QCOMPARE(records.at(0).ffid, 3);
    QCOMPARE(records.at(1).ffid, 4);
    QCOMPARE(records.at(0).channel, -22);
    QCOMPARE(records.at(1).channel, -23);
}

void tst_ShotReader::blockBeyond4GiB()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    // The largest classic trace: 65535 IEEE samples. Trace 16400 starts at 4,303,035,600, past
    // 2^32, so a product formed in 32 bits lands near the start of the file instead.
    SegyWriter::Layout layout;
    layout.samples = 65535;
    layout.sparse = true;
    const QString path = TestSupport::writeSegy(dir.path(), QStringLiteral("huge.sgy"), {}, layout);
    QVERIFY(!path.isEmpty());
    const qint64 traceBytes = 240 + 65535 * 4;
    const qint32 first = 16400;
    const qint32 last = 16402;
    QVERIFY(3600 + traceBytes * first > (qint64(1) << 32));

    // Only the shot's headers are written; everything else stays a hole, so the disk holds a
    // few pages of a 4 GiB file.
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.resize(3600 + traceBytes * (last + 2)));
        for (qint32 t = first - 1; t <= last + 1; ++t) {
            SegyTraceHeader header;
            for (const HeaderValue &v : distinctTrace(t))
                header.set(v.position, v.length, v.value);
            QVERIFY(file.seek(3600 + traceBytes * t));
            QCOMPARE(file.write(header.data(), 240), qint64(240));
        }
    }

    QVector<fbRec> records;
    QVector<CustomValues> custom;
    QCOMPARE(readShotRecords(path, HeaderDefs().table(), first, last, kDefaultCustom, records, custom),
             ShotReadResult::Read);
    QCOMPARE(records.size(), 3);
    QCOMPARE(custom.size(), 3);
    for (int i = 0; i < 3 && !QTest::currentTestFailed(); ++i)
        expectDistinct(records.at(i), custom.at(i), first + i);
}

void tst_ShotReader::blockOutsideFile_data()
{
    QTest::addColumn<qint32>("first");
    QTest::addColumn<qint32>("last");
    QTest::addColumn<qint64>("cutBytes");

    // The file holds 10 traces of 240 + 100 × 4 bytes.
    QTest::newRow("last trace cut short") << 8 << 9 << qint64(100);
    QTest::newRow("only the last byte missing") << 9 << 9 << qint64(1);
    QTest::newRow("shot runs past the last trace") << 8 << 10 << qint64(0);
    QTest::newRow("shot starts past the end") << 12 << 14 << qint64(0);
    QTest::newRow("negative first trace") << -1 << 2 << qint64(0);
    QTest::newRow("last before first") << 5 << 4 << qint64(0);
    QTest::newRow("count that overflows 32 bits") << -2147483647 - 1 << 2147483647 << qint64(0);
    QTest::newRow("end of a shot near 2^31") << 0 << 2147483647 << qint64(0);
}

void tst_ShotReader::blockOutsideFile()
{
    QFETCH(qint32, first);
    QFETCH(qint32, last);
    QFETCH(qint64, cutBytes);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = writeDistinct(dir, 10);
    QVERIFY(!path.isEmpty());
    const qint64 fullSize = 3600 + 10 * (240 + 100 * 4);
    QCOMPARE(QFileInfo(path).size(), fullSize);
    if (cutBytes > 0) {
        QFile file(path);
        QVERIFY(file.resize(fullSize - cutBytes));
    }

    // Left over from an earlier shot: they must go.
    QVector<fbRec> records(4);
    QVector<CustomValues> custom(4);
    QCOMPARE(readShotRecords(path, HeaderDefs().table(), first, last, kDefaultCustom, records, custom),
             ShotReadResult::MapFailed);
    QVERIFY(records.isEmpty());
    QVERIFY(custom.isEmpty());
    // The file is left as it was.
    QCOMPARE(QFileInfo(path).size(), fullSize - cutBytes);
}

void tst_ShotReader::openFails_data()
{
    QTest::addColumn<QString>("name");

    QTest::newRow("missing file") << QStringLiteral("missing.sgy");
    QTest::newRow("missing folder") << QStringLiteral("no such folder/line 1.sgy");
    QTest::newRow("empty path") << QString();
}

void tst_ShotReader::openFails()
{
    QFETCH(QString, name);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = name.isEmpty() ? QString() : QDir(dir.path()).filePath(name);
    QVector<fbRec> records(2);
    QVector<CustomValues> custom(2);
    QCOMPARE(readShotRecords(path, HeaderDefs().table(), 0, 0, kDefaultCustom, records, custom),
             ShotReadResult::OpenFailed);
    QVERIFY(records.isEmpty());
    QVERIFY(custom.isEmpty());
    QVERIFY(path.isEmpty() || !QFile::exists(path));
}

void tst_ShotReader::realFiles_data()
{
    QTest::addColumn<QString>("fileName");

    QTest::newRow("viking_small") << QStringLiteral("viking_small.segy");
    QTest::newRow("bflinchum 12 shots") << QStringLiteral("bflinchum_survey1_12shots_concat.sgy");
}

void tst_ShotReader::realFiles()
{
    QFETCH(QString, fileName);

    const QString path = TestSupport::dataFile(fileName);
    const TestSupport::SegyioDump dump = TestSupport::segyioDump(path);
    QVERIFY2(dump.ok, qPrintable(dump.error));
    QVERIFY(dump.traceCount > 0);

    // Each run of equal FFIDs read as one shot, as the viewer reads them; the elevation scalar
    // and the CDP as the two custom fields.
    const CustomFields customFields{69, 2, 21, 4};
    HeaderDefs defs;
    int shots = 0;
    for (int first = 0; first < dump.traceCount; ++shots) {
        int last = first;
        while (last + 1 < dump.traceCount && dump.traces.at(last + 1).ffid == dump.traces.at(first).ffid)
            ++last;

        QVector<fbRec> records;
        QVector<CustomValues> custom;
        QCOMPARE(readShotRecords(path, defs.table(), first, last, customFields, records, custom),
                 ShotReadResult::Read);
        QCOMPARE(records.size(), last - first + 1);
        QCOMPARE(custom.size(), last - first + 1);
        for (int i = 0; i < records.size(); ++i) {
            const fbRec &r = records.at(i);
            const TestSupport::SegyioTrace &t = dump.traces.at(first + i);
            const QByteArray where = QStringLiteral("trace %1").arg(first + i).toLatin1();
            QVERIFY2(r.ffid == t.ffid && r.channel == t.channel && r.offset == t.offset
                         && r.g_elev == t.gElev && r.s_elev == t.sElev && r.s_depth == t.sDepth
                         && r.s_line == t.sLine && r.s_stat == t.sStat && r.g_line == t.gLine
                         && r.g_stat == t.gStat,
                     where.constData());
            QVERIFY2(r.source_x == float(t.sourceX) && r.source_y == float(t.sourceY)
                         && r.group_x == float(t.groupX) && r.group_y == float(t.groupY),
                     where.constData());
            QVERIFY2(custom.at(i).first == t.elevScalar && custom.at(i).second == t.cdp, where.constData());
        }
        first = last + 1;
    }
    QVERIFY(shots > 1);
}

QTEST_GUILESS_MAIN(tst_ShotReader)
#include "tst_ShotReader.moc"
