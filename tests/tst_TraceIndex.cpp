#include "SegyWriter.h"
#include "TestSupport.h"
#include "TraceIndex.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <array>
#include <initializer_list>

namespace {

constexpr int kSamples = 1000;
constexpr qint64 kTraceBytes = 240 + kSamples * 4;

// A header definition table in the library's form, entries 3 to 15 left at zero.
class HeaderDefs
{
public:
    explicit HeaderDefs(const QVector<int> &firstThree)
    {
        for (int k = 0; k < 16; ++k) {
            pairs[k] = {0, 0};
            table[k] = pairs[k].data();
        }
        for (int k = 0; k < 3; ++k)
            pairs[k] = {firstThree.value(2 * k), firstThree.value(2 * k + 1)};
    }
    int *const *get() const { return table.data(); }

private:
    std::array<std::array<int, 2>, 16> pairs;
    std::array<int *, 16> table;
};

const QVector<int> kDefaultDefs = {9, 4, 13, 4, 37, 4};

struct Field
{
    int position;
    int length;
    qint64 value;
};

QByteArray header(std::initializer_list<Field> fields)
{
    SegyTraceHeader h;
    for (const Field &f : fields)
        h.set(f.position, f.length, f.value);
    return QByteArray(h.data(), 240);
}

QByteArray rawHeader(std::initializer_list<QPair<int, QByteArray>> patches)
{
    SegyTraceHeader h;
    for (const auto &patch : patches)
        h.setBytes(patch.first, patch.second);
    return QByteArray(h.data(), 240);
}

QByteArray bytes(const char *hex)
{
    return QByteArray::fromHex(hex);
}

// Samples are holes, so they read as zeros and cost no disk.
bool writeSegy(const QString &path, const QVector<QByteArray> &headers)
{
    SegyWriter::Layout layout;
    layout.samples = kSamples;
    layout.formatCode = 5;
    layout.sparse = true;
    SegyWriter writer(path, layout);
    if (!writer.open())
        return false;
    SegyTraceHeader h;
    for (const QByteArray &bytes : headers) {
        h.setBytes(1, bytes);
        if (!writer.writeTrace(h))
            return false;
    }
    return writer.close() && writer.traceBytes() == kTraceBytes;
}

// The trace index records as {ffid, value1, value2} triples, checking traceNumber on the way.
QVector<int> readRecords(const QString &indexPath, QString *problem)
{
    QFile file(indexPath);
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = QStringLiteral("cannot open ") + indexPath;
        return {};
    }
    const QByteArray bytes = file.readAll();
    if (bytes.size() % kIndexRecordBytes != 0)
        *problem = QStringLiteral("index of %1 bytes").arg(bytes.size());
    QVector<int> values;
    for (int r = 0; r + kIndexRecordBytes <= bytes.size(); r += kIndexRecordBytes) {
        const char *p = bytes.constData() + r;
        values << qFromLittleEndian<qint32>(p) << qFromLittleEndian<qint32>(p + 4)
               << qFromLittleEndian<qint32>(p + 8);
        const qint32 traceNumber = qFromLittleEndian<qint32>(p + 12);
        if (traceNumber != r / kIndexRecordBytes + 1 && problem->isEmpty())
            *problem = QStringLiteral("record %1 has trace number %2").arg(r / kIndexRecordBytes).arg(traceNumber);
    }
    return values;
}

// Names the first record that differs, so that a failure in 10,000 records reads at once.
QString firstDifference(const QVector<int> &actual, const QVector<int> &expected)
{
    if (actual.size() != expected.size())
        return QStringLiteral("%1 records, expected %2").arg(actual.size() / 3).arg(expected.size() / 3);
    for (int i = 0; i < actual.size(); ++i) {
        if (actual[i] != expected[i]) {
            const int r = i / 3;
            return QStringLiteral("record %1 is {%2, %3, %4}, expected {%5, %6, %7}")
                .arg(r).arg(actual[3 * r]).arg(actual[3 * r + 1]).arg(actual[3 * r + 2])
                .arg(expected[3 * r]).arg(expected[3 * r + 1]).arg(expected[3 * r + 2]);
        }
    }
    return {};
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Observed
{
    int begun = 0;
    int valuesBeforeBegun = 0;
    QVector<int> values;

    ProgressSink sink()
    {
        return ProgressSink{[this] { ++begun; },
                            [this](int value) {
                                if (begun == 0)
                                    ++valuesBeforeBegun;
                                values.append(value);
                            }};
    }
};

// The values of a generated trace t, for files too long to list by hand.
std::array<int, 3> generatedValues(int t)
{
    return {1000 + t / 7, -t, (t * 37) % 65536 - 32768};
}

QVector<QByteArray> generatedHeaders(int traces)
{
    QVector<QByteArray> headers;
    headers.reserve(traces);
    for (int t = 0; t < traces; ++t) {
        const auto v = generatedValues(t);
        headers << header({{9, 4, v[0]}, {13, 4, v[1]}, {37, 2, v[2]}});
    }
    return headers;
}

const QVector<int> kGeneratedDefs = {9, 4, 13, 4, 37, 2};

} // namespace

Q_DECLARE_METATYPE(TraceHeaderAccess)
Q_DECLARE_METATYPE(TraceIndexResult)

char *toString(TraceIndexResult result)
{
    switch (result) {
    case TraceIndexResult::Written:
        return qstrdup("Written");
    case TraceIndexResult::SegyOpenFailed:
        return qstrdup("SegyOpenFailed");
    case TraceIndexResult::IndexCreateFailed:
        return qstrdup("IndexCreateFailed");
    case TraceIndexResult::BadLayout:
        return qstrdup("BadLayout");
    }
    return qstrdup("?");
}

class tst_TraceIndex : public QObject
{
    Q_OBJECT

private slots:
    void headerBytes_data();
    void headerBytes();
    void recordValues_data();
    void recordValues();
    void chunks_data();
    void chunks();
    void pastEndOfFile_data();
    void pastEndOfFile();
    void progress_data();
    void progress();
    void replacesExistingIndex();
    void badLayout_data();
    void badLayout();
    void segyOpenFailed_data();
    void segyOpenFailed();
    void indexCreateFailed_data();
    void indexCreateFailed();
    void realFiles_data();
    void realFiles();

private:
    QTemporaryDir dir;
};

void tst_TraceIndex::headerBytes_data()
{
    QTest::addColumn<QVector<int>>("defs");
    QTest::addColumn<int>("bytes");

    QTest::newRow("9/4, 13/4, 37/4 is 40") << QVector<int>{9, 4, 13, 4, 37, 4} << 40;
    QTest::newRow("latest field first") << QVector<int>{37, 4, 9, 4, 13, 4} << 40;
    QTest::newRow("2-byte fields") << QVector<int>{9, 2, 13, 2, 21, 2} << 22;
    QTest::newRow("equal positions, the later longer") << QVector<int>{21, 2, 21, 4, 1, 4} << 24;
    QTest::newRow("overlapping field ends later") << QVector<int>{9, 8, 13, 2, 1, 4} << 16;
    QTest::newRow("length 1 is read as 2 bytes") << QVector<int>{9, 4, 13, 4, 17, 1} << 18;
    QTest::newRow("length 3 covers its third byte") << QVector<int>{9, 4, 13, 4, 17, 3} << 19;
    QTest::newRow("length 0 is read as 2 bytes") << QVector<int>{9, 4, 13, 4, 17, 0} << 18;
    QTest::newRow("last 4 bytes of the header") << QVector<int>{237, 4, 9, 4, 13, 4} << 240;
    QTest::newRow("length 1 on byte 240") << QVector<int>{9, 4, 240, 1, 13, 4} << 241;
}

void tst_TraceIndex::headerBytes()
{
    QFETCH(QVector<int>, defs);
    QFETCH(int, bytes);

    QCOMPARE(indexHeaderBytes(HeaderDefs(defs).get()), bytes);
}

void tst_TraceIndex::recordValues_data()
{
    QTest::addColumn<QVector<int>>("defs");
    QTest::addColumn<QVector<QByteArray>>("headers");
    QTest::addColumn<QVector<int>>("expected");

    QTest::newRow("negative values")
        << kDefaultDefs
        << QVector<QByteArray>{header({{9, 4, -5}, {13, 4, -1234567}, {37, 4, -3237}}),
                               header({{9, 4, 2147483647}, {13, 4, -2147483648LL}, {37, 4, 0}})}
        << QVector<int>{-5, -1234567, -3237, 2147483647, int(-2147483648LL), 0};
    QTest::newRow("FF FF is -1")
        << QVector<int>{9, 2, 13, 2, 37, 2}
        << QVector<QByteArray>{rawHeader({{9, bytes("ffff")}, {13, bytes("8000")}, {37, bytes("7fff")}}),
                               header({{9, 2, 1}, {13, 2, -2}, {37, 2, 0}})}
        << QVector<int>{-1, -32768, 32767, 1, -2, 0};
    QTest::newRow("length 3 is read as 2 bytes")
        << QVector<int>{9, 3, 13, 3, 37, 4}
        << QVector<QByteArray>{rawHeader({{9, bytes("01020300fffe77")}}),
                               rawHeader({{9, bytes("80007f000001ff")}})}
        << QVector<int>{258, -2, 0, -32768, 1, 0};
    QTest::newRow("length 1 is read as 2 bytes")
        << QVector<int>{9, 1, 10, 1, 37, 4}
        << QVector<QByteArray>{rawHeader({{9, bytes("010203")}}),
                               rawHeader({{9, bytes("8001ff")}})}
        << QVector<int>{258, 515, 0, -32767, 511, 0};
    QTest::newRow("overlapping fields")
        << QVector<int>{9, 4, 11, 2, 10, 4}
        << QVector<QByteArray>{rawHeader({{9, bytes("0102030405")}})}
        << QVector<int>{0x01020304, 0x0304, 0x02030405};
    QTest::newRow("FFID at 189/4")
        << QVector<int>{189, 4, 13, 4, 37, 4}
        << QVector<QByteArray>{header({{9, 4, 1111}, {189, 4, 2222}, {13, 4, 3}, {37, 4, 4}}),
                               header({{9, 4, 1111}, {189, 4, -2223}, {13, 4, 5}, {37, 4, 6}})}
        << QVector<int>{2222, 3, 4, -2223, 5, 6};
    QTest::newRow("entries in reverse order")
        << QVector<int>{37, 4, 13, 4, 9, 4}
        << QVector<QByteArray>{header({{9, 4, 1}, {13, 4, 2}, {37, 4, 3}})}
        << QVector<int>{3, 2, 1};
    QTest::newRow("last field ends on byte 240")
        << QVector<int>{9, 4, 13, 4, 237, 4}
        << QVector<QByteArray>{header({{9, 4, 7}, {13, 4, 8}, {237, 4, -99}}),
                               header({{9, 4, 7}, {13, 4, 9}, {237, 4, 123456789}})}
        << QVector<int>{7, 8, -99, 7, 9, 123456789};
    // The second byte read is the first sample byte, a hole here.
    QTest::newRow("length 1 on byte 240 reads into the samples")
        << QVector<int>{9, 4, 13, 4, 240, 1}
        << QVector<QByteArray>{rawHeader({{240, bytes("12")}}),
                               rawHeader({{240, bytes("ff")}})}
        << QVector<int>{0, 0, 0x1200, 0, 0, -256};
    QTest::newRow("trace sequence numbers do not set traceNumber")
        << QVector<int>{1, 4, 5, 4, 9, 4}
        << QVector<QByteArray>{header({{1, 4, 500}, {5, 4, 400}, {9, 4, 1}}),
                               header({{1, 4, 7}, {5, 4, 7}, {9, 4, 1}}),
                               header({{1, 4, 0}, {5, 4, -1}, {9, 4, 2}})}
        << QVector<int>{500, 400, 1, 7, 7, 1, 0, -1, 2};
}

void tst_TraceIndex::recordValues()
{
    QFETCH(QVector<int>, defs);
    QFETCH(QVector<QByteArray>, headers);
    QFETCH(QVector<int>, expected);

    const QString segy = dir.filePath(QStringLiteral("values.sgy"));
    QVERIFY(writeSegy(segy, headers));
    const QByteArray segyBefore = fileBytes(segy);
    const HeaderDefs table(defs);
    QCOMPARE(writeTraceIndex(segy, kTraceBytes, headers.size(), table.get(), ProgressSink{}),
             TraceIndexResult::Written);
    QString problem;
    const QVector<int> values = readRecords(traceIndexPath(segy), &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY2(values == expected, qPrintable(firstDifference(values, expected)));
    QVERIFY(fileBytes(segy) == segyBefore);

    const QByteArray mapped = fileBytes(traceIndexPath(segy));
    QCOMPARE(writeTraceIndex(segy, kTraceBytes, headers.size(), table.get(), ProgressSink{},
                             TraceHeaderAccess::PositionedReads),
             TraceIndexResult::Written);
    QVERIFY(fileBytes(traceIndexPath(segy)) == mapped);
}

void tst_TraceIndex::chunks_data()
{
    QTest::addColumn<int>("traces");
    QTest::addColumn<TraceHeaderAccess>("access");

    for (int traces : {0, 1, 9999, 10000, 10001, 20001}) {
        const QByteArray name = QLocale::c().toString(traces).toLatin1();
        QTest::newRow(name + " traces mapped") << traces << TraceHeaderAccess::Mapped;
        QTest::newRow(name + " traces by positioned reads") << traces << TraceHeaderAccess::PositionedReads;
    }
}

void tst_TraceIndex::chunks()
{
    QFETCH(int, traces);
    QFETCH(TraceHeaderAccess, access);

    const QString segy = dir.filePath(QStringLiteral("chunks%1.sgy").arg(traces));
    if (!QFile::exists(segy))
        QVERIFY(writeSegy(segy, generatedHeaders(traces)));
    QFile::remove(traceIndexPath(segy));
    const HeaderDefs table(kGeneratedDefs);
    QCOMPARE(writeTraceIndex(segy, kTraceBytes, traces, table.get(), ProgressSink{}, access),
             TraceIndexResult::Written);
    QVERIFY(QFile::exists(traceIndexPath(segy)));
    QCOMPARE(QFileInfo(traceIndexPath(segy)).size(), qint64(traces) * kIndexRecordBytes);

    QVector<int> expected;
    for (int t = 0; t < traces; ++t) {
        const auto v = generatedValues(t);
        expected << v[0] << v[1] << v[2];
    }
    QString problem;
    const QVector<int> values = readRecords(traceIndexPath(segy), &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY2(values == expected, qPrintable(firstDifference(values, expected)));
}

void tst_TraceIndex::pastEndOfFile_data()
{
    QTest::addColumn<QVector<int>>("defs");
    QTest::addColumn<QVector<QByteArray>>("headers");
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<qint64>("trBytes");
    QTest::addColumn<int>("traces");
    QTest::addColumn<QVector<int>>("expected");

    const QVector<QByteArray> three = {
        header({{9, 4, 1}, {13, 4, 0x11112222}, {37, 4, 10}}),
        header({{9, 4, 2}, {13, 4, 0x11112222}, {37, 4, 20}}),
        header({{9, 4, 3}, {13, 4, 0x33334444}, {37, 4, 30}}),
    };
    QTest::newRow("first trace past the end is zeros")
        << kDefaultDefs << QVector<QByteArray>() << qint64(-1) << kTraceBytes << 2 << QVector<int>{0, 0, 0, 0, 0, 0};
    QTest::newRow("more traces claimed than written repeat the last")
        << kDefaultDefs << three << qint64(-1) << kTraceBytes << 5
        << QVector<int>{1, 0x11112222, 10, 2, 0x11112222, 20, 3, 0x33334444, 30,
                        3, 0x33334444, 30, 3, 0x33334444, 30};
    // Trace 2 ends after byte 14: its FFID and the first half of value1 are read, the rest of
    // the 40 bytes is still trace 1's.
    QTest::newRow("last header cut inside a field")
        << kDefaultDefs << three << 3600 + 2 * kTraceBytes + 14 << kTraceBytes << 3
        << QVector<int>{1, 0x11112222, 10, 2, 0x11112222, 20, 3, 0x33332222, 20};
    QTest::newRow("zero trace length reads the first header each time")
        << kDefaultDefs << three << qint64(-1) << qint64(0) << 3 << QVector<int>{1, 0x11112222, 10, 1, 0x11112222, 10,
                                                                 1, 0x11112222, 10};
    // Overlapping 40-byte reads 20 bytes apart: trace 1's bytes 9-12 are trace 0's bytes 29-32.
    QTest::newRow("trace length shorter than the header bytes")
        << kDefaultDefs << QVector<QByteArray>{header({{9, 4, 5}, {13, 4, 6}, {29, 4, 7}, {33, 4, 8}, {37, 4, 9}})}
        << qint64(-1) << qint64(20) << 2 << QVector<int>{5, 6, 9, 7, 8, 0};

    QVector<int> cutAfterChunk;
    for (int t = 0; t < 10000; ++t) {
        const auto v = generatedValues(t);
        cutAfterChunk << v[0] << v[1] << v[2];
    }
    const auto last = generatedValues(9999);
    for (int t = 0; t < 2; ++t)
        cutAfterChunk << last[0] << last[1] << last[2];
    QTest::newRow("second chunk past the end repeats the first chunk's last")
        << kGeneratedDefs << generatedHeaders(10000) << qint64(-1) << kTraceBytes << 10002 << cutAfterChunk;
}

void tst_TraceIndex::pastEndOfFile()
{
    QFETCH(QVector<int>, defs);
    QFETCH(QVector<QByteArray>, headers);
    QFETCH(qint64, fileSize);
    QFETCH(qint64, trBytes);
    QFETCH(int, traces);
    QFETCH(QVector<int>, expected);

    const QString segy = dir.filePath(QStringLiteral("short.sgy"));
    QVERIFY(writeSegy(segy, headers));
    if (fileSize >= 0)
        QVERIFY(QFile::resize(segy, fileSize));
    const qint64 sizeBefore = QFileInfo(segy).size();
    const HeaderDefs table(defs);

    for (TraceHeaderAccess access : {TraceHeaderAccess::Mapped, TraceHeaderAccess::PositionedReads}) {
        QCOMPARE(writeTraceIndex(segy, trBytes, traces, table.get(), ProgressSink{}, access),
                 TraceIndexResult::Written);
        QString problem;
        const QVector<int> values = readRecords(traceIndexPath(segy), &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QVERIFY2(values == expected, qPrintable(firstDifference(values, expected)));
    }
    QCOMPARE(QFileInfo(segy).size(), sizeBefore);
}

void tst_TraceIndex::progress_data()
{
    QTest::addColumn<int>("traces");
    QTest::addColumn<int>("lastValue");

    QTest::newRow("no traces") << 0 << 0;
    QTest::newRow("1 trace") << 1 << 1;
    QTest::newRow("50 traces rise on each") << 50 << 50;
    QTest::newRow("99 traces") << 99 << 99;
    QTest::newRow("100 traces") << 100 << 100;
    QTest::newRow("150 traces stop at 100") << 150 << 100;
    QTest::newRow("250 traces stop at 100") << 250 << 100;
    QTest::newRow("10,001 traces") << 10001 << 100;
}

void tst_TraceIndex::progress()
{
    QFETCH(int, traces);
    QFETCH(int, lastValue);

    const QString segy = dir.filePath(QStringLiteral("progress%1.sgy").arg(traces));
    QVERIFY(writeSegy(segy, generatedHeaders(traces)));
    Observed observed;
    QCOMPARE(writeTraceIndex(segy, kTraceBytes, traces, HeaderDefs(kGeneratedDefs).get(),
                             observed.sink()),
             TraceIndexResult::Written);
    QCOMPARE(observed.begun, 1);
    QCOMPARE(observed.valuesBeforeBegun, 0);
    QVector<int> expected;
    for (int v = 1; v <= lastValue; ++v)
        expected.append(v);
    QCOMPARE(observed.values, expected);
}

void tst_TraceIndex::replacesExistingIndex()
{
    const QString segy = dir.filePath(QStringLiteral("again.sgy"));
    QVERIFY(writeSegy(segy, {header({{9, 4, 42}}), header({{9, 4, 43}})}));
    {
        QFile old(traceIndexPath(segy));
        QVERIFY(old.open(QIODevice::WriteOnly));
        QVERIFY(old.write(QByteArray(1000, '\x55')) == 1000);
    }
    QCOMPARE(writeTraceIndex(segy, kTraceBytes, 2, HeaderDefs(kDefaultDefs).get(), ProgressSink{}),
             TraceIndexResult::Written);
    QString problem;
    const QVector<int> values = readRecords(traceIndexPath(segy), &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(values, (QVector<int>{42, 0, 0, 43, 0, 0}));
}

void tst_TraceIndex::badLayout_data()
{
    QTest::addColumn<QVector<int>>("defs");
    QTest::addColumn<qint64>("trBytes");
    QTest::addColumn<int>("traces");
    QTest::addColumn<TraceIndexResult>("result");

    const auto bad = TraceIndexResult::BadLayout;
    const auto written = TraceIndexResult::Written;
    QTest::newRow("position 0") << QVector<int>{0, 4, 13, 4, 37, 4} << kTraceBytes << 2 << bad;
    QTest::newRow("negative position") << QVector<int>{9, 4, -3, 2, 37, 4} << kTraceBytes << 2 << bad;
    QTest::newRow("position 241") << QVector<int>{9, 4, 13, 4, 241, 2} << kTraceBytes << 2 << bad;
    QTest::newRow("4 bytes from 238 pass byte 240") << QVector<int>{9, 4, 13, 4, 238, 4} << kTraceBytes << 2 << bad;
    QTest::newRow("huge length") << QVector<int>{9, 2000000000, 13, 4, 37, 4} << kTraceBytes << 2 << bad;
    QTest::newRow("huge position") << QVector<int>{2147483647, 2, 13, 4, 37, 4} << kTraceBytes << 2 << bad;
    QTest::newRow("negative trace count") << kDefaultDefs << kTraceBytes << -1 << bad;
    QTest::newRow("negative trace length") << kDefaultDefs << qint64(-240) << 2 << bad;
    QTest::newRow("trace length beyond 32 bits") << kDefaultDefs << (qint64(1) << 40) << 2 << bad;
    QTest::newRow("4 bytes from 237 end on byte 240") << QVector<int>{9, 4, 13, 4, 237, 4} << kTraceBytes << 2 << written;
    QTest::newRow("length 1 on byte 240") << QVector<int>{9, 4, 13, 4, 240, 1} << kTraceBytes << 2 << written;
    QTest::newRow("negative length") << QVector<int>{9, -4, 13, 4, 37, 4} << kTraceBytes << 2 << written;
}

void tst_TraceIndex::badLayout()
{
    QFETCH(QVector<int>, defs);
    QFETCH(qint64, trBytes);
    QFETCH(int, traces);
    QFETCH(TraceIndexResult, result);

    const QString segy = dir.filePath(QStringLiteral("layout.sgy"));
    QVERIFY(writeSegy(segy, generatedHeaders(2)));
    QFile::remove(traceIndexPath(segy));
    const QByteArray segyBefore = fileBytes(segy);
    Observed observed;
    QCOMPARE(writeTraceIndex(segy, trBytes, traces, HeaderDefs(defs).get(), observed.sink()), result);
    const bool written = result == TraceIndexResult::Written;
    QCOMPARE(QFile::exists(traceIndexPath(segy)), written);
    QCOMPARE(observed.begun, written ? 1 : 0);
    QVERIFY(fileBytes(segy) == segyBefore);
}

void tst_TraceIndex::segyOpenFailed_data()
{
    QTest::addColumn<QString>("name");

    QTest::newRow("missing file") << QStringLiteral("missing.sgy");
    QTest::newRow("missing folder") << QStringLiteral("no folder/line.sgy");
    QTest::newRow("a folder") << QStringLiteral("folder.sgy");
}

void tst_TraceIndex::segyOpenFailed()
{
    QFETCH(QString, name);

    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("folder.sgy")));
    const QString segy = dir.filePath(name);
    Observed observed;
    QCOMPARE(writeTraceIndex(segy, kTraceBytes, 10, HeaderDefs(kDefaultDefs).get(), observed.sink()),
             TraceIndexResult::SegyOpenFailed);
    QVERIFY(!QFileInfo::exists(traceIndexPath(segy)));
    QCOMPARE(observed.begun, 0);
}

void tst_TraceIndex::indexCreateFailed_data()
{
    QTest::addColumn<bool>("asLink");

    QTest::newRow("index path is a folder") << false;
    QTest::newRow("index path links into a missing folder") << true;
}

void tst_TraceIndex::indexCreateFailed()
{
    QFETCH(bool, asLink);

    const QString segy = dir.filePath(asLink ? QStringLiteral("linked.sgy") : QStringLiteral("foldered.sgy"));
    QVERIFY(writeSegy(segy, generatedHeaders(3)));
    const QByteArray segyBefore = fileBytes(segy);
    const QString index = traceIndexPath(segy);
    if (asLink)
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("no folder/x.index")), index));
    else
        QVERIFY(QDir(dir.path()).mkpath(QFileInfo(index).fileName()));

    Observed observed;
    QCOMPARE(writeTraceIndex(segy, kTraceBytes, 3, HeaderDefs(kDefaultDefs).get(), observed.sink()),
             TraceIndexResult::IndexCreateFailed);
    QCOMPARE(observed.begun, 0);
    QVERIFY(fileBytes(segy) == segyBefore);
    if (asLink) {
        QVERIFY(QFileInfo(index).isSymLink());
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("no folder"))));
    } else {
        QVERIFY(QFileInfo(index).isDir());
        QVERIFY(QDir(index).isEmpty());
    }
}

void tst_TraceIndex::realFiles_data()
{
    QTest::addColumn<QString>("name");

    QTest::newRow("viking_small.segy") << QStringLiteral("viking_small.segy");
    QTest::newRow("bflinchum_survey1_12shots_concat.sgy") << QStringLiteral("bflinchum_survey1_12shots_concat.sgy");
    QTest::newRow("shot-gather.sgy") << QStringLiteral("shot-gather.sgy");
    QTest::newRow("f3.sgy") << QStringLiteral("f3.sgy");
}

// segyio reads the trace count, the trace length and the three fields on its own.
void tst_TraceIndex::realFiles()
{
    QFETCH(QString, name);

    const QString source = TestSupport::dataFile(name);
    QVERIFY2(QFile::exists(source), qPrintable(source));
    // The index is written beside the SEG-Y file, so work on a copy.
    const QString segy = dir.filePath(name);
    QFile::remove(segy);
    QVERIFY(QFile::copy(source, segy));
    QVERIFY(QFile::setPermissions(segy, QFile::ReadOwner | QFile::WriteOwner));

    const TestSupport::SegyioDump dump = TestSupport::segyioDump(segy);
    QVERIFY2(dump.ok, qPrintable(dump.error));
    QCOMPARE(dump.extHeaders, 0);
    QVERIFY(dump.traceCount > 0);
    const qint64 trBytes = 240 + qint64(dump.samples) * SegyWriter::bytesPerSample(dump.format);
    QCOMPARE(QFileInfo(segy).size(), 3600 + dump.traceCount * trBytes);
    QVector<int> expected;
    for (const TestSupport::SegyioTrace &trace : dump.traces)
        expected << trace.ffid << trace.channel << trace.offset;

    const QByteArray segyBefore = fileBytes(segy);
    QCOMPARE(writeTraceIndex(segy, trBytes, dump.traceCount, HeaderDefs(kDefaultDefs).get(),
                             ProgressSink{}),
             TraceIndexResult::Written);
    QString problem;
    const QVector<int> values = readRecords(traceIndexPath(segy), &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY2(values == expected, qPrintable(firstDifference(values, expected)));
    QVERIFY(fileBytes(segy) == segyBefore);
}

QTEST_GUILESS_MAIN(tst_TraceIndex)
#include "tst_TraceIndex.moc"
