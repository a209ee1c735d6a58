#include "SegyWriter.h"
#include "TestSupport.h"
#include "ShotIndex.h"
#include "TraceIndex.h"

#include <QtTest>

#include <algorithm>
#include <vector>

using Headers = QVector<TestSupport::TraceHeaderValues>;
// Runs of {ffid, count}: a compact way to describe an index of a million records.
using Runs = QVector<QPair<qint32, int>>;

namespace {

const QVector<int> kDefaultDefs = {9, 4, 13, 4, 37, 4};

// The three indexed entries {position, length}, the trace headers of a file of IEEE samples (left as
// holes, so that ten thousand traces cost next to no disk), the traces to index, the size the file
// is cut to (-1 leaves it whole) and the {ffid, value1, value2} of each record.
struct Row { QVector<int> defs; Headers headers; int traces; qint64 fileSize; QVector<int> expected; int samples = 100; };

// The table in the library's form: 16 pointers to {position, length}, entries 3 to 15 zero.
struct HeaderDefs
{
    explicit HeaderDefs(const QVector<int> &defs) : pairs(defs + QVector<int>(32 - defs.size()))
    {
        for (int k = 0; k < 16; ++k)
            rows[k] = pairs.data() + 2 * k;
    }
    QVector<int> pairs;
    int *rows[16];
};

// Each trace differs from its neighbours in all three fields.
Headers generated(int traces)
{
    Headers headers;
    for (int t = 0; t < traces; ++t)
        headers.append({{9, 4, 1000 + t / 7}, {13, 4, -t}, {37, 4, t * 37}});
    return headers;
}

// The records of `traces` traces of a generated file: past its end each repeats the last trace read.
QVector<int> generatedRecords(const Headers &headers, int traces)
{
    QVector<int> values;
    for (int t = 0; t < traces; ++t)
        for (const TestSupport::HeaderValue &v : headers.at(std::min(t, headers.size() - 1)))
            values << int(v.value);
    return values;
}

// The index beside the SEG-Y file as {ffid, value1, value2} triples; empty unless it is whole records,
// each numbered with its place in the file counted from 1.
QVector<int> readIndex(const QString &segy)
{
    QFile file(traceIndexPath(segy));
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    QVector<int> values;
    for (int r = 0; r * kIndexRecordBytes < bytes.size(); ++r) {
        const char *p = bytes.constData() + r * kIndexRecordBytes;
        values << qFromLittleEndian<qint32>(p) << qFromLittleEndian<qint32>(p + 4) << qFromLittleEndian<qint32>(p + 8);
        if (qFromLittleEndian<qint32>(p + 12) != r + 1 || bytes.size() % kIndexRecordBytes != 0)
            return {-1};
    }
    return values;
}

} // namespace

Q_DECLARE_METATYPE(Row)

class tst_TraceIndex : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void records_data()
    {
        QTest::addColumn<Row>("row");
        QTest::newRow("negative values") << Row{kDefaultDefs, {{{9, 4, -5}, {13, 4, -1234567}, {37, 4, -65536}}}, 1, -1,
                                                {-5, -1234567, -65536}};
        QTest::newRow("FF FF is -1") << Row{{9, 2, 13, 2, 37, 2}, {{{9, 2, -1}, {13, 2, -32768}}}, 1, -1, {-1, -32768, 0}};
        // Each slot holds the second byte read for a length of 1, not the next trace's first byte.
        QTest::newRow("length 1 is read as 2 bytes") << Row{{1, 4, 5, 4, 9, 1}, {{{9, 2, 0x0102}}, {{1, 4, 0x7F000000}}}, 2,
                                                            -1, {0, 0, 0x0102, 0x7F000000, 0, 0}};
        QTest::newRow("FFID at 189/4") << Row{{189, 4, 13, 4, 37, 4}, {{{9, 4, 1111}, {189, 4, -2222}, {13, 4, 3}, {37, 4, 4}}},
                                              1, -1, {-2222, 3, 4}};
        // The trace sequence numbers in the headers say otherwise.
        QTest::newRow("traceNumber is the place in the file")
                << Row{{1, 4, 5, 4, 9, 4}, {{{1, 4, 500}, {5, 4, 400}}, {{1, 4, 0}, {5, 4, -1}}}, 2, -1, {500, 400, 0, 0, -1, 0}};
        QTest::newRow("0 traces") << Row{kDefaultDefs, {}, 0, -1, {}};
        QTest::newRow("nothing before the first trace reads zeros") << Row{kDefaultDefs, {}, 2, -1, QVector<int>(6, 0)};
        for (int traces : {250, 10001})
            QTest::addRow("%d traces", traces) << Row{kDefaultDefs, generated(traces), traces, -1,
                                                      generatedRecords(generated(traces), traces)};
        QTest::newRow("second chunk past the end repeats the first chunk's last")
                << Row{kDefaultDefs, generated(10000), 10002, -1, generatedRecords(generated(10000), 10002)};
        // The second chunk of 65535 doubles a trace starts at 5.2 GB, past 2^32.
        Row far{kDefaultDefs, generated(10001), 10001, -1, generatedRecords(generated(10001), 10001), 65535 * 2};
        QTest::newRow("chunk beyond 4 GiB") << far;
        // Trace 2 ends after its byte 14: its FFID and half of value1 are its own, the rest is trace 1's.
        QTest::newRow("last header cut inside a field")
                << Row{kDefaultDefs, {{}, {{9, 4, 2}, {13, 4, 0x11112222}, {37, 4, 20}}, {{9, 4, 3}}}, 3,
                       3600 + 2 * (240 + 400) + 14, {0, 0, 0, 2, 0x11112222, 20, 3, 0x2222, 20}};
    }

    // Both ways of reading the headers give the same file; progress rises once a record, at most to 100.
    void records()
    {
        QFETCH(Row, row);
        const HeaderDefs table(row.defs);
        SegyWriter::Layout layout;
        layout.sparse = true;
        layout.samples = row.samples;
        const QString segy = TestSupport::writeSegy(dir.path(), QStringLiteral("line.sgy"), row.headers, layout);
        QVERIFY(!segy.isEmpty() && (row.fileSize < 0 || QFile::resize(segy, row.fileSize)));
        QList<int> begunAfter, progress, expectedProgress;
        const ProgressSink sink{[&] { begunAfter << progress.size(); }, [&](int value) { progress << value; }, {}};
        const qint64 trBytes = 240 + 4 * row.samples;
        QCOMPARE(writeTraceIndex(segy, trBytes, row.traces, table.rows, sink), TraceIndexResult::Written);
        QCOMPARE(readIndex(segy), row.expected);
        for (int v = 1; v <= std::min(row.traces, 100); ++v)
            expectedProgress << v;
        QCOMPARE(begunAfter, QList<int>{0});
        QCOMPARE(progress, expectedProgress);
        QCOMPARE(writeTraceIndex(segy, trBytes, row.traces, table.rows, {}, TraceHeaderAccess::PositionedReads),
                 TraceIndexResult::Written);
        QCOMPARE(readIndex(segy), row.expected);
    }

    void groups_data()
    {
        QTest::addColumn<Runs>("runs");
        QTest::addColumn<QByteArray>("trailing");
        QTest::addColumn<QStringList>("expected"); // "ffid:first-last"
        QTest::newRow("5,5,6,6,6") << Runs{{5, 2}, {6, 3}} << QByteArray() << QStringList{"5:0-1", "6:2-4"};
        QTest::newRow("5,6,5 gives three shots") << Runs{{5, 1}, {6, 1}, {5, 1}} << QByteArray()
                                                 << QStringList{"5:0-0", "6:1-1", "5:2-2"};
        QTest::newRow("250 records, falling FFIDs") << Runs{{7, 200}, {-1, 50}} << QByteArray()
                                                    << QStringList{"7:0-199", "-1:200-249"};
        QTest::newRow("run across records 999,999 and 1,000,000 stays one shot")
                << Runs{{1, 999990}, {2, 20}} << QByteArray() << QStringList{"1:0-999989", "2:999990-1000009"};
        QTest::newRow("change exactly at 1,000,000")
                << Runs{{1, 1000000}, {2, 5}} << QByteArray() << QStringList{"1:0-999999", "2:1000000-1000004"};
        // The partial record would start a shot of FFID 9 if it were read.
        QTest::newRow("size not a multiple of 16")
                << Runs{{8, 3}} << QByteArray("\x09\x00\x00\x00\x01\x00\x00", 7) << QStringList{"8:0-2"};
        // A shot of no traces, which the dialog refuses to show.
        QTest::newRow("empty file") << Runs() << QByteArray() << QStringList{"0:0--1"};
    }

    // One record per trace; the other three fields vary on every record, so that grouping by
    // anything but the FFID shows.
    void groups()
    {
        QFETCH(Runs, runs);
        QFETCH(QByteArray, trailing);
        QFETCH(QStringList, expected);
        std::vector<TraceIndexRecord> records;
        for (const auto &run : runs) {
            for (int i = 0; i < run.second; ++i) {
                const qint32 trace = qint32(records.size());
                records.push_back({qToLittleEndian(run.first), qToLittleEndian(trace), qToLittleEndian(-trace),
                                   qToLittleEndian(trace + 1)});
            }
        }
        QFile file(dir.filePath(QStringLiteral("groups.index")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(reinterpret_cast<const char *>(records.data()), qint64(records.size()) * kIndexRecordBytes);
        QVERIFY(file.write(trailing) == trailing.size() && file.flush());

        // Left from an earlier file: they must go.
        QVector<ShotEntry> shots(2, ShotEntry{77, 0, 9});
        QVERIFY(extractShots(file.fileName(), shots, ProgressSink{}));
        QStringList texts;
        for (const ShotEntry &s : shots)
            texts << QStringLiteral("%1:%2-%3").arg(s.ffid).arg(s.firstTrace).arg(s.lastTrace);
        QCOMPARE(texts, expected);
    }

    // A name so long that no temporary name fits beside its index: without an index nothing is written
    // and the caller is told; a stale index of that name is rewritten in place.
    void noRoomForATemporaryName()
    {
        const QString segy = TestSupport::writeSegy(dir.path(), QString(241, 'l') + QStringLiteral(".sgy"), generated(3));
        const HeaderDefs table(kDefaultDefs);
        QCOMPARE(writeTraceIndex(segy, 640, 3, table.rows, {}), TraceIndexResult::IndexCreateFailed);
        QFile stale(traceIndexPath(segy));
        QVERIFY(stale.open(QIODevice::WriteOnly) && stale.write(QByteArray(100, 'x')) == 100);
        stale.close();
        QCOMPARE(writeTraceIndex(segy, 640, 3, table.rows, {}), TraceIndexResult::Written);
        QCOMPARE(readIndex(segy), generatedRecords(generated(3), 3));
    }

    void missingFile()
    {
        QVector<ShotEntry> shots(2, ShotEntry{77, 0, 9});
        QVERIFY(!extractShots(dir.filePath(QStringLiteral("missing.index")), shots, ProgressSink{}));
        QVERIFY(shots.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_TraceIndex)
#include "tst_TraceIndex.moc"
