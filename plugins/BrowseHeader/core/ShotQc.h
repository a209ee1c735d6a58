#pragma once

#include "ShotReader.h"

#include <QHash>
#include <QString>
#include <QVector>

/// Why a shot is flagged, in the order in which a shot's findings are listed.
enum class QcReason { Varies, RepeatedFfid, TraceCount, ChannelGap, ChannelRepeat };
constexpr int kQcReasonCount = 5;

/// One reason to look at one shot.
struct QcFinding
{
    int position;       // in the shot list, from 0
    ShotEntry entry;
    QcReason reason;
    int column = -1;    // Varies: the shot-constant column, with the texts of its extremes
    QString min;
    QString max;
    QString detail;     // for people: the channels concerned, the line's common count
};

/// "varies", "repeated_ffid", "trace_count", "channel_gap", "channel_repeat".
QString qcReasonName(QcReason reason);

/// Checks a line shot by shot: the shot-constant columns by the viewer's own rule, FFIDs that
/// come back after another shot, trace counts unlike the line's most common one, and channel
/// numbers that repeat or leave gaps inside a shot. Channels of 0 or below are taken to be
/// auxiliary traces (pilot, timebreak) and are left out of the channel checks. The line-wide
/// rules are settled from the shot list, so shots may be checked in any order.
class ShotQc
{
public:
    explicit ShotQc(const QVector<ShotEntry> &shots);

    /// The findings of one shot of the list.
    QVector<QcFinding> check(const ShotHeaders &shot) const;

    /// The trace count that most shots have; on a tie the larger.
    int commonTraceCount() const { return common; }

private:
    int common = 0;
    QHash<qint32, int> firstPositions;  // the first shot of each FFID
};
