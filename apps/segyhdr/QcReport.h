#pragma once

#include "CommandLine.h"
#include "SurveyRun.h"

#include <ShotQc.h>

#include <QIODevice>
#include <QJsonObject>
#include <QString>
#include <QVector>

#include <array>

/// What qc found in one file: enough for the survey summary, and its own report.
struct QcFileResult
{
    QString file;
    QString error;           // empty when the file was read
    int shots = 0;
    qint64 traces = 0;
    int commonTraceCount = 0;
    int flaggedShots = 0;
    std::array<int, kQcReasonCount> flaggedByReason{};
    QVector<qint32> ffids;   // the file's distinct FFIDs, ascending
    QJsonObject json;        // the file's report as qc --json gives it

    /// The result that a qc --json report of one file holds; false for a report of another kind.
    static bool fromJson(const QJsonObject &report, QcFileResult *result);
};

/// Checks one file shot by shot and writes its findings to out in the command's format; in CSV
/// and text each row names the file when named is set. Returns 0 clean, 1 findings, 2 error.
int qcFile(const Command &command, const QString &path, bool named, QIODevice &out, const FileProgress &progress,
           QcFileResult *result);

/// The first line of qc's CSV, with the file column when named is set.
QByteArray qcCsvHeader(bool named);

/// The survey summary of the files' results: files, shots, traces, flagged shots, and the
/// FFIDs that occur in more than one file; as text lines or as a JSON object.
QByteArray surveySummaryText(const QVector<QcFileResult> &results);
QJsonObject surveySummaryJson(const QVector<QcFileResult> &results);

/// The results that qc --json reports hold, each report of one file or of several.
bool readQcResults(const QStringList &paths, QVector<QcFileResult> *results, QString *error);
