#pragma once

#include "ShotEntry.h"

#include <SegyGeometry.h>
#include <TarnSegy.h>
#include <TraceDecoder.h>

#include <QPair>
#include <QString>
#include <QVector>

#include <functional>

using CustomValues = QPair<qint32, qint32>;

enum class ShotReadResult { Read, OpenFailed, MapFailed };

/// Where the two custom header fields lie: 1-based positions and lengths as the user gave them.
struct CustomFields
{
    int cust1Pos;
    int cust1Len;
    int cust2Pos;
    int cust2Len;
};

/// The decoded headers of one shot's traces.
struct ShotHeaders
{
    int position = 0; // in the shot list, from 0
    ShotEntry entry{};
    QVector<fbRec> records;
    QVector<CustomValues> customValues;
};

/// Decodes the headers of traces firstTrace to lastTrace through one mapping of their block, as
/// the viewer reads a shot: the SEG-Y library's geometry and its big-endian decoding under the
/// header definition. Both lists are cleared first and stay empty unless the result is Read.
ShotReadResult readShotRecords(const QString &segyPath, int **headerDefs, qint32 firstTrace,
                               qint32 lastTrace, const CustomFields &custom,
                               QVector<fbRec> &records, QVector<CustomValues> &customValues);

/// The same for a file as its geometry describes it, decoded by the decoder.
ShotReadResult readShotRecords(const QString &segyPath, const SegyGeometry &geometry, const TraceDecoder &decoder,
                               qint32 firstTrace, qint32 lastTrace, const CustomFields &custom,
                               QVector<fbRec> &records, QVector<CustomValues> &customValues);

/// Shots are read together until a block holds this many traces: one mapping a block keeps the
/// cost of a shot low where shots are small, and memory stays bounded where the line is large.
constexpr qint64 kTracesPerBlock = 8192;

/// Reads traces firstTrace to lastTrace into both lists, as readShotRecords does.
using TraceBlockReader = std::function<ShotReadResult(qint32 firstTrace, qint32 lastTrace, QVector<fbRec> &records,
                                                      QVector<CustomValues> &customValues)>;

/// How a walk over shots ended: Read, or the result of the block read that failed and its traces.
struct ShotWalkResult
{
    ShotReadResult result = ShotReadResult::Read;
    qint32 firstTrace = 0;
    qint32 lastTrace = -1;
};

/// Hands the shots at positions from to to of the list, in that order (backward where to comes
/// first), with their headers to visit, until it returns false. Whole shots are read a block at
/// a time, up to kTracesPerBlock traces and at least one shot.
ShotWalkResult walkShots(const QVector<ShotEntry> &shots, int from, int to, const TraceBlockReader &read,
                         const std::function<bool(const ShotHeaders &)> &visit);
