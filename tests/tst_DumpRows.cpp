#include "DumpRows.h"
#include "ShotTable.h"

#include <QRandomGenerator>
#include <QtTest>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

using Shot = QVector<fbRec>;

float fromBits(quint32 bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QByteArray written(float value)
{
    char text[kMaxDumpRowBytes];
    return QByteArray(text, int(writeCoordinate(text, value) - text));
}

QByteArray viewerText(float value)
{
    return QString::number(double(value), 'f', 2).toLatin1();
}

// A shot of `traces` traces, every field of a trace set from its number, then changed by `change`.
template<typename Change>
Shot shot(int traces, Change change)
{
    Shot records(traces);
    for (int t = 0; t < traces; ++t) {
        fbRec &r = records[t];
        r = fbRec{};
        r.ffid = 1001;
        r.channel = t + 1;
        r.offset = 25 * t - 3000;
        r.g_elev = 400 + t;
        r.s_elev = 380;
        r.source_x = 500000.125f;
        r.source_y = 6500000.5f;
        r.group_x = 500000.0f + 12.5f * float(t);
        r.group_y = -0.375f;
        r.s_stat = -7;
        change(r, t);
    }
    return records;
}

} // namespace

Q_DECLARE_METATYPE(fbRec)

class tst_DumpRows : public QObject
{
    Q_OBJECT

private slots:
    void coordinates_data()
    {
        QTest::addColumn<float>("value");
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const float inf = std::numeric_limits<float>::infinity();
        QTest::newRow("0.125 is a tie, away from zero") << 0.125f;
        QTest::newRow("2.625 likewise") << 2.625f;
        QTest::newRow("-0.125 likewise") << -0.125f;
        QTest::newRow("-1.005 lies below the tie") << -1.005f;
        QTest::newRow("a UTM easting in centimetres") << float(50000012 / 100.0);
        QTest::newRow("-0.0 reads as 0.00") << -0.0f;
        QTest::newRow("a tiny negative keeps its sign") << -0.001f;
        QTest::newRow("smallest subnormal") << fromBits(1);
        QTest::newRow("negative NaN") << -nan;
        QTest::newRow("infinity") << inf;
        QTest::newRow("minus infinity") << -inf;
        QTest::newRow("largest float") << -std::numeric_limits<float>::max();
        QTest::newRow("2^62, the last shifted whole number") << std::ldexp(1.0f, 62);
        QTest::newRow("2^63, past 64 bits") << std::ldexp(1.0f, 63);
        QTest::newRow("0.995 rounds up to 1.00") << 0.995f;
    }

    void coordinates()
    {
        QFETCH(float, value);
        QCOMPARE(written(value), viewerText(value));
    }

    // Every eighth (all the ties) around zero and around a UTM easting, and random bit patterns.
    void coordinateSweep()
    {
        QVector<float> values;
        for (int k = -80000; k <= 80000; ++k) {
            values << float(k) / 8 << 500000.0f + float(k) / 32;
        }
        QRandomGenerator random(19);
        for (int i = 0; i < 200000; ++i)
            values << fromBits(random.generate());
        for (const float value : values) {
            if (written(value) != viewerText(value))
                QFAIL(qPrintable(QStringLiteral("%1 written as %2, the viewer shows %3")
                                         .arg(double(value), 0, 'g', 9).arg(QString::fromLatin1(written(value)),
                                                                            QString::fromLatin1(viewerText(value)))));
        }
    }

    void rows_data()
    {
        QTest::addColumn<Shot>("records");
        QTest::addColumn<QVector<CustomValues>>("custom");
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const QVector<CustomValues> extremes{{INT_MIN, INT_MAX}, {-1, 0}, {INT_MAX, INT_MIN}};
        QTest::newRow("extreme integers") << shot(3, [](fbRec &r, int t) {
            r.ffid = INT_MIN;
            r.offset = t == 1 ? INT_MAX : INT_MIN;
            r.s_line = t == 2 ? INT_MIN : 0;
        }) << extremes;
        QTest::newRow("signed zeros agree in source_x") << shot(3, [](fbRec &r, int t) {
            r.source_x = t == 0 ? -0.0f : 0.0f;
            r.source_y = t == 0 ? 0.0f : -0.0f;
            r.group_x = -0.0f;
        }) << extremes;
        QTest::newRow("NaN never agrees") << shot(3, [&](fbRec &r, int) { r.source_y = nan; r.group_y = -nan; }) << extremes;
        QTest::newRow("huge, infinite and varying") << shot(3, [](fbRec &r, int t) {
            r.source_x = t == 1 ? std::numeric_limits<float>::infinity() : 3.0e38f;
            r.group_x = -std::numeric_limits<float>::max();
            r.s_elev = 380 + t;
        }) << extremes;
        QTest::newRow("one trace") << shot(1, [](fbRec &r, int) { r.source_x = -1.005f; }) << extremes.mid(0, 1);
    }

    // Every row as the viewer's texts joined, under both separators.
    void rows()
    {
        QFETCH(Shot, records);
        QFETCH(QVector<CustomValues>, custom);
        const QVector<int> varying = varyingColumns(records);
        for (const char separator : {',', '\t'}) {
            QByteArray expected = "header\n";
            for (int r = 0; r < records.size(); ++r)
                expected += rowTexts(records, custom, r, varying).join(QLatin1Char(separator)).toLatin1() + '\n';
            QByteArray rows = "header\n";
            appendDumpRows(records, custom, separator, rows);
            QCOMPARE(rows, expected);
        }
    }
};

QTEST_GUILESS_MAIN(tst_DumpRows)
#include "tst_DumpRows.moc"
