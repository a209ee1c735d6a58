#pragma once

#include <QtGlobal>

/// A run of consecutive traces that share one FFID; trace indices count from 0, both inclusive.
struct ShotEntry
{
    qint32 ffid = 0;
    qint32 firstTrace = 0;
    qint32 lastTrace = -1;
};
