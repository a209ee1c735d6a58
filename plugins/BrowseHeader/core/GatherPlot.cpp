#include "GatherPlot.h"

#include "ShotTable.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>

namespace {

// The frame around the traces: the time axis on the left, the title, the trace labels and the
// flag marks above.
constexpr int kLeftMargin = 64;
constexpr int kRightMargin = 14;
constexpr int kTitleHeight = 24;
constexpr int kLabelHeight = 18;
constexpr int kMarkHeight = 9;
constexpr int kBottomMargin = 12;
constexpr int kTopMargin = kTitleHeight + kLabelHeight + kMarkHeight;
constexpr int kMinTickSpacing = 40; // pixels between time ticks
constexpr int kLabelGap = 6;        // pixels between trace labels

// The gain control's window is counted in blocks of this many samples.
constexpr qint64 kAgcBlock = 8;

// The clip level is a percentile of this many amplitudes at most, taken evenly over the shown ones.
constexpr qint64 kMaxClipSamples = 1 << 20;

// The columns whose red says that a trace sits elsewhere than its header claims: the offset and
// the four coordinates.
constexpr int kPositionColumns[] = {2, 6, 7, 8, 9};

const QColor kFlagColour(255, 0, 0);
const QColor kSelectionColour(0, 120, 215, 80);
const QColor kFrameColour(110, 110, 110);

// Variable density colours from the most negative amplitude (index 0) to the most positive (255).
std::array<QRgb, 256> colourMap(GatherStyle style)
{
    std::array<QRgb, 256> map{};
    for (int k = 0; k < 256; ++k) {
        if (style == GatherStyle::RedWhiteBlue) {
            // Blue troughs, white zero, red peaks.
            const int fade = k < 128 ? 2 * k : 2 * (255 - k);
            map[size_t(k)] = k < 128 ? qRgb(fade, fade, 255) : qRgb(255, fade, fade);
        } else {
            // Black peaks on white troughs, as on paper sections.
            map[size_t(k)] = qRgb(255 - k, 255 - k, 255 - k);
        }
    }
    return map;
}

float finiteOrZero(float v)
{
    return std::isfinite(v) ? v : 0.0f;
}

// The traces whose value in the column differs from the shot's most common one; all of them where
// no value is more common than every other.
void flagOddValues(const QVector<fbRec> &records, int column, QVector<bool> &flags)
{
    std::map<double, int> counts;
    for (const fbRec &record : records) {
        const double v = cellValue(record, {}, column);
        if (v == v)
            ++counts[v];
    }
    int best = 0;
    int holders = 0; // values counted best times
    double common = 0.0;
    for (const auto &[value, count] : counts) {
        if (count > best) {
            best = count;
            holders = 0;
            common = value;
        }
        holders += count == best;
    }
    const bool none = best < 2 || holders > 1;
    for (int r = 0; r < records.size(); ++r)
        flags[r] = flags[r] || none || !(cellValue(records.at(r), {}, column) == common);
}

} // namespace

void GatherPlot::setGather(ShotGather gather)
{
    shot = std::move(gather);
    // The energy before each block of kAgcBlock samples, trace by trace: once per shot, however
    // often the gain window changes or the picture is drawn again.
    const qint64 samples = shot.samples;
    const qint64 blocks = (samples + kAgcBlock - 1) / kAgcBlock;
    blockEnergy.assign(size_t(shot.traceCount() * (blocks + 1)), 0.0);
    for (int i = 0; i < shot.traceCount(); ++i) {
        const float *x = shot.trace(i);
        double *energy = blockEnergy.data() + qint64(i) * (blocks + 1);
        for (qint64 b = 0; b < blocks; ++b) {
            const qint64 end = qMin(samples, (b + 1) * kAgcBlock);
            float sum = 0.0f;
            for (qint64 k = b * kAgcBlock; k < end; ++k)
                sum += x[k] * x[k];
            if (!std::isfinite(sum)) {
                sum = 0.0f;
                for (qint64 k = b * kAgcBlock; k < end; ++k)
                    sum += finiteOrZero(x[k]) * finiteOrZero(x[k]);
            }
            energy[b + 1] = energy[b] + sum;
        }
    }
    chosen.clear();
    marked.clear();
    QVector<bool> flags(shot.traceCount(), false);
    for (const int column : varyingColumns(shot.records)) {
        if (std::find(std::begin(kPositionColumns), std::end(kPositionColumns), column) != std::end(kPositionColumns))
            flagOddValues(shot.records, column, flags);
    }
    for (int r = 0; r < flags.size(); ++r) {
        if (flags.at(r))
            marked.append(r);
    }
}

double GatherPlot::startMs() const
{
    return current.startMs;
}

double GatherPlot::endMs() const
{
    const double step = shot.intervalMs > 0 ? shot.intervalMs : 1.0;
    const double end = current.endMs >= 0 ? current.endMs : (shot.samples - 1) * step;
    return end > current.startMs ? end : current.startMs + step;
}

double GatherPlot::moveoutMs(int trace) const
{
    if (current.lmoVelocity <= 0 || trace < 0 || trace >= shot.traceCount())
        return 0.0;
    return 1000.0 * std::fabs(double(shot.records.at(trace).offset)) / current.lmoVelocity;
}

QRect GatherPlot::plotRect(const QSize &size) const
{
    return QRect(kLeftMargin, kTopMargin, qMax(0, size.width() - kLeftMargin - kRightMargin),
                 qMax(0, size.height() - kTopMargin - kBottomMargin));
}

double GatherPlot::traceCentre(int trace, const QSize &size) const
{
    const QRect plot = plotRect(size);
    return plot.left() + (trace + 0.5) * plot.width() / qMax(1, shot.traceCount());
}

int GatherPlot::traceAt(const QPoint &point, const QSize &size) const
{
    const QRect plot = plotRect(size);
    const QRect area = plot.adjusted(0, -kLabelHeight - kMarkHeight, 0, 0);
    if (shot.traceCount() == 0 || !area.contains(point))
        return -1;
    return qBound(0, int(qint64(point.x() - plot.left()) * shot.traceCount() / plot.width()), shot.traceCount() - 1);
}

// The amplitude of every trace at the time of each pixel row, gained and moved out, trace after
// trace (NaN where the moved trace has no sample), and the clip level over them. Only the rows'
// samples are looked at; the gain control's window is rounded to whole blocks of blockEnergy.
QVector<float> GatherPlot::shownValues(int rows, float *clip) const
{
    const int n = shot.traceCount();
    const qint64 samples = shot.samples;
    const double step = shot.intervalMs > 0 ? shot.intervalMs : 1.0;
    const double start = startMs();
    const double msPerRow = (endMs() - start) / rows;
    const qint64 half = current.agcMs > 0 ? qMax<qint64>(1, std::llround(current.agcMs / step / 2)) : 0;
    const qint64 blocks = (samples + kAgcBlock - 1) / kAgcBlock;
    QVector<float> shown(n * rows, std::numeric_limits<float>::quiet_NaN());
    for (int i = 0; i < n; ++i) {
        const float *x = shot.trace(i);
        const double *energy = blockEnergy.data() + qint64(i) * (blocks + 1);
        // Sample positions counted from half a sample before sample 0, so that truncation rounds.
        const double first = (start + 0.5 * msPerRow + moveoutMs(i)) / step + 0.5;
        const double perRow = msPerRow / step;
        float *out = shown.data() + qint64(i) * rows;
        for (int y = 0; y < rows; ++y) {
            const double position = first + y * perRow;
            if (position < 0 || position >= samples)
                continue;
            const qint64 s = qint64(position);
            float v = finiteOrZero(x[s]);
            if (half > 0) {
                const qint64 from = qMax<qint64>(0, s - half) / kAgcBlock;
                const qint64 to = qMin(samples - 1, s + half) / kAgcBlock + 1;
                const float count = float(qMin(samples, to * kAgcBlock) - from * kAgcBlock);
                const float rms = std::sqrt(float(qMax(0.0, energy[to] - energy[from])) / count);
                v = rms > 0 ? v / rms : 0.0f;
            }
            out[y] = v;
        }
    }

    // A stride that does not divide the rows, so that every row has its say.
    const qint64 total = shown.size();
    qint64 stride = qMax<qint64>(1, total / kMaxClipSamples);
    if (stride > 1 && rows % stride == 0)
        ++stride;
    std::vector<float> magnitudes;
    magnitudes.reserve(size_t(total / stride + 1));
    for (qint64 k = 0; k < total; k += stride) {
        if (shown[k] == shown[k])
            magnitudes.push_back(std::fabs(shown[k]));
    }
    *clip = 0.0f;
    if (!magnitudes.empty()) {
        const double p = qBound(0.0, current.clipPercentile, 100.0) / 100.0;
        const auto at = magnitudes.begin() + std::llround(p * double(magnitudes.size() - 1));
        std::nth_element(magnitudes.begin(), at, magnitudes.end());
        *clip = *at > 0 ? *at : *std::max_element(magnitudes.begin(), magnitudes.end());
    }
    if (!(*clip > 0))
        *clip = 1.0f;
    return shown;
}

QImage GatherPlot::traces(const QSize &size) const
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    const int n = shot.traceCount();
    const int rows = size.height();
    const int width = size.width();
    if (n == 0 || shot.samples == 0 || rows <= 0 || width <= 0)
        return image;
    float clip = 1.0f;
    const QVector<float> shown = shownValues(rows, &clip);
    const float scale = 1.0f / clip;

    if (current.style == GatherStyle::Wiggle) {
        // Each trace swings up to one trace spacing about its centre, its positive lobe filled.
        const double spacing = double(width) / n;
        const QRgb ink = qRgb(0, 0, 0);
        for (int i = 0; i < n; ++i) {
            const double centre = (i + 0.5) * spacing;
            const float *values = shown.constData() + qint64(i) * rows;
            int previous = -1;
            for (int y = 0; y < rows; ++y) {
                const float v = values[y] == values[y] ? qBound(-1.0f, values[y] * scale, 1.0f) : 0.0f;
                const int x = qBound(0, int(centre + v * spacing + 0.5), width - 1);
                auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
                const int from = qMin(x, previous < 0 ? x : previous);
                const int to = qMax(x, previous < 0 ? x : previous);
                for (int p = from; p <= to; ++p)
                    line[p] = ink;
                for (int p = qBound(0, int(std::ceil(centre)), width); p < x; ++p)
                    line[p] = ink;
                previous = x;
            }
        }
        return image;
    }

    const std::array<QRgb, 256> map = colourMap(current.style);
    const QRgb zero = map[128];
    std::vector<int> traceOf(size_t(width), 0);
    for (int x = 0; x < width; ++x)
        traceOf[size_t(x)] = int(qint64(x) * n / width) * rows;
    for (int y = 0; y < rows; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const float v = shown[traceOf[size_t(x)] + y];
            // From -1 to 1 onto 0 to 255, rounded: 0.5 to 255.5 truncated.
            line[x] = v == v ? map[size_t((qBound(-1.0f, v * scale, 1.0f) + 1.0f) * 127.5f + 0.5f)] : zero;
        }
    }
    return image;
}

QImage GatherPlot::image(const QSize &size) const
{
    QImage picture(size, QImage::Format_RGB32);
    QPainter painter(&picture);
    paint(painter, size);
    return picture;
}

void GatherPlot::paint(QPainter &painter, const QSize &size) const
{
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    const QRect plot = plotRect(size);
    if (plot.isEmpty())
        return;
    painter.drawImage(plot.topLeft(), traces(plot.size()));

    const int n = shot.traceCount();
    const double spacing = double(plot.width()) / qMax(1, n);
    for (const int i : chosen) {
        if (i >= 0 && i < n)
            painter.fillRect(QRectF(plot.left() + i * spacing, plot.top() - kLabelHeight - kMarkHeight,
                                    qMax(1.0, spacing), plot.height() + kLabelHeight + kMarkHeight),
                             kSelectionColour);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(kFlagColour);
    for (const int i : marked) {
        const double x = traceCentre(i, size);
        painter.drawPolygon(QPolygonF({QPointF(x - 4, plot.top() - kMarkHeight), QPointF(x + 4, plot.top() - kMarkHeight),
                                       QPointF(x, plot.top() - 1)}));
    }
    paintAxes(painter, plot);
}

void GatherPlot::paintAxes(QPainter &painter, const QRect &plot) const
{
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(kFrameColour);
    painter.drawRect(plot.adjusted(-1, -1, 0, 0)); // around the traces, not over them

    // Time ticks at 1, 2 or 5 times a power of ten, at least kMinTickSpacing pixels apart.
    const double start = startMs();
    const double range = endMs() - start;
    double tick = std::pow(10.0, std::floor(std::log10(qMax(1e-9, range * kMinTickSpacing / qMax(1, plot.height())))));
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (tick * factor * plot.height() / range >= kMinTickSpacing) {
            tick *= factor;
            break;
        }
    }
    painter.setPen(Qt::black);
    for (double t = std::ceil(start / tick) * tick; t <= start + range + 1e-9; t += tick) {
        const double y = plot.top() + (t - start) / range * plot.height();
        painter.drawLine(QPointF(plot.left() - 5, y), QPointF(plot.left(), y));
        painter.drawText(QRectF(0, y - 8, plot.left() - 8, 16), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(t, 'g', 10));
    }
    painter.save();
    painter.translate(12, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-80, -8, 160, 16), Qt::AlignCenter, shot.intervalMs > 0 ? tr("Time (ms)") : tr("Sample"));
    painter.restore();

    // Trace labels, every k-th so that they do not overlap; flagged ones in red.
    const int n = shot.traceCount();
    const auto labelOf = [this](int i) {
        const fbRec &r = shot.records.at(i);
        return QString::number(current.label == TraceLabel::Channel ? r.channel : r.offset);
    };
    // The longest text stands for the widest: the labels are numbers, and measuring each one
    // would cost more than drawing the traces.
    QString longest;
    for (int i = 0; i < n; ++i) {
        const QString label = labelOf(i);
        longest = label.size() > longest.size() ? label : longest;
    }
    const int widest = metrics.horizontalAdvance(longest);
    const double spacing = double(plot.width()) / qMax(1, n);
    const int every = qMax(1, int(std::ceil((widest + kLabelGap) / qMax(1e-9, spacing))));
    const int labelTop = plot.top() - kMarkHeight - kLabelHeight;
    for (int i = 0; i < n; i += every) {
        const double x = plot.left() + (i + 0.5) * spacing;
        painter.setPen(std::binary_search(marked.cbegin(), marked.cend(), i) ? kFlagColour : Qt::black);
        painter.drawText(QRectF(x - 40, labelTop, 80, kLabelHeight), Qt::AlignCenter, labelOf(i));
    }
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, labelTop, plot.left() - 8, kLabelHeight), Qt::AlignRight | Qt::AlignVCenter,
                     current.label == TraceLabel::Channel ? tr("Channel") : tr("Offset"));

    QStringList notes;
    notes << (current.agcMs > 0 ? tr("AGC %1 ms").arg(current.agcMs) : tr("no AGC"));
    if (current.lmoVelocity > 0)
        notes << tr("LMO %1 m/s").arg(current.lmoVelocity);
    notes << tr("clip %1%").arg(current.clipPercentile);
    painter.drawText(QRect(plot.left(), 0, plot.width(), kTitleHeight), Qt::AlignRight | Qt::AlignVCenter,
                     notes.join(QStringLiteral("   ")));
    font.setPixelSize(13);
    font.setBold(true);
    painter.setFont(font);
    const QString title = tr("FFID %1").arg(shot.entry.ffid);
    painter.drawText(QRect(plot.left(), 0, plot.width(), kTitleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     heading.isEmpty() ? title : heading + QStringLiteral("   ") + title);
    if (n == 0)
        painter.drawText(plot, Qt::AlignCenter, tr("no traces"));
}
