#include "TraceIndex.h"

#include "TraceIndexScan.h"

#include <ReadAhead.h>

#include <QFile>
#include <QTemporaryFile>
#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>


// The permissions a new file gets from this process: 0666 less the umask. The kernel tells the
// umask in /proc; asking umask(2) would set it, under the feet of threads creating files.
static mode_t newFileMode()
{
    static const mode_t mode = [] {
        QFile status(QStringLiteral("/proc/self/status"));
        mode_t mask = 022;
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : status.readAll().split('\n')) {
                if (line.startsWith("Umask:"))
                    mask = mode_t(line.mid(6).trimmed().toUInt(nullptr, 8));
            }
        }
        return mode_t(0666 & ~mask);
    }();
    return mode;
}

// Where the index is written: a new file beside it, renamed over it once complete, so that
// nothing ever follows a link of the index's name and no reader finds half an index; or, where
// the folder cannot take a new file, the existing index rewritten in place if it is a plain file.
class IndexOutput
{
public:
    explicit IndexOutput(const QString &indexPath)
        : target(indexPath), temporary(indexPath + QStringLiteral(".XXXXXX"))
    {
    }

    ~IndexOutput()
    {
        if (inPlace >= 0)
            ::close(inPlace);
    }

    bool open()
    {
        // Qt may open an unnamed file and name it only when asked: a name that the folder cannot take
        // (too long for it) fails here, before a trace is read, and not at the rename.
        if (temporary.open() && !temporary.fileName().isEmpty()) {
            ::fchmod(temporary.handle(), newFileMode());
            return true;
        }
        // O_NOFOLLOW refuses a link; O_NONBLOCK keeps a FIFO of that name from hanging the open.
        inPlace = ::open(QFile::encodeName(target).constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        struct stat info;
        if (inPlace < 0 || ::fstat(inPlace, &info) != 0 || !S_ISREG(info.st_mode) || ::ftruncate(inPlace, 0) != 0)
            return false;
        ::fcntl(inPlace, F_SETFL, 0);
        return true;
    }

    bool write(const char *data, qint64 size)
    {
        if (inPlace < 0)
            return temporary.write(data, size) == size;
        for (qint64 done = 0; done < size;) {
            const ssize_t n = ::write(inPlace, data + done, size_t(size - done));
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    }

    bool commit()
    {
        if (inPlace >= 0)
            return true;
        if (!temporary.flush())
            return false;
        // rename() replaces a link of the target's name itself, never the file it points at.
        if (::rename(QFile::encodeName(temporary.fileName()).constData(), QFile::encodeName(target).constData()) != 0)
            return false;
        temporary.setAutoRemove(false);
        return true;
    }

private:
    QString target;
    QTemporaryFile temporary;
    int inPlace = -1;
};

QString traceIndexPath(const QString &segyPath)
{
    return segyPath + QStringLiteral(".index");
}

int readHeaderValue(const char *header, int position, int length)
{
    return decodeInt32(reinterpret_cast<const uchar *>(header) + (position - 1), fieldTypeForLength(length),
                       ByteOrder::BigEndian);
}

int indexHeaderBytes(int *const *headerDefs)
{
    // The latest end wins, whether of a field or of the two bytes read for a length of 1 or 3,
    // so that no decode reaches past a trace's slot. 64-bit sums: the table is not trusted here.
    qint64 n = 0;
    for (int k = 0; k < kIndexedFields; ++k) {
        const qint64 position = headerDefs[k][0];
        const int length = headerDefs[k][1];
        n = std::max({n, position + length - 1, position + fieldWidth(fieldTypeForLength(length)) - 1});
    }
    return int(std::min<qint64>(n, std::numeric_limits<int>::max()));
}

bool indexFieldsInsideHeader(int *const *headerDefs)
{
    for (int k = 0; k < kIndexedFields; ++k) {
        if (!definitionEntryFits(headerDefs[k][0], headerDefs[k][1]))
            return false;
    }
    return true;
}

IndexSource IndexSource::classic(const QString &segyPath, qint64 trBytes, qint64 totalTraces,
                                 int *const *headerDefs)
{
    IndexSource source;
    source.segyPath = segyPath;
    source.traceBytes = trBytes;
    source.traceCount = totalTraces;
    for (int k = 0; k < kIndexedFields; ++k) {
        source.fields[size_t(k)].position = headerDefs[k][0];
        source.fields[size_t(k)].type = fieldTypeForLength(headerDefs[k][1]);
    }
    source.headerBytes = indexHeaderBytes(headerDefs);
    return source;
}

IndexSource IndexSource::of(const QString &segyPath, const SegyGeometry &geometry, const HeaderLayout &layout)
{
    IndexSource source;
    source.segyPath = segyPath;
    source.firstTraceOffset = geometry.firstTraceOffset;
    source.traceBytes = geometry.traceBytes;
    source.traceCount = geometry.traceCount;
    source.byteOrder = geometry.byteOrder;
    for (int k = 0; k < kIndexedFields && k < layout.fields().size(); ++k) {
        const HeaderField &field = layout.fields().at(k);
        source.fields[size_t(k)] = field;
        source.headerBytes = std::max(source.headerBytes, field.position + fieldWidth(field.type) - 1);
    }
    return source;
}

static bool sourceFits(const IndexSource &source)
{
    // A trace length within 32 bits keeps every offset below 2^62.
    if (source.traceCount < 0 || source.traceCount > std::numeric_limits<qint32>::max()
        || source.traceBytes < 0 || source.traceBytes > std::numeric_limits<qint32>::max()
        || source.firstTraceOffset < 0 || source.headerBytes > kTraceHeaderBytes)
        return false;
    return std::all_of(source.fields.cbegin(), source.fields.cend(),
                       [](const HeaderField &f) { return fieldFits(f.position, fieldWidth(f.type)); });
}

// The indexed fields as the scan decodes them, worked out once: where each lies and how it is
// stored. Big-endian 2- and 4-byte integers, the viewer's every field, take a path of their own
// that decodes as fast as the header bytes arrive.
class IndexFields
{
public:
    explicit IndexFields(const IndexSource &source) : order(source.byteOrder)
    {
        for (int k = 0; k < kIndexedFields; ++k) {
            offsets[k] = source.fields[size_t(k)].position - 1;
            types[k] = source.fields[size_t(k)].type;
            plainBigEndian = plainBigEndian && order == ByteOrder::BigEndian
                    && (types[k] == FieldType::Int32 || types[k] == FieldType::Int16);
        }
    }

    TraceIndexRecord record(const char *slot, qint64 trace) const
    {
        const uchar *header = reinterpret_cast<const uchar *>(slot);
        qint32 values[kIndexedFields];
        for (int k = 0; k < kIndexedFields; ++k) {
            const uchar *field = header + offsets[k];
            if (plainBigEndian)
                values[k] = types[k] == FieldType::Int32 ? qFromBigEndian<qint32>(field) : qFromBigEndian<qint16>(field);
            else
                values[k] = decodeInt32(field, types[k], order);
        }
        return TraceIndexRecord{qToLittleEndian<qint32>(values[0]), qToLittleEndian<qint32>(values[1]),
                                qToLittleEndian<qint32>(values[2]), qToLittleEndian<qint32>(qint32(trace + 1))};
    }

private:
    int offsets[kIndexedFields];
    FieldType types[kIndexedFields];
    ByteOrder order;
    bool plainBigEndian = true;
};

// Maps the chunk's block, up to the last header byte needed so that a short last trace still
// maps, and tells the kernel how it will be read. Null where the block cannot be mapped as a whole.
static const uchar *mapChunk(QFile &segy, qint64 fileSize, const IndexSource &source, int readBytes, qint64 first,
                             int count, const ReadAhead &ahead)
{
    if (count == 0 || source.traceBytes <= 0)
        return nullptr;
    const qint64 offset = source.firstTraceOffset + first * source.traceBytes;
    const qint64 span = (count - 1) * source.traceBytes + readBytes;
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
static void readChunkPositioned(QFile &segy, const IndexSource &source, int readBytes, qint64 first, int count,
                                char *header, char *chunk, ReadAhead &ahead)
{
    for (int i = 0; i < count; ++i) {
        ahead.reach(first + i);
        if (segy.seek(source.firstTraceOffset + (first + i) * source.traceBytes))
            segy.read(header, readBytes);
        std::memcpy(chunk + qint64(i) * readBytes, header, size_t(readBytes));
    }
}

TraceIndexResult writeTraceIndex(const QString &segyPath, qint64 trBytes, int totalTraces,
                                 int *const *headerDefs, const ProgressSink &progress,
                                 TraceHeaderAccess access)
{
    if (!indexFieldsInsideHeader(headerDefs))
        return TraceIndexResult::BadLayout;
    return writeTraceIndex(IndexSource::classic(segyPath, trBytes, totalTraces, headerDefs),
                           traceIndexPath(segyPath), progress, access);
}

TraceIndexResult writeTraceIndex(const IndexSource &source, const QString &indexPath,
                                 const ProgressSink &progress, TraceHeaderAccess access)
{
    return scanTraceIndex(source, source.headerBytes, indexPath, progress, access, IndexChunkVisitor());
}

TraceIndexResult scanTraceIndex(const IndexSource &source, int readBytes, const QString &indexPath,
                                const ProgressSink &progress, TraceHeaderAccess access, const IndexChunkVisitor &visit)
{
    if (!sourceFits(source) || readBytes < source.headerBytes || readBytes > kTraceHeaderBytes)
        return TraceIndexResult::BadLayout;

    // Unbuffered: a buffered read would drag the samples after each header through its buffer.
    QFile segy(source.segyPath);
    if (!segy.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return TraceIndexResult::SegyOpenFailed;
    IndexOutput index(indexPath);
    if (!index.open())
        return TraceIndexResult::IndexCreateFailed;

    const ProgressScope scope(progress);
    ProgressCadence cadence(source.traceCount);

    ReadAhead ahead(segy.handle(), source.firstTraceOffset, source.traceBytes, readBytes, source.traceCount);
    const qint64 fileSize = segy.size();
    std::vector<char> header(size_t(readBytes), 0);
    std::vector<char> chunk;
    std::vector<TraceIndexRecord> records;
    const IndexFields fields(source);
    bool written = true;
    // Division truncates toward zero: no traces still make one, empty, chunk.
    const qint64 chunks = (source.traceCount - 1) / kTracesPerChunk + 1;
    for (qint64 c = 0; c < chunks; ++c) {
        const qint64 first = c * kTracesPerChunk;
        const int count = int(std::min<qint64>(kTracesPerChunk, source.traceCount - first));
        records.resize(size_t(count));

        // Mapped, the headers are decoded where they lie; read, each sits in its chunk slot.
        const uchar *block = access == TraceHeaderAccess::Mapped
            ? mapChunk(segy, fileSize, source, readBytes, first, count, ahead) : nullptr;
        const char *headers = reinterpret_cast<const char *>(block);
        qint64 stride = source.traceBytes;
        if (!block) {
            chunk.assign(size_t(count) * size_t(readBytes), 0);
            readChunkPositioned(segy, source, readBytes, first, count, header.data(), chunk.data(), ahead);
            headers = chunk.data();
            stride = readBytes;
        }

        for (int i = 0; i < count; ++i) {
            ahead.reach(first + i);
            records[size_t(i)] = fields.record(headers + i * stride, first + i);
            advanceProgress(cadence, progress);
        }
        if (visit && count > 0)
            visit(headers, stride, first, count, records.data());
        if (block) {
            // A later chunk that falls back starts from the last header of this one.
            std::memcpy(header.data(), headers + (count - 1) * stride, header.size());
            segy.unmap(const_cast<uchar *>(block));
        }
        written = index.write(reinterpret_cast<const char *>(records.data()), qint64(count) * kIndexRecordBytes)
                && written;
    }
    if (!written || !index.commit())
        return TraceIndexResult::IndexCreateFailed;
    return TraceIndexResult::Written;
}

bool indexMatches(const IndexSource &source, const QString &indexPath)
{
    QFile index(indexPath);
    QFile segy(source.segyPath);
    if (!sourceFits(source) || !index.open(QIODevice::ReadOnly) || !segy.open(QIODevice::ReadOnly)
        || index.size() != source.traceCount * kIndexRecordBytes)
        return false;
    // An empty index matches a line without traces; otherwise its first and last records decide.
    for (const qint64 trace : {qint64(0), source.traceCount - 1}) {
        if (source.traceCount == 0)
            break;
        TraceIndexRecord stored;
        QByteArray header;
        if (!index.seek(trace * kIndexRecordBytes)
            || index.read(reinterpret_cast<char *>(&stored), kIndexRecordBytes) != kIndexRecordBytes
            || !segy.seek(source.firstTraceOffset + trace * source.traceBytes)
            || (header = segy.read(source.headerBytes)).size() != source.headerBytes)
            return false;
        const TraceIndexRecord expected = IndexFields(source).record(header.constData(), trace);
        if (std::memcmp(&stored, &expected, sizeof stored) != 0)
            return false;
    }
    return true;
}
