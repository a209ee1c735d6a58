#pragma once

#include "ShotQc.h"

#include <QVector>

/// The shot QC of a line read in one pass (scanLine): each shot is checked as its run ends, and the
/// line-wide rules (repeated FFIDs, trace counts), which need the whole line's shots, once it is
/// over. Only findings are kept.
class LineQc
{
public:
    explicit LineQc(double offsetTolerance = kDefaultOffsetTolerance) : qc(offsetTolerance) {}

    /// Checks a shot; shots are to be checked in file order.
    void check(const ShotHeaders &shot) { pending += qc.check(shot); }

    /// Every finding of the line, shot by shot and each shot's in ShotQc's order: what ShotQc over
    /// the whole shot list gives. shots is the line's list, as scanLine leaves it.
    QVector<QcFinding> findings(const QVector<ShotEntry> &shots) const;

private:
    ShotQc qc;
    QVector<QcFinding> pending;
};
