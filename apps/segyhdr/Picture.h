#pragma once

#include <QSize>
#include <QString>

#include <functional>

class QPainter;

/// Writes what paint draws on a canvas of the size: as SVG for the suffix .svg (case aside), else
/// as PNG. False with *error set when the file cannot be written.
bool writePicture(const QString &path, const QSize &size, const QString &title,
                  const std::function<void(QPainter &)> &paint, QString *error);
