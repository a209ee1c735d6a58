// The SEG-Y library's geometry and header decoding over arbitrary file bytes.

#include "FuzzInput.h"

#include <TarnSegy.h>

#include <QFile>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>

static const int kSampleSizes[] = {1, 2, 3, 4, 8};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QFile file(fuzzFile(data, size));
    fuzzCheck(file.open(QIODevice::ReadOnly));
    const TarnSegy segy(&file);
    const qint64 traces = segy.totalTraces();
    const qint64 trBytes = segy.trBytes();
    // The geometry never claims a trace that the file does not hold whole.
    fuzzCheck(traces >= 0 && trBytes >= kTraceHeaderBytes);
    fuzzCheck(traces == 0 || kFileHeaderBytes + traces * trBytes <= qint64(size));
    // A trace is its header and whole samples of one of the sizes that SEG-Y formats use.
    const qint64 sampleBytes = trBytes - kTraceHeaderBytes;
    const qint64 samples = segy.samplesPerTrace();
    fuzzCheck(traces == 0 || std::any_of(std::begin(kSampleSizes), std::end(kSampleSizes),
                                         [&](int b) { return sampleBytes == samples * b; }));
    segy.indexExist();

    // Each header alone on the heap, so that a read past its 240 bytes is caught.
    const std::unique_ptr<char[]> header(new char[kTraceHeaderBytes]);
    for (qint64 t = 0; t < traces; ++t) {
        std::memcpy(header.get(), data + kFileHeaderBytes + t * trBytes, kTraceHeaderBytes);
        segy.getTrHeaderPars(header.get());
        for (int position = -1; t == 0 && position <= kTraceHeaderBytes + 1; ++position) {
            TarnSegy::read4ByteHdrParMem(header.get(), position);
            TarnSegy::read2ByteHdrParMem(header.get(), position);
        }
    }
    return 0;
}
