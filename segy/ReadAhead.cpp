#include "ReadAhead.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

namespace {

// From this many pages a trace, fetching only the pages that hold headers reads a third of the
// file or less; shorter traces are read whole.
constexpr qint64 kHeaderPagesOnlyTracePages = 3;
// How far ahead of the trace being decoded the header pages are asked for, and in how many steps:
// far enough to keep the storage busy, near enough not to evict what the scan has yet to reach;
// small steps keep it from stalling on a burst of requests.
constexpr qint64 kReadAheadHeaders = 2000;
constexpr qint64 kReadAheadSteps = 64;

} // namespace

ReadAhead::ReadAhead(int fd, qint64 firstTrace, qint64 trBytes, int headerBytes, qint64 totalTraces)
    : fd(fd), firstTrace(firstTrace), trBytes(trBytes), headerBytes(headerBytes), totalTraces(totalTraces)
{
    const qint64 page = ::sysconf(_SC_PAGESIZE);
    headersOnly = trBytes >= kHeaderPagesOnlyTracePages * page;
    step = std::max<qint64>(1, kReadAheadHeaders / kReadAheadSteps);
    // Left to itself the kernel reads around every fault or read, samples and all: right for short
    // traces, read whole in any case, where its own sequential read-ahead (doubled by the advice)
    // costs a fraction of the CPU that asking for the same pages ahead did, and is no slower.
    ::posix_fadvise(fd, 0, 0, headersOnly ? POSIX_FADV_RANDOM : POSIX_FADV_SEQUENTIAL);
}

int ReadAhead::mappingAdvice() const
{
    return headersOnly ? MADV_RANDOM : MADV_SEQUENTIAL;
}

void ReadAhead::reach(qint64 trace)
{
    if (!headersOnly)
        return;
    const qint64 target = std::min(totalTraces, trace + kReadAheadHeaders);
    if (target - requested < step && target < totalTraces)
        return;
    for (qint64 t = requested; t < target; ++t)
        ::posix_fadvise(fd, firstTrace + t * trBytes, headerBytes, POSIX_FADV_WILLNEED);
    requested = std::max(requested, target);
}
