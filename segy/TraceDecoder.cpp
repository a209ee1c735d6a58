#include "TraceDecoder.h"

namespace {

constexpr int kFirstCoordinateField = 6; // source_x to group_y are fbRec's float fields
constexpr int kLastCoordinateField = 9;

} // namespace

TraceDecoder::TraceDecoder(const HeaderLayout &layout, ByteOrder order)
    : fields(layout), order(order)
{
    for (int k = 0; k < kRecordFields; ++k)
        recordSlots[size_t(k)] = slotOf(QLatin1String(kRecordFieldNames[k]));
    coordScalar = slotOf(QStringLiteral("coord_scalar"));
    elevScalar = slotOf(QStringLiteral("elev_scalar"));
    traceSeqLine = slotOf(QStringLiteral("trace_seq_line"));
    traceSeqFile = slotOf(QStringLiteral("trace_seq_file"));
    samples = slotOf(QStringLiteral("samples"));
    interval = slotOf(QStringLiteral("interval"));
}

TraceDecoder::Slot TraceDecoder::slotOf(const QString &name) const
{
    const int i = fields.indexOf(name);
    if (i < 0)
        return Slot();
    const HeaderField &f = fields.fields().at(i);
    if (!fieldFits(f.position, fieldWidth(f.type)))
        return Slot();
    return Slot{f.position, f.type};
}

double TraceDecoder::slotValue(const char *header, const Slot &slot) const
{
    if (slot.position == 0)
        return 0.0;
    return decodeValue(reinterpret_cast<const uchar *>(header) + slot.position - 1, slot.type, order);
}

qint32 TraceDecoder::slotInteger(const char *header, const Slot &slot) const
{
    if (slot.position == 0)
        return 0;
    return decodeInt32(reinterpret_cast<const uchar *>(header) + slot.position - 1, slot.type, order);
}

fbRec TraceDecoder::record(const char *header) const
{
    fbRec rec{};
    if (!header)
        return rec;
    qint32 values[kRecordFields];
    rec.coordScalar = slotInteger(header, coordScalar);
    for (int k = 0; k < kRecordFields; ++k) {
        if (k >= kFirstCoordinateField && k <= kLastCoordinateField)
            continue;
        values[k] = slotInteger(header, recordSlots[size_t(k)]);
    }
    const auto coordinate = [&](int k) {
        return float(applyScalar(slotValue(header, recordSlots[size_t(k)]), rec.coordScalar));
    };
    rec.ffid = values[0];
    rec.channel = values[1];
    rec.offset = values[2];
    rec.g_elev = values[3];
    rec.s_elev = values[4];
    rec.s_depth = values[5];
    rec.source_x = coordinate(6);
    rec.source_y = coordinate(7);
    rec.group_x = coordinate(8);
    rec.group_y = coordinate(9);
    rec.s_line = values[10];
    rec.s_stat = values[11];
    rec.g_line = values[12];
    rec.g_stat = values[13];
    rec.cdp = values[14];
    rec.traceSeqLine = slotInteger(header, traceSeqLine);
    rec.traceSeqFile = slotInteger(header, traceSeqFile);
    rec.samples = slotInteger(header, samples);
    rec.sampleInterval = slotInteger(header, interval);
    rec.elevScalar = slotInteger(header, elevScalar);
    return rec;
}

double TraceDecoder::value(const char *header, int field) const
{
    const HeaderField &f = fields.fields().at(field);
    if (!fieldFits(f.position, fieldWidth(f.type)))
        return 0.0;
    return decodeValue(reinterpret_cast<const uchar *>(header) + f.position - 1, f.type, order);
}

double TraceDecoder::scaledValue(const char *header, int field) const
{
    const double raw = value(header, field);
    switch (fields.fields().at(field).role) {
    case FieldRole::Coordinate: return applyScalar(raw, slotInteger(header, coordScalar));
    case FieldRole::Elevation: return applyScalar(raw, slotInteger(header, elevScalar));
    case FieldRole::Value: break;
    }
    return raw;
}

qint32 TraceDecoder::integer(const char *header, int position, int length) const
{
    const FieldType type = fieldTypeForLength(length);
    if (!header || !fieldFits(position, fieldWidth(type)))
        return 0;
    return qint32(decodeInteger(reinterpret_cast<const uchar *>(header) + position - 1, type, order));
}
