#include "SegyhdrLine.h"

#include <LineScan.h>

#include <QStandardPaths>

SegyhdrLine::SegyhdrLine(const QString &segyPath, const CustomFields &custom, const Layouts &layouts)
    : segyPath(segyPath), custom(custom), layouts(layouts)
{
}

bool SegyhdrLine::fail(const QString &text)
{
    message = text;
    return false;
}

// The progress of an index build, with 100 also where the cadence stops short of it.
static ProgressSink progressSink(const std::function<void(int percent)> &progress)
{
    ProgressSink sink;
    if (progress) {
        sink.valueChanged = progress;
        sink.ended = [progress] { progress(kProgressMaximum); };
    }
    return sink;
}

bool SegyhdrLine::open(const std::function<void(int percent)> &progress, bool onePass)
{
    OpenLineOptions options;
    options.indexPlace = IndexPlace::BesideWhenItMatches;
    options.deferIndexBuild = onePass;
    options.hostLayout = layouts.host;
    options.privateIndexFolder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    options.indexProgress = progressSink(progress);
    opened = openLine(segyPath, layouts.read, options);
    if (opened.ok())
        return true;
    QString text = opened.message(segyPath);
    if (opened.failure == OpenLineFailure::SegyOpenFailed)
        text += QStringLiteral(" (%1)").arg(opened.detail);
    return fail(text);
}

bool SegyhdrLine::scan(const std::function<void(const ShotHeaders &)> &visit,
                       const std::function<void(int percent)> &progress)
{
    const TraceDecoder decoder(layouts.read, opened.geometry.byteOrder);
    bool visited = false;
    const LineScanVisitors visitors{[&](const ShotHeaders &shot) {
                                        visited = true;
                                        visit(shot);
                                    },
                                    {}};
    LineScanResult result = scanLine(opened.indexSource, opened.indexPath, decoder, custom, visitors, opened.shots,
                                     progressSink(progress));
    // A folder that cannot take the index beside the file: segyhdr keeps its own instead.
    if (result == LineScanResult::IndexCreateFailed && !visited && opened.indexPath != opened.fallbackIndexPath) {
        opened.indexPath = opened.fallbackIndexPath;
        result = scanLine(opened.indexSource, opened.indexPath, decoder, custom, visitors, opened.shots,
                          progressSink(progress));
    }
    opened.indexPending = false;
    switch (result) {
    case LineScanResult::Scanned:
        break;
    case LineScanResult::SegyOpenFailed:
        return fail(QStringLiteral("Error: fail to open the file: %1").arg(segyPath));
    case LineScanResult::IndexCreateFailed:
        return fail(QStringLiteral("Error: fail to create the file: %1").arg(opened.indexPath));
    case LineScanResult::BadLayout:
    case LineScanResult::TracesMissing:
        return fail(QStringLiteral("Error: cannot read the traces of the file: %1").arg(segyPath));
    }
    if (opened.shots.isEmpty() || opened.shots.constFirst().lastTrace < opened.shots.constFirst().firstTrace) {
        opened.failure = OpenLineFailure::NoTraces;
        return fail(opened.message(segyPath));
    }
    return true;
}

qint64 SegyhdrLine::traceCount() const
{
    return opened.shots.isEmpty() ? 0 : qint64(opened.shots.constLast().lastTrace) + 1;
}

bool SegyhdrLine::forEachShot(int first, int last, const std::function<void(const ShotHeaders &)> &visit)
{
    const TraceDecoder decoder(layouts.read, opened.geometry.byteOrder);
    const auto read = [&](qint32 firstTrace, qint32 lastTrace, QVector<fbRec> &records, QVector<CustomValues> &customValues) {
        return readShotRecords(segyPath, opened.geometry, decoder, firstTrace, lastTrace, custom, records, customValues);
    };
    const ShotWalkResult walk = walkShots(opened.shots, first, last, read, [&visit](const ShotHeaders &shot) {
        visit(shot);
        return true;
    });
    if (walk.result != ShotReadResult::Read)
        return fail(QStringLiteral("Error: cannot read traces %1-%2 of the file: %3")
                            .arg(QString::number(walk.firstTrace + 1), QString::number(walk.lastTrace + 1), segyPath));
    return true;
}
