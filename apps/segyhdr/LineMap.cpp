#include "LineMap.h"

#include "Picture.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kWidth = 900;
constexpr int kHeight = 640;
const QRectF kPlot(100, 56, 770, 510);
constexpr double kMargin = 0.05;
constexpr double kMinimumExtent = 1.0;
constexpr int kTargetTicks = 6;
constexpr double kShotRadius = 4.0;
const QColor kReceiverColour(150, 150, 150);
const QColor kShotColour(20, 60, 160);
const QColor kFlagColour(255, 0, 0);
const QColor kGridColour(225, 225, 225);

// A step of 1, 2 or 5 times a power of ten that cuts the range into about kTargetTicks parts.
double tickStep(double range)
{
    const double raw = range / kTargetTicks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (raw <= factor * power)
            return factor * power;
    }
    return 10.0 * power;
}

QString tickText(double value, double step)
{
    const int decimals = step >= 1.0 ? 0 : int(std::ceil(-std::log10(step)));
    return QString::number(value, 'f', decimals);
}

} // namespace

LineMap::LineMap(const QString &title)
    : title(title)
{
}

void LineMap::addShot(QPointF source, qint32 ffid, bool flagged)
{
    shots.append({source, ffid, flagged});
    extend(source);
}

void LineMap::extend(QPointF point)
{
    if (!std::isfinite(point.x()) || !std::isfinite(point.y()))
        return;
    if (!hasExtent) {
        low = high = point;
        hasExtent = true;
        return;
    }
    low = QPointF(std::min(low.x(), point.x()), std::min(low.y(), point.y()));
    high = QPointF(std::max(high.x(), point.x()), std::max(high.y(), point.y()));
}

void LineMap::fixFrame()
{
    if (framed)
        return;
    framed = true;
    // The same scale on both axes, so that the geometry keeps its shape; a line along one axis
    // still gets some room across it.
    const double spanX = std::max(high.x() - low.x(), kMinimumExtent) * (1.0 + 2 * kMargin);
    const double spanY = std::max(high.y() - low.y(), kMinimumExtent) * (1.0 + 2 * kMargin);
    scale = std::min(kPlot.width() / spanX, kPlot.height() / spanY);
    origin = (low + high) / 2;
}

QPointF LineMap::toPixel(QPointF point) const
{
    return {kPlot.center().x() + (point.x() - origin.x()) * scale,
            kPlot.center().y() - (point.y() - origin.y()) * scale};
}

void LineMap::addReceiver(QPointF receiver)
{
    fixFrame();
    if (!std::isfinite(receiver.x()) || !std::isfinite(receiver.y()))
        return;
    const QPointF pixel = toPixel(receiver);
    if (!kPlot.contains(pixel))
        return;
    receiverPixels.insert(quint64(quint32(std::lround(pixel.x()))) << 32 | quint32(std::lround(pixel.y())));
}

void LineMap::paint(QPainter &painter) const
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(0, 0, kWidth, kHeight), Qt::white);
    QFont font = painter.font();
    font.setPixelSize(13);
    painter.setFont(font);

    // Axes: ticks at round values of the file's coordinates, the scalar applied.
    const double left = origin.x() - (kPlot.width() / 2) / scale;
    const double right = origin.x() + (kPlot.width() / 2) / scale;
    const double bottom = origin.y() - (kPlot.height() / 2) / scale;
    const double top = origin.y() + (kPlot.height() / 2) / scale;
    const double step = tickStep(std::min(right - left, top - bottom));
    for (double x = std::ceil(left / step) * step; x <= right; x += step) {
        const double px = toPixel({x, 0}).x();
        painter.setPen(QPen(kGridColour, 1));
        painter.drawLine(QPointF(px, kPlot.top()), QPointF(px, kPlot.bottom()));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(px - 60, kPlot.bottom() + 4, 120, 18), Qt::AlignHCenter | Qt::AlignTop, tickText(x, step));
    }
    for (double y = std::ceil(bottom / step) * step; y <= top; y += step) {
        const double py = toPixel({0, y}).y();
        painter.setPen(QPen(kGridColour, 1));
        painter.drawLine(QPointF(kPlot.left(), py), QPointF(kPlot.right(), py));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, py - 9, kPlot.left() - 6, 18), Qt::AlignRight | Qt::AlignVCenter, tickText(y, step));
    }
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(kPlot);
    painter.drawText(QRectF(kPlot.left(), kPlot.bottom() + 24, kPlot.width(), 18), Qt::AlignHCenter,
                     QStringLiteral("x (source_x, group_x)"));
    painter.save();
    painter.translate(16, kPlot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-kPlot.height() / 2, -10, kPlot.height(), 20), Qt::AlignHCenter,
                     QStringLiteral("y (source_y, group_y)"));
    painter.restore();

    painter.setPen(Qt::NoPen);
    painter.setBrush(kReceiverColour);
    for (const quint64 key : receiverPixels)
        painter.drawRect(QRectF(double(quint32(key >> 32)) - 1, double(quint32(key)) - 1, 2, 2));

    // Clean shots first, so that no clean mark hides a flagged one.
    for (const bool flaggedPass : {false, true}) {
        for (const Shot &shot : shots) {
            if (shot.flagged != flaggedPass || !std::isfinite(shot.source.x()) || !std::isfinite(shot.source.y()))
                continue;
            const QPointF at = toPixel(shot.source);
            painter.setPen(Qt::NoPen);
            painter.setBrush(shot.flagged ? kFlagColour : kShotColour);
            painter.drawEllipse(at, kShotRadius, kShotRadius);
        }
    }
    // The labels last, on a light ground, so that neither marks nor receivers hide them.
    for (const Shot &shot : shots) {
        if (!shot.flagged || !std::isfinite(shot.source.x()) || !std::isfinite(shot.source.y()))
            continue;
        const QString text = QString::number(shot.ffid);
        const QPointF at = toPixel(shot.source) + QPointF(-painter.fontMetrics().horizontalAdvance(text) / 2.0, -10);
        const QRectF box = QRectF(painter.fontMetrics().boundingRect(text)).translated(at).adjusted(-2, -1, 2, 1);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, 210));
        painter.drawRect(box);
        painter.setPen(kFlagColour);
        painter.drawText(at, text);
    }

    // Legend and title.
    const QRectF legend(kPlot.right() - 170, kPlot.top() + 8, 162, 66);
    painter.setPen(QColor(180, 180, 180));
    painter.setBrush(QColor(255, 255, 255, 230));
    painter.drawRect(legend);
    const struct { QColor colour; double radius; const char *text; } entries[] = {
        {kReceiverColour, 1.5, "receivers"}, {kShotColour, kShotRadius, "shots"}, {kFlagColour, kShotRadius, "flagged shots (FFID)"}};
    double y = legend.top() + 13;
    for (const auto &entry : entries) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(entry.colour);
        painter.drawEllipse(QPointF(legend.left() + 14, y), entry.radius, entry.radius);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(legend.left() + 26, y - 9, legend.width() - 30, 18), Qt::AlignVCenter,
                         QString::fromLatin1(entry.text));
        y += 20;
    }
    font.setPixelSize(16);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRectF(0, 10, kWidth, 30), Qt::AlignHCenter | Qt::AlignVCenter, title);
}

bool LineMap::write(const QString &path, QString *error)
{
    fixFrame();
    return writePicture(path, QSize(kWidth, kHeight), title, [this](QPainter &painter) { paint(painter); }, error);
}
