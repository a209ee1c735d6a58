#include "OpenLine.h"

#include "ShotIndex.h"
#include "TraceIndex.h"

#include <TarnSegy.h>
#include <TraceRecord.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>

namespace {

// Characters of the file's name that a private index keeps: at 4 bytes each, with the hash and a
// temporary name's suffix, they fit the 255 bytes that a name in a folder may take.
constexpr int kPrivateIndexNameChars = 50;

bool sameIndexedFields(const HeaderLayout &a, const HeaderLayout &b)
{
    for (int k = 0; k < kIndexedFields; ++k) {
        const HeaderField &x = a.fields().at(k);
        const HeaderField &y = b.fields().at(k);
        if (x.position != y.position || x.type != y.type)
            return false;
    }
    return true;
}

// A private index is named after the file, its size and date, and the fields it holds, so that
// it is found again until any of them changes.
QString privateIndexPath(const QString &folder, const QString &segyPath, const IndexSource &source)
{
    const QFileInfo info(segyPath);
    QByteArray key = QFile::encodeName(info.absoluteFilePath());
    key += '\n' + QByteArray::number(info.size()) + '\n' + QByteArray::number(info.lastModified().toMSecsSinceEpoch());
    for (const HeaderField &field : source.fields)
        key += '\n' + QByteArray::number(field.position) + ':' + QByteArray::number(int(field.type));
    key += '\n' + QByteArray::number(source.firstTraceOffset) + ':' + QByteArray::number(source.traceBytes)
            + ':' + QByteArray::number(int(source.byteOrder));
    const QString name = info.fileName().left(kPrivateIndexNameChars) + QLatin1Char('-')
            + QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16))
            + QStringLiteral(".index");
    return QDir(folder).filePath(name);
}

} // namespace

QString viewerLayoutReason(const SegyGeometry &geometry)
{
    if (!geometry.hasFileHeader)
        return QObject::tr("it has no 3600-byte SEG-Y file header");
    if (geometry.byteOrder == ByteOrder::LittleEndian)
        return QObject::tr("its headers are little-endian");
    if (geometry.extendedTextHeaders > 0)
        return QObject::tr("it has extended textual headers after its binary header: %1")
                .arg(geometry.extendedTextHeaders);
    if (geometry.additionalTraceHeaders > 0)
        return QObject::tr("each of its traces carries additional trace headers: %1")
                .arg(geometry.additionalTraceHeaders);
    if (geometry.firstTraceOffset != kFileHeaderBytes)
        return QObject::tr("its first trace starts at byte %1").arg(geometry.firstTraceOffset + 1);
    return QString();
}

QString OpenedLine::message(const QString &segyPath) const
{
    switch (failure) {
    case OpenLineFailure::None:
        break;
    case OpenLineFailure::SegyOpenFailed:
        return QObject::tr("Error: fail to open the file: %1").arg(segyPath);
    case OpenLineFailure::NotSegy:
        return QObject::tr("Error: %1 cannot be read as SEG-Y: %2").arg(segyPath, detail);
    case OpenLineFailure::OutsideViewerLayout:
        return QObject::tr("Error: this viewer reads SEG-Y files whose big-endian traces start at byte 3600, "
                           "and %1 is not one: %2.\nThe command-line tool segyhdr reads it: segyhdr dump %1")
                .arg(segyPath, viewerLayoutReason(geometry));
    case OpenLineFailure::BadLayout:
        return QObject::tr("Error: the trace header definition places the FFID or an indexed field "
                           "outside the 240-byte trace header; no index was written for %1").arg(segyPath);
    case OpenLineFailure::IndexCreateFailed:
        return QObject::tr("Error: fail to create the file: %1").arg(indexPath);
    case OpenLineFailure::IndexOpenFailed:
        return QObject::tr("Error: can not open file: %1").arg(indexPath);
    case OpenLineFailure::NoTraces:
        return QObject::tr("Error: the file holds no traces: %1").arg(segyPath);
    }
    return QString();
}

OpenedLine openLine(const QString &segyPath, const HeaderLayout &layout, const OpenLineOptions &options)
{
    OpenedLine line;
    const auto fail = [&line](OpenLineFailure failure) {
        line.failure = failure;
        line.shots.clear();
        return line;
    };

    QFile file(segyPath);
    if (!file.open(QIODevice::ReadOnly)) {
        line.detail = file.errorString();
        return fail(OpenLineFailure::SegyOpenFailed);
    }
    line.geometry = inspectSegy(file);
    if (!line.geometry.readable) {
        line.detail = line.geometry.refusal;
        return fail(OpenLineFailure::NotSegy);
    }
    if (options.viewerLayoutOnly && !line.geometry.classicLayout())
        return fail(OpenLineFailure::OutsideViewerLayout);

    DefinitionTable definition(layout);
    TarnSegy segy(&file, nullptr);
    segy.copyHdrDef(definition.table());

    const QString beside = traceIndexPath(segyPath);
    const IndexSource source = options.indexPlace == IndexPlace::Beside
        ? IndexSource::classic(segyPath, segy.trBytes(), segy.totalTraces(), definition.table())
        : IndexSource::of(segyPath, line.geometry, layout);
    const auto build = [&](const QString &indexPath) {
        line.indexPath = indexPath;
        return writeTraceIndex(source, indexPath, options.indexProgress);
    };

    TraceIndexResult built = TraceIndexResult::Written;
    if (options.indexPlace == IndexPlace::Beside) {
        line.indexPath = beside;
        if (!segy.indexExist())
            built = build(beside);
    } else if (segy.indexExist() && indexMatches(source, beside)) {
        line.indexPath = beside;
    } else {
        // Another index beside the file belongs to whoever wrote it; a missing one is written
        // there when the plug-in would write the same.
        const bool besideIsOurs = !segy.indexExist() && line.geometry.classicLayout()
                && sameIndexedFields(layout, options.hostLayout) && !QFileInfo(beside).isDir();
        const QString folder = options.privateIndexFolder.isEmpty() ? QDir::tempPath() : options.privateIndexFolder;
        const QString own = privateIndexPath(folder, segyPath, source);
        if (!besideIsOurs && indexMatches(source, own)) {
            line.indexPath = own;
        } else if (options.deferIndexBuild) {
            QDir().mkpath(folder);
            line.indexPath = besideIsOurs ? beside : own;
            line.fallbackIndexPath = own;
            line.indexPending = true;
            line.indexSource = source;
            return line;
        } else {
            built = besideIsOurs ? build(beside) : TraceIndexResult::IndexCreateFailed;
            if (built == TraceIndexResult::IndexCreateFailed) {
                QDir().mkpath(folder);
                built = build(own);
            }
        }
    }
    switch (built) {
    case TraceIndexResult::Written:
        break;
    case TraceIndexResult::SegyOpenFailed:
        return fail(OpenLineFailure::SegyOpenFailed);
    case TraceIndexResult::IndexCreateFailed:
        return fail(OpenLineFailure::IndexCreateFailed);
    case TraceIndexResult::BadLayout:
        return fail(OpenLineFailure::BadLayout);
    }

    if (options.extractShots) {
        if (!extractShots(line.indexPath, line.shots, options.shotProgress))
            return fail(OpenLineFailure::IndexOpenFailed);
        if (line.shots.isEmpty() || line.shots.constFirst().lastTrace < line.shots.constFirst().firstTrace)
            return fail(OpenLineFailure::NoTraces);
    }
    file.close();
    return line;
}
