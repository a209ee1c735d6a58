#include "BinaryHeader.h"

#include "SegySizes.h"

#include <QtEndian>

#include <cstring>

namespace {

constexpr BinaryType I16 = BinaryType::Int16;
constexpr BinaryType U16 = BinaryType::UInt16;
constexpr BinaryType I32 = BinaryType::Int32;
constexpr BinaryType U32 = BinaryType::UInt32;

} // namespace

const QVector<BinaryField> &binaryFields()
{
    // Counts of samples and intervals are unsigned: real files hold 60,000 samples, which a
    // signed 16-bit read turns negative.
    static const QVector<BinaryField> fields = {
        {"job_id", 3201, I32},                 {"line_number", 3205, I32},            {"reel_number", 3209, I32},
        {"traces_per_ensemble", 3213, I16},    {"aux_traces_per_ensemble", 3215, I16}, {"interval", 3217, U16},
        {"interval_original", 3219, U16},      {"samples", 3221, U16},                {"samples_original", 3223, U16},
        {"format", 3225, U16},                 {"ensemble_fold", 3227, I16},          {"sorting", 3229, I16},
        {"vertical_sum", 3231, I16},           {"sweep_start", 3233, I16},            {"sweep_end", 3235, I16},
        {"sweep_length", 3237, I16},           {"sweep_type", 3239, I16},             {"sweep_channel", 3241, I16},
        {"sweep_taper_start", 3243, I16},      {"sweep_taper_end", 3245, I16},        {"taper_type", 3247, I16},
        {"correlated", 3249, I16},             {"gain_recovered", 3251, I16},         {"amplitude_recovery", 3253, I16},
        {"measurement_system", 3255, I16},     {"impulse_polarity", 3257, I16},       {"vibratory_polarity", 3259, I16},
        {"ext_traces_per_ensemble", 3261, I32}, {"ext_aux_traces", 3265, I32},        {"ext_samples", 3269, U32},
        {"ext_interval", 3273, BinaryType::IeeeDouble}, {"ext_interval_original", 3281, BinaryType::IeeeDouble},
        {"ext_samples_original", 3289, U32},   {"ext_ensemble_fold", 3293, I32},      {"byte_order", 3297, U32},
        {"revision", 3501, U16},               {"fixed_length", 3503, I16},           {"ext_text_headers", 3505, I16},
        {"additional_headers", 3507, U32},     {"time_basis", 3511, I16},             {"traces_in_file", 3513, BinaryType::UInt64},
        {"first_trace_offset", 3521, BinaryType::UInt64}, {"data_trailers", 3529, I32},
    };
    return fields;
}

const BinaryField &binaryField(const char *name)
{
    for (const BinaryField &field : binaryFields()) {
        if (std::strcmp(field.name, name) == 0)
            return field;
    }
    Q_UNREACHABLE();
}

double binaryValue(const char *binaryHeader, const BinaryField &field, ByteOrder order)
{
    const uchar *p = reinterpret_cast<const uchar *>(binaryHeader) + field.position - kTextHeaderBytes - 1;
    const bool big = order == ByteOrder::BigEndian;
    switch (field.type) {
    case BinaryType::Int16: return big ? qFromBigEndian<qint16>(p) : qFromLittleEndian<qint16>(p);
    case BinaryType::UInt16: return big ? qFromBigEndian<quint16>(p) : qFromLittleEndian<quint16>(p);
    case BinaryType::Int32: return big ? qFromBigEndian<qint32>(p) : qFromLittleEndian<qint32>(p);
    case BinaryType::UInt32: return big ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
    case BinaryType::UInt64: return double(big ? qFromBigEndian<quint64>(p) : qFromLittleEndian<quint64>(p));
    case BinaryType::IeeeDouble: {
        const quint64 bits = big ? qFromBigEndian<quint64>(p) : qFromLittleEndian<quint64>(p);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    }
    return 0.0;
}
