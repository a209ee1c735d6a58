#pragma once

#include <SegySizes.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <array>

/// One 240-byte trace header under construction; values are stored as SEG-Y stores them.
class SegyTraceHeader
{
public:
    SegyTraceHeader();

    /// Stores the value at the 1-based byte position: 4 bytes for length 4, else 2 bytes. The value
    /// is cut to those bytes; a field that would not fit the 240 bytes is not stored.
    void set(int position, int length, qint64 value);
    /// Stores raw bytes at the 1-based byte position.
    void setBytes(int position, const QByteArray &bytes);
    /// The value at the 1-based byte position as set() stored it, read back signed.
    qint64 value(int position, int length) const;
    /// Clears every byte.
    void clear();

    const char *data() const { return bytes.data(); }
    char *data() { return bytes.data(); }

    bool littleEndian = false;

private:
    std::array<char, kTraceHeaderBytes> bytes;
};

/// Writes a SEG-Y file: textual header, binary header, then fixed-length trace records.
class SegyWriter
{
public:
    struct Layout
    {
        int samples = 100;            // binary header bytes 3221-3222
        int formatCode = 5;           // binary header bytes 3225-3226
        int sampleIntervalUs = 2000;  // binary header bytes 3217-3218
        bool littleEndian = false;    // headers (and samples) in little-endian order
        bool sparse = false;          // samples are left as holes in the file, not written
        bool zeroSamples = false;     // samples written as zeros instead of the wiggle
        bool revision2 = false;       // SEG-Y rev 2: revision 2.0 and the byte-order word 3297-3300
        int extendedTextHeaders = 0;  // 3200-byte textual records after the binary header (3505-3506)
        bool endTextStanza = false;   // their count given as -1, the last record closing with the stanza
        int additionalTraceHeaders = 0; // rev 2: 240-byte headers after each standard one (3507-3508)
        bool noFileHeader = false;    // traces from byte 0, as Seismic Unix writes them
        QByteArray text;              // textual header (ASCII, cut or padded to 3200 bytes); empty: a default
    };

    SegyWriter(const QString &path, const Layout &layout);
    ~SegyWriter();

    /// Creates the file and writes the 3600-byte file header.
    bool open();
    /// Sets a value in the binary header at its absolute 1-based file position (3201 to 3600)
    /// before open(); 4 bytes for length 4, else 2 bytes.
    void setBinaryHeaderValue(int position, int length, qint64 value);
    /// Appends one trace: the header, then the samples (zeros, a wiggle or a hole).
    bool writeTrace(const SegyTraceHeader &header);
    /// Appends one trace with samples of its own: values between -1 and 1, encoded as the wiggle
    /// is; values past the layout's sample count are left out, missing ones are zeros.
    bool writeTrace(const SegyTraceHeader &header, const QVector<double> &values);
    /// Finishes the file; false when anything could not be written.
    bool close();

    /// Bytes of one trace record: the 240-byte header, any additional headers and the samples
    /// (4 bytes for an unknown format).
    qint64 traceBytes() const;
    /// Where the first trace starts: after the file header and the extended textual headers.
    qint64 firstTraceOffset() const;
    qint64 tracesWritten() const { return traces; }
    QString errorString() const;

    /// Bytes of one sample of a format code; 4 for a code the standard does not define.
    static int bytesPerSample(int formatCode);
    /// The IBM System/360 single-precision encoding of a value, rounded to nearest.
    static quint32 ibmFloat(double value);
    /// The wiggle's value at a sample, between -1 and 1.
    static double wiggle(int sample, int sampleIntervalUs);

private:
    bool flush();
    bool fail(const QString &message);
    void fillSampleBlock();
    QByteArray encodeSamples(const QVector<double> &values) const;

    QString path;
    Layout layout;
    QFile file;
    QByteArray binaryHeader;
    QByteArray sampleBlock;
    QByteArray pending;
    QString error;
    qint64 traces = 0;
    bool failed = false;
};
