// Times OK to the first shot on screen, from a warm page cache, through the real plug-in: loaded
// as the host loads it, its action triggered, the file typed into the browse dialog and OK
// clicked, until the viewer has painted shot 0 (offscreen platform). Beside it, in the same
// run and interleaved round by round: the floor (one mapping of the file, bytes 9, 13 and 37 of
// every header decoded into 16-byte records, written, equal FFIDs grouped), the same with one
// pread per trace, and segyio's attributes() with and without mmap() (python3-segyio), whose
// records must match the plug-in's index byte for byte. Then the peak memory of the OK flow,
// each size in a child process of its own.
//
// Usage: bench_FirstShot FOLDER TRACES:BYTES [TRACES:BYTES ...] [--rounds N] [--memory N,N,...]
//        e.g. bench_FirstShot build/perf 2000000:440 200000:4240 --memory 200000,2000000
// Internal: bench_FirstShot --peak FILE [N]   (N OK flows without an index, by default one;
//           prints VmHWM and the last one's milliseconds)

#include "BenchSupport.h"

#include "ShotEntry.h"
#include "TraceIndex.h"

#include <ZnGeneralPlugin.h>
#include <ZnProjectManager.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPluginLoader>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QtEndian>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <functional>
#include <vector>

constexpr int kDefaultRounds = 3;
constexpr int kTracesPerShot = 1000;
constexpr qint64 kFirstTrace = 3600;
constexpr int kHeaderBytes = 240;
constexpr int kRecordsPerWrite = 10000;

// Decodes one header into its record the way the floor and the per-trace reader both do.
static void putRecord(const char *header, qint64 trace, TraceIndexRecord &record)
{
    record.ffid = qToLittleEndian<qint32>(qFromBigEndian<qint32>(header + 8));
    record.value1 = qToLittleEndian<qint32>(qFromBigEndian<qint32>(header + 12));
    record.value2 = qToLittleEndian<qint32>(qFromBigEndian<qint32>(header + 36));
    record.traceNumber = qToLittleEndian<qint32>(qint32(trace + 1));
}

static void group(const std::vector<TraceIndexRecord> &records, QVector<ShotEntry> &shots)
{
    shots.clear();
    ShotEntry current{records.empty() ? 0 : records[0].ffid, 0, -1};
    for (qint32 r = 0; r < qint32(records.size()); ++r) {
        if (records[size_t(r)].ffid != current.ffid) {
            shots.append(current);
            current = {records[size_t(r)].ffid, r, r};
        }
        current.lastTrace = r;
    }
    shots.append(current);
}

// The floor and the per-trace reader: records for every trace, written in chunks, then grouped.
static qint64 indexBy(const QString &segy, const QString &index, qint64 traces, qint64 traceBytes,
                      bool mapped)
{
    const int fd = ::open(QFile::encodeName(segy).constData(), O_RDONLY);
    const int out = ::open(QFile::encodeName(index).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || out < 0)
        return -1;
    const size_t size = size_t(kFirstTrace + traces * traceBytes);
    const char *file = nullptr;
    if (mapped) {
        void *map = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
        if (map == MAP_FAILED)
            return -1;
        file = static_cast<const char *>(map);
    }
    std::vector<TraceIndexRecord> records(static_cast<size_t>(traces));
    char header[kHeaderBytes];
    for (qint64 t = 0; t < traces; ++t) {
        const qint64 at = kFirstTrace + t * traceBytes;
        if (mapped)
            putRecord(file + at, t, records[size_t(t)]);
        else if (::pread(fd, header, kHeaderBytes, at) == kHeaderBytes)
            putRecord(header, t, records[size_t(t)]);
    }
    for (qint64 t = 0; t < traces; t += kRecordsPerWrite) {
        const size_t bytes = size_t(std::min<qint64>(kRecordsPerWrite, traces - t)) * sizeof(TraceIndexRecord);
        if (::write(out, &records[size_t(t)], bytes) != qint64(bytes))
            return -1;
    }
    QVector<ShotEntry> shots;
    group(records, shots);
    if (mapped)
        ::munmap(const_cast<char *>(file), size);
    ::close(fd);
    ::close(out);
    return shots.size();
}

// The plug-in's OK flow: milliseconds from the OK click until the viewer has painted shot 0, or
// -1 when the viewer never came; cpuMs gets the CPU time of the same span.
static double okToFirstShot(ZnGeneralPlugin *plugin, const QString &segy, double *cpuMs = nullptr)
{
    QScopedPointer<QAction> action(plugin->createAction());
    QElapsedTimer timer;
    double cpuStart = 0;
    double ms = -1;
    std::function<void()> watchViewer = [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->inherits("ShowHeaderTable")) {
            QTimer::singleShot(0, watchViewer);
            return;
        }
        QApplication::processEvents();
        ms = timer.nsecsElapsed() / 1e6;
        if (cpuMs)
            *cpuMs = (cpuSeconds() - cpuStart) * 1e3;
        modal->close();
    };
    QTimer::singleShot(0, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        auto *name = dialog ? dialog->findChild<QLineEdit *>(QStringLiteral("segyName")) : nullptr;
        auto *ok = dialog ? dialog->findChild<QAbstractButton *>(QStringLiteral("okButton")) : nullptr;
        if (!name || !ok) {
            if (dialog)
                dialog->close();
            return;
        }
        name->setText(segy);
        QTimer::singleShot(0, watchViewer);
        cpuStart = cpuSeconds();
        timer.start();
        ok->click();
        dialog->close();
    });
    action->trigger();
    return ms;
}

static bool sameBytes(const QString &a, const QString &b)
{
    QFile fa(a);
    QFile fb(b);
    return fa.open(QIODevice::ReadOnly) && fb.open(QIODevice::ReadOnly) && fa.size() == fb.size()
        && fa.readAll() == fb.readAll();
}

static void warm(const QString &path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        while (!file.read(1 << 20).isEmpty()) {
        }
    }
}

static QString ratio(double a, double b)
{
    return QString::number(a / b, 'f', 2) + QLatin1Char('x');
}

int main(int argc, char **argv)
{
    useQuietOffscreenQt();
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QStringList args = app.arguments().mid(1);

    QTemporaryDir project;
    QPluginLoader loader(QStringLiteral(ZN_PLUGIN_FILE));
    auto *plugin = qobject_cast<ZnGeneralPlugin *>(loader.instance());
    if (!plugin || !project.isValid() || !ZnProjectManager::instance().openProject(project.path())) {
        out << "cannot load " << ZN_PLUGIN_FILE << ": " << loader.errorString() << "\n";
        return 1;
    }

    // A child's one OK flow; more of them to profile it.
    if (args.size() >= 2 && args.at(0) == QLatin1String("--peak")) {
        double ms = -1;
        for (int i = 0; i < std::max(1, args.value(2).toInt()); ++i) {
            QFile::remove(traceIndexPath(args.at(1)));
            ms = okToFirstShot(plugin, args.at(1));
        }
        out << peakResidentBytes() << " " << ms << "\n";
        return ms < 0 ? 1 : 0;
    }

    auto takeOption = [&](const QString &name) {
        const int at = args.indexOf(name);
        if (at < 0 || at + 1 >= args.size())
            return QString();
        const QString value = args.at(at + 1);
        args.erase(args.begin() + at, args.begin() + at + 2);
        return value;
    };
    const int rounds = std::max(1, takeOption(QStringLiteral("--rounds")).toInt() ?: kDefaultRounds);
    const QStringList memorySizes = takeOption(QStringLiteral("--memory")).split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (args.size() < 1) {
        out << "usage: bench_FirstShot FOLDER TRACES:BYTES [TRACES:BYTES ...] [--rounds N] [--memory N,N]\n";
        return 2;
    }
    const QString folder = args.takeFirst();
    const QString python = QStringLiteral("/usr/bin/python3");
    const QString segyioScript = QStringLiteral(ZN_BENCH_DIR "/segyio_index.py");
    out << "machine: " << machineDescription() << ", Qt " << qVersion() << ", platform "
        << QApplication::platformName() << "\n";
    bool right = true;

    for (const QString &size : args) {
        const BenchLine line = makeBenchLine(folder, QStringLiteral("warm"), size, kTracesPerShot);
        if (!line.error.isEmpty()) {
            out << line.error << "\n";
            return line.exitCode;
        }
        const qint64 traces = line.traces;
        const qint64 traceBytes = line.traceBytes;
        const QString &segy = line.path;
        warm(segy);
        const QString floorIndex = segy + QStringLiteral(".floor");
        const QString segyioIndex = segy + QStringLiteral(".segyio");
        out << "\n" << traces << " traces of " << traceBytes << " bytes ("
            << QString::number(QFile(segy).size() / 1e6, 'f', 0) << " MB, shots of " << kTracesPerShot
            << " traces), warm page cache, medians of " << rounds << " interleaved rounds\n";
        out.flush();

        struct Method
        {
            const char *name;
            // Wall milliseconds, or -1; the CPU milliseconds go to the second argument.
            std::function<double(double &)> run;
            std::vector<double> ms;
            std::vector<double> cpu;
        };
        auto timed = [](const std::function<bool()> &step, double &cpu) {
            QElapsedTimer timer;
            const double cpuStart = cpuSeconds();
            timer.start();
            const bool done = step();
            cpu = (cpuSeconds() - cpuStart) * 1e3;
            return done ? timer.nsecsElapsed() / 1e6 : -1.0;
        };
        auto segyio = [&](bool mmap, double &cpu) {
            QProcess p;
            QStringList a{segyioScript, segy, segyioIndex};
            if (mmap)
                a.insert(1, QStringLiteral("--mmap"));
            p.start(python, a);
            if (!p.waitForFinished(-1) || p.exitCode() != 0)
                return -1.0;
            right = right && sameBytes(segyioIndex, traceIndexPath(segy));
            const QString figures = QString::fromLatin1(p.readAllStandardOutput());
            cpu = figures.section(QLatin1Char(' '), 1, 1).toDouble();
            return figures.section(QLatin1Char(' '), 0, 0).toDouble();
        };
        std::vector<Method> methods = {
            {"plug-in, no index", [&](double &cpu) {
                 QFile::remove(traceIndexPath(segy));
                 return okToFirstShot(plugin, segy, &cpu);
             }, {}, {}},
            {"plug-in, index there", [&](double &cpu) { return okToFirstShot(plugin, segy, &cpu); }, {}, {}},
            {"floor: mapped loop", [&](double &cpu) {
                 return timed([&] { return indexBy(segy, floorIndex, traces, traceBytes, true) > 0; }, cpu);
             }, {}, {}},
            {"pread per trace", [&](double &cpu) {
                 return timed([&] { return indexBy(segy, floorIndex, traces, traceBytes, false) > 0; }, cpu);
             }, {}, {}},
            {"segyio, mmap()", [&](double &cpu) { return segyio(true, cpu); }, {}, {}},
            {"segyio, default", [&](double &cpu) { return segyio(false, cpu); }, {}, {}},
        };
        for (int round = 0; round < rounds; ++round) {
            for (Method &m : methods) {
                double cpu = 0;
                const double ms = m.run(cpu);
                right = right && ms >= 0;
                m.ms.push_back(ms);
                m.cpu.push_back(cpu);
            }
            right = right && sameBytes(floorIndex, traceIndexPath(segy));
        }
        const double plugin = median(methods[0].ms);
        const double floor = median(methods[2].ms);
        const double pluginCpu = median(methods[0].cpu);
        const double floorCpu = median(methods[2].cpu);
        for (Method &m : methods) {
            QStringList each;
            for (double v : m.ms)
                each << QString::number(v, 'f', 1);
            const double ms = median(m.ms);
            out << "  " << QString::fromLatin1(m.name).leftJustified(22) << QString::number(ms, 'f', 1).rightJustified(9)
                << " ms  (" << each.join(QLatin1Char(' ')) << ")   / floor " << ratio(ms, floor)
                << "   / plug-in " << ratio(ms, plugin) << "   CPU " << QString::number(median(m.cpu), 'f', 1)
                << " ms, / floor " << ratio(median(m.cpu), floorCpu) << ", / plug-in "
                << ratio(median(m.cpu), pluginCpu) << "\n";
        }
        out.flush();
        QFile::remove(floorIndex);
        QFile::remove(segyioIndex);
        QFile::remove(traceIndexPath(segy));
        QFile::remove(segy);
    }

    if (!memorySizes.isEmpty()) {
        out << "\npeak memory of the OK flow (VmHWM of a child process per size, 440-byte traces, shots of "
            << kTracesPerShot << ")\n";
        qint64 first = -1;
        for (const QString &size : memorySizes) {
            const qint64 traces = size.toLongLong();
            const QString segy = QDir(folder).filePath(QStringLiteral("memory-%1.sgy").arg(traces));
            const QString error = writeBenchLine(segy, traces, 440, kTracesPerShot);
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--peak"), segy});
            const bool ran = error.isEmpty() && child.waitForFinished(-1) && child.exitCode() == 0;
            const qint64 peak = QString::fromLatin1(child.readAllStandardOutput()).section(QLatin1Char(' '), 0, 0).toLongLong();
            right = right && ran;
            if (first < 0)
                first = peak;
            out << "  " << QString::number(traces).rightJustified(9) << " traces: " << QString::number(peak / 1e6, 'f', 1)
                << " MB" << (ran ? "" : " (failed)") << ", " << QString::number((peak - first) / 1e6, 'f', 1)
                << " MB above the first\n";
            QFile::remove(traceIndexPath(segy));
            QFile::remove(segy);
        }
    }
    out << "\nrecords identical (plug-in, floor, segyio): " << (right ? "yes" : "NO") << "\n";
    return right ? 0 : 1;
}
