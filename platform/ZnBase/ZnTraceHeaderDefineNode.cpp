#include "ZnTraceHeaderDefineNode.h"

#include "ZnBaseUtil.h"

#include <SegyLayout.h>

#include <QVariant>

namespace {

struct StandardField
{
    const char *name;
    qint32 position;
    qint32 bytes;
};

constexpr StandardField kStandardFields[kZnTraceHeaderFields] = {
    {"ffid", 9, 4},       {"channel", 13, 4},   {"offset", 37, 4},    {"g_elev", 41, 4},
    {"s_elev", 45, 4},    {"s_depth", 49, 4},   {"source_x", 73, 4},  {"source_y", 77, 4},
    {"group_x", 81, 4},   {"group_y", 85, 4},   {"s_line", 189, 4},   {"s_stat", 99, 2},
    {"g_line", 193, 4},   {"g_stat", 101, 2},   {"cdp", 21, 4},
};
constexpr quint8 kStandardScalarPosition = 71;

const QString kKeyPrefix = QStringLiteral("TraceHeaderDefine/");

// A field is read as 4 bytes when its length is 4 and as 2 bytes otherwise; either way it must
// lie inside the trace header, or every reader would run past it.
bool fitsTraceHeader(qint32 position, qint32 bytes)
{
    const qint32 readBytes = bytes == 4 ? 4 : 2;
    return bytes >= 1 && bytes <= 4 && position >= 1 && position + readBytes - 1 <= kTraceHeaderBytes;
}

} // namespace

ZnTraceHeaderDefineNode::ZnTraceHeaderDefineNode() = default;

ZnTraceHeaderDefineNode::~ZnTraceHeaderDefineNode() = default;

ZnTraceHeaderDefine ZnTraceHeaderDefineNode::standardDefine()
{
    ZnTraceHeaderDefine def{};
    for (int k = 0; k < kZnTraceHeaderFields; ++k) {
        def.fieldPositions[k] = kStandardFields[k].position;
        def.fieldBytes[k] = kStandardFields[k].bytes;
    }
    def.extraByte = kStandardScalarPosition;
    return def;
}

QString ZnTraceHeaderDefineNode::fieldName(int field)
{
    return QString::fromLatin1(kStandardFields[field].name);
}

ZnTraceHeaderDefine ZnTraceHeaderDefineNode::define() const
{
    ZnTraceHeaderDefine def = standardDefine();
    // An override that would not fit the trace header is ignored, field by field, so that a
    // mistyped project value cannot make a tool read outside a header.
    for (int k = 0; k < kZnTraceHeaderFields; ++k) {
        const QString stem = kKeyPrefix + fieldName(k);
        bool positionOk = false;
        bool bytesOk = false;
        const qint32 position = ZnBaseUtil::projectValue(stem + QStringLiteral("_position"),
                                                         def.fieldPositions[k]).toInt(&positionOk);
        const qint32 bytes = ZnBaseUtil::projectValue(stem + QStringLiteral("_bytes"),
                                                      def.fieldBytes[k]).toInt(&bytesOk);
        if (positionOk && bytesOk && fitsTraceHeader(position, bytes)) {
            def.fieldPositions[k] = position;
            def.fieldBytes[k] = bytes;
        }
    }
    bool scalarOk = false;
    const int scalar = ZnBaseUtil::projectValue(kKeyPrefix + QStringLiteral("extraByte"),
                                                def.extraByte).toInt(&scalarOk);
    if (scalarOk && fitsTraceHeader(scalar, 2))
        def.extraByte = quint8(scalar);
    return def;
}
