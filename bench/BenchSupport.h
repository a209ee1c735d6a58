#pragma once

#include <QString>

// What every benchmark reports beside its figures, and how it measures them.

/// The number of cores and the CPU model, e.g. "2 cores, AMD EPYC 7B13".
QString machineDescription();

/// CPU time of the process, which other work on a busy machine does not inflate as it does the
/// wall time.
double cpuSeconds();

/// Writes the file out and drops it from the page cache, so that the next run reads it from the
/// disk as a file that was not just written would be, and the cache it leaves is built by reads.
bool dropFromPageCache(const QString &path);
