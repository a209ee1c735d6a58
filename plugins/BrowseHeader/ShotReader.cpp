#include "ShotReader.h"

#include <QFile>

static qint32 readCustomField(const char *trace, int position, int length)
{
    return length == 4 ? TarnSegy::read4ByteHdrParMem(trace, position)
                       : TarnSegy::read2ByteHdrParMem(trace, position);
}

ShotReadResult readShotRecords(const QString &segyPath, int **headerDefs, qint32 firstTrace,
                               qint32 lastTrace, const CustomFields &custom,
                               QVector<fbRec> &records, QVector<CustomValues> &customValues)
{
    records.clear();
    customValues.clear();

    QFile file(segyPath);
    if (!file.open(QIODevice::ReadOnly))
        return ShotReadResult::OpenFailed;

    TarnSegy segy(&file);
    segy.copyHdrDef(headerDefs);

    // 64 bits throughout: past 2 GiB a 32-bit product of trace length and index wraps, and an
    // index from a changed file may make the count itself overflow.
    const qint64 traceBytes = segy.trBytes();
    const qint64 count = qint64(lastTrace) - qint64(firstTrace) + 1;
    const qint64 offset = traceBytes * firstTrace + kFileHeaderBytes;
    const qint64 size = traceBytes * count;

    // An index that no longer fits the file must not make the mapping reach past its end, where
    // touching a page is a bus error rather than a failed call.
    const bool blockFits = firstTrace >= 0 && count > 0 && size <= file.size() - offset;
    uchar *block = blockFits ? file.map(offset, size) : nullptr;
    if (!block) {
        file.close();
        return ShotReadResult::MapFailed;
    }

    records.reserve(int(count));
    customValues.reserve(int(count));
    const char *trace = reinterpret_cast<const char *>(block);
    for (qint64 i = 0; i < count; ++i) {
        records.append(segy.getTrHeaderPars(trace));
        customValues.append(CustomValues(readCustomField(trace, custom.cust1Pos, custom.cust1Len),
                                         readCustomField(trace, custom.cust2Pos, custom.cust2Len)));
        trace += traceBytes;
    }
    file.unmap(block);
    file.close();
    return ShotReadResult::Read;
}
