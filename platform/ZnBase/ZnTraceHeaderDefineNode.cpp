#include "ZnTraceHeaderDefineNode.h"

#include "ZnProjectManager.h"

#include <HeaderLayout.h>
#include <TraceRecord.h>

#include <QSettings>
#include <QVariant>

namespace {

static_assert(kZnTraceHeaderFields == kRecordFields, "the host defines the fields of a trace record");

const QString kKeyPrefix = QStringLiteral("TraceHeaderDefine/");
constexpr int kMaxFieldBytes = 4;

// A field is read as 4 bytes when its length is 4 and as 2 bytes otherwise; either way it must
// lie inside the trace header, or every reader would run past it.
bool fitsTraceHeader(qint32 position, qint32 bytes)
{
    return bytes <= kMaxFieldBytes && definitionEntryFits(position, bytes);
}

} // namespace

ZnTraceHeaderDefineNode::ZnTraceHeaderDefineNode() = default;

ZnTraceHeaderDefineNode::~ZnTraceHeaderDefineNode() = default;

ZnTraceHeaderDefine ZnTraceHeaderDefineNode::standardDefine()
{
    // The SEG-Y rev 1 layout starts with the host's fields, in the host's order.
    const HeaderLayout standard = HeaderLayout::rev1();
    ZnTraceHeaderDefine def{};
    for (int k = 0; k < kZnTraceHeaderFields; ++k) {
        const HeaderField &field = standard.fields().at(k);
        def.fieldPositions[k] = field.position;
        def.fieldBytes[k] = fieldWidth(field.type);
    }
    def.extraByte = quint8(standard.fields().at(standard.indexOf(QStringLiteral("coord_scalar"))).position);
    return def;
}

QString ZnTraceHeaderDefineNode::fieldName(int field)
{
    return QString::fromLatin1(kRecordFieldNames[field]);
}

ZnTraceHeaderDefine ZnTraceHeaderDefineNode::define() const
{
    return defineOfProject(ZnProjectManager::instance().define().projectDir);
}

ZnTraceHeaderDefine ZnTraceHeaderDefineNode::defineOfProject(const QString &projectDir)
{
    // Read only: a project folder is never created or written for its definition.
    const QSettings settings(ZnProjectManager::settingsFileOf(projectDir), QSettings::IniFormat);
    ZnTraceHeaderDefine def = standardDefine();
    // An override that would not fit the trace header is ignored, field by field, so that a
    // mistyped project value cannot make a tool read outside a header.
    for (int k = 0; k < kZnTraceHeaderFields; ++k) {
        const QString stem = kKeyPrefix + fieldName(k);
        bool positionOk = false;
        bool bytesOk = false;
        const qint32 position = settings.value(stem + QStringLiteral("_position"), def.fieldPositions[k]).toInt(&positionOk);
        const qint32 bytes = settings.value(stem + QStringLiteral("_bytes"), def.fieldBytes[k]).toInt(&bytesOk);
        if (positionOk && bytesOk && fitsTraceHeader(position, bytes)) {
            def.fieldPositions[k] = position;
            def.fieldBytes[k] = bytes;
        }
    }
    bool scalarOk = false;
    const int scalar = settings.value(kKeyPrefix + QStringLiteral("extraByte"), def.extraByte).toInt(&scalarOk);
    if (scalarOk && fitsTraceHeader(scalar, 2))
        def.extraByte = quint8(scalar);
    return def;
}
