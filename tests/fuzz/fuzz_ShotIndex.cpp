// The shot grouping over arbitrary trace index bytes.

#include "FuzzInput.h"

#include <ShotIndex.h>
#include <TraceIndex.h>

#include <QtEndian>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QVector<ShotEntry> shots;
    fuzzCheck(extractShots(fuzzFile(data, size), shots, checkedProgress()));
    const qint32 records = qint32(size / kIndexRecordBytes);
    // The shots tile the records in order, each a whole run of one FFID.
    fuzzCheck(!shots.isEmpty() && shots.first().firstTrace == 0 && shots.last().lastTrace == records - 1);
    for (int s = 0; s < shots.size(); ++s) {
        const ShotEntry &shot = shots.at(s);
        fuzzCheck(records == 0 || shot.firstTrace <= shot.lastTrace);
        fuzzCheck(s == 0 || (shot.firstTrace == shots.at(s - 1).lastTrace + 1 && shot.ffid != shots.at(s - 1).ffid));
        for (qint32 t = shot.firstTrace; t <= shot.lastTrace; ++t)
            fuzzCheck(qFromLittleEndian<qint32>(data + qint64(t) * kIndexRecordBytes) == shot.ffid);
    }
    return 0;
}
