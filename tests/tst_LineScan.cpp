#include "DumpRows.h"
#include "LineQc.h"
#include "LineScan.h"
#include "ShotIndex.h"
#include "ShotTable.h"
#include "TestSupport.h"

#include <QDir>
#include <QtTest>

#include <cstring>

namespace {

const CustomFields kCustom{71, 2, 237, 4};

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable");
}

QString findingText(const QcFinding &f)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7").arg(f.position).arg(f.entry.firstTrace).arg(int(f.reason))
            .arg(f.column).arg(f.min, f.max, f.detail);
}

// A line with shots that straddle the index scan's chunk boundary at trace 10,000, shots whose source
// headers vary, an FFID that comes back, a repeated channel, and coordinates on the halves that the
// two-decimal texts round.
SegyLine longLine()
{
    SegyLine line;
    line.traces = 10010;
    line.channels = 7;
    line.layout.sparse = true;
    line.originX = 500000.125;
    line.groupSpacing = 0.375;
    line.inconsistent = {{3, SegyLine::SourceField::SElev}, {1428, SegyLine::SourceField::SourceX}};
    line.overrides = {{9995, 10001, 9, 4, 1}, {20, 20, 13, 4, 3}};
    return line;
}

} // namespace

class tst_LineScan : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    // The one pass against the index build, the grouping from the index and a read of each shot,
    // on the file as its geometry describes it: the same index bytes, shots, records, QC findings
    // and dump rows.
    void compareWithSeparateReads(const QString &path, const HeaderLayout &layout)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const SegyGeometry geometry = inspectSegy(file);
        QVERIFY2(geometry.readable, qPrintable(geometry.refusal));
        const IndexSource source = IndexSource::of(path, geometry, layout);
        const TraceDecoder decoder(layout, geometry.byteOrder);
        const QString built = dir.filePath(QStringLiteral("built.index"));
        const QString scanned = dir.filePath(QStringLiteral("scanned.index"));
        QCOMPARE(writeTraceIndex(source, built, ProgressSink()), TraceIndexResult::Written);
        QVector<ShotEntry> expectedShots;
        QVERIFY(extractShots(built, expectedShots, ProgressSink()));

        QVector<ShotEntry> shots;
        QVector<ShotHeaders> handed;
        LineQc lineQc;
        QByteArray rows;
        const LineScanVisitors visitors{[&](const ShotHeaders &shot) {
            handed.append(shot);
            lineQc.check(shot);
            appendDumpRows(shot.records, shot.customValues, ',', rows);
        }, {}};
        QCOMPARE(scanLine(source, scanned, decoder, kCustom, visitors, shots), LineScanResult::Scanned);
        QCOMPARE(contents(scanned), contents(built));
        QCOMPARE(shots.size(), expectedShots.size());
        QCOMPARE(handed.size(), shots.size());

        ShotQc shotQc(expectedShots);
        QStringList expectedFindings;
        QByteArray expectedRows;
        for (int s = 0; s < expectedShots.size(); ++s) {
            const ShotEntry &entry = expectedShots.at(s);
            QCOMPARE(QVector<qint32>({shots.at(s).ffid, shots.at(s).firstTrace, shots.at(s).lastTrace}),
                     QVector<qint32>({entry.ffid, entry.firstTrace, entry.lastTrace}));
            ShotHeaders expected;
            expected.position = s;
            expected.entry = entry;
            QCOMPARE(readShotRecords(path, geometry, decoder, entry.firstTrace, entry.lastTrace, kCustom,
                                     expected.records, expected.customValues), ShotReadResult::Read);
            const ShotHeaders &got = handed.at(s);
            QCOMPARE(got.position, s);
            QCOMPARE(got.records.size(), expected.records.size());
            QVERIFY(std::memcmp(got.records.constData(), expected.records.constData(),
                                sizeof(fbRec) * size_t(got.records.size())) == 0);
            QCOMPARE(got.customValues, expected.customValues);
            for (const QcFinding &f : shotQc.check(expected))
                expectedFindings << findingText(f);
            const QVector<int> varying = varyingColumns(expected.records);
            for (int r = 0; r < expected.records.size(); ++r)
                expectedRows += rowTexts(expected.records, expected.customValues, r, varying).join(QLatin1Char(',')).toLatin1() + '\n';
        }
        QStringList findings;
        for (const QcFinding &f : lineQc.findings(shots))
            findings << findingText(f);
        QCOMPARE(findings, expectedFindings);
        QCOMPARE(rows, expectedRows);
    }

private slots:
    void generated_data()
    {
        TestSupport::addLayoutVariantRows();
        TestSupport::LayoutVariant chunks{"shots across a chunk boundary", longLine(), -1, 10010, nullptr};
        QTest::newRow(chunks.name) << chunks;
    }

    void generated()
    {
        QFETCH(TestSupport::LayoutVariant, variant);
        const QString path = TestSupport::writeVariant(dir.path(), variant);
        QVERIFY(!path.isEmpty());
        compareWithSeparateReads(path, HeaderLayout::rev1());
        if (QTest::currentTestFailed())
            return;
        // The coordinates as IEEE floats, where -0.0, NaN and infinities can be stored.
        HeaderLayout floats = HeaderLayout::rev1();
        QVERIFY(floats.setField(QStringLiteral("source_x"), 73, FieldType::IeeeFloat));
        QVERIFY(floats.setField(QStringLiteral("group_y"), 85, FieldType::IeeeFloat));
        compareWithSeparateReads(path, floats);
    }

    void realFiles_data()
    {
        QTest::addColumn<QString>("path");
        const QDir data(QStringLiteral(ZN_TEST_DATA_DIR));
        for (const QString &name : data.entryList(QDir::Files)) {
            QFile file(data.filePath(name));
            if (file.open(QIODevice::ReadOnly) && inspectSegy(file).readable)
                QTest::newRow(qPrintable(name)) << data.filePath(name);
        }
    }

    void realFiles()
    {
        QFETCH(QString, path);
        compareWithSeparateReads(path, HeaderLayout::rev1());
    }

    // Nothing is written or handed on from a file shorter than the source says, or a missing one.
    void refusals()
    {
        SegyLine line;
        line.traces = 12;
        line.channels = 4;
        const QString path = dir.filePath(QStringLiteral("short.sgy"));
        QVERIFY(line.write(path, nullptr));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        IndexSource source = IndexSource::of(path, inspectSegy(file), HeaderLayout::rev1());
        const QString index = dir.filePath(QStringLiteral("short.index"));
        const TraceDecoder decoder(HeaderLayout::rev1(), ByteOrder::BigEndian);
        int handed = 0;
        const LineScanVisitors visitors{[&](const ShotHeaders &) { ++handed; }, [&](const char *, qint64) { ++handed; }};
        QVector<ShotEntry> shots;
        ++source.traceCount;
        QCOMPARE(scanLine(source, index, decoder, kCustom, visitors, shots), LineScanResult::TracesMissing);
        source.segyPath += QStringLiteral(".missing");
        QCOMPARE(scanLine(source, index, decoder, kCustom, visitors, shots), LineScanResult::SegyOpenFailed);
        QCOMPARE(handed, 0);
        QVERIFY(!QFile::exists(index));
    }
};

QTEST_GUILESS_MAIN(tst_LineScan)
#include "tst_LineScan.moc"
