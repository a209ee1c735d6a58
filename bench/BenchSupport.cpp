#include "BenchSupport.h"

#include "SegyWriter.h"

#include <HeaderLayout.h>

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

static QString cpuModel()
{
    QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
    if (cpuinfo.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : cpuinfo.readAll().split('\n')) {
            if (line.startsWith("model name"))
                return QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
        }
    }
    return QStringLiteral("unknown CPU");
}

QString machineDescription()
{
    return QStringLiteral("%1 cores, %2").arg(QThread::idealThreadCount()).arg(cpuModel());
}

static void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        fprintf(stderr, "%s\n", qPrintable(message));
}

void useQuietOffscreenQt()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
}

double cpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + ts.tv_nsec / 1e9;
}

bool dropFromPageCache(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool dropped = ::fdatasync(fd) == 0 && ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0;
    ::close(fd);
    return dropped;
}

double residentPercent(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return -1;
    struct stat st;
    double percent = -1;
    if (::fstat(fd, &st) == 0 && st.st_size > 0) {
        void *map = ::mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_SHARED, fd, 0);
        if (map != MAP_FAILED) {
            const long page = ::sysconf(_SC_PAGESIZE);
            std::vector<unsigned char> pages(size_t((st.st_size + page - 1) / page));
            if (::mincore(map, size_t(st.st_size), pages.data()) == 0)
                percent = 100.0 * double(std::count_if(pages.begin(), pages.end(), [](unsigned char p) { return p & 1; }))
                    / double(pages.size());
            ::munmap(map, size_t(st.st_size));
        }
    }
    ::close(fd);
    return percent;
}

static qint64 procField(const char *file, const QByteArray &name, qint64 unit)
{
    QFile f(QString::fromLatin1(file));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').first().toLongLong() * unit;
    }
    return -1;
}

qint64 storageReadBytes()
{
    return procField("/proc/self/io", "read_bytes:", 1);
}

qint64 peakResidentBytes()
{
    return procField("/proc/self/status", "VmHWM:", 1024);
}

double median(std::vector<double> &values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QString writeBenchLine(const QString &path, qint64 traces, qint64 traceBytes, int tracesPerShot)
{
    SegyWriter::Layout layout;
    layout.samples = int((traceBytes - 240) / 4);
    layout.formatCode = 5;
    SegyWriter writer(path, layout);
    if (!writer.open())
        return writer.errorString();
    SegyTraceHeader header;
    for (qint64 t = 0; t < traces; ++t) {
        const int channel = int(t % tracesPerShot);
        header.set(1, 4, t + 1);
        header.set(9, 4, 1001 + t / tracesPerShot);
        header.set(13, 4, channel + 1);
        header.set(37, 4, 25 * channel - 3000);
        header.set(41, 4, 400 + channel % 17);
        header.set(45, 4, 380);
        header.set(71, 2, -100);
        header.set(73, 4, 50000000 + 2500 * (t / tracesPerShot));
        header.set(81, 4, 50000000 + 1250 * channel);
        if (!writer.writeTrace(header))
            break;
    }
    return writer.close() ? QString() : writer.errorString();
}

QString writeQcLine(const QString &path, int traces, const std::function<bool(int shot)> &flagged)
{
    SegyWriter::Layout layout;
    layout.samples = kQcLineSamples;
    layout.formatCode = 5;
    layout.sparse = true;
    SegyWriter writer(path, layout);
    if (!writer.open())
        return writer.errorString();
    SegyTraceHeader header;
    for (int t = 0; t < traces; ++t) {
        const int shot = t / kQcLineTracesPerShot;
        const int channel = t % kQcLineTracesPerShot;
        // A short last shot ends before its last channel, so its flag goes on the file's last trace.
        const bool lastOfShot = channel == kQcLineTracesPerShot - 1 || t == traces - 1;
        header.set(1, 4, t + 1);
        header.set(9, 4, shot + 1);
        header.set(13, 4, channel + 1);
        header.set(37, 4, channel * 25 - 3000);
        header.set(45, 4, 100 + (lastOfShot && flagged(shot)));
        header.set(71, 2, -100);
        header.set(73, 4, 50000000 + shot * 2500);
        header.set(81, 4, 50000000 + shot * 2500 + channel * 1250 - 150000);
        if (!writer.writeTrace(header))
            break;
    }
    return writer.close() ? QString() : writer.errorString();
}

double timeSegyhdrQc(const QString &segyhdr, const QString &segy, QString *summary)
{
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.start(segyhdr, {QStringLiteral("qc"), segy});
    process.waitForFinished(-1);
    const double seconds = timer.nsecsElapsed() / 1e9;
    *summary = QString::fromUtf8(process.readAllStandardOutput()).trimmed().section('\n', -1);
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() != 2 ? seconds : -1;
}

int **benchHeaderDefs()
{
    static DefinitionTable standard(HeaderLayout::rev1());
    return standard.table();
}

BenchLine makeBenchLine(const QString &folder, const QString &prefix, const QString &size, int tracesPerShot)
{
    BenchLine line;
    line.traces = size.section(QLatin1Char(':'), 0, 0).toLongLong();
    line.traceBytes = size.section(QLatin1Char(':'), 1, 1).toLongLong();
    if (line.traces <= 0 || line.traceBytes < 240 || (line.traceBytes - 240) % 4 != 0) {
        line.error = QStringLiteral("bad size %1 (TRACES:BYTES, BYTES = 240 + 4 x samples)").arg(size);
        line.exitCode = 2;
        return line;
    }
    const QString path = QDir(folder).filePath(QStringLiteral("%1-%2x%3.sgy").arg(prefix).arg(line.traces).arg(line.traceBytes));
    line.error = writeBenchLine(path, line.traces, line.traceBytes, tracesPerShot);
    if (!line.error.isEmpty())
        line.exitCode = 1;
    else
        line.path = path;
    return line;
}
