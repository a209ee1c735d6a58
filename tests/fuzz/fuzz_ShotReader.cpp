// The shot reader over arbitrary file bytes and trace ranges. Input: the first trace (4 bytes),
// the last trace's distance from it (2 bytes), the two custom fields (3 bytes each), the 16
// header definition entries (3 bytes each), the file.

#include "FuzzInput.h"

#include <ShotReader.h>

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzBytes in{data, size};
    const qint32 first = in.take(4);
    const qint32 last = qint32(quint32(first) + quint32(in.take(2)));
    const CustomFields custom{in.take(2), in.take(1), in.take(2), in.take(1)};
    int defs[kHeaderDefineEntries][2];
    int *table[kHeaderDefineEntries];
    in.takeDefs(defs, table, kHeaderDefineEntries);
    const QString path = fuzzFile(in.data, in.size);

    QVector<fbRec> records;
    QVector<CustomValues> values;
    const ShotReadResult result = readShotRecords(path, table, first, last, custom, records, values);
    QFile file(path);
    fuzzCheck(file.open(QIODevice::ReadOnly));
    const qint64 trBytes = TarnSegy(&file).trBytes();
    // Exactly the ranges of traces that lie whole inside the file are read, one entry per trace.
    const bool inside = first >= 0 && first <= last
        && kFileHeaderBytes + (qint64(last) + 1) * trBytes <= qint64(in.size);
    fuzzCheck((result == ShotReadResult::Read) == inside);
    const qint64 count = inside ? qint64(last) - first + 1 : 0;
    fuzzCheck(records.size() == count && values.size() == count);
    return 0;
}
