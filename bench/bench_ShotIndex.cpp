// Times grouping a large trace index file into shots, against plain sequential reading of the
// same bytes in the same chunks, in the same run.
//
// Usage: bench_ShotIndex [records [folder]]   (default 10,000,000 records in the temporary folder)

#include "BenchSupport.h"

#include "ShotIndex.h"
#include "TraceIndex.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QtEndian>

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <ctime>
#include <limits>
#include <vector>

constexpr qint64 kDefaultRecords = 10000000;
constexpr int kTracesPerShot = 240;
constexpr qint64 kReserveBytes = qint64(1) << 30;

static QString figures(const char *name, const std::array<double, 2> &seconds, double cpu, qint64 records)
{
    return QStringLiteral("%1 cold %2 s, warm %3 s (CPU %4 s), %5 M records/s")
        .arg(QLatin1String(name), -26)
        .arg(seconds[0], 0, 'f', 3)
        .arg(seconds[1], 0, 'f', 3)
        .arg(cpu, 0, 'f', 3)
        .arg(records / seconds[1] / 1e6, 0, 'f', 1);
}

static bool writeIndex(const QString &path, qint64 records)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    std::vector<TraceIndexRecord> chunk;
    for (qint64 first = 0; first < records; first += kRecordsPerChunk) {
        const qint64 count = std::min(kRecordsPerChunk, records - first);
        chunk.resize(size_t(count));
        for (qint64 i = 0; i < count; ++i) {
            const qint64 t = first + i;
            TraceIndexRecord &r = chunk[size_t(i)];
            r.ffid = qToLittleEndian<qint32>(qint32(t / kTracesPerShot + 1));
            r.value1 = qToLittleEndian<qint32>(qint32(t % kTracesPerShot + 1));
            r.value2 = qToLittleEndian<qint32>(qint32((t % kTracesPerShot) * 25 - 3000));
            r.traceNumber = qToLittleEndian<qint32>(qint32(t + 1));
        }
        const qint64 bytes = count * kIndexRecordBytes;
        if (file.write(reinterpret_cast<const char *>(chunk.data()), bytes) != bytes)
            return false;
    }
    return true;
}

// The baseline: the same chunked reads, with nothing done to the bytes.
static qint64 readSequentially(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return -1;
    std::vector<char> buffer(size_t(kRecordsPerChunk * kIndexRecordBytes));
    qint64 total = 0;
    for (;;) {
        const qint64 got = file.read(buffer.data(), qint64(buffer.size()));
        if (got <= 0)
            break;
        total += got;
    }
    return total;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    qint64 records = args.size() > 1 ? args.at(1).toLongLong() : kDefaultRecords;
    const QString folder = args.size() > 2 ? args.at(2) : QDir::tempPath();
    if (records <= 0 || records > std::numeric_limits<qint32>::max()) {
        out << "usage: bench_ShotIndex [records [folder]]\n";
        return 2;
    }

    struct statvfs fs;
    if (::statvfs(QFile::encodeName(folder).constData(), &fs) != 0) {
        out << "cannot inspect the folder " << folder << "\n";
        return 1;
    }
    const qint64 room = qint64(fs.f_bavail) * qint64(fs.f_frsize) - kReserveBytes;
    if (records * kIndexRecordBytes > room) {
        records = std::max<qint64>(room / kIndexRecordBytes, 0);
        out << "not enough disk space; using " << records << " records\n";
        if (records < kRecordsPerChunk)
            return 1;
    }

    QTemporaryDir work(QDir(folder).filePath(QStringLiteral("bench_ShotIndex-XXXXXX")));
    if (!work.isValid()) {
        out << "cannot create a folder in " << folder << "\n";
        return 1;
    }
    const QString index = work.filePath(QStringLiteral("bench.sgy.index"));
    if (!writeIndex(index, records)) {
        out << "cannot write " << index << "\n";
        return 1;
    }

    out << "machine: " << machineDescription() << "\n"
        << "data: " << records << " records (" << QString::number(records * kIndexRecordBytes / 1e6, 'f', 0)
        << " MB), shots of " << kTracesPerShot << " traces\n";

    QElapsedTimer timer;
    std::array<double, 2> extractSeconds{};
    std::array<double, 2> readSeconds{};
    double extractCpu = 0;
    double readCpu = 0;
    QVector<ShotEntry> shots;
    // The first run of each starts from a cold page cache, the second from a warm one.
    for (int run = 0; run < 2; ++run) {
        if (run == 0 && !dropFromPageCache(index))
            out << "cannot drop the file from the page cache; the first runs are warm\n";
        double cpu = cpuSeconds();
        timer.start();
        const qint64 read = readSequentially(index);
        readSeconds[run] = timer.nsecsElapsed() / 1e9;
        readCpu = cpuSeconds() - cpu;

        if (run == 0)
            dropFromPageCache(index);
        cpu = cpuSeconds();
        timer.restart();
        const bool ok = extractShots(index, shots, ProgressSink{});
        extractSeconds[run] = timer.nsecsElapsed() / 1e9;
        extractCpu = cpuSeconds() - cpu;
        if (!ok || read != records * kIndexRecordBytes) {
            out << "reading the index failed\n";
            return 1;
        }
    }
    const qint64 expectedShots = (records + kTracesPerShot - 1) / kTracesPerShot;
    const bool right = shots.size() == expectedShots && shots.last().lastTrace == records - 1;

    out << figures("extractShots", extractSeconds, extractCpu, records) << ", " << shots.size() << " shots\n"
        << figures("sequential read (baseline)", readSeconds, readCpu, records) << "\n"
        << "ratio (extractShots / baseline, warm): "
        << QString::number(extractSeconds[1] / readSeconds[1], 'f', 2) << "x wall, "
        << QString::number(extractCpu / readCpu, 'f', 2) << "x CPU\n"
        << "shots as expected: " << (right ? "yes" : "NO") << "\n";
    return right ? 0 : 1;
}
