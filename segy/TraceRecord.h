#pragma once

#include <QtGlobal>

/// A decoded trace header: 21 consecutive 32-bit fields. Fields 0 to 14 are the named fields of
/// a header layout (kRecordFieldNames); the coordinates are scaled by the coordinate scalar,
/// every other value is as stored.
struct fbRec
{
    qint32 ffid;
    qint32 channel;
    qint32 offset;
    qint32 g_elev;
    qint32 s_elev;
    qint32 s_depth;
    float source_x;
    float source_y;
    float group_x;
    float group_y;
    qint32 s_line;
    qint32 s_stat;
    qint32 g_line;
    qint32 g_stat;
    qint32 cdp;
    qint32 traceSeqLine;
    qint32 traceSeqFile;
    qint32 samples;
    qint32 sampleInterval; // microseconds
    qint32 coordScalar;    // as stored, before the 0-means-1 rule
    qint32 elevScalar;
};
static_assert(sizeof(fbRec) == 21 * 4, "fbRec is 21 consecutive 32-bit fields");

/// Fields of fbRec that a header definition places, in record order.
constexpr int kRecordFields = 15;

/// The layout names of fbRec's fields 0 to 14, also the host's names of its definition entries.
constexpr const char *kRecordFieldNames[kRecordFields] = {
    "ffid", "channel", "offset", "g_elev", "s_elev", "s_depth", "source_x", "source_y",
    "group_x", "group_y", "s_line", "s_stat", "g_line", "g_stat", "cdp",
};
