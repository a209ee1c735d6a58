#include "LineScan.h"

#include "TraceIndexScan.h"

#include <QFileInfo>
#include <QtEndian>

#include <limits>

namespace {

// Collects the traces of the shot being read and hands it on when the FFID changes.
class ShotGrouper
{
public:
    ShotGrouper(const TraceDecoder &decoder, const CustomFields &custom, const LineScanVisitors &visitors,
                QVector<ShotEntry> &shots)
        : decoder(decoder), custom(custom), visitors(visitors), shots(shots)
    {
    }

    void add(const char *header, qint32 trace, qint32 ffid)
    {
        if (trace == 0) {
            shot.entry.ffid = ffid;
            shot.entry.firstTrace = 0;
        } else if (ffid != shot.entry.ffid) {
            finish();
            shot.entry.ffid = ffid;
            shot.entry.firstTrace = trace;
        }
        shot.entry.lastTrace = trace;
        if (visitors.shot) {
            shot.records.append(decoder.record(header));
            shot.customValues.append(CustomValues(decoder.integer(header, custom.cust1Pos, custom.cust1Len),
                                                  decoder.integer(header, custom.cust2Pos, custom.cust2Len)));
        }
        if (visitors.trace)
            visitors.trace(header, trace);
    }

    // Also at the end of a line without traces, where the shot stays extractShots' {0, 0, -1}.
    void finish()
    {
        shots.append(shot.entry);
        if (visitors.shot && shot.entry.lastTrace >= shot.entry.firstTrace)
            visitors.shot(shot);
        shot.position = shots.size();
        shot.records.clear();
        shot.customValues.clear();
    }

private:
    const TraceDecoder &decoder;
    const CustomFields &custom;
    const LineScanVisitors &visitors;
    QVector<ShotEntry> &shots;
    ShotHeaders shot;
};

} // namespace

LineScanResult scanLine(const IndexSource &source, const QString &indexPath, const TraceDecoder &decoder,
                        const CustomFields &custom, const LineScanVisitors &visitors, QVector<ShotEntry> &shots,
                        const ProgressSink &progress)
{
    shots.clear();
    // readShotRecords maps whole traces; the headers at least must all be there before anything is
    // written, so that no shot is handed on from bytes that the file does not hold.
    // Counts and lengths beyond 32 bits are left to the index scan to refuse, before they could overflow here.
    const QFileInfo info(source.segyPath);
    const qint64 limit = std::numeric_limits<qint32>::max();
    if (info.exists() && source.traceCount > 0 && source.traceCount <= limit && source.traceBytes >= kTraceHeaderBytes
        && source.traceBytes <= limit && source.firstTraceOffset >= 0
        && source.firstTraceOffset + (source.traceCount - 1) * source.traceBytes + kTraceHeaderBytes > info.size())
        return LineScanResult::TracesMissing;

    ShotGrouper grouper(decoder, custom, visitors, shots);
    const auto visit = [&grouper](const char *headers, qint64 stride, qint64 first, int count,
                                  const TraceIndexRecord *records) {
        for (int i = 0; i < count; ++i)
            grouper.add(headers + i * stride, qint32(first + i), qFromLittleEndian(records[i].ffid));
    };
    const TraceIndexResult result = source.traceBytes < kTraceHeaderBytes
        ? TraceIndexResult::BadLayout
        : scanTraceIndex(source, kTraceHeaderBytes, indexPath, progress, TraceHeaderAccess::Mapped, visit);
    switch (result) {
    case TraceIndexResult::Written:
        grouper.finish();
        return LineScanResult::Scanned;
    case TraceIndexResult::SegyOpenFailed: return LineScanResult::SegyOpenFailed;
    case TraceIndexResult::IndexCreateFailed: shots.clear(); return LineScanResult::IndexCreateFailed;
    case TraceIndexResult::BadLayout: return LineScanResult::BadLayout;
    }
    return LineScanResult::BadLayout;
}
