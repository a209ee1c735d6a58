#pragma once

#include "ShotReader.h"

#include <QHash>
#include <QString>
#include <QVector>

/// Why a shot is flagged, in the order in which a shot's findings are listed.
enum class QcReason { Varies, RepeatedFfid, TraceCount, ChannelGap, ChannelRepeat, OffsetMismatch, NoCoordinates };
constexpr int kQcReasonCount = 7;

/// How far a header offset may be from the source-receiver distance, in the coordinates' units:
/// beyond the rounding of offsets to whole metres and of coordinates to centimetres, short of a
/// station misplaced by half a group interval.
constexpr double kDefaultOffsetTolerance = 5.0;


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

/// "varies", "repeated_ffid", "trace_count", "channel_gap", "channel_repeat", "offset_mismatch",
/// "no_coordinates".
QString qcReasonName(QcReason reason);

/// Checks a line shot by shot: the shot-constant columns by the viewer's own rule, FFIDs that
/// come back after another shot, trace counts unlike the line's most common one, and channel
/// numbers that repeat or leave gaps inside a shot, header offsets that disagree with the distance
/// between the source and receiver coordinates, and shots without coordinates. Channels of 0 or
/// below are taken to be auxiliary traces (pilot, timebreak) and are left out of the channel
/// checks; a trace whose source or receiver is at (0, 0) is left out of the offset check. The
/// line-wide rules (repeated FFIDs, trace counts) are settled from the shot list, so shots may be
/// checked in any order.
class ShotQc
{
public:
    explicit ShotQc(const QVector<ShotEntry> &shots, double offsetTolerance = kDefaultOffsetTolerance);
    /// For a line read in one pass, whose shot list is known only at its end: check() leaves the
    /// line-wide rules out, and LineQc adds them when the line is over.
    explicit ShotQc(double offsetTolerance = kDefaultOffsetTolerance) : offsetTolerance(offsetTolerance) {}

    /// The findings of one shot of the list.
    QVector<QcFinding> check(const ShotHeaders &shot) const;

    /// The findings of the line-wide rules for the shot at the position of the list.
    QVector<QcFinding> lineFindings(int position, const ShotEntry &entry) const;

    /// The trace count that most shots have; on a tie the larger. 0 when not known.
    int commonTraceCount() const { return common; }

private:
    void checkOffsets(const ShotHeaders &shot, QVector<QcFinding> &findings) const;

    int common = 0;
    double offsetTolerance = kDefaultOffsetTolerance;
    QHash<qint32, int> firstPositions;  // the first shot of each FFID
};
