#pragma once

#include "ShotEntry.h"
#include "ShotReader.h"

#include <QString>
#include <QStringList>
#include <QVector>

constexpr int kColumnCount = 16;
constexpr int kFieldColumnCount = 14;

/// The columns whose value every trace of a shot should share: ffid, s_elev, s_depth,
/// source_x, source_y, s_line and s_stat. The viewer paints them red where they vary.
constexpr int kShotConstantColumns[] = {0, 4, 5, 6, 7, 10, 11};

/// Whether the column is one of kShotConstantColumns.
bool isShotConstantColumn(int column);

/// The untranslated header text of a field column (0 to 13), "ffid" to "g_stat"; the two
/// custom columns are named by their byte ranges.
const char *fieldName(int column);

/// The shot-constant columns in which some record differs from record 0: those shown in red.
QVector<int> varyingColumns(const QVector<fbRec> &records);

/// The 16 texts of one row as the viewer shows them: where a shot-constant column agrees,
/// every row shows record 0's text (so -0.0 and +0.0 read alike).
QStringList rowTexts(const QVector<fbRec> &records, const QVector<CustomValues> &customValues,
                     int row, const QVector<int> &varying);

/// Whether every record agrees with record 0 in a shot-constant column; floats compare as
/// stored 32-bit values, so NaN never agrees and -0.0 equals +0.0.
bool columnAgrees(const QVector<fbRec> &records, int column);

/// The text of one cell: integers in base 10, coordinates with two decimals.
QString cellText(const fbRec &record, const CustomValues &custom, int column);

/// The value of a cell as a number: the stored float widened, or the integer.
double cellValue(const fbRec &record, const CustomValues &custom, int column);

/// "71-72" for a field of 2 bytes at byte 71.
QString byteRangeText(int position, int length);

/// The shot combo's texts "i > ffid", both right-aligned to the width of the shot count.
QStringList ffidComboTexts(const QVector<ShotEntry> &shots);
