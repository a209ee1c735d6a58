#pragma once

#include <TarnSegy.h>

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

/// Decodes the headers of traces firstTrace to lastTrace through one mapping of their block.
/// Both lists are cleared first and stay empty unless the result is Read.
ShotReadResult readShotRecords(const QString &segyPath, int **headerDefs, qint32 firstTrace,
                               qint32 lastTrace, const CustomFields &custom,
                               QVector<fbRec> &records, QVector<CustomValues> &customValues);
