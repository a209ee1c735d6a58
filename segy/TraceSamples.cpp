#include "TraceSamples.h"

#include "SegyGeometry.h"

#include <cmath>
#include <cstring>

namespace {

template <typename T>
T load(const uchar *p, bool big)
{
    return big ? qFromBigEndian<T>(p) : qFromLittleEndian<T>(p);
}

// 3-byte integers: the top byte of a 32-bit word, then sign-extended where the format is signed.
quint32 load24(const uchar *p, bool big)
{
    return big ? quint32(p[0]) << 16 | quint32(p[1]) << 8 | p[2] : quint32(p[2]) << 16 | quint32(p[1]) << 8 | p[0];
}

template <typename Float, typename Bits>
Float ieee(const uchar *p, bool big)
{
    const Bits bits = load<Bits>(p, big);
    Float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

template <typename Out, typename Convert>
void each(const uchar *p, qint64 count, int width, Out *out, Convert convert)
{
    for (qint64 i = 0; i < count; ++i, p += width)
        out[i] = Out(convert(p));
}

template <typename Out>
bool decode(const char *bytes, qint64 count, int formatCode, ByteOrder order, Out *out, QString *error)
{
    const QString problem = sampleFormatProblem(formatCode);
    if (!problem.isEmpty()) {
        if (error)
            *error = problem;
        return false;
    }
    const auto *p = reinterpret_cast<const uchar *>(bytes);
    const bool big = order == ByteOrder::BigEndian;
    const int width = bytesPerSample(formatCode);
    switch (formatCode) {
    case 1: each(p, count, width, out, [big](const uchar *s) { return ibmToDouble(load<quint32>(s, big)); }); break;
    case 2: each(p, count, width, out, [big](const uchar *s) { return load<qint32>(s, big); }); break;
    case 3: each(p, count, width, out, [big](const uchar *s) { return load<qint16>(s, big); }); break;
    case 4:
        // A zero byte, the gain exponent, then a 16-bit mantissa, as one 32-bit word.
        each(p, count, width, out, [big](const uchar *s) {
            const quint32 word = load<quint32>(s, big);
            return std::ldexp(double(qint16(word & 0xFFFF)), -int((word >> 16) & 0xFF));
        });
        break;
    case 5: each(p, count, width, out, [big](const uchar *s) { return ieee<float, quint32>(s, big); }); break;
    case 6: each(p, count, width, out, [big](const uchar *s) { return ieee<double, quint64>(s, big); }); break;
    case 7: each(p, count, width, out, [big](const uchar *s) { return qint32(load24(s, big) << 8) >> 8; }); break;
    case 8: each(p, count, width, out, [](const uchar *s) { return qint8(*s); }); break;
    case 9: each(p, count, width, out, [big](const uchar *s) { return load<qint64>(s, big); }); break;
    case 10: each(p, count, width, out, [big](const uchar *s) { return load<quint32>(s, big); }); break;
    case 11: each(p, count, width, out, [big](const uchar *s) { return load<quint16>(s, big); }); break;
    case 12: each(p, count, width, out, [big](const uchar *s) { return load<quint64>(s, big); }); break;
    case 15: each(p, count, width, out, [big](const uchar *s) { return load24(s, big); }); break;
    case 16: each(p, count, width, out, [](const uchar *s) { return *s; }); break;
    }
    return true;
}

} // namespace

QString sampleFormatProblem(int formatCode)
{
    if (bytesPerSample(formatCode) != 0)
        return QString();
    return QStringLiteral("the sample format code %1 is not one that SEG-Y defines (1 to 12, 15 or 16), so its "
                          "samples cannot be decoded").arg(formatCode);
}

bool decodeSamples(const char *p, qint64 count, int formatCode, ByteOrder order, float *out, QString *error)
{
    return decode(p, count, formatCode, order, out, error);
}

bool decodeSamples(const char *p, qint64 count, int formatCode, ByteOrder order, double *out, QString *error)
{
    return decode(p, count, formatCode, order, out, error);
}
