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

ShotQc::ShotQc(const QVector<ShotEntry> &shots)
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

    // Adjacent runs always differ, so an FFID that an earlier shot has came back after another shot.
    const int first = firstPositions.value(shot.entry.ffid, shot.position);
    if (first < shot.position)
        add(QcReason::RepeatedFfid, QStringLiteral("FFID already at shot %1").arg(first + 1));

    const int count = shot.records.size();
    if (count != common)
        add(QcReason::TraceCount, QStringLiteral("%1 traces, the line's common count is %2").arg(count).arg(common));

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
    return findings;
}
