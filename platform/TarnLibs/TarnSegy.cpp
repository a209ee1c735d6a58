#include "TarnSegy.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <climits>

// The library's conventions: trace headers are big-endian.
static const TraceDecoder &bigEndianDecoder()
{
    static const TraceDecoder decoder(HeaderLayout::rev1(), ByteOrder::BigEndian);
    return decoder;
}

TarnSegy::TarnSegy(QFile *file, QObject *parent)
    : QObject(parent), decoder(bigEndianDecoder())
{
    if (!file || !file->isReadable())
        return;
    path = file->fileName();
    const SegyGeometry geometry = inspectSegy(*file);
    if (!geometry.readable || geometry.traceBytes > INT_MAX)
        return; // no int describes such a trace: the file is taken to hold none
    traceBytes = int(geometry.traceBytes);
    traces = int(qMin<qint64>(geometry.traceCount, INT_MAX));
}

TarnSegy::~TarnSegy() = default;

void TarnSegy::copyHdrDef(int **headerDefs)
{
    if (headerDefs)
        decoder = TraceDecoder(HeaderLayout::fromDefinition(headerDefs), ByteOrder::BigEndian);
}

bool TarnSegy::indexExist() const
{
    if (path.isEmpty())
        return false;
    const QFileInfo segyInfo(path);
    const QFileInfo indexInfo(path + QStringLiteral(".index"));
    if (!segyInfo.exists() || !indexInfo.isFile())
        return false;
    // An index of another size belongs to another geometry or was cut short.
    if (indexInfo.size() != qint64(kIndexRecordBytes) * traces)
        return false;
    return indexInfo.lastModified() >= segyInfo.lastModified();
}

int TarnSegy::trBytes() const
{
    return traceBytes;
}

int TarnSegy::totalTraces() const
{
    return traces;
}

fbRec TarnSegy::getTrHeaderPars(const char *header) const
{
    return decoder.record(header);
}

int TarnSegy::read4ByteHdrParMem(const char *header, int position)
{
    return bigEndianDecoder().integer(header, position, 4);
}

int TarnSegy::read2ByteHdrParMem(const char *header, int position)
{
    return bigEndianDecoder().integer(header, position, 2);
}
