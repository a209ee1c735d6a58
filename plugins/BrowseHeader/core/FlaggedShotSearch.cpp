#include "FlaggedShotSearch.h"

FlaggedShotSearch::FlaggedShotSearch(const QString &segyPath, int **headerDefs, const CustomFields &custom,
                                     const QVector<ShotEntry> &shots)
    : segyPath(segyPath), headerDefs(headerDefs), custom(custom), shots(shots), qc(shots),
      states(shots.size(), State::Unread)
{
}

FlaggedShotSearch::Result FlaggedShotSearch::find(int from, int direction, const Progress &progress)
{
    const int end = direction > 0 ? int(shots.size()) - 1 : 0;
    const int total = qAbs(end - from);
    int passed = 0;
    const auto pass = [&] { return !progress || progress(++passed, total); };
    const TraceBlockReader read = [this](qint32 firstTrace, qint32 lastTrace, QVector<fbRec> &records,
                                         QVector<CustomValues> &customValues) {
        return readShotRecords(segyPath, headerDefs, firstTrace, lastTrace, custom, records, customValues);
    };
    for (int position = from + direction; position >= 0 && position < shots.size(); position += direction) {
        if (states.at(position) == State::Flagged)
            return {Outcome::Found, position};
        if (states.at(position) == State::Clean) {
            if (!pass())
                return {Outcome::Cancelled, from};
            continue;
        }
        // The shots not yet known from here on are read as segyhdr reads a line, a block at a time.
        int last = position;
        while (last != end && states.at(last + direction) == State::Unread)
            last += direction;
        Result stop{Outcome::EndOfLine, from};
        const ShotWalkResult walk = walkShots(shots, position, last, read, [&](const ShotHeaders &shot) {
            const bool isFlagged = !qc.check(shot).isEmpty();
            states[shot.position] = isFlagged ? State::Flagged : State::Clean;
            flagged += isFlagged;
            if (isFlagged)
                stop = {Outcome::Found, shot.position};
            else if (!pass())
                stop = {Outcome::Cancelled, from};
            return stop.outcome == Outcome::EndOfLine;
        });
        if (walk.result != ShotReadResult::Read)
            return {walk.result == ShotReadResult::OpenFailed ? Outcome::OpenFailed : Outcome::ReadFailed, from,
                    walk.firstTrace, walk.lastTrace};
        if (stop.outcome != Outcome::EndOfLine)
            return stop;
        position = last;
    }
    return {Outcome::EndOfLine, from};
}
