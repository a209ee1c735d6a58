#pragma once

#include "ProgressSink.h"
#include "ShotEntry.h"

#include <QString>
#include <QVector>

constexpr qint64 kRecordsPerChunk = 1000000;

/// Groups the records of a trace index file into shots: runs of equal FFIDs in file order.
/// False when the file cannot be opened, or holds more records than 32-bit trace numbers
/// count; shots is emptied first either way.
/// A trailing partial record is ignored. An empty file gives one shot of no traces,
/// {ffid 0, firstTrace 0, lastTrace -1}, which callers must not show as a shot.
bool extractShots(const QString &indexPath, QVector<ShotEntry> &shots, const ProgressSink &progress);

/// The first shot after the shot `from` whose FFID is the one given, going on from the first shot
/// when the end is passed, so that `from` itself comes last; -1 when no shot has it.
int nextShotWithFfid(const QVector<ShotEntry> &shots, int from, qint32 ffid);
