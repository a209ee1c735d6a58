#pragma once

#include "SegyLayout.h"
#include "TarnLibsGlobal.h"

#include <QObject>
#include <QString>
#include <QtGlobal>

class QFile;

/// A decoded trace header: 21 consecutive 32-bit fields. Fields 0 to 13 come from the entries
/// 0 to 13 of the header definition; the coordinates are scaled by the coordinate scalar.
struct TARNLIBS_EXPORT fbRec
{
    qint32 ffid;
    qint32 channel;
    qint32 offset;
    qint32 g_elev;
    qint32 s_elev;
    qint32 s_depth;
    float source_x;
    float source_y;
    float group_x;
    float group_y;
    qint32 s_line;
    qint32 s_stat;
    qint32 g_line;
    qint32 g_stat;
    qint32 cdp;            // header definition entry 14
    qint32 traceSeqLine;   // bytes 1-4
    qint32 traceSeqFile;   // bytes 5-8
    qint32 samples;        // bytes 115-116, unsigned
    qint32 sampleInterval; // bytes 117-118, unsigned, microseconds
    qint32 coordScalar;    // as stored at the scalar position, before the 0-means-1 rule
    qint32 elevScalar;     // bytes 69-70
};
static_assert(sizeof(fbRec) == 21 * 4, "fbRec is 21 consecutive 32-bit fields");

/// Trace geometry and trace header decoding of one SEG-Y file (rev 0, 1 and 2): a 3600-byte
/// file header, then fixed-length trace records from byte 3600 on.
///
/// The geometry is read in the binary header's own byte order (big-endian, or little-endian when
/// the rev 2 byte-order word or a byte-swapped format code says so); trace headers are always
/// decoded big-endian. Whatever the binary header holds, the geometry stays sane: trBytes() is a
/// positive int and totalTraces() is never negative. A file shorter than 3600 bytes, an
/// unreadable binary header, or a record length (240 + samples × bytes per sample, formed in
/// 64 bits) that does not fit an int gives no traces, with trBytes() the 240-byte header alone.
/// An unknown format code counts 4 bytes per sample. Until copyHdrDef() is called, the header
/// definition holds the SEG-Y rev 1 places.
class TARNLIBS_EXPORT TarnSegy : public QObject
{
    Q_OBJECT

public:
    /// Reads the binary header (and the first trace header where the binary header lacks the
    /// sample count) from the open file; the file is not touched afterwards.
    explicit TarnSegy(QFile *file, QObject *parent = nullptr);
    ~TarnSegy() override;

    /// Copies the 16-entry header definition: 16 pointers, each to a {position, length} pair.
    void copyHdrDef(int **headerDefs);
    /// Fills a table of that form with the SEG-Y rev 1 places, the definition in force until
    /// copyHdrDef() hands another.
    static void standardHdrDef(int **headerDefs);

    /// True when "<path>.index" exists, holds 16 bytes per trace and is not older than the file.
    bool indexExist() const;

    /// Bytes per trace record: the 240-byte header and the samples.
    int trBytes() const;
    /// Number of whole trace records after the 3600-byte file header.
    int totalTraces() const;

    /// Samples per trace, as taken from the binary header or the first trace header.
    int samplesPerTrace() const;
    /// The data sample format code of the binary header.
    int formatCode() const;

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
    qint64 fileSize = 0;
    int samples = 0;
    int format = 0;
    int traceBytes = kTraceHeaderBytes;
    int traces = 0;
    qint32 headerDefine[kHeaderDefineEntries][2] = {};
};
