#pragma once

#include "SegyWriter.h"

#include <QString>
#include <QVector>
#include <QtGlobal>

// Helpers that several tests share.
namespace TestSupport {

// ---- Writing SEG-Y files -------------------------------------------------------------------

/// One value at a 1-based trace header position: 4 bytes for length 4, else 2 bytes.
struct HeaderValue
{
    int position;
    int length;
    qint64 value;
};

/// The values of one trace header; every byte that no value covers is 0.
using TraceHeaderValues = QVector<HeaderValue>;

/// Writes a SEG-Y file named fileName into dir, one trace per entry of traces; the binary
/// header follows the layout. Returns the file's path, or an empty string with *error set.
QString writeSegy(const QString &dir, const QString &fileName, const QVector<TraceHeaderValues> &traces,
                  const SegyWriter::Layout &layout = SegyWriter::Layout(), QString *error = nullptr);

/// Trace headers for the FFIDs given, one trace each: FFID at byte 9, the channel (counting
/// from 1 within each run of equal FFIDs) at byte 13, the trace's number (from 1) at bytes 1 and 5.
QVector<TraceHeaderValues> ffidTraces(const QVector<qint32> &ffids);

/// The path of a file in tests/data.
QString dataFile(const QString &fileName);

// ---- Reading SEG-Y files with segyio -------------------------------------------------------

/// One trace header as segyio reads it, with the coordinates scaled by the coordinate scalar.
struct SegyioTrace
{
    qint32 ffid = 0;
    qint32 channel = 0;
    qint32 offset = 0;
    qint32 gElev = 0;
    qint32 sElev = 0;
    qint32 sDepth = 0;
    double sourceX = 0;
    double sourceY = 0;
    double groupX = 0;
    double groupY = 0;
    qint32 sLine = 0;
    qint32 sStat = 0;
    qint32 gLine = 0;
    qint32 gStat = 0;
    qint32 cdp = 0;
    qint32 coordScalar = 0;
    qint32 elevScalar = 0;
};

/// What segyio makes of a whole file.
struct SegyioDump
{
    bool ok = false;
    QString error;        // why segyio gave no reading (its message, or how it ended)
    bool littleEndian = false;
    int traceCount = 0;
    int samples = 0;
    int format = 0;
    int extHeaders = 0;   // extended textual header records after the binary header
    QVector<SegyioTrace> traces;
    QVector<QVector<double>> traceSamples; // decoded samples of the first traces, when asked for
};

enum class Endian { Auto, Big, Little };

/// Runs segyio (tests/segyio_dump.py under the system Python) over a file. With Endian::Auto the
/// script takes the byte order in which the format code is a known one; segyio cannot guess it.
/// sampleTraces asks for the decoded samples of that many leading traces.
SegyioDump segyioDump(const QString &path, Endian endian = Endian::Auto, int sampleTraces = 0);

} // namespace TestSupport
