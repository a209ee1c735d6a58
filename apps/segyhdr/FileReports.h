#pragma once

#include "CommandLine.h"
#include "SurveyRun.h"

#include <QIODevice>
#include <QString>

/// What the file really is: its textual and binary headers, the geometry that the SEG-Y core
/// finds and the warnings where the file disagrees with itself; text or JSON. Returns 0, or 2
/// when the file cannot be read (what can be read of it is still shown).
int infoFile(const Command &command, const QString &path, QIODevice &out);

/// Every field of the layout over all traces: minimum, maximum, first and last value and the
/// number of distinct values, scalars applied by role; text, CSV or JSON, in one pass over the
/// trace headers. Returns 0, or 2 when the file cannot be read.
int rangeFile(const Command &command, const QString &path, bool named, QIODevice &out, const FileProgress &progress);

/// The first line of range's CSV, with the file column when named is set.
QByteArray rangeCsvHeader(bool named);

/// The column names of dump's rows, with the file column when named is set.
QByteArray dumpHeader(const Command &command, bool named);

/// The viewer's columns of the shots asked for, one row per trace, after the column names; when
/// named is set each row names the file, and the column names are left to the caller. Returns 0,
/// or 2 when the file cannot be read.
int dumpFile(const Command &command, const QString &path, bool named, QIODevice &out, const FileProgress &progress);

/// The line drawn from above into the command's output picture. Returns 0, or 2.
int mapFile(const Command &command, const QString &path, const FileProgress &progress);

/// One shot's traces drawn into the command's output picture as the gather window draws them.
/// Returns 0, or 2.
int plotFile(const Command &command, const QString &path, const FileProgress &progress);
