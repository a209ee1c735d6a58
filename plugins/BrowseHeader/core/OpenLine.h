#pragma once

#include "ProgressSink.h"
#include "ShotEntry.h"
#include "TraceIndex.h"

#include <HeaderLayout.h>
#include <SegyGeometry.h>

#include <QString>
#include <QVector>

/// Why a line could not be opened.
enum class OpenLineFailure {
    None,
    SegyOpenFailed,      // the file cannot be opened for reading
    NotSegy,             // the SEG-Y core cannot read it
    OutsideViewerLayout, // it is SEG-Y, but not laid out as the viewer reads it
    BadLayout,           // an indexed field does not lie inside the trace header
    IndexCreateFailed,
    IndexOpenFailed,
    NoTraces,
};

/// Where the trace index of a line is kept.
enum class IndexPlace {
    /// Beside the file, rebuilt whenever the SEG-Y library's indexExist() finds it missing: the
    /// viewer's rule, which never looks inside an index.
    Beside,
    /// Beside the file where the index there holds the layout's first three fields (checked on its
    /// first and last record), or where there is none yet and the layout indexes what the host
    /// definition does; in the private folder otherwise, leaving the file beside alone.
    BesideWhenItMatches,
};

struct OpenLineOptions
{
    IndexPlace indexPlace = IndexPlace::Beside;
    bool viewerLayoutOnly = false;  // refuse a file that is not in the classic layout
    bool extractShots = true;
    /// BesideWhenItMatches: an index that must be written is left to the caller's own pass over
    /// the file (scanLine), which reads the headers once for the index and for its own work.
    bool deferIndexBuild = false;
    HeaderLayout hostLayout = HeaderLayout::rev1(); // the definition under which the plug-in indexes
    QString privateIndexFolder;     // where an index that may not go beside the file is kept
    ProgressSink indexProgress;
    ProgressSink shotProgress;
};

/// A line as it was opened: its geometry, the index it was grouped from and its shots.
struct OpenedLine
{
    OpenLineFailure failure = OpenLineFailure::None;
    QString detail; // NotSegy: the core's reason; SegyOpenFailed: the system's
    SegyGeometry geometry;
    QString indexPath;
    QVector<ShotEntry> shots;
    bool indexPending = false; // deferIndexBuild: the index at indexPath is still to be written from source
    IndexSource indexSource;
    QString fallbackIndexPath; // where it goes instead when indexPath cannot take a new file

    bool ok() const { return failure == OpenLineFailure::None; }
    /// What the user is told of the failure, naming the file; in the general translation context.
    QString message(const QString &segyPath) const;
};

/// Opens a SEG-Y line as the browse dialog's OK does, for the dialog and for segyhdr alike: the
/// file and what it really is, its trace index (built when missing), and its shots grouped from
/// that index when asked.
OpenedLine openLine(const QString &segyPath, const HeaderLayout &layout, const OpenLineOptions &options);

/// Why the viewer does not read a file of this geometry, in plain words; empty when it does.
QString viewerLayoutReason(const SegyGeometry &geometry);
