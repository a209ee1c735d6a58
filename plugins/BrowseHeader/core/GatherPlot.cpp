#include "GatherPlot.h"

#include "ShotTable.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <numeric>

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
constexpr qint64 kMaxClipSamples = 1 << 15;

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

// 1 / sqrt(x) for a positive, finite x, to within 5 parts in a million (a colour level is 1 in
// 256): a first guess from the float's bits, then one Newton step. Multiplications only, where
// a division and a square root would queue up on the one unit that does both, once a block.
float inverseSqrt(float x)
{
    quint32 bits;
    std::memcpy(&bits, &x, sizeof bits);
    bits = 0x5f375a86u - (bits >> 1);
    float y;
    std::memcpy(&y, &bits, sizeof y);
    return y * (1.5f - 0.5f * x * y * y);
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

// Where the trace's column is centred in a plot of that many traces: clicks and marks agree on it.
double centreOf(int trace, int traces, const QRect &plot)
{
    return plot.left() + (trace + 0.5) * plot.width() / qMax(1, traces);
}

} // namespace

void GatherPlot::setGather(ShotGather gather)
{
    shot = std::move(gather);
    sampledValid = false;
    markFlagged();
}

bool GatherPlot::readGather(const QString &segyPath, const SegyGeometry &geometry, const TraceDecoder &decoder,
                            const ShotEntry &entry, const QSize &size, QString *error)
{
    sampledValid = false;
    const int rows = plotRect(size).height();
    const qint64 count = qint64(entry.lastTrace) - entry.firstTrace + 1;
    bool sampling = false;
    const bool ok = readShotGather(segyPath, geometry, decoder, entry, &shot, error, [&](const ShotGather &read, int trace) {
        if (trace == 0) {
            // The reader has checked the traces by now, and knows the samples and their interval.
            sampling = rows > 0 && read.samples > 0;
            sampled = samplingFor(rows);
            if (sampling) {
                shown.resize(size_t(count * rows));
                held.resize(size_t(count));
            }
        }
        if (sampling)
            sampleTrace(trace);
    });
    sampledValid = ok && sampling;
    markFlagged();
    return ok;
}

void GatherPlot::markFlagged()
{
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
    return centreOf(trace, shot.traceCount(), plotRect(size));
}

int GatherPlot::traceAt(const QPoint &point, const QSize &size) const
{
    const QRect plot = plotRect(size);
    const QRect area = plot.adjusted(0, -kLabelHeight - kMarkHeight, 0, 0);
    if (shot.traceCount() == 0 || !area.contains(point))
        return -1;
    return qBound(0, int(qint64(point.x() - plot.left()) * shot.traceCount() / plot.width()), shot.traceCount() - 1);
}

bool GatherPlot::Sampling::operator==(const Sampling &other) const
{
    return rows == other.rows && startMs == other.startMs && endMs == other.endMs && lmoVelocity == other.lmoVelocity
           && agcMs == other.agcMs;
}

GatherPlot::Sampling GatherPlot::samplingFor(int rows) const
{
    return {rows, startMs(), endMs(), current.lmoVelocity > 0 ? current.lmoVelocity : 0.0, current.agcMs > 0 ? current.agcMs : 0.0};
}

// The gain control's factor for the blocks lo to hi (not included) of kAgcBlock samples of the
// trace, into gain: one over the root mean square of the samples within half samples of the
// block's ends, the window rounded out to whole blocks; 0 where they are all 0. A factor a block
// rather than a sample, so that the square roots and divisions number the blocks, not the pixels,
// and run side by side; and only for the blocks shown, whose windows are all that is summed.
void GatherPlot::blockGains(const float *x, qint64 half, qint64 lo, qint64 hi) const
{
    const qint64 samples = shot.samples;
    const qint64 blocks = (samples + kAgcBlock - 1) / kAgcBlock;
    const qint64 whole = samples / kAgcBlock;
    const auto windowFrom = [&](qint64 b) { return qMax<qint64>(0, b * kAgcBlock - half) / kAgcBlock; };
    const auto windowTo = [&](qint64 b) { return qMin(samples - 1, b * kAgcBlock + kAgcBlock - 1 + half) / kAgcBlock + 1; };
    const qint64 first = windowFrom(lo);
    const qint64 last = windowTo(hi - 1);
    gain.resize(size_t(blocks));
    perSample.resize(size_t(blocks));
    energy.resize(size_t(blocks + 1));
    // Each block's energy, as four partial sums side by side.
    float *sum = gain.data();
    for (qint64 b = first; b < qMin(last, whole); ++b) {
        const float *p = x + b * kAgcBlock;
        const float p0 = p[0] * p[0] + p[4] * p[4];
        const float p1 = p[1] * p[1] + p[5] * p[5];
        const float p2 = p[2] * p[2] + p[6] * p[6];
        const float p3 = p[3] * p[3] + p[7] * p[7];
        sum[b] = (p0 + p2) + (p1 + p3);
    }
    if (whole < last) {
        float e = 0.0f;
        for (qint64 k = whole * kAgcBlock; k < samples; ++k)
            e += x[k] * x[k];
        sum[whole] = e;
    }
    // Running totals from the first block summed, four blocks a step, so that the running total
    // waits on one addition, not four.
    double *total = energy.data();
    double running = 0.0;
    total[first] = 0.0;
    qint64 b = first;
    for (; b + 4 <= last; b += 4) {
        const double e01 = double(sum[b]) + sum[b + 1];
        const double e23 = double(sum[b + 2]) + sum[b + 3];
        total[b + 1] = running + sum[b];
        total[b + 2] = running + e01;
        total[b + 3] = running + (e01 + sum[b + 2]);
        running += e01 + e23;
        total[b + 4] = running;
    }
    for (; b < last; ++b) {
        running += sum[b];
        total[b + 1] = running;
    }
    // An infinite or NaN sample, or a sum beyond the floats, leaves the last total so: then each
    // block counts its finite samples, the rare trace paying for the check once.
    if (!std::isfinite(running)) {
        running = 0.0;
        for (b = first; b < last; ++b) {
            float e = sum[b];
            if (!std::isfinite(e)) {
                e = 0.0f;
                for (qint64 k = b * kAgcBlock; k < qMin(samples, (b + 1) * kAgcBlock); ++k)
                    e += finiteOrZero(x[k]) * finiteOrZero(x[k]);
            }
            running += e;
            total[b + 1] = running;
        }
    }

    // The energy in each block's window and one over the samples it holds. Inside the trace every
    // window reaches the same number of blocks either side of its own, and holds the same samples.
    const qint64 before = (half + kAgcBlock - 1) / kAgcBlock;
    const qint64 after = (kAgcBlock - 1 + half) / kAgcBlock + 1;
    const qint64 inFrom = qMin(blocks, before);
    const qint64 room = samples - kAgcBlock - half; // for the last whole window to end inside the trace
    const qint64 inTo = room < 0 ? inFrom : qBound(inFrom, qMin(room / kAgcBlock, samples / kAgcBlock - after) + 1, blocks);
    float *share = perSample.data();
    const auto edge = [&](qint64 b) {
        const qint64 from = windowFrom(b);
        const qint64 to = windowTo(b);
        share[b] = 1.0f / float(qMin(samples, to * kAgcBlock) - from * kAgcBlock);
        sum[b] = float(qMax(0.0, total[to] - total[from]));
    };
    for (qint64 b = lo; b < qMin(hi, inFrom); ++b)
        edge(b);
    const float inside = 1.0f / float((before + after) * kAgcBlock);
    for (qint64 b = qMax(lo, inFrom); b < qMin(hi, inTo); ++b) {
        share[b] = inside;
        sum[b] = float(std::max(0.0, total[b + after] - total[b - before]));
    }
    for (qint64 b = qMax(lo, inTo); b < hi; ++b)
        edge(b);
    // Worked out for every block and then kept or not, so that no branch stands in the way.
    for (qint64 b = lo; b < hi; ++b) {
        const float factor = inverseSqrt(std::max(sum[b] * share[b], std::numeric_limits<float>::min()));
        sum[b] = sum[b] > 0.0f ? factor : 0.0f;
    }
}

// The trace's amplitude at the time of each of sampled's rows, gained and moved out, into its
// column of shown: 0 where the moved trace has no sample, and the rows where it has one into held.
// Only the rows' samples are looked at.
void GatherPlot::sampleTrace(int trace) const
{
    const float *x = shot.trace(trace);
    const qint64 samples = shot.samples;
    const int rows = sampled.rows;
    const qint64 stride = qint64(shown.size()) / rows; // the traces a row
    const double step = shot.intervalMs > 0 ? shot.intervalMs : 1.0;
    const double msPerRow = (sampled.endMs - sampled.startMs) / rows;
    const qint64 half = sampled.agcMs > 0 ? qMax<qint64>(1, std::llround(sampled.agcMs / step / 2)) : 0;
    // Sample positions counted from half a sample before sample 0, so that truncation rounds.
    const double first = (sampled.startMs + 0.5 * msPerRow + moveoutMs(trace)) / step + 0.5;
    const double perRow = msPerRow / step;
    const auto position = [&](int y) { return first + y * perRow; };
    // The rows whose time the trace holds, from a guess made exact by the positions themselves
    // (they grow with the row).
    const auto rowAt = [&](double at) { return int(qBound(0.0, std::ceil((at - first) / perRow), double(rows))); };
    int top = rowAt(0.0);
    while (top > 0 && position(top - 1) >= 0)
        --top;
    while (top < rows && position(top) < 0)
        ++top;
    int bottom = qMax(top, rowAt(double(samples)));
    while (bottom > top && position(bottom - 1) >= samples)
        --bottom;
    while (bottom < rows && position(bottom) < samples)
        ++bottom;

    // The rows' sample numbers first, then the samples, each loop without a branch.
    at.resize(size_t(rows));
    int *index = at.data();
    for (int y = top; y < bottom; ++y)
        index[y] = int(position(y));
    if (half > 0 && top < bottom)
        blockGains(x, half, index[top] / kAgcBlock, index[bottom - 1] / kAgcBlock + 1);
    held[size_t(trace)] = {top, bottom};
    float *column = shown.data() + trace;
    for (int y = 0; y < top; ++y)
        column[y * stride] = 0.0f;
    if (half > 0) {
        const float *g = gain.data();
        for (int y = top; y < bottom; ++y)
            column[y * stride] = finiteOrZero(x[index[y]]) * g[index[y] / kAgcBlock];
    } else {
        for (int y = top; y < bottom; ++y)
            column[y * stride] = finiteOrZero(x[index[y]]);
    }
    for (int y = bottom; y < rows; ++y)
        column[y * stride] = 0.0f;
}

// Every trace's values at the rows, row after row: those taken as the shot was read where they
// were taken for these rows and settings, else taken now from the held samples.
const std::vector<float> &GatherPlot::shownValues(int rows) const
{
    const Sampling wanted = samplingFor(rows);
    if (!sampledValid || !(sampled == wanted)) {
        sampled = wanted;
        shown.resize(size_t(qint64(shot.traceCount()) * rows));
        held.resize(size_t(shot.traceCount()));
        for (int i = 0; i < shot.traceCount(); ++i)
            sampleTrace(i);
        sampledValid = true;
    }
    return shown;
}

// The clip level: the clip percentile of the shown amplitudes' magnitudes. A larger picture's is
// that of an even sample of kMaxClipSamples of them, which moves it by about a twentieth of a
// percentile, too little to see, where ordering all of them would cost as much as reading
// the shot. The stride shares no factor with the traces a row, so that every trace has its say.
float GatherPlot::clipLevel() const
{
    const qint64 total = qint64(shown.size());
    const qint64 perRow = qMax(1, shot.traceCount());
    qint64 stride = qMax<qint64>(1, total / kMaxClipSamples);
    while (std::gcd(stride, perRow) != 1)
        ++stride;
    std::vector<float> magnitudes;
    magnitudes.reserve(size_t(total / stride + 1));
    // The row and the trace of each amplitude taken, counted along rather than divided out.
    qint64 row = 0;
    qint64 trace = 0;
    for (qint64 k = 0; k < total; k += stride) {
        const RowRange &range = held[size_t(trace)];
        if (row >= range.first && row < range.second)
            magnitudes.push_back(std::fabs(shown[size_t(k)]));
        trace += stride;
        if (trace >= perRow) {
            row += trace / perRow;
            trace %= perRow;
        }
    }
    float clip = 0.0f;
    if (!magnitudes.empty()) {
        const double p = qBound(0.0, current.clipPercentile, 100.0) / 100.0;
        const auto at = magnitudes.begin() + std::llround(p * double(magnitudes.size() - 1));
        std::nth_element(magnitudes.begin(), at, magnitudes.end());
        clip = *at > 0 ? *at : *std::max_element(magnitudes.begin(), magnitudes.end());
    }
    return clip > 0 ? clip : 1.0f;
}

// The traces into the area of the image, every pixel of it written.
void GatherPlot::drawTraces(QImage &image, const QRect &area) const
{
    const int n = shot.traceCount();
    const int rows = area.height();
    const int width = area.width();
    const QRgb white = qRgb(255, 255, 255);
    const auto line = [&](int y) { return reinterpret_cast<QRgb *>(image.scanLine(area.top() + y)) + area.left(); };
    if (n == 0 || shot.samples == 0 || current.style == GatherStyle::Wiggle) {
        for (int y = 0; y < rows; ++y)
            std::fill_n(line(y), width, white);
    }
    if (n == 0 || shot.samples == 0 || rows <= 0 || width <= 0)
        return;
    const std::vector<float> &values = shownValues(rows);
    const float scale = 1.0f / clipLevel();

    if (current.style == GatherStyle::Wiggle) {
        // Each trace swings up to one trace spacing about its centre, its positive lobe filled;
        // row by row, so that both the values and the picture are read in the order they lie.
        const double spacing = double(width) / n;
        const QRgb ink = qRgb(0, 0, 0);
        std::vector<int> previous(size_t(n), -1);
        for (int y = 0; y < rows; ++y) {
            QRgb *pixels = line(y);
            const float *row = values.data() + qint64(y) * n;
            for (int i = 0; i < n; ++i) {
                const double centre = (i + 0.5) * spacing;
                const float v = qBound(-1.0f, row[i] * scale, 1.0f);
                const int x = qBound(0, int(centre + v * spacing + 0.5), width - 1);
                const int last = previous[size_t(i)] < 0 ? x : previous[size_t(i)];
                for (int p = qMin(x, last); p <= qMax(x, last); ++p)
                    pixels[p] = ink;
                for (int p = qBound(0, int(std::ceil(centre)), width); p < x; ++p)
                    pixels[p] = ink;
                previous[size_t(i)] = x;
            }
        }
        return;
    }

    // Each row's traces given a level once, then their colours spread over the row's pixels.
    // The levels are worked out without a branch, as the amplitudes' signs come at random: from
    // -clip to clip onto 0 to 255, rounded, that is 0.5 to 255.5 truncated.
    const std::array<QRgb, 256> map = colourMap(current.style);
    std::vector<int> traceOf(size_t(width), 0);
    for (int x = 0; x < width; ++x)
        traceOf[size_t(x)] = int(qint64(x) * n / width);
    std::vector<quint8> levels(static_cast<size_t>(n));
    quint8 *level = levels.data();
    const float toLevel = 127.5f * scale;
    for (int y = 0; y < rows; ++y) {
        const float *row = values.data() + qint64(y) * n;
        for (int i = 0; i < n; ++i)
            level[i] = quint8(int(std::min(std::max(row[i] * toLevel + 128.0f, 0.5f), 255.5f)));
        QRgb *pixels = line(y);
        for (int x = 0; x < width; ++x)
            pixels[x] = map[level[traceOf[size_t(x)]]];
    }
}

QImage GatherPlot::image(const QSize &size) const
{
    // The traces straight into the picture's pixels and white only around them: the picture is
    // large, and painting it white first or the traces through a picture of their own would cost
    // a good part of drawing them.
    // The last picture's memory serves again once no one holds that picture any more: fresh
    // memory costs a page fault every few thousand pixels.
    if (picture.size() != size || !picture.isDetached())
        picture = QImage(size, QImage::Format_RGB32);
    const QRect plot = plotRect(size);
    {
        // Ended before the picture is handed out: a copy of an image that is being painted is a
        // deep one, 4 MB for a full-screen window.
        QPainter painter(&picture);
        if (plot.isEmpty()) {
            painter.fillRect(picture.rect(), Qt::white);
        } else {
            drawTraces(picture, plot);
            for (const QRect &margin : {QRect(0, 0, size.width(), plot.top()), QRect(0, plot.top(), plot.left(), plot.height()),
                                        QRect(plot.right() + 1, plot.top(), size.width() - plot.right() - 1, plot.height()),
                                        QRect(0, plot.bottom() + 1, size.width(), size.height() - plot.bottom() - 1)})
                painter.fillRect(margin, Qt::white);
            paintOver(painter, plot);
        }
    }
    return picture;
}

void GatherPlot::paint(QPainter &painter, const QSize &size) const
{
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    const QRect plot = plotRect(size);
    if (plot.isEmpty())
        return;
    QImage traces(plot.size(), QImage::Format_RGB32);
    drawTraces(traces, traces.rect());
    painter.drawImage(plot.topLeft(), traces);
    paintOver(painter, plot);
}

// The selection, the flag marks and the axes over and around the traces.
void GatherPlot::paintOver(QPainter &painter, const QRect &plot) const
{
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
        const double x = centreOf(i, n, plot);
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
