// Times writing the trace index of a large SEG-Y file: each chunk's headers taken through one
// memory mapping, against one positioned read per trace, in the same run.
//
// Usage: bench_TraceIndex [traces [folder]]   (default 2,000,000 traces in the temporary folder)

#include "BenchSupport.h"

#include "SegyWriter.h"
#include "TraceIndex.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <ctime>

constexpr int kDefaultTraces = 2000000;
constexpr int kSamples = 1000;
constexpr int kTracesPerShot = 240;
// Left free on the disk and in memory besides the file.
constexpr qint64 kReserveBytes = qint64(2) << 30;

static qint64 availableMemory()
{
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : meminfo.readAll().split('\n')) {
            if (line.startsWith("MemAvailable:"))
                return line.mid(13).trimmed().split(' ').first().toLongLong() * 1024;
        }
    }
    return 0;
}

static qint64 diskUse(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? qint64(st.st_blocks) * 512 : -1;
}

static QString gib(qint64 bytes)
{
    return QString::number(double(bytes) / (1 << 30), 'f', 2) + QStringLiteral(" GiB");
}

static bool sameFile(const QString &a, const QString &b)
{
    QFile fa(a);
    QFile fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    while (!fa.atEnd()) {
        if (fa.read(1 << 20) != fb.read(1 << 20))
            return false;
    }
    return true;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    int traces = args.size() > 1 ? args.at(1).toInt() : kDefaultTraces;
    const QString folder = args.size() > 2 ? args.at(2) : QDir::tempPath();
    if (traces <= 0) {
        out << "usage: bench_TraceIndex [traces [folder]]\n";
        return 2;
    }

    SegyWriter::Layout layout;
    layout.samples = kSamples;
    layout.formatCode = 5;
    layout.sparse = true;
    const qint64 trBytes = 240 + qint64(kSamples) * SegyWriter::bytesPerSample(layout.formatCode);

    // Only the headers are written, but each lands in a block of its own (and one in
    // blockSize / 240 straddles two), so the disk holds about a block per trace. Reading fills
    // the holes into the page cache as well.
    struct statvfs fs;
    if (::statvfs(QFile::encodeName(folder).constData(), &fs) != 0) {
        out << "cannot inspect the folder " << folder << "\n";
        return 1;
    }
    const qint64 block = qint64(fs.f_bsize);
    const qint64 diskPerTrace = std::min(trBytes, block + 240);
    const qint64 freeDisk = qint64(fs.f_bavail) * qint64(fs.f_frsize) - kReserveBytes;
    // Warm figures need the file to stay cached: at most half the free memory.
    const qint64 freeMemory = availableMemory() / 2 - kReserveBytes / 2;
    const qint64 fit = std::min(freeDisk / diskPerTrace, freeMemory / trBytes);
    if (traces > fit) {
        const int fewer = int(std::max<qint64>(fit, 0));
        out << "not enough room for " << traces << " traces (" << gib(qint64(traces) * diskPerTrace)
            << " on disk, " << gib(qint64(traces) * trBytes) << " in the page cache); using "
            << fewer << "\n";
        traces = fewer;
        if (traces < kTracesPerChunk) {
            out << "too little room for a meaningful run\n";
            return 1;
        }
    }

    QTemporaryDir work(QDir(folder).filePath(QStringLiteral("bench_TraceIndex-XXXXXX")));
    if (!work.isValid()) {
        out << "cannot create a folder in " << folder << "\n";
        return 1;
    }
    const QString segy = work.filePath(QStringLiteral("bench.sgy"));

    QElapsedTimer timer;
    timer.start();
    {
        SegyWriter writer(segy, layout);
        if (!writer.open()) {
            out << writer.errorString() << "\n";
            return 1;
        }
        SegyTraceHeader header;
        for (int t = 0; t < traces; ++t) {
            header.set(1, 4, t + 1);
            header.set(9, 4, t / kTracesPerShot + 1);
            header.set(13, 4, t % kTracesPerShot + 1);
            header.set(37, 4, (t % kTracesPerShot) * 25 - 3000);
            if (!writer.writeTrace(header))
                break;
        }
        if (!writer.close()) {
            out << writer.errorString() << "\n";
            return 1;
        }
    }
    const double generateSeconds = timer.nsecsElapsed() / 1e9;

    out << "machine: " << machineDescription() << "\n"
        << "data: " << traces << " traces of " << trBytes << " bytes (" << kSamples
        << " samples), " << gib(QFileInfo(segy).size()) << " apparent, " << gib(diskUse(segy))
        << " on disk; generated in " << QString::number(generateSeconds, 'f', 1) << " s\n";
    out.flush();

    std::array<int, 6> defsData = {9, 4, 13, 4, 37, 4};
    std::array<int *, 16> defs{};
    std::array<int, 2> unused = {0, 0};
    for (int k = 0; k < 16; ++k)
        defs[k] = k < 3 ? &defsData[2 * k] : unused.data();

    struct Variant
    {
        const char *name;
        TraceHeaderAccess access;
        QString keptIndex;
        std::array<double, 2> seconds;
        std::array<double, 2> cpu;
    };
    std::array<Variant, 2> variants = {{
        {"mapped chunks", TraceHeaderAccess::Mapped, work.filePath(QStringLiteral("mapped.index")), {}, {}},
        {"positioned reads (baseline)", TraceHeaderAccess::PositionedReads,
         work.filePath(QStringLiteral("positioned.index")), {}, {}},
    }};
    // The first run of each starts from a cold page cache, the second from a warm one.
    for (int run = 0; run < 2; ++run) {
        for (Variant &v : variants) {
            if (run == 0 && !dropFromPageCache(segy))
                out << "cannot drop the file from the page cache; the first runs are warm\n";
            const double cpuBefore = cpuSeconds();
            timer.restart();
            const TraceIndexResult result = writeTraceIndex(segy, trBytes, traces, defs.data(), ProgressSink{}, v.access);
            v.seconds[run] = timer.nsecsElapsed() / 1e9;
            v.cpu[run] = cpuSeconds() - cpuBefore;
            if (result != TraceIndexResult::Written) {
                out << "writeTraceIndex failed for " << v.name << "\n";
                return 1;
            }
            QFile::remove(v.keptIndex);
            QFile::rename(traceIndexPath(segy), v.keptIndex);
        }
    }
    const bool identical = sameFile(variants[0].keptIndex, variants[1].keptIndex);

    for (const Variant &v : variants) {
        out << qSetFieldWidth(28) << Qt::left << v.name << qSetFieldWidth(0)
            << " cold " << QString::number(v.seconds[0], 'f', 3) << " s, warm "
            << QString::number(v.seconds[1], 'f', 3) << " s (CPU " << QString::number(v.cpu[1], 'f', 3)
            << " s), " << QString::number(traces / v.seconds[1] / 1e6, 'f', 2) << " M traces/s\n";
    }
    out << "ratio (baseline / mapped, warm): "
        << QString::number(variants[1].seconds[1] / variants[0].seconds[1], 'f', 1) << "x wall, "
        << QString::number(variants[1].cpu[1] / variants[0].cpu[1], 'f', 1) << "x CPU\n"
        << "index files identical: " << (identical ? "yes" : "NO") << "\n";
    return identical ? 0 : 1;
}
