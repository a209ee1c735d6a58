#include "BrowseParams.h"
#include "ShotTable.h"
#include "ShowHeaderTable.h"
#include "TestSupport.h"

#include <QAbstractItemModelTester>
#include <QtTest>
#include <QtWidgets>

#include <functional>
#include <limits>

Q_DECLARE_METATYPE(fbRec)

namespace {

// Traces per shot, all different so that the row count tells the shots apart.
const QVector<int> kShotSizes = {12, 5, 1, 6, 3, 4, 2, 7, 8, 9};

// Shot 1 differs in s_elev on its last trace only; the per-trace fields differ on every trace.
QVector<ShotEntry> writeLine(const QString &dir)
{
    QVector<TestSupport::TraceHeaderValues> traces;
    QVector<ShotEntry> shots;
    for (int s = 0; s < kShotSizes.size(); ++s) {
        shots.append({1001 + s, qint32(traces.size()), qint32(traces.size()) + kShotSizes.at(s) - 1});
        for (int c = 0; c < kShotSizes.at(s); ++c)
            traces.append({{9, 4, 1001 + s}, {13, 4, c + 1}, {45, 4, 350 + (s == 1 && c == kShotSizes.at(1) - 1)},
                           {71, 2, c}, {81, 4, 1000 * c}, {237, 4, 100000 + c}});
    }
    return TestSupport::writeSegy(dir, QStringLiteral("line.sgy"), traces).isEmpty() ? QVector<ShotEntry>() : shots;
}

// What the user reads off the viewer: the labels, "+" or "-" for each button in the bar's order,
// the header, text and colour of the cells (a "*" marks red) of the first and last rows. The
// coordinate scalar of trace c is c, so group_x (1000 c) shows 1000 c².
QStringList seen(QWidget &viewer)
{
    QStringList shown;
    for (const char *name : {"segyNameLabel", "totalShotsLabel", "ffidLabel"})
        shown << viewer.findChild<QLabel *>(QLatin1String(name))->text();
    QString states;
    for (const QPushButton *button : viewer.findChildren<QPushButton *>())
        states += button->isEnabled() ? '+' : '-';
    shown << states + QStringLiteral(" ") + viewer.findChild<QPushButton *>("bulkUpButton")->toolTip();
    QAbstractItemModel *model = viewer.findChild<QTableView *>()->model();
    // The shot's model as any view relies on it: indexes, parents, counts and data of every role.
    const QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (int row : {0, model->rowCount() - 1}) {
        QString line;
        for (int c = 0; c < model->columnCount(); ++c)
            line += (shown.size() > 4 ? QString() : model->headerData(c, Qt::Horizontal).toString() + QLatin1Char('=')) + model->index(row, c).data().toString()
                    + (model->index(row, c).data(Qt::ForegroundRole).value<QBrush>() == QBrush(QColor(255, 0, 0)) ? "* " : " ");
        shown << line.trimmed();
    }
    return shown;
}

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

class tst_ShowHeaderTable : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    const QString linePath = dir.filePath(QStringLiteral("line.sgy"));
    const QVector<ShotEntry> shots = writeLine(dir.path());
    BrowseParams params;

private slots:
    void init()
    {
        QCOMPARE(shots.size(), kShotSizes.size());
        params = BrowseParams();
        params.segyName = linePath;
        params.fastStep = 5;
        // The shot the user looked at last time is not where the viewer opens.
        params.nowShIdx = 7;
    }

    void navigation_data()
    {
        QTest::addColumn<int>("shotCount");
        QTest::addColumn<int>("from"); // -1: as the viewer opens
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("to");
        QTest::newRow("opens on the first shot") << 10 << -1 << "" << 0;
        QTest::newRow("a single shot has nowhere to go") << 1 << -1 << "" << 0;
        QTest::newRow("forward onto the shot with one s_elev apart") << 10 << 0 << "upButton" << 1;
        QTest::newRow("backward from the red shot onto the first") << 10 << 1 << "downButton" << 0;
        QTest::newRow("fast forward from 2 to 7") << 10 << 2 << "bulkUpButton" << 7;
        QTest::newRow("fast forward from 7 stops at 9") << 10 << 7 << "bulkUpButton" << 9;
        QTest::newRow("fast backward from 9 to 4") << 10 << 9 << "bulkDownButton" << 4;
        QTest::newRow("fast backward from 3 stops at 0") << 10 << 3 << "bulkDownButton" << 0;
        QTest::newRow("to the end") << 10 << 2 << "toEndButton" << 9;
        // The button is off at the first shot, but its slot can still be reached by name.
        QTest::newRow("the previous-shot slot at the first shot stays there") << 10 << 0 << "on_downButton_clicked" << 0;
    }

    void navigation()
    {
        QFETCH(int, shotCount);
        QFETCH(int, from);
        QFETCH(QString, button);
        QFETCH(int, to);
        ShowHeaderTable viewer(&params, shots.mid(0, shotCount), nullptr);
        viewer.show();
        if (from >= 0) {
            viewer.findChild<QComboBox *>()->setCurrentIndex(from);
            if (button.startsWith(QLatin1String("on_")))
                QVERIFY(QMetaObject::invokeMethod(&viewer, qPrintable(button)));
            else
                QTest::mouseClick(viewer.findChild<QPushButton *>(button), Qt::LeftButton);
        }
        QCOMPARE(viewer.findChild<QComboBox *>()->currentIndex(), to);
        QCOMPARE(viewer.findChild<QComboBox *>()->count(), shotCount);
        const int n = kShotSizes.at(to) - 1;
        const QString first = QStringLiteral("ffid=%1 channel=1 offset=0 g_elev=0 s_elev=350%2 s_depth=0 source_x=0.00 "
                                             "source_y=0.00 group_x=0.00 group_y=0.00 s_line=0 s_stat=0 g_line=0 g_stat=0 "
                                             "byte71-72=0 byte237-240=100000").arg(1001 + to).arg(to == 1 ? "*" : "");
        const QString last = QStringLiteral("%1 %2 0 0 %3 0 0.00 0.00 %4.00 0.00 0 0 0 0 %5 %6")
                .arg(1001 + to).arg(n + 1).arg(to == 1 ? "351*" : "350").arg(n * n * 1000).arg(n).arg(100000 + n);
        // Backward buttons off at the first shot, forward buttons off at the last.
        QCOMPARE(seen(viewer), (QStringList{"SEGY File: " + linePath, QStringLiteral("Number of shots:  %1 ").arg(shotCount),
                                            QStringLiteral("FFID: %1 ( %2 traces )").arg(1001 + to).arg(n + 1),
                                            (shotCount == 1 ? "------" : to == 0 ? "---+++" : to == 9 ? "+++---" : "++++++")
                                                    + QStringLiteral(" Forward 5 shots"), first, last}));
    }

    void columnAgrees_data()
    {
        QTest::addColumn<QVector<fbRec>>("records");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("agrees");
        const float nan = std::numeric_limits<float>::quiet_NaN();
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

QTEST_MAIN(tst_ShowHeaderTable)
#include "tst_ShowHeaderTable.moc"
