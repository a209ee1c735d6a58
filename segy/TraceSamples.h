#pragma once

#include "HeaderLayout.h"

#include <QString>
#include <QtGlobal>

/// Why samples of the format code cannot be decoded, in plain words; empty for every code that
/// SEG-Y defines (1 to 12, 15 and 16).
QString sampleFormatProblem(int formatCode);

/// Decodes count samples from p, stored in the format and the file's byte order, into out. For a
/// code that SEG-Y does not define it writes nothing and returns false with *error set (when
/// given). Integers come out as their values, fixed point with gain as mantissa × 2^-gain.
bool decodeSamples(const char *p, qint64 count, int formatCode, ByteOrder order, float *out, QString *error = nullptr);
/// The same in double precision, in which every 32-bit and 24-bit value is exact.
bool decodeSamples(const char *p, qint64 count, int formatCode, ByteOrder order, double *out, QString *error = nullptr);
