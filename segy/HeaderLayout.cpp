#include "HeaderLayout.h"
#include "TraceRecord.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <iterator>

namespace {

constexpr FieldType I16 = FieldType::Int16;
constexpr FieldType I32 = FieldType::Int32;
constexpr FieldType U16 = FieldType::UInt16;
constexpr FieldRole Val = FieldRole::Value;
constexpr FieldRole Crd = FieldRole::Coordinate;
constexpr FieldRole Elv = FieldRole::Elevation;

struct StandardField
{
    const char *name;
    int position;
    FieldType type;
    FieldRole role;
};

// SEG-Y rev 1's standard trace header, by position. Bytes 189 and 193 are the 3D inline and
// crossline numbers of rev 1, which land crews also use for the source and receiver lines.
constexpr StandardField kRev1Fields[] = {
    {"trace_seq_line", 1, I32, Val},  {"trace_seq_file", 5, I32, Val},  {"ffid", 9, I32, Val},
    {"channel", 13, I32, Val},        {"source_point", 17, I32, Val},   {"cdp", 21, I32, Val},
    {"cdp_trace", 25, I32, Val},      {"trace_id", 29, I16, Val},       {"vertical_sum", 31, I16, Val},
    {"horizontal_stack", 33, I16, Val}, {"data_use", 35, I16, Val},     {"offset", 37, I32, Val},
    {"g_elev", 41, I32, Elv},         {"s_elev", 45, I32, Elv},         {"s_depth", 49, I32, Elv},
    {"g_datum", 53, I32, Elv},        {"s_datum", 57, I32, Elv},        {"s_water_depth", 61, I32, Elv},
    {"g_water_depth", 65, I32, Elv},  {"elev_scalar", 69, I16, Val},    {"coord_scalar", 71, I16, Val},
    {"source_x", 73, I32, Crd},       {"source_y", 77, I32, Crd},       {"group_x", 81, I32, Crd},
    {"group_y", 85, I32, Crd},        {"coord_units", 89, I16, Val},    {"weathering_velocity", 91, I16, Val},
    {"subweathering_velocity", 93, I16, Val}, {"s_uphole", 95, I16, Val}, {"g_uphole", 97, I16, Val},
    {"s_stat", 99, I16, Val},         {"g_stat", 101, I16, Val},        {"total_static", 103, I16, Val},
    {"lag_a", 105, I16, Val},         {"lag_b", 107, I16, Val},         {"delay", 109, I16, Val},
    {"mute_start", 111, I16, Val},    {"mute_end", 113, I16, Val},      {"samples", 115, U16, Val},
    {"interval", 117, U16, Val},      {"gain_type", 119, I16, Val},     {"gain_constant", 121, I16, Val},
    {"initial_gain", 123, I16, Val},  {"correlated", 125, I16, Val},    {"sweep_start", 127, I16, Val},
    {"sweep_end", 129, I16, Val},     {"sweep_length", 131, I16, Val},  {"sweep_type", 133, I16, Val},
    {"sweep_taper_start", 135, I16, Val}, {"sweep_taper_end", 137, I16, Val}, {"taper_type", 139, I16, Val},
    {"alias_frequency", 141, I16, Val}, {"alias_slope", 143, I16, Val}, {"notch_frequency", 145, I16, Val},
    {"notch_slope", 147, I16, Val},   {"low_cut", 149, I16, Val},       {"high_cut", 151, I16, Val},
    {"low_cut_slope", 153, I16, Val}, {"high_cut_slope", 155, I16, Val}, {"year", 157, I16, Val},
    {"day", 159, I16, Val},           {"hour", 161, I16, Val},          {"minute", 163, I16, Val},
    {"second", 165, I16, Val},        {"time_basis", 167, I16, Val},    {"trace_weight", 169, I16, Val},
    {"group_roll_switch", 171, I16, Val}, {"group_first", 173, I16, Val}, {"group_last", 175, I16, Val},
    {"gap_size", 177, I16, Val},      {"overtravel", 179, I16, Val},    {"cdp_x", 181, I32, Crd},
    {"cdp_y", 185, I32, Crd},         {"s_line", 189, I32, Val},        {"g_line", 193, I32, Val},
    {"shotpoint", 197, I32, Val},     {"shotpoint_scalar", 201, I16, Val}, {"trace_units", 203, I16, Val},
    {"transduction_mantissa", 205, I32, Val}, {"transduction_exponent", 209, I16, Val},
    {"transduction_units", 211, I16, Val}, {"device_id", 213, I16, Val}, {"time_scalar", 215, I16, Val},
    {"source_type", 217, I16, Val},   {"source_direction_v", 219, I16, Val}, {"source_direction_c", 221, I16, Val},
    {"source_direction_i", 223, I16, Val}, {"source_measure_mantissa", 225, I32, Val},
    {"source_measure_exponent", 229, I16, Val}, {"source_measure_unit", 231, I16, Val},
};

constexpr int kScalarEntry = 15;

struct TypeName
{
    FieldType type;
    const char *name;
};

constexpr TypeName kTypeNames[] = {
    {FieldType::Int16, "int16"},   {FieldType::Int32, "int32"},    {FieldType::UInt16, "uint16"},
    {FieldType::UInt32, "uint32"}, {FieldType::IbmFloat, "ibm"},   {FieldType::IeeeFloat, "ieee"},
};

} // namespace

double ibmToDouble(quint32 bits)
{
    // 16^(e - 64) / 2^24 for each 7-bit exponent e: powers of two, so the product is exact, and a
    // table lookup rather than ldexp() keeps the decoding of a shot's samples cheap.
    static const std::array<double, 128> scale = [] {
        std::array<double, 128> table{};
        for (int e = 0; e < 128; ++e)
            table[size_t(e)] = std::ldexp(1.0, 4 * (e - 64) - 24);
        return table;
    }();
    const quint32 fraction = bits & 0x00ffffffu;
    if (fraction == 0)
        return 0.0;
    const double value = double(fraction) * scale[(bits >> 24) & 0x7f];
    return bits & 0x80000000u ? -value : value;
}

double decodeValue(const uchar *p, FieldType type, ByteOrder order)
{
    const bool big = order == ByteOrder::BigEndian;
    switch (type) {
    case FieldType::IbmFloat:
        return ibmToDouble(big ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p));
    case FieldType::IeeeFloat: {
        const quint32 bits = big ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    default:
        return double(decodeInteger(p, type, order));
    }
}

double applyScalar(double value, qint32 scalar)
{
    if (scalar > 0)
        return value * scalar;
    if (scalar < 0)
        return value / -double(scalar);
    return value;
}

QString fieldTypeName(FieldType type)
{
    for (const TypeName &entry : kTypeNames) {
        if (entry.type == type)
            return QLatin1String(entry.name);
    }
    return QString();
}

bool fieldTypeFromName(const QString &name, FieldType *type)
{
    for (const TypeName &entry : kTypeNames) {
        if (name == QLatin1String(entry.name)) {
            *type = entry.type;
            return true;
        }
    }
    return false;
}

HeaderLayout HeaderLayout::rev1()
{
    // Built once: every reader of a file starts from it, and copies share its list.
    static const HeaderLayout standard = [] {
        HeaderLayout layout;
        const auto add = [&layout](const StandardField &f) {
            layout.list.append({QLatin1String(f.name), f.position, f.type, f.role});
        };
        const auto isRecordField = [](const char *name) {
            return std::any_of(std::begin(kRecordFieldNames), std::end(kRecordFieldNames),
                               [name](const char *n) { return std::strcmp(n, name) == 0; });
        };
        for (const char *name : kRecordFieldNames) {
            for (const StandardField &f : kRev1Fields) {
                if (std::strcmp(f.name, name) == 0)
                    add(f);
            }
        }
        for (const StandardField &f : kRev1Fields) {
            if (!isRecordField(f.name))
                add(f);
        }
        return layout;
    }();
    return standard;
}

HeaderLayout HeaderLayout::fromDefinition(int *const *headerDefs)
{
    HeaderLayout layout = rev1();
    if (!headerDefs)
        return layout;
    for (int k = 0; k < kRecordFields; ++k) {
        if (!headerDefs[k])
            continue;
        layout.list[k].position = headerDefs[k][0];
        layout.list[k].type = fieldTypeForLength(headerDefs[k][1]);
    }
    if (headerDefs[kScalarEntry])
        layout.setField(QStringLiteral("coord_scalar"), headerDefs[kScalarEntry][0], FieldType::Int16);
    return layout;
}

int HeaderLayout::indexOf(const QString &name) const
{
    for (int i = 0; i < list.size(); ++i) {
        if (list.at(i).name == name)
            return i;
    }
    return -1;
}

bool HeaderLayout::setField(const QString &name, int position, FieldType type)
{
    const int i = indexOf(name);
    if (i < 0)
        return false;
    list[i].position = position;
    list[i].type = type;
    return true;
}

QString HeaderLayout::misfit() const
{
    for (const HeaderField &f : list) {
        if (!fieldFits(f.position, fieldWidth(f.type)))
            return QStringLiteral("the field %1 (%2 bytes at byte %3) does not fit the 240-byte trace header")
                    .arg(f.name).arg(fieldWidth(f.type)).arg(f.position);
    }
    return QString();
}

DefinitionTable::DefinitionTable(const HeaderLayout &layout)
{
    for (int k = 0; k < kRecordFields && k < layout.fields().size(); ++k) {
        const HeaderField &field = layout.fields().at(k);
        pairs[size_t(k)] = {field.position, fieldWidth(field.type)};
    }
    const int scalar = layout.indexOf(QStringLiteral("coord_scalar"));
    pairs[kScalarEntry] = {scalar < 0 ? 0 : layout.fields().at(scalar).position, fieldWidth(FieldType::Int16)};
    for (size_t k = 0; k < pairs.size(); ++k)
        pointers[k] = pairs[k].data();
}
