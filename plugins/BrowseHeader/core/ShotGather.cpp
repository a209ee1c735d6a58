#include "ShotGather.h"

#include <TraceSamples.h>

#include <QFile>

// A shot of more samples than this is refused rather than held in memory: 256 Mi floats, 1 GiB,
// far beyond any real shot record.
constexpr qint64 kMaxGatherSamples = qint64(1) << 28;

static bool fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

bool readShotGather(const QString &segyPath, const SegyGeometry &geometry, const TraceDecoder &decoder,
                    const ShotEntry &shot, ShotGather *gather, QString *error, const TraceDecoded &decoded)
{
    // The last shot's memory serves this one: the shots of a line are alike in size, and fresh
    // memory for every shot costs nearly as much as decoding into it.
    QVector<float> values = std::move(gather->values);
    *gather = ShotGather();
    gather->entry = shot;
    if (!geometry.readable)
        return fail(error, geometry.refusal);
    const QString formatProblem = sampleFormatProblem(geometry.formatCode);
    if (!formatProblem.isEmpty())
        return fail(error, formatProblem);
    const qint64 count = qint64(shot.lastTrace) - shot.firstTrace + 1;
    if (shot.firstTrace < 0 || count <= 0 || shot.lastTrace >= geometry.traceCount)
        return fail(error, QStringLiteral("traces %1-%2 are not in the file, which holds %3 whole traces")
                                   .arg(qint64(shot.firstTrace) + 1).arg(qint64(shot.lastTrace) + 1).arg(geometry.traceCount));
    if (count * geometry.samples > kMaxGatherSamples)
        return fail(error, QStringLiteral("%1 traces of %2 samples are more than can be shown at once")
                                   .arg(count).arg(geometry.samples));

    QFile file(segyPath);
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, file.errorString());
    // The geometry counts whole traces only, so the block lies inside the file.
    const qint64 offset = geometry.traceOffset(shot.firstTrace);
    uchar *block = file.map(offset, count * geometry.traceBytes);
    if (!block)
        return fail(error, file.errorString());

    const int samples = int(geometry.samples);
    const qint64 headerBytes = qint64(kTraceHeaderBytes) * (1 + geometry.additionalTraceHeaders);
    gather->records.reserve(int(count));
    values.resize(int(count * samples));
    gather->values = std::move(values);
    const char *trace = reinterpret_cast<const char *>(block);
    gather->samples = samples;
    for (qint64 i = 0; i < count; ++i, trace += geometry.traceBytes) {
        gather->records.append(decoder.record(trace));
        if (i == 0) {
            // The binary header's interval first, as every reader takes it; the trace header where it is 0.
            const int intervalUs = geometry.sampleIntervalUs > 0 ? geometry.sampleIntervalUs : gather->records.first().sampleInterval;
            gather->intervalMs = intervalUs > 0 ? intervalUs / 1000.0 : 0.0;
        }
        decodeSamples(trace + headerBytes, samples, geometry.formatCode, geometry.byteOrder,
                      gather->values.data() + i * samples);
        if (decoded)
            decoded(*gather, int(i));
    }
    file.unmap(block);
    return true;
}
