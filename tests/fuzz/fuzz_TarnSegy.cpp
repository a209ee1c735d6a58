// The SEG-Y core's geometry over arbitrary file bytes, and header decoding under a layout whose
// fields the input moves to any position and type; the library's face over the same bytes.

#include "FuzzInput.h"

#include <SegyGeometry.h>
#include <TarnSegy.h>
#include <TraceDecoder.h>

#include <QFile>

#include <cstring>
#include <memory>

constexpr int kFieldTypes = 6;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QFile file(fuzzFile(data, size));
    fuzzCheck(file.open(QIODevice::ReadOnly));
    const SegyGeometry g = inspectSegy(file);
    // A reading accounts for every byte of the file; a refusal says why.
    fuzzCheck(g.readable == g.refusal.isEmpty());
    if (g.readable) {
        fuzzCheck(g.traceBytes == kTraceHeaderBytes * qint64(1 + g.additionalTraceHeaders) + g.samples * g.sampleBytes);
        fuzzCheck(g.firstTraceOffset + g.traceCount * g.traceBytes + g.leftoverBytes == qint64(size));
        fuzzCheck(g.leftoverBytes >= 0 && (g.traceCount == 0 || g.leftoverBytes < g.traceBytes));
    }
    const TarnSegy segy(&file);
    fuzzCheck(segy.totalTraces() >= 0 && segy.trBytes() >= kTraceHeaderBytes);
    segy.indexExist();

    // Each field moved to the position and type that a pair of input bytes gives, 1 to 256.
    HeaderLayout layout = HeaderLayout::rev1();
    for (int i = 0; i < layout.fields().size() && size_t(2 * i + 1) < size; ++i)
        layout.setField(layout.fields().at(i).name, data[2 * i] + 1, FieldType(data[2 * i + 1] % kFieldTypes));
    const TraceDecoder decoder(layout, g.byteOrder);

    // Each header alone on the heap, so that a read past its 240 bytes is caught.
    const std::unique_ptr<char[]> header(new char[kTraceHeaderBytes]);
    for (qint64 t = 0; t < g.traceCount && t < 64; ++t) {
        std::memcpy(header.get(), data + g.traceOffset(t), kTraceHeaderBytes);
        segy.getTrHeaderPars(header.get());
        decoder.record(header.get());
        for (int f = 0; f < layout.fields().size(); ++f)
            decoder.scaledValue(header.get(), f);
        for (int position = -1; t == 0 && position <= kTraceHeaderBytes + 1; ++position) {
            TarnSegy::read4ByteHdrParMem(header.get(), position);
            TarnSegy::read2ByteHdrParMem(header.get(), position);
        }
    }
    return 0;
}
