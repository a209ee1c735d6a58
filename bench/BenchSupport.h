#pragma once

#include <QString>

#include <functional>
#include <vector>

// What every benchmark reports beside its figures, and how it measures them.

/// The number of cores and the CPU model, e.g. "2 cores, AMD EPYC 7B13".
QString machineDescription();

/// Before the application object: the offscreen platform unless another is asked for, and only
/// critical and fatal Qt messages on stderr, since that platform warns on every relayout of a
/// top-level window and the figures are what matter.
void useQuietOffscreenQt();

/// CPU time of the process, which other work on a busy machine does not inflate as it does the
/// wall time.
double cpuSeconds();

/// Writes the file out and drops it from the page cache, so that the next run reads it from the
/// disk as a file that was not just written would be, and the cache it leaves is built by reads.
bool dropFromPageCache(const QString &path);

/// The share of the file's pages in the page cache, 0 to 100, or -1 when it cannot be told.
double residentPercent(const QString &path);

/// The bytes this process has caused to be read from storage (read_bytes of /proc/self/io).
qint64 storageReadBytes();

/// The process's peak resident memory (VmHWM of /proc/self/status), in bytes.
qint64 peakResidentBytes();

/// The median of the values, which it sorts.
double median(std::vector<double> &values);

/// Writes a SEG-Y line in full (samples included, so that reading it costs what a real file
/// costs): traces of traceBytes bytes, IEEE floats, shots of tracesPerShot traces with FFIDs
/// from 1001, channels from 1 at byte 13 and offsets at byte 37. An empty text on success.
QString writeBenchLine(const QString &path, qint64 traces, qint64 traceBytes, int tracesPerShot);

constexpr int kQcLineSamples = 250;
constexpr int kQcLineTracesPerShot = 240;

/// Writes the line that segyhdr qc is timed on: traces of 240 + 4 x kQcLineSamples bytes (IEEE
/// samples left as holes), kQcLineTracesPerShot a shot with FFIDs from 1, channels from 1 and a
/// straight 2D geometry; the source elevation changes on the last trace of each shot for which
/// flagged(shot) holds. An empty text on success.
QString writeQcLine(const QString &path, int traces, const std::function<bool(int shot)> &flagged);

/// Runs `segyhdr qc` over the file as a process; its wall time in seconds, or -1 when it
/// failed. The summary is the last line it printed.
double timeSegyhdrQc(const QString &segyhdr, const QString &segy, QString *summary);

/// A benchmark line named by a TRACES:BYTES argument (BYTES = 240 + 4 x samples), written as
/// writeBenchLine writes it to PREFIX-TRACESxBYTES.sgy in the folder. On failure the path is
/// empty and the error says why; exitCode is 2 for a bad argument, 1 for a failed write.
struct BenchLine
{
    QString path;
    qint64 traces = 0;
    qint64 traceBytes = 0;
    QString error;
    int exitCode = 0;
};
BenchLine makeBenchLine(const QString &folder, const QString &prefix, const QString &size, int tracesPerShot);

/// The header definition the benchmarks index with: FFID 9/4, channel 13/4, offset 37/4, then
/// the rest of the fields at their SEG-Y rev 1 places. Pointers into a static table.
int **benchHeaderDefs();
