#include "FlaggedShotSearch.h"

FlaggedShotSearch::FlaggedShotSearch(const QString &segyPath, int **headerDefs, const CustomFields &custom,
                                     const QVector<ShotEntry> &shots)
    : segyPath(segyPath), headerDefs(headerDefs), custom(custom), shots(shots), qc(shots),
      states(shots.size(), State::Unread)
{
}

FlaggedShotSearch::Result FlaggedShotSearch::find(int from, int direction, const Progress &progress)
{
    const int total = direction > 0 ? int(shots.size()) - 1 - from : from;
    int passed = 0;
    for (int position = from + direction; position >= 0 && position < shots.size(); position += direction) {
        if (states.at(position) == State::Unread) {
            shot.position = position;
            shot.entry = shots.at(position);
            const ShotReadResult read = readShotRecords(segyPath, headerDefs, shot.entry.firstTrace, shot.entry.lastTrace,
                                                        custom, shot.records, shot.customValues);
            if (read == ShotReadResult::OpenFailed)
                return {Outcome::OpenFailed, position};
            if (read != ShotReadResult::Read)
                return {Outcome::ReadFailed, position};
            const bool isFlagged = !qc.check(shot).isEmpty();
            states[position] = isFlagged ? State::Flagged : State::Clean;
            flagged += isFlagged;
        }
        if (states.at(position) == State::Flagged)
            return {Outcome::Found, position};
        if (progress && !progress(++passed, total))
            return {Outcome::Cancelled, from};
    }
    return {Outcome::EndOfLine, from};
}

bool FlaggedShotSearch::isFlagged(int position) const
{
    return states.value(position) == State::Flagged;
}
