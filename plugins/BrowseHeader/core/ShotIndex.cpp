#include "ShotIndex.h"

#include "TraceIndex.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <limits>
#include <vector>

bool extractShots(const QString &indexPath, QVector<ShotEntry> &shots, const ProgressSink &progress)
{
    shots.clear();
    // Unbuffered: each chunk is one large read straight into its buffer.
    QFile file(indexPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    const qint64 records = file.size() / kIndexRecordBytes;
    // Trace numbers are 32-bit; a larger file cannot be the index of a SEG-Y file.
    if (records > std::numeric_limits<qint32>::max())
        return false;

    const ProgressScope scope(progress);
    ProgressCadence cadence(records);

    // Without records this stays a shot of no traces: FFID 0, traces 0 to -1.
    ShotEntry current;
    current.ffid = 0;
    current.firstTrace = 0;
    std::vector<char> buffer;
    const qint64 chunks = (records - 1) / kRecordsPerChunk + 1;
    for (qint64 c = 0; c < chunks; ++c) {
        const qint64 first = c * kRecordsPerChunk;
        const qint64 count = std::min(kRecordsPerChunk, records - first);
        // What a file shrinking under us no longer holds reads as FFID 0 rather than stale bytes;
        // only that tail is zeroed, not the whole chunk before every read.
        const qint64 bytes = count * kIndexRecordBytes;
        buffer.resize(size_t(bytes));
        const qint64 got = file.seek(first * kIndexRecordBytes) ? file.read(buffer.data(), bytes) : 0;
        std::fill(buffer.begin() + std::max<qint64>(got, 0), buffer.end(), 0);

        if (c == 0 && count > 0)
            current.ffid = qFromLittleEndian<qint32>(buffer.data());
        for (qint64 i = 0; i < count; ++i) {
            const qint32 ffid = qFromLittleEndian<qint32>(buffer.data() + i * kIndexRecordBytes);
            const qint32 record = qint32(first + i);
            if (ffid != current.ffid) {
                shots.append(current);
                current.ffid = ffid;
                current.firstTrace = record;
            }
            current.lastTrace = record;
            advanceProgress(cadence, progress);
        }
    }
    current.lastTrace = qint32(records - 1);
    shots.append(current);
    return true;
}

int nextShotWithFfid(const QVector<ShotEntry> &shots, int from, qint32 ffid)
{
    const int count = shots.size();
    for (int step = 1; step <= count; ++step) {
        const int position = (from + step) % count;
        if (shots.at(position).ffid == ffid)
            return position;
    }
    return -1;
}
