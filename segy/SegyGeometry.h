#pragma once

#include "HeaderLayout.h"
#include "SegySizes.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

class QFileDevice;

/// What told the byte order of a file.
enum class ByteOrderEvidence { ByteOrderWord, FormatCode, TraceHeaders, Default };

/// What a SEG-Y file really is: where its traces lie, how long each is, and in which byte order
/// its headers are. No binary header field is believed on its own: a sample count, an extended
/// header count or a byte order is taken only where the file size and the trace headers agree
/// with it; where they contradict it the reading they support is taken and a warning says so.
struct SegyGeometry
{
    bool readable = false;
    QString refusal;      // why the file cannot be read, in plain words; empty when readable
    QStringList warnings; // where the file disagrees with its binary header, or ends inside a trace

    qint64 fileSize = 0;
    bool hasFileHeader = true;
    ByteOrder byteOrder = ByteOrder::BigEndian;
    ByteOrderEvidence byteOrderEvidence = ByteOrderEvidence::Default;
    int revisionMajor = 0;
    int revisionMinor = 0;
    int extendedTextHeaders = 0;    // 3200-byte records between the binary header and the first trace
    int additionalTraceHeaders = 0; // 240-byte headers after each standard one (rev 2)
    int formatCode = 0;
    int sampleBytes = 4;
    qint64 samples = 0;
    int sampleIntervalUs = 0;
    qint64 firstTraceOffset = kFileHeaderBytes;
    qint64 traceBytes = kTraceHeaderBytes; // one trace record: its headers and its samples
    qint64 traceCount = 0;                 // whole traces
    qint64 leftoverBytes = 0;              // after the last whole trace

    /// The file offset of trace i (from 0).
    qint64 traceOffset(qint64 trace) const { return firstTraceOffset + trace * traceBytes; }

    /// Whether the file has the classic layout: a 3600-byte file header, then traces of one
    /// big-endian 240-byte header each.
    bool classicLayout() const
    {
        return hasFileHeader && byteOrder == ByteOrder::BigEndian && firstTraceOffset == kFileHeaderBytes
                && additionalTraceHeaders == 0;
    }
};

/// Bytes per sample of a format code; 0 for a code that SEG-Y does not define.
int bytesPerSample(int formatCode);

/// "byte-order word", "format code", "trace headers" or "default".
QString byteOrderEvidenceText(ByteOrderEvidence evidence);

/// Inspects an open file with positioned reads of its file header and a few trace headers; the
/// file's position is left where it was.
SegyGeometry inspectSegy(QFileDevice &file);
