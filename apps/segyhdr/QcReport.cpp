#include "QcReport.h"

#include <LineQc.h>
#include <ShotTable.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>
#include <QSet>

#include <algorithm>

namespace {

constexpr int kListedFfids = 10;

QString counted(qint64 n, const char *noun)
{
    return QString::number(n) + QLatin1Char(' ') + QLatin1String(noun) + QLatin1String(n == 1 ? "" : "s");
}

QString reasonCounts(const std::array<int, kQcReasonCount> &byReason)
{
    QStringList counts;
    for (int r = 0; r < kQcReasonCount; ++r)
        counts.append(QStringLiteral("%1 %2").arg(byReason[size_t(r)]).arg(qcReasonName(QcReason(r))));
    return counts.join(QStringLiteral(", "));
}

QJsonObject reasonCountsJson(const std::array<int, kQcReasonCount> &byReason)
{
    QJsonObject json;
    for (int r = 0; r < kQcReasonCount; ++r)
        json.insert(qcReasonName(QcReason(r)), byReason[size_t(r)]);
    return json;
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

// A CSV field: quoted where a comma, a quote or a line break would split it.
QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

} // namespace

QByteArray qcCsvHeader(bool named)
{
    return QByteArray(named ? "file," : "") + "shot,ffid,first_trace,last_trace,reason,field,min,max\n";
}

int qcFile(const Command &command, const QString &path, bool named, QIODevice &out, const FileProgress &progress,
           QcFileResult *result)
{
    result->file = path;
    const auto failed = [&](const QString &error) {
        result->error = error;
        result->json = QJsonObject{{"file", path}, {"error", error}};
        std::fprintf(stderr, "segyhdr: %s\n", qPrintable(error));
        return 2;
    };
    SegyhdrLine line(path, command.custom, command.layouts);
    if (!line.open(progress, true))
        return failed(line.error());
    for (const QString &warning : line.geometry().warnings)
        std::fprintf(stderr, "segyhdr: warning: %s: %s\n", qPrintable(path), qPrintable(warning));

    // A line without an index is read once, for its index and its checks together; the trace
    // counts are settled when it is over. With an index, its shots are read by blocks.
    QVector<QcFinding> findings;
    if (line.indexPending()) {
        LineQc qc(command.offsetTolerance);
        if (!line.scan([&qc](const ShotHeaders &shot) { qc.check(shot); }, progress))
            return failed(line.error());
        findings = qc.findings(line.shots());
    } else {
        ShotQc qc(line.shots(), command.offsetTolerance);
        if (!line.forEachShot(0, line.shots().size() - 1, [&](const ShotHeaders &shot) { findings += qc.check(shot); }))
            return failed(line.error());
    }

    const bool csv = command.format == Command::Format::Csv;
    const bool json = command.format == Command::Format::Json;
    const QString prefix = named ? (csv ? csvField(path) + QLatin1Char(',') : path + QStringLiteral(": ")) : QString();
    const int shotCount = line.shots().size();
    QJsonArray findingsJson;
    QByteArray text;
    for (int i = 0; i < findings.size();) {
        // One shot's findings, in their order.
        int end = i;
        while (end < findings.size() && findings.at(end).position == findings.at(i).position)
            ++end;
        ++result->flaggedShots;
        std::array<bool, kQcReasonCount> counted{};
        QStringList reasons;
        for (int f = i; f < end; ++f) {
            const QcFinding &finding = findings.at(f);
            const size_t reason = size_t(finding.reason);
            result->flaggedByReason[reason] += counted[reason] ? 0 : 1;
            counted[reason] = true;
            const bool varies = finding.reason == QcReason::Varies;
            if (csv)
                text += (prefix + QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8\n")
                         .arg(QString::number(finding.position + 1), QString::number(finding.entry.ffid),
                              QString::number(finding.entry.firstTrace + 1), QString::number(finding.entry.lastTrace + 1),
                              qcReasonName(finding.reason), varies ? QLatin1String(fieldName(finding.column)) : QString(),
                              finding.min, finding.max)).toUtf8();
            else if (json)
                findingsJson.append(findingJson(finding));
            else
                reasons.append(findingText(finding));
        }
        if (!csv && !json)
            text += (prefix + shotLine(findings.at(i), shotCount) + QLatin1Char(' ') + reasons.join(QStringLiteral("; "))
                     + QLatin1Char('\n')).toUtf8();
        i = end;
    }

    result->shots = shotCount;
    result->traces = line.traceCount();
    result->commonTraceCount = ShotQc(line.shots()).commonTraceCount();
    QSet<qint32> distinct;
    for (const ShotEntry &shot : line.shots())
        distinct.insert(shot.ffid);
    result->ffids = QVector<qint32>(distinct.cbegin(), distinct.cend());
    std::sort(result->ffids.begin(), result->ffids.end());
    QJsonArray ffids;
    for (const qint32 ffid : qAsConst(result->ffids))
        ffids.append(ffid);
    result->json = QJsonObject{{"file", path},
                               {"shots", shotCount},
                               {"traces", result->traces},
                               {"common_trace_count", result->commonTraceCount},
                               {"flagged_shots", result->flaggedShots},
                               {"flagged_shots_by_reason", reasonCountsJson(result->flaggedByReason)},
                               {"findings", findingsJson},
                               {"ffids", ffids}};
    if (!csv && !json) {
        // One substitution pass, so that a '%' in the file's path is never taken for a placeholder.
        text += QStringLiteral("%1: %2, %3 (most shots %4); %5 flagged: %6\n")
                        .arg(path, counted(shotCount, "shot"), counted(result->traces, "trace"),
                             QString::number(result->commonTraceCount), counted(result->flaggedShots, "shot"),
                             reasonCounts(result->flaggedByReason)).toUtf8();
    }
    out.write(text);
    return result->flaggedShots > 0 ? 1 : 0;
}

// FFID -> the files that hold it, for the FFIDs of more than one file.
static QMap<qint32, QStringList> sharedFfids(const QVector<QcFileResult> &results)
{
    QMap<qint32, QStringList> files;
    for (const QcFileResult &result : results) {
        for (const qint32 ffid : result.ffids)
            files[ffid].append(result.file);
    }
    for (auto it = files.begin(); it != files.end();)
        it = it.value().size() > 1 ? std::next(it) : files.erase(it);
    return files;
}

struct SurveyTotals
{
    int files = 0;
    int unread = 0;
    int shots = 0;
    qint64 traces = 0;
    int flagged = 0;
    std::array<int, kQcReasonCount> byReason{};
};

static SurveyTotals totalsOf(const QVector<QcFileResult> &results)
{
    SurveyTotals totals;
    for (const QcFileResult &result : results) {
        ++totals.files;
        totals.unread += result.error.isEmpty() ? 0 : 1;
        totals.shots += result.shots;
        totals.traces += result.traces;
        totals.flagged += result.flaggedShots;
        for (int r = 0; r < kQcReasonCount; ++r)
            totals.byReason[size_t(r)] += result.flaggedByReason[size_t(r)];
    }
    return totals;
}

QByteArray surveySummaryText(const QVector<QcFileResult> &results)
{
    const SurveyTotals totals = totalsOf(results);
    const QMap<qint32, QStringList> shared = sharedFfids(results);
    QStringList listed;
    for (auto it = shared.cbegin(); it != shared.cend() && listed.size() < kListedFfids; ++it)
        listed << QStringLiteral("%1 (%2)").arg(QString::number(it.key()), it.value().join(QStringLiteral(", ")));
    if (shared.size() > listed.size())
        listed << QStringLiteral("... (%1 in all)").arg(shared.size());
    QString text = QStringLiteral("survey: %1%2, %3, %4; %5 flagged: %6\n")
                           .arg(counted(totals.files, "file"),
                                totals.unread ? QStringLiteral(" (%1 unread)").arg(totals.unread) : QString(),
                                counted(totals.shots, "shot"), counted(totals.traces, "trace"),
                                counted(totals.flagged, "shot"), reasonCounts(totals.byReason));
    text += QStringLiteral("survey: %1 in more than one file%2\n")
                    .arg(shared.size() == 1 ? QStringLiteral("1 FFID") : QStringLiteral("%1 FFIDs").arg(shared.size()),
                         listed.isEmpty() ? QString() : QStringLiteral(": ") + listed.join(QStringLiteral("; ")));
    return text.toUtf8();
}

QJsonObject surveySummaryJson(const QVector<QcFileResult> &results)
{
    const SurveyTotals totals = totalsOf(results);
    QJsonArray shared;
    const QMap<qint32, QStringList> files = sharedFfids(results);
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        shared.append(QJsonObject{{"ffid", it.key()}, {"files", QJsonArray::fromStringList(it.value())}});
    return QJsonObject{{"files", totals.files},
                       {"unread_files", totals.unread},
                       {"shots", totals.shots},
                       {"traces", totals.traces},
                       {"flagged_shots", totals.flagged},
                       {"flagged_shots_by_reason", reasonCountsJson(totals.byReason)},
                       {"ffids_in_several_files", shared}};
}

bool QcFileResult::fromJson(const QJsonObject &report, QcFileResult *result)
{
    if (!report.value("file").isString())
        return false;
    result->file = report.value("file").toString();
    result->json = report;
    if (report.contains("error")) {
        result->error = report.value("error").toString();
        return true;
    }
    if (!report.value("ffids").isArray() || !report.value("flagged_shots_by_reason").isObject())
        return false;
    result->shots = report.value("shots").toInt();
    result->traces = qint64(report.value("traces").toDouble());
    result->commonTraceCount = report.value("common_trace_count").toInt();
    result->flaggedShots = report.value("flagged_shots").toInt();
    const QJsonObject byReason = report.value("flagged_shots_by_reason").toObject();
    for (int r = 0; r < kQcReasonCount; ++r)
        result->flaggedByReason[size_t(r)] = byReason.value(qcReasonName(QcReason(r))).toInt();
    for (const QJsonValue &ffid : report.value("ffids").toArray())
        result->ffids.append(ffid.toInt());
    return true;
}

bool readQcResults(const QStringList &paths, QVector<QcFileResult> *results, QString *error)
{
    for (const QString &path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
            return false;
        }
        QJsonParseError parse;
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parse);
        const QJsonObject root = document.object();
        const QJsonArray reports = root.contains("files") ? root.value("files").toArray() : QJsonArray{root};
        for (const QJsonValue &report : reports) {
            QcFileResult result;
            if (parse.error != QJsonParseError::NoError || !QcFileResult::fromJson(report.toObject(), &result)) {
                *error = QStringLiteral("%1: not a report of segyhdr qc --json%2")
                        .arg(path, parse.error != QJsonParseError::NoError ? QStringLiteral(" (%1)").arg(parse.errorString()) : QString());
                return false;
            }
            results->append(result);
        }
    }
    return true;
}
