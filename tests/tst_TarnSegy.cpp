#include "SegyWriter.h"
#include "TarnSegy.h"
#include "TestSupport.h"

#include <QtTest>

#include <climits>
#include <cstring>
#include <memory>
#include <tuple>

using Values = QVector<TestSupport::HeaderValue>;

// The SEG-Y rev 1 places of the 15 fields and, in entry 15, the coordinate scalar's position.
constexpr int kStandardTable[kHeaderDefineEntries][2] = {
    {9, 4},   {13, 4},  {37, 4},  {41, 4}, {45, 4},  {49, 4},  {73, 4},  {77, 4},
    {81, 4},  {85, 4},  {189, 4}, {99, 2}, {193, 4}, {101, 2}, {21, 4},  {71, 0},
};

// The FFID entry moved to a position, with the bytes found there (their count is its length) and
// the value it decodes to; the coordinate scalar moved too, and a raw coordinate with its scaled value.
struct DecodeRow { int position; QByteArray bytes; int ffid; int scalarPosition; int scalar; int raw; double scaled; };
Q_DECLARE_METATYPE(DecodeRow)

class tst_TarnSegy : public QObject
{
    Q_OBJECT

private slots:
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

    // One rev 2 trace of 600,000,000 IEEE samples, 2.4 GB left as a hole: a record no int holds, so the
    // library takes the file to hold no traces rather than hand out a negative record length.
    void traceLongerThanAnInt()
    {
        QTemporaryDir dir;
        SegyWriter::Layout layout;
        layout.samples = 600000000;
        layout.sparse = true;
        QFile file(TestSupport::writeSegy(dir.path(), QStringLiteral("long.sgy"), TestSupport::ffidTraces({1}), layout));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const SegyGeometry geometry = inspectSegy(file);
        QVERIFY(geometry.readable && geometry.traceCount == 1 && geometry.traceBytes > INT_MAX);
        const TarnSegy segy(&file);
        QCOMPARE(segy.trBytes(), kTraceHeaderBytes);
        QCOMPARE(segy.totalTraces(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_TarnSegy)
#include "tst_TarnSegy.moc"
