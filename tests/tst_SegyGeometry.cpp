#include "SegyLine.h"
#include "TestSupport.h"

#include <HeaderRanges.h>
#include <SegyGeometry.h>
#include <TextHeader.h>
#include <TarnSegy.h>
#include <TraceDecoder.h>
#include <TraceSamples.h>

#include <QtTest>

#include <cmath>
#include <memory>
#include <tuple>

using Values = QVector<TestSupport::HeaderValue>;

// What a reading of a file comes to: readable, first trace offset, trace bytes, traces, samples,
// bytes left over, little-endian, whether any warning was given.
using Reading = QVector<qint64>;

// A line of 10 traces in 2 shots as the layout says, then big-endian values written over it at
// file positions from 1, then cut to a size (-1 keeps it whole).
struct VariantRow { SegyWriter::Layout layout; Values patches; qint64 cut; Reading expected; };
Q_DECLARE_METATYPE(VariantRow)

static SegyWriter::Layout layoutOf(int formatCode, bool little, bool rev2 = false)
{
    SegyWriter::Layout layout;
    layout.formatCode = formatCode;
    layout.littleEndian = little;
    layout.revision2 = rev2;
    return layout;
}

static Reading readingOf(const SegyGeometry &g)
{
    return {g.readable, g.firstTraceOffset, g.traceBytes, g.traceCount, g.samples, g.leftoverBytes,
            g.byteOrder == ByteOrder::LittleEndian, !g.warnings.isEmpty()};
}

// Traces whose source_x (bytes 73-76) is start + step × (trace, or trace modulo cycle), under a
// coordinate scalar (bytes 71-72) that is otherScalar at one trace; what the field takes over them:
// min, max, first, last, distinct and whether there are more.
struct RangeRow { qint64 count; qint32 start, step, cycle; qint16 scalar; qint64 otherAt; QVector<double> expected; };
Q_DECLARE_METATYPE(RangeRow)

class tst_SegyGeometry : public QObject
{
    Q_OBJECT

private slots:
    void variants_data()
    {
        QTest::addColumn<VariantRow>("row");
        const Reading classic{1, 3600, 640, 10, 100, 0, 0, 0};
        const Reading little{1, 3600, 640, 10, 100, 0, 1, 0};
        const Reading refused{0, 3600, 240, 0, 0, 0, 0, 0};
        SegyWriter::Layout layout;
        QTest::newRow("big-endian rev 1") << VariantRow{layoutOf(5, false), {}, -1, classic};
        QTest::newRow("little-endian, told by the format code") << VariantRow{layoutOf(5, true), {}, -1, little};
        QTest::newRow("little-endian, told by the byte-order word") << VariantRow{layoutOf(5, true, true), {}, -1, little};
        QTest::newRow("byte-order word says little, all else big")
                << VariantRow{layoutOf(5, false), {{3297, 4, 0x04030201}}, -1, {1, 3600, 640, 10, 100, 0, 0, 1}};
        QTest::newRow("IBM floats") << VariantRow{layoutOf(1, false), {}, -1, classic};
        QTest::newRow("format 3: 2-byte samples") << VariantRow{layoutOf(3, true), {}, -1, {1, 3600, 440, 10, 100, 0, 1, 0}};
        QTest::newRow("format 6: 8-byte samples") << VariantRow{layoutOf(6, false), {}, -1, {1, 3600, 1040, 10, 100, 0, 0, 0}};
        QTest::newRow("unknown format 13, the sizes agree on 4 bytes")
                << VariantRow{layoutOf(13, true, true), {}, -1, {1, 3600, 640, 10, 100, 0, 1, 1}};
        layout = layoutOf(5, false);
        layout.extendedTextHeaders = 1;
        QTest::newRow("1 extended textual header") << VariantRow{layout, {}, -1, {1, 6800, 640, 10, 100, 0, 0, 0}};
        layout.extendedTextHeaders = 4;
        QTest::newRow("4 extended textual headers") << VariantRow{layout, {}, -1, {1, 16400, 640, 10, 100, 0, 0, 0}};
        layout.extendedTextHeaders = 3;
        layout.endTextStanza = true;
        QTest::newRow("count -1 up to the stanza, little-endian")
                << VariantRow{[&] { auto l = layout; l.littleEndian = true; return l; }(), {}, -1, {1, 13200, 640, 10, 100, 0, 1, 0}};
        QTest::newRow("an extended header count in a rev 1 file whose first trace follows the binary header")
                << VariantRow{layoutOf(5, false), {{3505, 2, 2}}, -1, {1, 3600, 640, 10, 100, 0, 0, 1}};
        QTest::newRow("count -1 without a stanza") << VariantRow{layoutOf(5, false), {{3505, 2, -1}}, -1, classic};
        layout = layoutOf(5, false);
        layout.noFileHeader = true;
        QTest::newRow("no file header, big-endian") << VariantRow{layout, {}, -1, {1, 0, 640, 10, 100, 0, 0, 1}};
        layout.littleEndian = true;
        QTest::newRow("Seismic Unix's trace file") << VariantRow{layout, {}, -1, {1, 0, 640, 10, 100, 0, 1, 1}};
        QTest::newRow("truncated inside trace 4") << VariantRow{layoutOf(5, false), {}, 3600 + 3 * 640 + 321,
                                                               {1, 3600, 640, 3, 100, 321, 0, 1}};
        QTest::newRow("binary header says 50 samples") << VariantRow{layoutOf(5, false), {{3221, 2, 50}}, -1,
                                                                    {1, 3600, 640, 10, 100, 0, 0, 1}};
        QTest::newRow("binary header says no samples, the trace headers 100")
                << VariantRow{layoutOf(5, false), {{3221, 2, 0}}, -1, {1, 3600, 640, 10, 100, 0, 0, 1}};
        QTest::newRow("rev 2 extended count of 4 samples against 100 everywhere else")
                << VariantRow{layoutOf(5, false, true), {{3269, 4, 4}}, -1, {1, 3600, 640, 10, 100, 0, 0, 1}};
        QTest::newRow("rev 2 first trace at byte 4001, the traces at 3601") << VariantRow{layoutOf(5, false, true), {{3525, 4, 4000}}, -1,
                                                                                          {1, 3600, 640, 10, 100, 0, 0, 1}};
        QTest::newRow("rev 2 additional trace headers that are not there") << VariantRow{layoutOf(5, false, true), {{3507, 2, 1}}, -1,
                                                                                             {1, 3600, 640, 10, 100, 0, 0, 1}};
        QTest::newRow("rev 1 extended count ignored") << VariantRow{layoutOf(5, false), {{3269, 4, 4}}, -1, classic};
        layout = layoutOf(5, false);
        layout.additionalTraceHeaders = 2;
        QTest::newRow("rev 2, two additional trace headers") << VariantRow{layout, {}, -1, {1, 3600, 1120, 10, 100, 0, 0, 0}};
        layout = layoutOf(8, false);
        layout.samples = 70000;
        QTest::newRow("rev 2 extended sample count of 70000 bytes")
                << VariantRow{layout, {}, -1, {1, 3600, 70240, 10, 70000, 0, 0, 0}};
        // The first trace header's 7 samples would give whole traces, but no second header where it puts one.
        QTest::newRow("65535 samples: longer than the file, nothing else fits")
                << VariantRow{layoutOf(5, false), {{3221, 2, 0xFFFF}, {3715, 2, 7}}, -1, refused};
        QTest::newRow("pairs swapped") << VariantRow{layoutOf(5, false), {{3297, 4, 0x03040102}}, -1, refused};
        QTest::newRow("bytes in pairs swapped") << VariantRow{layoutOf(5, false), {{3297, 4, 0x02010403}}, -1, refused};
        QTest::newRow("cut inside the binary header") << VariantRow{layoutOf(5, false), {}, 3400, refused};
        QTest::newRow("a single trace header") << VariantRow{layoutOf(5, false), {}, 3600 + 240, refused};
    }

    // The core's reading of each variant, and every trace header decoded from where it says.
    void variants()
    {
        QFETCH(VariantRow, row);
        QTemporaryDir dir;
        SegyLine line;
        line.layout = row.layout;
        line.traces = 10;
        line.channels = 5;
        const QString path = dir.filePath(QStringLiteral("variant.sgy"));
        QString error;
        QVERIFY2(line.write(path, &error), qPrintable(error));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        for (const auto &v : qAsConst(row.patches)) {
            uchar bytes[4];
            qToBigEndian(qint32(v.value), bytes);
            QVERIFY(file.seek(v.position - 1) && file.write(reinterpret_cast<char *>(bytes) + 4 - v.length, v.length) == v.length);
        }
        QVERIFY(file.flush() && (row.cut < 0 || file.resize(row.cut)));

        SegyGeometry g = inspectSegy(file);
        QVERIFY2(g.readable == g.refusal.isEmpty(), qPrintable(g.refusal));
        if (!g.readable)
            g = {};
        QCOMPARE(readingOf(g), row.expected);
        const TarnSegy segy(&file);
        QCOMPARE(QVector<qint64>({segy.trBytes(), segy.totalTraces()}),
                 g.readable ? QVector<qint64>({g.traceBytes, g.traceCount}) : QVector<qint64>({240, 0}));

        const QByteArray bytes = (file.seek(0), file.readAll());
        const TraceDecoder decoder(HeaderLayout::rev1(), g.byteOrder);
        for (int t = 0; t < g.traceCount; ++t) {
            const fbRec r = decoder.record(bytes.constData() + g.traceOffset(t));
            QCOMPARE(std::make_tuple(r.ffid, r.channel, r.traceSeqLine), std::make_tuple(line.ffidOf(t), t % 5 + 1, t + 1));
        }
    }

    void realFiles_data()
    {
        QTest::addColumn<QString>("fileName");
        for (const char *name : {"viking_small.segy", "bflinchum_survey1_12shots_concat.sgy", "f3.sgy", "f3-lsb.sgy",
                                 "small.sgy", "poland2d_example_ffid_231.sgy", "shot-gather.sgy", "multi-text.sgy",
                                 "ld0042_file_00018.sgy_first_trace", "00001034.sgy_first_trace"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    // segyio's geometry and every trace header it decodes are the reference.
    void realFiles()
    {
        QFETCH(QString, fileName);
        QFile file(TestSupport::dataFile(fileName));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const SegyGeometry g = inspectSegy(file);
        const auto dump = TestSupport::segyioDump(file.fileName(), true);
        QVERIFY2(dump.ok, qPrintable(dump.error));
        QCOMPARE(QVector<qint64>({g.samples, g.traceCount, g.extendedTextHeaders, g.byteOrder == ByteOrder::LittleEndian}),
                 QVector<qint64>({dump.samples, dump.traces.size(), dump.extHeaders, dump.littleEndian}));

        const TraceDecoder decoder(HeaderLayout::rev1(), g.byteOrder);
        for (int i = 0; i < dump.traces.size(); ++i) {
            const fbRec r = decoder.record(bytes.constData() + g.traceOffset(i));
            const TestSupport::SegyioTrace &t = dump.traces.at(i);
            const auto ours = std::tie(r.ffid, r.channel, r.offset, r.g_elev, r.s_elev, r.s_depth, r.s_line, r.s_stat,
                                       r.g_line, r.g_stat, r.cdp, r.coordScalar, r.source_x, r.source_y, r.group_x,
                                       r.group_y);
            // The coordinates: the same double, rounded once to float, on both sides.
            const auto segyio = std::make_tuple(t.ffid, t.channel, t.offset, t.gElev, t.sElev, t.sDepth, t.sLine, t.sStat,
                                                t.gLine, t.gStat, t.cdp, t.coordScalar, float(t.sourceX), float(t.sourceY),
                                                float(t.groupX), float(t.groupY));
            QVERIFY2(ours == segyio, qPrintable(QStringLiteral("trace %1").arg(i)));
            const char *samples = bytes.constData() + g.traceOffset(i) + kTraceHeaderBytes;
            QVector<double> values(int(g.samples));
            QVERIFY(decodeSamples(samples, g.samples, g.formatCode, g.byteOrder, values.data()));
            // segyio 1.8.3 misreads IBM words whose fraction starts with a zero hex digit (not
            // normalised); those are held to the definition, fraction × 16^(exponent - 64) / 2^24.
            QVector<double> reference = dump.values.mid(i * g.samples, g.samples);
            for (int k = 0; g.formatCode == 1 && k < reference.size(); ++k) {
                const auto *p = reinterpret_cast<const uchar *>(samples + 4 * k);
                const quint32 word = g.byteOrder == ByteOrder::LittleEndian ? qFromLittleEndian<quint32>(p) : qFromBigEndian<quint32>(p);
                if ((word & 0xF00000) == 0)
                    reference[k] = (word >> 31 ? -1 : 1) * std::ldexp(double(word & 0xFFFFFF), 4 * int((word >> 24) & 0x7F) - 280);
            }
            QVERIFY2(values == reference, qPrintable(QStringLiteral("samples of trace %1").arg(i)));
        }
    }

    void samples_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("little");
        QTest::addColumn<double>("scale"); // the generator stores (value + shift) × scale
        QTest::addColumn<double>("shift");
        const struct { int code; const char *name; double scale, shift; } formats[] = {
            {1, "IBM float", 1e3, 0}, {2, "int32", 1e6, 0}, {3, "int16", 1e4, 0}, {4, "fixed point, gain 0", 1e4, 0},
            {5, "IEEE float", 1e3, 0}, {6, "IEEE double", 1e3, 0}, {7, "int24", 1e6, 0}, {8, "int8", 100, 0},
            {9, "int64", 1e9, 0}, {10, "uint32", 1e6, 1}, {11, "uint16", 3e4, 1}, {12, "uint64", 1e9, 1},
            {15, "uint24", 4e6, 1}, {16, "uint8", 120, 1}};
        for (const auto &f : formats) {
            for (const bool little : {false, true})
                QTest::addRow("%d %s, %s", f.code, f.name, little ? "little-endian" : "big-endian") << f.code << little << f.scale << f.shift;
        }
        QTest::newRow("13 is not a SEG-Y format") << 13 << true << 0.0 << 0.0;
    }

    // Known values at both ends of each format's range as the generator scales it; segyio where it
    // reads the format.
    void samples()
    {
        QFETCH(int, format);
        QFETCH(bool, little);
        QFETCH(double, scale);
        QFETCH(double, shift);
        const QVector<double> wiggle{-1.0, -0.5, 0.0, 0.25, 0.75, 1.0};
        QTemporaryDir dir;
        SegyWriter::Layout layout = layoutOf(format, little);
        layout.samples = wiggle.size();
        SegyWriter writer(dir.filePath(QStringLiteral("samples.sgy")), layout);
        SegyTraceHeader header;
        header.littleEndian = little;
        header.set(115, 2, wiggle.size());
        QVERIFY(writer.open() && writer.writeTrace(header, wiggle) && writer.writeTrace(header, wiggle) && writer.close());

        QFile file(dir.filePath(QStringLiteral("samples.sgy")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const SegyGeometry g = inspectSegy(file);
        QVERIFY(g.readable && g.formatCode == format && g.traceCount == 2);
        const QByteArray bytes = file.readAll();
        const char *samples = bytes.constData() + g.traceOffset(1) + kTraceHeaderBytes;
        QVector<double> decoded(wiggle.size(), -7.0);
        QVector<float> singles(wiggle.size(), -7.0f);
        QString error;
        const bool known = decodeSamples(samples, wiggle.size(), format, g.byteOrder, decoded.data(), &error);
        QCOMPARE(decodeSamples(samples, wiggle.size(), format, g.byteOrder, singles.data()), known);
        QVector<double> expected(wiggle.size(), -7.0);
        QVector<float> expectedSingles(wiggle.size(), -7.0f);
        for (int i = 0; known && i < wiggle.size(); ++i) {
            expected[i] = (wiggle.at(i) + shift) * scale;
            expectedSingles[i] = float(expected.at(i));
        }
        QCOMPARE(decoded, expected);
        QCOMPARE(singles, expectedSingles);
        QCOMPARE(known ? QString() : error, sampleFormatProblem(format));
        QCOMPARE(known, scale > 0);
        if (QSet<int>{1, 2, 3, 5, 8}.contains(format)) {
            const auto dump = TestSupport::segyioDump(file.fileName(), true);
            QVERIFY2(dump.ok, qPrintable(dump.error));
            QCOMPARE(dump.values.mid(wiggle.size()), expected);
        }
    }

    // Text is what is three quarters printable or more, in whichever encoding shows more of it.
    void textRecognised_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("text");
        QTest::addColumn<bool>("ebcdic");
        QTest::newRow("ASCII card") << QByteArray("C 1 CLIENT PROSPECT LINE 12").leftJustified(80) << true << false;
        QTest::newRow("EBCDIC card") << QByteArray("\xc3\x40\xf1\x40\xc3\xd3\xc9\xc5\xd5\xe3").leftJustified(80, '\x40') << true << true;
        QTest::newRow("three quarters printable") << QByteArray("12\x01" "3").repeated(20) << true << false;
        QTest::newRow("half printable: samples") << QByteArray("A\x01").repeated(40) << false << false;
    }

    void textRecognised()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, text);
        QFETCH(bool, ebcdic);
        QCOMPARE(looksLikeText(bytes.constData(), bytes.size()), text);
        QCOMPARE(detectTextEncoding(bytes.constData(), bytes.size()) == TextEncoding::Ebcdic, ebcdic);
    }

    void ranges_data()
    {
        QTest::addColumn<RangeRow>("row");
        const int most = HeaderRanges::kMaxDistinct;
        QTest::newRow("as many integers as are counted") << RangeRow{most, 0, 1, 0, 1, -1, {0, most - 1., 0, most - 1., most, 0}};
        QTest::newRow("one integer more") << RangeRow{most + 1, 0, 1, 0, 1, -1, {0, double(most), 0, double(most), most, 1}};
        QTest::newRow("two integers more") << RangeRow{most + 2, 0, 1, 0, 1, -1, {0, most + 1., 0, most + 1., most, 1}};
        QTest::newRow("as many halves as are counted") << RangeRow{most, 1, 2, 0, -2, -1, {0.5, most - 0.5, 0.5, most - 0.5, most, 0}};
        QTest::newRow("one half more") << RangeRow{most + 1, 1, 2, 0, -2, -1, {0.5, most + 0.5, 0.5, most + 0.5, most, 1}};
        QTest::newRow("integers far apart, downwards") << RangeRow{1000, 0, -1000, 0, 1, -1, {-999000, 0, 0, -999000, 1000, 0}};
        QTest::newRow("integers far apart, upwards") << RangeRow{1000, 0, 997, 0, 1, -1, {0, 996003, 0, 996003, 1000, 0}};
        QTest::newRow("channels 1 to 7 over and over, the last first in its block") << RangeRow{1002, 1, 1, 7, 1, -1, {1, 7, 1, 1, 7, 0}};
        QTest::newRow("the scalar changes, the coordinate not") << RangeRow{10, 500000, 0, 0, -100, 3, {5000, 50000, 5000, 5000, 2, 0}};
    }

    // Headers are added in blocks of 7, so that every block's first is compared with the last before.
    void ranges()
    {
        QFETCH(RangeRow, row);
        std::vector<uchar> headers(size_t(row.count * kTraceHeaderBytes));
        for (qint64 t = 0; t < row.count; ++t) {
            uchar *h = headers.data() + t * kTraceHeaderBytes;
            qToBigEndian<qint32>(qint32(t + 1), h); // the trace number, in the header's very first bytes
            qToBigEndian<qint16>(t == row.otherAt ? -10 : row.scalar, h + 70);
            qToBigEndian<qint32>(row.start + row.step * qint32(row.cycle ? t % row.cycle : t), h + 72);
            qToBigEndian<qint16>(qint16(t % 5), h + 16);
        }
        const HeaderLayout layout = HeaderLayout::rev1();
        HeaderRanges ranges(layout, ByteOrder::BigEndian);
        for (qint64 t = 0; t < row.count; t += 7)
            ranges.add(reinterpret_cast<const char *>(headers.data()) + t * kTraceHeaderBytes, std::min<qint64>(7, row.count - t), kTraceHeaderBytes);
        const HeaderRanges::Range r = ranges.range(layout.indexOf("source_x"));
        QCOMPARE((QVector<double>{r.min, r.max, r.first, r.last, double(r.distinct), double(r.moreDistinct)}), row.expected);
        QCOMPARE(ranges.range(layout.indexOf("ffid")).distinct, 1);
        const HeaderRanges::Range numbers = ranges.range(layout.indexOf("trace_seq_line"));
        QCOMPARE((QVector<double>{numbers.min, numbers.max, numbers.last}), (QVector<double>{1, double(row.count), double(row.count)}));

        // A field across two 8-byte words whose bytes change in the second only.
        HeaderLayout across = HeaderLayout::rev1();
        QVERIFY(across.setField("source_point", 15, FieldType::Int32));
        HeaderRanges acrossRanges(across, ByteOrder::BigEndian);
        acrossRanges.add(reinterpret_cast<const char *>(headers.data()), row.count, kTraceHeaderBytes);
        QCOMPARE(acrossRanges.range(across.indexOf("source_point")).distinct, 5);
    }

    // The two files that segyio refuses or aborts on; their trace headers hold no sample count.
    void filesSegyioCannotRead_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<Reading>("expected");
        QTest::newRow("broken.sgy: 2 extended headers, then 3.27 traces") << "broken.sgy" << Reading{1, 10000, 256, 3, 4, 0, 0, 1};
        QTest::newRow("long.sgy: 60000 samples") << "long.sgy" << Reading{1, 3600, 240240, 3, 60000, 0, 0, 0};
    }

    void filesSegyioCannotRead()
    {
        QFETCH(QString, fileName);
        QFETCH(Reading, expected);
        QFile file(TestSupport::dataFile(fileName));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const SegyGeometry g = inspectSegy(file);
        expected[5] = file.size() - expected.at(1) - expected.at(3) * expected.at(2);
        QCOMPARE(readingOf(g), expected);
    }
};

QTEST_GUILESS_MAIN(tst_SegyGeometry)
#include "tst_SegyGeometry.moc"
