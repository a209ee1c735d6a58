#include "ReadAhead.h"

#include <QByteArray>
#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

namespace {

// From this many pages a trace, fetching only the pages that hold headers reads a third of the
// file or less; shorter traces are read whole.
constexpr qint64 kHeaderPagesOnlyTracePages = 3;
// How far ahead of the trace being decoded the file is kept coming in, and in how many steps:
// far enough to keep the storage busy, near enough not to evict what the scan has yet to reach;
// small steps keep it from stalling on a burst of requests.
constexpr qint64 kReadAheadBytes = qint64(64) << 20;
constexpr qint64 kReadAheadHeaders = 2000;
constexpr qint64 kReadAheadSteps = 64;
// The reader reads one byte every 4 KiB, a page on most machines: sparser reads look random to
// the kernel, which then reads them a page at a time. It first asks whether a stretch of 1 MiB is
// in the page cache already, where reading it would cost a look-up a page for nothing.
constexpr qint64 kReadStepBytes = 4096;
constexpr qint64 kStretchBytes = qint64(1) << 20;
// How far the reader must have got beyond a trace before a scan that follows it reads the trace.
constexpr qint64 kFollowBytes = qint64(16) << 20;
// cachestat(2), the same number on every architecture; the C library has no wrapper yet.
constexpr long kCachestatSyscall = 451;

// Whether every page of the range is in the page cache. False where the kernel cannot tell (before 6.5).
bool allCached(int fd, qint64 from, qint64 length)
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

} // namespace

// Reads a byte of every page of the file ahead of the scan, on a thread of its own. A read that
// misses the page cache starts the kernel's own read-ahead, which fills the cache in large runs
// beside the scan; asking for the same bytes with posix_fadvise(WILLNEED) fills it a page at a
// time, for several times the system time, on the scan's thread. The bytes read are thrown away:
// the scan finds their pages in the cache.
class ReadAhead::Reader final : public QThread
{
public:
    // The file opened anew rather than shared: the kernel keeps its read-ahead state per opening,
    // and the scan's own page faults, behind the reader, would reset it to small reads.
    Reader(int scanFd, qint64 from)
        : fd(::open(QByteArray("/proc/self/fd/" + QByteArray::number(scanFd)).constData(), O_RDONLY | O_CLOEXEC))
        , done(from)
        , wanted(from)
        , read(from)
    {
        if (fd >= 0)
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    }

    ~Reader() override
    {
        {
            QMutexLocker lock(&mutex);
            stopping = true;
            moved.wakeOne();
        }
        wait();
        if (fd >= 0)
            ::close(fd);
    }

    bool opened() const { return fd >= 0; }

    /// Returns once the reader has read up to the byte at, or has stopped short of it (a file cut
    /// short, a failing read).
    void waitUntilRead(qint64 at)
    {
        if (read.load(std::memory_order_acquire) >= at)
            return;
        QMutexLocker lock(&mutex);
        while (read.load(std::memory_order_relaxed) < at && !ended)
            progressed.wait(&mutex);
    }

    /// The scan is at the byte at: read on from there, or from where the reader got to if that
    /// is further, up to the byte before end. What the scan has passed is not read again.
    void want(qint64 at, qint64 end)
    {
        QMutexLocker lock(&mutex);
        scanned = at;
        wanted = end;
        moved.wakeOne();
    }

protected:
    void run() override
    {
        readOn();
        QMutexLocker lock(&mutex);
        ended = true;
        progressed.wakeAll();
    }

private:
    void readOn()
    {
        for (;;) {
            qint64 end;
            {
                QMutexLocker lock(&mutex);
                while (!stopping && wanted <= done)
                    moved.wait(&mutex);
                if (stopping)
                    return;
                end = wanted;
                done = std::max(done, scanned);
            }
            while (done < end) {
                const qint64 stretch = std::min(kStretchBytes, end - done);
                if (!allCached(fd, done, stretch)) {
                    for (qint64 at = done; at < done + stretch; at += kReadStepBytes) {
                        char byte;
                        // Past the end of a file cut short meanwhile, or failing: the scan will say so.
                        if (stopping || ::pread(fd, &byte, 1, at) != 1)
                            return;
                    }
                }
                done += stretch;
                QMutexLocker lock(&mutex);
                read.store(done, std::memory_order_release);
                progressed.wakeAll();
            }
        }
    }

    const int fd;
    qint64 done;   // the reader's own
    qint64 wanted; // these two under the mutex
    qint64 scanned = 0;
    std::atomic<qint64> read; // where the reader has got to, told under the mutex
    bool ended = false;       // under the mutex
    std::atomic<bool> stopping{false};
    QMutex mutex;
    QWaitCondition moved;
    QWaitCondition progressed;
};

ReadAhead::ReadAhead(int fd, qint64 firstTrace, qint64 trBytes, int headerBytes, qint64 totalTraces)
    : fd(fd), firstTrace(firstTrace), trBytes(trBytes), headerBytes(headerBytes), totalTraces(totalTraces)
{
    const qint64 page = ::sysconf(_SC_PAGESIZE);
    headersOnly = trBytes >= kHeaderPagesOnlyTracePages * page;
    distance = headersOnly ? kReadAheadHeaders : std::max<qint64>(1, kReadAheadBytes / std::max<qint64>(trBytes, 1));
    step = std::max<qint64>(1, distance / kReadAheadSteps);
    // Left to itself the kernel reads around every fault or read, samples and all.
    ::posix_fadvise(fd, 0, 0, headersOnly ? POSIX_FADV_RANDOM : POSIX_FADV_SEQUENTIAL);
    // A file already in the page cache needs no reader, nor the cost of starting one: a survey
    // of many small files checked again is mostly that. Where no thread can be started, or the
    // file not opened again, the scan's own faults read ahead, only slower.
    if (!headersOnly && !allCached(fd, firstTrace, totalTraces * trBytes)) {
        reader = std::make_unique<Reader>(fd, firstTrace);
        if (reader->opened())
            reader->start();
        // A reader that never ran would keep a scan that follows it waiting.
        if (!reader->isRunning() && !reader->isFinished())
            reader.reset();
    }
}

ReadAhead::~ReadAhead() = default;

int ReadAhead::mappingAdvice() const
{
    // Whole traces come in through the reader: a sequential hint would have the scan's own faults
    // read ahead as well, racing it.
    return headersOnly ? MADV_RANDOM : MADV_NORMAL;
}

void ReadAhead::followReader()
{
    following = true;
}

void ReadAhead::reach(qint64 trace)
{
    ask(trace);
    if (following && reader)
        reader->waitUntilRead(std::min(firstTrace + totalTraces * trBytes, firstTrace + trace * trBytes + kFollowBytes));
}

void ReadAhead::ask(qint64 trace)
{
    const qint64 target = std::min(totalTraces, trace + distance);
    if (target - requested < step && target < totalTraces)
        return;
    if (target <= requested)
        return;
    if (headersOnly) {
        for (qint64 t = requested; t < target; ++t)
            ::posix_fadvise(fd, firstTrace + t * trBytes, headerBytes, POSIX_FADV_WILLNEED);
    } else if (reader) {
        reader->want(firstTrace + trace * trBytes, firstTrace + target * trBytes);
    }
    requested = target;
}
