#include "Picture.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

bool writePicture(const QString &path, const QSize &size, const QString &title,
                  const std::function<void(QPainter &)> &paint, QString *error)
{
    const QString failure = QStringLiteral("Error: fail to create the file: %1").arg(path);
    if (QFileInfo(path).suffix().toLower() == QLatin1String("svg")) {
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(title);
        QPainter painter;
        if (!painter.begin(&svg)) {
            *error = failure;
            return false;
        }
        paint(painter);
        return painter.end();
    }
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    paint(painter);
    painter.end();
    if (!image.save(path, "PNG")) {
        *error = failure;
        return false;
    }
    return true;
}
