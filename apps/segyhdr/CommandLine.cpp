#include "CommandLine.h"

#include <HeaderLayout.h>
#include <TraceRecord.h>
#include <ZnTraceHeaderDefineNode.h>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

using Verb = Command::Verb;

constexpr int kMaxCustomFields = 2;

struct VerbName
{
    Verb verb;
    const char *name;
};

constexpr VerbName kVerbs[] = {
    {Verb::Info, "info"}, {Verb::Range, "range"}, {Verb::Qc, "qc"},
    {Verb::Dump, "dump"}, {Verb::Map, "map"},     {Verb::Plot, "plot"},
    {Verb::Summary, "summary"},
};

// An option, the verbs that take it, and whether it takes a value.
struct OptionRule
{
    const char *name;
    bool takesValue;
    QVector<Verb> verbs;
};

const QVector<OptionRule> &optionRules()
{
    static const QVector<OptionRule> rules = {
        {"--output", true, {Verb::Info, Verb::Range, Verb::Qc, Verb::Dump, Verb::Map, Verb::Plot, Verb::Summary}},
        {"--json", false, {Verb::Info, Verb::Range, Verb::Qc, Verb::Summary}},
        {"--csv", false, {Verb::Range, Verb::Qc}},
        {"--tsv", false, {Verb::Dump}},
        {"--shots", true, {Verb::Dump}},
        {"--ffid", true, {Verb::Dump, Verb::Plot}},
        {"--shot", true, {Verb::Plot}},
        {"--agc", true, {Verb::Plot}},
        {"--clip", true, {Verb::Plot}},
        {"--lmo", true, {Verb::Plot}},
        {"--wiggle", false, {Verb::Plot}},
        {"--byte", true, {Verb::Dump}},
        {"--field", true, {Verb::Range, Verb::Qc, Verb::Dump, Verb::Map, Verb::Plot}},
        {"--layout", true, {Verb::Range, Verb::Qc, Verb::Dump, Verb::Map, Verb::Plot}},
        {"--project", true, {Verb::Range, Verb::Qc, Verb::Dump, Verb::Map, Verb::Plot}},
        {"--offset-tolerance", true, {Verb::Qc, Verb::Map}},
    };
    return rules;
}

const char kUsage[] = R"(Usage: segyhdr VERB [OPTIONS] FILE|FOLDER...

The trace headers of SEG-Y files, a line or a whole survey at once, on the viewer's own cores.
A folder stands for every SEG-Y file below it, recognised by its file header. Files are worked
on in parallel, one a core; every output row names its file when there are several.

Verbs:
  info      what each file really is: the textual header (40 cards), the binary header's fields,
            the byte order and how it was found, revision, extended textual headers, sample
            format, count and interval, trace length and count, bytes left over; and warnings
            where the file disagrees with itself.
  range     every field of the layout over all traces: minimum, maximum, first, last and the
            number of distinct values, with the coordinate and elevation scalars applied.
  qc        one line per flagged shot: a shot-constant header (ffid, s_elev, s_depth, source_x,
            source_y, s_line, s_stat) that varies, an FFID that comes back after another shot,
            a trace count unlike the line's most common one, channel numbers that repeat or
            leave gaps (channels of 0 or below are auxiliary traces and left out), offsets
            that disagree with the source-receiver distance, shots without coordinates; then a
            summary of each file and of the survey. Exit status 0 clean, 1 findings, 2 error.
  dump      the viewer's 16 columns, one row per trace, as CSV (or --tsv).
  map       the line from above: receivers grey, shots at their source, flagged shots red.
  plot      one shot's traces as the viewer's gather window draws them: variable density or
            wiggles, with gain, clip and linear moveout by the header offsets.
  summary   the survey summary of earlier qc --json results (RESULT.json...), as one qc over
            all their files gives it.

Options:
  -o, --output OUT        write to OUT instead of standard output (map: OUT.svg or OUT.png)
  --json                  info, range, qc, summary: one JSON document
  --csv                   range, qc: CSV rows
  --tsv                   dump: tab-separated instead of CSV
  --shots A-B, --ffid N   dump: shots A to B of the shot list (from 1), or the shots of one FFID
  --shot N, --ffid N      plot: shot N of the shot list (from 1), or the first shot of the FFID
  --agc MS                plot: automatic gain control over a window of MS milliseconds
  --clip P                plot: the percentile of the amplitudes that gets the full colour (default 99)
  --lmo VELOCITY          plot: linear moveout, each trace moved up by |offset| / VELOCITY (m/s)
  --wiggle                plot: wiggles with the positive lobe filled, not variable density
  --byte POS:LEN          dump: a custom column, a 2- or 4-byte field at a 1-based position;
                          once or twice (default 71:2 and 237:4)
  --field NAME=POS:TYPE   a header field at another place or of another type (int16, int32,
                          uint16, uint32, ibm, ieee), e.g. ffid=189:int32; repeatable
  --layout FILE           a file of NAME=POS:TYPE lines, one field each
  --project DIR           the header places of the host project in DIR, as the viewer reads them
  --offset-tolerance M    qc, map: how far the header offset may be from the source-receiver
                          distance, in the coordinates' units (default 5)
  -h, --help, --version

Each file is read as it really is: big- or little-endian, with extended textual headers, rev 2
additional trace headers, or no file header; one that cannot be read is refused with the reason,
and the others go on. The trace index FILE.index is used when it holds the same fields and is up
to date, and written when it is missing; otherwise segyhdr keeps its own index in its cache
folder and leaves FILE.index alone. The SEG-Y files themselves are only read.)";

// "NAME=POS:TYPE": a field of the layout moved to another place or type.
bool applyField(HeaderLayout &layout, const QString &text, QString *error)
{
    static const QRegularExpression form(QStringLiteral("^\\s*([A-Za-z_0-9]+)\\s*=\\s*(\\d+)\\s*:\\s*([a-z0-9]+)\\s*$"));
    const QRegularExpressionMatch match = form.match(text);
    FieldType type = FieldType::Int32;
    if (!match.hasMatch() || !fieldTypeFromName(match.captured(3), &type)) {
        *error = QStringLiteral("%1: a field is NAME=POS:TYPE, TYPE one of int16, int32, uint16, uint32, ibm, ieee")
                .arg(text.trimmed());
        return false;
    }
    const int position = match.captured(2).toInt();
    if (!fieldFits(position, fieldWidth(type))) {
        *error = QStringLiteral("%1: %2 bytes at byte %3 do not fit the 240-byte trace header")
                .arg(text.trimmed(), QString::number(fieldWidth(type)), QString::number(position));
        return false;
    }
    if (!layout.setField(match.captured(1), position, type)) {
        *error = QStringLiteral("%1: the layout has no field %2").arg(text.trimmed(), match.captured(1));
        return false;
    }
    return true;
}

// A layout file: one NAME=POS:TYPE a line; blank lines and lines from '#' on are ignored.
bool applyLayoutFile(HeaderLayout &layout, const QString &path, QString *error)
{
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("%1: %2").arg(path, QFileInfo(path).isDir() ? QStringLiteral("is a folder") : file.errorString());
        return false;
    }
    int number = 0;
    while (!file.atEnd()) {
        ++number;
        QString line = QString::fromUtf8(file.readLine());
        line = line.left(line.indexOf(QLatin1Char('#'))).trimmed();
        QString reason;
        if (!line.isEmpty() && !applyField(layout, line, &reason)) {
            *error = QStringLiteral("%1, line %2: %3").arg(path, QString::number(number), reason);
            return false;
        }
    }
    return true;
}

// The trace header definition of a host project, as the plug-in reads it there.
bool projectLayout(const QString &projectDir, HeaderLayout *layout, QString *error)
{
    if (!QFileInfo(projectDir).isDir()) {
        *error = QStringLiteral("%1: not a folder").arg(projectDir);
        return false;
    }
    const ZnTraceHeaderDefine def = ZnTraceHeaderDefineNode::defineOfProject(projectDir);
    int pairs[kRecordFields + 1][2];
    int *table[kRecordFields + 1];
    for (int k = 0; k <= kRecordFields; ++k) {
        pairs[k][0] = k < kRecordFields ? def.fieldPositions[k] : def.extraByte;
        pairs[k][1] = k < kRecordFields ? def.fieldBytes[k] : fieldWidth(FieldType::Int16);
        table[k] = pairs[k];
    }
    *layout = HeaderLayout::fromDefinition(table);
    return true;
}

// "POS:LEN": a 2- or 4-byte field inside the trace header, as the viewer reads custom fields.
bool parseByteField(const QString &text, int *position, int *length, QString *error)
{
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("^(\\d+):(\\d+)$")).match(text);
    *position = match.captured(1).toInt();
    *length = match.captured(2).toInt();
    if (!match.hasMatch() || (*length != 2 && *length != 4)) {
        *error = QStringLiteral("--byte %1: a custom field is POS:LEN with LEN 2 or 4").arg(text);
        return false;
    }
    if (!fieldFits(*position, *length)) {
        *error = QStringLiteral("--byte %1: %2 bytes at byte %3 do not fit the 240-byte trace header")
                .arg(text, QString::number(*length), QString::number(*position));
        return false;
    }
    return true;
}

bool parseShots(const QString &text, Command *command, QString *error)
{
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("^(\\d+)(?:-(\\d+))?$")).match(text);
    command->firstShot = match.captured(1).toInt();
    command->lastShot = match.captured(2).isEmpty() ? command->firstShot : match.captured(2).toInt();
    if (!match.hasMatch() || command->firstShot < 1 || command->lastShot < command->firstShot) {
        *error = QStringLiteral("--shots %1: shots are A-B or A, counted from 1").arg(text);
        return false;
    }
    return true;
}

bool parseNumber(const QString &option, const QString &text, double *value, QString *error)
{
    bool ok = false;
    *value = text.toDouble(&ok);
    if (!ok || !(*value >= 0)) {
        *error = QStringLiteral("%1 %2: not a distance of 0 or more").arg(option, text);
        return false;
    }
    return true;
}

bool parseRange(const QString &option, const QString &text, double low, double high, double *value, QString *error)
{
    bool ok = false;
    *value = text.toDouble(&ok);
    if (ok && *value >= low && *value <= high)
        return true;
    *error = QStringLiteral("%1 %2: a number from %3 to %4").arg(option, text, QString::number(low), QString::number(high));
    return false;
}

} // namespace

bool parseCommand(const QStringList &arguments, Command *command, QString *error)
{
    QStringList words;
    QVector<QPair<QString, QString>> options;
    bool optionsEnd = false;
    for (int i = 0; i < arguments.size(); ++i) {
        QString word = arguments.at(i);
        if (optionsEnd || !word.startsWith(QLatin1Char('-')) || word == QLatin1String("-")) {
            words << word;
            continue;
        }
        if (word == QLatin1String("--")) {
            optionsEnd = true;
            continue;
        }
        if (word == QLatin1String("-h") || word == QLatin1String("--help")) {
            command->verb = Verb::Help;
            return true;
        }
        if (word == QLatin1String("--version")) {
            command->verb = Verb::Version;
            return true;
        }
        QString value;
        const int equals = word.indexOf(QLatin1Char('='));
        if (word.startsWith(QLatin1String("--")) && equals > 0) {
            value = word.mid(equals + 1);
            word = word.left(equals);
        }
        if (word == QLatin1String("-o"))
            word = QStringLiteral("--output");
        const auto rule = std::find_if(optionRules().cbegin(), optionRules().cend(),
                                       [&word](const OptionRule &s) { return word == QLatin1String(s.name); });
        if (rule == optionRules().cend()) {
            *error = QStringLiteral("%1: no such option; see segyhdr --help").arg(arguments.at(i));
            return false;
        }
        if (rule->takesValue && equals < 0) {
            if (i + 1 >= arguments.size()) {
                *error = QStringLiteral("%1: needs a value").arg(arguments.at(i));
                return false;
            }
            value = arguments.at(++i);
        } else if (!rule->takesValue && equals > 0) {
            *error = QStringLiteral("%1: takes no value").arg(arguments.at(i));
            return false;
        }
        options.append({word, value});
    }

    if (words.isEmpty()) {
        *error = QStringLiteral("no verb given: segyhdr info|range|qc|dump|map|plot|summary FILE...; see segyhdr --help");
        return false;
    }
    const auto verb = std::find_if(std::begin(kVerbs), std::end(kVerbs),
                                   [&words](const VerbName &v) { return words.first() == QLatin1String(v.name); });
    if (verb == std::end(kVerbs)) {
        *error = QStringLiteral("%1: no such verb; the verbs are info, range, qc, dump, map, plot and summary").arg(words.first());
        return false;
    }
    command->verb = verb->verb;
    command->inputs = words.mid(1);
    if (command->inputs.isEmpty()) {
        *error = QStringLiteral("%1: no file given").arg(words.first());
        return false;
    }

    QStringList fields;
    QStringList bytes;
    QString layoutFile;
    QString project;
    QVector<Command::Format> formats;
    for (const auto &[name, value] : options) {
        const auto rule = std::find_if(optionRules().cbegin(), optionRules().cend(),
                                       [&name](const OptionRule &s) { return name == QLatin1String(s.name); });
        if (!rule->verbs.contains(command->verb)) {
            *error = QStringLiteral("%1: does not apply to %2").arg(name, words.first());
            return false;
        }
        if (name == QLatin1String("--output"))
            command->output = value;
        else if (name == QLatin1String("--json"))
            formats << Command::Format::Json;
        else if (name == QLatin1String("--csv"))
            formats << Command::Format::Csv;
        else if (name == QLatin1String("--tsv"))
            formats << Command::Format::Tsv;
        else if (name == QLatin1String("--shots") && !parseShots(value, command, error))
            return false;
        else if (name == QLatin1String("--ffid")) {
            bool ok = false;
            command->ffid = value.toInt(&ok);
            command->ffidSet = true;
            if (!ok) {
                *error = QStringLiteral("--ffid %1: not a 32-bit integer").arg(value);
                return false;
            }
        } else if (name == QLatin1String("--byte"))
            bytes << value;
        else if (name == QLatin1String("--field"))
            fields << value;
        else if (name == QLatin1String("--layout"))
            layoutFile = value;
        else if (name == QLatin1String("--project"))
            project = value;
        else if (name == QLatin1String("--offset-tolerance") && !parseNumber(name, value, &command->offsetTolerance, error))
            return false;
        else if (name == QLatin1String("--shot")) {
            command->plotShot = value.toInt();
            if (command->plotShot < 1) {
                *error = QStringLiteral("--shot %1: a shot is counted from 1").arg(value);
                return false;
            }
        } else if (name == QLatin1String("--wiggle"))
            command->plotSettings.style = GatherStyle::Wiggle;
        else if ((name == QLatin1String("--agc") && !parseRange(name, value, 0, 100000, &command->plotSettings.agcMs, error))
                 || (name == QLatin1String("--clip") && !parseRange(name, value, 1, 100, &command->plotSettings.clipPercentile, error))
                 || (name == QLatin1String("--lmo") && !parseRange(name, value, 1, 1e6, &command->plotSettings.lmoVelocity, error)))
            return false;
    }
    if (formats.size() > 1) {
        *error = QStringLiteral("--json, --csv and --tsv exclude each other");
        return false;
    }
    command->format = formats.value(0, Command::Format::Text);
    if (command->firstShot > 0 && command->ffidSet) {
        *error = QStringLiteral("--shots and --ffid exclude each other");
        return false;
    }
    if (bytes.size() > kMaxCustomFields) {
        *error = QStringLiteral("--byte %1: --byte is given twice at most").arg(bytes.at(kMaxCustomFields));
        return false;
    }
    if (!bytes.isEmpty())
        command->customColumns = bytes.size();
    for (int i = 0; i < bytes.size(); ++i) {
        int position = 0;
        int length = 0;
        if (!parseByteField(bytes.at(i), &position, &length, error))
            return false;
        (i == 0 ? command->custom.cust1Pos : command->custom.cust2Pos) = position;
        (i == 0 ? command->custom.cust1Len : command->custom.cust2Len) = length;
    }

    if (command->verb == Verb::Map || command->verb == Verb::Plot) {
        const QString suffix = QFileInfo(command->output).suffix().toLower();
        if (command->output.isEmpty() || (suffix != QLatin1String("svg") && suffix != QLatin1String("png"))) {
            *error = QStringLiteral("%1: needs -o OUT.svg or -o OUT.png%2")
                    .arg(words.first(), command->output.isEmpty() ? QString() : QStringLiteral(", not ") + command->output);
            return false;
        }
        if (command->inputs.size() > 1) {
            *error = QStringLiteral("%1: %2 draws one line at a time").arg(command->inputs.at(1), words.first());
            return false;
        }
        if (command->verb == Verb::Plot && (command->plotShot > 0) == command->ffidSet) {
            *error = QStringLiteral("plot: needs one of --shot N and --ffid N");
            return false;
        }
    }
    if (!project.isEmpty()) {
        if (!projectLayout(project, &command->layouts.read, error)) {
            error->prepend(QStringLiteral("--project "));
            return false;
        }
        command->layouts.host = command->layouts.read;
    }
    if (!layoutFile.isEmpty() && !applyLayoutFile(command->layouts.read, layoutFile, error)) {
        error->prepend(QStringLiteral("--layout "));
        return false;
    }
    for (const QString &field : fields) {
        if (!applyField(command->layouts.read, field, error)) {
            error->prepend(QStringLiteral("--field "));
            return false;
        }
    }
    return true;
}

QString usageText()
{
    return QLatin1String(kUsage);
}

QString versionText()
{
    return QStringLiteral("segyhdr " SEGYHDR_VERSION);
}
