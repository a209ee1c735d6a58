#pragma once

#include "SegySizes.h"

#include <QString>
#include <QVector>
#include <QtEndian>
#include <QtGlobal>

#include <array>

/// The order in which a file stores the bytes of its binary and trace header values.
enum class ByteOrder { BigEndian, LittleEndian };

/// How a trace header field is stored.
enum class FieldType { Int16, Int32, UInt16, UInt32, IbmFloat, IeeeFloat };

/// Which scalar, if any, applies to a field: coordinates take the coordinate scalar (bytes 71-72
/// in SEG-Y rev 1), elevations and depths the elevation scalar (bytes 69-70).
enum class FieldRole { Value, Coordinate, Elevation };

/// One field of a trace header.
struct HeaderField
{
    QString name;
    int position = 1; // of its first byte in the 240-byte trace header, from 1
    FieldType type = FieldType::Int32;
    FieldRole role = FieldRole::Value;
};

/// Bytes that a field of the type takes.
constexpr int fieldWidth(FieldType type)
{
    return type == FieldType::Int16 || type == FieldType::UInt16 ? 2 : 4;
}

/// The type of a header definition entry of the given length: a length of 4 is a 4-byte integer,
/// any other length a 2-byte one. Every reader of a definition table goes through this rule.
constexpr FieldType fieldTypeForLength(int length)
{
    return length == 4 ? FieldType::Int32 : FieldType::Int16;
}

/// Whether width bytes from the 1-based position lie inside the 240-byte trace header.
constexpr bool fieldFits(qint64 position, qint64 width)
{
    return position >= 1 && position + width - 1 <= kTraceHeaderBytes;
}

/// Whether a header definition entry lies inside the trace header: both the bytes that its
/// length names and the bytes read for it (2 for a length of 1 or 3).
constexpr bool definitionEntryFits(qint64 position, qint64 length)
{
    return length >= 1 && fieldFits(position, length) && fieldFits(position, fieldWidth(fieldTypeForLength(int(length))));
}

/// The integer stored at p as the type says; floats are not integers and give 0. Inline: the index
/// scan decodes three of them a trace.
inline qint64 decodeInteger(const uchar *p, FieldType type, ByteOrder order)
{
    const bool big = order == ByteOrder::BigEndian;
    switch (type) {
    case FieldType::Int16: return big ? qFromBigEndian<qint16>(p) : qFromLittleEndian<qint16>(p);
    case FieldType::Int32: return big ? qFromBigEndian<qint32>(p) : qFromLittleEndian<qint32>(p);
    case FieldType::UInt16: return big ? qFromBigEndian<quint16>(p) : qFromLittleEndian<quint16>(p);
    case FieldType::UInt32: return big ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
    case FieldType::IbmFloat:
    case FieldType::IeeeFloat: break;
    }
    return 0;
}

/// The value stored at p as the type says, before any scalar.
double decodeValue(const uchar *p, FieldType type, ByteOrder order);

/// A field's value as a 32-bit integer: signed integers as stored, anything wider clamped and
/// floats rounded, so that no value shows as one that is not in the file. Inline for the scans.
inline qint32 decodeInt32(const uchar *p, FieldType type, ByteOrder order)
{
    if (type == FieldType::Int32 || type == FieldType::Int16 || type == FieldType::UInt16)
        return qint32(decodeInteger(p, type, order));
    double value = decodeValue(p, type, order);
    if (!(value == value)) // NaN
        return 0;
    value = value < -2147483648.0 ? -2147483648.0 : (value > 2147483647.0 ? 2147483647.0 : value);
    return qint32(value < 0 ? value - 0.5 : value + 0.5);
}

/// An IBM System/360 single-precision float, given as its 32 bits.
double ibmToDouble(quint32 bits);

/// The SEG-Y scalar rule: a positive scalar multiplies, a negative one divides by its magnitude,
/// 0 means 1. Dividing (rather than multiplying by the reciprocal) keeps -100 exact on centimetres.
double applyScalar(double value, qint32 scalar);

/// "int16", "int32", "uint16", "uint32", "ibm", "ieee".
QString fieldTypeName(FieldType type);
/// The type of one of those names; false for any other text.
bool fieldTypeFromName(const QString &name, FieldType *type);

/// An ordered list of named trace header fields, each with its place, type and role.
class HeaderLayout
{
public:
    /// SEG-Y rev 1's standard trace header: the fields of a trace record first, in record order
    /// (ffid, channel, offset, ...), then the scalars and the other standard fields by position.
    static HeaderLayout rev1();

    /// The layout that a host header definition table describes: rev 1 with entries 0 to 14 in
    /// place of the record fields (typed by their lengths) and entry 15's position as the
    /// 2-byte coordinate scalar.
    static HeaderLayout fromDefinition(int *const *headerDefs);

    const QVector<HeaderField> &fields() const { return list; }
    /// The field's index, or -1.
    int indexOf(const QString &name) const;
    /// Gives the named field another place and type; false when the layout has no such field.
    bool setField(const QString &name, int position, FieldType type);
    /// Why the layout cannot be read: the first field that does not fit the trace header, or an
    /// empty text when every field fits.
    QString misfit() const;

private:
    QVector<HeaderField> list;
};

/// A layout's record fields in the form of a host header definition table, as the SEG-Y library's
/// copyHdrDef() takes it: 16 pointers to {position, length} pairs, the 15 record fields (each as
/// long as its type is wide) and the coordinate scalar's position.
class DefinitionTable
{
public:
    explicit DefinitionTable(const HeaderLayout &layout);
    DefinitionTable(const DefinitionTable &) = delete;
    DefinitionTable &operator=(const DefinitionTable &) = delete;

    int **table() { return pointers.data(); }

private:
    std::array<std::array<int, 2>, kHeaderDefineEntries> pairs{};
    std::array<int *, kHeaderDefineEntries> pointers{};
};
