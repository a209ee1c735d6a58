#pragma once

#include "ShotEntry.h"

#include <SegyGeometry.h>
#include <TraceDecoder.h>
#include <TraceRecord.h>

#include <QString>
#include <QVector>

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

/// Reads the headers and samples of the shot's traces through one mapping of their block, in the
/// file's geometry, the headers decoded by the decoder. False with *error (in plain words, without
/// the path) when the format is not one SEG-Y defines, the traces are not in the file, or the file
/// cannot be opened or mapped; the gather is then empty but for its entry.
bool readShotGather(const QString &segyPath, const SegyGeometry &geometry, const TraceDecoder &decoder,
                    const ShotEntry &shot, ShotGather *gather, QString *error);
