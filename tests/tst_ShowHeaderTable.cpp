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

// A layout by its items ("<->" the form's 40 x 20 spacer that grows sideways, "!" a stretch or alignment);
// a widget by its class, the size limits and the font it has, its tooltip and its text.
QString describe(QObject *object)
{
    QStringList parts(QString::fromLatin1(object->metaObject()->className()));
    if (auto *layout = qobject_cast<QBoxLayout *>(object)) {
        for (int i = 0; i < layout->count(); ++i) {
            QLayoutItem *item = layout->itemAt(i);
            parts << (item->widget() ? item->widget()->objectName() : item->layout() ? item->layout()->objectName()
                      : item->sizeHint() == QSize(40, 20) && item->expandingDirections() == Qt::Horizontal ? "<->" : "?")
                         + (layout->stretch(i) != 0 || item->alignment() != 0 ? "!" : "");
        }
        return parts.join(' ');
    }
    auto *w = static_cast<QWidget *>(object);
    if (w->maximumSize() != QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX))
        parts << QStringLiteral("max %1x%2").arg(w->maximumWidth()).arg(w->maximumHeight());
    if (!w->minimumSize().isNull())
        parts << QStringLiteral("min %1x%2").arg(w->minimumWidth()).arg(w->minimumHeight());
    parts << QStringLiteral("%1 %2 %3%4").arg(w->font().family()).arg(w->font().pointSize()).arg(w->font().weight())
                 .arg(w->testAttribute(Qt::WA_SetFont) ? " own" : "");
    return (parts << w->toolTip() << w->property("text").toString()).join(" | ");
}

// Marks every text with the context it is translated in.
struct ContextMarker : QTranslator
{
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        return QStringLiteral("[%1]%2").arg(QLatin1String(context), QString::fromUtf8(sourceText));
    }
    bool isEmpty() const override { return false; }
};

// Names a child the moment it is added, so that the window has a name before its form is set up.
struct ChildNamer : QObject
{
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::ChildAdded)
            static_cast<QChildEvent *>(event)->child()->setObjectName(QStringLiteral("named"));
        return false;
    }
};

} // namespace

class tst_ShowHeaderTable : public QObject
{
    Q_OBJECT

    std::unique_ptr<ShowHeaderTable> open(int shotCount = 10, QWidget *parent = nullptr)
    {
        auto viewer = std::make_unique<ShowHeaderTable>(&params, shots.mid(0, shotCount), parent);
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

    void form_data()
    {
        QTest::addColumn<QString>("shown");

        const QString button = "QPushButton | max 31x23 | Segoe UI 10 50 | ";
        QTest::newRow("verticalLayout") << "QVBoxLayout horizontalLayout tableView horizontalLayout_3";
        QTest::newRow("horizontalLayout") << "QHBoxLayout segyNameLabel <-> totalShotsLabel ffidLabel";
        QTest::newRow("horizontalLayout_3") << "QHBoxLayout <-> horizontalLayout_2 <->";
        QTest::newRow("horizontalLayout_2")
            << "QHBoxLayout toStartButton bulkDownButton downButton ffidCombo upButton bulkUpButton toEndButton";
        QTest::newRow("segyNameLabel") << "QLabel | Microsoft YaHei UI 10 50 own |  | SEGY File: " + linePath;
        QTest::newRow("totalShotsLabel") << "QLabel | Segoe UI 10 50 |  | Number of shots:  10 ";
        QTest::newRow("ffidLabel") << "QLabel | Segoe UI 10 50 |  | FFID: 1001 ( 12 traces )";
        QTest::newRow("tableView") << "QTableView | Segoe UI 10 50 |  | ";
        QTest::newRow("toStartButton") << button + "to start shot | |<";
        QTest::newRow("bulkDownButton") << button + "Backward 5 shots | <<";
        QTest::newRow("downButton") << button + "backward | <";
        QTest::newRow("ffidCombo") << "QComboBox | min 91x22 | Segoe UI 10 50 | to specified shot | ";
        QTest::newRow("upButton") << button + "forward | >";
        QTest::newRow("bulkUpButton") << button + "Forward 5 shots | >>";
        QTest::newRow("toEndButton") << button + "to end shot | >|";
    }

    void form()
    {
        QFETCH(QString, shown);
        const auto viewer = open();
        QObject *object = viewer->findChild<QObject *>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(object);
        QCOMPARE(describe(object), shown);
    }

    void windowAndTranslationContexts()
    {
        ContextMarker marker;
        QVERIFY(QCoreApplication::installTranslator(&marker));
        const auto viewer = open();
        QCoreApplication::removeTranslator(&marker);

        QCOMPARE(viewer->objectName(), QStringLiteral("ShowHeaderTable"));
        QCOMPARE(viewer->windowTitle(), QStringLiteral("[ShowHeaderTable]Browse SEGY Header"));
        QCOMPARE(viewer->size(), QSize(1250, 700));
        QCOMPARE(viewer->findChild<QHBoxLayout *>(QStringLiteral("horizontalLayout"))->spacing(), 12);
        // The field names are general words; "byte", the FFID and the fast tooltips are the viewer's own.
        QCOMPARE(columns(*viewer).filter("[QObject]").size(), 14);
        QCOMPARE(columns(*viewer).filter("[ShowHeaderTable]byte").size(), 2);
        QCOMPARE(child<QLabel>(*viewer, "ffidLabel")->text(), "[ShowHeaderTable]FFID: 1001 [QObject]( 12 traces )");
        QCOMPARE(child<QPushButton>(*viewer, "bulkUpButton")->toolTip(), "[ShowHeaderTable]Forward 5 shots");
        QCOMPARE(child<QPushButton>(*viewer, "bulkDownButton")->toolTip(), "[ShowHeaderTable]Backward 5 shots");

        // The navigation follows the table, the two fast buttons last; the table's own parts are Qt's.
        QStringList chain;
        for (QWidget *w = viewer->nextInFocusChain(); w != viewer.get(); w = w->nextInFocusChain())
            chain << w->objectName();
        QCOMPARE(chain.filter(QRegularExpression("^(?!qt_).")).join(' '),
                 "segyNameLabel totalShotsLabel ffidLabel tableView toStartButton downButton ffidCombo upButton "
                 "toEndButton bulkDownButton bulkUpButton");
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
        ChildNamer namer;
        QWidget parent;
        parent.installEventFilter(&namer);
        const auto viewer = open(shotCount, &parent);

        QCOMPARE(viewer->objectName(), QStringLiteral("named"));
        QCOMPARE(child<QLabel>(*viewer, "segyNameLabel")->text(), "SEGY File: " + params.segyName);
        QCOMPARE(child<QLabel>(*viewer, "totalShotsLabel")->text(), QStringLiteral("Number of shots:  %1 ").arg(shotCount));
        QCOMPARE(child<QPushButton>(*viewer, "bulkUpButton")->toolTip(), QString("Forward %1 shots").arg(fastStep));
        QCOMPARE(child<QPushButton>(*viewer, "bulkDownButton")->toolTip(), QString("Backward %1 shots").arg(fastStep));
        QCOMPARE(columns(*viewer), kFieldColumns + customColumns);
        QCOMPARE(child<QComboBox>(*viewer, "ffidCombo")->count(), shotCount);
        QVERIFY(child<QComboBox>(*viewer, "ffidCombo")->isEnabled());
        QCOMPARE(child<QLabel>(*viewer, "ffidLabel")->text(), QStringLiteral("FFID: 1001 ( 12 traces )"));
        // A single shot has nowhere to go.
        QCOMPARE(buttonStates(*viewer), shotCount == 1 ? "------" : "---+++");
    }

    void table()
    {
        const auto viewer = open();
        QTableView *table = child<QTableView>(*viewer, "tableView");
        QAbstractItemModelTester tester(table->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(table->verticalHeader()->isHidden());

        // A click selects the whole row; neither a double click nor typing opens an editor.
        const QPoint centre = table->visualRect(table->model()->index(3, 5)).center();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
        QCOMPARE(table->selectionModel()->selectedRows().value(0).row(), 3);
        QCOMPARE(table->selectionModel()->selectedIndexes().size(), 16);
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
        QTest::keyClicks(table, "9");
        QVERIFY(table->viewport()->findChildren<QLineEdit *>().isEmpty());

        // Picking the current shot from the list again shows nothing new.
        QComboBox *combo = child<QComboBox>(*viewer, "ffidCombo");
        QSignalSpy replaced(table->model(), &QObject::destroyed);
        QSignalSpy picked(combo, QOverload<int>::of(&QComboBox::activated));
        combo->showPopup();
        QTest::keyClick(combo->view(), Qt::Key_Return);
        QCOMPARE(picked.count(), 1);
        QCOMPARE(replaced.count(), 0);
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
        // A width the user dragged lasts only until the next shot.
        child<QTableView>(*viewer, "tableView")->horizontalHeader()->resizeSection(6, 333);
        QTest::mouseClick(child<QPushButton>(*viewer, qPrintable(button)), Qt::LeftButton);

        QCOMPARE(child<QComboBox>(*viewer, "ffidCombo")->currentIndex(), to);
        QCOMPARE(child<QLabel>(*viewer, "ffidLabel")->text(),
                 QString("FFID: %1 ( %2 traces )").arg(1001 + to).arg(kShotSizes.at(to)));
        QCOMPARE(columns(*viewer), kFieldColumns + kDefaultCustomColumns);
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
            QCOMPARE(box->icon(), QMessageBox::Information);
            QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        });
        ShowHeaderTable viewer(&params, shots, nullptr);
        QVERIFY2(driver.finished(), qPrintable(driver.faults()));

        // The shot's rows stay, empty, under the headers and at the widths.
        QAbstractItemModel *model = child<QTableView>(viewer, "tableView")->model();
        QCOMPARE(model->rowCount(), kShotSizes.at(0));
        for (int i = 0; i < model->rowCount() * 16; ++i)
            QVERIFY(model->index(i / 16, i % 16).data().toString().isEmpty());
        QCOMPARE(columns(viewer), kFieldColumns + kDefaultCustomColumns);
    }
};

QTEST_MAIN(tst_ShowHeaderTable)
#include "tst_ShowHeaderTable.moc"
