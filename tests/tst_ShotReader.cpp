#include "ShotReader.h"
#include "TestSupport.h"

#include <QtTest>

#include <algorithm>
#include <climits>


namespace {

// The table in the form the reader hands on: the SEG-Y rev 1 places of the 15 fields and of the
// coordinate scalar, but with the source and group statics swapped, as a user may define them, so
// that a reader which ignored the table would show them the wrong way round.
int places[16][2] = {{9, 4}, {13, 4}, {37, 4}, {41, 4}, {45, 4}, {49, 4}, {73, 4}, {77, 4},
                     {81, 4}, {85, 4}, {189, 4}, {101, 2}, {193, 4}, {99, 2}, {21, 4}, {71, 0}};
int *headerDefs[16] = {places[0], places[1], places[2], places[3], places[4], places[5], places[6], places[7],
                       places[8], places[9], places[10], places[11], places[12], places[13], places[14], places[15]};

// A file of `traces` traces whose headers first to last give every field a value of its own, so that a
// trace read from the wrong place or a field taken from the wrong bytes cannot match. The rest stays a
// hole, so that a file past 4 GiB costs a few pages of disk.
QString writeDistinct(const QString &dir, int samples, qint64 traces, qint32 first, qint32 last)
{
    SegyWriter::Layout layout;
    layout.samples = samples;
    const QString path = TestSupport::writeSegy(dir, QStringLiteral("distinct.sgy"), {}, layout);
    const qint64 traceBytes = 240 + samples * 4;
    QFile file(path);
    bool ok = !path.isEmpty() && file.open(QIODevice::ReadWrite) && file.resize(3600 + traceBytes * traces);
    for (qint64 t = std::max(first, 0); ok && t <= std::min<qint64>(last, traces - 1); ++t) {
        SegyTraceHeader h;
        for (const TestSupport::HeaderValue &v : TestSupport::TraceHeaderValues{
                 {9, 4, 5000 + t / 4}, {13, 4, 1 + t % 4}, {37, 4, -100 * t - 7}, {41, 4, 300 + t},
                 {45, 4, 200 - t}, {49, 4, 10 + t}, {71, 2, -100}, {73, 4, 50000000 + t}, {77, 4, -650000000 - t},
                 {81, 4, 50001250 + t}, {85, 4, 650000050 + t}, {99, 2, -20 - t}, {101, 2, 30 + t},
                 {189, 4, 700 + t}, {193, 4, 800 + t}, {237, 4, 1000000 + t}})
            h.set(v.position, v.length, v.value);
        ok = file.seek(3600 + traceBytes * t) && file.write(h.data(), 240) == 240;
    }
    return ok ? path : QString();
}

// What the reader must give for the distinct traces first to last, in the order of shown(); the
// coordinates scaled from centimetres.
QList<double> expectedDistinct(int first, int last)
{
    QList<double> v;
    for (int t = first; t <= last; ++t)
        v << 5000 + t / 4 << 1 + t % 4 << -100 * t - 7 << 300 + t << 200 - t << 10 + t
          << float((50000000 + t) / 100.0) << float((-650000000 - t) / 100.0) << float((50001250 + t) / 100.0)
          << float((650000050 + t) / 100.0) << 700 + t << 30 + t << 800 + t << -20 - t << -100 << 1000000 + t;
    return v;
}

// The 14 fields that the viewer shows and the two custom values of every trace read, one trace after
// another; where one list is longer, the other's missing entries show as zeros.
QList<double> shown(const QVector<fbRec> &records, const QVector<CustomValues> &custom)
{
    QList<double> v;
    for (int i = 0; i < std::max(records.size(), custom.size()); ++i) {
        const fbRec r = records.value(i);
        const CustomValues c = custom.value(i);
        v << r.ffid << r.channel << r.offset << r.g_elev << r.s_elev << r.s_depth << r.source_x << r.source_y
          << r.group_x << r.group_y << r.s_line << r.s_stat << r.g_line << r.g_stat << c.first << c.second;
    }
    return v;
}

} // namespace

class tst_ShotReader : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    // Kept from one read to the next, as the viewer keeps them from shot to shot.
    QVector<fbRec> records;
    QVector<CustomValues> custom;

private slots:
    void shots_data()
    {
        // Samples, traces, the shot's first and last trace, the bytes cut off the file (-1 removes
        // it) and the result.
        QTest::addColumn<QVector<qint64>>("row");
        const qint64 read = qint64(ShotReadResult::Read), map = qint64(ShotReadResult::MapFailed);
        QTest::newRow("one trace") << QVector<qint64>{100, 12, 5, 5, 0, read};
        QTest::newRow("three traces") << QVector<qint64>{100, 12, 8, 10, 0, read};
        // The largest classic trace: trace 16400 starts at 4,303,035,600, past 2^32, where an offset
        // formed in 32 bits would land near the start of the file.
        QTest::newRow("block beyond 4 GiB") << QVector<qint64>{65535, 16404, 16400, 16402, 0, read};
        QTest::newRow("last trace cut short") << QVector<qint64>{100, 12, 10, 11, 100, map};
        QTest::newRow("shot runs past the last trace") << QVector<qint64>{100, 12, 10, 12, 0, map};
        QTest::newRow("negative first trace") << QVector<qint64>{100, 12, -1, 2, 0, map};
        QTest::newRow("count past 32 bits") << QVector<qint64>{100, 12, INT_MIN, INT_MAX, 0, map};
        QTest::newRow("missing file") << QVector<qint64>{100, 12, 0, 0, -1, qint64(ShotReadResult::OpenFailed)};
    }

    // Shot A, then shot B: the lists hold B's traces alone, or nothing where B cannot be read.
    void shots()
    {
        QFETCH(QVector<qint64>, row);
        const int samples = int(row[0]), traces = int(row[1]), cutBytes = int(row[4]);
        const qint32 first = qint32(row[2]), last = qint32(row[3]);
        const auto result = ShotReadResult(row[5]);
        const QString path = writeDistinct(dir.path(), samples, traces, first, last);
        QCOMPARE(readShotRecords(path, headerDefs, 0, 3, {71, 2, 237, 4}, records, custom), ShotReadResult::Read);
        QVERIFY(cutBytes < 0 ? QFile::remove(path) : QFile::resize(path, QFileInfo(path).size() - cutBytes));
        QCOMPARE(readShotRecords(path, headerDefs, first, last, {71, 2, 237, 4}, records, custom), result);
        QCOMPARE(shown(records, custom), result == ShotReadResult::Read ? expectedDistinct(first, last) : QList<double>());
    }
};

QTEST_GUILESS_MAIN(tst_ShotReader)
#include "tst_ShotReader.moc"
