#pragma once

#include "TraceIndex.h"

#include <QString>

#include <functional>

// The core's own scan under writeTraceIndex, for the operations that read more of each trace
// header in the same pass as the index build.

/// One chunk of traces as the index scan read them: trace first + i starts at headers + i * stride,
/// with the scan's readBytes of it there, and its index record is records[i].
using IndexChunkVisitor = std::function<void(const char *headers, qint64 stride, qint64 first, int count,
                                             const TraceIndexRecord *records)>;

/// writeTraceIndex, reading the leading readBytes bytes of each trace header (source.headerBytes to 240)
/// and handing each chunk to visit, when given, before the next is read. The index written is the same
/// whatever readBytes is; BadLayout where readBytes is outside that range.
TraceIndexResult scanTraceIndex(const IndexSource &source, int readBytes, const QString &indexPath,
                                const ProgressSink &progress, TraceHeaderAccess access, const IndexChunkVisitor &visit);
