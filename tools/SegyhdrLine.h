#pragma once

#include <ShotEntry.h>
#include <ShotReader.h>

#include <QString>
#include <QVector>

#include <array>
#include <functional>

/// One SEG-Y line as segyhdr reads it: the trace index beside the file (built when the SEG-Y
/// library finds it missing or stale), the shots grouped from it, and the shots' headers read
/// a few thousand traces at a time, so that memory does not grow with the file.
class SegyhdrLine
{
public:
    /// The traces of one shot as the viewer reads them.
    struct Shot
    {
        int position;                  // in the shot list, from 0
        ShotEntry entry;
        QVector<fbRec> records;
        QVector<CustomValues> customValues;
    };

    explicit SegyhdrLine(const QString &segyPath, const CustomFields &custom = {71, 2, 237, 4});

    /// Opens the line as the browse dialog's OK does; false with error() set. progress, when
    /// given, hears each percent of an index build, 100 last.
    bool open(const std::function<void(int percent)> &progress);

    /// Hands each shot from first to last (positions from 0) in file order; false with error()
    /// set when a block of traces cannot be read.
    bool forEachShot(int first, int last, const std::function<void(const Shot &)> &visit);

    const QVector<ShotEntry> &shots() const { return shotList; }
    qint64 traceCount() const;
    QString path() const { return segyPath; }
    QString error() const { return message; }

private:
    bool fail(const QString &text);

    QString segyPath;
    CustomFields custom;
    std::array<std::array<int, 2>, 16> definition{};
    std::array<int *, 16> headerDefs{};
    QVector<ShotEntry> shotList;
    QString message;
};
