// segyhdr: the trace headers of SEG-Y files, a line or a whole survey at once, on the same cores
// as the viewer: what each file is, the range of every header, shot QC with a survey summary, a
// header export with the viewer's columns and texts, a map of the geometry and a shot's traces.

#include "CommandLine.h"
#include "FileReports.h"
#include "QcReport.h"
#include "SurveyRun.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <memory>
#include <vector>

#include <unistd.h>

namespace {

constexpr int kExitError = 2;

using Verb = Command::Verb;

// The offscreen platform's note about a missing runtime folder is no concern of a map file.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg || message.startsWith(QLatin1String("QStandardPaths:")))
        return;
    std::fprintf(stderr, "segyhdr: %s\n", qPrintable(message));
}

int fail(const QString &message)
{
    std::fprintf(stderr, "segyhdr: %s\n", qPrintable(message));
    return kExitError;
}

// Whether -o names one of the inputs, which segyhdr never writes, or a link, which it never writes through.
bool outputRefused(const Command &command, const QStringList &files, QString *error)
{
    if (QFileInfo(command.output).isSymLink()) {
        *error = QStringLiteral("-o %1: is a symbolic link, which segyhdr never writes through").arg(command.output);
        return true;
    }
    const QString target = QFileInfo(command.output).absoluteFilePath();
    for (const QString &input : files) {
        if (QFileInfo(input).absoluteFilePath() == target || QFileInfo(input).canonicalFilePath() == QFileInfo(target).canonicalFilePath()) {
            *error = QStringLiteral("-o %1: that is an input file, which segyhdr never writes").arg(command.output);
            return true;
        }
    }
    return false;
}

// Where the output goes: standard output, or the file of -o, never one of the inputs.
bool openOutput(const Command &command, const QStringList &files, QFile *out, QString *error)
{
    if (command.output.isEmpty())
        return out->open(stdout, QIODevice::WriteOnly);
    if (outputRefused(command, files, error))
        return false;
    out->setFileName(command.output);
    if (QFileInfo(command.output).isDir() || !out->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("-o %1: %2").arg(command.output,
                                                 QFileInfo(command.output).isDir() ? QStringLiteral("is a folder") : out->errorString());
        return false;
    }
    return true;
}

int runSummary(const Command &command, QIODevice &out)
{
    QVector<QcFileResult> results;
    QString error;
    if (!readQcResults(command.inputs, &results, &error))
        return fail(error);
    if (command.format == Command::Format::Json)
        out.write(QJsonDocument(surveySummaryJson(results)).toJson(QJsonDocument::Indented));
    else
        out.write(surveySummaryText(results));
    int status = 0;
    for (const QcFileResult &result : results)
        status = std::max(status, !result.error.isEmpty() ? kExitError : result.flaggedShots > 0 ? 1 : 0);
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    Command command;
    QString error;
    const bool parsed = parseCommand(arguments, &command, &error);

    // Only the map and the plot paint, and they never show a window: no display is needed.
    std::unique_ptr<QCoreApplication> app;
    if (parsed && (command.verb == Verb::Map || command.verb == Verb::Plot)) {
        qInstallMessageHandler(quietMessages);
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("segyhdr"));
    if (!parsed)
        return fail(error);
    if (command.verb == Verb::Help || command.verb == Verb::Version) {
        std::printf("%s\n", qPrintable(command.verb == Verb::Help ? usageText() : versionText()));
        return 0;
    }

    QFile out;
    if (command.verb == Verb::Summary) {
        if (!openOutput(command, command.inputs, &out, &error))
            return fail(error);
        return runSummary(command, out);
    }

    const SurveyFiles survey = collectSurveyFiles(command.inputs);
    int status = 0;
    for (const QString &fault : survey.faults)
        status = fail(fault);
    if (survey.files.isEmpty())
        return status;
    // A picture is written by its painter, and only once it is drawn.
    if (command.verb == Verb::Map || command.verb == Verb::Plot) {
        if (outputRefused(command, survey.files, &error))
            return fail(error);
        return std::max(status, (command.verb == Verb::Map ? mapFile : plotFile)(command, survey.files.first(), {}));
    }
    if (!openOutput(command, survey.files, &out, &error))
        return fail(error);

    const bool named = survey.files.size() > 1 || QFileInfo(command.inputs.first()).isDir();
    const bool json = command.format == Command::Format::Json;
    if (command.verb == Verb::Qc && command.format == Command::Format::Csv)
        out.write(qcCsvHeader(named));
    if (command.verb == Verb::Range && command.format == Command::Format::Csv)
        out.write(rangeCsvHeader(named));
    if (command.verb == Verb::Dump && named)
        out.write(dumpHeader(command, true));

    // JSON reports are gathered and written as one document at the end.
    std::vector<QcFileResult> results(size_t(survey.files.size()));
    std::vector<QByteArray> documents(size_t(survey.files.size()));
    const bool bar = ::isatty(STDERR_FILENO);
    status = std::max(status, runOverFiles(survey.files, out, bar, [&](int index, const QString &path, QIODevice &fileOut,
                                                                        const FileProgress &progress) {
        QBuffer buffer(&documents[size_t(index)]);
        buffer.open(QIODevice::WriteOnly);
        QIODevice &target = json && named ? static_cast<QIODevice &>(buffer) : fileOut;
        switch (command.verb) {
        case Verb::Info: return infoFile(command, path, target);
        case Verb::Range: return rangeFile(command, path, named, target, progress);
        case Verb::Qc: return qcFile(command, path, named, json ? static_cast<QIODevice &>(buffer) : fileOut, progress,
                                     &results[size_t(index)]);
        case Verb::Dump: return dumpFile(command, path, named, fileOut, progress);
        default: return kExitError;
        }
    }));

    if (command.verb == Verb::Qc && json) {
        if (!named) {
            out.write(QJsonDocument(results.front().json).toJson(QJsonDocument::Indented));
        } else {
            QJsonArray files;
            for (const QcFileResult &result : results)
                files.append(result.json);
            out.write(QJsonDocument(QJsonObject{{"files", files}, {"survey", surveySummaryJson(QVector<QcFileResult>(results.cbegin(), results.cend()))}})
                              .toJson(QJsonDocument::Indented));
        }
    } else if (json && named) {
        QJsonArray files;
        for (const QByteArray &document : documents) {
            const QJsonObject report = QJsonDocument::fromJson(document).object();
            if (!report.isEmpty())
                files.append(report);
        }
        out.write(QJsonDocument(QJsonObject{{"files", files}}).toJson(QJsonDocument::Indented));
    } else if (command.verb == Verb::Qc && named && command.format == Command::Format::Text) {
        out.write(surveySummaryText(QVector<QcFileResult>(results.cbegin(), results.cend())));
    }
    out.flush();
    return status;
}
