#include "ShotQc.h"

#include "ShotTable.h"

#include <algorithm>
#include <cmath>

constexpr int kListedChannels = 8;

QString qcReasonName(QcReason reason)
{
    switch (reason) {
    case QcReason::Varies: return QStringLiteral("varies");
    case QcReason::RepeatedFfid: return QStringLiteral("repeated_ffid");
    case QcReason::TraceCount: return QStringLiteral("trace_count");
    case QcReason::ChannelGap: return QStringLiteral("channel_gap");
    case QcReason::ChannelRepeat: return QStringLiteral("channel_repeat");
    case QcReason::OffsetMismatch: return QStringLiteral("offset_mismatch");
    case QcReason::NoCoordinates: return QStringLiteral("no_coordinates");
    }
    return QString();
}

// A NaN sorts below every number, so that it shows as the minimum of the column it spoils.
static bool below(double a, double b)
{
    if (std::isnan(a))
        return !std::isnan(b);
    return !std::isnan(b) && a < b;
}

// The records holding the smallest and the largest value of a column.
static QPair<int, int> extremes(const QVector<fbRec> &records, const QVector<CustomValues> &custom, int column)
{
    int low = 0;
    int high = 0;
    QVector<double> values(records.size());
    for (int r = 0; r < records.size(); ++r)
        values[r] = cellValue(records.at(r), custom.at(r), column);
    for (int r = 1; r < records.size(); ++r) {
        if (below(values.at(r), values.at(low)))
            low = r;
        if (below(values.at(high), values.at(r)))
            high = r;
    }
    return {low, high};
}

// The first few channels of a list and how many there are in all.
static QString channelList(const QVector<qint32> &channels, qint64 total)
{
    QStringList texts;
    for (int i = 0; i < channels.size() && i < kListedChannels; ++i)
        texts.append(QString::number(channels.at(i)));
    if (total > texts.size())
        texts.append(QStringLiteral("... (%1 in all)").arg(total));
    return texts.join(QStringLiteral(", "));
}

// Whether a position was recorded at all: (0, 0) is what a header without coordinates holds.
static bool placed(float x, float y)
{
    return x != 0.0f || y != 0.0f;
}

ShotQc::ShotQc(const QVector<ShotEntry> &shots, double offsetTolerance)
    : offsetTolerance(offsetTolerance)
{
    QHash<int, int> counts;
    // From the last shot back, so that each FFID is left at the first shot that has it.
    for (int position = shots.size() - 1; position >= 0; --position) {
        const ShotEntry &shot = shots.at(position);
        ++counts[shot.lastTrace - shot.firstTrace + 1];
        firstPositions.insert(shot.ffid, position);
    }
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most || (it.value() == most && it.key() > common)) {
            most = it.value();
            common = it.key();
        }
    }
}

QVector<QcFinding> ShotQc::check(const ShotHeaders &shot) const
{
    QVector<QcFinding> findings;
    const auto add = [&](QcReason reason, const QString &detail) -> QcFinding & {
        findings.append({shot.position, shot.entry, reason, -1, QString(), QString(), detail});
        return findings.last();
    };

    for (const int column : varyingColumns(shot.records)) {
        const QPair<int, int> range = extremes(shot.records, shot.customValues, column);
        QcFinding &finding = add(QcReason::Varies, QString());
        finding.column = column;
        finding.min = cellText(shot.records.at(range.first), shot.customValues.at(range.first), column);
        finding.max = cellText(shot.records.at(range.second), shot.customValues.at(range.second), column);
    }

    findings += lineFindings(shot.position, shot.entry);

    const int count = shot.records.size();
    QVector<qint32> channels;
    channels.reserve(count);
    for (const fbRec &record : shot.records) {
        if (record.channel > 0)
            channels.append(record.channel);
    }
    std::sort(channels.begin(), channels.end());
    QVector<qint32> missing;
    qint64 missingCount = 0;
    QVector<qint32> repeated;
    for (int i = 1; i < channels.size(); ++i) {
        const qint64 previous = channels.at(i - 1);
        if (channels.at(i) == previous) {
            if (repeated.isEmpty() || repeated.constLast() != previous)
                repeated.append(qint32(previous));
            continue;
        }
        missingCount += channels.at(i) - previous - 1;
        for (qint64 c = previous + 1; c < channels.at(i) && missing.size() < kListedChannels; ++c)
            missing.append(qint32(c));
    }
    if (missingCount > 0)
        add(QcReason::ChannelGap, QStringLiteral("channels %1-%2 lack %3")
                    .arg(channels.constFirst()).arg(channels.constLast()).arg(channelList(missing, missingCount)));
    if (!repeated.isEmpty())
        add(QcReason::ChannelRepeat, QStringLiteral("channels %1 repeat").arg(channelList(repeated, repeated.size())));

    checkOffsets(shot, findings);
    return findings;
}

QVector<QcFinding> ShotQc::lineFindings(int position, const ShotEntry &entry) const
{
    QVector<QcFinding> findings;
    // Adjacent runs always differ, so an FFID that an earlier shot has came back after another shot.
    const int first = firstPositions.value(entry.ffid, position);
    if (first < position)
        findings.append({position, entry, QcReason::RepeatedFfid, -1, QString(), QString(),
                         QStringLiteral("FFID already at shot %1").arg(first + 1)});
    const int count = entry.lastTrace - entry.firstTrace + 1;
    if (common > 0 && count != common)
        findings.append({position, entry, QcReason::TraceCount, -1, QString(), QString(),
                         QStringLiteral("%1 traces, the line's common count is %2").arg(count).arg(common)});
    return findings;
}

void ShotQc::checkOffsets(const ShotHeaders &shot, QVector<QcFinding> &findings) const
{
    const auto add = [&](QcReason reason, const QString &detail) {
        findings.append({shot.position, shot.entry, reason, -1, QString(), QString(), detail});
    };
    int compared = 0;
    int mismatched = 0;
    int worst = -1;
    double worstDistance = 0.0;
    double worstGap = 0.0;
    bool anyPlaced = false;
    for (int r = 0; r < shot.records.size(); ++r) {
        const fbRec &record = shot.records.at(r);
        const bool source = placed(record.source_x, record.source_y);
        const bool group = placed(record.group_x, record.group_y);
        anyPlaced = anyPlaced || source || group;
        if (!source || !group)
            continue;
        ++compared;
        const double distance = std::hypot(double(record.group_x) - record.source_x, double(record.group_y) - record.source_y);
        const double gap = std::fabs(std::fabs(double(record.offset)) - distance);
        if (!(gap > offsetTolerance))
            continue;
        ++mismatched;
        if (gap > worstGap) {
            worst = r;
            worstGap = gap;
            worstDistance = distance;
        }
    }
    if (!anyPlaced && !shot.records.isEmpty())
        add(QcReason::NoCoordinates, QStringLiteral("every source and receiver position is (0, 0)"));
    if (mismatched > 0)
        add(QcReason::OffsetMismatch, QStringLiteral("%1 of %2 traces beyond %3; worst channel %4: offset %5, "
                                                     "source-receiver distance %6")
                    .arg(QString::number(mismatched), QString::number(compared), QString::number(offsetTolerance),
                         QString::number(shot.records.at(worst).channel), QString::number(shot.records.at(worst).offset),
                         QString::number(worstDistance, 'f', 2)));
}
