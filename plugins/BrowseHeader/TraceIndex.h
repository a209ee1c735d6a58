#pragma once

#include "ProgressSink.h"

#include <SegyLayout.h>

#include <QString>
#include <QtGlobal>

constexpr int kTracesPerChunk = 10000;

/// One record of the trace index file, stored little-endian as the processor holds it.
struct TraceIndexRecord
{
    qint32 ffid;
    qint32 value1;
    qint32 value2;
    qint32 traceNumber;
};
static_assert(sizeof(TraceIndexRecord) == kIndexRecordBytes, "a trace index record is 16 bytes");

// BadLayout: entries 0 to 2 do not start inside the 240-byte trace header or run past its end,
// or the trace count or length is negative (or the length beyond 32 bits); nothing has been
// opened or created.
enum class TraceIndexResult { Written, SegyOpenFailed, IndexCreateFailed, BadLayout };

// How the leading header bytes of each trace are taken from the SEG-Y file. Mapped maps each
// chunk's block once and falls back to positioned reads where the block cannot be mapped;
// PositionedReads reads every trace's header bytes on their own.
enum class TraceHeaderAccess { Mapped, PositionedReads };

/// The trace index file of a SEG-Y file: its path with ".index" appended.
QString traceIndexPath(const QString &segyPath);

/// The big-endian signed value at the 1-based position: 4 bytes for length 4, else 2 bytes.
int readHeaderValue(const char *header, int position, int length);

/// How many leading header bytes hold header definition entries 0 to 2: the latest end of the
/// three fields and of the bytes read for them (2 for any length but 4).
int indexHeaderBytes(int *const *headerDefs);

/// Whether entries 0 to 2 start inside the 240-byte trace header and do not run past its end.
bool indexFieldsInsideHeader(int *const *headerDefs);

/// Writes the trace index file of the SEG-Y file anew, one record per trace, from entries 0 to 2
/// of the header definition.
/// Where a trace lies outside the file its record repeats the bytes last read (zeros before the
/// first trace), over as much of the header as was missing.
TraceIndexResult writeTraceIndex(const QString &segyPath, qint64 trBytes, int totalTraces,
                                 int *const *headerDefs, const ProgressSink &progress);

/// The same, with the header bytes taken as access says.
TraceIndexResult writeTraceIndex(const QString &segyPath, qint64 trBytes, int totalTraces,
                                 int *const *headerDefs, const ProgressSink &progress,
                                 TraceHeaderAccess access);
