#pragma once

#include <QIODevice>
#include <QString>
#include <QStringList>

#include <functional>

/// The SEG-Y files that the inputs name: each file as given, and every SEG-Y file below each
/// folder, recognised by its file header rather than its name, in name order. An input that is
/// missing, or a folder without a SEG-Y file, is a fault with its reason.
struct SurveyFiles
{
    QStringList files;
    QStringList faults;
};
SurveyFiles collectSurveyFiles(const QStringList &inputs);

/// Hears how far the work on one file is, in percent.
using FileProgress = std::function<void(int percent)>;

/// The work on one file: it writes its output to out and returns its exit status.
using FileWork = std::function<int(int index, const QString &path, QIODevice &out, const FileProgress &progress)>;

/// Does the work on each file, one file a worker over all cores, and writes each file's output
/// to out in the files' order, each as soon as it and those before it are done. When bar is
/// set, one progress bar on stderr covers the whole run. Returns the highest exit status.
int runOverFiles(const QStringList &files, QIODevice &out, bool bar, const FileWork &work);
