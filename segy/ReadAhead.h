#pragma once

#include <QtGlobal>

#include <memory>

/// Tells the kernel which bytes of a SEG-Y file a scan of its trace headers needs next, so that a
/// file that is not in the page cache is read at the storage's rate instead of one page fault at a
/// time. Long traces have only their header pages asked for, so that their samples are never
/// read; short ones are read whole, in the long runs storage serves fastest, by a thread of the
/// read-ahead's own that reads a byte of every page ahead of the scan. Asking to read ahead
/// returns at once, unless the scan follows that reader; the scan itself stays on the calling thread.
class ReadAhead
{
public:
    /// The traces of the file open as fd: totalTraces of trBytes from firstTrace, of which the scan
    /// reads the leading headerBytes.
    ReadAhead(int fd, qint64 firstTrace, qint64 trBytes, int headerBytes, qint64 totalTraces);
    ~ReadAhead();
    ReadAhead(const ReadAhead &) = delete;
    ReadAhead &operator=(const ReadAhead &) = delete;

    /// How a mapping of traces should be read (madvise): page by page for headers only, else as
    /// the kernel does by default, finding what the reader brought in.
    int mappingAdvice() const;

    /// Has reach() return only once the reader has read well beyond the trace, where there is a
    /// reader: for a scan faster than the storage, which would otherwise read the pages as they
    /// arrive.
    void followReader();

    /// The scan is about to read the trace: keep the read-ahead the distance in front of it.
    void reach(qint64 trace);

private:
    class Reader;

    void ask(qint64 trace);

    int fd;
    qint64 firstTrace;
    qint64 trBytes;
    int headerBytes;
    qint64 totalTraces;
    bool headersOnly = false;
    qint64 distance = 1;
    qint64 step = 1;
    qint64 requested = 0;
    bool following = false;
    std::unique_ptr<Reader> reader; // for traces read whole
};
