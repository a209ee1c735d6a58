#include "SegyWriter.h"
#include "TestSupport.h"
#include "TraceIndex.h"

#include <QtTest>

#include <algorithm>

using Headers = QVector<TestSupport::TraceHeaderValues>;

Q_DECLARE_METATYPE(Headers)
Q_DECLARE_METATYPE(TraceIndexResult)

namespace {

constexpr qint64 kTraceBytes = 240 + 100 * 4;
const QVector<int> kDefaultDefs = {9, 4, 13, 4, 37, 4};

// The table in the library's form: 16 pointers to {position, length}, entries 3 to 15 zero.
struct HeaderDefs
{
    explicit HeaderDefs(const QVector<int> &defs) : pairs(defs + QVector<int>(32 - defs.size()))
    {
        for (int k = 0; k < 16; ++k)
            rows[k] = pairs.data() + 2 * k;
    }
    QVector<int> pairs;
    int *rows[16];
};

// Samples stay holes, so that ten thousand traces cost next to no disk.
QString writeFile(const QString &dir, const Headers &headers)
{
    SegyWriter::Layout layout;
    layout.sparse = true;
    return TestSupport::writeSegy(dir, QStringLiteral("line.sgy"), headers, layout);
}

// Each trace differs from its neighbours in all three fields.
Headers generated(int traces)
{
    Headers headers;
    for (int t = 0; t < traces; ++t)
        headers.append({{9, 4, 1000 + t / 7}, {13, 4, -t}, {37, 4, t * 37}});
    return headers;
}

// The records of `traces` traces of a generated file: past its end each repeats the last trace read.
QVector<int> generatedRecords(const Headers &headers, int traces)
{
    QVector<int> values;
    for (int t = 0; t < traces; ++t)
        for (const TestSupport::HeaderValue &v : headers.at(std::min(t, headers.size() - 1)))
            values << int(v.value);
    return values;
}

// The index beside the SEG-Y file as {ffid, value1, value2} triples; false unless it is whole records,
// each numbered with its place in the file counted from 1.
bool readIndex(const QString &segy, QVector<int> &values)
{
    QFile file(traceIndexPath(segy));
    if (!file.open(QIODevice::ReadOnly) || file.size() % kIndexRecordBytes != 0)
        return false;
    const QByteArray bytes = file.readAll();
    values.clear();
    for (int r = 0; r * kIndexRecordBytes < bytes.size(); ++r) {
        const char *p = bytes.constData() + r * kIndexRecordBytes;
        values << qFromLittleEndian<qint32>(p) << qFromLittleEndian<qint32>(p + 4) << qFromLittleEndian<qint32>(p + 8);
        if (qFromLittleEndian<qint32>(p + 12) != r + 1)
            return false;
    }
    return true;
}

} // namespace

class tst_TraceIndex : public QObject
{
    Q_OBJECT

private slots:
    void records_data();
    void records();
    void failures_data();
    void failures();
    void realFiles_data();
    void realFiles();

private:
    QTemporaryDir dir;
};

void tst_TraceIndex::records_data()
{
    QTest::addColumn<QVector<int>>("defs");
    QTest::addColumn<int>("headerBytes");
    QTest::addColumn<Headers>("headers");
    QTest::addColumn<int>("traces");
    QTest::addColumn<qint64>("fileSize"); // the file is cut to this size; -1 leaves it whole
    QTest::addColumn<QVector<int>>("expected");

    const qint64 whole = -1;
    QTest::newRow("negative values") << kDefaultDefs << 40 << Headers{{{9, 4, -5}, {13, 4, -1234567}, {37, 4, -65536}}}
                                     << 1 << whole << QVector<int>{-5, -1234567, -65536};
    QTest::newRow("FF FF is -1") << QVector<int>{9, 2, 13, 2, 37, 2} << 38 << Headers{{{9, 2, -1}, {13, 2, -32768}}}
                                 << 1 << whole << QVector<int>{-1, -32768, 0};
    // The read covers the third byte typed, though the value is the first two.
    QTest::newRow("length 3 is read as 2 bytes") << QVector<int>{9, 3, 1, 4, 5, 4} << 11
        << Headers{{{9, 2, 258}, {11, 2, -1}}} << 1 << whole << QVector<int>{258, 0, 0};
    QTest::newRow("FFID at 189/4") << QVector<int>{189, 4, 13, 4, 37, 4} << 192 << Headers{{{9, 4, 1111},
                                   {189, 4, -2222}, {13, 4, 3}, {37, 4, 4}}} << 1 << whole << QVector<int>{-2222, 3, 4};
    // The trace sequence numbers in the headers say otherwise.
    QTest::newRow("traceNumber is the place in the file")
        << QVector<int>{1, 4, 5, 4, 9, 4} << 12 << Headers{{{1, 4, 500}, {5, 4, 400}}, {{1, 4, 0}, {5, 4, -1}}} << 2
        << whole << QVector<int>{500, 400, 0, 0, -1, 0};
    QTest::newRow("0 traces") << kDefaultDefs << 40 << Headers() << 0 << whole << QVector<int>();
    QTest::newRow("nothing before the first trace reads zeros")
        << kDefaultDefs << 40 << Headers() << 2 << whole << QVector<int>(6, 0);
    for (int traces : {250, 10000, 10001})
        QTest::addRow("%d traces", traces) << kDefaultDefs << 40 << generated(traces) << traces << whole
                                           << generatedRecords(generated(traces), traces);
    QTest::newRow("second chunk past the end repeats the first chunk's last")
        << kDefaultDefs << 40 << generated(10000) << 10002 << whole << generatedRecords(generated(10000), 10002);
    // Trace 2 ends after its byte 14: its FFID and half of value1 are its own, the rest is trace 1's.
    QTest::newRow("last header cut inside a field")
        << kDefaultDefs << 40 << Headers{{}, {{9, 4, 2}, {13, 4, 0x11112222}, {37, 4, 20}}, {{9, 4, 3}}}
        << 3 << 3600 + 2 * kTraceBytes + 14 << QVector<int>{0, 0, 0, 2, 0x11112222, 20, 3, 0x2222, 20};
}

// Both ways of reading the headers give the same file; progress rises once a record, at most to 100.
void tst_TraceIndex::records()
{
    QFETCH(QVector<int>, defs);
    QFETCH(int, headerBytes);
    QFETCH(Headers, headers);
    QFETCH(int, traces);
    QFETCH(qint64, fileSize);
    QFETCH(QVector<int>, expected);

    const HeaderDefs table(defs);
    QCOMPARE(indexHeaderBytes(table.rows), headerBytes);
    const QString segy = writeFile(dir.path(), headers);
    QVERIFY(!segy.isEmpty() && (fileSize < 0 || QFile::resize(segy, fileSize)));
    QFile::remove(traceIndexPath(segy));
    QList<int> begunAfter, progress, expectedProgress;
    const ProgressSink sink{[&] { begunAfter << progress.size(); }, [&](int value) { progress << value; }};
    QCOMPARE(writeTraceIndex(segy, kTraceBytes, traces, table.rows, sink), TraceIndexResult::Written);
    QVector<int> values, positioned;
    QVERIFY(readIndex(segy, values));
    QCOMPARE(values.toList(), expected.toList());
    for (int v = 1; v <= std::min(traces, 100); ++v)
        expectedProgress << v;
    QCOMPARE(begunAfter, QList<int>{0});
    QCOMPARE(progress, expectedProgress);

    const TraceHeaderAccess positionedReads = TraceHeaderAccess::PositionedReads;
    QCOMPARE(writeTraceIndex(segy, kTraceBytes, traces, table.rows, {}, positionedReads), TraceIndexResult::Written);
    QVERIFY(readIndex(segy, positioned));
    QCOMPARE(positioned.toList(), values.toList());
}

void tst_TraceIndex::failures_data()
{
    QTest::addColumn<bool>("segyExists");
    QTest::addColumn<QVector<int>>("defs");
    QTest::addColumn<TraceIndexResult>("result");

    QTest::newRow("missing SEG-Y file") << false << kDefaultDefs << TraceIndexResult::SegyOpenFailed;
    QTest::newRow("index path is a folder") << true << kDefaultDefs << TraceIndexResult::IndexCreateFailed;
    QTest::newRow("FFID at byte 0") << true << QVector<int>{0, 4, 13, 4, 37, 4} << TraceIndexResult::BadLayout;
    QTest::newRow("238/4 passes byte 240") << true << QVector<int>{9, 4, 13, 4, 238, 4} << TraceIndexResult::BadLayout;
}

void tst_TraceIndex::failures()
{
    QFETCH(bool, segyExists);
    QFETCH(QVector<int>, defs);
    QFETCH(TraceIndexResult, result);

    QTemporaryDir local;
    const QString segy = segyExists ? writeFile(local.path(), generated(3)) : local.filePath(QStringLiteral("x.sgy"));
    const bool indexIsFolder = result == TraceIndexResult::IndexCreateFailed;
    QVERIFY(!segy.isEmpty() && (!indexIsFolder || QDir().mkpath(traceIndexPath(segy))));
    QCOMPARE(writeTraceIndex(segy, kTraceBytes, 3, HeaderDefs(defs).rows, ProgressSink{}), result);
    QCOMPARE(QFileInfo::exists(traceIndexPath(segy)), indexIsFolder);
}

void tst_TraceIndex::realFiles_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"viking_small.segy", "shot-gather.sgy"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

// segyio reads the trace count, the trace length and the three fields on its own.
void tst_TraceIndex::realFiles()
{
    QFETCH(QString, name);

    // The index is written beside the SEG-Y file, so work on a copy.
    const QString segy = dir.filePath(name);
    QVERIFY(QFile::copy(TestSupport::dataFile(name), segy));
    const TestSupport::SegyioDump dump = TestSupport::segyioDump(segy);
    QVERIFY2(dump.ok && !dump.traces.isEmpty(), qPrintable(dump.error));
    QList<int> expected;
    for (const TestSupport::SegyioTrace &trace : dump.traces)
        expected << trace.ffid << trace.channel << trace.offset;
    const qint64 trBytes = 240 + qint64(dump.samples) * SegyWriter::bytesPerSample(dump.format);
    QCOMPARE(writeTraceIndex(segy, trBytes, dump.traces.size(), HeaderDefs(kDefaultDefs).rows, ProgressSink{}),
             TraceIndexResult::Written);
    QVector<int> values;
    QVERIFY(readIndex(segy, values));
    QCOMPARE(values.toList(), expected);
}

QTEST_GUILESS_MAIN(tst_TraceIndex)
#include "tst_TraceIndex.moc"
