#include "SegyLine.h"

#include <HeaderLayout.h>

#include <QFile>

#include <cmath>
#include <limits>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kBinFirstPosition = kTextHeaderBytes + 1;
constexpr int kBinLastPosition = kFileHeaderBytes;
constexpr int kBinTracesPerEnsemble = 3213;
constexpr int kMaxClassicSamples = 65535;
constexpr int kCdpBase = 1000;

struct FieldName
{
    SegyLine::SourceField field;
    const char *name;
};

constexpr FieldName kFieldNames[] = {
    {SegyLine::SourceField::SElev, "s_elev"},     {SegyLine::SourceField::SDepth, "s_depth"},
    {SegyLine::SourceField::SourceX, "source_x"}, {SegyLine::SourceField::SourceY, "source_y"},
    {SegyLine::SourceField::SLine, "s_line"},     {SegyLine::SourceField::SStat, "s_stat"},
};

// Writes a value into a field of SEG-Y rev 1's trace header, by name, or explains why it does not
// fit the field's signed width.
class HeaderFiller
{
public:
    HeaderFiller(SegyTraceHeader *header, int trace, QString *error)
        : header(header), trace(trace), error(error) {}

    bool put(const char *name, qint64 value)
    {
        const HeaderField &field = fieldOf(name);
        const int width = fieldWidth(field.type);
        const qint64 low = width == 4 ? std::numeric_limits<qint32>::min() : std::numeric_limits<qint16>::min();
        const qint64 high = width == 4 ? std::numeric_limits<qint32>::max() : std::numeric_limits<qint16>::max();
        if (value < low || value > high)
            return fault(name, QString::number(value));
        header->set(field.position, width, value);
        return true;
    }

    // A 16-bit field that holds an unsigned value, stored as it is.
    void putUnsigned(const char *name, int value) { header->set(fieldOf(name).position, 2, value); }

    // A metre value rounded to the nearest whole unit of the field.
    bool putRounded(const char *name, double value)
    {
        if (std::isfinite(value) && std::fabs(value) < 1e15)
            return put(name, std::llround(value));
        return fault(name, QString::number(value));
    }

private:
    static const HeaderField &fieldOf(const char *name)
    {
        static const HeaderLayout rev1 = HeaderLayout::rev1();
        return rev1.fields().at(rev1.indexOf(QLatin1String(name)));
    }

    bool fault(const char *name, const QString &value)
    {
        const HeaderField &field = fieldOf(name);
        if (error)
            *error = QStringLiteral("trace %1: %2 = %3 does not fit %4 bytes at byte %5")
                    .arg(QString::number(trace + 1), QLatin1String(name), value, QString::number(fieldWidth(field.type)),
                         QString::number(field.position));
        return false;
    }

    SegyTraceHeader *header;
    int trace;
    QString *error;
};

} // namespace

// The synthetic shot record: a 25 Hz ringing wavelet (as the wiggle rings) at each arrival.
constexpr double kArrivalHz = 25.0;
constexpr double kArrivalDecaySeconds = 0.04;
constexpr double kArrivalSeconds = 0.25; // where the wavelet has died away
struct Reflection
{
    double zeroOffsetSeconds;
    double velocity;
    double amplitude;
};
constexpr Reflection kReflections[] = {{0.5, 2200.0, 0.6}, {0.9, 2500.0, 0.45}, {1.3, 2800.0, 0.3}};

static void addArrival(QVector<double> &values, double arrival, double amplitude, double interval)
{
    const int first = qMax(0, int(std::ceil(arrival / interval)));
    const int last = qMin(int(values.size()) - 1, int((arrival + kArrivalSeconds) / interval));
    for (int i = first; i <= last; ++i) {
        const double since = i * interval - arrival;
        values[i] += amplitude * std::sin(2.0 * kPi * kArrivalHz * since) * std::exp(-since / kArrivalDecaySeconds);
    }
}

// Nothing arrives before the first break, so that it is where the trace starts to move.
static QVector<double> shotRecordSamples(double offset, const SegyLine &line)
{
    QVector<double> values(line.layout.samples, 0.0);
    const double interval = line.layout.sampleIntervalUs * 1e-6;
    if (interval <= 0)
        return values;
    const double firstBreak = line.interceptMs / 1000.0 + std::fabs(offset) / line.firstBreakVelocity;
    addArrival(values, firstBreak, 1.0, interval);
    for (const Reflection &r : kReflections) {
        const double arrival = std::hypot(r.zeroOffsetSeconds, offset / r.velocity);
        if (arrival > firstBreak)
            addArrival(values, arrival, r.amplitude, interval);
    }
    for (double &v : values)
        v = qBound(-1.0, v, 1.0);
    return values;
}

// Gentle hills: two sine waves of a few hundred metres to kilometres.
static double topography(double distance)
{
    return 0.6 * std::sin(2.0 * kPi * distance / 3000.0) + 0.4 * std::sin(2.0 * kPi * distance / 900.0 + 1.3);
}

// The multiplier that turns metres into stored units under the SEG-Y scalar rule.
static double storedUnitsPerMetre(int scalar)
{
    if (scalar < 0)
        return -double(scalar);
    if (scalar > 0)
        return 1.0 / scalar;
    return 1.0;
}

SegyLine SegyLine::demo()
{
    SegyLine line;
    line.layout.samples = 1000;
    line.layout.sampleIntervalUs = 2000;
    line.layout.formatCode = 1;
    line.channels = 120;
    line.traces = 40 * line.channels;
    line.ffidStart = 1001;
    line.ffidStep = 1;
    line.originX = 512340.0;
    line.originY = 6704120.0;
    line.azimuthDegrees = 72.0;
    line.shotSpacing = 25.0;
    line.groupSpacing = 12.5;
    // Split spread, the shot midway between channels 60 and 61.
    line.nearOffset = -(line.channels / 2 - 0.5) * line.groupSpacing;
    line.coordScalar = -100;
    line.elevation = 240.0;
    line.relief = 20.0;
    line.sourceDepth = 12.0;
    line.sourceLine = 2001;
    line.groupLine = 2001;
    line.staticVelocity = 1800.0;
    line.firstBreakVelocity = 2000.0;
    line.interceptMs = 40.0;
    line.inconsistent = {{6, SourceField::SElev}, {17, SourceField::SourceX}, {29, SourceField::SElev}};
    return line;
}

int SegyLine::tracesPerShot() const
{
    return channels > 0 ? channels : qMax(1, traces);
}

qint32 SegyLine::ffidOf(int trace) const
{
    if (!ffids.isEmpty())
        return ffids.value(trace, ffids.constLast());
    return qint32(ffidStart + qint64(trace / tracesPerShot()) * ffidStep);
}

bool SegyLine::header(int trace, SegyTraceHeader *header, QString *error) const
{
    const int shot = trace / tracesPerShot();
    const int channel = trace % tracesPerShot();
    header->littleEndian = layout.littleEndian;
    header->clear();
    HeaderFiller fill(header, trace, error);

    const double azimuth = azimuthDegrees * kPi / 180.0;
    const double east = std::sin(azimuth);
    const double north = std::cos(azimuth);
    const double sourceDistance = shot * shotSpacing;
    const double offset = nearOffset + channel * groupSpacing;
    const double groupDistance = sourceDistance + offset;

    double sourceX = originX + sourceDistance * east;
    double sourceY = originY + sourceDistance * north;
    const double groupX = originX + groupDistance * east;
    const double groupY = originY + groupDistance * north;
    double sourceElevation = elevation + relief * topography(sourceDistance);
    const double groupElevation = elevation + relief * topography(groupDistance);
    double depth = sourceDepth;
    qint64 line = sourceLine;
    qint64 sourceStaticMs = sourceStatic;
    qint64 groupStaticMs = groupStatic;
    if (staticVelocity > 0) {
        // A weathering correction: the time to travel from the surface down to the datum.
        sourceStaticMs = std::llround(-(std::round(sourceElevation) - elevation) / staticVelocity * 1000.0);
        groupStaticMs = std::llround(-(std::round(groupElevation) - elevation) / staticVelocity * 1000.0);
    }

    for (const Inconsistency &odd : inconsistent) {
        if (odd.shot != shot)
            continue;
        switch (odd.field) {
        case SourceField::SElev: sourceElevation += channel % 3; break;
        case SourceField::SDepth: depth += channel % 2; break;
        case SourceField::SourceX: sourceX += 0.5 * (channel % 5); break;
        case SourceField::SourceY: sourceY += 0.5 * (channel % 5); break;
        case SourceField::SLine: line += channel % 2; break;
        case SourceField::SStat: sourceStaticMs += channel % 3; break;
        }
    }

    const double unitsPerMetre = storedUnitsPerMetre(coordScalar);
    const bool ok = fill.put("trace_seq_line", qint64(trace) + 1)
            && fill.put("trace_seq_file", qint64(trace) + 1)
            && fill.put("ffid", ffidOf(trace))
            && fill.put("channel", qint64(channelStart) + channel)
            && fill.put("source_point", qint64(shot) + 1)
            && fill.putRounded("cdp", kCdpBase + (sourceDistance + groupDistance) / (groupSpacing > 0 ? groupSpacing : 1.0))
            && fill.put("cdp_trace", qint64(channel) + 1)
            && fill.put("trace_id", 1)
            && fill.put("data_use", 1)
            && fill.putRounded("offset", offset)
            && fill.putRounded("g_elev", groupElevation)
            && fill.putRounded("s_elev", sourceElevation)
            && fill.putRounded("s_depth", depth)
            && fill.put("elev_scalar", 1)
            && fill.put("coord_scalar", coordScalar)
            && fill.putRounded("source_x", sourceX * unitsPerMetre)
            && fill.putRounded("source_y", sourceY * unitsPerMetre)
            && fill.putRounded("group_x", groupX * unitsPerMetre)
            && fill.putRounded("group_y", groupY * unitsPerMetre)
            && fill.put("coord_units", 1)
            && fill.put("s_stat", sourceStaticMs)
            && fill.put("g_stat", groupStaticMs)
            && fill.put("s_line", line)
            && fill.put("g_line", groupLine);
    if (!ok)
        return false;
    // Unsigned 16 bits; a rev 2 count beyond them is only in the binary header.
    fill.putUnsigned("samples", layout.samples <= kMaxClassicSamples ? layout.samples : 0);
    fill.putUnsigned("interval", layout.sampleIntervalUs);

    for (const Override &o : overrides) {
        if (trace >= o.firstTrace && (o.lastTrace < 0 || trace <= o.lastTrace))
            header->set(o.position, o.length, o.value);
    }
    return true;
}

bool SegyLine::validate(QString *error) const
{
    const auto fault = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    if (traces < 0)
        return fault(QStringLiteral("the trace count %1 is negative").arg(traces));
    if (channels < 0)
        return fault(QStringLiteral("the channel count %1 is negative").arg(channels));
    if (layout.samples < 0)
        return fault(QStringLiteral("the sample count %1 is negative").arg(layout.samples));
    if (layout.sampleIntervalUs < 0 || layout.sampleIntervalUs > 65535)
        return fault(QStringLiteral("the sample interval %1 does not fit 16 bits").arg(layout.sampleIntervalUs));
    if (layout.formatCode < 0 || layout.formatCode > 65535)
        return fault(QStringLiteral("the format code %1 does not fit 16 bits").arg(layout.formatCode));
    if (!ffids.isEmpty() && ffids.size() != traces)
        return fault(QStringLiteral("%1 FFIDs are listed for %2 traces").arg(ffids.size()).arg(traces));
    // A record beyond 2 GiB is more than any reader of this tool's files can take.
    if (kTraceHeaderBytes + qint64(layout.samples) * SegyWriter::bytesPerSample(layout.formatCode) > std::numeric_limits<qint32>::max())
        return fault(QStringLiteral("a trace of %1 samples is longer than 2 GiB").arg(layout.samples));
    for (const Inconsistency &odd : inconsistent) {
        if (odd.shot < 0 || odd.shot >= (traces + tracesPerShot() - 1) / tracesPerShot())
            return fault(QStringLiteral("there is no shot %1 to make inconsistent").arg(odd.shot + 1));
    }
    for (const Override &o : overrides) {
        const int width = fieldWidth(fieldTypeForLength(o.length));
        if (o.length != 2 && o.length != 4)
            return fault(QStringLiteral("a header value is 2 or 4 bytes long, not %1").arg(o.length));
        if (!fieldFits(o.position, width))
            return fault(QStringLiteral("%1 bytes at byte %2 do not fit the 240-byte trace header")
                         .arg(width).arg(o.position));
        const qint64 low = width == 4 ? std::numeric_limits<qint32>::min() : std::numeric_limits<qint16>::min();
        const qint64 high = width == 4 ? std::numeric_limits<quint32>::max() : std::numeric_limits<quint16>::max();
        if (o.value < low || o.value > high)
            return fault(QStringLiteral("%1 does not fit %2 bytes").arg(o.value).arg(width));
        if (o.firstTrace < 0 || o.firstTrace >= traces || (o.lastTrace >= 0 && o.lastTrace < o.firstTrace)
                || o.lastTrace >= traces)
            return fault(QStringLiteral("traces %1 to %2 are not in a file of %3 traces")
                         .arg(o.firstTrace + 1).arg(o.lastTrace < 0 ? traces : o.lastTrace + 1).arg(traces));
    }
    for (const BinaryValue &b : binaryValues) {
        const int width = fieldWidth(fieldTypeForLength(b.length));
        if (b.position < kBinFirstPosition || b.position + width - 1 > kBinLastPosition)
            return fault(QStringLiteral("%1 bytes at byte %2 are not in the binary header (bytes 3201 to 3600)")
                         .arg(width).arg(b.position));
    }
    SegyTraceHeader header;
    for (int trace = 0; trace < traces; ++trace) {
        if (!this->header(trace, &header, error))
            return false;
    }
    return true;
}

bool SegyLine::write(const QString &path, QString *error) const
{
    if (!validate(error))
        return false;
    SegyWriter writer(path, layout);
    if (channels > 0 && channels <= 65535)
        writer.setBinaryHeaderValue(kBinTracesPerEnsemble, 2, channels);
    for (const BinaryValue &b : binaryValues)
        writer.setBinaryHeaderValue(b.position, b.length, b.value);
    QString message;
    bool ok = writer.open();
    SegyTraceHeader header;
    for (int trace = 0; ok && trace < traces; ++trace) {
        ok = this->header(trace, &header, &message);
        if (ok && firstBreakVelocity > 0 && !layout.sparse && !layout.zeroSamples)
            ok = writer.writeTrace(header, shotRecordSamples(nearOffset + (trace % tracesPerShot()) * groupSpacing, *this));
        else if (ok)
            ok = writer.writeTrace(header);
    }
    ok = writer.close() && ok;
    if (!ok && error)
        *error = writer.errorString().isEmpty() ? message : writer.errorString();
    return ok;
}

bool SegyLine::sourceFieldFromName(const QString &name, SourceField *field)
{
    for (const FieldName &entry : kFieldNames) {
        if (name == QLatin1String(entry.name)) {
            *field = entry.field;
            return true;
        }
    }
    return false;
}

QString SegyLine::sourceFieldName(SourceField field)
{
    for (const FieldName &entry : kFieldNames) {
        if (entry.field == field)
            return QLatin1String(entry.name);
    }
    return QString();
}
