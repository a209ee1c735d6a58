#include "BrowseParams.h"
#include "GatherPlot.h"
#include "SegyLine.h"
#include "ShowHeaderTable.h"
#include "TestSupport.h"

#include <QtTest>
#include <QtWidgets>

Q_DECLARE_METATYPE(SegyLine::Override)

namespace {

struct Run { int exitCode; QString out, err; };

Run segyhdr(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(ZN_BUILD_DIR "/bin/segyhdr"), args);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

// Six shots (FFID 1 to 6) of eight channels; trace 20 is channel 5 of shot 3.
SegyLine cleanLine()
{
    SegyLine line;
    line.layout.samples = 4;
    line.channels = 8;
    line.traces = 48;
    return line;
}

QString fileOf(const QString &dir, const SegyLine &line)
{
    const QString path = QDir(dir).filePath(QStringLiteral("line.sgy"));
    QString error;
    return line.write(path, &error) ? path : error;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_Segyhdr : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void plantedFaults_data()
    {
        QTest::addColumn<QVector<SegyLine::Override>>("overrides");
        QTest::addColumn<QVector<qint32>>("ffids");
        QTest::addColumn<QStringList>("rows");
        using O = SegyLine::Override;
        QVector<qint32> repeated;
        QVector<qint32> shortShot;
        for (const int ffid : {1, 2, 3, 1, 5, 6})
            repeated += QVector<qint32>(8, ffid);
        for (int t = 0; t < 48; ++t)
            shortShot += t < 40 ? t / 8 + 1 : t < 47 ? 6 : 7;
        QTest::newRow("clean line") << QVector<O>() << QVector<qint32>() << QStringList();
        QTest::newRow("s_elev on one trace") << QVector<O>{{20, 20, 45, 4, 97}} << QVector<qint32>()
                                            << QStringList{"3,3,17,24,varies,s_elev,97,100"};
        // 4 cm more is 500050.03 as a 32-bit float; 1 cm more would be the same float.
        QTest::newRow("source_x by its stored float") << QVector<O>{{20, 20, 73, 4, 50005004}, {30, 30, 73, 4, 50007501}}
                << QVector<qint32>() << QStringList{"3,3,17,24,varies,source_x,500050.00,500050.03"};
        QTest::newRow("FFID back after other shots") << QVector<O>() << repeated
                                                     << QStringList{"4,1,25,32,repeated_ffid,,,"};
        QTest::newRow("short shot") << QVector<O>() << shortShot
                                    << QStringList{"6,6,41,47,trace_count,,,", "7,7,48,48,trace_count,,,"};
        QTest::newRow("channel gap") << QVector<O>{{20, 20, 13, 4, 40}} << QVector<qint32>()
                                     << QStringList{"3,3,17,24,channel_gap,,,"};
        QTest::newRow("channel twice") << QVector<O>{{20, 20, 13, 4, 4}} << QVector<qint32>()
                                       << QStringList{"3,3,17,24,channel_gap,,,", "3,3,17,24,channel_repeat,,,"};
        // Auxiliary traces (channel 0 or below) are neither repeats nor the start of a gap.
        QTest::newRow("auxiliary channels") << QVector<O>{{16, 17, 13, 4, -1}} << QVector<qint32>() << QStringList();
    }

    void plantedFaults()
    {
        QFETCH(QVector<SegyLine::Override>, overrides);
        QFETCH(QVector<qint32>, ffids);
        QFETCH(QStringList, rows);
        SegyLine line = cleanLine();
        line.overrides = overrides;
        line.ffids = ffids;
        QTemporaryDir scratch;
        const QString path = fileOf(scratch.path(), line);
        const QByteArray before = contents(path);

        const Run csv = segyhdr({"qc", path, "--csv"});
        QCOMPARE(csv.err, QString());
        QCOMPARE(csv.out, (QStringList("shot,ffid,first_trace,last_trace,reason,field,min,max") + rows).join('\n') + '\n');
        QCOMPARE(csv.exitCode, rows.isEmpty() ? 0 : 1);
        QVERIFY(QFileInfo::exists(path + ".index"));
        QCOMPARE(contents(path), before);

        // The same findings for machines and for people, from the index now present.
        const QJsonObject json = QJsonDocument::fromJson(segyhdr({"qc", path, "--json"}).out.toUtf8()).object();
        QStringList jsonRows;
        for (const QJsonValue &f : json.value("findings").toArray()) {
            QStringList cells;
            for (const char *key : {"shot", "ffid", "first_trace", "last_trace", "reason", "field", "min", "max"})
                cells << f.toObject().value(key).toVariant().toString();
            jsonRows << cells.join(',');
        }
        QCOMPARE(jsonRows, rows);
        QSet<QString> flaggedShots;
        for (const QString &row : rows)
            flaggedShots << row.section(',', 0, 0);
        QCOMPARE(segyhdr({"qc", path}).out.count('\n'), flaggedShots.size() + 1);
    }

    void realFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("summary");
        QTest::newRow("viking_small: four clean shots") << "viking_small.segy" << 0
                << ": 4 shots, 480 traces (most shots 120); 0 shots flagged";
        QTest::newRow("12-shot land line") << "bflinchum_survey1_12shots_concat.sgy" << 0
                << ": 12 shots, 576 traces (most shots 48); 0 shots flagged";
        // Its two auxiliary traces carry channel -1 and are left out of the channel checks.
        QTest::newRow("poland2d with auxiliary traces") << "poland2d_example_ffid_231.sgy" << 0
                << ": 1 shot, 284 traces (most shots 284); 0 shots flagged";
        QTest::newRow("shot-gather: shots of 10, 12, 13 and 26") << "shot-gather.sgy" << 1
                << ": 4 shots, 61 traces (most shots 26); 3 shots flagged: 0 varies, 0 repeated_ffid, 3 trace_count";
    }

    void realFiles()
    {
        QFETCH(QString, file);
        QFETCH(int, exitCode);
        QFETCH(QString, summary);
        const QString path = dir.filePath(file);
        QVERIFY(QFile::copy(TestSupport::dataFile(file), path));
        const Run run = segyhdr({"qc", path});
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.out.section('\n', -2, -2).startsWith(path + summary), qPrintable(run.out));
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const QString missing = dir.filePath("missing.sgy");
        const QString stub = dir.filePath("stub.sgy");
        QFile file(stub);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(3599, ' ')) == 3599);
        QTest::newRow("missing file") << QStringList{"qc", missing} << "Error: fail to open the file: " + missing + " (No such file or directory)";
        QTest::newRow("shorter than the file header") << QStringList{"dump", stub} << "Error: " + stub + " cannot be read as SEG-Y: the file is 3599 bytes long, "
                   "too short for the 3600-byte SEG-Y file header, and it is not a run of whole traces either";
        QTest::newRow("custom field past the header") << QStringList{"dump", stub, "--byte", "239:4"}
                << "--byte 239:4: a 2- to 4-byte field POS:LEN inside the 240-byte trace header";
        QTest::newRow("map of another kind") << QStringList{"map", TestSupport::dataFile("small.sgy"), "-o", "map.jpg"}
                << "Error: the map is written as .svg or .png, not: map.jpg";
        QTest::newRow("plot of no shot") << QStringList{"plot", stub, "-o", "p.png"} << "plot needs one of --shot N and --ffid N";
        QTest::newRow("plot clipped past 100") << QStringList{"plot", stub, "--shot", "1", "--clip", "150", "-o", "p.png"}
                << "--clip 150: a number from 1 to 100";
        const QString small = dir.filePath("small.sgy");
        QFile::copy(TestSupport::dataFile("small.sgy"), small);
        QTest::newRow("plot of a shot past the end") << QStringList{"plot", small, "--shot", "2", "-o", "p.png"}
                << "--shot 2: the file " + small + " has shots 1-1";
    }

    void badInput()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Run run = segyhdr(args);
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.err, "segyhdr: " + message + '\n');
        QCOMPARE(run.out, QString());
    }

    // The demo line shot by shot: qc flags the columns that the viewer paints red, dump
    // writes the viewer's texts, and Ctrl+C copies them as the screen shows them.
    void demoLineAgreesWithTheViewer()
    {
        const QString path = dir.filePath("demo.sgy");
        QString error;
        QVERIFY2(SegyLine::demo().write(path, &error), qPrintable(error));
        const Run qc = segyhdr({"qc", path, "--csv"});
        QCOMPARE(qc.exitCode, 1);
        QStringList flagged;
        for (const QString &row : qc.out.split('\n', Qt::SkipEmptyParts).mid(1))
            flagged << row.section(',', 0, 1) + ' ' + row.section(',', 5, 5);
        QCOMPARE(flagged, QStringList({"7,1007 s_elev", "18,1018 source_x", "30,1030 s_elev"}));
        const QStringList dump = segyhdr({"dump", path}).out.split('\n', Qt::SkipEmptyParts);

        BrowseParams params;
        params.segyName = path;
        QVector<ShotEntry> shots;
        for (int s = 0; s < 40; ++s)
            shots.append({1001 + s, 120 * s, 120 * s + 119});
        ShowHeaderTable viewer(&params, shots);
        viewer.show();
        auto *combo = viewer.findChild<QComboBox *>("ffidCombo");
        auto *table = viewer.findChild<QTableView *>("tableView");
        QStringList header;
        for (int c = 0; c < 16; ++c) header << table->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(dump.value(0), header.join(','));
        QStringList painted;
        int row = 1;
        for (int s = 0; s < shots.size(); ++s) {
            combo->setCurrentIndex(s);
            const QAbstractItemModel *model = table->model();
            for (int r = 0; r < model->rowCount(); ++r, ++row) {
                QStringList cells;
                for (int c = 0; c < 16; ++c)
                    cells << model->index(r, c).data().toString();
                QCOMPARE(dump.value(row), cells.join(','));
            }
            for (int c = 0; c < 16; ++c) {
                if (model->index(0, c).data(Qt::ForegroundRole).value<QBrush>().color() == QColor(Qt::red))
                    painted << QStringLiteral("%1,%2 %3").arg(s + 1).arg(shots.at(s).ffid).arg(header.at(c));
            }
        }
        QCOMPARE(painted, flagged);
        QCOMPARE(row, dump.size());

        // Rows picked out of order are copied in display order, as the table shows them.
        combo->setCurrentIndex(6);
        table->selectionModel()->select(table->model()->index(5, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        table->selectionModel()->select(table->model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QGuiApplication::clipboard()->clear();
        QTest::keySequence(table, QKeySequence::Copy);
        const QStringList shown = {header.join('\t'), dump.at(1 + 6 * 120 + 2), dump.at(1 + 6 * 120 + 5)};
        QCOMPARE(QGuiApplication::clipboard()->text(), QString(shown.join('\n').replace(',', '\t') + '\n'));
    }

    void plot_data()
    {
        QTest::addColumn<QString>("file"); // from tests/data; "" for the demo line, "13" for a line of format 13
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("shot");
        QTest::addColumn<QVector<double>>("settings"); // AGC, clip, LMO, wiggle as GatherSettings should take them
        QTest::addColumn<QString>("error");
        QTest::newRow("demo FFID 1018, moveout and AGC") << "" << QStringList{"--ffid", "1018", "--lmo", "2000", "--agc", "500"}
                << 17 << QVector<double>{500, 99, 2000, 0} << "";
        QTest::newRow("demo shot 7 as wiggles, clipped at 90") << "" << QStringList{"--shot", "7", "--wiggle", "--clip", "90"}
                << 6 << QVector<double>{0, 90, 0, 1} << "";
        for (const char *name : {"viking_small.segy", "bflinchum_survey1_12shots_concat.sgy", "f3.sgy", "f3-lsb.sgy",
                                 "poland2d_example_ffid_231.sgy", "shot-gather.sgy", "multi-text.sgy", "long.sgy"})
            QTest::newRow(name) << name << QStringList{"--shot", "1"} << 0 << QVector<double>{0, 99, 0, 0} << "";
        QTest::newRow("format 13 is refused") << "13" << QStringList{"--shot", "1"} << 0 << QVector<double>()
                << "the sample format code 13 is not one that SEG-Y defines (1 to 12, 15 or 16), so its samples cannot be decoded";
    }

    // The picture is the one the gather window draws of the shot with the same settings.
    void plot()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, options);
        QFETCH(int, shot);
        QFETCH(QVector<double>, settings);
        QFETCH(QString, error);
        QTemporaryDir scratch;
        const QString path = QDir(scratch.path()).filePath(file.isEmpty() || file == "13" ? "line.sgy" : file);
        SegyLine line = file.isEmpty() ? SegyLine::demo() : cleanLine();
        line.layout.formatCode = file == "13" ? 13 : line.layout.formatCode;
        QVERIFY(file.isEmpty() || file == "13" ? line.write(path, nullptr) : QFile::copy(TestSupport::dataFile(file), path));
        const QString out = QDir(scratch.path()).filePath("plot.png");
        const Run run = segyhdr(QStringList{"plot", path, "-o", out} + options);
        QCOMPARE(run.exitCode, error.isEmpty() ? 0 : 2);
        QVERIFY2(error.isEmpty() || run.err.endsWith(error + '\n'), qPrintable(run.err));
        QCOMPARE(QFileInfo::exists(out), error.isEmpty());
        if (!error.isEmpty())
            return;

        QFile segy(path);
        QVERIFY(segy.open(QIODevice::ReadOnly));
        const SegyGeometry geometry = inspectSegy(segy);
        QVector<ShotEntry> shots;
        for (qint64 t = 0; t < geometry.traceCount; ++t) {
            const QByteArray header = (segy.seek(geometry.traceOffset(t)), segy.read(kTraceHeaderBytes));
            const fbRec r = TraceDecoder(HeaderLayout::rev1(), geometry.byteOrder).record(header.constData());
            if (t == 0 || r.ffid != shots.last().ffid)
                shots.append({r.ffid, qint32(t), qint32(t)});
            shots.last().lastTrace = qint32(t);
        }
        GatherPlot plot;
        ShotGather gather;
        QVERIFY(readShotGather(path, geometry, TraceDecoder(HeaderLayout::rev1(), geometry.byteOrder), shots.at(shot), &gather, nullptr));
        plot.setGather(gather);
        plot.setSettings({settings.at(3) > 0 ? GatherStyle::Wiggle : GatherStyle::Grey, settings.at(0), settings.at(1), 0, -1,
                          settings.at(2), TraceLabel::Channel});
        plot.setTitle(QFileInfo(path).fileName());
        const QImage image(out);
        QVERIFY(!image.isNull());
        QVERIFY(image == plot.image(image.size()).convertToFormat(image.format()));
    }

    void map_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("svg") << "map.svg";
        QTest::newRow("png") << "map.png";
    }

    void map()
    {
        QFETCH(QString, name);
        // Red pixels: those of the legend's mark, and more where a shot is flagged.
        QVector<int> red;
        for (const bool planted : {false, true}) {
            SegyLine line = cleanLine();
            if (planted)
                line.overrides = {{20, 20, 45, 4, 97}};
            QTemporaryDir scratch;
            const QString out = QDir(scratch.path()).filePath(name);
            const Run run = segyhdr({"map", fileOf(scratch.path(), line), "-o", out});
            QCOMPARE(run.exitCode, 0);
            const QImage image(out);
            red << 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    red.last() += image.pixelColor(x, y) == QColor(Qt::red);
            if (name.endsWith("svg"))
                QCOMPARE(contents(out).contains(">3</text>"), planted);
        }
        QVERIFY2(red.at(0) > 0 && red.at(1) > red.at(0) + 20, qPrintable(QStringLiteral("%1 %2").arg(red.at(0)).arg(red.at(1))));
    }
};

QTEST_MAIN(tst_Segyhdr)
#include "tst_Segyhdr.moc"
