#pragma once

#include <HeaderLayout.h>
#include <OpenLine.h>
#include <ShotEntry.h>
#include <ShotReader.h>

#include <QString>
#include <QVector>

#include <functional>

/// One SEG-Y line as segyhdr reads it: opened as the browse dialog opens it, under segyhdr's
/// header layout and in the file's own geometry, and its shots' headers read a few thousand
/// traces at a time, so that memory does not grow with the file.
class SegyhdrLine
{
public:
    /// The layout to read with, and the one under which the plug-in would index the file.
    struct Layouts
    {
        HeaderLayout read = HeaderLayout::rev1();
        HeaderLayout host = HeaderLayout::rev1();
    };

    SegyhdrLine(const QString &segyPath, const CustomFields &custom, const Layouts &layouts);

    /// Opens the line; false with error() set. progress, when given, hears each percent of an
    /// index build, 100 last. With onePass, an index that must be written is left to scan().
    bool open(const std::function<void(int percent)> &progress, bool onePass = false);

    /// Whether the line waits for scan() to write its index and group its shots.
    bool indexPending() const { return opened.indexPending; }

    /// Reads the line once: writes its index and hands each shot on as its run ends; shots() is
    /// the line's list afterwards. False with error() set.
    bool scan(const std::function<void(const ShotHeaders &)> &visit, const std::function<void(int percent)> &progress);

    /// Hands each shot from first to last (positions from 0) in file order; false with error()
    /// set when a block of traces cannot be read.
    bool forEachShot(int first, int last, const std::function<void(const ShotHeaders &)> &visit);

    const QVector<ShotEntry> &shots() const { return opened.shots; }
    const SegyGeometry &geometry() const { return opened.geometry; }
    /// The layout the headers are read with.
    const HeaderLayout &layout() const { return layouts.read; }
    qint64 traceCount() const;
    QString path() const { return segyPath; }
    QString error() const { return message; }

private:
    bool fail(const QString &text);

    QString segyPath;
    CustomFields custom;
    Layouts layouts;
    OpenedLine opened;
    QString message;
};
