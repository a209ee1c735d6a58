#pragma once

#include "ProgressSink.h"
#include "ShotEntry.h"
#include "ShotReader.h"
#include "TraceIndex.h"

#include <TraceDecoder.h>

#include <QString>
#include <QVector>

#include <functional>

/// TracesMissing: the file ends before the last trace header that the source names; nothing has
/// been written or handed on. The others are writeTraceIndex's; where the index cannot be written
/// whole (IndexCreateFailed after the scan began) the shots read so far have been handed on.
enum class LineScanResult { Scanned, SegyOpenFailed, IndexCreateFailed, BadLayout, TracesMissing };

/// What a line scan hands on as it reads. Either may be empty; without shot no record is decoded.
struct LineScanVisitors
{
    /// Each shot as soon as its last trace has been read, in file order: the traces decoded by the
    /// decoder, as readShotRecords decodes them, with the custom fields.
    std::function<void(const ShotHeaders &shot)> shot;
    /// Each trace's 240-byte header, in file order; trace counts from 0.
    std::function<void(const char *header, qint64 trace)> trace;
};

/// Reads the trace headers of the source once, in file order and with the index build's read-ahead,
/// and in that one pass writes the trace index to indexPath (the same bytes, written the same safe
/// way, as writeTraceIndex), groups the traces into shots by runs of equal FFID in the index (the
/// shots extractShots gives, left in shots) and hands them on. Memory holds one chunk of headers and
/// the shot being read, never the whole line. With no traces, shots is extractShots' one shot of no
/// traces and nothing is handed on. shots is emptied first.
LineScanResult scanLine(const IndexSource &source, const QString &indexPath, const TraceDecoder &decoder,
                        const CustomFields &custom, const LineScanVisitors &visitors, QVector<ShotEntry> &shots,
                        const ProgressSink &progress = ProgressSink());
