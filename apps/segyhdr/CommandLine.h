#pragma once

#include "SegyhdrLine.h"

#include <GatherPlot.h>
#include <ShotQc.h>
#include <ShotReader.h>

#include <QString>
#include <QStringList>

/// What segyhdr is asked to do, from its command line.
struct Command
{
    enum class Verb { Info, Range, Qc, Dump, Map, Plot, Summary, Help, Version };
    enum class Format { Text, Csv, Tsv, Json };

    Verb verb = Verb::Help;
    QStringList inputs;  // files and folders; for summary, qc --json results
    Format format = Format::Text;
    QString output;      // empty: standard output
    SegyhdrLine::Layouts layouts;
    CustomFields custom{71, 2, 237, 4};
    int customColumns = 2;
    int firstShot = 0;   // dump --shots A-B, from 1; 0: every shot
    int lastShot = 0;
    bool ffidSet = false;
    qint32 ffid = 0;
    double offsetTolerance = kDefaultOffsetTolerance;
    int plotShot = 0;    // plot --shot N, from 1; 0: by --ffid
    GatherSettings plotSettings;
};

/// The command that the arguments (after the program's name) ask for. Options may come before,
/// between and after the verb and the inputs; an option that the verb does not take is a fault.
/// False with *error set to one line that names the word at fault.
bool parseCommand(const QStringList &arguments, Command *command, QString *error);

/// The help text.
QString usageText();

/// "segyhdr 1.2.3".
QString versionText();
