// Times `segyhdr qc` over a large line against writing its trace index, in the same run. The
// first qc run of a file builds the index; here the index is present, so the qc figure is the
// shot-by-shot header check alone. Also reports the peak memory of qc over a tenth of the line
// and over all of it: the check reads shot by shot, so the two should be alike.
//
// Usage: bench_SegyhdrQc [traces [folder]]   (default 2,000,000 traces in the temporary folder)

#include "BenchSupport.h"

#include "TraceIndex.h"

#include <TarnSegy.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

#include <array>

constexpr int kDefaultTraces = 2000000;
constexpr int kSamples = kQcLineSamples;
constexpr int kTracesPerShot = kQcLineTracesPerShot;
// One shot in this many has a source elevation that changes on its last trace.
constexpr int kFlaggedEvery = 1000;

static bool writeLine(const QString &path, int traces, QTextStream &out)
{
    const QString error = writeQcLine(path, traces, [](int shot) { return shot % kFlaggedEvery == 0; });
    if (!error.isEmpty())
        out << error << "\n";
    return error.isEmpty();
}

// Peak resident memory of the children waited for so far, in MiB.
static double childrenPeakMiB()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss / 1024.0;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    const int traces = args.size() > 1 ? args.at(1).toInt() : kDefaultTraces;
    const QString folder = args.size() > 2 ? args.at(2) : QDir::tempPath();
    const QString segyhdr = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("segyhdr"));
    if (traces < 10 * kTracesPerShot || !QFileInfo(segyhdr).isExecutable()) {
        out << "usage: bench_SegyhdrQc [traces [folder]], at least " << 10 * kTracesPerShot
            << " traces, with segyhdr beside it\n";
        return 2;
    }
    QTemporaryDir work(QDir(folder).filePath(QStringLiteral("bench_SegyhdrQc-XXXXXX")));
    const QString small = work.filePath(QStringLiteral("tenth.sgy"));
    const QString large = work.filePath(QStringLiteral("line.sgy"));
    QElapsedTimer timer;
    timer.start();
    if (!work.isValid() || !writeLine(small, traces / 10, out) || !writeLine(large, traces, out))
        return 1;
    out << "machine: " << machineDescription() << "\n"
        << "data: " << traces << " traces of " << 240 + 4 * kSamples << " bytes, " << kTracesPerShot
        << " per shot, " << QString::number(QFileInfo(large).size() / double(1 << 30), 'f', 2)
        << " GiB; generated in " << QString::number(timer.nsecsElapsed() / 1e9, 'f', 1) << " s\n";
    out.flush();

    QFile file(large);
    file.open(QIODevice::ReadOnly);
    TarnSegy segy(&file);

    // The tenth first, while it is the only child so far: the peak after it is its own.
    QString summary;
    if (timeSegyhdrQc(segyhdr, small, &summary) < 0) {
        out << "segyhdr qc failed\n";
        return 1;
    }
    const double smallPeak = childrenPeakMiB();

    // The first round starts from a cold page cache, the second from a warm one.
    std::array<double, 2> indexSeconds{};
    std::array<double, 2> qcSeconds{};
    for (int round = 0; round < 2; ++round) {
        if (round == 0 && !dropFromPageCache(large))
            out << "cannot drop the file from the page cache; the first round is warm\n";
        timer.restart();
        if (writeTraceIndex(large, segy.trBytes(), segy.totalTraces(), benchHeaderDefs(), ProgressSink{}) != TraceIndexResult::Written) {
            out << "the trace index could not be written\n";
            return 1;
        }
        indexSeconds[round] = timer.nsecsElapsed() / 1e9;
        if (round == 0 && !(dropFromPageCache(large) && dropFromPageCache(traceIndexPath(large))))
            out << "cannot drop the files from the page cache; the first qc run is warm\n";
        qcSeconds[round] = timeSegyhdrQc(segyhdr, large, &summary);
        if (qcSeconds[round] < 0) {
            out << "segyhdr qc failed\n";
            return 1;
        }
    }
    out << "qc: " << summary << "\n";
    for (int round = 0; round < 2; ++round) {
        out << (round == 0 ? "cold" : "warm") << ": index build (baseline) "
            << QString::number(indexSeconds[round], 'f', 2) << " s, segyhdr qc with the index present "
            << QString::number(qcSeconds[round], 'f', 2) << " s, ratio qc / index "
            << QString::number(qcSeconds[round] / indexSeconds[round], 'f', 2) << "x\n";
    }

    out << "peak memory of segyhdr qc: " << QString::number(smallPeak, 'f', 1) << " MiB over "
        << traces / 10 << " traces, " << QString::number(childrenPeakMiB(), 'f', 1) << " MiB over "
        << traces << " traces\n";
    return 0;
}
