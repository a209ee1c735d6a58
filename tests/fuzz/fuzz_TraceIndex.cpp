// The trace index writer over arbitrary SEG-Y bytes and header definition entries, as the viewer
// indexes a file and as segyhdr does (the file's own geometry, the entries' lengths taken as any of
// the field types). Input: entries 0 to 2 (3 bytes each), the traces claimed beyond the file's own
// (1 byte), the file.

#include "FuzzInput.h"

#include <HeaderLayout.h>
#include <SegyGeometry.h>
#include <TarnSegy.h>
#include <TraceIndex.h>

#include <QFile>

constexpr int kFieldTypes = 6;

static QByteArray writtenIndex(const QString &path, qint64 trBytes, int traces, int **table,
                               TraceHeaderAccess access)
{
    const TraceIndexResult result = writeTraceIndex(path, trBytes, traces, table, checkedProgress(), access);
    fuzzCheck((result == TraceIndexResult::Written) == indexFieldsInsideHeader(table));
    QFile index(traceIndexPath(path));
    return result == TraceIndexResult::Written && index.open(QIODevice::ReadOnly) ? index.readAll() : QByteArray();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzBytes in{data, size};
    int defs[3][2];
    int *table[3];
    in.takeDefs(defs, table, 3);
    const int beyondFile = in.take(1) & 0xff;
    const QString path = fuzzFile(in.data, in.size);
    QFile file(path);
    fuzzCheck(file.open(QIODevice::ReadOnly));
    const TarnSegy segy(&file);
    const int traces = segy.totalTraces() + beyondFile;

    const QByteArray mapped = writtenIndex(path, segy.trBytes(), traces, table, TraceHeaderAccess::Mapped);
    fuzzCheck(mapped.isNull() || mapped.size() == qint64(kIndexRecordBytes) * traces);
    // Both ways of reading the headers must give the same index.
    fuzzCheck(mapped == writtenIndex(path, segy.trBytes(), traces, table, TraceHeaderAccess::PositionedReads));

    const SegyGeometry geometry = inspectSegy(file);
    HeaderLayout layout = HeaderLayout::rev1();
    for (int k = 0; k < 3; ++k)
        layout.setField(layout.fields().at(k).name, defs[k][0], FieldType(unsigned(defs[k][1]) % kFieldTypes));
    const IndexSource source = IndexSource::of(path, geometry, layout);
    const QString own = path + QStringLiteral(".own");
    QByteArray written;
    for (const TraceHeaderAccess access : {TraceHeaderAccess::Mapped, TraceHeaderAccess::PositionedReads}) {
        const TraceIndexResult result = writeTraceIndex(source, own, checkedProgress(), access);
        fuzzCheck(result != TraceIndexResult::Written || (layout.misfit().isEmpty() && indexMatches(source, own)));
        QFile index(own);
        const QByteArray bytes = result == TraceIndexResult::Written && index.open(QIODevice::ReadOnly) ? index.readAll() : QByteArray();
        fuzzCheck(access == TraceHeaderAccess::Mapped || bytes == written);
        written = bytes;
    }
    return 0;
}
