#pragma once

#include "SegyLine.h"
#include "SegyWriter.h"

#include <QMetaType>
#include <QString>
#include <QVector>
#include <QtGlobal>

// Helpers that several tests share.
namespace TestSupport {

/// One value at a 1-based trace header position: 4 bytes for length 4, else 2 bytes.
struct HeaderValue
{
    int position;
    int length;
    qint64 value;
};
/// The values of one trace header; every byte that no value covers is 0.
using TraceHeaderValues = QVector<HeaderValue>;

/// Writes dir/fileName, one trace per entry of traces; an empty string when it cannot be written.
QString writeSegy(const QString &dir, const QString &fileName, const QVector<TraceHeaderValues> &traces,
                  const SegyWriter::Layout &layout = SegyWriter::Layout());
/// One trace per FFID: the FFID at byte 9, the channel (from 1 in each run of equal FFIDs) at byte 13.
QVector<TraceHeaderValues> ffidTraces(const QVector<qint32> &ffids);
/// The path of a file in tests/data.
QString dataFile(const QString &fileName);

/// A layout of SEG-Y file as real files come: 10 traces in shots of 5 (FFIDs 1 and 2, channels 1 to 5).
struct LayoutVariant
{
    const char *name;
    SegyLine line;
    qint64 cut;        // the file cut to this size; -1 keeps it whole
    int traces;        // whole traces the file holds
    const char *viewerRefusal; // why the viewer refuses it; null where its layout is the viewer's
};
/// Each variant that the SEG-Y core reads: byte orders, textual and trace header extensions,
/// no file header, a cut file, a binary header at odds with the traces.
QVector<LayoutVariant> layoutVariants();
/// A data row per variant in the column "variant".
void addLayoutVariantRows();
/// Writes the variant as dir/variant.sgy; an empty string when it cannot be written.
QString writeVariant(const QString &dir, const LayoutVariant &variant);

/// One trace header as segyio reads it, the coordinates scaled by the coordinate scalar.
struct SegyioTrace
{
    qint32 ffid, channel, offset, gElev, sElev, sDepth, sLine, sStat, gLine, gStat, cdp, coordScalar, elevScalar;
    double sourceX, sourceY, groupX, groupY;
};

/// What segyio (tests/segyio_dump.py under the system Python) makes of a whole file.
struct SegyioDump
{
    bool ok = false;
    QString error; // why segyio gave no reading
    bool littleEndian = false;
    int samples = 0;
    int format = 0;
    int extHeaders = 0; // extended textual header records after the binary header
    QVector<SegyioTrace> traces;
    QVector<double> values; // with samples asked for: every sample, trace after trace
};
SegyioDump segyioDump(const QString &path, bool withSamples = false);

} // namespace TestSupport

Q_DECLARE_METATYPE(TestSupport::LayoutVariant)
