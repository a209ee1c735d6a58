#include "TraceIndex.h"

#include <QFile>
#include <QtEndian>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

constexpr int kIndexedEntries = 3;

// From this many pages a trace, fetching only the pages that hold headers reads a third of the
// file or less; shorter traces are read whole, in the long runs storage serves fastest.
constexpr qint64 kHeaderPagesOnlyTracePages = 3;
// How far ahead of the trace being decoded the kernel is kept reading, and in how many steps:
// far enough to keep the storage busy, near enough not to evict what the scan has yet to reach;
// small steps keep it from stalling on a burst of requests.
constexpr qint64 kReadAheadBytes = qint64(64) << 20;
constexpr qint64 kReadAheadHeaders = 2000;
constexpr qint64 kReadAheadSteps = 64;
// cachestat(2), the same number on every architecture; the C library has no wrapper yet.
constexpr long kCachestatSyscall = 451;

// Tells the kernel which bytes of the SEG-Y file the scan needs next, so that a file that is not
// in the page cache is read at the storage's rate instead of one page fault at a time. Asking to
// read ahead returns at once; the scan itself stays on the calling thread.
class ReadAhead
{
public:
    ReadAhead(int fd, qint64 trBytes, int headerBytes, qint64 totalTraces)
        : fd(fd), trBytes(trBytes), headerBytes(headerBytes), totalTraces(totalTraces)
    {
        const qint64 page = ::sysconf(_SC_PAGESIZE);
        headersOnly = trBytes >= kHeaderPagesOnlyTracePages * page;
        distance = headersOnly ? kReadAheadHeaders : std::max<qint64>(1, kReadAheadBytes / std::max<qint64>(trBytes, 1));
        step = std::max<qint64>(1, distance / kReadAheadSteps);
        // Left to itself the kernel reads around every fault or read, samples and all.
        ::posix_fadvise(fd, 0, 0, headersOnly ? POSIX_FADV_RANDOM : POSIX_FADV_SEQUENTIAL);
    }

    /// How a mapping of traces should be read: page by page for headers only, else in runs.
    int mappingAdvice() const { return headersOnly ? MADV_RANDOM : MADV_SEQUENTIAL; }

    /// The scan is about to read the trace: keep the read-ahead the distance in front of it.
    void reach(qint64 trace)
    {
        const qint64 target = std::min(totalTraces, trace + distance);
        if (target - requested < step && target < totalTraces)
            return;
        if (target <= requested)
            return;
        if (headersOnly) {
            for (qint64 t = requested; t < target; ++t)
                ::posix_fadvise(fd, qint64(kFileHeaderBytes) + t * trBytes, headerBytes, POSIX_FADV_WILLNEED);
        } else {
            const qint64 from = qint64(kFileHeaderBytes) + requested * trBytes;
            const qint64 length = (target - requested) * trBytes;
            if (!allCached(from, length))
                ::posix_fadvise(fd, from, length, POSIX_FADV_WILLNEED);
        }
        requested = target;
    }

private:
    // Whether every page of the range is in the page cache already, where asking for it again
    // would cost a look-up per page for nothing. False where the kernel cannot tell (before 6.5).
    bool allCached(qint64 from, qint64 length) const
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

    int fd;
    qint64 trBytes;
    int headerBytes;
    qint64 totalTraces;
    bool headersOnly = false;
    qint64 distance = 1;
    qint64 step = 1;
    qint64 requested = 0;
};

static int bytesRead(int length)
{
    return length == 4 ? 4 : 2;
}

QString traceIndexPath(const QString &segyPath)
{
    return segyPath + QStringLiteral(".index");
}

// Inlined into the scan, which decodes three values a trace.
static inline qint32 decodeHeaderValue(const char *header, int position, int length)
{
    const char *field = header + (position - 1);
    if (length == 4)
        return qFromBigEndian<qint32>(field);
    return qFromBigEndian<qint16>(field);
}

int readHeaderValue(const char *header, int position, int length)
{
    return decodeHeaderValue(header, position, length);
}

int indexHeaderBytes(int *const *headerDefs)
{
    // The latest end wins, whether of a field or of the two bytes read for a length of 1 or 3,
    // so that no decode reaches past a trace's slot. 64-bit sums: the table is not trusted here.
    qint64 n = 0;
    for (int k = 0; k < kIndexedEntries; ++k) {
        const qint64 position = headerDefs[k][0];
        const int length = headerDefs[k][1];
        n = std::max({n, position + length - 1, position + bytesRead(length) - 1});
    }
    return int(std::min<qint64>(n, std::numeric_limits<int>::max()));
}

bool indexFieldsInsideHeader(int *const *headerDefs)
{
    for (int k = 0; k < kIndexedEntries; ++k) {
        const qint64 position = headerDefs[k][0];
        const qint64 length = headerDefs[k][1];
        if (position < 1 || position > kTraceHeaderBytes)
            return false;
        if (position + length - 1 > kTraceHeaderBytes)
            return false;
    }
    return true;
}

// Maps the chunk's block, up to the last header byte needed so that a short last trace still
// maps, and tells the kernel how it will be read. Null where the block cannot be mapped as a whole.
static const uchar *mapChunk(QFile &segy, qint64 fileSize, qint64 first, int count, qint64 trBytes,
                             int headerBytes, const ReadAhead &ahead)
{
    if (count == 0 || trBytes <= 0)
        return nullptr;
    const qint64 offset = qint64(kFileHeaderBytes) + first * trBytes;
    const qint64 span = (count - 1) * trBytes + headerBytes;
    if (offset + span > fileSize)
        return nullptr;
    const uchar *block = segy.map(offset, span);
    if (!block)
        return nullptr;
    // The mapping itself starts on a page boundary at or before the block.
    const std::uintptr_t page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t start = std::uintptr_t(block) & ~(page - 1);
    ::madvise(reinterpret_cast<void *>(start), size_t(std::uintptr_t(block) - start + span), ahead.mappingAdvice());
    return block;
}

// One positioned read per trace into the header buffer. A short read overwrites only what it
// got, so the rest of the slot repeats the bytes last read.
static void readChunkPositioned(QFile &segy, qint64 first, int count, qint64 trBytes,
                                int headerBytes, char *header, char *chunk, ReadAhead &ahead)
{
    for (int i = 0; i < count; ++i) {
        ahead.reach(first + i);
        if (segy.seek(qint64(kFileHeaderBytes) + (first + i) * trBytes))
            segy.read(header, headerBytes);
        std::memcpy(chunk + qint64(i) * headerBytes, header, size_t(headerBytes));
    }
}

TraceIndexResult writeTraceIndex(const QString &segyPath, qint64 trBytes, int totalTraces,
                                 int *const *headerDefs, const ProgressSink &progress)
{
    return writeTraceIndex(segyPath, trBytes, totalTraces, headerDefs, progress,
                           TraceHeaderAccess::Mapped);
}

TraceIndexResult writeTraceIndex(const QString &segyPath, qint64 trBytes, int totalTraces,
                                 int *const *headerDefs, const ProgressSink &progress,
                                 TraceHeaderAccess access)
{
    // A trace length within 32 bits keeps every offset below 2^62.
    if (!indexFieldsInsideHeader(headerDefs) || totalTraces < 0 || trBytes < 0
        || trBytes > std::numeric_limits<qint32>::max())
        return TraceIndexResult::BadLayout;

    // Unbuffered: a buffered read would drag the samples after each header through its buffer.
    QFile segy(segyPath);
    if (!segy.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return TraceIndexResult::SegyOpenFailed;
    QFile index(traceIndexPath(segyPath));
    if (!index.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return TraceIndexResult::IndexCreateFailed;

    const int headerBytes = indexHeaderBytes(headerDefs);
    int positions[kIndexedEntries];
    int lengths[kIndexedEntries];
    for (int k = 0; k < kIndexedEntries; ++k) {
        positions[k] = headerDefs[k][0];
        lengths[k] = headerDefs[k][1];
    }

    if (progress.begun)
        progress.begun();
    ProgressCadence cadence(totalTraces);

    ReadAhead ahead(segy.handle(), trBytes, headerBytes, totalTraces);
    const qint64 fileSize = segy.size();
    std::vector<char> header(size_t(headerBytes), 0);
    std::vector<char> chunk;
    std::vector<TraceIndexRecord> records;
    // Division truncates toward zero: no traces still make one, empty, chunk.
    const int chunks = (totalTraces - 1) / kTracesPerChunk + 1;
    for (int c = 0; c < chunks; ++c) {
        const qint64 first = qint64(c) * kTracesPerChunk;
        const int count = int(std::min<qint64>(kTracesPerChunk, totalTraces - first));
        records.resize(size_t(count));

        // Mapped, the headers are decoded where they lie; read, each sits in its chunk slot.
        const uchar *block = access == TraceHeaderAccess::Mapped
            ? mapChunk(segy, fileSize, first, count, trBytes, headerBytes, ahead) : nullptr;
        const char *headers = reinterpret_cast<const char *>(block);
        qint64 stride = trBytes;
        if (!block) {
            chunk.assign(size_t(count) * size_t(headerBytes), 0);
            readChunkPositioned(segy, first, count, trBytes, headerBytes, header.data(), chunk.data(), ahead);
            headers = chunk.data();
            stride = headerBytes;
        }

        for (int i = 0; i < count; ++i) {
            ahead.reach(first + i);
            const char *slot = headers + i * stride;
            TraceIndexRecord &record = records[size_t(i)];
            record.ffid = qToLittleEndian<qint32>(decodeHeaderValue(slot, positions[0], lengths[0]));
            record.value1 = qToLittleEndian<qint32>(decodeHeaderValue(slot, positions[1], lengths[1]));
            record.value2 = qToLittleEndian<qint32>(decodeHeaderValue(slot, positions[2], lengths[2]));
            record.traceNumber = qToLittleEndian<qint32>(qint32(first + i + 1));
            advanceProgress(cadence, progress);
        }
        if (block) {
            // A later chunk that falls back starts from the last header of this one.
            std::memcpy(header.data(), headers + (count - 1) * stride, header.size());
            segy.unmap(const_cast<uchar *>(block));
        }
        index.write(reinterpret_cast<const char *>(records.data()), qint64(count) * kIndexRecordBytes);
    }
    return TraceIndexResult::Written;
}
