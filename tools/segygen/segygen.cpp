// segygen: writes synthetic SEG-Y files for tests, benchmarks and demonstrations.

#include "SegyLine.h"
#include "SegyWriter.h"

#include <HeaderLayout.h>

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;

const char kDescription[] = R"(Writes a synthetic SEG-Y file: shots along a straight 2D line, each recorded by the
same number of channels, with FFIDs, channel numbers, offsets, elevations, coordinates,
lines and statics in the trace headers (SEG-Y rev 1 places).

The trace geometry: shot s (from 0) lies at origin + s x shot-spacing along the line;
channel c (from 0) of the shot lies near-offset + c x group-spacing further along, which
is also the offset. Coordinates are stored under the coordinate scalar (bytes 71-72):
with -100 they are centimetres. Elevations are whole metres around --elevation, with
--relief metres of smooth hills.

Raw header values (applied after everything else; LEN is 2 or 4, positions from 1):
  --set POS:LEN=VALUE             on every trace; "POS:LEN:=VALUE" is accepted too.
                                  Example: --set 189:4=1000
  --set-trace T:POS:LEN=VALUE     on trace T only (traces count from 1), or on the
  --set-trace T1-T2:POS:LEN=VALUE traces T1 to T2. Example: --set-trace 57:45:2=130
  --binary POS:LEN=VALUE          in the binary header, at its file position 3201-3600.
                                  Example: --binary 3221:2=0 --binary 3269:4=70000
VALUE may be negative, or hexadecimal as 0x...; a 4-byte field takes -2147483648 to
4294967295, a 2-byte field -32768 to 65535.

FFID lists (--ffids): comma-separated values, VALUE*COUNT repeats a value,
e.g. 5*2,6*3,5 gives the FFIDs 5 5 6 6 6 5. The list sets the trace count.

Inconsistent shots (--inconsistent): comma-separated shot numbers (from 1), each
optionally followed by :FIELD, one of s_elev, s_depth, source_x, source_y, s_line,
s_stat (default: s_elev and source_x in turn). The field then varies from channel to
channel inside that shot.

--demo writes the demonstration line: 40 shots (FFID 1001-1040) of 120 channels,
IBM floats of 1000 samples at 2 ms holding a shot record (first breaks at 40 ms +
|offset| / 2000 m/s, three reflections below them), split spread, source every 25 m, receivers 12.5 m
apart, UTM-like coordinates in centimetres (scalar -100), rolling elevations with
elevation statics, and shots 7, 18 and 30 with inconsistent source headers. Other
options change the demo line, e.g. --demo --sparse --samples 60000.)";

struct Options
{
    QCommandLineOption traces{"traces", "Traces in the file (default 100).", "N"};
    QCommandLineOption shots{"shots", "Shots; with --channels the file holds shots x channels traces.", "N"};
    QCommandLineOption channels{"channels", "Traces per shot, the length of each FFID run (default: all traces one shot).", "N"};
    QCommandLineOption samples{"samples", "Samples per trace (default 100); beyond 65535 the rev 2 extended count is used.", "N"};
    QCommandLineOption interval{"interval", "Sample interval in microseconds (default 2000).", "US"};
    QCommandLineOption format{"format", "Sample format code (default 5, IEEE float; 1 is IBM float).", "CODE"};
    QCommandLineOption littleEndian{"little-endian", "Write headers and samples little-endian."};
    QCommandLineOption revision2{"rev2", "Mark the file SEG-Y rev 2, with the byte-order word."};
    QCommandLineOption extText{"ext-text", "Extended textual header records after the binary header.", "N"};
    QCommandLineOption endText{"end-text", "Give the extended textual header count as -1 and close the last with the stanza."};
    QCommandLineOption additional{"additional-headers", "Rev 2 additional 240-byte trace headers after each standard one.", "N"};
    QCommandLineOption noFileHeader{"no-file-header", "Leave out the 3600-byte file header, as Seismic Unix's trace files do."};
    QCommandLineOption sparse{"sparse", "Leave the samples as holes in the file: gigabytes in seconds."};
    QCommandLineOption zeros{"zeros", "Write zero samples instead of the wiggle."};
    QCommandLineOption ffidStart{"ffid-start", "FFID of the first shot (default 1).", "N"};
    QCommandLineOption ffidStep{"ffid-step", "FFID increment from shot to shot (default 1).", "N"};
    QCommandLineOption ffids{"ffids", "The FFID of every trace, as a list (see above).", "LIST"};
    QCommandLineOption channelStart{"channel-start", "Channel number of the first trace of each shot (default 1).", "N"};
    QCommandLineOption origin{"origin", "Position of the first shot in metres (default 500000,6500000).", "X,Y"};
    QCommandLineOption azimuth{"azimuth", "Direction of the line in degrees clockwise from north (default 90).", "DEG"};
    QCommandLineOption shotSpacing{"shot-spacing", "Metres from shot to shot (default 25).", "M"};
    QCommandLineOption groupSpacing{"group-spacing", "Metres from channel to channel (default 12.5).", "M"};
    QCommandLineOption nearOffset{"near-offset", "Signed offset of channel 1 in metres (default 0).", "M"};
    QCommandLineOption scalar{"scalar", "Coordinate scalar (default -100: centimetres).", "N"};
    QCommandLineOption elevation{"elevation", "Elevation at the first shot in metres, also the statics datum (default 100).", "M"};
    QCommandLineOption relief{"relief", "Height of the smooth hills in metres (default 0).", "M"};
    QCommandLineOption sourceDepth{"source-depth", "Source depth in metres (default 0).", "M"};
    QCommandLineOption sourceLine{"s-line", "Source line number, bytes 189-192 (default 0).", "N"};
    QCommandLineOption groupLine{"g-line", "Receiver line number, bytes 193-196 (default 0).", "N"};
    QCommandLineOption sourceStatic{"s-stat", "Source static in ms (default 0).", "MS"};
    QCommandLineOption groupStatic{"g-stat", "Receiver static in ms (default 0).", "MS"};
    QCommandLineOption staticVelocity{"static-velocity", "Take the statics from the elevation above the datum at this speed in m/s.", "V"};
    QCommandLineOption inconsistent{"inconsistent", "Shots whose source headers vary inside the shot (see above).", "LIST"};
    QCommandLineOption set{"set", "A raw value on every trace (see above).", "POS:LEN=VALUE"};
    QCommandLineOption setTrace{"set-trace", "A raw value on some traces (see above).", "T:POS:LEN=VALUE"};
    QCommandLineOption binary{"binary", "A raw value in the binary header (see above).", "POS:LEN=VALUE"};
    QCommandLineOption demo{"demo", "Start from the demonstration line (see above)."};
    QCommandLineOption quiet{"quiet", "Print nothing but errors."};

    QList<QCommandLineOption> all() const
    {
        return {traces, shots, channels, samples, interval, format, littleEndian, revision2, extText, endText,
                additional, noFileHeader, sparse, zeros,
                ffidStart, ffidStep, ffids, channelStart, origin, azimuth, shotSpacing, groupSpacing,
                nearOffset, scalar, elevation, relief, sourceDepth, sourceLine, groupLine, sourceStatic,
                groupStatic, staticVelocity, inconsistent, set, setTrace, binary, demo, quiet};
    }
};

// Thrown by the parsers so that each option's fault reaches the user with the option's name.
struct UsageError
{
    QString message;
};

qint64 parseInteger(const QString &text, qint64 low, qint64 high, const QString &what)
{
    bool ok = false;
    const QString trimmed = text.trimmed();
    qint64 value = 0;
    if (trimmed.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = trimmed.mid(2).toLongLong(&ok, 16);
    else if (trimmed.startsWith(QLatin1String("-0x"), Qt::CaseInsensitive))
        value = -trimmed.mid(3).toLongLong(&ok, 16);
    else
        value = trimmed.toLongLong(&ok, 10);
    if (!ok)
        throw UsageError{QStringLiteral("%1: \"%2\" is not a whole number").arg(what, text)};
    if (value < low || value > high)
        throw UsageError{QStringLiteral("%1: %2 is not between %3 and %4").arg(what).arg(value).arg(low).arg(high)};
    return value;
}

int parseInt(const QString &text, qint64 low, qint64 high, const QString &what)
{
    return int(parseInteger(text, low, high, what));
}

double parseReal(const QString &text, const QString &what)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw UsageError{QStringLiteral("%1: \"%2\" is not a number").arg(what, text)};
    return value;
}

// "POS:LEN=VALUE" (or "POS:LEN:=VALUE").
void parseAssignment(const QString &text, const QString &what, int *position, int *length, qint64 *value)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*([^:=]+):([^:=]+):?=(.+)$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        throw UsageError{QStringLiteral("%1: \"%2\" is not POS:LEN=VALUE").arg(what, text)};
    *position = parseInt(m.captured(1), 1, std::numeric_limits<int>::max(), what + QStringLiteral(" position"));
    *length = parseInt(m.captured(2), 2, 4, what + QStringLiteral(" length"));
    if (*length == 3)
        throw UsageError{QStringLiteral("%1: a value is 2 or 4 bytes long, not 3").arg(what)};
    const qint64 low = *length == 4 ? std::numeric_limits<qint32>::min() : std::numeric_limits<qint16>::min();
    const qint64 high = *length == 4 ? std::numeric_limits<quint32>::max() : std::numeric_limits<quint16>::max();
    *value = parseInteger(m.captured(3), low, high, what + QStringLiteral(" value"));
}

SegyLine::Override parseTraceOverride(const QString &text, bool everyTrace)
{
    SegyLine::Override o{0, -1, 0, 0, 0};
    QString assignment = text;
    if (!everyTrace) {
        const int colon = text.indexOf(QLatin1Char(':'));
        if (colon < 0)
            throw UsageError{QStringLiteral("--set-trace: \"%1\" is not T:POS:LEN=VALUE").arg(text)};
        const QString range = text.left(colon);
        const QStringList ends = range.split(QLatin1Char('-'));
        if (ends.size() > 2)
            throw UsageError{QStringLiteral("--set-trace: \"%1\" is not a trace or a range T1-T2").arg(range)};
        o.firstTrace = parseInt(ends.first(), 1, std::numeric_limits<int>::max(), QStringLiteral("--set-trace trace")) - 1;
        o.lastTrace = parseInt(ends.last(), 1, std::numeric_limits<int>::max(), QStringLiteral("--set-trace trace")) - 1;
        assignment = text.mid(colon + 1);
    }
    parseAssignment(assignment, everyTrace ? QStringLiteral("--set") : QStringLiteral("--set-trace"),
                    &o.position, &o.length, &o.value);
    if (!fieldFits(o.position, fieldWidth(fieldTypeForLength(o.length))))
        throw UsageError{QStringLiteral("%1: %2 bytes at byte %3 do not fit the 240-byte trace header")
                         .arg(everyTrace ? QStringLiteral("--set") : QStringLiteral("--set-trace"))
                         .arg(o.length).arg(o.position)};
    return o;
}

QVector<qint32> parseFfidList(const QString &text)
{
    QVector<qint32> ffids;
    for (const QString &item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(QLatin1Char('*'));
        if (parts.size() > 2)
            throw UsageError{QStringLiteral("--ffids: \"%1\" is not VALUE or VALUE*COUNT").arg(item)};
        const qint32 ffid = qint32(parseInteger(parts.first(), std::numeric_limits<qint32>::min(),
                                                std::numeric_limits<qint32>::max(), QStringLiteral("--ffids")));
        const int count = parts.size() == 2
                ? parseInt(parts.last(), 1, 100000000, QStringLiteral("--ffids repeat count")) : 1;
        if (qint64(ffids.size()) + count > std::numeric_limits<int>::max() / 8)
            throw UsageError{QStringLiteral("--ffids: too many traces")};
        ffids.insert(ffids.size(), count, ffid);
    }
    if (ffids.isEmpty())
        throw UsageError{QStringLiteral("--ffids: the list is empty")};
    return ffids;
}

QVector<SegyLine::Inconsistency> parseInconsistent(const QString &text)
{
    QVector<SegyLine::Inconsistency> list;
    const SegyLine::SourceField cycle[] = {SegyLine::SourceField::SElev, SegyLine::SourceField::SourceX};
    for (const QString &item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(QLatin1Char(':'));
        SegyLine::Inconsistency odd{};
        odd.shot = parseInt(parts.first(), 1, std::numeric_limits<int>::max(), QStringLiteral("--inconsistent shot")) - 1;
        odd.field = cycle[list.size() % 2];
        if (parts.size() > 2 || (parts.size() == 2 && !SegyLine::sourceFieldFromName(parts.last().trimmed(), &odd.field)))
            throw UsageError{QStringLiteral("--inconsistent: \"%1\" is not SHOT or SHOT:FIELD with FIELD one of "
                                            "s_elev, s_depth, source_x, source_y, s_line, s_stat").arg(item)};
        list.append(odd);
    }
    return list;
}

SegyLine lineFromOptions(const QCommandLineParser &parser, const Options &opt)
{
    SegyLine line = parser.isSet(opt.demo) ? SegyLine::demo() : SegyLine();
    const qint64 intMax = std::numeric_limits<qint32>::max();
    const qint64 intMin = std::numeric_limits<qint32>::min();
    const auto integer = [&](const QCommandLineOption &o, qint64 low, qint64 high) {
        return parseInt(parser.value(o), low, high, QLatin1String("--") + o.names().first());
    };
    const auto real = [&](const QCommandLineOption &o) {
        return parseReal(parser.value(o), QLatin1String("--") + o.names().first());
    };

    if (parser.isSet(opt.samples))
        line.layout.samples = integer(opt.samples, 0, intMax);
    if (parser.isSet(opt.interval))
        line.layout.sampleIntervalUs = integer(opt.interval, 0, 65535);
    if (parser.isSet(opt.format))
        line.layout.formatCode = integer(opt.format, 0, 65535);
    if (parser.isSet(opt.littleEndian))
        line.layout.littleEndian = true;
    if (parser.isSet(opt.revision2))
        line.layout.revision2 = true;
    if (parser.isSet(opt.extText))
        line.layout.extendedTextHeaders = integer(opt.extText, 0, 32767);
    if (parser.isSet(opt.endText))
        line.layout.endTextStanza = true;
    if (parser.isSet(opt.additional))
        line.layout.additionalTraceHeaders = integer(opt.additional, 0, 65535);
    if (parser.isSet(opt.noFileHeader))
        line.layout.noFileHeader = true;
    if (parser.isSet(opt.sparse))
        line.layout.sparse = true;
    if (parser.isSet(opt.zeros))
        line.layout.zeroSamples = true;

    if (parser.isSet(opt.channels))
        line.channels = integer(opt.channels, 1, intMax);
    if (parser.isSet(opt.shots)) {
        if (!parser.isSet(opt.channels) && !parser.isSet(opt.demo))
            throw UsageError{QStringLiteral("--shots needs --channels")};
        const qint64 shots = integer(opt.shots, 0, intMax);
        if (shots * line.channels > intMax)
            throw UsageError{QStringLiteral("%1 shots of %2 channels are too many traces").arg(shots).arg(line.channels)};
        line.traces = int(shots * line.channels);
    }
    if (parser.isSet(opt.traces)) {
        if (parser.isSet(opt.shots))
            throw UsageError{QStringLiteral("give either --traces or --shots, not both")};
        line.traces = integer(opt.traces, 0, intMax);
    }
    if (parser.isSet(opt.ffids)) {
        line.ffids = parseFfidList(parser.value(opt.ffids));
        if (parser.isSet(opt.traces) || parser.isSet(opt.shots)) {
            if (line.ffids.size() != line.traces)
                throw UsageError{QStringLiteral("--ffids lists %1 traces, the file is to hold %2")
                                 .arg(line.ffids.size()).arg(line.traces)};
        }
        line.traces = line.ffids.size();
    }
    if (parser.isSet(opt.ffidStart))
        line.ffidStart = integer(opt.ffidStart, intMin, intMax);
    if (parser.isSet(opt.ffidStep))
        line.ffidStep = integer(opt.ffidStep, intMin, intMax);
    if (parser.isSet(opt.channelStart))
        line.channelStart = integer(opt.channelStart, intMin, intMax);

    if (parser.isSet(opt.origin)) {
        const QStringList xy = parser.value(opt.origin).split(QLatin1Char(','));
        if (xy.size() != 2)
            throw UsageError{QStringLiteral("--origin: \"%1\" is not X,Y").arg(parser.value(opt.origin))};
        line.originX = parseReal(xy.first(), QStringLiteral("--origin x"));
        line.originY = parseReal(xy.last(), QStringLiteral("--origin y"));
    }
    if (parser.isSet(opt.azimuth))
        line.azimuthDegrees = real(opt.azimuth);
    if (parser.isSet(opt.shotSpacing))
        line.shotSpacing = real(opt.shotSpacing);
    if (parser.isSet(opt.groupSpacing))
        line.groupSpacing = real(opt.groupSpacing);
    if (parser.isSet(opt.nearOffset))
        line.nearOffset = real(opt.nearOffset);
    if (parser.isSet(opt.scalar))
        line.coordScalar = integer(opt.scalar, -32768, 32767);
    if (parser.isSet(opt.elevation))
        line.elevation = real(opt.elevation);
    if (parser.isSet(opt.relief))
        line.relief = real(opt.relief);
    if (parser.isSet(opt.sourceDepth))
        line.sourceDepth = real(opt.sourceDepth);
    if (parser.isSet(opt.sourceLine))
        line.sourceLine = integer(opt.sourceLine, intMin, intMax);
    if (parser.isSet(opt.groupLine))
        line.groupLine = integer(opt.groupLine, intMin, intMax);
    if (parser.isSet(opt.sourceStatic) || parser.isSet(opt.groupStatic))
        line.staticVelocity = 0;
    if (parser.isSet(opt.sourceStatic))
        line.sourceStatic = integer(opt.sourceStatic, -32768, 32767);
    if (parser.isSet(opt.groupStatic))
        line.groupStatic = integer(opt.groupStatic, -32768, 32767);
    if (parser.isSet(opt.staticVelocity))
        line.staticVelocity = real(opt.staticVelocity);
    if (parser.isSet(opt.inconsistent)) {
        line.inconsistent = parseInconsistent(parser.value(opt.inconsistent));
    } else {
        // A shortened demo line keeps those of its inconsistent shots that it still has.
        const int shotCount = (line.traces + line.tracesPerShot() - 1) / line.tracesPerShot();
        line.inconsistent.erase(std::remove_if(line.inconsistent.begin(), line.inconsistent.end(),
                                               [shotCount](const SegyLine::Inconsistency &odd) {
                                                   return odd.shot >= shotCount;
                                               }),
                                line.inconsistent.end());
    }

    for (const QString &text : parser.values(opt.set))
        line.overrides.append(parseTraceOverride(text, true));
    for (const QString &text : parser.values(opt.setTrace))
        line.overrides.append(parseTraceOverride(text, false));
    for (const QString &text : parser.values(opt.binary)) {
        SegyLine::BinaryValue b{};
        parseAssignment(text, QStringLiteral("--binary"), &b.position, &b.length, &b.value);
        line.binaryValues.append(b);
    }
    return line;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("segygen"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    const QCommandLineOption help = parser.addHelpOption();
    Options opt;
    parser.addOptions(opt.all());
    parser.addPositionalArgument(QStringLiteral("output"), QStringLiteral("The SEG-Y file to write (replaced if it exists)."));
    if (!parser.parse(QCoreApplication::arguments())) {
        err << "segygen: " << parser.errorText() << "\n";
        return kExitUsage;
    }
    if (parser.isSet(help)) {
        out << parser.helpText();
        return 0;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        err << "segygen: name one output file (segygen --help shows the options)\n";
        return kExitUsage;
    }

    SegyLine line;
    try {
        line = lineFromOptions(parser, opt);
    } catch (const UsageError &e) {
        err << "segygen: " << e.message << "\n";
        return kExitUsage;
    }

    QElapsedTimer timer;
    timer.start();
    QString error;
    if (!line.write(positional.first(), &error)) {
        err << "segygen: " << error << "\n";
        return kExitFailure;
    }
    if (!parser.isSet(opt.quiet)) {
        const SegyWriter writer(positional.first(), line.layout);
        const qint64 bytes = writer.firstTraceOffset() + qint64(line.traces) * writer.traceBytes();
        out << "segygen: wrote " << positional.first() << ": " << line.traces << " traces of "
            << line.layout.samples << " samples, format " << line.layout.formatCode
            << (line.layout.littleEndian ? ", little-endian" : ", big-endian")
            << (line.layout.sparse ? ", sparse" : "") << ", " << bytes << " bytes in "
            << QString::number(timer.elapsed() / 1000.0, 'f', 2) << " s\n";
        for (const SegyLine::Inconsistency &odd : line.inconsistent) {
            out << "segygen: shot " << odd.shot + 1 << " (FFID " << line.ffidOf(odd.shot * line.tracesPerShot())
                << ") has a varying " << SegyLine::sourceFieldName(odd.field) << "\n";
        }
    }
    return 0;
}
