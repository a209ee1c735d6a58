#include "SegyhdrLine.h"

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

bool SegyhdrLine::open(const std::function<void(int percent)> &progress)
{
    OpenLineOptions options;
    options.indexPlace = IndexPlace::BesideWhenItMatches;
    options.hostLayout = layouts.host;
    options.privateIndexFolder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (progress) {
        options.indexProgress.valueChanged = progress;
        // Also where the cadence stops short of it, as with fewer than 100 traces.
        options.indexProgress.ended = [progress] { progress(kProgressMaximum); };
    }
    opened = openLine(segyPath, layouts.read, options);
    if (opened.ok())
        return true;
    QString text = opened.message(segyPath);
    if (opened.failure == OpenLineFailure::SegyOpenFailed)
        text += QStringLiteral(" (%1)").arg(opened.detail);
    return fail(text);
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
