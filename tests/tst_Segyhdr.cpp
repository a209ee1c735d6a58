#include "BrowseParams.h"
#include "GatherPlot.h"
#include "SegyLine.h"
#include "ShowHeaderTable.h"
#include "TestSupport.h"
#include "TraceIndex.h"

#include <HeaderLayout.h>

#include <QtTest>
#include <QtWidgets>

#include <fcntl.h>
#include <unistd.h>

Q_DECLARE_METATYPE(SegyLine::Override)

namespace {

struct Run { int exitCode; QString out, err; };

// Words NAME=VALUE ahead of the verb go to the environment, as in a shell.
Run segyhdr(QStringList args)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (; !args.isEmpty() && args.first().contains(QRegularExpression("^[A-Z_]+=")); args.removeFirst())
        env.insert(args.first().section('=', 0, 0), args.first().section('=', 1));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(ZN_STAGE_DIR "/bin/segyhdr"), args);
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
        QTest::newRow("an offset 50 m from the coordinates") << QVector<O>{{20, 20, 37, 4, 89}} << QVector<qint32>()
                                                             << QStringList{"3,3,17,24,offset_mismatch,,,"};
        QTest::newRow("a shot without coordinates") << QVector<O>{{8, 15, 73, 4, 0}, {8, 15, 77, 4, 0}, {8, 15, 81, 4, 0},
                                                                 {8, 15, 85, 4, 0}} << QVector<qint32>()
                                                    << QStringList{"2,2,9,16,no_coordinates,,,"};
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
        // Its two auxiliary traces carry channel -1 and are left out of the channel checks; it has no coordinates.
        QTest::newRow("poland2d with auxiliary traces") << "poland2d_example_ffid_231.sgy" << 1
                << ": 1 shot, 284 traces (most shots 284); 1 shot flagged: 0 varies, 0 repeated_ffid, 0 trace_count, "
                   "0 channel_gap, 0 channel_repeat, 0 offset_mismatch, 1 no_coordinates";
        QTest::newRow("shot-gather: shots of 10, 12, 13 and 26") << "shot-gather.sgy" << 1
                << ": 4 shots, 61 traces (most shots 26); 4 shots flagged: 0 varies, 0 repeated_ffid, 3 trace_count";
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

    void realDumps_data()
    {
        QTest::addColumn<QString>("file");
        for (const char *name : {"viking_small.segy", "f3.sgy", "f3-lsb.sgy", "multi-text.sgy", "poland2d_example_ffid_231.sgy",
                                 "00001034.sgy_first_trace", "ld0042_file_00018.sgy_first_trace"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    // Every trace of every real file as segyio reads it: ffid, channel, offset and the elevations.
    void realDumps()
    {
        QFETCH(QString, file);
        const QString path = dir.filePath(file);
        QVERIFY(QFile::exists(path) || QFile::copy(TestSupport::dataFile(file), path));
        const TestSupport::SegyioDump dump = TestSupport::segyioDump(path);
        QVERIFY2(dump.ok, qPrintable(dump.error));
        const QStringList rows = segyhdr({"dump", path}).out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), dump.traces.size() + 1);
        for (int t = 0; t < dump.traces.size(); ++t) {
            const TestSupport::SegyioTrace &r = dump.traces.at(t);
            QCOMPARE(rows.at(t + 1).section(',', 0, 5), QStringLiteral("%1,%2,%3,%4,%5,%6").arg(r.ffid).arg(r.channel)
                             .arg(r.offset).arg(r.gElev).arg(r.sElev).arg(r.sDepth));
        }
    }

    void layoutVariants_data() { TestSupport::addLayoutVariantRows(); }

    // Every variant is read as it is: each whole trace's FFID and channel, a warning where the file
    // disagrees with itself, and FILE.index only beside a file that the viewer reads as well.
    void layoutVariants()
    {
        QFETCH(TestSupport::LayoutVariant, variant);
        QTemporaryDir scratch;
        const QString path = TestSupport::writeVariant(scratch.path(), variant);
        const Run run = segyhdr({"dump", path});
        QCOMPARE(run.exitCode, 0);
        const QStringList rows = run.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), variant.traces + 1);
        for (int t = 0; t < variant.traces; ++t)
            QCOMPARE(rows.at(t + 1).section(',', 0, 1), QStringLiteral("%1,%2").arg(t / 5 + 1).arg(t % 5 + 1));
        const bool disagrees = variant.cut >= 0 || !variant.line.binaryValues.isEmpty() || variant.line.layout.noFileHeader;
        QCOMPARE(run.err.startsWith("segyhdr: warning: " + path + ": "), disagrees);
        QCOMPARE(QFile::exists(path + ".index"), !variant.viewerRefusal);
    }

    void indexBesideTheFile_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("a link to another file") << "link";
        QTest::newRow("the index of another FFID place") << "ffid at 189";
        QTest::newRow("a folder") << "folder";
    }

    // What lies at FILE.index and is not segyhdr's own index is left as it is; segyhdr reads the
    // line right all the same.
    void indexBesideTheFile()
    {
        QFETCH(QString, what);
        QTemporaryDir scratch;
        SegyLine line = cleanLine();
        line.overrides = {{0, -1, 189, 4, 7}};
        const QString path = fileOf(scratch.path(), line);
        const QString index = path + ".index";
        const QString victim = QDir(scratch.path()).filePath("victim.txt");
        QFile file(what == "link" ? victim : index);
        if (what == "folder") {
            QVERIFY(QDir().mkdir(index));
        } else {
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(6 * 8 * 16, 'x')) == 6 * 8 * 16);
            file.close();
        }
        if (what == "link")
            QVERIFY(QFile::link(victim, index));
        if (what == "ffid at 189") {
            int pairs[16][2];
            int *table[16];
            for (int k = 0; k < 16; ++k)
                table[k] = pairs[k], pairs[k][0] = k == 0 ? 189 : 13, pairs[k][1] = 4;
            QCOMPARE(writeTraceIndex(path, 640, 48, table, ProgressSink{}), TraceIndexResult::Written);
        }
        const QByteArray before = contents(what == "link" ? victim : index);
        const Run run = segyhdr({"qc", path});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.endsWith(path + ": 6 shots, 48 traces (most shots 8); 0 shots flagged: 0 varies, 0 repeated_ffid, "
                                  "0 trace_count, 0 channel_gap, 0 channel_repeat, 0 offset_mismatch, 0 no_coordinates\n"),
                 qPrintable(run.out + run.err));
        QCOMPARE(contents(what == "link" ? victim : index), before);
        QCOMPARE(QFileInfo(index).isDir(), what == "folder");
    }

    void fieldsElsewhere_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("firstRow");
        const QString layoutFile = dir.filePath("ieee.layout");
        QFile file(layoutFile);
        QVERIFY(file.open(QIODevice::WriteOnly)
                && file.write("# FFID in the source line's place\nffid = 189:int32\nsource_x=73:ieee  # as floats\n") > 0);
        QTest::newRow("rev 1 places") << QStringList() << "1,1,0,100,100,0,11255153.00,6500000.00,";
        QTest::newRow("--field ffid=189:int32") << QStringList{"--field", "ffid=189:int32"} << "7,1,0,100,100,0,11255153.00,6500000.00,";
        QTest::newRow("--layout with an IEEE coordinate") << QStringList{"--layout", layoutFile} << "7,1,0,100,100,0,1.50,6500000.00,";
    }

    // Bytes 189-192 hold 7 and bytes 73-76 the IEEE float 150 (1.50 under the scalar of -100).
    void fieldsElsewhere()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, firstRow);
        SegyLine line = cleanLine();
        line.originX = 0;
        line.overrides = {{0, -1, 189, 4, 7}, {0, -1, 73, 4, 0x43160000}};
        QTemporaryDir scratch;
        const Run run = segyhdr(QStringList{"dump", fileOf(scratch.path(), line)} + options);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.section('\n', 1, 1).startsWith(firstRow), qPrintable(run.out.section('\n', 1, 1)));
    }

    // A survey in a folder: every SEG-Y file below it (by its header, not its name) in one run, each
    // row naming its file, a survey summary, and the same summary merged from per-file results.
    void survey()
    {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkpath("deeper"));
        SegyLine line = cleanLine();
        QVERIFY(line.write(folder.filePath("a.sgy"), nullptr));
        line.ffidStart = 6;                     // FFID 6 is a.sgy's last shot too
        line.overrides = {{0, 3, 45, 4, 99}};   // its first shot's s_elev varies
        QVERIFY(line.write(folder.filePath("deeper/b.data"), nullptr));
        QFile notes(folder.filePath("notes.txt"));
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write(QByteArray(5000, 'x')) == 5000);
        notes.close();

        const Run run = segyhdr({"qc", folder.path()});
        QCOMPARE(run.exitCode, 1);
        const QString a = folder.filePath("a.sgy");
        const QString b = folder.filePath("deeper/b.data");
        QCOMPARE(run.out.split('\n', Qt::SkipEmptyParts).mid(0, 3).join('\n').count(b + ": "), 2);
        QVERIFY2(run.out.endsWith("survey: 2 files, 12 shots, 96 traces; 1 shot flagged: 1 varies, 0 repeated_ffid, 0 trace_count, "
                                  "0 channel_gap, 0 channel_repeat, 0 offset_mismatch, 0 no_coordinates\n"
                                  "survey: 1 FFID in more than one file: 6 (" + a + ", " + b + ")\n"), qPrintable(run.out));

        // Split by hand, as a scheduler would, then merged: the same summary.
        const QString aJson = folder.filePath("a.json");
        const QString bJson = folder.filePath("b.json");
        QCOMPARE(segyhdr({"qc", "--json", a, "-o", aJson}).exitCode, 0);
        QCOMPARE(segyhdr({"-o", bJson, "--json", "qc", b}).exitCode, 1);
        const Run merged = segyhdr({"summary", aJson, bJson});
        QCOMPARE(merged.exitCode, 1);
        QCOMPARE(merged.out, run.out.section('\n', -3));
        const QJsonObject whole = QJsonDocument::fromJson(segyhdr({"qc", "--json", a, b}).out.toUtf8()).object();
        QCOMPARE(QJsonDocument::fromJson(segyhdr({"summary", "--json", aJson, bJson}).out.toUtf8()).object(),
                 whole.value("survey").toObject());

        // A file that cannot be read stops nothing: the others are checked, and the status says so.
        const Run withBad = segyhdr({"qc", "--csv", a, notes.fileName(), b});
        QCOMPARE(withBad.exitCode, 2);
        QVERIFY(withBad.err.contains(notes.fileName() + " cannot be read as SEG-Y"));
        QCOMPARE(withBad.out.section('\n', 0, 0), QStringLiteral("file,shot,ffid,first_trace,last_trace,reason,field,min,max"));
        QVERIFY(withBad.out.section('\n', 1, 1).startsWith(b + ",1,6,1,8,varies,s_elev,"));
    }

    // A file coming in from storage: a reader reads ahead beside the pass, which keeps well behind
    // it, and the table is the one the file gives from memory.
    void rangeFromStorage()
    {
        SegyLine line = cleanLine();
        line.layout.samples = 50; // 440-byte traces, read whole
        line.traces = 60000;      // 26 MB, more than the pass keeps behind the reader
        const QString path = fileOf(dir.filePath("."), line);
        const Run fromMemory = segyhdr({"range", path});
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
        QVERIFY(fd >= 0);
        QCOMPARE(::fdatasync(fd) | ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED), 0);
        ::close(fd);
        const Run fromStorage = segyhdr({"range", path});
        QCOMPARE(fromStorage.exitCode, 0);
        QCOMPARE(fromStorage.out, fromMemory.out);
    }

    // On a terminal one bar follows the whole run, up to 100 %.
    void progressBar()
    {
        const QString line = fileOf(dir.filePath("."), cleanLine());
        QProcess terminal; // script gives segyhdr a terminal, and keeps what it shows in a file of its own
        terminal.start("script", {"-qec", QStringLiteral(ZN_STAGE_DIR "/bin/segyhdr qc %1 %1").arg(line), dir.filePath("typescript")});
        QVERIFY(terminal.waitForFinished(60000) && terminal.exitCode() == 0);
        const QByteArray shown = terminal.readAllStandardOutput();
        QVERIFY2(shown.contains("\rsegyhdr: 2/2 files [" + QByteArray(40, '#') + "] 100%"), shown.constData());
    }

    // A folder's files come in name order, whatever order the file system keeps them in.
    void folderInNameOrder()
    {
        QTemporaryDir folder;
        SegyLine line = cleanLine();
        line.traces = 8;
        const QStringList names{"e.sgy", "b.sgy", "d.sgy", "a.sgy", "c.sgy"};
        for (const QString &name : names)
            QVERIFY(line.write(folder.filePath(name), nullptr));
        QStringList order;
        for (const QString &row : segyhdr({"qc", folder.path()}).out.split('\n', Qt::SkipEmptyParts).mid(0, names.size()))
            order << QFileInfo(row.section(':', 0, 0)).fileName();
        QCOMPARE(order, (QStringList{"a.sgy", "b.sgy", "c.sgy", "d.sgy", "e.sgy"}));
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("start");
        const QString line = fileOf(dir.filePath("."), cleanLine());
        QTest::newRow("options before the verb") << QStringList{"--csv", "-o", "OUT", "qc", line} << "shot,ffid";
        QTest::newRow("dump to a file") << QStringList{"dump", line, "-o", "OUT", "--tsv"} << "ffid\tchannel";
        QTest::newRow("map with -o first") << QStringList{"-o", "OUT.svg", "map", line} << "<?xml";
        QTest::newRow("one --byte, one column") << QStringList{"dump", "--byte=9:4", line, "-o", "OUT"}
                << "ffid,channel,offset,g_elev,s_elev,s_depth,source_x,source_y,group_x,group_y,s_line,s_stat,g_line,g_stat,byte9-12\n1,";
        QTest::newRow("two --byte, two columns") << QStringList{"dump", "--byte", "9:4", "--byte=13:2", line, "-o", "OUT"}
                << "ffid,channel,offset,g_elev,s_elev,s_depth,source_x,source_y,group_x,group_y,s_line,s_stat,g_line,g_stat,byte9-12,"
                   "byte13-14\n1,";
        // A file header and no trace: every field is there, with nothing to show for it.
        const QString headerOnly = dir.filePath("header-only.sgy");
        QFile file(headerOnly);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(contents(line).left(3600)) == 3600);
        QTest::newRow("range of no trace") << QStringList{"range", "--json", headerOnly, "-o", "OUT"}
                << "{\n    \"fields\": [\n        {\n            \"distinct\": 0,\n            \"field\": \"ffid\",\n"
                   "            \"first\": null,\n            \"last\": null,\n            \"max\": null,\n            \"min\": null,";
        QTest::newRow("range of no trace, as text") << QStringList{"range", headerOnly, "-o", "OUT"}
                << headerOnly + ": 0 traces\nfield                     byte type                min              max            first"
                   "             last  distinct\nffid                         9 int32                                            "
                   "                                  0\n";
    }

    // Options in any order, and -o writes what standard output would get.
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, start);
        QTemporaryDir scratch;
        const QString out = scratch.filePath(args.filter("OUT").first());
        args.replaceInStrings(QRegularExpression("^OUT.*"), out);
        const Run run = segyhdr(args);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QString());
        QVERIFY2(contents(out).startsWith(start.toUtf8()), contents(out).left(200).constData());
        if (!out.endsWith(".svg")) {
            args.removeAt(args.indexOf(out) - 1);
            args.removeAll(out);
            QCOMPARE(segyhdr(args).out.toUtf8(), contents(out));
        }
        QCOMPARE(segyhdr({"--version"}).out, QStringLiteral("segyhdr 1.0.0\n"));
    }

    void info_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("viking: EBCDIC, trace headers at odds") << "viking_small.segy" << QStringList{
                "textual header (EBCDIC):", "  samples_original           1500", "  byte_order_found_by        format code",
                "  traces                     480", "warning: the trace headers give 1500 samples (bytes 115-116), but the "
                "binary header and the file size agree on 600; read with 600"};
        QTest::newRow("f3-lsb: little-endian") << "f3-lsb.sgy" << QStringList{"binary header (little-endian):",
                "  byte_order                 little-endian", "  format_name                2-byte integer",
                "warning: the viewer does not read this file: its headers are little-endian; segyhdr does"};
        QTest::newRow("multi-text: 4 extended textual headers") << "multi-text.sgy" << QStringList{
                "  extended_textual_headers   4", "  first_trace_offset         16400", "  viewer_reads_it            no"};
        QTest::newRow("00001034: ASCII text, little-endian") << "00001034.sgy_first_trace" << QStringList{
                "textual header (ASCII):", "binary header (little-endian):", "  format_name                4-byte IBM float"};
        QTest::newRow("broken: cut short") << "broken.sgy" << QStringList{"  bytes_left_over            68",
                "warning: the file ends 68 bytes into trace 4, which is left out: it holds 3 whole traces"};
    }

    void info()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, lines);
        const Run run = segyhdr({"info", TestSupport::dataFile(file)});
        QCOMPARE(run.exitCode, 0);
        const QStringList shown = run.out.split('\n');
        QCOMPARE(shown.at(2).size(), 82); // each of the 40 cards 80 characters, indented
        for (const QString &line : lines)
            QVERIFY2(shown.contains(line), qPrintable(line));
        const QJsonObject json = QJsonDocument::fromJson(segyhdr({"info", "--json", TestSupport::dataFile(file)}).out.toUtf8()).object();
        QCOMPARE(json.value("textual_header").toObject().value("cards").toArray().size(), 40);
        QCOMPARE(json.value("warnings").toArray().size(), run.out.count("\nwarning: "));
    }

    // The man page and the completion are installed with the program, the completion offering
    // the options of the verb on the line.
    void installedAlongside()
    {
        QVERIFY(contents(ZN_STAGE_DIR "/share/man/man1/segyhdr.1").startsWith(".TH SEGYHDR 1"));
        QProcess bash;
        bash.start("bash", {"-c", "source " ZN_STAGE_DIR "/share/bash-completion/completions/segyhdr; COMP_WORDS=(segyhdr dump --t); "
                                  "COMP_CWORD=2; _segyhdr; echo ${COMPREPLY[@]}"});
        QVERIFY(bash.waitForFinished(30000));
        QCOMPARE(bash.readAllStandardOutput(), QByteArray("--tsv\n"));
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const QString missing = dir.filePath("missing.sgy");
        const QString stub = dir.filePath("stub.sgy");
        QFile file(stub);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(3599, ' ')) == 3599);
        const QString empty = dir.filePath("empty");
        QVERIFY(QDir().mkpath(empty));
        const QString small = TestSupport::dataFile("small.sgy");
        QTest::newRow("missing file") << QStringList{"qc", missing} << missing + ": no such file or folder";
        QTest::newRow("a folder without SEG-Y") << QStringList{"qc", empty} << empty + ": a folder without a SEG-Y file in it";
        QTest::newRow("shorter than the file header") << QStringList{"dump", stub} << "Error: " + stub + " cannot be read as SEG-Y: "
                   "the file is 3599 bytes long, too short for the 3600-byte SEG-Y file header, and it is not a run of whole traces either";
        QTest::newRow("no verb") << QStringList{"--csv"} << "no verb given: segyhdr info|range|qc|dump|map|plot|summary FILE...; see segyhdr --help";
        QTest::newRow("a verb misspelt") << QStringList{"dupm", small} << "dupm: no such verb; the verbs are info, range, qc, dump, map, plot and summary";
        QTest::newRow("no file") << QStringList{"--json", "qc"} << "qc: no file given";
        QTest::newRow("no such option") << QStringList{"qc", small, "--bogus"} << "--bogus: no such option; see segyhdr --help";
        QTest::newRow("an option of another verb") << QStringList{"qc", "--tsv", small} << "--tsv: does not apply to qc";
        QTest::newRow("an option without its value") << QStringList{"dump", small, "--byte"} << "--byte: needs a value";
        QTest::newRow("a flag with a value") << QStringList{"qc", small, "--json=yes"} << "--json=yes: takes no value";
        QTest::newRow("two formats") << QStringList{"qc", small, "--json", "--csv"} << "--json, --csv and --tsv exclude each other";
        QTest::newRow("a 3-byte custom field") << QStringList{"dump", small, "--byte", "9:3"} << "--byte 9:3: a custom field is POS:LEN with LEN 2 or 4";
        QTest::newRow("a custom field past the header") << QStringList{"dump", stub, "--byte", "239:4"}
                << "--byte 239:4: 4 bytes at byte 239 do not fit the 240-byte trace header";
        QTest::newRow("a field past the header") << QStringList{"qc", stub, "--field", "ffid=238:int32"}
                << "--field ffid=238:int32: 4 bytes at byte 238 do not fit the 240-byte trace header";
        QTest::newRow("a field of no type") << QStringList{"qc", stub, "--field", "ffid=9:float"}
                << "--field ffid=9:float: a field is NAME=POS:TYPE, TYPE one of int16, int32, uint16, uint32, ibm, ieee";
        QTest::newRow("a field not in the layout") << QStringList{"qc", stub, "--field", "fldr=9:int32"}
                << "--field fldr=9:int32: the layout has no field fldr";
        QTest::newRow("a missing layout file") << QStringList{"qc", stub, "--layout", missing}
                << "--layout " + missing + ": No such file or directory";
        QTest::newRow("a project that is no folder") << QStringList{"qc", stub, "--project", missing}
                << "--project " + missing + ": not a folder";
        QTest::newRow("map of another kind") << QStringList{"map", small, "-o", "map.jpg"}
                << "map: needs -o OUT.svg or -o OUT.png, not map.jpg";
        QTest::newRow("output over an input") << QStringList{"dump", "-o", small, small}
                << "-o " + small + ": that is an input file, which segyhdr never writes";
        const QString unplaced = dir.filePath("unplaced.sgy");
        QVERIFY(QFile::copy(small, unplaced));
        QTest::newRow("a map without coordinates") << QStringList{"map", unplaced, "-o", dir.filePath("none.svg")}
                << unplaced + " has no coordinates: every source and receiver position is (0, 0); no map is drawn";
        QTest::newRow("output into a folder") << QStringList{"dump", small, "-o", empty} << "-o " + empty + ": is a folder";
        QTest::newRow("plot of no shot") << QStringList{"plot", small, "-o", "p.png"} << "plot: needs one of --shot N and --ffid N";
        QTest::newRow("plot clipped past 100") << QStringList{"plot", small, "--shot", "1", "--clip", "150", "-o", "p.png"}
                << "--clip 150: a number from 1 to 100";
        QTest::newRow("plot of a shot past the end") << QStringList{"plot", unplaced, "--shot", "2", "-o", dir.filePath("p.png")}
                << "--shot 2: the file " + unplaced + " has shots 1-1";
        QTest::newRow("plot of no such FFID") << QStringList{"plot", unplaced, "--ffid", "77", "-o", "p.png"}
                << "no shot has FFID 77 in the file: " + unplaced;
        SegyWriter::Layout deepLayout;
        deepLayout.samples = 134217729;
        deepLayout.formatCode = 8;
        deepLayout.sparse = true;
        const QString deep = TestSupport::writeSegy(dir.path(), "deep.sgy", TestSupport::ffidTraces({1, 1}), deepLayout);
        QTest::newRow("plot of more samples than fit") << QStringList{"plot", deep, "--shot", "1", "-o", "p.png"} << "Error: cannot show the "
                "traces of FFID 1 of " + deep + ": 2 traces of 134217729 samples are more than can be shown at once";
        QTest::newRow("plot of shot 0") << QStringList{"plot", small, "--shot", "0", "-o", "p.png"} << "--shot 0: a shot is counted from 1";
        QTest::newRow("plot with no moveout speed") << QStringList{"plot", small, "--shot", "1", "--lmo", "0", "-o", "p.png"}
                << "--lmo 0: a number from 1 to 1e+06";
        QTest::newRow("plot with a gain window of no number") << QStringList{"plot", small, "--shot", "1", "--agc", "x", "-o", "p.png"}
                << "--agc x: a number from 0 to 100000";
        QTest::newRow("dump of shots backwards") << QStringList{"dump", small, "--shots", "3-1"} << "--shots 3-1: shots are A-B or A, counted from 1";
        QTest::newRow("dump of shots past the end") << QStringList{"dump", unplaced, "--shots", "2-9"}
                << "--shots 2-9: the file " + unplaced + " has shots 1-1";
        QTest::newRow("dump of shots and an FFID") << QStringList{"dump", small, "--shots", "1", "--ffid", "2"}
                << "--shots and --ffid exclude each other";
        QTest::newRow("dump of no such FFID") << QStringList{"dump", unplaced, "--ffid", "99"} << "no shot has FFID 99 in the file: " + unplaced;
        QTest::newRow("dump of an FFID of no number") << QStringList{"dump", small, "--ffid", "x"} << "--ffid x: not a 32-bit integer";
        QTest::newRow("three custom fields") << QStringList{"dump", small, "--byte", "9:4", "--byte", "13:4", "--byte", "17:4"}
                << "--byte 17:4: --byte is given twice at most";
        QTest::newRow("dump into a missing folder") << QStringList{"dump", small, "-o", dir.filePath("none/x.csv")}
                << "-o " + dir.filePath("none/x.csv") + ": No such file or directory";
        for (const QString &link : {dir.filePath("link.csv"), dir.filePath("link.svg")}) {
            QVERIFY(QFile::link(dir.filePath("victim"), link));
            QTest::newRow(qPrintable("output through a link: " + link.right(3))) << QStringList{link.endsWith("csv") ? "dump" : "map", small, "-o", link}
                    << "-o " + link + ": is a symbolic link, which segyhdr never writes through";
        }
        QTest::newRow("a negative offset tolerance") << QStringList{"qc", small, "--offset-tolerance", "-1"}
                << "--offset-tolerance -1: not a distance of 0 or more";
        QTest::newRow("a map of two lines") << QStringList{"map", small, small, "-o", "m.svg"} << small + ": map draws one line at a time";
        QTest::newRow("a map without -o") << QStringList{"map", small} << "map: needs -o OUT.svg or -o OUT.png";
        const QString svgLine = dir.filePath("line.svg");
        QVERIFY(QFile::copy(small, svgLine));
        QTest::newRow("a map over its input") << QStringList{"map", svgLine, "-o", svgLine}
                << "-o " + svgLine + ": that is an input file, which segyhdr never writes";
        QTest::newRow("a map of what is not SEG-Y") << QStringList{"map", stub, "-o", "m.svg"} << "Error: " + stub + " cannot be read as "
                "SEG-Y: the file is 3599 bytes long, too short for the 3600-byte SEG-Y file header, and it is not a run of whole traces either";
        const QString layout = dir.filePath("bad.layout");
        QFile layoutFile(layout);
        QVERIFY(layoutFile.open(QIODevice::WriteOnly) && layoutFile.write("ffid=9:int32\nbogus\n") > 0);
        layoutFile.close();
        QTest::newRow("a layout line that is no field") << QStringList{"qc", small, "--layout", layout}
                << "--layout " + layout + ", line 2: bogus: a field is NAME=POS:TYPE, TYPE one of int16, int32, uint16, uint32, ibm, ieee";
        QTest::newRow("a layout that is a folder") << QStringList{"qc", small, "--layout", empty} << "--layout " + empty + ": is a folder";
        QTest::newRow("-- and a name like an option") << QStringList{"qc", "--", "-x"} << "-x: no such file or folder";
        QTest::newRow("summary of what is no report") << QStringList{"summary", layout}
                << layout + ": not a report of segyhdr qc --json (illegal value)";
        QTest::newRow("summary of a missing file") << QStringList{"summary", missing} << missing + ": No such file or directory";
        QTest::newRow("summary over its input") << QStringList{"summary", layout, "-o", layout}
                << "-o " + layout + ": that is an input file, which segyhdr never writes";
    }

    void paths_data()
    {
        // The run, its exit code, the lines on standard output (-1: any number), a piece of standard output
        // and one of standard error ("": nothing on it).
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const QString line = fileOf(dir.filePath("."), cleanLine());
        const QString two = dir.filePath("two.sgy");
        const QString comma = dir.filePath("a,b.sgy");
        const QString stub = dir.filePath("stub.sgy");
        const QString broken = TestSupport::dataFile("broken.sgy");
        SegyLine other = cleanLine();
        other.overrides = {{0, -1, 69, 2, -10}, {20, 20, 45, 4, 97}}; // elevations under -10 (bytes 69-70); one varies
        QVERIFY(QFile::copy(line, two) && other.write(comma, nullptr));
        other.overrides.clear();
        other.traces = 96; // twelve shots in each of two files: twelve FFIDs in both
        other.layout.formatCode = 13;
        QVERIFY(other.write(dir.filePath("f13.sgy"), nullptr) && other.write(dir.filePath("f13b.sgy"), nullptr));
        QFile file(stub);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(3599, ' ')) == 3599);
        file.close();
        const QString results = dir.filePath("results.json");
        QCOMPARE(segyhdr({"qc", "--json", "-o", results, line, stub}).exitCode, 2);

        QTest::newRow("range as text") << QStringList{"range", line} << 0 << 2 + HeaderLayout::rev1().fields().size()
                << "\nchannel                     13 int32                 1                8                1                8         8\n" << "";
        // Scalars apply by role: elevations by bytes 69-70, coordinates by bytes 71-72 (-100).
        QTest::newRow("range as CSV, scalars by role") << QStringList{"range", "--csv", comma} << 0 << 1 + HeaderLayout::rev1().fields().size()
                << "\ns_elev,45,int32,9.7,10,10,10,2\ns_depth,49,int32,0,0,0,0,1\nsource_x,73,int32,500000,500125,500000,500125,6\n" << "";
        QTest::newRow("range of two files as CSV") << QStringList{"range", "--csv", line, two} << 0 << -1
                << "file,field,position,type,min,max,first,last,distinct\n" + line + ",ffid,9,int32,1,6,1,6,6\n" << "";
        QTest::newRow("range of two files as JSON") << QStringList{"range", "--json", line, two} << 0 << -1 << "\"files\": [" << "";
        QTest::newRow("range of a file cut short") << QStringList{"range", broken} << 0 << -1 << "broken.sgy: 3 traces\n"
                << "warning: " + broken + ": the file ends 68 bytes into trace 4";
        QTest::newRow("range of what is not SEG-Y") << QStringList{"range", stub} << 2 << 0 << "" << stub + " cannot be read as SEG-Y";
        QTest::newRow("info of what is not SEG-Y") << QStringList{"info", stub} << 2 << 2
                << "\ncannot be read as SEG-Y: the file is 3599 bytes long" << "";
        QTest::newRow("info as JSON of what is not SEG-Y") << QStringList{"info", "--json", stub} << 2 << -1
                << "\"error\": \"the file is 3599 bytes long" << "";
        QTest::newRow("info of format 13") << QStringList{"info", dir.filePath("f13.sgy")} << 0 << -1
                << "\n  format_name                not a SEG-Y format\n" << "";
        QTest::newRow("dump of shots 2-3") << QStringList{"dump", line, "--shots", "2-3"} << 0 << 17 << "\n2,1," << "";
        QTest::newRow("dump of FFID 3 in two files") << QStringList{"dump", "--ffid", "3", line, two, "--tsv"} << 0 << 17
                << "file\tffid\t" << "";
        QTest::newRow("qc of a file named with a comma") << QStringList{"qc", "--csv", line, comma} << 1 << 2
                << "\"" + comma + "\",3,3,17,24,varies,s_elev," << "";
        QTest::newRow("qc of files with 12 FFIDs in common") << QStringList{"qc", dir.filePath("f13.sgy"), dir.filePath("f13b.sgy")}
                << 0 << -1 << "; ... (12 in all)\n" << "the sample format code 13 (bytes 3225-3226) is not one that SEG-Y defines";
        QTest::newRow("qc of several files, no scratch folder") << QStringList{"TMPDIR=" + stub, "qc", line, two} << 2 << 2 << ""
                << "segyhdr: cannot create a scratch file in " + stub + ": Not a directory\nsegyhdr: cannot create";
        QTest::newRow("summary with a file unread") << QStringList{"summary", results} << 2 << 2 << "survey: 2 files (1 unread), 6 shots" << "";
        QTest::newRow("map into a missing folder") << QStringList{"map", line, "-o", dir.filePath("none/map.svg")} << 2 << 0 << ""
                << "segyhdr: Error: fail to create the file: " + dir.filePath("none/map.svg");
        QTest::newRow("plot into a missing folder") << QStringList{"plot", line, "--ffid", "2", "-o", dir.filePath("none/p.png")}
                << 2 << 0 << "" << "segyhdr: Error: fail to create the file: " + dir.filePath("none/p.png");
        const QString longName = dir.filePath(QString(241, 'l') + ".sgy"); // no temporary name fits beside its index
        QVERIFY(QFile::copy(line, longName));
        QTest::newRow("qc of a line with no room for its index") << QStringList{"qc", longName} << 0 << 1 << ": 6 shots, 48 traces" << "";
        // A socket is there but opens for no one, root included.
        const QString socket = dir.filePath("socket.sgy");
        QCOMPARE(QProcess::execute(ZN_SEGYIO_PYTHON, {"-c", "import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])", socket}), 0);
        for (const char *verb : {"info", "range", "dump"})
            QTest::addRow("%s of a file that cannot be opened", verb) << QStringList{verb, socket} << 2 << 0 << ""
                    << "segyhdr: Error: fail to open the file: " + socket + " (No such device or address)\n";
        QTest::newRow("help") << QStringList{"dump", "-h"} << 0 << -1 << "Usage: segyhdr VERB [OPTIONS] FILE|FOLDER...\n" << "";
    }

    // Every verb in every output mode, and each way a run fails after its command line was taken.
    void paths()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(int, lines);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const Run run = segyhdr(args);
        QVERIFY2(run.exitCode == exitCode && run.out.contains(out), qPrintable(run.out.left(2000) + run.err));
        QVERIFY2(err.isEmpty() ? run.err.isEmpty() : run.err.contains(err), qPrintable(run.err));
        QVERIFY2(lines < 0 || run.out.count('\n') == lines, qPrintable(run.out.left(2000)));
    }

    void badInput()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Run run = segyhdr(args);
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.err, "segyhdr: " + message + '\n');
        QCOMPARE(run.out, QString());
        QVERIFY(!QFileInfo::exists(dir.filePath("victim")));
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
