// Times showing a shot of 1,000 traces × 4,000 samples in the gather window against its floor,
// reading and decoding the shot's samples alone (the same mapping and decoder), all from a warm
// page cache: the picture drawn by the core at the window's size, and a shot change in a real
// viewer with its gather window open against the same change with the window closed (the
// table's own time). Every step that reads samples takes the next of six shots in turn, so that
// each reads a shot that none of the five reads before it touched: about 80 MB have passed
// through the processor's caches since, as when the user moves on to another shot. A shot read
// just before would be partly in the cache still, and a step that follows another on the same
// shot would look faster than it is.
//
// Usage: bench_Gather [folder]   (the temporary folder by default; about 97 MB are written)

#include "BenchSupport.h"

#include "BrowseParams.h"
#include "GatherPlot.h"
#include "GatherWindow.h"
#include "SegyLine.h"
#include "ShowHeaderTable.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeySequence>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

constexpr int kShots = 6;
constexpr int kTraces = 1000;
constexpr int kSamples = 4000;
constexpr int kRuns = 15;
constexpr double kVelocity = 2000.0;
constexpr int kAgcMs = 500;

// The median time of each step over the runs, in ms; the steps take turns run by run.
static std::vector<double> interleaved(const std::vector<std::function<void(int run)>> &steps)
{
    std::vector<std::vector<double>> times(steps.size());
    QElapsedTimer timer;
    for (int run = 0; run < kRuns; ++run) {
        for (size_t s = 0; s < steps.size(); ++s) {
            timer.start();
            steps[s](run);
            times[s].push_back(timer.nsecsElapsed() / 1e6);
        }
    }
    std::vector<double> medians;
    for (auto &t : times)
        medians.push_back(median(t));
    return medians;
}

static QString ms(double value)
{
    return QString::number(value, 'f', 1) + QStringLiteral(" ms");
}

int main(int argc, char **argv)
{
    useQuietOffscreenQt();
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    QTemporaryDir work(QDir(args.size() > 1 ? args.at(1) : QDir::tempPath()).filePath(QStringLiteral("bench_Gather-XXXXXX")));
    if (!work.isValid()) {
        out << "cannot create a folder for the line\n";
        return 1;
    }

    SegyLine line;
    line.layout.samples = kSamples;
    line.layout.formatCode = 1;
    line.channels = kTraces;
    line.traces = kShots * kTraces;
    line.nearOffset = -(kTraces / 2 - 0.5) * line.groupSpacing;
    line.firstBreakVelocity = kVelocity;
    const QString path = work.filePath(QStringLiteral("shots.sgy"));
    QString error;
    if (!line.write(path, &error)) {
        out << error << "\n";
        return 1;
    }
    QVector<ShotEntry> shots;
    for (int s = 0; s < kShots; ++s)
        shots.append({line.ffidStart + s, s * kTraces, (s + 1) * kTraces - 1});
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        out << "cannot open " << path << "\n";
        return 1;
    }
    const SegyGeometry geometry = inspectSegy(file);
    const TraceDecoder decoder(HeaderLayout::rev1(), geometry.byteOrder);

    // Two viewers alike: one with its gather window open, one whose window is never opened.
    BrowseParams params;
    params.segyName = path;
    ShowHeaderTable viewer(&params, shots);
    ShowHeaderTable tableOnly(&params, shots);
    viewer.show();
    tableOnly.show();
    QApplication::processEvents();
    auto *combo = viewer.findChild<QComboBox *>(QStringLiteral("ffidCombo"));
    auto *tableCombo = tableOnly.findChild<QComboBox *>(QStringLiteral("ffidCombo"));
    // "Show traces" by its shortcut: the viewer's other actions open modal dialogs.
    for (QAction *action : viewer.actions()) {
        if (action->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_T))
            action->trigger();
    }
    auto *window = viewer.findChild<GatherWindow *>();
    if (!combo || !tableCombo || !window) {
        out << "the viewer has no shot combo or no gather window\n";
        return 1;
    }
    window->findChild<QSpinBox *>(QStringLiteral("velocitySpin"))->setValue(int(kVelocity));
    QApplication::processEvents();
    QWidget *canvas = window->findChild<QWidget *>(QStringLiteral("gatherCanvas"));
    const QSize canvasSize = canvas->size();

    out << "machine: " << machineDescription() << ", Qt " << qVersion() << ", platform " << QApplication::platformName() << "\n"
        << "data: " << kShots << " shots of " << kTraces << " traces x " << kSamples << " samples, IBM floats, "
        << QString::number(QFileInfo(path).size() / 1e6, 'f', 1) << " MB from a warm page cache; picture "
        << canvasSize.width() << " x " << canvasSize.height() << ", AGC " << kAgcMs << " ms, moveout at " << kVelocity
        << " m/s; medians of " << kRuns << " runs, interleaved\n\n";

    ShotGather gather;
    GatherSettings settings;
    settings.agcMs = kAgcMs;
    settings.lmoVelocity = kVelocity;
    int reads = 0;
    const auto nextShot = [&] { return reads++ % kShots; };
    const auto floor = [&](int) { readShotGather(path, geometry, decoder, shots.at(nextShot()), &gather, &error); };
    const auto draw = [&](GatherStyle style) {
        // As the window shows a shot: its one plot takes the settings, then the read that samples
        // each trace for the picture as it is decoded, then draws the picture.
        auto plot = std::make_shared<GatherPlot>();
        return [&, style, plot](int) {
            settings.style = style;
            plot->setSettings(settings);
            plot->readGather(path, geometry, decoder, shots.at(nextShot()), canvasSize, &error);
            plot->image(canvasSize);
        };
    };
    // A change of shot as the user makes it, drawn before the clock stops: grab() paints what
    // the screen would show, where the offscreen platform's repaint() may leave it undone. The
    // window reads the traces beside the table, so the clock runs until they are in and drawn;
    // both steps then handle whatever events they left.
    const auto changeOpen = [&](int) {
        combo->setCurrentIndex(nextShot());
        viewer.grab();
        while (window->isReading())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        canvas->grab();
        QCoreApplication::processEvents();
    };
    const auto changeTable = [&](int run) {
        tableCombo->setCurrentIndex((run + 1) % kShots);
        tableOnly.grab();
        QCoreApplication::processEvents();
    };
    const std::vector<double> t = interleaved({floor, draw(GatherStyle::Grey), draw(GatherStyle::Wiggle), changeOpen, changeTable});
    if (gather.traceCount() != kTraces || gather.samples != kSamples) {
        out << "the shot was not read: " << error << "\n";
        return 1;
    }
    const double floorMs = t[0];
    out << "floor: reading and decoding one shot's samples   " << ms(floorMs) << "\n"
        << "showing a shot (read, gain, moveout, picture):\n"
        << "  variable density                               " << ms(t[1]) << "   " << QString::number(t[1] / floorMs, 'f', 2)
        << "x the floor (goal 1.5x)\n"
        << "  wiggles                                        " << ms(t[2]) << "   " << QString::number(t[2] / floorMs, 'f', 2)
        << "x the floor\n"
        << "shot change in the viewer, painted:\n"
        << "  with the gather window open                    " << ms(t[3]) << "\n"
        << "  table alone (window closed)                    " << ms(t[4]) << "\n"
        << "  open minus table alone                         " << ms(t[3] - t[4]) << "   "
        << QString::number((t[3] - t[4]) / floorMs, 'f', 2) << "x the floor (goal: open < 1.5 x floor + table = "
        << ms(1.5 * floorMs + t[4]) << ")\n";
    return 0;
}
