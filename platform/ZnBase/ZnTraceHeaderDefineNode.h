#pragma once

#include "ZnBaseGlobal.h"

#include <QString>
#include <QtGlobal>

constexpr int kZnTraceHeaderFields = 15;

/// Where in the 240-byte trace header the host's standard fields lie. Field k, in the order
/// ffid, channel, offset, g_elev, s_elev, s_depth, source_x, source_y, group_x, group_y,
/// s_line, s_stat, g_line, g_stat, cdp; positions count from 1. extraByte is the position of
/// the 2-byte coordinate scalar.
struct ZNBASE_EXPORT ZnTraceHeaderDefine
{
    qint32 fieldBytes[kZnTraceHeaderFields];
    qint32 fieldPositions[kZnTraceHeaderFields];
    quint8 extraByte;
};

/// Gives the trace header definition of the current project.
class ZNBASE_EXPORT ZnTraceHeaderDefineNode
{
public:
    ZnTraceHeaderDefineNode();
    virtual ~ZnTraceHeaderDefineNode();

    /// The SEG-Y rev 1 places, with the overrides that the current project stores.
    ZnTraceHeaderDefine define() const;

    /// The definition that the project in the folder stores, read without touching the folder.
    static ZnTraceHeaderDefine defineOfProject(const QString &projectDir);

    /// The SEG-Y rev 1 places alone.
    static ZnTraceHeaderDefine standardDefine();

    /// The field's name, also the stem of its project keys ("TraceHeaderDefine/ffid_position").
    static QString fieldName(int field);
};
