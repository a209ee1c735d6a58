#pragma once

#include "ShotEntry.h"
#include "ShotQc.h"
#include "ShotReader.h"

#include <QString>
#include <QVector>

#include <functional>

/// Looks for the nearest flagged shot of a line on either side of a shot: it reads the shots one
/// after another, under the viewer's header definition and through its reader, and checks each
/// with the QC of segyhdr qc. What it learns of a shot is kept, so that no shot is read twice.
class FlaggedShotSearch
{
public:
    enum class Outcome { Found, EndOfLine, Cancelled, OpenFailed, ReadFailed };

    struct Result
    {
        Outcome outcome;
        int position;         // Found: the flagged shot; otherwise from
        qint32 firstTrace = 0; // OpenFailed and ReadFailed: the traces that could not be read
        qint32 lastTrace = -1;
    };

    /// Hears each shot passed: the number passed so far and the most that the search can pass.
    /// False stops the search.
    using Progress = std::function<bool(int passed, int total)>;

    FlaggedShotSearch(const QString &segyPath, int **headerDefs, const CustomFields &custom,
                      const QVector<ShotEntry> &shots);

    /// The first flagged shot after the shot `from` (direction 1) or before it (direction -1).
    Result find(int from, int direction, const Progress &progress);

    /// How many shots the searches have found flagged.
    int flaggedCount() const { return flagged; }
    QString path() const { return segyPath; }

private:
    enum class State : quint8 { Unread, Clean, Flagged };

    QString segyPath;
    int **headerDefs;
    CustomFields custom;
    QVector<ShotEntry> shots;
    ShotQc qc;
    QVector<State> states;
    int flagged = 0;
};
