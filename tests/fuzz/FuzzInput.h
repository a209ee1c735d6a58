#pragma once

// What the fuzz targets share: the input written to a file, as the cores read only files, and
// the leading input bytes taken as the parameters a caller would pass.

#include <ProgressSink.h>

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <unistd.h>

inline void fuzzCheck(bool holds)
{
    if (!holds)
        abort();
}

/// Writes the bytes to one file in a private folder on tmpfs ($TMPDIR, else /dev/shm), which is
/// removed when the process ends; returns its path. Every call replaces the file.
inline QString fuzzFile(const uint8_t *data, size_t size)
{
    static const std::string folder = [] {
        const char *tmp = getenv("TMPDIR");
        std::string name = std::string(tmp && *tmp ? tmp : "/dev/shm") + "/zn-fuzz-XXXXXX";
        fuzzCheck(mkdtemp(name.data()) != nullptr);
        return name;
    }();
    static const struct Cleanup {
        ~Cleanup() { std::filesystem::remove_all(folder); }
    } cleanup;
    const std::string path = folder + "/input.sgy";
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    fuzzCheck(fd >= 0);
    for (size_t done = 0; done < size;) {
        const ssize_t n = write(fd, data + done, size - done);
        fuzzCheck(n > 0);
        done += size_t(n);
    }
    close(fd);
    return QString::fromStdString(path);
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
        const int unused = 32 - 8 * bytes;
        return int32_t(value << unused) >> unused;
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
struct CheckedProgress
{
    int last = 0;
    ProgressSink sink{nullptr, [this](int value) { fuzzCheck(value == ++last && value <= 100); }};
    CheckedProgress() = default;
    CheckedProgress(const CheckedProgress &) = delete;
};
