#pragma once

#include "ShotEntry.h"
#include "ShotReader.h"

#include <QString>
#include <QStringList>
#include <QVector>

constexpr int kColumnCount = 16;

/// Whether the column holds a value that every trace of a shot should share.
bool isShotConstantColumn(int column);

/// Whether every record agrees with record 0 in a shot-constant column; floats compare as
/// stored 32-bit values, so NaN never agrees and -0.0 equals +0.0.
bool columnAgrees(const QVector<fbRec> &records, int column);

/// The text of one cell: integers in base 10, coordinates with two decimals.
QString cellText(const fbRec &record, const CustomValues &custom, int column);

/// "71-72" for a field of 2 bytes at byte 71.
QString byteRangeText(int position, int length);

/// The shot combo's texts "i > ffid", both right-aligned to the width of the shot count.
QStringList ffidComboTexts(const QVector<ShotEntry> &shots);
