#pragma once

#include "ProgressSink.h"

#include <HeaderLayout.h>
#include <SegyGeometry.h>
#include <SegySizes.h>

#include <QString>
#include <QtGlobal>

#include <array>

constexpr int kTracesPerChunk = 10000;
constexpr int kIndexedFields = 3;

/// One record of the trace index file, stored little-endian as the processor holds it.
struct TraceIndexRecord
{
    qint32 ffid;
    qint32 value1;
    qint32 value2;
    qint32 traceNumber;
};
static_assert(sizeof(TraceIndexRecord) == kIndexRecordBytes, "a trace index record is 16 bytes");

// BadLayout: a field does not lie inside the 240-byte trace header, or the trace count or length
// is negative (or the length beyond 32 bits); nothing has been opened or created.
// IndexCreateFailed: the index could not be created, or not written whole; nothing is left
// under its name that was not there before.
enum class TraceIndexResult { Written, SegyOpenFailed, IndexCreateFailed, BadLayout };

// How the leading header bytes of each trace are taken from the SEG-Y file. Mapped maps each
// chunk's block once and falls back to positioned reads where the block cannot be mapped;
// PositionedReads reads every trace's header bytes on their own.
enum class TraceHeaderAccess { Mapped, PositionedReads };

/// Where the values of a trace index come from: the traces of a SEG-Y file and the three fields
/// that each record holds.
struct IndexSource
{
    QString segyPath;
    qint64 firstTraceOffset = kFileHeaderBytes;
    qint64 traceBytes = 0;
    qint64 traceCount = 0;
    ByteOrder byteOrder = ByteOrder::BigEndian;
    std::array<HeaderField, kIndexedFields> fields;
    int headerBytes = 0; // leading bytes of each trace header that hold the fields

    /// The plug-in's index: big-endian traces from byte 3600, entries 0 to 2 of the definition.
    static IndexSource classic(const QString &segyPath, qint64 trBytes, qint64 totalTraces,
                               int *const *headerDefs);
    /// An index of a file as its geometry describes it, of the first three fields of a layout.
    static IndexSource of(const QString &segyPath, const SegyGeometry &geometry, const HeaderLayout &layout);
};

/// The trace index file of a SEG-Y file: its path with ".index" appended.
QString traceIndexPath(const QString &segyPath);

/// The big-endian signed value at the 1-based position: 4 bytes for length 4, else 2 bytes.
int readHeaderValue(const char *header, int position, int length);

/// How many leading header bytes hold header definition entries 0 to 2: the latest end of the
/// three fields and of the bytes read for them (2 for any length but 4).
int indexHeaderBytes(int *const *headerDefs);

/// Whether entries 0 to 2 lie inside the 240-byte trace header, both as given and as read.
bool indexFieldsInsideHeader(int *const *headerDefs);

/// Writes the index of the source to indexPath, one record per trace. The index is written to a
/// new file beside indexPath and renamed over it when whole, so that a link of that name is
/// replaced rather than followed and no reader ever finds half an index; in a folder that cannot
/// take a new file, an existing plain file (never a link) is rewritten in place instead.
/// Where a trace lies outside the file its record repeats the bytes last read (zeros before the
/// first trace), over as much of the header as was missing.
TraceIndexResult writeTraceIndex(const IndexSource &source, const QString &indexPath,
                                 const ProgressSink &progress,
                                 TraceHeaderAccess access = TraceHeaderAccess::Mapped);

/// The plug-in's index of the SEG-Y file, under entries 0 to 2 of the header definition, beside it.
TraceIndexResult writeTraceIndex(const QString &segyPath, qint64 trBytes, int totalTraces,
                                 int *const *headerDefs, const ProgressSink &progress,
                                 TraceHeaderAccess access = TraceHeaderAccess::Mapped);

/// Whether the index file holds one record per trace of the source and its first and last
/// records hold what the source's fields give for the first and last trace.
bool indexMatches(const IndexSource &source, const QString &indexPath);
