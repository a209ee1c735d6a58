#pragma once

// What the fuzz targets share: the input written to a file, as the cores read only files, and
// the leading input bytes taken as the parameters a caller would pass.

#include <ProgressSink.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <memory>

inline void fuzzCheck(bool holds)
{
    if (!holds)
        abort();
}

/// Writes the bytes to one file in a private folder on tmpfs ($TMPDIR, else /dev/shm), which is
/// removed when the process ends; returns its path. Every call replaces the file.
inline QString fuzzFile(const uint8_t *data, size_t size)
{
    static const QTemporaryDir folder(qEnvironmentVariable("TMPDIR", "/dev/shm") + "/zn-fuzz-XXXXXX");
    QFile file(folder.filePath(QStringLiteral("input.sgy")));
    fuzzCheck(file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)
              && file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
    return file.fileName();
}

/// The input read from the front: big-endian signed values, zeros once it runs out.
struct FuzzBytes
{
    const uint8_t *data;
    size_t size;

    int take(int bytes)
    {
        uint32_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            value <<= 8;
            if (size > 0) {
                value |= *data++;
                --size;
            }
        }
        return int32_t(value << (32 - 8 * bytes)) >> (32 - 8 * bytes);
    }

    /// Header definition entries as the table holds them: a 2-byte position, a 1-byte length,
    /// both signed so that zero, negative and out-of-header entries come up.
    void takeDefs(int (*defs)[2], int **table, int entries)
    {
        for (int k = 0; k < entries; ++k) {
            defs[k][0] = take(2);
            defs[k][1] = take(1);
            table[k] = defs[k];
        }
    }
};

/// A progress sink that checks the value rises one step at a time up to 100.
inline ProgressSink checkedProgress()
{
    auto last = std::make_shared<int>(0);
    return {nullptr, [last](int value) { fuzzCheck(value == ++*last && value <= 100); }, nullptr};
}
