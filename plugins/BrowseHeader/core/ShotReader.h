#pragma once

#include "ShotEntry.h"

#include <SegyGeometry.h>
#include <TarnSegy.h>
#include <TraceDecoder.h>

#include <QPair>
#include <QString>
#include <QVector>

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
