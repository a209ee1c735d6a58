#pragma once

#include "ShotReader.h"

#include <QByteArray>
#include <QVector>

/// The most bytes that one dump row takes, its separators and newline included: 12 integers of
/// at most 11 characters and 4 coordinates of at most 44 ("-340282346638528859811704183484516925440.00").
constexpr int kMaxDumpRowBytes = 12 * 11 + 4 * 44 + 16;

/// Appends the viewer's 16 cell texts of every row of a shot to out, separated by separator and
/// each row ended by '\n': byte for byte what rowTexts() gives joined with the separator, but
/// formatted straight into the buffer without a QString per cell. Each row starts with prefix
/// (a file's name and a separator, say) and ends after customColumns of the two custom values.
void appendDumpRows(const QVector<fbRec> &records, const QVector<CustomValues> &customValues, char separator,
                    QByteArray &out, const QByteArray &prefix = QByteArray(), int customColumns = 2);

/// Writes a coordinate as the viewer shows it, QString::number(double(value), 'f', 2), to p,
/// which has room for 44 characters; returns the end of what it wrote.
char *writeCoordinate(char *p, float value);
