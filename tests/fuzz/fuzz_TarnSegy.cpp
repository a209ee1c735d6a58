// The SEG-Y library's geometry and header decoding over arbitrary file bytes.

#include "FuzzInput.h"

#include <TarnSegy.h>

#include <QFile>

#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QFile file(fuzzFile(data, size));
    fuzzCheck(file.open(QIODevice::ReadOnly));
    const TarnSegy segy(&file);
    const qint64 traces = segy.totalTraces();
    const qint64 trBytes = segy.trBytes();
    // The geometry never claims a trace that the file does not hold whole.
    fuzzCheck(traces >= 0 && trBytes >= TarnSegy::kTraceHeaderBytes);
    fuzzCheck(traces == 0 || TarnSegy::kFileHeaderBytes + traces * trBytes <= qint64(size));
    fuzzCheck(traces == 0 || trBytes == 240 + qint64(segy.samplesPerTrace()) * segy.bytesPerSample());
    segy.indexExist();

    // Each header alone on the heap, so that a read past its 240 bytes is caught.
    const std::unique_ptr<char[]> header(new char[TarnSegy::kTraceHeaderBytes]);
    for (qint64 t = 0; t < traces; ++t) {
        std::memcpy(header.get(), data + TarnSegy::kFileHeaderBytes + t * trBytes, TarnSegy::kTraceHeaderBytes);
        segy.getTrHeaderPars(header.get());
        for (int position = -1; t == 0 && position <= TarnSegy::kTraceHeaderBytes + 1; ++position) {
            TarnSegy::read4ByteHdrParMem(header.get(), position);
            TarnSegy::read2ByteHdrParMem(header.get(), position);
        }
    }
    return 0;
}
