#include "TestSupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QProcess>

namespace {

constexpr int kTrSeqLine = 1;
constexpr int kTrSeqFile = 5;
constexpr int kFfid = 9;
constexpr int kChannel = 13;

// segyio over a few megabytes takes well under a second; a hang must not stall the suite.
constexpr int kSegyioTimeoutMs = 60000;

} // namespace

namespace TestSupport {

QString writeSegy(const QString &dir, const QString &fileName, const QVector<TraceHeaderValues> &traces,
                  const SegyWriter::Layout &layout, QString *error)
{
    const QString path = QDir(dir).filePath(fileName);
    SegyWriter writer(path, layout);
    bool ok = writer.open();
    SegyTraceHeader header;
    header.littleEndian = layout.littleEndian;
    for (int i = 0; ok && i < traces.size(); ++i) {
        header.clear();
        for (const HeaderValue &v : traces.at(i))
            header.set(v.position, v.length, v.value);
        ok = writer.writeTrace(header);
    }
    ok = writer.close() && ok;
    if (!ok) {
        if (error)
            *error = writer.errorString();
        return QString();
    }
    return path;
}

QVector<TraceHeaderValues> ffidTraces(const QVector<qint32> &ffids)
{
    QVector<TraceHeaderValues> traces;
    traces.reserve(ffids.size());
    int channel = 0;
    for (int i = 0; i < ffids.size(); ++i) {
        channel = (i > 0 && ffids.at(i) == ffids.at(i - 1)) ? channel + 1 : 1;
        traces.append({{kTrSeqLine, 4, i + 1}, {kTrSeqFile, 4, i + 1}, {kFfid, 4, ffids.at(i)},
                       {kChannel, 4, channel}});
    }
    return traces;
}

QString dataFile(const QString &fileName)
{
    return QDir(QStringLiteral(ZN_TEST_DATA_DIR)).filePath(fileName);
}

SegyioDump segyioDump(const QString &path, Endian endian, int sampleTraces)
{
    SegyioDump dump;
    const QString endianArg = endian == Endian::Big ? QStringLiteral("big")
            : endian == Endian::Little ? QStringLiteral("little") : QStringLiteral("auto");
    QProcess python;
    python.start(QStringLiteral(ZN_SEGYIO_PYTHON),
                 {QDir(QStringLiteral(ZN_TEST_SCRIPTS_DIR)).filePath(QStringLiteral("segyio_dump.py")),
                  QStringLiteral("--endian"), endianArg,
                  QStringLiteral("--samples"), QString::number(sampleTraces), path});
    if (!python.waitForFinished(kSegyioTimeoutMs)) {
        python.kill();
        python.waitForFinished();
        dump.error = QStringLiteral("segyio did not finish: %1").arg(python.errorString());
        return dump;
    }
    const QByteArray output = python.readAllStandardOutput();
    if (python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        const QList<QByteArray> lines = python.readAllStandardError().trimmed().split('\n');
        dump.error = QStringLiteral("segyio failed (%1): %2")
                .arg(python.exitStatus() == QProcess::CrashExit ? QStringLiteral("crashed")
                                                                : QStringLiteral("exit %1").arg(python.exitCode()),
                     QString::fromUtf8(lines.last()));
        return dump;
    }

    QJsonParseError parseError;
    const QJsonObject root = QJsonDocument::fromJson(output, &parseError).object();
    if (parseError.error != QJsonParseError::NoError) {
        dump.error = QStringLiteral("segyio's output is not JSON: %1").arg(parseError.errorString());
        return dump;
    }
    dump.littleEndian = root.value(QStringLiteral("endian")).toString() == QLatin1String("little");
    dump.traceCount = root.value(QStringLiteral("traceCount")).toInt();
    dump.samples = root.value(QStringLiteral("samples")).toInt();
    dump.format = root.value(QStringLiteral("format")).toInt();
    dump.extHeaders = root.value(QStringLiteral("extHeaders")).toInt();

    const QJsonArray traces = root.value(QStringLiteral("traces")).toArray();
    dump.traces.reserve(traces.size());
    for (const QJsonValue &value : traces) {
        const QJsonObject t = value.toObject();
        const auto integer = [&t](const char *key) { return t.value(QLatin1String(key)).toInt(); };
        const auto real = [&t](const char *key) { return t.value(QLatin1String(key)).toDouble(); };
        SegyioTrace trace;
        trace.ffid = integer("ffid");
        trace.channel = integer("channel");
        trace.offset = integer("offset");
        trace.gElev = integer("g_elev");
        trace.sElev = integer("s_elev");
        trace.sDepth = integer("s_depth");
        trace.sourceX = real("source_x");
        trace.sourceY = real("source_y");
        trace.groupX = real("group_x");
        trace.groupY = real("group_y");
        trace.sLine = integer("s_line");
        trace.sStat = integer("s_stat");
        trace.gLine = integer("g_line");
        trace.gStat = integer("g_stat");
        trace.cdp = integer("cdp");
        trace.coordScalar = integer("scalar");
        trace.elevScalar = integer("elev_scalar");
        dump.traces.append(trace);
    }
    for (const QJsonValue &value : root.value(QStringLiteral("traceSamples")).toArray()) {
        QVector<double> samples;
        for (const QJsonValue &sample : value.toArray())
            samples.append(sample.toDouble());
        dump.traceSamples.append(samples);
    }
    dump.ok = true;
    return dump;
}

} // namespace TestSupport
