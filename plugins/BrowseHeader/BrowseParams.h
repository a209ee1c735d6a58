#pragma once

#include <QString>
#include <QtGlobal>

/// What the user chose in the browse dialog; the viewer reads it while it runs.
struct BrowseParams
{
    QString segyName;
    qint32 cust1Pos = 71;
    qint32 cust1Len = 2;
    qint32 cust2Pos = 237;
    qint32 cust2Len = 4;
    qint32 nowShIdx = 0;
    qint32 fastStep = 10;
};
