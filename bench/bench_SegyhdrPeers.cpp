// segyhdr's one-pass cores against the tools a processor would use instead, on the same files in
// the same run, warm and cold: (a) the 16-column dump against python3-segyio's attributes() (with
// and without mmap()) and pandas to_csv, and segyio-catr piped to a CSV script; (b) the shot QC of a
// file without an index (one pass: index, shots, ShotQc) against a numpy.memmap reader with a numpy
// QC; (c) the segyhdr program's range (min, max, first, last and distinct values of every SEG-Y rev 1
// field) against its qc on the same file, without and with the index; (d) the peak memory of each,
// every run a child process of its own. The runs of (b) and of (c) alternate round by round. Every
// peer's output is compared byte for byte with ours.
//
// Usage: bench_SegyhdrPeers FOLDER [TRACES:BYTES ...]   (default 2000000:440 200000:4240)
// The lines are written by segygen into FOLDER and removed at the end.

#include "BenchSupport.h"

#include <DumpRows.h>
#include <HeaderLayout.h>
#include <LineQc.h>
#include <LineScan.h>
#include <SegyGeometry.h>
#include <ShotTable.h>
#include <TraceDecoder.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr int kTracesPerShot = 240;
constexpr int kOurRepeats = 3;
// Rounds of the runs compared closely, qc against numpy and range against qc.
constexpr int kInterleavedRounds = 11;
constexpr qint64 kOutputFlushBytes = qint64(1) << 20;
const CustomFields kCustom{71, 2, 237, 4};

// ---- The children: what segyhdr will run, through the cores, over a file without an index.

struct ChildLine
{
    SegyGeometry geometry;
    IndexSource source;
    TraceDecoder decoder{HeaderLayout::rev1(), ByteOrder::BigEndian};
};

bool openChildLine(const QString &path, ChildLine *line)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    line->geometry = inspectSegy(file);
    line->source = IndexSource::of(path, line->geometry, HeaderLayout::rev1());
    line->decoder = TraceDecoder(HeaderLayout::rev1(), line->geometry.byteOrder);
    return line->geometry.readable;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    for (qint64 done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

int childDump(const ChildLine &line, const QString &out)
{
    const int fd = ::open(QFile::encodeName(out).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QByteArray buffer;
    QStringList names;
    for (int c = 0; c < kFieldColumnCount; ++c)
        names << QLatin1String(fieldName(c));
    names << QStringLiteral("byte") + byteRangeText(kCustom.cust1Pos, kCustom.cust1Len)
          << QStringLiteral("byte") + byteRangeText(kCustom.cust2Pos, kCustom.cust2Len);
    buffer = names.join(QLatin1Char(',')).toLatin1() + '\n';
    bool written = fd >= 0;
    QVector<ShotEntry> shots;
    const LineScanVisitors visitors{[&](const ShotHeaders &shot) {
        appendDumpRows(shot.records, shot.customValues, ',', buffer);
        if (buffer.size() >= kOutputFlushBytes) {
            written = writeAll(fd, buffer) && written;
            buffer.clear();
        }
    }, {}};
    const LineScanResult result = scanLine(line.source, traceIndexPath(line.source.segyPath), line.decoder, kCustom,
                                           visitors, shots);
    written = writeAll(fd, buffer) && written && ::close(fd) == 0;
    return result == LineScanResult::Scanned && written ? 0 : 1;
}

// Scans the line once, then writes what write() makes of it to out.
int scanAndWrite(const ChildLine &line, const LineScanVisitors &visitors, const QString &out,
                 const std::function<void(QTextStream &, const QVector<ShotEntry> &)> &write)
{
    QVector<ShotEntry> shots;
    if (scanLine(line.source, traceIndexPath(line.source.segyPath), line.decoder, kCustom, visitors, shots)
        != LineScanResult::Scanned)
        return 1;
    QFile file(out);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    QTextStream text(&file);
    write(text, shots);
    return 0;
}

int childQc(const ChildLine &line, const QString &out)
{
    LineQc qc;
    const LineScanVisitors visitors{[&qc](const ShotHeaders &shot) { qc.check(shot); }, {}};
    return scanAndWrite(line, visitors, out, [&qc](QTextStream &text, const QVector<ShotEntry> &shots) {
        for (const QcFinding &f : qc.findings(shots))
            text << f.position + 1 << ',' << qcReasonName(f.reason) << ','
                 << (f.reason == QcReason::Varies ? QLatin1String(fieldName(f.column)) : QLatin1String()) << '\n';
    });
}

int runChild(const QStringList &args)
{
    ChildLine line;
    if (args.size() != 3 || !openChildLine(args.at(1), &line))
        return 2;
    if (args.at(0) == QLatin1String("dump"))
        return childDump(line, args.at(2));
    return childQc(line, args.at(2));
}

// ---- The parent: runs and times each child.

struct Measured
{
    double wall = 0;
    double cpu = 0;     // user + system of the child and everything it waited for
    double peakMiB = 0; // of the largest process among them
    bool ok = false;
};

// Runs the program with the arguments, stdout to /dev/null, and takes its own resource usage; it
// succeeds when it ends with the status expected.
Measured run(const QStringList &command, int expectedStatus = 0)
{
    std::vector<QByteArray> bytes;
    for (const QString &arg : command)
        bytes.push_back(QFile::encodeName(arg));
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    Measured m;
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid)
        return m;
    m.wall = timer.nsecsElapsed() / 1e9;
    m.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    m.peakMiB = usage.ru_maxrss / 1024.0;
    m.ok = WIFEXITED(status) && WEXITSTATUS(status) == expectedStatus;
    return m;
}

bool sameBytes(const QString &a, const QString &b)
{
    QFile x(a);
    QFile y(b);
    if (!x.open(QIODevice::ReadOnly) || !y.open(QIODevice::ReadOnly) || x.size() != y.size())
        return false;
    while (!x.atEnd()) {
        if (x.read(kOutputFlushBytes) != y.read(kOutputFlushBytes))
            return false;
    }
    return true;
}

QString seconds(double s)
{
    return QString::number(s, 'f', 2);
}

class Bench
{
public:
    Bench(QTextStream &out, const QString &self, const QString &folder) : out(out), self(self), folder(folder) {}

    bool runLine(const QString &size);

private:
    // Times the command warm or cold (the line dropped from the page cache first, and checked), with
    // the index removed first unless it is to be kept; several runs give their median.
    Measured time(const QStringList &command, bool cold, int repeats, int expectedStatus = 0, bool keepIndex = false);
    struct Timed
    {
        QStringList command;
        int expectedStatus = 0;
        bool keepIndex = false;
    };
    // Each command once a round, in turn, and each one's median: load or storage that drifts
    // during the run then weighs on all of them alike.
    std::vector<Measured> interleaved(const std::vector<Timed> &commands, bool cold, int rounds);
    void report(const QString &what, const Measured &m, const Measured *baseline, const QString &check);

    QTextStream &out;
    QString self;
    QString folder;
    QString segy;
    double worstResident = 0;
};

// The run of median wall time; the runs are sorted.
static Measured medianRun(std::vector<Measured> &runs)
{
    std::sort(runs.begin(), runs.end(), [](const Measured &a, const Measured &b) { return a.wall < b.wall; });
    return runs[runs.size() / 2];
}

Measured Bench::time(const QStringList &command, bool cold, int repeats, int expectedStatus, bool keepIndex)
{
    std::vector<Measured> runs;
    for (int r = 0; r < repeats; ++r) {
        if (!keepIndex)
            QFile::remove(traceIndexPath(segy));
        if (cold) {
            dropFromPageCache(segy);
            worstResident = std::max(worstResident, residentPercent(segy));
        }
        runs.push_back(run(command, expectedStatus));
    }
    return medianRun(runs);
}

std::vector<Measured> Bench::interleaved(const std::vector<Timed> &commands, bool cold, int rounds)
{
    // Every other round starts with the last command, so that no command always runs just after
    // the same one (what a run leaves behind, such as memory just freed, falls on the next); the
    // others keep their order, so that one can use what the one before it wrote.
    const size_t n = commands.size();
    std::vector<std::vector<Measured>> runs(n);
    for (int r = 0; r < rounds; ++r) {
        for (size_t k = 0; k < n; ++k) {
            const size_t c = r % 2 == 0 ? k : (k + n - 1) % n;
            runs[c].push_back(time(commands[c].command, cold, 1, commands[c].expectedStatus, commands[c].keepIndex));
        }
    }
    std::vector<Measured> medians;
    for (std::vector<Measured> &each : runs)
        medians.push_back(medianRun(each));
    return medians;
}

void Bench::report(const QString &what, const Measured &m, const Measured *baseline, const QString &check)
{
    out << "  " << what.leftJustified(44) << (m.ok ? seconds(m.wall) + " s" : QStringLiteral("FAILED"))
        << " (CPU " << seconds(m.cpu) << " s), peak " << QString::number(m.peakMiB, 'f', 1) << " MiB";
    if (baseline && m.ok && baseline->ok)
        out << ", " << QString::number(m.wall / baseline->wall, 'f', 2) << "x ours (CPU "
            << QString::number(m.cpu / baseline->cpu, 'f', 2) << "x)";
    out << check << "\n";
    out.flush();
}

bool Bench::runLine(const QString &size)
{
    const qint64 traces = size.section(QLatin1Char(':'), 0, 0).toLongLong();
    const qint64 traceBytes = size.section(QLatin1Char(':'), 1, 1).toLongLong();
    if (traces < 100 * kTracesPerShot || traceBytes < 240 || (traceBytes - 240) % 4 != 0) {
        out << "bad size " << size << " (TRACES:BYTES, at least 24,000 traces, BYTES = 240 + 4 x samples)\n";
        return false;
    }
    segy = QDir(folder).filePath(QStringLiteral("peers-%1x%2.sgy").arg(traces).arg(traceBytes));
    // Findings of every kind: varying source headers, an FFID that comes back, a shot one trace short
    // and the next one long, and a repeated channel. Eastings in centimetres near 500 km land on the
    // 32-bit float's 1/32 m steps, many of them the ties x.125 and x.625 that the texts round.
    const qint64 shot50 = 50 * kTracesPerShot;
    const QStringList generate{
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("segygen")), QStringLiteral("--quiet"),
        QStringLiteral("--traces"), QString::number(traces), QStringLiteral("--channels"), QString::number(kTracesPerShot),
        QStringLiteral("--samples"), QString::number((traceBytes - 240) / 4), QStringLiteral("--ffid-start"), QStringLiteral("1001"),
        QStringLiteral("--origin"), QStringLiteral("500000.13,6500000.37"), QStringLiteral("--group-spacing"), QStringLiteral("12.51"),
        QStringLiteral("--inconsistent"), QStringLiteral("7,18:s_elev,30:source_y"),
        QStringLiteral("--set-trace"), QStringLiteral("%1-%2:9:4=1001").arg(shot50 + 1).arg(shot50 + kTracesPerShot),
        QStringLiteral("--set-trace"), QStringLiteral("%1:9:4=1062").arg(61 * kTracesPerShot),
        QStringLiteral("--set-trace"), QStringLiteral("%1:13:4=3").arg(70 * kTracesPerShot + 10), segy};
    QElapsedTimer timer;
    timer.start();
    if (!run(generate).ok) {
        out << "segygen failed: " << generate.join(QLatin1Char(' ')) << "\n";
        return false;
    }
    out << "\ndata: " << traces << " traces of " << traceBytes << " bytes, " << kTracesPerShot << " per shot, "
        << QString::number(QFileInfo(segy).size() / 1e6, 'f', 0) << " MB; written by segygen in "
        << seconds(timer.nsecsElapsed() / 1e9) << " s\n";

    const QString python = QStringLiteral("/usr/bin/python3");
    const QString scripts = QStringLiteral(ZN_BENCH_DIR);
    const auto output = [&](const QString &name) { return QDir(folder).filePath(QStringLiteral("peers-%1.out").arg(name)); };
    const auto child = [&](const QString &verb) { return QStringList{self, QStringLiteral("--child"), verb, segy, output(verb)}; };
    const auto check = [&](const QString &name, const QString &ours) {
        const bool same = sameBytes(output(name), output(ours));
        QFile::remove(output(name));
        return same ? QStringLiteral("; output identical") : QStringLiteral("; OUTPUT DIFFERS");
    };
    const QString catr = QStringLiteral("segyio-catr -r 1 %1 '%2' | %3 '%4/catr_csv.py' '%5'")
            .arg(traces).arg(segy, python, scripts, output(QStringLiteral("catr")));

    for (const bool cold : {false, true}) {
        // Warm: one read of the whole file first; then every run finds it in the page cache.
        if (!cold)
            run({QStringLiteral("cat"), segy});
        out << (cold ? "cold (the line dropped from the page cache before each run)" : "warm") << ":\n";
        const Measured dump = time(child(QStringLiteral("dump")), cold, kOurRepeats);
        report(QStringLiteral("(a) dump, one pass, no index"), dump, nullptr, QString());
        const Measured mmap = time({python, scripts + QStringLiteral("/segyio_csv.py"), QStringLiteral("--mmap"), segy,
                                    output(QStringLiteral("segyio-mmap"))}, cold, 1);
        report(QStringLiteral("    segyio mmap() + pandas to_csv"), mmap, &dump, check(QStringLiteral("segyio-mmap"), QStringLiteral("dump")));
        const Measured plain = time({python, scripts + QStringLiteral("/segyio_csv.py"), segy,
                                     output(QStringLiteral("segyio"))}, cold, 1);
        report(QStringLiteral("    segyio + pandas to_csv"), plain, &dump, check(QStringLiteral("segyio"), QStringLiteral("dump")));
        const Measured catrRun = time({QStringLiteral("/bin/sh"), QStringLiteral("-c"), catr}, cold, 1);
        report(QStringLiteral("    segyio-catr | CSV script"), catrRun, &dump, check(QStringLiteral("catr"), QStringLiteral("dump")));

        const std::vector<Measured> qcAndNumpy = interleaved(
                {{child(QStringLiteral("qc"))}, {{python, scripts + QStringLiteral("/numpy_qc.py"), segy, output(QStringLiteral("numpy"))}}},
                cold, kInterleavedRounds);
        const Measured &qc = qcAndNumpy[0];
        const Measured &numpy = qcAndNumpy[1];
        report(QStringLiteral("(b) qc, one pass, no index"), qc, nullptr, QString());
        report(QStringLiteral("    numpy.memmap reader + numpy QC"), numpy, &qc, check(QStringLiteral("numpy"), QStringLiteral("qc")));
        // segyhdr itself, as a user runs it: qc finds the planted shots (status 1), first without
        // the index, which it then writes, and again with it.
        const QString segyhdr = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("segyhdr"));
        // In that order each round: qc with the index finds the one that qc without it wrote.
        const std::vector<Measured> verbs = interleaved({{{segyhdr, QStringLiteral("qc"), segy}, 1},
                                                         {{segyhdr, QStringLiteral("qc"), segy}, 1, true},
                                                         {{segyhdr, QStringLiteral("range"), segy}}},
                                                        cold, kInterleavedRounds);
        const Measured &qcFirst = verbs[0];
        const Measured &qcAgain = verbs[1];
        const Measured &range = verbs[2];
        report(QStringLiteral("(c) segyhdr qc, no index"), qcFirst, nullptr, QString());
        report(QStringLiteral("    segyhdr qc, index there"), qcAgain, nullptr, QString());
        const auto ratio = [&range](const Measured &qc) {
            return QStringLiteral("%1x (CPU %2x)").arg(QString::number(range.wall / qc.wall, 'f', 2),
                                                       QString::number(range.cpu / qc.cpu, 'f', 2));
        };
        report(QStringLiteral("    segyhdr range"), range, nullptr,
               QStringLiteral(", %1 qc without the index, %2 qc with it").arg(ratio(qcFirst), ratio(qcAgain)));
    }
    out << "  the line was at most " << QString::number(worstResident, 'f', 1)
        << " % in the page cache before a cold run (mincore)\n";
    for (const QString &name : {QStringLiteral("dump"), QStringLiteral("qc")})
        QFile::remove(output(name));
    QFile::remove(traceIndexPath(segy));
    QFile::remove(segy);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("--child"))
        return runChild(args.mid(1));
    QTextStream out(stdout);
    if (args.isEmpty() || !QFileInfo(args.first()).isDir()) {
        out << "usage: bench_SegyhdrPeers FOLDER [TRACES:BYTES ...]   (default 2000000:440 200000:4240)\n";
        return 2;
    }
    const QString folder = args.takeFirst();
    if (args.isEmpty())
        args = QStringList{QStringLiteral("2000000:440"), QStringLiteral("200000:4240")};
    out << "machine: " << machineDescription() << ", load " << [] {
        QFile load(QStringLiteral("/proc/loadavg"));
        return load.open(QIODevice::ReadOnly) ? QString::fromLatin1(load.readAll()).section(QLatin1Char(' '), 0, 2) : QString();
    }() << "\n";
    Bench bench(out, QCoreApplication::applicationFilePath(), folder);
    for (const QString &size : args) {
        if (!bench.runLine(size))
            return 1;
    }
    return 0;
}
