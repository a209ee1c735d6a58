#include "SegyWriter.h"
#include "TarnSegy.h"
#include "TestSupport.h"

#include <QtTest>

#include <cstring>
#include <memory>
#include <tuple>

using Values = QVector<TestSupport::HeaderValue>;

// The SEG-Y rev 1 places of the 15 fields and, in entry 15, the coordinate scalar's position.
constexpr int kStandardTable[kHeaderDefineEntries][2] = {
    {9, 4},   {13, 4},  {37, 4},  {41, 4}, {45, 4},  {49, 4},  {73, 4},  {77, 4},
    {81, 4},  {85, 4},  {189, 4}, {99, 2}, {193, 4}, {101, 2}, {21, 4},  {71, 0},
};

// Bytes per sample of format codes 0 to 16 as the SEG-Y standard lists them (0: not defined),
// kept apart from the library's own table.
constexpr int kStandardSampleBytes[17] = {0, 4, 4, 2, 4, 4, 8, 3, 1, 8, 4, 2, 8, 0, 0, 3, 1};

// A file of 10 traces as the layout says, then big-endian values written over it at file positions
// from 1, then cut to a size (-1 keeps it whole); what the library makes of it: trBytes, totalTraces,
// samplesPerTrace, formatCode.
struct GeneratedRow { SegyWriter::Layout layout; Values patches; int cut; QVector<int> geometry; };
// The FFID entry moved to a position, with the bytes found there (their count is its length) and
// the value it decodes to; the coordinate scalar moved too, and a raw coordinate with its scaled value.
struct DecodeRow { int position; QByteArray bytes; int ffid; int scalarPosition; int scalar; int raw; double scaled; };
Q_DECLARE_METATYPE(GeneratedRow)
Q_DECLARE_METATYPE(DecodeRow)

class tst_TarnSegy : public QObject
{
    Q_OBJECT

private slots:
    void generatedFiles_data()
    {
        QTest::addColumn<GeneratedRow>("row");
        for (const int code : {1, 3, 6, 8, 15, 13}) {
            for (const bool little : {false, true}) {
                SegyWriter::Layout layout;
                layout.formatCode = code;
                layout.littleEndian = little;
                // An unknown code counts 4 bytes, and leaves only the rev 2 byte-order word (as a
                // little-endian machine writes it) to tell the byte order.
                QTest::addRow("format %d %s-endian", code, little ? "little" : "big") << GeneratedRow{
                        layout, code == 13 && little ? Values{{3297, 4, 0x04030201}} : Values{}, -1,
                        {240 + 100 * (code == 13 ? 4 : kStandardSampleBytes[code]), 10, 100, code}};
            }
        }
        SegyWriter::Layout sparse;
        sparse.samples = 60000;
        sparse.sparse = true;
        QTest::newRow("60000 samples, more than a signed 16-bit count") << GeneratedRow{sparse, {}, -1, {240 + 60000 * 4, 10, 60000, 5}};

        // Bad binary headers over the default layout, 10 records of 100 IEEE samples: 6400 bytes.
        QTest::newRow("zero samples, none in the trace header: header-only records")
                << GeneratedRow{{}, {{3221, 2, 0}}, -1, {240, 26, 0, 5}};
        QTest::newRow("zero samples, negative extended count: the first trace header's")
                << GeneratedRow{{}, {{3221, 2, 0}, {3269, 4, -5}, {3715, 2, 100}}, -1, {640, 10, 100, 5}};
        QTest::newRow("0xFFFF samples: longer than the file")
                << GeneratedRow{{}, {{3221, 2, 0xFFFF}}, -1, {240 + 65535 * 4, 0, 65535, 5}};
        QTest::newRow("extended count of 2^31 - 1 doubles fits no int")
                << GeneratedRow{{}, {{3221, 2, 0}, {3269, 4, 0x7FFFFFFF}, {3225, 2, 6}}, -1, {240, 0, 0x7FFFFFFF, 6}};
        QTest::newRow("extended count of 2^29 floats: 2^31 + 240 fits no int")
                << GeneratedRow{{}, {{3221, 2, 0}, {3269, 4, 0x20000000}}, -1, {240, 0, 0x20000000, 5}};
        QTest::newRow("cut inside the binary header") << GeneratedRow{{}, {}, 3400, {240, 0, 0, 0}};
    }

    void generatedFiles()
    {
        QFETCH(GeneratedRow, row);
        QTemporaryDir dir;
        QFile file(TestSupport::writeSegy(dir.path(), QStringLiteral("generated.sgy"),
                                          TestSupport::ffidTraces(QVector<qint32>(10, 1)), row.layout));
        QVERIFY(file.open(QIODevice::ReadWrite));
        for (const auto &v : qAsConst(row.patches)) {
            uchar bytes[4];
            qToBigEndian(qint32(v.value), bytes);
            QVERIFY(file.seek(v.position - 1)
                    && file.write(reinterpret_cast<char *>(bytes) + 4 - v.length, v.length) == v.length);
        }
        QVERIFY(file.flush() && (row.cut < 0 || file.resize(row.cut)));
        const TarnSegy segy(&file);
        QCOMPARE(QVector<int>({segy.trBytes(), segy.totalTraces(), segy.samplesPerTrace(), segy.formatCode()}), row.geometry);
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
        const TarnSegy segy(&file);
        const auto dump = TestSupport::segyioDump(file.fileName());
        QVERIFY2(dump.ok && dump.format > 0 && dump.format <= 16 && kStandardSampleBytes[dump.format] > 0, qPrintable(dump.error));
        const int trBytes = 240 + dump.samples * kStandardSampleBytes[dump.format];
        const qint64 traceArea = bytes.size() - kFileHeaderBytes;
        QCOMPARE(QVector<int>({segy.trBytes(), segy.totalTraces()}), QVector<int>({trBytes, int(traceArea / trBytes)}));
        // segyio skips the 3200-byte extended textual headers, which this library takes for trace bytes.
        QCOMPARE(traceArea, qint64(dump.extHeaders) * 3200 + qint64(dump.traces.size()) * trBytes);
        if (dump.littleEndian || dump.extHeaders > 0)
            return; // trace headers are decoded big-endian and from byte 3600 on

        for (int i = 0; i < dump.traces.size(); ++i) {
            const fbRec r = segy.getTrHeaderPars(bytes.constData() + kFileHeaderBytes + qint64(i) * trBytes);
            const TestSupport::SegyioTrace &t = dump.traces.at(i);
            const auto ours = std::tie(r.ffid, r.channel, r.offset, r.g_elev, r.s_elev, r.s_depth, r.s_line, r.s_stat,
                                       r.g_line, r.g_stat, r.cdp, r.coordScalar, r.source_x, r.source_y, r.group_x,
                                       r.group_y);
            // The coordinates: the same double, rounded once to float, on both sides.
            const auto segyio = std::make_tuple(t.ffid, t.channel, t.offset, t.gElev, t.sElev, t.sDepth, t.sLine, t.sStat,
                                                t.gLine, t.gStat, t.cdp, t.coordScalar, float(t.sourceX), float(t.sourceY),
                                                float(t.groupX), float(t.groupY));
            QVERIFY2(ours == segyio, qPrintable(QStringLiteral("trace %1").arg(i)));
        }
    }

    void decode_data()
    {
        QTest::addColumn<DecodeRow>("row");
        QTest::newRow("position 1, big-endian, no sign; -100 divides")
                << DecodeRow{1, QByteArray("\x00\x01\x02\xFF", 4), 0x000102FF, 71, -100, 51234056, 512340.56};
        QTest::newRow("FF FF is -1; +10 multiplies") << DecodeRow{3, QByteArray("\xFF\xFF", 2), -1, 71, 10, -123456, -1234560.0};
        QTest::newRow("237, 4 bytes end on 240; 0 means 1")
                << DecodeRow{237, QByteArray("\xFF\xFF\xFF\xFE", 4), -2, 71, 0, 98765, 98765.0};
        QTest::newRow("239, 2 bytes end on 240; scalar at 181") << DecodeRow{239, QByteArray("\xFF\xFE", 2), -2, 181, -10, 12345, 1234.5};
        QTest::newRow("238, 4 bytes would run past: 0") << DecodeRow{238, QByteArray(4, '\0'), 0, 71, 82, 5011, 410902.0};
        QTest::newRow("position 0: 0") << DecodeRow{0, QByteArray(2, '\0'), 0, 71, 1, 7, 7.0};
    }

    // Each field holds a value of its own, so that a field read from another's place shows; the
    // coordinates (entries 6 to 9) hold raw, -raw, 2 raw and -2 raw.
    void decode()
    {
        QFETCH(DecodeRow, row);
        SegyTraceHeader built;
        std::memset(built.data(), 0x11, kTraceHeaderBytes);
        for (int k = 1; k < 15; ++k)
            built.set(kStandardTable[k][0], kStandardTable[k][1],
                      k < 6 || k > 9 ? -1001 * (k + 1) : qint64(k % 2 ? -row.raw : row.raw) * (k / 8 + 1));
        built.set(row.scalarPosition, 2, row.scalar);
        if (row.position >= 1 && row.position + row.bytes.size() <= kTraceHeaderBytes + 1)
            built.setBytes(row.position, row.bytes);
        // Exactly 240 bytes on the heap, so that AddressSanitizer sees a read past them.
        const std::unique_ptr<char[]> header(new char[kTraceHeaderBytes]);
        std::memcpy(header.get(), built.data(), kTraceHeaderBytes);
        QCOMPARE(row.bytes.size() == 4 ? TarnSegy::read4ByteHdrParMem(header.get(), row.position)
                                       : TarnSegy::read2ByteHdrParMem(header.get(), row.position), row.ffid);

        // The table as copyHdrDef takes it, spoiled afterwards: the library must keep a copy of its own.
        int pairs[kHeaderDefineEntries][2];
        int *pointers[kHeaderDefineEntries];
        for (int k = 0; k < kHeaderDefineEntries; ++k) {
            pointers[k] = pairs[k];
            pairs[k][0] = k == 0 ? row.position : k == 15 ? row.scalarPosition : kStandardTable[k][0];
            pairs[k][1] = k == 0 ? row.bytes.size() : kStandardTable[k][1];
        }
        TarnSegy segy(nullptr);
        segy.copyHdrDef(pointers);
        std::memset(pairs, 0, sizeof pairs);

        const fbRec r = segy.getTrHeaderPars(header.get());
        QCOMPARE(QVector<qint32>({r.ffid, r.channel, r.offset, r.g_elev, r.s_elev, r.s_depth, r.s_line, r.s_stat,
                                  r.g_line, r.g_stat, r.cdp}),
                 QVector<qint32>({row.ffid, -2002, -3003, -4004, -5005, -6006, -11011, -12012, -13013, -14014, -15015}));
        QCOMPARE(QVector<float>({r.source_x, r.source_y, r.group_x, r.group_y}),
                 QVector<float>({float(row.scaled), float(-row.scaled), float(2 * row.scaled), float(-2 * row.scaled)}));
    }

    void indexExist_data()
    {
        // An index file of so many bytes (-1: none; 80 fits 5 traces), so many seconds older than the file.
        QTest::addColumn<QVector<int>>("row");
        QTest::newRow("missing") << QVector<int>{-1, 0, false};
        QTest::newRow("good") << QVector<int>{80, 0, true};
        QTest::newRow("one record short") << QVector<int>{64, 0, false};
        QTest::newRow("a partial record more") << QVector<int>{81, 0, false};
        QTest::newRow("a second older than the file") << QVector<int>{80, 1, false};
    }

    void indexExist()
    {
        QFETCH(QVector<int>, row);
        const int indexBytes = row.at(0);
        QTemporaryDir dir;
        auto file = std::make_unique<QFile>(TestSupport::writeSegy(dir.path(), QStringLiteral("line.sgy"),
                                                                   TestSupport::ffidTraces({1, 1, 1, 2, 2})));
        const QDateTime segyTime = QDateTime::currentDateTime().addSecs(-7200);
        QFile index(file->fileName() + QStringLiteral(".index"));
        // Flushed before its time is set, or the last write would set it again.
        if (indexBytes >= 0) {
            QVERIFY(index.open(QIODevice::WriteOnly) && index.write(QByteArray(indexBytes, '\1')) == indexBytes);
            QVERIFY(index.flush() && index.setFileTime(segyTime.addSecs(-row.at(1)), QFileDevice::FileModificationTime));
        }
        QVERIFY(file->open(QIODevice::ReadWrite) && file->setFileTime(segyTime, QFileDevice::FileModificationTime));
        const TarnSegy segy(file.get());
        // Closed and gone before the library is asked; under AddressSanitizer a later use would show.
        file.reset();
        QCOMPARE(segy.indexExist(), bool(row.at(2)));
    }
};

QTEST_GUILESS_MAIN(tst_TarnSegy)
#include "tst_TarnSegy.moc"
