#include "ShotTable.h"

#include <QtTest>

#include <functional>
#include <limits>

Q_DECLARE_METATYPE(fbRec)

namespace {

// A trace whose every shown field holds a value of its own, so that a column reading the wrong
// field shows the wrong text.
const fbRec kSample = {1001, 17, -262, 412, 398, 12, 500012.5f, 6500025.0f, 500100.25f, 6500050.5f,
                       7, -3, 8, -4, 0, 0, 0, 0, 0, 0, 0};

// A shot of equal traces, then changed as the case needs.
QVector<fbRec> shot(int traces, const std::function<void(QVector<fbRec> &)> &change)
{
    QVector<fbRec> records(traces, kSample);
    change(records);
    return records;
}

// The combo text of shot `index` among `count` shots, that shot having the FFID given.
QString comboText(int count, int index, qint32 ffid)
{
    QVector<ShotEntry> shots(count);
    shots[index].ffid = ffid;
    return ffidComboTexts(shots).value(index);
}

} // namespace

class tst_ShotTable : public QObject
{
    Q_OBJECT

private slots:
    void shotConstantColumns();
    void columnAgrees_data();
    void columnAgrees();
    void texts_data();
    void texts();
};

// The channel, offset, receiver and custom columns are never tested, so never red.
void tst_ShotTable::shotConstantColumns()
{
    QList<int> constant;
    for (int c = 0; c < kColumnCount; ++c)
        if (isShotConstantColumn(c))
            constant << c;
    QCOMPARE(constant, (QList<int>{0, 4, 5, 6, 7, 10, 11}));
}

void tst_ShotTable::columnAgrees_data()
{
    QTest::addColumn<QVector<fbRec>>("records");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("agrees");

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const QVector<fbRec> lastElev = shot(48, [](auto &s) { s.last().s_elev = 399; });
    QTest::newRow("one record, even NaN") << shot(1, [=](auto &s) { s[0].source_y = nan; }) << 7 << true;
    QTest::newRow("s_elev differs in the last trace") << lastElev << 4 << false;
    QTest::newRow("s_depth beside it agrees") << lastElev << 5 << true;
    // Integers beyond 2^24 would collapse if compared as floats.
    QTest::newRow("16777216 and 16777217 differ")
        << shot(2, [](auto &s) { s[0].s_stat = 16777216; s[1].s_stat = 16777217; }) << 11 << false;
    // Both show 1000.00: the stored floats decide, not the texts.
    QTest::newRow("1000.0 and 1000.004 differ")
        << shot(2, [](auto &s) { s[0].source_x = 1000.0f; s[1].source_x = 1000.004f; }) << 6 << false;
    QTest::newRow("NaN in record 0's source_y") << shot(3, [=](auto &s) { s[0].source_y = nan; }) << 7 << false;
    QTest::newRow("-0.0 and +0.0 agree")
        << shot(2, [](auto &s) { s[0].source_x = -0.0f; s[1].source_x = 0.0f; }) << 6 << true;
    QTest::newRow("varying receivers leave the source agreeing")
        << shot(3, [](auto &s) { s[1].group_x = 1.0f; s[2].group_y = 2.0f; s[2].g_line = 9; }) << 6 << true;
}

void tst_ShotTable::columnAgrees()
{
    QFETCH(QVector<fbRec>, records);
    QFETCH(int, column);
    QFETCH(bool, agrees);
    QCOMPARE(::columnAgrees(records, column), agrees);
}

void tst_ShotTable::texts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    const QStringList columns = {"1001", "17", "-262", "412", "398", "12", "500012.50", "6500025.00",
                                 "500100.25", "6500050.50", "7", "-3", "8", "-4", "-71", "240000"};
    for (int c = 0; c < kColumnCount; ++c)
        QTest::addRow("column %d", c) << cellText(kSample, {-71, 240000}, c) << columns.at(c);
    fbRec v = kSample;
    v.s_elev = -15; v.source_x = -0.5f; v.source_y = 1000.004f; v.group_x = 2.675f; v.group_y = 1.0e9f;
    QTest::newRow("-0.50") << cellText(v, {}, 6) << "-0.50";
    QTest::newRow("1000.004 shows 1000.00") << cellText(v, {}, 7) << "1000.00";
    QTest::newRow("stored 2.675 shows 2.67") << cellText(v, {}, 8) << "2.67";
    QTest::newRow("1e9 has no exponent") << cellText(v, {}, 9) << "1000000000.00";

    QTest::newRow("bytes 71/2") << byteRangeText(71, 2) << "71-72";
    QTest::newRow("bytes 237/4") << byteRangeText(237, 4) << "237-240";
    QTest::newRow("bytes 71/3 keep the typed length") << byteRangeText(71, 3) << "71-73";

    QTest::newRow("9 shots, no padding") << comboText(9, 8, 9) << "9 > 9";
    QTest::newRow("9 shots, long FFID written whole") << comboText(9, 3, 1001) << "4 > 1001";
    QTest::newRow("12 shots, third") << comboText(12, 2, 7) << " 3 >  7";
    QTest::newRow("250 shots, first") << comboText(250, 0, 1001) << "  1 > 1001";
}

// Cell, byte range and shot combo texts.
void tst_ShotTable::texts()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
}

QTEST_APPLESS_MAIN(tst_ShotTable)
#include "tst_ShotTable.moc"
