#include "ReadAhead.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

namespace {

// From this many pages a trace, fetching only the pages that hold headers reads a third of the
// file or less; shorter traces are read whole.
constexpr qint64 kHeaderPagesOnlyTracePages = 3;
// How far ahead of the trace being decoded the kernel is kept reading, and in how many steps:
// far enough to keep the storage busy, near enough not to evict what the scan has yet to reach;
// small steps keep it from stalling on a burst of requests.
constexpr qint64 kReadAheadBytes = qint64(64) << 20;
constexpr qint64 kReadAheadHeaders = 2000;
constexpr qint64 kReadAheadSteps = 64;
// cachestat(2), the same number on every architecture; the C library has no wrapper yet.
constexpr long kCachestatSyscall = 451;

} // namespace

ReadAhead::ReadAhead(int fd, qint64 firstTrace, qint64 trBytes, int headerBytes, qint64 totalTraces)
    : fd(fd), firstTrace(firstTrace), trBytes(trBytes), headerBytes(headerBytes), totalTraces(totalTraces)
{
    const qint64 page = ::sysconf(_SC_PAGESIZE);
    headersOnly = trBytes >= kHeaderPagesOnlyTracePages * page;
    distance = headersOnly ? kReadAheadHeaders : std::max<qint64>(1, kReadAheadBytes / std::max<qint64>(trBytes, 1));
    step = std::max<qint64>(1, distance / kReadAheadSteps);
    // Left to itself the kernel reads around every fault or read, samples and all.
    ::posix_fadvise(fd, 0, 0, headersOnly ? POSIX_FADV_RANDOM : POSIX_FADV_SEQUENTIAL);
}

int ReadAhead::mappingAdvice() const
{
    return headersOnly ? MADV_RANDOM : MADV_SEQUENTIAL;
}

void ReadAhead::reach(qint64 trace)
{
    const qint64 target = std::min(totalTraces, trace + distance);
    if (target - requested < step && target < totalTraces)
        return;
    if (target <= requested)
        return;
    if (headersOnly) {
        for (qint64 t = requested; t < target; ++t)
            ::posix_fadvise(fd, firstTrace + t * trBytes, headerBytes, POSIX_FADV_WILLNEED);
    } else {
        const qint64 from = firstTrace + requested * trBytes;
        const qint64 length = (target - requested) * trBytes;
        if (!allCached(from, length))
            ::posix_fadvise(fd, from, length, POSIX_FADV_WILLNEED);
    }
    requested = target;
}

bool ReadAhead::allCached(qint64 from, qint64 length) const
{
    struct
    {
        quint64 offset;
        quint64 length;
    } range = {quint64(from), quint64(length)};
    struct
    {
        quint64 cached, dirty, writeback, evicted, recentlyEvicted;
    } stat = {};
    if (::syscall(kCachestatSyscall, fd, &range, &stat, 0) != 0)
        return false;
    const qint64 page = ::sysconf(_SC_PAGESIZE);
    return qint64(stat.cached) >= (from + length - 1) / page - from / page + 1;
}
