#pragma once

#include "ShotEntry.h"

#include <SegyGeometry.h>
#include <TraceDecoder.h>
#include <TraceRecord.h>

#include <QString>
#include <QVector>

#include <functional>

/// One shot's traces as the file holds them: each trace's decoded header and all its samples.
struct ShotGather
{
    ShotEntry entry{};
    int samples = 0;          // per trace
    double intervalMs = 0.0;  // between samples; 0 when neither the binary nor the trace header tells it
    QVector<fbRec> records;   // one per trace, in file order
    QVector<float> values;    // records.size() × samples, trace after trace

    int traceCount() const { return records.size(); }
    const float *trace(int i) const { return values.constData() + qint64(i) * samples; }
};

/// Called once a trace, in order, as soon as its record and samples are in the gather (its samples
/// and interval are set from the first trace on), so that work on the trace finds it in the cache.
using TraceDecoded = std::function<void(const ShotGather &gather, int trace)>;

/// Reads the headers and samples of the shot's traces through one mapping of their block, in the
/// file's geometry, the headers decoded by the decoder. False with *error (in plain words, without
/// the path) when the format is not one SEG-Y defines, the traces are not in the file, or the file
/// cannot be opened or mapped; the gather is then empty but for its entry, and decoded is never called.
bool readShotGather(const QString &segyPath, const SegyGeometry &geometry, const TraceDecoder &decoder,
                    const ShotEntry &shot, ShotGather *gather, QString *error, const TraceDecoded &decoded = {});
