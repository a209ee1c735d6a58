#pragma once

#include "ShotGather.h"

#include <QCoreApplication>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVector>

#include <utility>
#include <vector>

class QPainter;

enum class GatherStyle { Grey, RedWhiteBlue, Wiggle };
enum class TraceLabel { Channel, Offset };

/// How a gather is shown.
struct GatherSettings
{
    GatherStyle style = GatherStyle::Grey;
    double agcMs = 0.0;           // window of the automatic gain control; 0 for none
    double clipPercentile = 99.0; // the absolute amplitude at this percentile gets the full colour or deflection
    double startMs = 0.0;         // the time range shown, after any moveout
    double endMs = -1.0;          // below 0: to the end of the traces
    double lmoVelocity = 0.0;     // metres per second; each trace moves up by |offset| / velocity; 0 for none
    TraceLabel label = TraceLabel::Channel;
};

/// Draws one shot's traces side by side: variable density or wiggles, with gain control, clip,
/// time range and linear moveout; a time axis in ms, the traces labelled by channel or offset,
/// selected traces highlighted and flagged traces marked in red. It holds no widget, so that the
/// gather window, segyhdr and the benchmark draw the same picture.
class GatherPlot
{
    Q_DECLARE_TR_FUNCTIONS(GatherPlot)

public:
    /// Takes the gather and works out which of its traces are flagged.
    void setGather(ShotGather gather);
    /// Reads the shot as readShotGather does and takes it as setGather does. What a picture of the
    /// size shows of each trace at the current settings is taken as soon as the trace is decoded,
    /// while it is in the cache, so that drawing that picture then costs little more than its
    /// colours. False with *error as readShotGather gives it.
    bool readGather(const QString &segyPath, const SegyGeometry &geometry, const TraceDecoder &decoder,
                    const ShotEntry &entry, const QSize &size, QString *error);
    const ShotGather &gather() const { return shot; }
    void setSettings(const GatherSettings &settings) { current = settings; }
    const GatherSettings &settings() const { return current; }
    /// The first line of the picture's title, e.g. the file's name; the FFID follows it.
    void setTitle(const QString &title) { heading = title; }
    /// Traces (from 0 in the shot) to highlight.
    void setSelected(const QVector<int> &traces) { chosen = traces; }
    const QVector<int> &selected() const { return chosen; }
    /// The traces that hold a value unlike the shot's most common one in an offset or coordinate
    /// column that the viewer paints red (all of them where no value is more common than another).
    const QVector<int> &flagged() const { return marked; }

    /// The whole picture at the size.
    QImage image(const QSize &size) const;
    /// Paints the whole picture into a painter whose device is size large.
    void paint(QPainter &painter, const QSize &size) const;

    /// Where the traces are drawn in a picture of the size.
    QRect plotRect(const QSize &size) const;
    /// The trace under a point of a picture of the size (over the traces or their labels); -1 for none.
    int traceAt(const QPoint &point, const QSize &size) const;
    /// The x of the trace's centre in a picture of the size.
    double traceCentre(int trace, const QSize &size) const;
    /// The time range shown, in ms after any moveout.
    double startMs() const;
    double endMs() const;
    /// How far the moveout moves a trace up, in ms.
    double moveoutMs(int trace) const;

private:
    // The settings and the number of pixel rows that the shown values were taken for.
    struct Sampling
    {
        int rows = 0;
        double startMs = 0.0;
        double endMs = 0.0;
        double lmoVelocity = 0.0;
        double agcMs = 0.0;
        bool operator==(const Sampling &other) const;
    };

    void markFlagged();
    Sampling samplingFor(int rows) const;
    void blockGains(const float *x, qint64 half, qint64 lo, qint64 hi) const;
    void sampleTrace(int trace) const;
    const std::vector<float> &shownValues(int rows) const;
    float clipLevel() const;
    void drawTraces(QImage &image, const QRect &area) const;
    void paintOver(QPainter &painter, const QRect &plot) const;
    void paintAxes(QPainter &painter, const QRect &plot) const;

    ShotGather shot;
    GatherSettings current;
    QString heading;
    QVector<int> chosen;
    QVector<int> marked;
    // The amplitude of every trace at each pixel row's time, gained and moved out, row after row,
    // and what it was taken for: a cache, kept while the shot, the rows and the settings that
    // move or gain the samples stay, so that a change of colours or a repaint does not take it again.
    mutable Sampling sampled;
    mutable bool sampledValid = false;
    mutable std::vector<float> shown;
    using RowRange = std::pair<int, int>;
    mutable std::vector<RowRange> held; // each trace's rows from first to last (not included) that hold a sample
    mutable std::vector<double> energy; // one trace's energy before each gain block
    mutable std::vector<float> gain;    // and the gain of each block
    mutable std::vector<float> perSample; // one over the samples in each block's window
    mutable std::vector<int> at; // the sample at each row
    mutable QImage picture;
};
