#pragma once

#include "HeaderLayout.h"
#include "TraceRecord.h"

#include <array>

/// Decodes the trace headers of one file: one layout, in the file's byte order. A field that
/// does not fit the 240-byte header decodes as 0, so that no decode reads past a header.
class TraceDecoder
{
public:
    TraceDecoder(const HeaderLayout &layout, ByteOrder order);

    /// The record of one trace header; the pointer is its first byte.
    fbRec record(const char *header) const;
    /// Field i of the layout as stored, before any scalar.
    double value(const char *header, int field) const;
    /// Field i of the layout with the scalar of its role applied.
    double scaledValue(const char *header, int field) const;
    /// The integer of a host definition entry or a custom field: 4 bytes for length 4, else 2.
    qint32 integer(const char *header, int position, int length) const;

    const HeaderLayout &layout() const { return fields; }
    ByteOrder byteOrder() const { return order; }

private:
    // Where a record field lies, resolved once; position 0 stands for "not in the layout".
    struct Slot
    {
        int position = 0;
        FieldType type = FieldType::Int32;
    };

    double slotValue(const char *header, const Slot &slot) const;
    qint32 slotInteger(const char *header, const Slot &slot) const;
    Slot slotOf(const QString &name) const;

    HeaderLayout fields;
    ByteOrder order;
    std::array<Slot, kRecordFields> recordSlots;
    Slot coordScalar, elevScalar, traceSeqLine, traceSeqFile, samples, interval;
};
