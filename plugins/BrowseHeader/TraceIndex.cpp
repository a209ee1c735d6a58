#include "TraceIndex.h"

#include <QFile>
#include <QtEndian>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

constexpr qint64 kFirstTraceOffset = 3600;
constexpr int kTraceHeaderBytes = 240;
constexpr int kIndexedEntries = 3;

// From this many pages a trace, fetching only the pages that hold headers reads a third of the
// file or less; shorter traces are read whole, in the long runs storage serves fastest.
constexpr qint64 kHeaderPagesOnlyTracePages = 3;
// How far ahead of the trace being copied the kernel is kept reading, and in what steps: far
// enough to keep the storage busy while a chunk is copied, near enough not to evict what the
// scan has yet to reach.
constexpr qint64 kReadAheadBytes = qint64(64) << 20;
constexpr qint64 kReadAheadHeaders = 4000;
constexpr qint64 kReadAheadSteps = 8;

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

    /// The scan is about to copy the trace: keep the read-ahead the distance in front of it.
    void reach(qint64 trace)
    {
        const qint64 target = std::min(totalTraces, trace + distance);
        if (target - requested < step && target < totalTraces)
            return;
        if (target <= requested)
            return;
        if (headersOnly) {
            for (qint64 t = requested; t < target; ++t)
                ::posix_fadvise(fd, kFirstTraceOffset + t * trBytes, headerBytes, POSIX_FADV_WILLNEED);
        } else {
            ::posix_fadvise(fd, kFirstTraceOffset + requested * trBytes, (target - requested) * trBytes,
                            POSIX_FADV_WILLNEED);
        }
        requested = target;
    }

private:
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

int readHeaderValue(const char *header, int position, int length)
{
    const char *field = header + (position - 1);
    if (length == 4)
        return qFromBigEndian<qint32>(field);
    return qFromBigEndian<qint16>(field);
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

// Copies each trace's leading header bytes into its slot through one mapping of the chunk's
// block. False, with nothing copied, where the block cannot be mapped as a whole.
static bool readChunkMapped(QFile &segy, qint64 first, int count, qint64 trBytes,
                            int headerBytes, char *chunk, ReadAhead &ahead)
{
    if (count == 0)
        return true;
    if (trBytes <= 0)
        return false;
    const qint64 offset = kFirstTraceOffset + first * trBytes;
    // Up to the last header byte needed, so a short last trace still maps.
    const qint64 span = (count - 1) * trBytes + headerBytes;
    if (offset + span > segy.size())
        return false;
    const uchar *block = segy.map(offset, span);
    if (!block)
        return false;
    // The mapping itself starts on a page boundary at or before the block.
    const std::uintptr_t page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t start = std::uintptr_t(block) & ~(page - 1);
    ::madvise(reinterpret_cast<void *>(start), size_t(std::uintptr_t(block) - start + span), ahead.mappingAdvice());
    for (int i = 0; i < count; ++i) {
        ahead.reach(first + i);
        std::memcpy(chunk + qint64(i) * headerBytes, block + i * trBytes, size_t(headerBytes));
    }
    segy.unmap(const_cast<uchar *>(block));
    return true;
}

// One positioned read per trace into the header buffer. A short read overwrites only what it
// got, so the rest of the slot repeats the bytes last read.
static void readChunkPositioned(QFile &segy, qint64 first, int count, qint64 trBytes,
                                int headerBytes, char *header, char *chunk, ReadAhead &ahead)
{
    for (int i = 0; i < count; ++i) {
        ahead.reach(first + i);
        if (segy.seek(kFirstTraceOffset + (first + i) * trBytes))
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
    std::vector<char> header(size_t(headerBytes), 0);
    std::vector<char> chunk;
    std::vector<TraceIndexRecord> records;
    // Division truncates toward zero: no traces still make one, empty, chunk.
    const int chunks = (totalTraces - 1) / kTracesPerChunk + 1;
    for (int c = 0; c < chunks; ++c) {
        const qint64 first = qint64(c) * kTracesPerChunk;
        const int count = int(std::min<qint64>(kTracesPerChunk, totalTraces - first));
        chunk.assign(size_t(count) * size_t(headerBytes), 0);
        records.resize(size_t(count));

        const bool mapped = access == TraceHeaderAccess::Mapped
            && readChunkMapped(segy, first, count, trBytes, headerBytes, chunk.data(), ahead);
        if (!mapped)
            readChunkPositioned(segy, first, count, trBytes, headerBytes, header.data(), chunk.data(), ahead);
        else if (count > 0)
            // A later chunk that falls back starts from the last header of this one.
            std::memcpy(header.data(), chunk.data() + qint64(count - 1) * headerBytes, header.size());

        for (int i = 0; i < count; ++i) {
            const char *slot = chunk.data() + qint64(i) * headerBytes;
            TraceIndexRecord &record = records[size_t(i)];
            record.ffid = qToLittleEndian<qint32>(readHeaderValue(slot, positions[0], lengths[0]));
            record.value1 = qToLittleEndian<qint32>(readHeaderValue(slot, positions[1], lengths[1]));
            record.value2 = qToLittleEndian<qint32>(readHeaderValue(slot, positions[2], lengths[2]));
            record.traceNumber = qToLittleEndian<qint32>(qint32(first + i + 1));
            advanceProgress(cadence, progress);
        }
        index.write(reinterpret_cast<const char *>(records.data()), qint64(count) * kIndexRecordBytes);
    }
    return TraceIndexResult::Written;
}
