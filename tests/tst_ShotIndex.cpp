#include "ShotIndex.h"
#include "TraceIndex.h"

#include <QtTest>

#include <algorithm>
#include <vector>

// Runs of {ffid, count}: a compact way to describe an index of a million records.
using Runs = QVector<QPair<qint32, int>>;

class tst_ShotIndex : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
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
    // anything but the FFID shows. Progress rises once a record, at most to 100.
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
        QList<int> begunAfter, progress, expectedProgress;
        const ProgressSink sink{[&] { begunAfter << progress.size(); }, [&](int value) { progress << value; }};
        QVERIFY(extractShots(file.fileName(), shots, sink));
        QStringList texts;
        for (const ShotEntry &s : shots)
            texts << QStringLiteral("%1:%2-%3").arg(s.ffid).arg(s.firstTrace).arg(s.lastTrace);
        QCOMPARE(texts, expected);
        for (int v = 1; v <= std::min<qint64>(records.size(), 100); ++v)
            expectedProgress << v;
        QCOMPARE(begunAfter, QList<int>{0});
        QCOMPARE(progress, expectedProgress);
    }

    void missingFile()
    {
        QVector<ShotEntry> shots(2, ShotEntry{77, 0, 9});
        QVERIFY(!extractShots(dir.filePath(QStringLiteral("missing.index")), shots, ProgressSink{}));
        QVERIFY(shots.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_ShotIndex)
#include "tst_ShotIndex.moc"
