#include "FileReports.h"

#include "LineMap.h"
#include "Picture.h"
#include "QcReport.h"

#include <BinaryHeader.h>
#include <DumpRows.h>
#include <GatherPlot.h>
#include <HeaderRanges.h>
#include <OpenLine.h>
#include <ReadAhead.h>
#include <ShotTable.h>
#include <TextHeader.h>
#include <TraceDecoder.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <limits>

#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr int kTextCards = 40;
constexpr int kTextCardBytes = 80;
constexpr qint64 kRangeBlockBytes = qint64(8) << 20;
// How many headers are taken between two looks at the read-ahead.
constexpr qint64 kRangeStepTraces = 32;
constexpr int kProgressSteps = 100;

struct FormatName
{
    int code;
    const char *name;
};

constexpr FormatName kFormatNames[] = {
    {1, "4-byte IBM float"},        {2, "4-byte integer"},        {3, "2-byte integer"},
    {4, "4-byte fixed point with gain"}, {5, "4-byte IEEE float"}, {6, "8-byte IEEE float"},
    {7, "3-byte integer"},          {8, "1-byte integer"},        {9, "8-byte integer"},
    {10, "4-byte unsigned integer"}, {11, "2-byte unsigned integer"}, {12, "8-byte unsigned integer"},
    {15, "3-byte unsigned integer"}, {16, "1-byte unsigned integer"},
};

QString formatName(int code)
{
    for (const FormatName &f : kFormatNames) {
        if (f.code == code)
            return QLatin1String(f.name);
    }
    return QStringLiteral("not a SEG-Y format");
}

QString orderText(ByteOrder order)
{
    return order == ByteOrder::BigEndian ? QStringLiteral("big-endian") : QStringLiteral("little-endian");
}

QString number(double value)
{
    if (std::isnan(value))
        return QStringLiteral("nan");
    return QString::number(value, 'g', 15);
}

QJsonValue jsonNumber(double value)
{
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue(number(value));
}

void write(QIODevice &out, const QString &text)
{
    out.write(text.toUtf8());
}

} // namespace

int infoFile(const Command &command, const QString &path, QIODevice &out)
{
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        const QString reason = QFileInfo(path).isDir() ? QStringLiteral("is a folder") : file.errorString();
        std::fprintf(stderr, "segyhdr: Error: fail to open the file: %s (%s)\n", qPrintable(path), qPrintable(reason));
        return 2;
    }
    const SegyGeometry g = inspectSegy(file);
    const QByteArray head = file.read(kFileHeaderBytes);
    const bool json = command.format == Command::Format::Json;
    QJsonObject report{{"file", path}};
    QString text = path + QLatin1Char('\n');

    if (head.size() == kFileHeaderBytes && g.hasFileHeader) {
        const TextEncoding encoding = detectTextEncoding(head.constData(), kTextHeaderBytes);
        const QByteArray ascii = textToAscii(head.constData(), kTextHeaderBytes, encoding);
        const QString encodingName = encoding == TextEncoding::Ebcdic ? QStringLiteral("EBCDIC") : QStringLiteral("ASCII");
        QJsonArray cards;
        text += QStringLiteral("textual header (%1):\n").arg(encodingName);
        for (int card = 0; card < kTextCards; ++card) {
            const QString line = QString::fromLatin1(ascii.mid(card * kTextCardBytes, kTextCardBytes));
            cards.append(line);
            text += QStringLiteral("  %1\n").arg(line);
        }
        report.insert("textual_header", QJsonObject{{"encoding", encodingName}, {"cards", cards}});
        QJsonObject binary;
        text += QStringLiteral("binary header (%1):\n").arg(orderText(g.byteOrder));
        const char *bytes = head.constData() + kTextHeaderBytes;
        for (const BinaryField &field : binaryFields()) {
            const double value = binaryValue(bytes, field, g.byteOrder);
            binary.insert(QLatin1String(field.name), jsonNumber(value));
            text += QStringLiteral("  %1 %2\n").arg(QString::fromLatin1(field.name).leftJustified(26, QLatin1Char(' ')), number(value));
        }
        report.insert("binary_header", binary);
    }

    if (!g.readable) {
        report.insert("error", g.refusal);
        text += QStringLiteral("cannot be read as SEG-Y: %1\n").arg(g.refusal);
        write(out, json ? QString::fromUtf8(QJsonDocument(report).toJson(QJsonDocument::Indented)) : text);
        return 2;
    }
    const QString viewer = viewerLayoutReason(g);
    const QString revision = g.hasFileHeader ? QStringLiteral("%1.%2").arg(g.revisionMajor).arg(g.revisionMinor) : QString();
    const QList<QPair<QString, QJsonValue>> facts = {
        {"file_header", g.hasFileHeader},
        {"byte_order", orderText(g.byteOrder)},
        {"byte_order_found_by", byteOrderEvidenceText(g.byteOrderEvidence)},
        {"revision", revision},
        {"extended_textual_headers", g.extendedTextHeaders},
        {"additional_trace_headers", g.additionalTraceHeaders},
        {"format", g.formatCode},
        {"format_name", formatName(g.formatCode)},
        {"samples", double(g.samples)},
        {"sample_interval_us", g.sampleIntervalUs},
        {"first_trace_offset", double(g.firstTraceOffset)},
        {"trace_bytes", double(g.traceBytes)},
        {"traces", double(g.traceCount)},
        {"bytes_left_over", double(g.leftoverBytes)},
        {"viewer_reads_it", viewer.isEmpty()},
    };
    QJsonObject geometry;
    text += QStringLiteral("what the file is:\n");
    for (const auto &[name, value] : facts) {
        geometry.insert(name, value);
        const QString shown = value.isBool() ? (value.toBool() ? QStringLiteral("yes") : QStringLiteral("no"))
                                             : value.isString() ? value.toString() : number(value.toDouble());
        text += QStringLiteral("  %1 %2\n").arg(name.leftJustified(26, QLatin1Char(' ')), shown);
    }
    report.insert("geometry", geometry);
    QStringList warnings = g.warnings;
    if (!viewer.isEmpty())
        warnings << QStringLiteral("the viewer does not read this file: %1; segyhdr does").arg(viewer);
    report.insert("warnings", QJsonArray::fromStringList(warnings));
    for (const QString &warning : qAsConst(warnings))
        text += QStringLiteral("warning: %1\n").arg(warning);
    write(out, json ? QString::fromUtf8(QJsonDocument(report).toJson(QJsonDocument::Indented)) : text);
    return 0;
}

QByteArray rangeCsvHeader(bool named)
{
    return QByteArray(named ? "file," : "") + "field,position,type,min,max,first,last,distinct\n";
}

int rangeFile(const Command &command, const QString &path, bool named, QIODevice &out, const FileProgress &progress)
{
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "segyhdr: Error: fail to open the file: %s (%s)\n", qPrintable(path),
                     qPrintable(QFileInfo(path).isDir() ? QStringLiteral("is a folder") : file.errorString()));
        return 2;
    }
    const SegyGeometry g = inspectSegy(file);
    if (!g.readable) {
        std::fprintf(stderr, "segyhdr: Error: %s cannot be read as SEG-Y: %s\n", qPrintable(path), qPrintable(g.refusal));
        return 2;
    }
    for (const QString &warning : g.warnings)
        std::fprintf(stderr, "segyhdr: warning: %s: %s\n", qPrintable(path), qPrintable(warning));

    const HeaderLayout &layout = command.layouts.read;
    HeaderRanges ranges(layout, g.byteOrder);

    // One pass: blocks of whole traces mapped in file order, each header taken where it lies, the
    // kernel reading ahead of them as for the index (only the header pages of long traces).
    ReadAhead ahead(file.handle(), g.firstTraceOffset, g.traceBytes, kTraceHeaderBytes, g.traceCount);
    // This pass reads every line of each header, faster than storage delivers them. Close behind
    // the reader it spent 0.22 to 0.41 s of CPU on 848 MB here, 16 MB behind it 0.11 to 0.17 s,
    // and it finished sooner.
    ahead.followReader();
    const qint64 perBlock = std::max<qint64>(1, kRangeBlockBytes / std::max<qint64>(1, g.traceBytes));
    qint64 reported = 0;
    for (qint64 first = 0; first < g.traceCount; first += perBlock) {
        const qint64 count = std::min(perBlock, g.traceCount - first);
        const qint64 span = (count - 1) * g.traceBytes + kTraceHeaderBytes;
        ahead.reach(first);
        uchar *block = file.map(g.traceOffset(first), span);
        if (!block) {
            std::fprintf(stderr, "segyhdr: Error: cannot read traces %lld-%lld of the file: %s\n",
                         first + 1, first + count, qPrintable(path));
            return 2;
        }
        // The mapping starts on the page boundary at or before the block.
        const quintptr lead = quintptr(block) % quintptr(::sysconf(_SC_PAGESIZE));
        ::madvise(block - lead, size_t(span + lead), ahead.mappingAdvice());
        for (qint64 t = 0; t < count; t += kRangeStepTraces) {
            ahead.reach(first + t);
            ranges.add(reinterpret_cast<const char *>(block + t * g.traceBytes), std::min(kRangeStepTraces, count - t),
                       g.traceBytes);
        }
        file.unmap(block);
        const qint64 percent = (first + count) * kProgressSteps / g.traceCount;
        if (progress && percent > reported)
            progress(int(reported = percent));
    }

    const bool csv = command.format == Command::Format::Csv;
    const bool json = command.format == Command::Format::Json;
    QJsonArray fields;
    QString text = csv || json ? QString()
                               : QStringLiteral("%1: %2 traces\n%3 %4 %5 %6 %7 %8 %9 %10\n")
                                         .arg(path, QString::number(g.traceCount), QStringLiteral("field").leftJustified(24),
                                              QStringLiteral("byte").rightJustified(5), QStringLiteral("type").leftJustified(6),
                                              QStringLiteral("min").rightJustified(16), QStringLiteral("max").rightJustified(16),
                                              QStringLiteral("first").rightJustified(16), QStringLiteral("last").rightJustified(16),
                                              QStringLiteral("distinct").rightJustified(9));
    for (int f = 0; f < layout.fields().size(); ++f) {
        const HeaderField &field = layout.fields().at(f);
        const HeaderRanges::Range r = ranges.range(f);
        const bool any = g.traceCount > 0;
        const QString distinct = r.moreDistinct ? QStringLiteral(">%1").arg(HeaderRanges::kMaxDistinct)
                                                : QString::number(r.distinct);
        const QStringList values = {any ? number(r.min) : QString(), any ? number(r.max) : QString(),
                                    any ? number(r.first) : QString(), any ? number(r.last) : QString()};
        if (json) {
            fields.append(QJsonObject{{"field", field.name}, {"position", field.position}, {"type", fieldTypeName(field.type)},
                                      {"min", any ? jsonNumber(r.min) : QJsonValue()}, {"max", any ? jsonNumber(r.max) : QJsonValue()},
                                      {"first", any ? jsonNumber(r.first) : QJsonValue()},
                                      {"last", any ? jsonNumber(r.last) : QJsonValue()},
                                      {"distinct", r.moreDistinct ? QJsonValue(distinct) : QJsonValue(r.distinct)}});
        } else if (csv) {
            text += QStringLiteral("%1%2,%3,%4,%5,%6\n").arg(named ? path + QLatin1Char(',') : QString(), field.name,
                                                             QString::number(field.position), fieldTypeName(field.type),
                                                             values.join(QLatin1Char(',')), distinct);
        } else {
            text += QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8\n")
                            .arg(field.name.leftJustified(24), QString::number(field.position).rightJustified(5),
                                 fieldTypeName(field.type).leftJustified(6), values.at(0).rightJustified(16),
                                 values.at(1).rightJustified(16), values.at(2).rightJustified(16),
                                 values.at(3).rightJustified(16), distinct.rightJustified(9));
        }
    }
    if (json)
        text = QString::fromUtf8(QJsonDocument(QJsonObject{{"file", path}, {"traces", double(g.traceCount)}, {"fields", fields}})
                                         .toJson(QJsonDocument::Indented));
    write(out, text);
    return 0;
}

static char dumpSeparator(const Command &command)
{
    return command.format == Command::Format::Tsv ? '\t' : ',';
}

QByteArray dumpHeader(const Command &command, bool named)
{
    QStringList names;
    if (named)
        names.append(QStringLiteral("file"));
    for (int c = 0; c < kFieldColumnCount; ++c)
        names.append(QLatin1String(fieldName(c)));
    names.append(QStringLiteral("byte") + byteRangeText(command.custom.cust1Pos, command.custom.cust1Len));
    if (command.customColumns > 1)
        names.append(QStringLiteral("byte") + byteRangeText(command.custom.cust2Pos, command.custom.cust2Len));
    return (names.join(QLatin1Char(dumpSeparator(command))) + QLatin1Char('\n')).toUtf8();
}

int dumpFile(const Command &command, const QString &path, bool named, QIODevice &out, const FileProgress &progress)
{
    SegyhdrLine line(path, command.custom, command.layouts);
    if (!line.open(progress)) {
        std::fprintf(stderr, "segyhdr: %s\n", qPrintable(line.error()));
        return 2;
    }
    for (const QString &warning : line.geometry().warnings)
        std::fprintf(stderr, "segyhdr: warning: %s: %s\n", qPrintable(path), qPrintable(warning));

    // Shot ranges of the shot list, from 0: all, those asked for, or each run of the FFID.
    const QVector<ShotEntry> &all = line.shots();
    QVector<QPair<int, int>> ranges{{0, int(all.size()) - 1}};
    if (command.firstShot > 0) {
        if (command.lastShot > all.size()) {
            std::fprintf(stderr, "%s", qPrintable(QStringLiteral("segyhdr: --shots %1-%2: the file %3 has shots 1-%4\n")
                                                          .arg(QString::number(command.firstShot), QString::number(command.lastShot),
                                                               path, QString::number(all.size()))));
            return 2;
        }
        ranges = {{command.firstShot - 1, command.lastShot - 1}};
    } else if (command.ffidSet) {
        ranges.clear();
        for (int s = 0; s < all.size(); ++s) {
            if (all.at(s).ffid == command.ffid)
                ranges.append({s, s});
        }
        if (ranges.isEmpty()) {
            std::fprintf(stderr, "%s", qPrintable(QStringLiteral("segyhdr: no shot has FFID %1 in the file: %2\n")
                                                          .arg(QString::number(command.ffid), path)));
            return 2;
        }
    }

    const char separator = dumpSeparator(command);
    const QByteArray prefix = named ? path.toUtf8() + separator : QByteArray();
    // Over several files the caller writes the column names once, ahead of every file's rows.
    QByteArray text = named ? QByteArray() : dumpHeader(command, false);
    for (const QPair<int, int> &range : ranges) {
        const bool read = line.forEachShot(range.first, range.second, [&](const ShotHeaders &shot) {
            appendDumpRows(shot.records, shot.customValues, separator, text, prefix, command.customColumns);
            if (text.size() > (1 << 20)) {
                out.write(text);
                text.clear();
            }
        });
        if (!read) {
            out.write(text);
            std::fprintf(stderr, "segyhdr: %s\n", qPrintable(line.error()));
            return 2;
        }
    }
    out.write(text);
    return 0;
}

int mapFile(const Command &command, const QString &path, const FileProgress &progress)
{
    SegyhdrLine line(path, command.custom, command.layouts);
    if (!line.open(progress)) {
        std::fprintf(stderr, "segyhdr: %s\n", qPrintable(line.error()));
        return 2;
    }
    const int shotCount = line.shots().size();
    LineMap map(QFileInfo(path).fileName());
    ShotQc qc(line.shots(), command.offsetTolerance);
    // (0, 0) is what a header without coordinates holds: such points are left off the map.
    const auto placed = [](float x, float y) { return x != 0.0f || y != 0.0f; };
    bool anyPlaced = false;
    bool read = line.forEachShot(0, shotCount - 1, [&](const ShotHeaders &shot) {
        const fbRec &first = shot.records.constFirst();
        const bool flagged = !qc.check(shot).isEmpty();
        if (placed(first.source_x, first.source_y)) {
            map.addShot(QPointF(first.source_x, first.source_y), shot.entry.ffid, flagged);
            anyPlaced = true;
        }
        for (const fbRec &record : shot.records) {
            if (placed(record.group_x, record.group_y)) {
                map.extend(QPointF(record.group_x, record.group_y));
                anyPlaced = true;
            }
        }
    });
    if (read && !anyPlaced) {
        std::fprintf(stderr, "segyhdr: %s has no coordinates: every source and receiver position is (0, 0); no map is drawn\n",
                     qPrintable(path));
        return 2;
    }
    read = read && line.forEachShot(0, shotCount - 1, [&](const ShotHeaders &shot) {
        for (const fbRec &record : shot.records) {
            if (placed(record.group_x, record.group_y))
                map.addReceiver(QPointF(record.group_x, record.group_y));
        }
    });
    if (!read) {
        std::fprintf(stderr, "segyhdr: %s\n", qPrintable(line.error()));
        return 2;
    }
    QString error;
    if (!map.write(command.output, &error)) {
        std::fprintf(stderr, "segyhdr: %s\n", qPrintable(error));
        return 2;
    }
    return 0;
}

int plotFile(const Command &command, const QString &path, const FileProgress &progress)
{
    // The picture is as wide as its traces need, within bounds.
    constexpr int kHeight = 900;
    constexpr int kPixelsPerTrace = 6;
    constexpr int kMinWidth = 800;
    constexpr int kMaxWidth = 3000;

    SegyhdrLine line(path, command.custom, command.layouts);
    if (!line.open(progress)) {
        std::fprintf(stderr, "segyhdr: %s\n", qPrintable(line.error()));
        return 2;
    }
    const QVector<ShotEntry> &list = line.shots();
    const auto byFfid = std::find_if(list.cbegin(), list.cend(), [&](const ShotEntry &e) { return e.ffid == command.ffid; });
    QString error;
    if (command.plotShot > list.size())
        error = QStringLiteral("--shot %1: the file %2 has shots 1-%3")
                        .arg(QString::number(command.plotShot), path, QString::number(list.size()));
    else if (command.ffidSet && byFfid == list.cend())
        error = QStringLiteral("no shot has FFID %1 in the file: %2").arg(QString::number(command.ffid), path);
    const ShotEntry shot = command.ffidSet ? (byFfid == list.cend() ? ShotEntry{} : *byFfid) : list.value(command.plotShot - 1);
    // The picture's width follows the traces, known from the shot before they are read.
    const qint64 traces = qint64(shot.lastTrace) - shot.firstTrace + 1;
    const QSize size(int(qBound<qint64>(kMinWidth, traces * kPixelsPerTrace, kMaxWidth)), kHeight);
    GatherPlot plot;
    plot.setSettings(command.plotSettings);
    if (error.isEmpty() && !plot.readGather(path, line.geometry(), TraceDecoder(line.layout(), line.geometry().byteOrder), shot,
                                            size, &error))
        error = QStringLiteral("Error: cannot show the traces of FFID %1 of %2: %3").arg(QString::number(shot.ffid), path, error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "segyhdr: %s\n", qPrintable(error));
        return 2;
    }
    const QString title = QFileInfo(path).fileName();
    plot.setTitle(title);
    if (!writePicture(command.output, size, title, [&](QPainter &painter) { plot.paint(painter, size); }, &error)) {
        std::fprintf(stderr, "segyhdr: %s\n", qPrintable(error));
        return 2;
    }
    return 0;
}
