#include "SegyhdrLine.h"

#include <ShotIndex.h>
#include <TarnSegy.h>
#include <TraceIndex.h>

#include <QFile>

// Shots are read together until a block holds this many traces: one mapping per block keeps
// the per-shot cost low where shots are small, and memory stays bounded where the file is large.
constexpr qint64 kTracesPerBlock = 8192;

SegyhdrLine::SegyhdrLine(const QString &segyPath, const CustomFields &custom)
    : segyPath(segyPath), custom(custom)
{
    for (size_t k = 0; k < headerDefs.size(); ++k)
        headerDefs[k] = definition[k].data();
    // No project to ask: the library's own SEG-Y rev 1 places.
    TarnSegy::standardHdrDef(headerDefs.data());
}

bool SegyhdrLine::fail(const QString &text)
{
    message = text;
    return false;
}

bool SegyhdrLine::open(const std::function<void(int percent)> &progress)
{
    QFile file(segyPath);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Error: fail to open the file: %1").arg(segyPath));
    TarnSegy segy(&file, nullptr);
    segy.copyHdrDef(headerDefs.data());
    if (!segy.indexExist()) {
        ProgressSink sink;
        if (progress)
            sink.valueChanged = progress;
        switch (writeTraceIndex(segyPath, segy.trBytes(), segy.totalTraces(), headerDefs.data(), sink)) {
        case TraceIndexResult::Written:
            // Also where the cadence stops short of it, as with fewer than 100 traces.
            if (progress)
                progress(kProgressMaximum);
            break;
        case TraceIndexResult::SegyOpenFailed:
            return fail(QStringLiteral("Error: fail to open the file: %1").arg(segyPath));
        case TraceIndexResult::IndexCreateFailed:
            return fail(QStringLiteral("Error: fail to create the file: %1").arg(traceIndexPath(segyPath)));
        case TraceIndexResult::BadLayout:
            return fail(QStringLiteral("Error: the trace header definition does not fit the trace header: %1")
                                .arg(segyPath));
        }
    }
    file.close();
    if (!extractShots(traceIndexPath(segyPath), shotList, ProgressSink{}))
        return fail(QStringLiteral("Error: can not open file: %1").arg(traceIndexPath(segyPath)));
    if (shotList.isEmpty() || shotList.constFirst().lastTrace < shotList.constFirst().firstTrace)
        return fail(QStringLiteral("Error: the file holds no traces: %1").arg(segyPath));
    return true;
}

qint64 SegyhdrLine::traceCount() const
{
    return shotList.isEmpty() ? 0 : qint64(shotList.constLast().lastTrace) + 1;
}

bool SegyhdrLine::forEachShot(int first, int last, const std::function<void(const Shot &)> &visit)
{
    QVector<fbRec> records;
    QVector<CustomValues> customValues;
    Shot shot;
    int begin = first;
    while (begin <= last) {
        int end = begin;
        while (end < last && qint64(shotList.at(end + 1).lastTrace) - shotList.at(begin).firstTrace < kTracesPerBlock)
            ++end;
        const qint32 firstTrace = shotList.at(begin).firstTrace;
        const qint32 lastTrace = shotList.at(end).lastTrace;
        if (readShotRecords(segyPath, headerDefs.data(), firstTrace, lastTrace, custom, records, customValues)
                != ShotReadResult::Read)
            return fail(QStringLiteral("Error: cannot read traces %1-%2 of the file: %3")
                                .arg(firstTrace + 1).arg(lastTrace + 1).arg(segyPath));
        for (int s = begin; s <= end; ++s) {
            shot.position = s;
            shot.entry = shotList.at(s);
            const int offset = shot.entry.firstTrace - firstTrace;
            const int count = shot.entry.lastTrace - shot.entry.firstTrace + 1;
            shot.records = records.mid(offset, count);
            shot.customValues = customValues.mid(offset, count);
            visit(shot);
        }
        begin = end + 1;
    }
    return true;
}
