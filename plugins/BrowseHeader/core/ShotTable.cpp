#include "ShotTable.h"

#include <QtGlobal>

#include <algorithm>
#include <iterator>

namespace {

enum Column {
    kFfid,
    kChannel,
    kOffset,
    kGroupElevation,
    kSourceElevation,
    kSourceDepth,
    kSourceX,
    kSourceY,
    kGroupX,
    kGroupY,
    kSourceLine,
    kSourceStatic,
    kGroupLine,
    kGroupStatic,
    kCustom1,
    kCustom2,
};

constexpr int kCoordinateDecimals = 2;

// The field names belong to the general translation context; only "byte" is the viewer's own.
const char *const kFieldNames[] = {
    QT_TRANSLATE_NOOP("QObject", "ffid"),     QT_TRANSLATE_NOOP("QObject", "channel"),
    QT_TRANSLATE_NOOP("QObject", "offset"),   QT_TRANSLATE_NOOP("QObject", "g_elev"),
    QT_TRANSLATE_NOOP("QObject", "s_elev"),   QT_TRANSLATE_NOOP("QObject", "s_depth"),
    QT_TRANSLATE_NOOP("QObject", "source_x"), QT_TRANSLATE_NOOP("QObject", "source_y"),
    QT_TRANSLATE_NOOP("QObject", "group_x"),  QT_TRANSLATE_NOOP("QObject", "group_y"),
    QT_TRANSLATE_NOOP("QObject", "s_line"),   QT_TRANSLATE_NOOP("QObject", "s_stat"),
    QT_TRANSLATE_NOOP("QObject", "g_line"),   QT_TRANSLATE_NOOP("QObject", "g_stat"),
};
static_assert(std::size(kFieldNames) == kFieldColumnCount, "two custom columns follow the fields");

bool isFloatColumn(int column)
{
    return column >= kSourceX && column <= kGroupY;
}

float floatField(const fbRec &record, int column)
{
    switch (column) {
    case kSourceX: return record.source_x;
    case kSourceY: return record.source_y;
    case kGroupX: return record.group_x;
    default: return record.group_y;
    }
}

qint32 intField(const fbRec &record, const CustomValues &custom, int column)
{
    switch (column) {
    case kFfid: return record.ffid;
    case kChannel: return record.channel;
    case kOffset: return record.offset;
    case kGroupElevation: return record.g_elev;
    case kSourceElevation: return record.s_elev;
    case kSourceDepth: return record.s_depth;
    case kSourceLine: return record.s_line;
    case kSourceStatic: return record.s_stat;
    case kGroupLine: return record.g_line;
    case kGroupStatic: return record.g_stat;
    case kCustom1: return custom.first;
    default: return custom.second;
    }
}

} // namespace

bool isShotConstantColumn(int column)
{
    return std::find(std::begin(kShotConstantColumns), std::end(kShotConstantColumns), column)
            != std::end(kShotConstantColumns);
}

const char *fieldName(int column)
{
    return kFieldNames[column];
}

QVector<int> varyingColumns(const QVector<fbRec> &records)
{
    QVector<int> varying;
    for (const int column : kShotConstantColumns) {
        if (!columnAgrees(records, column))
            varying.append(column);
    }
    return varying;
}

QStringList rowTexts(const QVector<fbRec> &records, const QVector<CustomValues> &customValues,
                     int row, const QVector<int> &varying)
{
    QStringList texts;
    texts.reserve(kColumnCount);
    for (int column = 0; column < kColumnCount; ++column) {
        const int shown = isShotConstantColumn(column) && !varying.contains(column) ? 0 : row;
        texts.append(cellText(records.at(shown), customValues.at(shown), column));
    }
    return texts;
}

bool columnAgrees(const QVector<fbRec> &records, int column)
{
    if (records.size() < 2)
        return true;
    const fbRec &first = records.first();
    const CustomValues none;
    if (isFloatColumn(column)) {
        // The stored floats decide, not their two-decimal texts: NaN never agrees, -0 equals +0.
        const float reference = floatField(first, column);
        for (int i = 1; i < records.size(); ++i) {
            if (!(floatField(records.at(i), column) == reference))
                return false;
        }
        return true;
    }
    const qint32 reference = intField(first, none, column);
    for (int i = 1; i < records.size(); ++i) {
        if (intField(records.at(i), none, column) != reference)
            return false;
    }
    return true;
}

QString cellText(const fbRec &record, const CustomValues &custom, int column)
{
    if (isFloatColumn(column))
        return QString::number(double(floatField(record, column)), 'f', kCoordinateDecimals);
    return QString::number(intField(record, custom, column));
}

double cellValue(const fbRec &record, const CustomValues &custom, int column)
{
    if (isFloatColumn(column))
        return double(floatField(record, column));
    return double(intField(record, custom, column));
}

QString byteRangeText(int position, int length)
{
    return QString::number(position) + QLatin1Char('-') + QString::number(position + length - 1);
}

QStringList ffidComboTexts(const QVector<ShotEntry> &shots)
{
    const int width = QString::number(shots.size()).size();
    const QString pattern = QStringLiteral("%1 > %2");
    QStringList texts;
    texts.reserve(shots.size());
    for (int i = 0; i < shots.size(); ++i)
        texts.append(pattern.arg(i + 1, width).arg(shots.at(i).ffid, width));
    return texts;
}
