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

// Two or more equal traces, then changed as the case needs.
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
    void columnAgrees_data()
    {
        QTest::addColumn<QVector<fbRec>>("records");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("agrees");
        const float nan = std::numeric_limits<float>::quiet_NaN();
        QTest::newRow("one record, even NaN") << shot(1, [=](auto &s) { s[0].source_y = nan; }) << 7 << true;
        QTest::newRow("s_elev differs in the last trace") << shot(48, [](auto &s) { s.last().s_elev = 399; }) << 4 << false;
        QTest::newRow("a lower s_depth in the second of two") << shot(2, [](auto &s) { s[1].s_depth = 11; }) << 5 << false;
        // Integers beyond 2^24 would collapse if compared as floats.
        QTest::newRow("16777216 and 16777217 differ")
                << shot(2, [](auto &s) { s[0].s_stat = 16777216; s[1].s_stat = 16777217; }) << 11 << false;
        // Both show 1000.00: the stored floats decide, not the texts.
        QTest::newRow("1000.0 and 1000.004 differ")
                << shot(2, [](auto &s) { s[0].source_x = 1000.0f; s[1].source_x = 1000.004f; }) << 6 << false;
        QTest::newRow("NaN in record 0's source_y") << shot(3, [=](auto &s) { s[0].source_y = nan; }) << 7 << false;
        QTest::newRow("-0.0 and +0.0 agree") << shot(2, [](auto &s) { s[0].source_x = -0.0f; s[1].source_x = 0.0f; }) << 6 << true;
        QTest::newRow("varying receivers leave the source agreeing")
                << shot(3, [](auto &s) { s[1].group_x = 1.0f; s[2].group_y = 2.0f; s[2].g_line = 9; }) << 6 << true;
    }

    void columnAgrees()
    {
        QFETCH(QVector<fbRec>, records);
        QFETCH(int, column);
        QFETCH(bool, agrees);
        QCOMPARE(::columnAgrees(records, column), agrees);
    }

    // Cell, byte range and shot combo texts; the channel, offset, receiver and custom columns are never red.
    void texts()
    {
        QStringList cells, constant;
        for (int c = 0; c < kColumnCount; ++c) {
            cells << cellText(kSample, {-71, 240000}, c);
            constant << (isShotConstantColumn(c) ? "x" : "-");
        }
        QCOMPARE(cells.join(' '), "1001 17 -262 412 398 12 500012.50 6500025.00 500100.25 6500050.50 7 -3 8 -4 -71 240000");
        QCOMPARE(constant.join(""), "x---xxxx--xx----");
        fbRec v = kSample;
        v.source_x = -0.5f; v.source_y = 1000.004f; v.group_x = 2.675f; v.group_y = 1.0e9f;
        QCOMPARE(QStringList({cellText(v, {}, 6), cellText(v, {}, 7), cellText(v, {}, 8), cellText(v, {}, 9)}),
                 QStringList({"-0.50", "1000.00", "2.67", "1000000000.00"}));
        QCOMPARE(QStringList({byteRangeText(71, 2), byteRangeText(237, 4), byteRangeText(71, 3)}),
                 QStringList({"71-72", "237-240", "71-73"}));
        QCOMPARE(QStringList({comboText(9, 8, 9), comboText(9, 3, 1001), comboText(12, 2, 7), comboText(250, 0, 1001)}),
                 QStringList({"9 > 9", "4 > 1001", " 3 >  7", "  1 > 1001"}));
    }
};

QTEST_APPLESS_MAIN(tst_ShotTable)
#include "tst_ShotTable.moc"
