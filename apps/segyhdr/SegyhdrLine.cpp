#include "SegyhdrLine.h"

#include <QStandardPaths>

// Shots are read together until a block holds this many traces: one mapping per block keeps
// the per-shot cost low where shots are small, and memory stays bounded where the file is large.
constexpr qint64 kTracesPerBlock = 8192;

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
    const QVector<ShotEntry> &shotList = opened.shots;
    const TraceDecoder decoder(layouts.read, opened.geometry.byteOrder);
    QVector<fbRec> records;
    QVector<CustomValues> customValues;
    ShotHeaders shot;
    int begin = first;
    while (begin <= last) {
        int end = begin;
        while (end < last && qint64(shotList.at(end + 1).lastTrace) - shotList.at(begin).firstTrace < kTracesPerBlock)
            ++end;
        const qint32 firstTrace = shotList.at(begin).firstTrace;
        const qint32 lastTrace = shotList.at(end).lastTrace;
        if (readShotRecords(segyPath, opened.geometry, decoder, firstTrace, lastTrace, custom, records, customValues)
                != ShotReadResult::Read)
            return fail(QStringLiteral("Error: cannot read traces %1-%2 of the file: %3")
                                .arg(QString::number(firstTrace + 1), QString::number(lastTrace + 1), segyPath));
        for (int s = begin; s <= end; ++s) {
            shot.position = s;
            shot.entry = shotList.at(s);
            const int offset = shot.entry.firstTrace - firstTrace;
            const int count = shot.entry.lastTrace - shot.entry.firstTrace + 1;
            shot.records = records.mid(offset, count);
            shot.customValues = customValues.mid(offset, count);
            visit(shot);
        }
        begin = end + 1;
    }
    return true;
}
