#include "SegyLine.h"
#include "SegyWriter.h"
#include "TarnSegy.h"
#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <cmath>
#include <limits>

namespace {

constexpr int kFileHeaderBytes = 3600;

// A header value that segygen is asked to put somewhere, to be found again.
struct Probe
{
    int trace; // from 0
    int position;
    int length;
    qint32 value;
};

struct Decoded
{
    int trBytes = 0;
    QVector<fbRec> records;
    QByteArray bytes;

    const char *header(int trace) const { return bytes.constData() + kFileHeaderBytes + qint64(trace) * trBytes; }
};

Decoded decode(const QString &path)
{
    Decoded d;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return d;
    const TarnSegy segy(&file);
    d.trBytes = segy.trBytes();
    d.bytes = file.readAll();
    for (int i = 0; i < segy.totalTraces(); ++i)
        d.records.append(segy.getTrHeaderPars(d.header(i)));
    return d;
}

QVector<qint32> runs(std::initializer_list<std::pair<qint32, int>> list)
{
    QVector<qint32> ffids;
    for (const auto &run : list)
        ffids.insert(ffids.size(), run.second, run.first);
    return ffids;
}

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run segygen(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(ZN_SEGYGEN), arguments);
    Run run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

// Whether the source header values of records [first, last] all agree.
bool sourceConstant(const QVector<fbRec> &records, int first, int last)
{
    for (int i = first + 1; i <= last; ++i) {
        const fbRec &a = records.at(first);
        const fbRec &b = records.at(i);
        if (a.s_elev != b.s_elev || a.s_depth != b.s_depth || a.source_x != b.source_x
                || a.source_y != b.source_y || a.s_line != b.s_line || a.s_stat != b.s_stat)
            return false;
    }
    return true;
}

} // namespace

Q_DECLARE_METATYPE(Probe)

class tst_SegyWriter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void ibmFloat_data();
    void ibmFloat();
    void ibmSamplesThroughSegyio_data();
    void ibmSamplesThroughSegyio();
    void sparseFile();
    void demoLine();

    void commandLine_data();
    void commandLine();
    void commandLineErrors_data();
    void commandLineErrors();

private:
    QTemporaryDir dir;
};

void tst_SegyWriter::initTestCase()
{
    QVERIFY(dir.isValid());
}

void tst_SegyWriter::ibmFloat_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<quint32>("bits");

    QTest::newRow("zero") << 0.0 << 0x00000000u;
    QTest::newRow("one") << 1.0 << 0x41100000u;
    QTest::newRow("minus one") << -1.0 << 0xC1100000u;
    QTest::newRow("one half") << 0.5 << 0x40800000u;
    QTest::newRow("one sixteenth") << 0.0625 << 0x40100000u;
    QTest::newRow("sixteen") << 16.0 << 0x42100000u;
    QTest::newRow("-118.625") << -118.625 << 0xC276A000u;
    QTest::newRow("0.1 rounds to nearest") << 0.1 << 0x4019999Au;
    QTest::newRow("rounding carries into a new hex digit") << 0.99999999 << 0x41100000u;
    QTest::newRow("largest IBM number") << 0xFFFFFFp0 * std::pow(16.0, 57) << 0x7FFFFFFFu;
    QTest::newRow("beyond the largest saturates") << 1e77 << 0x7FFFFFFFu;
    QTest::newRow("negative infinity saturates") << -std::numeric_limits<double>::infinity() << 0xFFFFFFFFu;
    QTest::newRow("smallest normal IBM number") << std::pow(16.0, -65) << 0x00100000u;
    QTest::newRow("below the smallest is zero") << 1e-80 << 0x00000000u;
    QTest::newRow("NaN is zero") << std::numeric_limits<double>::quiet_NaN() << 0x00000000u;
}

void tst_SegyWriter::ibmFloat()
{
    QFETCH(double, value);
    QFETCH(quint32, bits);
    QCOMPARE(QString::number(SegyWriter::ibmFloat(value), 16), QString::number(bits, 16));
}

void tst_SegyWriter::ibmSamplesThroughSegyio_data()
{
    QTest::addColumn<bool>("littleEndian");
    QTest::newRow("big-endian") << false;
    QTest::newRow("little-endian") << true;
}

void tst_SegyWriter::ibmSamplesThroughSegyio()
{
    QFETCH(bool, littleEndian);

    // The same wiggle as IBM and as IEEE floats: segyio's decoding of the IBM words must give the
    // IEEE values to within IBM's precision (24 bits less up to 3 lost to hexadecimal normalising).
    SegyWriter::Layout layout;
    layout.samples = 400;
    layout.littleEndian = littleEndian;
    const auto traces = TestSupport::ffidTraces({1, 1});
    QString error;
    layout.formatCode = 1;
    const QString ibmPath = TestSupport::writeSegy(dir.path(), QStringLiteral("ibm.sgy"), traces, layout, &error);
    QVERIFY2(!ibmPath.isEmpty(), qPrintable(error));
    layout.formatCode = 5;
    const QString ieeePath = TestSupport::writeSegy(dir.path(), QStringLiteral("ieee.sgy"), traces, layout, &error);
    QVERIFY2(!ieeePath.isEmpty(), qPrintable(error));

    const auto endian = littleEndian ? TestSupport::Endian::Little : TestSupport::Endian::Big;
    const TestSupport::SegyioDump ibm = TestSupport::segyioDump(ibmPath, endian, 2);
    const TestSupport::SegyioDump ieee = TestSupport::segyioDump(ieeePath, endian, 2);
    QVERIFY2(ibm.ok, qPrintable(ibm.error));
    QVERIFY2(ieee.ok, qPrintable(ieee.error));
    QCOMPARE(ibm.format, 1);
    QCOMPARE(ibm.traceSamples.size(), 2);
    QCOMPARE(ibm.traceSamples.at(0).size(), layout.samples);
    QCOMPARE(ieee.traceSamples.at(0).size(), layout.samples);

    double peak = 0;
    for (int i = 0; i < layout.samples; ++i) {
        const double expected = ieee.traceSamples.at(0).at(i);
        const double decoded = ibm.traceSamples.at(1).at(i);
        QVERIFY2(std::fabs(decoded - expected) <= std::fabs(expected) * std::ldexp(1.0, -20),
                 qPrintable(QStringLiteral("sample %1: IBM gives %2, IEEE %3").arg(i).arg(decoded).arg(expected)));
        peak = std::max(peak, std::fabs(expected));
    }
    QVERIFY2(peak > 100, "the wiggle is not flat");
}

void tst_SegyWriter::sparseFile()
{
    // 240 MB of trace records, of which only the headers take disk space.
    SegyWriter::Layout layout;
    layout.samples = 60000;
    layout.formatCode = 5;
    layout.sparse = true;
    const int traces = 1000;
    QVector<qint32> ffids;
    for (int i = 0; i < traces; ++i)
        ffids.append(100 + i / 10);
    QString error;
    const QString path = TestSupport::writeSegy(dir.path(), QStringLiteral("sparse.sgy"),
                                                TestSupport::ffidTraces(ffids), layout, &error);
    QVERIFY2(!path.isEmpty(), qPrintable(error));

    const qint64 size = kFileHeaderBytes + qint64(traces) * (240 + 60000 * 4);
    QCOMPARE(QFileInfo(path).size(), size);
    struct stat info;
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
    QVERIFY2(qint64(info.st_blocks) * 512 < size / 10,
             qPrintable(QStringLiteral("%1 bytes on disk").arg(qint64(info.st_blocks) * 512)));

    const Decoded d = decode(path);
    QCOMPARE(d.records.size(), traces);
    for (int i : {0, 1, 499, 998, 999}) {
        QCOMPARE(d.records.at(i).ffid, ffids.at(i));
        QCOMPARE(d.records.at(i).traceSeqFile, i + 1);
    }
    // The last trace's samples are a hole, read back as zeros.
    QCOMPARE(d.bytes.right(64), QByteArray(64, '\0'));
}

void tst_SegyWriter::demoLine()
{
    SegyLine line = SegyLine::demo();
    line.layout.samples = 10;
    const QString path = dir.filePath(QStringLiteral("demo.sgy"));
    QString error;
    QVERIFY2(line.write(path, &error), qPrintable(error));
    const Decoded d = decode(path);
    const QVector<fbRec> &r = d.records;
    QCOMPARE(r.size(), 40 * 120);

    QVector<int> inconsistentShots;
    for (int shot = 0; shot < 40; ++shot) {
        const int first = shot * 120;
        const int last = first + 119;
        QCOMPARE(r.at(first).ffid, 1001 + shot);
        QCOMPARE(r.at(last).ffid, 1001 + shot);
        if (!sourceConstant(r, first, last))
            inconsistentShots.append(shot);
        if (shot > 0) {
            // The source moves 25 m along the line (floats near 10^6 m hold 1/16 m).
            const double step = std::hypot(r.at(first).source_x - r.at(first - 120).source_x,
                                           r.at(first).source_y - r.at(first - 120).source_y);
            QVERIFY2(std::fabs(step - 25.0) < 0.6, qPrintable(QString::number(step)));
        }
        for (int i = first + 1; i <= last; ++i) {
            const double spacing = std::hypot(r.at(i).group_x - r.at(i - 1).group_x,
                                              r.at(i).group_y - r.at(i - 1).group_y);
            QVERIFY2(std::fabs(spacing - 12.5) < 0.3, qPrintable(QString::number(spacing)));
            QVERIFY(std::abs(r.at(i).g_elev - r.at(i - 1).g_elev) <= 2);
        }
        // A split spread: the offsets are the signed distances to the shot.
        QVERIFY(r.at(first).offset < 0 && r.at(last).offset > 0);
        const double distance = std::hypot(r.at(first).group_x - r.at(first).source_x,
                                           r.at(first).group_y - r.at(first).source_y);
        QVERIFY(std::fabs(distance + r.at(first).offset) <= 1.0);
    }
    QCOMPARE(inconsistentShots, QVector<int>({6, 17, 29}));

    // Centimetre coordinates in a UTM-like range, and elevations that are not flat.
    QCOMPARE(r.first().coordScalar, -100);
    QCOMPARE(TarnSegy::read4ByteHdrParMem(d.header(0), 73), qint32(std::lround(double(line.originX) * 100)));
    QVERIFY(r.first().source_x > 100000 && r.first().source_x < 900000);
    QVERIFY(r.first().source_y > 1000000);
    int lowest = r.first().g_elev;
    int highest = lowest;
    for (const fbRec &rec : r) {
        lowest = std::min(lowest, rec.g_elev);
        highest = std::max(highest, rec.g_elev);
    }
    QVERIFY(highest - lowest > 10);
}

void tst_SegyWriter::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QVector<qint32>>("ffids");
    QTest::addColumn<QVector<Probe>>("probes");

    QTest::newRow("--set on every trace")
            << QStringList{"--traces", "4", "--samples", "10", "--set", "189:4:=1000", "--set", "193:4=-7"}
            << runs({{1, 4}})
            << QVector<Probe>{{0, 189, 4, 1000}, {3, 189, 4, 1000}, {3, 193, 4, -7}};
    QTest::newRow("--set-trace on one trace")
            << QStringList{"--traces", "60", "--samples", "10", "--set-trace", "57:45:2=130"}
            << runs({{1, 60}})
            << QVector<Probe>{{56, 45, 2, 130}, {55, 45, 2, 0}, {57, 45, 2, 0}};
    QTest::newRow("--set-trace on a range, hexadecimal")
            << QStringList{"--traces", "10", "--samples", "10", "--set-trace", "3-5:9:4=0x10"}
            << QVector<qint32>{1, 1, 16, 16, 16, 1, 1, 1, 1, 1}
            << QVector<Probe>{{2, 9, 4, 16}};
    QTest::newRow("--ffids list with repeats")
            << QStringList{"--ffids", "5*2,6*3,5", "--samples", "10"}
            << QVector<qint32>{5, 5, 6, 6, 6, 5}
            << QVector<Probe>{{2, 13, 4, 3}};
    QTest::newRow("shots of channels, FFID step")
            << QStringList{"--shots", "3", "--channels", "4", "--ffid-start", "100", "--ffid-step", "10",
                           "--samples", "10", "--format", "3"}
            << runs({{100, 4}, {110, 4}, {120, 4}})
            << QVector<Probe>{};
    QTest::newRow("the demo line")
            << QStringList{"--demo", "--samples", "10"}
            << [] { QVector<qint32> f; for (int s = 0; s < 40; ++s) f += QVector<qint32>(120, 1001 + s); return f; }()
            << QVector<Probe>{{0, 71, 2, -100}};
    QTest::newRow("sparse demo of 60000 samples")
            << QStringList{"--demo", "--sparse", "--samples", "60000", "--shots", "2"}
            << runs({{1001, 120}, {1002, 120}})
            << QVector<Probe>{{239, 13, 4, 120}};
}

void tst_SegyWriter::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QVector<qint32>, ffids);
    QFETCH(QVector<Probe>, probes);

    const QString path = dir.filePath(QStringLiteral("cli.sgy"));
    QFile::remove(path);
    const Run run = segygen(arguments + QStringList{path});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));

    const Decoded d = decode(path);
    QCOMPARE(d.records.size(), ffids.size());
    for (int i = 0; i < ffids.size(); ++i)
        QVERIFY2(d.records.at(i).ffid == ffids.at(i), qPrintable(QStringLiteral("trace %1").arg(i)));
    for (const Probe &p : probes) {
        const int value = p.length == 4 ? TarnSegy::read4ByteHdrParMem(d.header(p.trace), p.position)
                                        : TarnSegy::read2ByteHdrParMem(d.header(p.trace), p.position);
        QVERIFY2(value == p.value, qPrintable(QStringLiteral("trace %1 byte %2: %3").arg(p.trace).arg(p.position).arg(value)));
    }
}

void tst_SegyWriter::commandLineErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("4 bytes at 239 run past the header") << QStringList{"--set", "239:4=1"} << "239";
    QTest::newRow("length 3") << QStringList{"--set", "9:3=1"} << "not 3";
    QTest::newRow("value too large for 2 bytes") << QStringList{"--set", "9:2=70000"} << "70000";
    QTest::newRow("not an assignment") << QStringList{"--set", "nine"} << "POS:LEN=VALUE";
    QTest::newRow("trace 0") << QStringList{"--set-trace", "0:9:4=1"} << "--set-trace trace";
    QTest::newRow("trace beyond the file") << QStringList{"--traces", "5", "--set-trace", "6:9:4=1"} << "5 traces";
    QTest::newRow("format is not a number") << QStringList{"--format", "ibm"} << "ibm";
    QTest::newRow("shots without channels") << QStringList{"--shots", "3"} << "--channels";
    QTest::newRow("FFID list against trace count") << QStringList{"--traces", "3", "--ffids", "1,2"} << "2 traces";
    QTest::newRow("no such shot to spoil") << QStringList{"--traces", "5", "--inconsistent", "2"} << "shot 2";
    QTest::newRow("unknown source field") << QStringList{"--demo", "--inconsistent", "3:colour"} << "colour";
    QTest::newRow("coordinates beyond 32 bits")
            << QStringList{"--origin", "30000000,0", "--scalar", "-100"} << "source_x";
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << "frobnicate";
}

void tst_SegyWriter::commandLineErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    const QString path = dir.filePath(QStringLiteral("refused.sgy"));
    QFile::remove(path);
    const Run run = segygen(arguments + QStringList{path});
    QVERIFY(run.exitCode > 0);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY2(!QFile::exists(path), "a refused run leaves no file");
}

QTEST_GUILESS_MAIN(tst_SegyWriter)
#include "tst_SegyWriter.moc"
