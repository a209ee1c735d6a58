#include "LineQc.h"

#include <algorithm>

QVector<QcFinding> LineQc::findings(const QVector<ShotEntry> &shots) const
{
    const ShotQc line(shots);
    QVector<QcFinding> all = pending;
    for (int s = 0; s < shots.size(); ++s)
        all += line.lineFindings(s, shots.at(s));
    // Reasons are declared in the order a shot's findings are listed; stable, so that the varying
    // columns keep theirs.
    std::stable_sort(all.begin(), all.end(), [](const QcFinding &a, const QcFinding &b) {
        return a.position != b.position ? a.position < b.position : int(a.reason) < int(b.reason);
    });
    return all;
}
