// Times the viewer's search for the next flagged shot over a line whose one flagged shot is the
// last, from the first shot, against `segyhdr qc` over the same file in the same run. The search
// is timed as a user meets it: F3's action in a real viewer on the offscreen platform, its
// progress dialog included, from the key until the last shot is on screen. The core search
// alone (no dialog, no shot shown) is timed beside it. Rounds interleave the three, from a warm
// page cache; the index is present, so qc does the shot-by-shot check it always does.
//
// Usage: bench_FlaggedShotSearch [traces [folder [rounds]]]   (default 2,000,000 traces, 3 rounds)

#include "BenchSupport.h"

#include "BrowseParams.h"
#include "FlaggedShotSearch.h"
#include "OpenLine.h"
#include "ShowHeaderTable.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <vector>

constexpr int kDefaultTraces = 2000000;
constexpr int kDefaultRounds = 3;

// The viewer's search from its first shot; the seconds until the shot found is on screen, or -1
// when it is not the last.
static double timeViewerSearch(const QString &path, const QVector<ShotEntry> &shots)
{
    BrowseParams params;
    params.segyName = path;
    ShowHeaderTable viewer(&params, shots, nullptr);
    viewer.show();
    QApplication::processEvents();
    QAction *next = nullptr;
    for (QAction *action : viewer.actions()) {
        if (action->shortcut() == QKeySequence(Qt::Key_F3))
            next = action;
    }
    auto *combo = viewer.findChild<QComboBox *>(QStringLiteral("ffidCombo"));
    if (!next || !combo)
        return -1;
    QElapsedTimer timer;
    timer.start();
    next->trigger();
    const double seconds = timer.nsecsElapsed() / 1e9;
    return combo->currentIndex() == shots.size() - 1 ? seconds : -1;
}

static double timeCoreSearch(const QString &path, const QVector<ShotEntry> &shots)
{
    const BrowseParams defaults;
    FlaggedShotSearch search(path, benchHeaderDefs(), {defaults.cust1Pos, defaults.cust1Len, defaults.cust2Pos, defaults.cust2Len},
                             shots);
    QElapsedTimer timer;
    timer.start();
    const FlaggedShotSearch::Result result = search.find(0, 1, {});
    const double seconds = timer.nsecsElapsed() / 1e9;
    return result.outcome == FlaggedShotSearch::Outcome::Found && result.position == shots.size() - 1 ? seconds : -1;
}

static QString seconds(double value)
{
    return QString::number(value, 'f', 2) + QStringLiteral(" s");
}

int main(int argc, char **argv)
{
    useQuietOffscreenQt();
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    const int traces = args.size() > 1 ? args.at(1).toInt() : kDefaultTraces;
    const QString folder = args.size() > 2 ? args.at(2) : QDir::tempPath();
    const int rounds = args.size() > 3 ? args.at(3).toInt() : kDefaultRounds;
    const QString segyhdr = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("segyhdr"));
    if (traces < 2 * kQcLineTracesPerShot || rounds < 1 || !QFileInfo(segyhdr).isExecutable()) {
        out << "usage: bench_FlaggedShotSearch [traces [folder [rounds]]], at least " << 2 * kQcLineTracesPerShot
            << " traces, with segyhdr beside it\n";
        return 2;
    }
    QTemporaryDir work(QDir(folder).filePath(QStringLiteral("bench_FlaggedShotSearch-XXXXXX")));
    const QString path = work.filePath(QStringLiteral("line.sgy"));
    const int lastShot = (traces - 1) / kQcLineTracesPerShot;
    QElapsedTimer timer;
    timer.start();
    const QString error = work.isValid() ? writeQcLine(path, traces, [lastShot](int shot) { return shot == lastShot; })
                                         : QStringLiteral("cannot create a folder in ") + folder;
    if (!error.isEmpty()) {
        out << error << "\n";
        return 1;
    }
    out << "machine: " << machineDescription() << ", Qt " << qVersion() << ", platform " << QApplication::platformName()
        << "\ndata: " << traces << " traces of " << 240 + 4 * kQcLineSamples << " bytes, " << kQcLineTracesPerShot
        << " per shot, " << lastShot + 1 << " shots, " << QString::number(QFileInfo(path).size() / double(1 << 30), 'f', 2)
        << " GiB, the last shot alone flagged; generated in " << seconds(timer.nsecsElapsed() / 1e9) << "\n";
    out.flush();

    // The first qc builds the index beside the file, which the viewer's shots then come from, and
    // warms the page cache for every round.
    QString summary;
    if (timeSegyhdrQc(segyhdr, path, &summary) < 0) {
        out << "segyhdr qc failed\n";
        return 1;
    }
    const OpenedLine line = openLine(path, HeaderLayout::rev1(), OpenLineOptions());
    if (!line.ok() || line.shots.size() != lastShot + 1) {
        out << "the line does not open as the browse dialog opens it\n";
        return 1;
    }
    out << "qc: " << summary << "\n";

    std::vector<double> qc;
    std::vector<double> viewer;
    std::vector<double> core;
    for (int round = 0; round < rounds; ++round) {
        qc.push_back(timeSegyhdrQc(segyhdr, path, &summary));
        viewer.push_back(timeViewerSearch(path, line.shots));
        core.push_back(timeCoreSearch(path, line.shots));
        out << "round " << round + 1 << ": segyhdr qc " << seconds(qc.back()) << ", viewer search (F3) "
            << seconds(viewer.back()) << ", core search " << seconds(core.back()) << "\n";
        out.flush();
        if (qc.back() < 0 || viewer.back() < 0 || core.back() < 0) {
            out << "a run failed or the search did not stop on the last shot\n";
            return 1;
        }
    }
    const double qcMedian = median(qc);
    const double viewerMedian = median(viewer);
    const double coreMedian = median(core);
    out << "median of " << rounds << ", warm: viewer search " << seconds(viewerMedian) << ", segyhdr qc (baseline) "
        << seconds(qcMedian) << ", ratio search / qc " << QString::number(viewerMedian / qcMedian, 'f', 2)
        << "x (goal at most 1.5x); core search alone " << seconds(coreMedian) << ", "
        << QString::number(coreMedian / qcMedian, 'f', 2) << "x qc\n";
    return 0;
}
