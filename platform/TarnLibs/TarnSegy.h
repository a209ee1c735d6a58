#pragma once

#include "TarnLibsGlobal.h"

#include <SegyGeometry.h>
#include <SegySizes.h>
#include <TraceDecoder.h>
#include <TraceRecord.h>

#include <QObject>
#include <QString>
#include <QtGlobal>

class QFile;

/// Trace geometry and trace header decoding of one SEG-Y file, over the SEG-Y core: the file's
/// geometry as the core finds it, and big-endian trace headers decoded under the header
/// definition that copyHdrDef() hands (the SEG-Y rev 1 places until then). Whatever the file
/// holds, trBytes() is a positive int and totalTraces() is never negative; a file that the core
/// cannot read, or whose traces no int can describe, has no traces and trBytes() 240.
class TARNLIBS_EXPORT TarnSegy : public QObject
{
    Q_OBJECT

public:
    /// Inspects the open file's headers; the file is not touched afterwards.
    explicit TarnSegy(QFile *file, QObject *parent = nullptr);
    ~TarnSegy() override;

    /// Copies the 16-entry header definition: 16 pointers, each to a {position, length} pair.
    void copyHdrDef(int **headerDefs);

    /// True when "<path>.index" is a file that holds 16 bytes per trace and is not older than the file.
    bool indexExist() const;

    /// Bytes per trace record: the 240-byte header and the samples.
    int trBytes() const;
    /// Number of whole trace records.
    int totalTraces() const;

    /// Decodes one trace header; the pointer is its first byte. A table entry whose field would
    /// not fit the 240-byte header decodes as 0.
    fbRec getTrHeaderPars(const char *header) const;

    /// The big-endian signed 4-byte integer at the 1-based byte position; 0 for a position
    /// whose four bytes would not lie inside the 240-byte header.
    static int read4ByteHdrParMem(const char *header, int position);
    /// The big-endian signed 2-byte integer at the 1-based byte position; 0 for a position
    /// whose two bytes would not lie inside the 240-byte header.
    static int read2ByteHdrParMem(const char *header, int position);

private:
    QString path;
    int traceBytes = kTraceHeaderBytes;
    int traces = 0;
    TraceDecoder decoder;
};
