// segyhdr: the trace headers of a whole SEG-Y line at once, on the same cores as the viewer:
// shot QC, a header export with the viewer's columns and texts, and a map of the geometry.

#include "LineMap.h"
#include "Picture.h"
#include "SegyhdrLine.h"

#include <GatherPlot.h>
#include <HeaderLayout.h>
#include <ProgressSink.h>
#include <ShotQc.h>
#include <ShotTable.h>
#include <TraceRecord.h>
#include <ZnTraceHeaderDefineNode.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>

#include <unistd.h>

namespace {

constexpr int kExitClean = 0;
constexpr int kExitFindings = 1;
constexpr int kExitError = 2;
constexpr int kProgressBarWidth = 40;
constexpr int kMaxCustomFields = 2;

const char kUsage[] = R"(
Verbs:
  qc FILE     one line per flagged shot: a shot-constant header (ffid, s_elev, s_depth,
              source_x, source_y, s_line, s_stat) that varies, an FFID that comes back after
              another shot, a trace count unlike the line's most common one, channel numbers
              that repeat or leave gaps (channels of 0 or below count as auxiliary traces and
              are left out); then a summary. Exit status 0 clean, 1 findings, 2 error.
  dump FILE   the viewer's 16 columns, one row per trace, as CSV (or --tsv).
  map FILE -o OUT.svg|OUT.png
              the line from above: receivers grey, shots at their source, flagged shots red.
  plot FILE --shot N | --ffid N -o OUT.png|OUT.svg [--agc MS] [--clip P] [--lmo VELOCITY] [--wiggle]
              one shot's traces side by side, as the viewer's gather window draws them:
              variable density in grey (or wiggles), the time in ms down, the channels across,
              traces with an odd offset or coordinate in a red column marked.
The SEG-Y file is read as it really is: big- or little-endian, with extended textual headers,
rev 2 additional trace headers, or no file header at all; a file that cannot be read so is
refused with the reason. Header places are those of SEG-Y rev 1 unless --project, --layout or
--field say otherwise. The trace index FILE.index is used when it holds the same fields and is
up to date, and written when missing; otherwise segyhdr keeps its own index in its cache folder
and leaves FILE.index alone. The SEG-Y file itself is only read.)";

// The offscreen platform's note about a missing runtime folder is no concern of a map file.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg || message.startsWith(QLatin1String("QStandardPaths:")))
        return;
    std::fprintf(stderr, "segyhdr: %s\n", qPrintable(message));
}

int fail(const QString &message)
{
    std::fprintf(stderr, "segyhdr: %s\n", qPrintable(message));
    return kExitError;
}

// A bar on the terminal; nothing when stderr goes to a file or a pipe.
std::function<void(int)> terminalProgress(const QString &path)
{
    if (!::isatty(STDERR_FILENO))
        return {};
    auto shown = std::make_shared<int>(-1);
    return [path, shown](int percent) {
        if (percent == *shown)
            return;
        *shown = percent;
        const int filled = percent * kProgressBarWidth / kProgressMaximum;
        std::fprintf(stderr, "\rsegyhdr: building the trace index of %s [%s%s] %3d%%", qPrintable(path),
                     QByteArray(filled, '#').constData(), QByteArray(kProgressBarWidth - filled, ' ').constData(), percent);
        if (percent >= kProgressMaximum)
            std::fprintf(stderr, "\n");
        std::fflush(stderr);
    };
}

// "POS:LEN" as the browse dialog allows it: a 2- to 4-byte field inside the trace header.
bool parseByteField(const QString &text, int *position, int *length)
{
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("^(\\d+):(\\d+)$")).match(text);
    if (!match.hasMatch())
        return false;
    *position = match.captured(1).toInt();
    *length = match.captured(2).toInt();
    return *length >= 2 && *length <= 4 && *position >= 1 && *position + *length - 1 <= kTraceHeaderBytes;
}

// "NAME=POS:TYPE": a field of the layout moved to another place or type.
bool applyField(HeaderLayout &layout, const QString &text, QString *error)
{
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("^\\s*([A-Za-z_0-9]+)\\s*=\\s*(\\d+)\\s*:\\s*([a-z0-9]+)\\s*$")).match(text);
    FieldType type = FieldType::Int32;
    if (!match.hasMatch() || !fieldTypeFromName(match.captured(3), &type)) {
        *error = QStringLiteral("%1: a field is NAME=POS:TYPE, TYPE one of int16, int32, uint16, uint32, ibm, ieee").arg(text.trimmed());
        return false;
    }
    const int position = match.captured(2).toInt();
    if (!fieldFits(position, fieldWidth(type))) {
        *error = QStringLiteral("%1: %2 bytes at byte %3 do not fit the 240-byte trace header")
                .arg(text.trimmed(), QString::number(fieldWidth(type)), QString::number(position));
        return false;
    }
    if (!layout.setField(match.captured(1), position, type)) {
        *error = QStringLiteral("%1: the layout has no field %2").arg(text.trimmed(), match.captured(1));
        return false;
    }
    return true;
}

// A layout file: one NAME=POS:TYPE a line; blank lines and lines from '#' on are ignored.
bool applyLayoutFile(HeaderLayout &layout, const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("--layout %1: %2").arg(path, file.errorString());
        return false;
    }
    int number = 0;
    while (!file.atEnd()) {
        ++number;
        QString line = QString::fromUtf8(file.readLine());
        line = line.left(line.indexOf(QLatin1Char('#'))).trimmed();
        if (line.isEmpty())
            continue;
        QString reason;
        if (!applyField(layout, line, &reason)) {
            *error = QStringLiteral("--layout %1, line %2: %3").arg(path, QString::number(number), reason);
            return false;
        }
    }
    return true;
}

// The trace header definition of a host project, as the plug-in reads it there.
bool projectLayout(const QString &projectDir, HeaderLayout *layout, QString *error)
{
    if (!QFileInfo(projectDir).isDir()) {
        *error = QStringLiteral("--project %1: not a folder").arg(projectDir);
        return false;
    }
    ZnTraceHeaderDefine def = ZnTraceHeaderDefineNode::defineOfProject(projectDir);
    int pairs[kRecordFields + 1][2];
    int *table[kRecordFields + 1];
    for (int k = 0; k < kRecordFields; ++k) {
        pairs[k][0] = def.fieldPositions[k];
        pairs[k][1] = def.fieldBytes[k];
        table[k] = pairs[k];
    }
    pairs[kRecordFields][0] = def.extraByte;
    pairs[kRecordFields][1] = 2;
    table[kRecordFields] = pairs[kRecordFields];
    *layout = HeaderLayout::fromDefinition(table);
    return true;
}

QString shotLine(const QcFinding &first, int shotCount)
{
    return QStringLiteral("FFID %1  shot %2/%3  traces %4-%5:").arg(first.entry.ffid).arg(first.position + 1)
            .arg(shotCount).arg(first.entry.firstTrace + 1).arg(first.entry.lastTrace + 1);
}

QString findingText(const QcFinding &finding)
{
    if (finding.reason == QcReason::Varies)
        return QStringLiteral("%1 varies %2 to %3").arg(QLatin1String(fieldName(finding.column)), finding.min, finding.max);
    return qcReasonName(finding.reason) + QLatin1Char(' ') + finding.detail;
}

QJsonObject findingJson(const QcFinding &finding)
{
    const bool varies = finding.reason == QcReason::Varies;
    return QJsonObject{{"shot", finding.position + 1},
                       {"ffid", finding.entry.ffid},
                       {"first_trace", finding.entry.firstTrace + 1},
                       {"last_trace", finding.entry.lastTrace + 1},
                       {"reason", qcReasonName(finding.reason)},
                       {"field", varies ? QJsonValue(QLatin1String(fieldName(finding.column))) : QJsonValue()},
                       {"min", varies ? QJsonValue(finding.min) : QJsonValue()},
                       {"max", varies ? QJsonValue(finding.max) : QJsonValue()},
                       {"detail", finding.detail}};
}

int runQc(SegyhdrLine &line, bool csv, bool json)
{
    QTextStream out(stdout);
    const int shotCount = line.shots().size();
    ShotQc qc(line.shots());
    std::array<int, kQcReasonCount> flaggedBy{};
    int flagged = 0;
    QJsonArray findingsJson;
    if (csv)
        out << "shot,ffid,first_trace,last_trace,reason,field,min,max\n";
    const bool read = line.forEachShot(0, shotCount - 1, [&](const ShotHeaders &shot) {
        const QVector<QcFinding> findings = qc.check(shot);
        if (findings.isEmpty())
            return;
        ++flagged;
        std::array<bool, kQcReasonCount> counted{};
        QStringList reasons;
        for (const QcFinding &finding : findings) {
            const int reason = int(finding.reason);
            if (!counted[reason])
                ++flaggedBy[reason];
            counted[reason] = true;
            const bool varies = finding.reason == QcReason::Varies;
            if (csv)
                out << finding.position + 1 << ',' << finding.entry.ffid << ',' << finding.entry.firstTrace + 1 << ','
                    << finding.entry.lastTrace + 1 << ',' << qcReasonName(finding.reason) << ','
                    << (varies ? QLatin1String(fieldName(finding.column)) : QLatin1String()) << ','
                    << finding.min << ',' << finding.max << '\n';
            else if (json)
                findingsJson.append(findingJson(finding));
            else
                reasons.append(findingText(finding));
        }
        if (!csv && !json)
            out << shotLine(findings.first(), shotCount) << ' ' << reasons.join(QStringLiteral("; ")) << '\n';
    });
    if (!read) {
        out.flush();
        return fail(line.error());
    }

    if (json) {
        QJsonObject byReason;
        for (int r = 0; r < kQcReasonCount; ++r)
            byReason.insert(qcReasonName(QcReason(r)), flaggedBy[r]);
        const QJsonObject report{{"file", line.path()},
                                 {"shots", shotCount},
                                 {"traces", line.traceCount()},
                                 {"common_trace_count", qc.commonTraceCount()},
                                 {"flagged_shots", flagged},
                                 {"flagged_shots_by_reason", byReason},
                                 {"findings", findingsJson}};
        out << QJsonDocument(report).toJson(QJsonDocument::Indented);
    } else if (!csv) {
        QStringList counts;
        for (int r = 0; r < kQcReasonCount; ++r)
            counts.append(QStringLiteral("%1 %2").arg(flaggedBy[r]).arg(qcReasonName(QcReason(r))));
        const auto counted = [](qint64 n, const char *noun) {
            return QString::number(n) + QLatin1Char(' ') + QLatin1String(noun) + QLatin1String(n == 1 ? "" : "s");
        };
        // One substitution pass, so that a '%' in the file's path is never taken for a placeholder.
        out << QStringLiteral("%1: %2, %3 (most shots %4); %5 flagged: %6\n")
                       .arg(line.path(), counted(shotCount, "shot"), counted(line.traceCount(), "trace"),
                            QString::number(qc.commonTraceCount()), counted(flagged, "shot"),
                            counts.join(QStringLiteral(", ")));
    }
    return flagged > 0 ? kExitFindings : kExitClean;
}

int runDump(SegyhdrLine &line, const CustomFields &custom, const QVector<QPair<int, int>> &ranges, bool tsv)
{
    QTextStream out(stdout);
    const QChar separator = tsv ? QLatin1Char('\t') : QLatin1Char(',');
    QStringList names;
    for (int c = 0; c < kFieldColumnCount; ++c)
        names.append(QLatin1String(fieldName(c)));
    names.append(QStringLiteral("byte") + byteRangeText(custom.cust1Pos, custom.cust1Len));
    names.append(QStringLiteral("byte") + byteRangeText(custom.cust2Pos, custom.cust2Len));
    out << names.join(separator) << '\n';
    for (const QPair<int, int> &range : ranges) {
        const bool read = line.forEachShot(range.first, range.second, [&](const ShotHeaders &shot) {
            const QVector<int> varying = varyingColumns(shot.records);
            for (int r = 0; r < shot.records.size(); ++r)
                out << rowTexts(shot.records, shot.customValues, r, varying).join(separator) << '\n';
        });
        if (!read) {
            out.flush();
            return fail(line.error());
        }
    }
    return kExitClean;
}

int runMap(SegyhdrLine &line, const QString &output)
{
    const int shotCount = line.shots().size();
    LineMap map(QFileInfo(line.path()).fileName());
    ShotQc qc(line.shots());
    bool read = line.forEachShot(0, shotCount - 1, [&](const ShotHeaders &shot) {
        const fbRec &first = shot.records.constFirst();
        map.addShot(QPointF(first.source_x, first.source_y), shot.entry.ffid, !qc.check(shot).isEmpty());
        for (const fbRec &record : shot.records)
            map.extend(QPointF(record.group_x, record.group_y));
    });
    read = read && line.forEachShot(0, shotCount - 1, [&](const ShotHeaders &shot) {
        for (const fbRec &record : shot.records)
            map.addReceiver(QPointF(record.group_x, record.group_y));
    });
    if (!read)
        return fail(line.error());
    QString error;
    if (!map.write(output, &error))
        return fail(error);
    return kExitClean;
}

// The plot verb's options; the picture is as wide as its traces need, within bounds.
struct PlotOptions
{
    const QCommandLineOption shot{QStringLiteral("shot"), QStringLiteral("plot: shot N of the shot list, from 1."), QStringLiteral("N")};
    const QCommandLineOption agc{QStringLiteral("agc"), QStringLiteral("plot: automatic gain control over a window of MS milliseconds."),
                                 QStringLiteral("MS")};
    const QCommandLineOption clip{QStringLiteral("clip"), QStringLiteral("plot: the percentile of the amplitudes that gets the "
                                  "full colour (default 99)."), QStringLiteral("P")};
    const QCommandLineOption lmo{QStringLiteral("lmo"), QStringLiteral("plot: linear moveout, each trace moved up by "
                                 "|offset| / VELOCITY (metres per second)."), QStringLiteral("VELOCITY")};
    const QCommandLineOption wiggle{QStringLiteral("wiggle"), QStringLiteral("plot: wiggles with the positive lobe filled.")};

    static constexpr int kHeight = 900;
    static constexpr int kPixelsPerTrace = 6;
    static constexpr int kMinWidth = 800;
    static constexpr int kMaxWidth = 3000;

    // The settings the options ask for; false with *error for a value out of range.
    bool settings(const QCommandLineParser &parser, GatherSettings *settings, QString *error) const
    {
        const auto number = [&](const QCommandLineOption &option, double low, double high, double *value) {
            if (!parser.isSet(option))
                return true;
            bool ok = false;
            *value = parser.value(option).toDouble(&ok);
            if (ok && *value >= low && *value <= high)
                return true;
            *error = QStringLiteral("--%1 %2: a number from %3 to %4").arg(option.names().constFirst(), parser.value(option))
                             .arg(low).arg(high);
            return false;
        };
        settings->style = parser.isSet(wiggle) ? GatherStyle::Wiggle : GatherStyle::Grey;
        return number(agc, 0, 100000, &settings->agcMs) && number(clip, 1, 100, &settings->clipPercentile)
                && number(lmo, 1, 1e6, &settings->lmoVelocity);
    }
};

int runPlot(SegyhdrLine &line, const ShotEntry &shot, const GatherSettings &settings, const QString &output)
{
    GatherPlot plot;
    ShotGather gather;
    QString error;
    if (!readShotGather(line.path(), line.geometry(), TraceDecoder(line.layout(), line.geometry().byteOrder), shot,
                        &gather, &error))
        return fail(QStringLiteral("Error: cannot show the traces of FFID %1 of %2: %3").arg(QString::number(shot.ffid), line.path(), error));
    const int traces = gather.traceCount();
    plot.setGather(std::move(gather));
    plot.setSettings(settings);
    const QString title = QFileInfo(line.path()).fileName();
    plot.setTitle(title);
    const int width = qBound(PlotOptions::kMinWidth, traces * PlotOptions::kPixelsPerTrace, PlotOptions::kMaxWidth);
    const QSize size(width, PlotOptions::kHeight);
    if (!writePicture(output, size, title, [&](QPainter &painter) { plot.paint(painter, size); }, &error))
        return fail(error);
    return kExitClean;
}

} // namespace

int main(int argc, char **argv)
{
    // Only the map and the plot paint, and they never shows a window: no display is needed.
    const bool painting = argc > 1 && (qstrcmp(argv[1], "map") == 0 || qstrcmp(argv[1], "plot") == 0);
    std::unique_ptr<QCoreApplication> app;
    if (painting) {
        qInstallMessageHandler(quietMessages);
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("segyhdr"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The trace headers of a SEG-Y line, shot by shot.")
                                     + QLatin1String(kUsage));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("verb"), QStringLiteral("qc, dump, map or plot"));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the SEG-Y file"));
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("qc: CSV rows, one per shot and reason."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("qc: one JSON document."));
    const QCommandLineOption shots(QStringLiteral("shots"), QStringLiteral("dump: shots A to B of the shot list, from 1."), QStringLiteral("A-B"));
    const QCommandLineOption ffid(QStringLiteral("ffid"), QStringLiteral("dump: the shots with this FFID; plot: the first of them."), QStringLiteral("N"));
    const QCommandLineOption tsv(QStringLiteral("tsv"), QStringLiteral("dump: tab-separated instead of CSV."));
    const QCommandLineOption byteField(QStringLiteral("byte"), QStringLiteral("dump: a custom field, 1-based position and 2 to 4 bytes; "
                                       "twice at most (default 71:2 and 237:4)."), QStringLiteral("POS:LEN"));
    const QCommandLineOption field(QStringLiteral("field"), QStringLiteral("a header field at another place or of another type, "
                                   "e.g. ffid=189:int32 or source_x=73:ieee; repeatable."), QStringLiteral("NAME=POS:TYPE"));
    const QCommandLineOption layoutFile(QStringLiteral("layout"), QStringLiteral("a file of NAME=POS:TYPE lines, one field each."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption project(QStringLiteral("project"), QStringLiteral("the header places of the host project in this folder, "
                                     "as the viewer reads them there."), QStringLiteral("DIR"));
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("map, plot: the picture to write, .svg or .png."), QStringLiteral("OUT"));
    parser.addOptions({csv, json, shots, ffid, tsv, byteField, field, layoutFile, project, output});
    const PlotOptions plotOptions;
    parser.addOptions({plotOptions.shot, plotOptions.agc, plotOptions.clip, plotOptions.lmo, plotOptions.wiggle});
    if (!parser.parse(app->arguments()))
        return fail(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(kExitClean);

    const QStringList positional = parser.positionalArguments();
    const QString verb = positional.value(0);
    const bool plotting = verb == QLatin1String("plot");
    if (positional.size() != 2 || (verb != QLatin1String("qc") && verb != QLatin1String("dump") && verb != QLatin1String("map") && !plotting))
        return fail(QStringLiteral("usage: segyhdr qc|dump|map|plot FILE [options]; see segyhdr --help"));
    const QString path = positional.at(1);

    CustomFields custom{71, 2, 237, 4};
    const QStringList fields = parser.values(byteField);
    if (fields.size() > kMaxCustomFields)
        return fail(QStringLiteral("--byte is given twice at most"));
    for (int i = 0; i < fields.size(); ++i) {
        int position = 0;
        int length = 0;
        if (!parseByteField(fields.at(i), &position, &length))
            return fail(QStringLiteral("--byte %1: a 2- to 4-byte field POS:LEN inside the 240-byte trace header").arg(fields.at(i)));
        (i == 0 ? custom.cust1Pos : custom.cust2Pos) = position;
        (i == 0 ? custom.cust1Len : custom.cust2Len) = length;
    }
    const QString mapSuffix = QFileInfo(parser.value(output)).suffix().toLower();
    if (verb == QLatin1String("map") && !parser.isSet(output))
        return fail(QStringLiteral("map needs -o OUT.svg or -o OUT.png"));
    if (verb == QLatin1String("map") && mapSuffix != QLatin1String("svg") && mapSuffix != QLatin1String("png"))
        return fail(QStringLiteral("Error: the map is written as .svg or .png, not: %1").arg(parser.value(output)));
    GatherSettings plotSettings;
    QString plotError;
    if (plotting && (!parser.isSet(output) || (mapSuffix != QLatin1String("svg") && mapSuffix != QLatin1String("png"))))
        return fail(QStringLiteral("plot needs -o OUT.svg or -o OUT.png"));
    if (plotting && parser.isSet(plotOptions.shot) == parser.isSet(ffid))
        return fail(QStringLiteral("plot needs one of --shot N and --ffid N"));
    if (plotting && !plotOptions.settings(parser, &plotSettings, &plotError))
        return fail(plotError);
    if (parser.isSet(csv) && parser.isSet(json))
        return fail(QStringLiteral("--csv and --json exclude each other"));
    if (parser.isSet(shots) && parser.isSet(ffid))
        return fail(QStringLiteral("--shots and --ffid exclude each other"));
    bool ffidOk = true;
    const qint32 wantedFfid = parser.isSet(ffid) ? parser.value(ffid).toInt(&ffidOk) : 0;
    if (!ffidOk)
        return fail(QStringLiteral("--ffid %1: not an integer").arg(parser.value(ffid)));

    SegyhdrLine::Layouts layouts;
    QString layoutError;
    if (parser.isSet(project) && !projectLayout(parser.value(project), &layouts.read, &layoutError))
        return fail(layoutError);
    layouts.host = layouts.read;
    if (parser.isSet(layoutFile) && !applyLayoutFile(layouts.read, parser.value(layoutFile), &layoutError))
        return fail(layoutError);
    for (const QString &text : parser.values(field)) {
        if (!applyField(layouts.read, text, &layoutError))
            return fail(QStringLiteral("--field ") + layoutError);
    }

    SegyhdrLine line(path, custom, layouts);
    if (!line.open(terminalProgress(path)))
        return fail(line.error());
    for (const QString &warning : line.geometry().warnings)
        std::fprintf(stderr, "segyhdr: warning: %s: %s\n", qPrintable(path), qPrintable(warning));

    if (verb == QLatin1String("qc"))
        return runQc(line, parser.isSet(csv), parser.isSet(json));
    if (verb == QLatin1String("map"))
        return runMap(line, parser.value(output));
    if (plotting) {
        const QVector<ShotEntry> &list = line.shots();
        const int number = parser.value(plotOptions.shot).toInt();
        const auto byFfid = std::find_if(list.cbegin(), list.cend(), [&](const ShotEntry &e) { return e.ffid == wantedFfid; });
        if (parser.isSet(plotOptions.shot) && (number < 1 || number > list.size()))
            return fail(QStringLiteral("--shot %1: the file %2 has shots 1-%3").arg(parser.value(plotOptions.shot), path, QString::number(list.size())));
        if (parser.isSet(ffid) && byFfid == list.cend())
            return fail(QStringLiteral("no shot has FFID %1 in the file: %2").arg(wantedFfid).arg(path));
        return runPlot(line, parser.isSet(ffid) ? *byFfid : list.at(number - 1), plotSettings, parser.value(output));
    }

    // Shot ranges of the shot list, from 0: all, those asked for, or each run of the FFID.
    const QVector<ShotEntry> &all = line.shots();
    QVector<QPair<int, int>> ranges{{0, int(all.size()) - 1}};
    if (parser.isSet(shots)) {
        const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("^(\\d+)(?:-(\\d+))?$")).match(parser.value(shots));
        const int a = match.captured(1).toInt();
        const int b = match.captured(2).isEmpty() ? a : match.captured(2).toInt();
        if (!match.hasMatch() || a < 1 || b < a || b > all.size())
            return fail(QStringLiteral("--shots %1: the file %2 has shots 1-%3").arg(parser.value(shots), path, QString::number(all.size())));
        ranges = {{a - 1, b - 1}};
    } else if (parser.isSet(ffid)) {
        ranges.clear();
        for (int s = 0; s < all.size(); ++s) {
            if (all.at(s).ffid == wantedFfid)
                ranges.append({s, s});
        }
        if (ranges.isEmpty())
            return fail(QStringLiteral("no shot has FFID %1 in the file: %2").arg(wantedFfid).arg(path));
    }
    return runDump(line, custom, ranges, parser.isSet(tsv));
}
