#include "ShotIndex.h"
#include "TraceIndex.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <array>
#include <limits>
#include <vector>

Q_DECLARE_METATYPE(QVector<ShotEntry>)

namespace {

// Runs of {ffid, count}: a compact way to describe an index of a million records.
using Runs = QVector<QPair<qint32, int>>;

// Writes one record per trace. The other three fields vary on every record so that grouping
// by anything but the FFID shows.
bool writeIndex(const QString &path, const Runs &runs, const QByteArray &trailing = {})
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    std::vector<TraceIndexRecord> records;
    qint32 trace = 0;
    for (const auto &run : runs) {
        for (int i = 0; i < run.second; ++i, ++trace) {
            TraceIndexRecord record;
            record.ffid = qToLittleEndian<qint32>(run.first);
            record.value1 = qToLittleEndian<qint32>(trace);
            record.value2 = qToLittleEndian<qint32>(-trace);
            record.traceNumber = qToLittleEndian<qint32>(trace + 1);
            records.push_back(record);
        }
    }
    const qint64 bytes = qint64(records.size()) * kIndexRecordBytes;
    return file.write(reinterpret_cast<const char *>(records.data()), bytes) == bytes
        && file.write(trailing) == trailing.size();
}

QVector<ShotEntry> shotList(std::initializer_list<std::array<qint32, 3>> entries)
{
    QVector<ShotEntry> shots;
    for (const auto &e : entries)
        shots.append(ShotEntry{e[0], e[1], e[2]});
    return shots;
}

QString describe(const QVector<ShotEntry> &shots)
{
    QStringList parts;
    for (const ShotEntry &s : shots.mid(0, 8))
        parts << QStringLiteral("{%1,%2,%3}").arg(s.ffid).arg(s.firstTrace).arg(s.lastTrace);
    if (shots.size() > 8)
        parts << QStringLiteral("... %1 shots").arg(shots.size());
    return parts.join(QLatin1Char(' '));
}

bool sameShots(const QVector<ShotEntry> &a, const QVector<ShotEntry> &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (a[i].ffid != b[i].ffid || a[i].firstTrace != b[i].firstTrace
            || a[i].lastTrace != b[i].lastTrace)
            return false;
    }
    return true;
}

struct Observed
{
    int begun = 0;
    int valuesBeforeBegun = 0;
    QVector<int> values;

    ProgressSink sink()
    {
        return ProgressSink{[this] { ++begun; },
                            [this](int value) {
                                if (begun == 0)
                                    ++valuesBeforeBegun;
                                values.append(value);
                            }};
    }
};

} // namespace

class tst_ShotIndex : public QObject
{
    Q_OBJECT

private slots:
    void groups_data();
    void groups();
    void chunkBoundary_data();
    void chunkBoundary();
    void emptyIndex_data();
    void emptyIndex();
    void missingFile();
    void progress_data();
    void progress();

private:
    QTemporaryDir dir;
};

void tst_ShotIndex::groups_data()
{
    QTest::addColumn<Runs>("runs");
    QTest::addColumn<QByteArray>("trailing");
    QTest::addColumn<QVector<ShotEntry>>("expected");

    QTest::newRow("5,5,6,6,6") << Runs{{5, 2}, {6, 3}} << QByteArray()
                               << shotList({{5, 0, 1}, {6, 2, 4}});
    QTest::newRow("5,6,5 gives three shots") << Runs{{5, 1}, {6, 1}, {5, 1}} << QByteArray()
                                             << shotList({{5, 0, 0}, {6, 1, 1}, {5, 2, 2}});
    QTest::newRow("one record") << Runs{{1001, 1}} << QByteArray() << shotList({{1001, 0, 0}});
    QTest::newRow("every record different")
        << Runs{{3, 1}, {1, 1}, {4, 1}, {2, 1}} << QByteArray()
        << shotList({{3, 0, 0}, {1, 1, 1}, {4, 2, 2}, {2, 3, 3}});
    QTest::newRow("negative and extreme FFIDs")
        << Runs{{-1, 2}, {0, 1}, {std::numeric_limits<qint32>::min(), 2},
                {std::numeric_limits<qint32>::max(), 1}}
        << QByteArray()
        << shotList({{-1, 0, 1}, {0, 2, 2}, {std::numeric_limits<qint32>::min(), 3, 4},
                     {std::numeric_limits<qint32>::max(), 5, 5}});
    // Byte-swapped values group the same, so only the FFID reported shows the byte order.
    QTest::newRow("FFID read little-endian") << Runs{{0x01020304, 3}} << QByteArray()
                                             << shotList({{0x01020304, 0, 2}});
    // A partial record that would start a new shot if it were read.
    QTest::newRow("trailing partial record ignored")
        << Runs{{8, 3}} << QByteArray("\x09\x00\x00\x00\x01\x00\x00", 7)
        << shotList({{8, 0, 2}});
    QTest::newRow("15 trailing bytes ignored")
        << Runs{{8, 1}, {9, 1}} << QByteArray(15, '\x07') << shotList({{8, 0, 0}, {9, 1, 1}});
}

void tst_ShotIndex::groups()
{
    QFETCH(Runs, runs);
    QFETCH(QByteArray, trailing);
    QFETCH(QVector<ShotEntry>, expected);

    const QString path = dir.filePath(QStringLiteral("groups.index"));
    QVERIFY(writeIndex(path, runs, trailing));
    QVector<ShotEntry> shots;
    QVERIFY(extractShots(path, shots, ProgressSink{}));
    QVERIFY2(sameShots(shots, expected), qPrintable(describe(shots)));
}

void tst_ShotIndex::chunkBoundary_data()
{
    QTest::addColumn<Runs>("runs");
    QTest::addColumn<QVector<ShotEntry>>("expected");

    QTest::newRow("run across 999,999 and 1,000,000 stays one shot")
        << Runs{{1, 999990}, {2, 20}, {3, 10}}
        << shotList({{1, 0, 999989}, {2, 999990, 1000009}, {3, 1000010, 1000019}});
    QTest::newRow("change exactly at 1,000,000")
        << Runs{{1, 1000000}, {2, 5}} << shotList({{1, 0, 999999}, {2, 1000000, 1000004}});
    QTest::newRow("change at 999,999") << Runs{{1, 999999}, {2, 2}}
                                       << shotList({{1, 0, 999998}, {2, 999999, 1000000}});
    QTest::newRow("exactly one full chunk") << Runs{{7, 1000000}} << shotList({{7, 0, 999999}});
    QTest::newRow("second chunk of one record")
        << Runs{{7, 1000001}} << shotList({{7, 0, 1000000}});
}

void tst_ShotIndex::chunkBoundary()
{
    QFETCH(Runs, runs);
    QFETCH(QVector<ShotEntry>, expected);

    const QString path = dir.filePath(QStringLiteral("boundary.index"));
    QVERIFY(writeIndex(path, runs));
    QVector<ShotEntry> shots;
    QVERIFY(extractShots(path, shots, ProgressSink{}));
    QVERIFY2(sameShots(shots, expected), qPrintable(describe(shots)));
}

void tst_ShotIndex::emptyIndex_data()
{
    QTest::addColumn<QByteArray>("contents");

    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("less than one record") << QByteArray(15, '\x05');
}

void tst_ShotIndex::emptyIndex()
{
    QFETCH(QByteArray, contents);

    const QString path = dir.filePath(QStringLiteral("empty.index"));
    QVERIFY(writeIndex(path, {}, contents));
    QVector<ShotEntry> shots = shotList({{4, 0, 9}, {5, 10, 12}});
    Observed observed;
    QVERIFY(extractShots(path, shots, observed.sink()));
    // One shot of no traces, which the dialog refuses to show.
    QVERIFY2(sameShots(shots, shotList({{0, 0, -1}})), qPrintable(describe(shots)));
    QCOMPARE(observed.begun, 1);
    QVERIFY(observed.values.isEmpty());
}

void tst_ShotIndex::missingFile()
{
    QVector<ShotEntry> shots = shotList({{4, 0, 9}, {5, 10, 12}});
    Observed observed;
    QVERIFY(!extractShots(dir.filePath(QStringLiteral("no such file.index")), shots,
                          observed.sink()));
    QVERIFY(shots.isEmpty());
    QCOMPARE(observed.begun, 0);
    QVERIFY(observed.values.isEmpty());

    // A folder cannot be read as an index either.
    shots = shotList({{4, 0, 9}});
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("folder.index")));
    QVERIFY(!extractShots(dir.filePath(QStringLiteral("folder.index")), shots, observed.sink()));
    QVERIFY(shots.isEmpty());
}

void tst_ShotIndex::progress_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("lastValue");

    QTest::newRow("1 record") << 1 << 1;
    QTest::newRow("50 records rise on each") << 50 << 50;
    QTest::newRow("99 records") << 99 << 99;
    QTest::newRow("100 records") << 100 << 100;
    QTest::newRow("150 records stop at 100") << 150 << 100;
    QTest::newRow("250 records stop at 100") << 250 << 100;
    QTest::newRow("1,000,001 records") << 1000001 << 100;
}

void tst_ShotIndex::progress()
{
    QFETCH(int, records);
    QFETCH(int, lastValue);

    const QString path = dir.filePath(QStringLiteral("progress.index"));
    QVERIFY(writeIndex(path, Runs{{1, records / 2}, {2, records - records / 2}}));
    Observed observed;
    QVector<ShotEntry> shots;
    QVERIFY(extractShots(path, shots, observed.sink()));
    QCOMPARE(observed.begun, 1);
    QCOMPARE(observed.valuesBeforeBegun, 0);
    QVector<int> expected;
    for (int v = 1; v <= lastValue; ++v)
        expected.append(v);
    QCOMPARE(observed.values, expected);
}

QTEST_GUILESS_MAIN(tst_ShotIndex)
#include "tst_ShotIndex.moc"
