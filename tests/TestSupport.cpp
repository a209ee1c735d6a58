#include "TestSupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <QtEndian>

namespace TestSupport {

QString writeSegy(const QString &dir, const QString &fileName, const QVector<TraceHeaderValues> &traces,
                  const SegyWriter::Layout &layout)
{
    SegyWriter writer(QDir(dir).filePath(fileName), layout);
    bool ok = writer.open();
    SegyTraceHeader header;
    header.littleEndian = layout.littleEndian;
    for (int i = 0; ok && i < traces.size(); ++i) {
        header.clear();
        for (const HeaderValue &v : traces.at(i))
            header.set(v.position, v.length, v.value);
        ok = writer.writeTrace(header);
    }
    return writer.close() && ok ? QDir(dir).filePath(fileName) : QString();
}

QVector<TraceHeaderValues> ffidTraces(const QVector<qint32> &ffids)
{
    QVector<TraceHeaderValues> traces;
    int channel = 0;
    for (int i = 0; i < ffids.size(); ++i) {
        channel = (i > 0 && ffids.at(i) == ffids.at(i - 1)) ? channel + 1 : 1;
        traces.append({{9, 4, ffids.at(i)}, {13, 4, channel}});
    }
    return traces;
}

QVector<LayoutVariant> layoutVariants()
{
    const auto line = [](auto change) {
        SegyLine l;
        l.traces = 10;
        l.channels = 5;
        change(l.layout);
        return l;
    };
    SegyLine wrongCount = line([](SegyWriter::Layout &) {});
    wrongCount.binaryValues = {{3221, 2, 50}};
    return {
        {"little-endian with the byte-order word", line([](auto &l) { l.littleEndian = l.revision2 = true; }), -1, 10, "little-endian"},
        {"little-endian without it", line([](auto &l) { l.littleEndian = true; }), -1, 10, "little-endian"},
        {"1 extended textual header", line([](auto &l) { l.extendedTextHeaders = 1; }), -1, 10, "extended textual headers after its binary header: 1"},
        {"4 extended textual headers", line([](auto &l) { l.extendedTextHeaders = 4; }), -1, 10, "extended textual headers after its binary header: 4"},
        {"a count of -1 and the stanza", line([](auto &l) { l.extendedTextHeaders = 2; l.endTextStanza = true; }), -1, 10,
         "extended textual headers after its binary header: 2"},
        {"no file header", line([](auto &l) { l.noFileHeader = l.littleEndian = true; }), -1, 10, "no 3600-byte"},
        {"rev 2 additional trace headers", line([](auto &l) { l.additionalTraceHeaders = 1; }), -1, 10, "additional trace headers: 1"},
        {"rev 2 extended sample count", line([](auto &l) { l.samples = 70000; l.formatCode = 8; }), -1, 10, nullptr},
        {"truncated", line([](auto &) {}), 3600 + 9 * 640 + 100, 9, nullptr},
        {"a wrong sample count in the binary header", wrongCount, -1, 10, nullptr},
    };
}

void addLayoutVariantRows()
{
    QTest::addColumn<LayoutVariant>("variant");
    for (const LayoutVariant &variant : layoutVariants())
        QTest::newRow(variant.name) << variant;
}

QString writeVariant(const QString &dir, const LayoutVariant &variant)
{
    const QString path = QDir(dir).filePath(QStringLiteral("variant.sgy"));
    return variant.line.write(path, nullptr) && (variant.cut < 0 || QFile::resize(path, variant.cut)) ? path : QString();
}

QString dataFile(const QString &fileName)
{
    return QDir(QStringLiteral(ZN_TEST_DATA_DIR)).filePath(fileName);
}

SegyioDump segyioDump(const QString &path, bool withSamples)
{
    SegyioDump dump;
    QProcess python;
    QStringList arguments{QStringLiteral(ZN_TEST_SCRIPTS_DIR "/segyio_dump.py"), path};
    if (withSamples)
        arguments << QStringLiteral("--samples");
    python.start(QStringLiteral(ZN_SEGYIO_PYTHON), arguments);
    // segyio over a few megabytes takes well under a second; a hang must not stall the suite.
    if (!python.waitForFinished(60000) || python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        python.kill();
        dump.error = QStringLiteral("segyio failed: ") + QString::fromUtf8(python.readAllStandardError());
        return dump;
    }
    const QJsonObject root = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    dump.littleEndian = root.value("little").toBool();
    dump.samples = root.value("samples").toInt();
    dump.format = root.value("format").toInt();
    dump.extHeaders = root.value("extHeaders").toInt();
    for (const QJsonValue &value : root.value("traces").toArray()) {
        const QJsonArray t = value.toArray();
        const auto n = [&t](int k) { return t.at(k).toInt(); };
        dump.traces.append({n(0), n(1), n(2), n(3), n(4), n(5), n(6), n(7), n(8), n(9), n(10), n(11), n(12),
                            t.at(13).toDouble(), t.at(14).toDouble(), t.at(15).toDouble(), t.at(16).toDouble()});
    }
    const QByteArray values = QByteArray::fromBase64(root.value("values").toString().toLatin1());
    dump.values.resize(values.size() / int(sizeof(double)));
    for (int i = 0; i < dump.values.size(); ++i)
        dump.values[i] = qFromLittleEndian<double>(values.constData() + i * sizeof(double));
    dump.ok = root.contains("traces");
    dump.error = dump.ok ? QString() : QStringLiteral("segyio's output is not the expected JSON");
    return dump;
}

} // namespace TestSupport
