#include "ShotTable.h"

#include <QtTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(fbRec)

namespace {

// A trace whose every field holds a value of its own, so that a column reading the wrong
// field shows the wrong text.
fbRec sampleRecord()
{
    fbRec r{};
    r.ffid = 1001;
    r.channel = 17;
    r.offset = -262;
    r.g_elev = 412;
    r.s_elev = 398;
    r.s_depth = 12;
    r.source_x = 500012.5f;
    r.source_y = 6500025.0f;
    r.group_x = 500100.25f;
    r.group_y = 6500050.5f;
    r.s_line = 7;
    r.s_stat = -3;
    r.g_line = 8;
    r.g_stat = -4;
    r.cdp = 555;
    return r;
}

QVector<fbRec> shot(int traces)
{
    return QVector<fbRec>(traces, sampleRecord());
}

} // namespace

class tst_ShotTable : public QObject
{
    Q_OBJECT

private slots:
    void shotConstantColumns_data();
    void shotConstantColumns();
    void columnAgrees_data();
    void columnAgrees();
    void cellText_data();
    void cellText();
    void byteRangeText_data();
    void byteRangeText();
    void ffidComboTexts_data();
    void ffidComboTexts();
};

void tst_ShotTable::shotConstantColumns_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("constant");

    const char *const names[kColumnCount] = {"ffid", "channel", "offset", "g_elev", "s_elev", "s_depth",
                                             "source_x", "source_y", "group_x", "group_y", "s_line",
                                             "s_stat", "g_line", "g_stat", "custom 1", "custom 2"};
    const QVector<int> constant = {0, 4, 5, 6, 7, 10, 11};
    for (int c = 0; c < kColumnCount; ++c)
        QTest::newRow(names[c]) << c << constant.contains(c);
}

void tst_ShotTable::shotConstantColumns()
{
    QFETCH(int, column);
    QFETCH(bool, constant);
    QCOMPARE(isShotConstantColumn(column), constant);
}

void tst_ShotTable::columnAgrees_data()
{
    QTest::addColumn<QVector<fbRec>>("records");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("agrees");

    const float nan = std::numeric_limits<float>::quiet_NaN();

    QTest::newRow("one record agrees") << shot(1) << 4 << true;
    QVector<fbRec> one = shot(1);
    one[0].source_y = nan;
    QTest::newRow("one record with NaN agrees") << one << 7 << true;
    QTest::newRow("no records agree") << QVector<fbRec>() << 0 << true;

    for (const int column : {0, 4, 5, 6, 7, 10, 11})
        QTest::newRow(qPrintable(QStringLiteral("equal shot, column %1").arg(column))) << shot(96) << column << true;

    QVector<fbRec> lastElev = shot(48);
    lastElev.last().s_elev = 399;
    QTest::newRow("s_elev differs in the last trace") << lastElev << 4 << false;
    QTest::newRow("s_depth beside it agrees") << lastElev << 5 << true;

    QVector<fbRec> middle = shot(10);
    middle[5].ffid = 1002;
    QTest::newRow("ffid differs in the middle") << middle << 0 << false;
    middle = shot(10);
    middle[1].s_line = 8;
    QTest::newRow("s_line differs in record 1") << middle << 10 << false;
    middle = shot(10);
    middle[9].s_stat = 0;
    QTest::newRow("s_stat differs") << middle << 11 << false;
    middle = shot(10);
    middle[3].s_depth = -12;
    QTest::newRow("s_depth differs in sign") << middle << 5 << false;

    // Integers beyond 2^24 collapse when compared as floats.
    QVector<fbRec> big = shot(2);
    big[0].s_elev = 16777216;
    big[1].s_elev = 16777217;
    QTest::newRow("16777216 and 16777217 differ") << big << 4 << false;

    QVector<fbRec> close = shot(5);
    for (fbRec &r : close)
        r.source_x = 1000.0f;
    close[2].source_x = 1000.004f;
    QTest::newRow("1000.0 and 1000.004 differ") << close << 6 << false;

    QVector<fbRec> nanFirst = shot(3);
    nanFirst[0].source_y = nan;
    QTest::newRow("NaN in record 0's source_y") << nanFirst << 7 << false;
    QVector<fbRec> nanAll = shot(3);
    for (fbRec &r : nanAll)
        r.source_y = nan;
    QTest::newRow("NaN everywhere differs") << nanAll << 7 << false;
    QVector<fbRec> nanLast = shot(3);
    nanLast[2].source_x = nan;
    QTest::newRow("NaN in the last source_x") << nanLast << 6 << false;

    QVector<fbRec> zeros = shot(4);
    zeros[0].source_x = -0.0f;
    zeros[1].source_x = 0.0f;
    zeros[2].source_x = -0.0f;
    zeros[3].source_x = 0.0f;
    QTest::newRow("-0.0 and +0.0 agree") << zeros << 6 << true;

    // Source columns only look at their own field, whatever the receivers do.
    QVector<fbRec> receivers = shot(4);
    for (int i = 0; i < receivers.size(); ++i) {
        receivers[i].group_x += float(i);
        receivers[i].group_y -= float(i);
        receivers[i].channel = i + 1;
    }
    QTest::newRow("varying receivers leave source_x agreeing") << receivers << 6 << true;
    QTest::newRow("varying receivers leave source_y agreeing") << receivers << 7 << true;
}

void tst_ShotTable::columnAgrees()
{
    QFETCH(QVector<fbRec>, records);
    QFETCH(int, column);
    QFETCH(bool, agrees);
    QCOMPARE(::columnAgrees(records, column), agrees);
}

void tst_ShotTable::cellText_data()
{
    QTest::addColumn<fbRec>("record");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");

    const fbRec r = sampleRecord();
    const QStringList expected = {"1001", "17", "-262", "412", "398", "12", "500012.50", "6500025.00",
                                  "500100.25", "6500050.50", "7", "-3", "8", "-4", "-71", "240000"};
    for (int c = 0; c < kColumnCount; ++c)
        QTest::newRow(qPrintable(QStringLiteral("column %1").arg(c))) << r << c << expected.at(c);

    fbRec v = sampleRecord();
    v.s_elev = -15;
    QTest::newRow("-15") << v << 4 << "-15";
    v.source_x = -0.5f;
    QTest::newRow("-0.50") << v << 6 << "-0.50";
    v.group_x = 2.675f;
    QTest::newRow("stored 2.675 shows 2.67") << v << 8 << "2.67";
    v.source_y = 1000.004f;
    QTest::newRow("1000.004 shows 1000.00") << v << 7 << "1000.00";
    v.group_y = 12345.675f;
    QTest::newRow("12345.675 stored just below shows .67") << v << 9 << "12345.67";
    v.source_x = 262143.985f;
    QTest::newRow("262143.985 stored just below shows .98") << v << 6 << "262143.98";
    v.source_y = 1.0e9f;
    QTest::newRow("1e9 has no exponent") << v << 7 << "1000000000.00";
    v.g_line = std::numeric_limits<qint32>::min();
    QTest::newRow("smallest integer") << v << 12 << "-2147483648";
    v.g_stat = std::numeric_limits<qint32>::max();
    QTest::newRow("largest integer") << v << 13 << "2147483647";
}

void tst_ShotTable::cellText()
{
    QFETCH(fbRec, record);
    QFETCH(int, column);
    QFETCH(QString, text);
    QCOMPARE(::cellText(record, CustomValues(-71, 240000), column), text);
}

void tst_ShotTable::byteRangeText_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("text");

    QTest::newRow("71/2") << 71 << 2 << "71-72";
    QTest::newRow("237/4") << 237 << 4 << "237-240";
    QTest::newRow("1/4") << 1 << 4 << "1-4";
    QTest::newRow("71/3 keeps the typed length") << 71 << 3 << "71-73";
}

void tst_ShotTable::byteRangeText()
{
    QFETCH(int, position);
    QFETCH(int, length);
    QFETCH(QString, text);
    QCOMPARE(::byteRangeText(position, length), text);
}

void tst_ShotTable::ffidComboTexts_data()
{
    QTest::addColumn<int>("shotCount");
    QTest::addColumn<int>("index");
    QTest::addColumn<qint32>("ffid");
    QTest::addColumn<QString>("text");

    QTest::newRow("9 shots, first") << 9 << 0 << 1 << "1 > 1";
    QTest::newRow("9 shots, last") << 9 << 8 << 9 << "9 > 9";
    QTest::newRow("9 shots, long FFID written whole") << 9 << 3 << 1001 << "4 > 1001";
    QTest::newRow("12 shots, third") << 12 << 2 << 7 << " 3 >  7";
    QTest::newRow("12 shots, last") << 12 << 11 << 12 << "12 > 12";
    QTest::newRow("12 shots, negative FFID") << 12 << 0 << -5 << " 1 > -5";
    QTest::newRow("250 shots, first") << 250 << 0 << 1001 << "  1 > 1001";
    QTest::newRow("250 shots, 10th") << 250 << 9 << 42 << " 10 >  42";
    QTest::newRow("250 shots, last") << 250 << 249 << 1250 << "250 > 1250";
    QTest::newRow("one shot") << 1 << 0 << 0 << "1 > 0";
}

void tst_ShotTable::ffidComboTexts()
{
    QFETCH(int, shotCount);
    QFETCH(int, index);
    QFETCH(qint32, ffid);
    QFETCH(QString, text);

    QVector<ShotEntry> shots(shotCount);
    for (int i = 0; i < shotCount; ++i)
        shots[i] = {i + 1, i * 10, i * 10 + 9};
    shots[index].ffid = ffid;

    const QStringList texts = ::ffidComboTexts(shots);
    QCOMPARE(texts.size(), shotCount);
    QCOMPARE(texts.at(index), text);
}

QTEST_APPLESS_MAIN(tst_ShotTable)
#include "tst_ShotTable.moc"
