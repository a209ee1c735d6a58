#include "ShotReader.h"

#include <QFile>

static ShotReadResult readMapped(QFile &file, qint64 firstTraceOffset, qint64 traceBytes, const TraceDecoder &decoder,
                                 qint32 firstTrace, qint32 lastTrace, const CustomFields &custom,
                                 QVector<fbRec> &records, QVector<CustomValues> &customValues)
{
    // 64 bits throughout: past 2 GiB a 32-bit product of trace length and index wraps, and an
    // index from a changed file may make the count itself overflow.
    const qint64 count = qint64(lastTrace) - qint64(firstTrace) + 1;
    const qint64 offset = traceBytes * firstTrace + firstTraceOffset;
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
        records.append(decoder.record(trace));
        customValues.append(CustomValues(decoder.integer(trace, custom.cust1Pos, custom.cust1Len),
                                         decoder.integer(trace, custom.cust2Pos, custom.cust2Len)));
        trace += traceBytes;
    }
    file.unmap(block);
    file.close();
    return ShotReadResult::Read;
}

// Both lists are emptied before the file is opened, so that a failure leaves them empty.
static bool openEmptied(QFile &file, QVector<fbRec> &records, QVector<CustomValues> &customValues)
{
    records.clear();
    customValues.clear();
    return file.open(QIODevice::ReadOnly);
}

ShotReadResult readShotRecords(const QString &segyPath, int **headerDefs, qint32 firstTrace,
                               qint32 lastTrace, const CustomFields &custom,
                               QVector<fbRec> &records, QVector<CustomValues> &customValues)
{
    QFile file(segyPath);
    if (!openEmptied(file, records, customValues))
        return ShotReadResult::OpenFailed;
    TarnSegy segy(&file);
    segy.copyHdrDef(headerDefs);
    // The library decodes each header the way getTrHeaderPars() and its static readers do.
    const TraceDecoder decoder(HeaderLayout::fromDefinition(headerDefs), ByteOrder::BigEndian);
    return readMapped(file, kFileHeaderBytes, segy.trBytes(), decoder, firstTrace, lastTrace, custom,
                      records, customValues);
}

ShotReadResult readShotRecords(const QString &segyPath, const SegyGeometry &geometry, const TraceDecoder &decoder,
                               qint32 firstTrace, qint32 lastTrace, const CustomFields &custom,
                               QVector<fbRec> &records, QVector<CustomValues> &customValues)
{
    QFile file(segyPath);
    if (!openEmptied(file, records, customValues))
        return ShotReadResult::OpenFailed;
    return readMapped(file, geometry.firstTraceOffset, geometry.traceBytes, decoder, firstTrace, lastTrace, custom,
                      records, customValues);
}

ShotWalkResult walkShots(const QVector<ShotEntry> &shots, int from, int to, const TraceBlockReader &read,
                         const std::function<bool(const ShotHeaders &)> &visit)
{
    const int step = to >= from ? 1 : -1;
    QVector<fbRec> records;
    QVector<CustomValues> customValues;
    ShotHeaders shot;
    for (int begin = from;; begin += step) {
        int end = begin;
        while (end != to) {
            const int next = end + step;
            if (qint64(shots.at(qMax(begin, next)).lastTrace) - shots.at(qMin(begin, next)).firstTrace >= kTracesPerBlock)
                break;
            end = next;
        }
        const qint32 firstTrace = shots.at(qMin(begin, end)).firstTrace;
        const qint32 lastTrace = shots.at(qMax(begin, end)).lastTrace;
        const ShotReadResult result = read(firstTrace, lastTrace, records, customValues);
        if (result != ShotReadResult::Read)
            return {result, firstTrace, lastTrace};
        for (;; begin += step) {
            shot.position = begin;
            shot.entry = shots.at(begin);
            const int offset = shot.entry.firstTrace - firstTrace;
            const int count = shot.entry.lastTrace - shot.entry.firstTrace + 1;
            shot.records = records.mid(offset, count);
            shot.customValues = customValues.mid(offset, count);
            if (!visit(shot))
                return {};
            if (begin == end)
                break;
        }
        if (end == to)
            return {};
    }
}
