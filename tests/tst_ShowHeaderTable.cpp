#include "BrowseParams.h"
#include "ModalDriver.h"
#include "ShowHeaderTable.h"
#include "TestSupport.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {

// Header text and width of the 14 field columns; the two custom columns follow.
const QStringList kFieldColumns = {"ffid 70", "channel 60", "offset 60", "g_elev 70", "s_elev 60", "s_depth 60",
    "source_x 90", "source_y 100", "group_x 90", "group_y 100", "s_line 60", "s_stat 70", "g_line 70", "g_stat 70"};
const QStringList kDefaultCustomColumns = {"byte71-72 90", "byte237-240 90"};
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
            traces.append({{9, 4, 1001 + s}, {13, 4, c + 1}, {37, 4, 25 * c - 100}, {41, 4, 400 + c},
                           {45, 4, 350 + (s == 1 && c == kShotSizes.at(1) - 1)}, {71, 2, c}, {81, 4, 1000 * c},
                           {85, 4, 2000 * c}, {101, 2, c}, {193, 4, 4 + c}, {237, 4, 100000 + c}});
    }
    return TestSupport::writeSegy(dir, QStringLiteral("line.sgy"), traces).isEmpty() ? QVector<ShotEntry>() : shots;
}

template <typename T>
T *child(QWidget &viewer, const char *name)
{
    return viewer.findChild<T *>(QLatin1String(name));
}

// "+" for an enabled button, "-" for a disabled one, in the bar's order, in which the form creates them.
QString buttonStates(QWidget &viewer)
{
    QString states;
    for (const QPushButton *button : viewer.findChildren<QPushButton *>())
        states += button->isEnabled() ? '+' : '-';
    return states;
}

// Each column's header text and width, as the user sees them.
QStringList columns(QWidget &viewer)
{
    QStringList shown;
    QTableView *table = child<QTableView>(viewer, "tableView");
    for (int c = 0; c < table->model()->columnCount(); ++c)
        shown << table->model()->headerData(c, Qt::Horizontal).toString() + ' ' + QString::number(table->columnWidth(c));
    return shown;
}

} // namespace

class tst_ShowHeaderTable : public QObject
{
    Q_OBJECT

    std::unique_ptr<ShowHeaderTable> open(int shotCount = 10)
    {
        auto viewer = std::make_unique<ShowHeaderTable>(&params, shots.mid(0, shotCount), nullptr);
        viewer->show();
        return viewer;
    }

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
    }

    void opening_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("shotCount");
        QTest::addColumn<int>("fastStep");
        QTest::addColumn<QVector<int>>("customPositionsAndLengths");
        QTest::addColumn<QStringList>("customColumns");

        QTest::newRow("plain name, 10 shots, step 5, form defaults")
            << "line.sgy" << 10 << 5 << QVector<int>({71, 2, 237, 4}) << kDefaultCustomColumns;
        QTest::newRow("blanks and non-ASCII, 1 shot, step 100, typed length 3 and byte 1")
            << "Linie 1 – Süd ß 01.sgy" << 1 << 100 << QVector<int>({71, 3, 1, 4})
            << QStringList({"byte71-73 90", "byte1-4 90"});
    }

    void opening()
    {
        QFETCH(QString, fileName);
        QFETCH(int, shotCount);
        QFETCH(int, fastStep);
        QFETCH(QVector<int>, customPositionsAndLengths);
        QFETCH(QStringList, customColumns);

        params.segyName = dir.filePath(fileName);
        params.fastStep = fastStep;
        for (qint32 *field : {&params.cust1Pos, &params.cust1Len, &params.cust2Pos, &params.cust2Len})
            *field = customPositionsAndLengths.takeFirst();
        // The shot the user looked at last time is not where the viewer opens.
        params.nowShIdx = 7;
        QVERIFY(params.segyName == linePath || QFile::copy(linePath, params.segyName));
        const auto viewer = open(shotCount);
        QCOMPARE(child<QLabel>(*viewer, "segyNameLabel")->text(), "SEGY File: " + params.segyName);
        QCOMPARE(child<QLabel>(*viewer, "totalShotsLabel")->text(), QStringLiteral("Number of shots:  %1 ").arg(shotCount));
        QCOMPARE(child<QPushButton>(*viewer, "bulkUpButton")->toolTip(), QString("Forward %1 shots").arg(fastStep));
        QCOMPARE(child<QPushButton>(*viewer, "bulkDownButton")->toolTip(), QString("Backward %1 shots").arg(fastStep));
        QCOMPARE(columns(*viewer), kFieldColumns + customColumns);
        QCOMPARE(child<QComboBox>(*viewer, "ffidCombo")->count(), shotCount);
        QCOMPARE(child<QLabel>(*viewer, "ffidLabel")->text(), QStringLiteral("FFID: 1001 ( 12 traces )"));
        // A single shot has nowhere to go.
        QCOMPARE(buttonStates(*viewer), shotCount == 1 ? "------" : "---+++");
    }

    void navigation_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("to");

        QTest::newRow("forward onto the shot with one s_elev apart") << 0 << "upButton" << 1;
        QTest::newRow("forward onto the one-trace shot") << 1 << "upButton" << 2;
        QTest::newRow("backward from the red shot onto the first") << 1 << "downButton" << 0;
        QTest::newRow("fast forward from 2 to 7") << 2 << "bulkUpButton" << 7;
        QTest::newRow("fast forward from 7 stops at 9") << 7 << "bulkUpButton" << 9;
        QTest::newRow("fast backward from 9 to 4") << 9 << "bulkDownButton" << 4;
        QTest::newRow("fast backward from 3 stops at 0") << 3 << "bulkDownButton" << 0;
        QTest::newRow("to the start") << 6 << "toStartButton" << 0;
        QTest::newRow("to the end") << 2 << "toEndButton" << 9;
    }

    void navigation()
    {
        QFETCH(int, from);
        QFETCH(QString, button);
        QFETCH(int, to);

        const auto viewer = open();
        child<QComboBox>(*viewer, "ffidCombo")->setCurrentIndex(from);
        QTest::mouseClick(child<QPushButton>(*viewer, qPrintable(button)), Qt::LeftButton);

        QCOMPARE(child<QComboBox>(*viewer, "ffidCombo")->currentIndex(), to);
        QCOMPARE(child<QLabel>(*viewer, "ffidLabel")->text(),
                 QString("FFID: %1 ( %2 traces )").arg(1001 + to).arg(kShotSizes.at(to)));
        // Backward buttons off at the first shot, forward buttons off at the last.
        QCOMPARE(buttonStates(*viewer), to == 0 ? "---+++" : to == 9 ? "+++---" : "++++++");

        // Only shot 1 has a shot-constant field apart, and then its whole column is red.
        QAbstractItemModel *model = child<QTableView>(*viewer, "tableView")->model();
        QCOMPARE(model->rowCount(), kShotSizes.at(to));
        QCOMPARE(model->index(0, 0).data().toString(), QString::number(1001 + to));
        for (int i = 0; i < model->rowCount() * 16; ++i) {
            const QVariant colour = model->index(i / 16, i % 16).data(Qt::ForegroundRole);
            QVERIFY2(to == 1 && i % 16 == 4 ? colour.value<QBrush>() == QBrush(QColor(255, 0, 0), Qt::SolidPattern)
                                            : !colour.isValid(),
                     qPrintable(QStringLiteral("row %1, column %2").arg(i / 16).arg(i % 16)));
        }
    }

    void missingFile()
    {
        params.segyName = dir.filePath(QStringLiteral("gone away/line 2.sgy"));
        ModalDriver driver;
        driver.then("QMessageBox", [&](QWidget *w) {
            auto *box = static_cast<QMessageBox *>(w);
            box->accept();
            QCOMPARE(box->windowTitle(), QStringLiteral("Error"));
            QCOMPARE(box->text(), "Cannot open file: " + params.segyName);
        });
        ShowHeaderTable viewer(&params, shots, nullptr);
        QVERIFY2(driver.finished(), qPrintable(driver.faults()));

        // The shot's rows stay, empty, under the headers and at the widths.
        QAbstractItemModel *model = child<QTableView>(viewer, "tableView")->model();
        QCOMPARE(model->rowCount(), kShotSizes.at(0));
        for (int i = 0; i < model->rowCount() * 16; ++i)
            QVERIFY(model->index(i / 16, i % 16).data().toString().isEmpty());
    }
};

QTEST_MAIN(tst_ShowHeaderTable)
#include "tst_ShowHeaderTable.moc"
