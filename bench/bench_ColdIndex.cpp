// Times writing the trace index of a SEG-Y file that is not in the page cache, against the two
// ways storage can give up the bytes the index needs: the whole file read sequentially, and
// only the pages that hold trace headers, each fetched with a positioned read while the kernel
// is asked to read ahead. The three run interleaved round by round, each from a cold cache
// (the file fsynced and dropped, mincore showing how much stayed), and the bytes that each
// reads from storage are counted as well as its time.
//
// Usage: bench_ColdIndex FOLDER TRACES:BYTES [TRACES:BYTES ...] [--rounds N]
//        e.g. bench_ColdIndex build/perf 300000:4240 100000:24240   (writes each file in full)

#include "BenchSupport.h"

#include "TraceIndex.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <functional>
#include <vector>

constexpr int kDefaultRounds = 3;
constexpr int kTracesPerShot = 240;
constexpr qint64 kSequentialReadBytes = qint64(1) << 20;
constexpr int kHeaderReadAheadTraces = 2000;
constexpr qint64 kFirstTrace = 3600;
constexpr int kHeaderBytes = 240;

// The whole file with read() into one 1 MiB buffer.
static bool readWhole(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    std::vector<char> buffer(static_cast<size_t>(kSequentialReadBytes));
    while (::read(fd, buffer.data(), buffer.size()) > 0) {
    }
    ::close(fd);
    return true;
}

// Each trace header with its own pread, the kernel told to read no more than asked for and to
// fetch the header pages of the traces a little ahead.
static bool readHeaderPages(const QString &path, qint64 traces, qint64 traceBytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
    char header[kHeaderBytes];
    qint64 ahead = 0;
    for (qint64 t = 0; t < traces; ++t) {
        for (; ahead < std::min(traces, t + kHeaderReadAheadTraces); ++ahead)
            ::posix_fadvise(fd, kFirstTrace + ahead * traceBytes, kHeaderBytes, POSIX_FADV_WILLNEED);
        if (::pread(fd, header, kHeaderBytes, kFirstTrace + t * traceBytes) != kHeaderBytes) {
            ::close(fd);
            return false;
        }
    }
    ::close(fd);
    return true;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QStringList args = app.arguments().mid(1);
    int rounds = kDefaultRounds;
    const int roundsAt = args.indexOf(QStringLiteral("--rounds"));
    if (roundsAt >= 0 && roundsAt + 1 < args.size()) {
        rounds = std::max(1, args.at(roundsAt + 1).toInt());
        args.erase(args.begin() + roundsAt, args.begin() + roundsAt + 2);
    }
    if (args.size() < 2) {
        out << "usage: bench_ColdIndex FOLDER TRACES:BYTES [TRACES:BYTES ...] [--rounds N]\n";
        return 2;
    }
    const QString folder = args.takeFirst();
    out << "machine: " << machineDescription() << "\n";
    bool allWritten = true;

    for (const QString &size : args) {
        const BenchLine line = makeBenchLine(folder, QStringLiteral("cold"), size, kTracesPerShot);
        if (!line.error.isEmpty()) {
            out << line.error << "\n";
            return line.exitCode;
        }
        const qint64 traces = line.traces;
        const qint64 traceBytes = line.traceBytes;
        const QString &segy = line.path;
        const qint64 fileBytes = QFile(segy).size();
        out << "\n" << traces << " traces of " << traceBytes << " bytes, "
            << QString::number(fileBytes / 1e6, 'f', 0) << " MB, " << rounds << " rounds\n";
        out.flush();

        struct Method
        {
            const char *name;
            std::function<bool()> run;
            std::vector<double> ms;
            std::vector<double> mb;
        };
        std::array<Method, 3> methods = {{
            {"index build", [&] {
                 return writeTraceIndex(segy, traceBytes, int(traces), benchHeaderDefs(), ProgressSink{})
                     == TraceIndexResult::Written;
             }, {}, {}},
            {"sequential read", [&] { return readWhole(segy); }, {}, {}},
            {"header pages + prefetch", [&] { return readHeaderPages(segy, traces, traceBytes); }, {}, {}},
        }};
        double worstResident = 0;
        for (int round = 0; round < rounds; ++round) {
            for (Method &m : methods) {
                if (!dropFromPageCache(segy))
                    out << "cannot drop " << segy << " from the page cache\n";
                worstResident = std::max(worstResident, residentPercent(segy));
                const qint64 before = storageReadBytes();
                QElapsedTimer timer;
                timer.start();
                allWritten = m.run() && allWritten;
                m.ms.push_back(timer.nsecsElapsed() / 1e6);
                m.mb.push_back((storageReadBytes() - before) / 1e6);
            }
        }
        QFile::remove(traceIndexPath(segy));
        QFile::remove(segy);

        out << "resident before the cold runs: at most " << QString::number(worstResident, 'f', 1) << " %\n";
        const double buildMs = median(methods[0].ms);
        const double buildMb = median(methods[0].mb);
        for (Method &m : methods) {
            const QStringList each = [&] {
                QStringList l;
                for (double v : m.ms)
                    l << QString::number(v, 'f', 0);
                return l;
            }();
            const double ms = median(m.ms);
            const double mb = median(m.mb);
            out << "  " << QString::fromLatin1(m.name).leftJustified(24) << QString::number(ms, 'f', 0).rightJustified(7)
                << " ms (" << each.join(QLatin1Char(' ')) << ")" << QString::number(mb, 'f', 0).rightJustified(8)
                << " MB read";
            if (&m != &methods[0])
                out << "   index build / this: " << QString::number(buildMs / ms, 'f', 2) << "x time, "
                    << QString::number(buildMb / std::max(mb, 1e-9), 'f', 2) << "x bytes";
            out << "\n";
        }
        out.flush();
    }
    return allWritten ? 0 : 1;
}
