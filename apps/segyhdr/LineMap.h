#pragma once

#include <QPointF>
#include <QSet>
#include <QString>
#include <QVector>

class QPainter;

/// The line seen from above: receivers in grey, one mark per shot at its source position,
/// flagged shots in red with their FFID, axes in the file's coordinate units, a legend and a
/// title. It is filled in two passes over the line, so that it holds one point per shot and
/// one per occupied pixel, never one per trace: first every position (for the extent), then
/// the receivers.
class LineMap
{
public:
    explicit LineMap(const QString &title);

    /// First pass: a shot's source and whether it is flagged.
    void addShot(QPointF source, qint32 ffid, bool flagged);
    /// First pass: a receiver position, for the extent only.
    void extend(QPointF receiver);
    /// Second pass: a receiver position to draw.
    void addReceiver(QPointF receiver);

    /// Writes the map as SVG for the suffix .svg, else as PNG; false with *error set.
    bool write(const QString &path, QString *error);

private:
    struct Shot
    {
        QPointF source;
        qint32 ffid;
        bool flagged;
    };

    void fixFrame();
    QPointF toPixel(QPointF point) const;
    void paint(QPainter &painter) const;

    QString title;
    QVector<Shot> shots;
    bool hasExtent = false;
    QPointF low;
    QPointF high;
    bool framed = false;
    double scale = 1.0;
    QPointF origin;
    QSet<quint64> receiverPixels;
};
