#include "BrowseParams.h"
#include "ModalDriver.h"
#include "ShowHeaderTable.h"
#include "TestSupport.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpacerItem>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTranslator>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

using TestSupport::TraceHeaderValues;

namespace {

const QStringList kNavigation = {"toStartButton", "bulkDownButton", "downButton", "upButton",
                                 "bulkUpButton", "toEndButton"};
const QStringList kFieldNames = {"ffid", "channel", "offset", "g_elev", "s_elev", "s_depth",
                                 "source_x", "source_y", "group_x", "group_y", "s_line", "s_stat",
                                 "g_line", "g_stat"};
const QVector<int> kWidths = {70, 60, 60, 70, 60, 60, 90, 100, 90, 100, 60, 70, 70, 70, 90, 90};
const QVector<int> kAllSourceColumns = {0, 4, 5, 6, 7, 10, 11};

// Traces per shot of the generated line; shot 4 spans three FFIDs on purpose.
const QVector<int> kShotSizes = {96, 5, 1, 6, 3, 4, 4, 4, 4, 4};

// Shot 0 agrees everywhere; 1 has a different s_elev on its last trace; 2 is one trace; 3 has
// one source_x of 1000.004 among 1000.000 (both shown as 1000.00); 4 varies in every source field.
TraceHeaderValues traceHeader(int shot, int c, int trace)
{
    const bool varies = shot == 4;
    qint64 sourceX = 500000000 + qint64(shot) * 25000;
    if (shot == 3)
        sourceX = c == 2 ? 1000004 : 1000000;
    if (varies)
        sourceX += c * 1000;
    qint64 sElev = 350 + shot;
    if (shot == 1 && c == kShotSizes.at(1) - 1)
        sElev += 1;
    return {
        {9, 4, 1001 + shot + (varies ? c : 0)},
        {13, 4, c + 1},
        {37, 4, 25 * c - 100},
        {41, 4, 400 + c},
        {45, 4, sElev + (varies ? c : 0)},
        {49, 4, 12 + (varies ? c : 0)},
        {71, 2, -1000},
        {73, 4, sourceX},
        {77, 4, 1200000000 + (varies ? c * 500 : 0)},
        {81, 4, 500000000 + qint64(c) * 12500},
        {85, 4, 1200000000 + qint64(c) * 1000},
        {99, 2, -5 + (varies ? c : 0)},
        {101, 2, c},
        {189, 4, 3 + (varies ? c : 0)},
        {193, 4, 4 + c},
        {237, 4, 100000 + trace},
    };
}

QVector<ShotEntry> writeLine(const QString &path)
{
    QVector<TraceHeaderValues> traces;
    QVector<ShotEntry> shots;
    for (int s = 0; s < kShotSizes.size(); ++s) {
        const qint32 first = traces.size();
        for (int c = 0; c < kShotSizes.at(s); ++c)
            traces.append(traceHeader(s, c, traces.size()));
        shots.append({1001 + s, first, qint32(traces.size()) - 1});
    }
    const QFileInfo info(path);
    if (TestSupport::writeSegy(info.path(), info.fileName(), traces).isEmpty())
        return {};
    return shots;
}

template <typename T>
T *child(QWidget &viewer, const char *name)
{
    T *widget = viewer.findChild<T *>(QLatin1String(name));
    if (!widget)
        qWarning("no %s named %s", T::staticMetaObject.className(), name);
    return widget;
}

QStandardItemModel *shownModel(QWidget &viewer)
{
    QTableView *table = child<QTableView>(viewer, "tableView");
    return table ? qobject_cast<QStandardItemModel *>(table->model()) : nullptr;
}

QStringList enabledButtons(QWidget &viewer)
{
    QStringList enabled;
    for (const QString &name : kNavigation) {
        if (child<QPushButton>(viewer, qPrintable(name))->isEnabled())
            enabled << name;
    }
    return enabled;
}

// One line per layout item: a widget or layout by its name, a spacer by its hint and policies.
QStringList describe(QLayout *layout)
{
    QStringList items;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        QString text;
        if (item->widget())
            text = item->widget()->objectName();
        else if (item->layout())
            text = item->layout()->objectName();
        else if (QSpacerItem *spacer = item->spacerItem())
            text = QStringLiteral("spacer %1x%2 %3/%4")
                       .arg(spacer->sizeHint().width())
                       .arg(spacer->sizeHint().height())
                       .arg(spacer->sizePolicy().horizontalPolicy())
                       .arg(spacer->sizePolicy().verticalPolicy());
        if (auto *box = qobject_cast<QBoxLayout *>(layout); box && box->stretch(i) != 0)
            text += QStringLiteral(" stretch %1").arg(box->stretch(i));
        if (item->alignment() != 0)
            text += QStringLiteral(" aligned");
        items << text;
    }
    return items;
}

// Fails the test, instead of hanging it, when a modal window opens where none should.
class NoModalWatch : public QObject
{
public:
    NoModalWatch()
    {
        timer.setInterval(20);
        connect(&timer, &QTimer::timeout, this, [this] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                seen << QString::fromLatin1(modal->metaObject()->className());
                if (auto *dialog = qobject_cast<QDialog *>(modal))
                    dialog->reject();
            }
        });
        timer.start();
    }
    QStringList seen;

private:
    QTimer timer;
};

// Marks every text with the context it is translated in.
class ContextMarker : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        return QStringLiteral("[%1]%2").arg(QLatin1String(context), QString::fromUtf8(sourceText));
    }
    bool isEmpty() const override { return false; }
};

} // namespace

class tst_ShowHeaderTable : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void formTree();
    void formWidgets_data();
    void formWidgets();
    void formTabOrder();
    void labels_data();
    void labels();
    void translationContexts();

    void firstShotModel();
    void rowsSelectWholeAndNeverEdit();
    void modelPassesTester();
    void headersAndWidths_data();
    void headersAndWidths();
    void cellTexts();
    void redColumns_data();
    void redColumns();

    void oneShotFile();
    void buttons_data();
    void buttons();
    void fastStepReadOnEveryClick();
    void slotRunsOncePerChange();
    void samePickShowsNothingNew();
    void pickFromDropDown();
    void opensAtShotZero();
    void missingFileShowsBoxAndEmptyTable();
    void fileGoneWhileOpen();
    void indexPastEndShowsEmptyTableSilently();
    void emptyShotIndex();

private:
    std::unique_ptr<ShowHeaderTable> open(const QVector<ShotEntry> &shotList);

    QTemporaryDir dir;
    QString linePath;
    QVector<ShotEntry> shots;
    BrowseParams params;
};

void tst_ShowHeaderTable::initTestCase()
{
    QVERIFY(dir.isValid());
    linePath = dir.filePath(QStringLiteral("line.sgy"));
    shots = writeLine(linePath);
    QCOMPARE(shots.size(), kShotSizes.size());
    params.segyName = linePath;
    params.fastStep = 5;
}

std::unique_ptr<ShowHeaderTable> tst_ShowHeaderTable::open(const QVector<ShotEntry> &shotList)
{
    NoModalWatch watch;
    auto viewer = std::make_unique<ShowHeaderTable>(&params, shotList, nullptr);
    if (!watch.seen.isEmpty())
        QTest::qFail(qPrintable(QStringLiteral("unexpected modal windows: ") + watch.seen.join(", ")), __FILE__, __LINE__);
    viewer->show();
    if (!QTest::qWaitForWindowExposed(viewer.get()))
        QTest::qFail("the viewer was not exposed", __FILE__, __LINE__);
    return viewer;
}

void tst_ShowHeaderTable::formTree()
{
    const auto viewer = open(shots);
    QCOMPARE(viewer->objectName(), QStringLiteral("ShowHeaderTable"));
    QCOMPARE(viewer->windowTitle(), QStringLiteral("Browse SEGY Header"));
    QCOMPARE(viewer->font().family(), QStringLiteral("Segoe UI"));
    QCOMPARE(viewer->font().pointSize(), 10);

    QLayout *vertical = viewer->layout();
    QVERIFY(qobject_cast<QVBoxLayout *>(vertical));
    QCOMPARE(vertical->objectName(), QStringLiteral("verticalLayout"));
    QCOMPARE(describe(vertical), QStringList({"horizontalLayout", "tableView", "horizontalLayout_3"}));

    auto *top = viewer->findChild<QHBoxLayout *>(QStringLiteral("horizontalLayout"));
    QVERIFY(top);
    QCOMPARE(top->spacing(), 12);
    const QString spacer = QStringLiteral("spacer 40x20 %1/%2").arg(QSizePolicy::Expanding).arg(QSizePolicy::Minimum);
    QCOMPARE(describe(top), QStringList({"segyNameLabel", spacer, "totalShotsLabel", "ffidLabel"}));

    auto *bottom = viewer->findChild<QHBoxLayout *>(QStringLiteral("horizontalLayout_3"));
    QVERIFY(bottom);
    QCOMPARE(describe(bottom), QStringList({spacer, "horizontalLayout_2", spacer}));
    auto *bar = viewer->findChild<QHBoxLayout *>(QStringLiteral("horizontalLayout_2"));
    QVERIFY(bar);
    QCOMPARE(describe(bar), QStringList({"toStartButton", "bulkDownButton", "downButton", "ffidCombo",
                                         "upButton", "bulkUpButton", "toEndButton"}));

    // Every widget is the window's own child, created in the order of the tree.
    QStringList widgets;
    for (QWidget *w : viewer->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        widgets << w->objectName();
    QCOMPARE(widgets, QStringList({"segyNameLabel", "totalShotsLabel", "ffidLabel", "tableView",
                                   "toStartButton", "bulkDownButton", "downButton", "ffidCombo",
                                   "upButton", "bulkUpButton", "toEndButton"}));
}

void tst_ShowHeaderTable::formWidgets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QSize>("maximumSize");
    QTest::addColumn<QSize>("minimumSize");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QString>("text");

    const QSize none(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const QSize button(31, 23);
    // The fast buttons' tooltips are replaced at construction; their form texts are never seen.
    QTest::newRow("toStartButton") << "toStartButton" << "QPushButton" << button << QSize() << "to start shot" << "|<";
    QTest::newRow("bulkDownButton") << "bulkDownButton" << "QPushButton" << button << QSize() << "Backward 5 shots" << "<<";
    QTest::newRow("downButton") << "downButton" << "QPushButton" << button << QSize() << "backward" << "<";
    QTest::newRow("ffidCombo") << "ffidCombo" << "QComboBox" << none << QSize(91, 22) << "to specified shot" << "";
    QTest::newRow("upButton") << "upButton" << "QPushButton" << button << QSize() << "forward" << ">";
    QTest::newRow("bulkUpButton") << "bulkUpButton" << "QPushButton" << button << QSize() << "Forward 5 shots" << ">>";
    QTest::newRow("toEndButton") << "toEndButton" << "QPushButton" << button << QSize() << "to end shot" << ">|";
    QTest::newRow("tableView") << "tableView" << "QTableView" << none << QSize() << "" << "";
    QTest::newRow("totalShotsLabel") << "totalShotsLabel" << "QLabel" << none << QSize() << "" << "Number of shots:  10 ";
    QTest::newRow("ffidLabel") << "ffidLabel" << "QLabel" << none << QSize() << "" << "FFID: 1001 ( 96 traces )";
}

void tst_ShowHeaderTable::formWidgets()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QSize, maximumSize);
    QFETCH(QSize, minimumSize);
    QFETCH(QString, toolTip);
    QFETCH(QString, text);

    const auto viewer = open(shots);
    QWidget *w = viewer->findChild<QWidget *>(name);
    QVERIFY(w);
    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), className);
    QCOMPARE(w->maximumSize(), maximumSize);
    QCOMPARE(w->minimumSize(), minimumSize.isValid() ? minimumSize : QSize(0, 0));
    QCOMPARE(w->toolTip(), toolTip);
    if (auto *b = qobject_cast<QPushButton *>(w))
        QCOMPARE(b->text(), text);
    if (auto *l = qobject_cast<QLabel *>(w))
        QCOMPARE(l->text(), text);
    if (auto *combo = qobject_cast<QComboBox *>(w)) {
        QVERIFY(!combo->isEditable());
        QCOMPARE(combo->maxVisibleItems(), 30);
        QCOMPARE(combo->styleSheet(), QStringLiteral("combobox-popup:0;"));
    }
    // Only the file label has a font of its own; the rest inherit the window's.
    QVERIFY(!w->testAttribute(Qt::WA_SetFont));
    QCOMPARE(w->font().family(), QStringLiteral("Segoe UI"));
    QCOMPARE(w->font().pointSize(), 10);
    // A six-button bar never grows beyond the form's limits, however large the window.
    viewer->resize(2400, 1400);
    QTRY_COMPARE(viewer->size(), QSize(2400, 1400));
    QVERIFY(w->width() <= maximumSize.width() && w->height() <= maximumSize.height());
    QVERIFY(!minimumSize.isValid() || w->width() >= minimumSize.width());
}

void tst_ShowHeaderTable::formTabOrder()
{
    const auto viewer = open(shots);
    QLabel *fileLabel = child<QLabel>(*viewer, "segyNameLabel");
    QVERIFY(fileLabel->testAttribute(Qt::WA_SetFont));
    QCOMPARE(fileLabel->font().family(), QStringLiteral("Microsoft YaHei UI"));
    QCOMPARE(fileLabel->font().pointSize(), 10);
    QCOMPARE(fileLabel->font().weight(), 50);
    QVERIFY(!fileLabel->font().bold());

    // The navigation widgets follow the table in the focus chain, the two fast buttons last.
    QStringList chain;
    QWidget *table = child<QTableView>(*viewer, "tableView");
    for (QWidget *w = table->nextInFocusChain(); w != table; w = w->nextInFocusChain()) {
        if (kNavigation.contains(w->objectName()) || w->objectName() == QLatin1String("ffidCombo"))
            chain << w->objectName();
    }
    QCOMPARE(chain, QStringList({"toStartButton", "downButton", "ffidCombo", "upButton", "toEndButton",
                                 "bulkDownButton", "bulkUpButton"}));
}

void tst_ShowHeaderTable::labels_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("shotCount");
    QTest::addColumn<int>("fastStep");
    QTest::addColumn<QString>("shotsText");

    QTest::newRow("plain name, 10 shots") << "line.sgy" << 10 << 5 << "Number of shots:  10 ";
    QTest::newRow("blanks and non-ASCII, 1 shot") << "Linie 1 – Süd/shot ß 01.sgy" << 1 << 10 << "Number of shots:  1 ";
    QTest::newRow("fast step 100") << "a%1b.sgy" << 3 << 100 << "Number of shots:  3 ";
}

void tst_ShowHeaderTable::labels()
{
    QFETCH(QString, fileName);
    QFETCH(int, shotCount);
    QFETCH(int, fastStep);
    QFETCH(QString, shotsText);

    const QString path = dir.filePath(fileName);
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QVERIFY(path == linePath || QFile::copy(linePath, path));
    const BrowseParams saved = params;
    params.segyName = path;
    params.fastStep = fastStep;
    const auto viewer = open(shots.mid(0, shotCount));
    params = saved;

    QCOMPARE(child<QLabel>(*viewer, "segyNameLabel")->text(), QStringLiteral("SEGY File: ") + path);
    QCOMPARE(child<QLabel>(*viewer, "totalShotsLabel")->text(), shotsText);
    QCOMPARE(child<QPushButton>(*viewer, "bulkUpButton")->toolTip(), QStringLiteral("Forward %1 shots").arg(fastStep));
    QCOMPARE(child<QPushButton>(*viewer, "bulkDownButton")->toolTip(), QStringLiteral("Backward %1 shots").arg(fastStep));
    QCOMPARE(child<QComboBox>(*viewer, "ffidCombo")->count(), shotCount);
}

void tst_ShowHeaderTable::translationContexts()
{
    ContextMarker marker;
    QVERIFY(QCoreApplication::installTranslator(&marker));
    const auto viewer = open(shots);

    QStandardItemModel *model = shownModel(*viewer);
    QVERIFY(model);
    for (int c = 0; c < 14; ++c)
        QCOMPARE(model->headerData(c, Qt::Horizontal).toString(), QStringLiteral("[QObject]") + kFieldNames.at(c));
    QCOMPARE(model->headerData(14, Qt::Horizontal).toString(), QStringLiteral("[ShowHeaderTable]byte71-72"));
    QCOMPARE(model->headerData(15, Qt::Horizontal).toString(), QStringLiteral("[ShowHeaderTable]byte237-240"));
    QCOMPARE(child<QLabel>(*viewer, "ffidLabel")->text(),
             QStringLiteral("[ShowHeaderTable]FFID: 1001 [QObject]( 96 traces )"));
    QCOMPARE(child<QLabel>(*viewer, "segyNameLabel")->text(), QStringLiteral("[ShowHeaderTable]SEGY File: ") + linePath);
    QCOMPARE(child<QPushButton>(*viewer, "bulkUpButton")->toolTip(), QStringLiteral("[ShowHeaderTable]Forward 5 shots"));
    QCOMPARE(child<QPushButton>(*viewer, "bulkDownButton")->toolTip(), QStringLiteral("[ShowHeaderTable]Backward 5 shots"));
    QCOMPARE(viewer->windowTitle(), QStringLiteral("[ShowHeaderTable]Browse SEGY Header"));

    // The failure box: both texts in the general context.
    QString title;
    QString text;
    ModalDriver driver;
    driver.then("QMessageBox", [&](QWidget *w) {
        title = w->windowTitle();
        text = static_cast<QMessageBox *>(w)->text();
        static_cast<QMessageBox *>(w)->accept();
    });
    const BrowseParams saved = params;
    params.segyName = dir.filePath(QStringLiteral("nowhere.sgy"));
    { ShowHeaderTable failing(&params, shots, nullptr); }
    params = saved;
    QCoreApplication::removeTranslator(&marker);
    QVERIFY2(driver.finished(), qPrintable(driver.faults()));
    QCOMPARE(title, QStringLiteral("[QObject]Error"));
    QCOMPARE(text, QStringLiteral("[QObject]Cannot open file: ") + dir.filePath(QStringLiteral("nowhere.sgy")));
}

void tst_ShowHeaderTable::firstShotModel()
{
    const auto viewer = open(shots);
    QTableView *table = child<QTableView>(*viewer, "tableView");
    QStandardItemModel *model = shownModel(*viewer);
    QVERIFY(model);
    QCOMPARE(model->rowCount(), 96);
    QCOMPARE(model->columnCount(), 16);
    QVERIFY(!model->parent());
    QVERIFY(table->verticalHeader()->isHidden());
    QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(table->alternatingRowColors());
    QCOMPARE(child<QComboBox>(*viewer, "ffidCombo")->currentIndex(), 0);
    QCOMPARE(child<QLabel>(*viewer, "ffidLabel")->text(), QStringLiteral("FFID: 1001 ( 96 traces )"));
}

void tst_ShowHeaderTable::rowsSelectWholeAndNeverEdit()
{
    const auto viewer = open(shots);
    QTableView *table = child<QTableView>(*viewer, "tableView");
    QStandardItemModel *model = shownModel(*viewer);
    const QModelIndex cell = model->index(3, 5);
    const QPoint centre = table->visualRect(cell).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    const QModelIndexList rows = table->selectionModel()->selectedRows();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().row(), 3);
    QCOMPARE(table->selectionModel()->selectedIndexes().size(), 16);

    QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    QTest::keyClick(table, Qt::Key_F2);
    QTest::keyClicks(table, "9");
    QVERIFY(table->viewport()->findChildren<QLineEdit *>().isEmpty());
    QVERIFY(!table->indexWidget(cell));
    QCOMPARE(model->item(3, 5)->text(), QStringLiteral("12"));
}

void tst_ShowHeaderTable::modelPassesTester()
{
    const auto viewer = open(shots);
    QComboBox *combo = child<QComboBox>(*viewer, "ffidCombo");
    for (const int shot : {0, 1, 2, 4}) {
        combo->setCurrentIndex(shot);
        QStandardItemModel *model = shownModel(*viewer);
        QVERIFY(model);
        // Parented to the model, so that it goes when the next shot replaces the model.
        new QAbstractItemModelTester(model, QAbstractItemModelTester::FailureReportingMode::QtTest, model);
        if (QTest::currentTestFailed())
            return;
    }
}

void tst_ShowHeaderTable::headersAndWidths_data()
{
    QTest::addColumn<int>("cust1Pos");
    QTest::addColumn<int>("cust1Len");
    QTest::addColumn<int>("cust2Pos");
    QTest::addColumn<int>("cust2Len");
    QTest::addColumn<QString>("custom1");
    QTest::addColumn<QString>("custom2");

    QTest::newRow("form defaults") << 71 << 2 << 237 << 4 << "byte71-72" << "byte237-240";
    QTest::newRow("typed length 3, byte 1") << 71 << 3 << 1 << 4 << "byte71-73" << "byte1-4";
}

void tst_ShowHeaderTable::headersAndWidths()
{
    QFETCH(int, cust1Pos);
    QFETCH(int, cust1Len);
    QFETCH(int, cust2Pos);
    QFETCH(int, cust2Len);
    QFETCH(QString, custom1);
    QFETCH(QString, custom2);

    const BrowseParams saved = params;
    params.cust1Pos = cust1Pos;
    params.cust1Len = cust1Len;
    params.cust2Pos = cust2Pos;
    params.cust2Len = cust2Len;
    const auto viewer = open(shots);
    params = saved;

    const QStringList names = kFieldNames + QStringList({custom1, custom2});
    QTableView *table = child<QTableView>(*viewer, "tableView");
    QComboBox *combo = child<QComboBox>(*viewer, "ffidCombo");
    for (const int shot : {1, 2, 3, 4, 5, 6, 7, 8, 9, 0}) {
        // A width the user dragged lasts only until the next shot.
        table->setColumnWidth(6, 333);
        combo->setCurrentIndex(shot);
        QStandardItemModel *model = shownModel(*viewer);
        QVERIFY(model);
        QCOMPARE(model->rowCount(), kShotSizes.at(shot));
        QStringList headers;
        QVector<int> widths;
        for (int c = 0; c < 16; ++c) {
            headers << model->headerData(c, Qt::Horizontal).toString();
            widths << table->columnWidth(c);
        }
        QCOMPARE(headers, names);
        QCOMPARE(widths, kWidths);
    }
}

void tst_ShowHeaderTable::cellTexts()
{
    const auto viewer = open(shots);
    QStandardItemModel *model = shownModel(*viewer);
    QVERIFY(model);
    for (int r = 0; r < 96; ++r) {
        const QStringList expected = {
            "1001", QString::number(r + 1), QString::number(25 * r - 100), QString::number(400 + r), "350", "12",
            "500000.00", "1200000.00", QString::number(500000 + 12.5 * r, 'f', 2),
            QString::number(1200000 + r, 'f', 2), "3", "-5", QString::number(4 + r), QString::number(r),
            "-1000", QString::number(100000 + r)};
        QStringList shown;
        for (int c = 0; c < 16; ++c)
            shown << model->item(r, c)->text();
        QCOMPARE(shown, expected);
    }
}

void tst_ShowHeaderTable::redColumns_data()
{
    QTest::addColumn<int>("shot");
    QTest::addColumn<QVector<int>>("red");

    QTest::newRow("all agree") << 0 << QVector<int>();
    QTest::newRow("last s_elev differs") << 1 << QVector<int>({4});
    QTest::newRow("one trace") << 2 << QVector<int>();
    QTest::newRow("1000.004 among 1000.0") << 3 << QVector<int>({6});
    QTest::newRow("every source field varies") << 4 << kAllSourceColumns;
    QTest::newRow("back to agreeing after red") << 5 << QVector<int>();
}

void tst_ShowHeaderTable::redColumns()
{
    QFETCH(int, shot);
    QFETCH(QVector<int>, red);

    const auto viewer = open(shots);
    QComboBox *combo = child<QComboBox>(*viewer, "ffidCombo");
    // Through the shot with every column red, so that nothing of it may linger.
    combo->setCurrentIndex(4);
    combo->setCurrentIndex(shot);
    QStandardItemModel *model = shownModel(*viewer);
    QVERIFY(model);
    const int rows = kShotSizes.at(shot);
    QCOMPARE(model->rowCount(), rows);

    for (int c = 0; c < 16; ++c) {
        for (int r = 0; r < rows; ++r) {
            QStandardItem *item = model->item(r, c);
            QVERIFY(item);
            const QByteArray where = QStringLiteral("row %1, column %2").arg(r).arg(c).toLatin1();
            if (red.contains(c)) {
                QCOMPARE(item->foreground().style(), Qt::SolidPattern);
                QVERIFY2(item->foreground().color() == QColor(255, 0, 0), where.constData());
                QCOMPARE(item->foreground().color().alpha(), 255);
            } else {
                QVERIFY2(!item->data(Qt::ForegroundRole).isValid(), where.constData());
            }
            // An agreeing column repeats the first trace's text.
            if (kAllSourceColumns.contains(c) && !red.contains(c))
                QCOMPARE(item->text(), model->item(0, c)->text());
        }
    }
    if (shot == 3) {
        for (int r = 0; r < rows; ++r)
            QCOMPARE(model->item(r, 6)->text(), QStringLiteral("1000.00"));
    }
    if (shot == 1)
        QCOMPARE(model->item(rows - 1, 4)->text(), QStringLiteral("352"));
}

void tst_ShowHeaderTable::oneShotFile()
{
    const auto viewer = open(shots.mid(2, 1));
    QComboBox *combo = child<QComboBox>(*viewer, "ffidCombo");
    QCOMPARE(combo->count(), 1);
    QCOMPARE(combo->itemText(0), QStringLiteral("1 > 1003"));
    QVERIFY(combo->isEnabled());
    QCOMPARE(enabledButtons(*viewer), QStringList());
    QCOMPARE(child<QLabel>(*viewer, "ffidLabel")->text(), QStringLiteral("FFID: 1003 ( 1 traces )"));
    QCOMPARE(shownModel(*viewer)->rowCount(), 1);
}

void tst_ShowHeaderTable::buttons_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("to");

    QTest::newRow("forward from 0 to the second") << 0 << "upButton" << 1;
    QTest::newRow("forward into the middle") << 4 << "upButton" << 5;
    QTest::newRow("forward onto the last") << 8 << "upButton" << 9;
    QTest::newRow("backward from 5") << 5 << "downButton" << 4;
    QTest::newRow("backward onto the first") << 1 << "downButton" << 0;
    QTest::newRow("fast forward from 2") << 2 << "bulkUpButton" << 7;
    QTest::newRow("fast forward from 7 stops at 9") << 7 << "bulkUpButton" << 9;
    QTest::newRow("fast forward from 4 lands on 9") << 4 << "bulkUpButton" << 9;
    QTest::newRow("fast backward from 9") << 9 << "bulkDownButton" << 4;
    QTest::newRow("fast backward from 3 stops at 0") << 3 << "bulkDownButton" << 0;
    QTest::newRow("fast backward from 5 lands on 0") << 5 << "bulkDownButton" << 0;
    QTest::newRow("to the start") << 6 << "toStartButton" << 0;
    QTest::newRow("to the end") << 2 << "toEndButton" << 9;
}

void tst_ShowHeaderTable::buttons()
{
    QFETCH(int, from);
    QFETCH(QString, button);
    QFETCH(int, to);

    const auto viewer = open(shots);
    QComboBox *combo = child<QComboBox>(*viewer, "ffidCombo");
    combo->setCurrentIndex(from);
    QPushButton *b = child<QPushButton>(*viewer, qPrintable(button));
    QVERIFY(b->isEnabled());
    QTest::mouseClick(b, Qt::LeftButton);

    QCOMPARE(combo->currentIndex(), to);
    const ShotEntry &shot = shots.at(to);
    QCOMPARE(child<QLabel>(*viewer, "ffidLabel")->text(),
             QStringLiteral("FFID: %1 ( %2 traces )").arg(shot.ffid).arg(kShotSizes.at(to)));
    QStandardItemModel *model = shownModel(*viewer);
    QCOMPARE(model->rowCount(), kShotSizes.at(to));
    QCOMPARE(model->item(0, 15)->text(), QString::number(100000 + shot.firstTrace));
    QStringList enabled = kNavigation;
    if (to == 0)
        enabled = QStringList({"upButton", "bulkUpButton", "toEndButton"});
    if (to == 9)
        enabled = QStringList({"toStartButton", "bulkDownButton", "downButton"});
    QCOMPARE(enabledButtons(*viewer), enabled);
}

void tst_ShowHeaderTable::fastStepReadOnEveryClick()
{
    const auto viewer = open(shots);
    params.fastStep = 2;
    QTest::mouseClick(child<QPushButton>(*viewer, "bulkUpButton"), Qt::LeftButton);
    const int afterTwo = child<QComboBox>(*viewer, "ffidCombo")->currentIndex();
    params.fastStep = 5;
    QCOMPARE(afterTwo, 2);
}

void tst_ShowHeaderTable::slotRunsOncePerChange()
{
    const auto viewer = open(shots);
    QTableView *table = child<QTableView>(*viewer, "tableView");
    QComboBox *combo = child<QComboBox>(*viewer, "ffidCombo");
    // Every model attached leaves one selection model behind until the event loop runs, so
    // their number counts the shows.
    const auto selectionModels = [table] {
        return table->findChildren<QItemSelectionModel *>(QString(), Qt::FindDirectChildrenOnly).size();
    };
    for (const int shot : {3, 4, 0, 9}) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QSignalSpy gone(shownModel(*viewer), &QObject::destroyed);
        const int before = selectionModels();
        combo->setCurrentIndex(shot);
        QCOMPARE(selectionModels() - before, 1);
        QCOMPARE(gone.count(), 1);
        QCOMPARE(shownModel(*viewer)->rowCount(), kShotSizes.at(shot));
    }
}

void tst_ShowHeaderTable::samePickShowsNothingNew()
{
    const auto viewer = open(shots);
    QComboBox *combo = child<QComboBox>(*viewer, "ffidCombo");
    combo->setCurrentIndex(9);
    QStandardItemModel *model = shownModel(*viewer);
    QSignalSpy gone(model, &QObject::destroyed);

    combo->setCurrentIndex(9);
    // Forward at the last shot: the target is the current shot, so only the buttons are set.
    QVERIFY(QMetaObject::invokeMethod(viewer.get(), "on_upButton_clicked"));
    QVERIFY(QMetaObject::invokeMethod(viewer.get(), "on_bulkUpButton_clicked"));
    QVERIFY(QMetaObject::invokeMethod(viewer.get(), "on_toEndButton_clicked"));
    QCOMPARE(shownModel(*viewer), model);
    QCOMPARE(gone.count(), 0);
    QCOMPARE(combo->currentIndex(), 9);
    QCOMPARE(enabledButtons(*viewer), QStringList({"toStartButton", "bulkDownButton", "downButton"}));

    combo->setCurrentIndex(0);
    model = shownModel(*viewer);
    QSignalSpy goneAtStart(model, &QObject::destroyed);
    QVERIFY(QMetaObject::invokeMethod(viewer.get(), "on_downButton_clicked"));
    QVERIFY(QMetaObject::invokeMethod(viewer.get(), "on_bulkDownButton_clicked"));
    QVERIFY(QMetaObject::invokeMethod(viewer.get(), "on_toStartButton_clicked"));
    QCOMPARE(shownModel(*viewer), model);
    QCOMPARE(goneAtStart.count(), 0);
    QCOMPARE(enabledButtons(*viewer), QStringList({"upButton", "bulkUpButton", "toEndButton"}));
}

void tst_ShowHeaderTable::pickFromDropDown()
{
    const auto viewer = open(shots);
    QComboBox *combo = child<QComboBox>(*viewer, "ffidCombo");
    QCOMPARE(combo->itemText(0), QStringLiteral(" 1 > 1001"));
    QCOMPARE(combo->itemText(9), QStringLiteral("10 > 1010"));
    combo->setCurrentIndex(6);
    QSignalSpy gone(shownModel(*viewer), &QObject::destroyed);
    QSignalSpy picked(combo, QOverload<int>::of(&QComboBox::activated));

    // The current item picked again: a pick, but nothing new on screen.
    combo->showPopup();
    QTRY_VERIFY(combo->view()->isVisible());
    QTest::keyClick(combo->view(), Qt::Key_Return);
    QTRY_VERIFY(!combo->view()->isVisible());
    QCOMPARE(picked.count(), 1);
    QCOMPARE(gone.count(), 0);
    QCOMPARE(child<QLabel>(*viewer, "ffidLabel")->text(), QStringLiteral("FFID: 1007 ( 4 traces )"));

    // The next item down: shown at once.
    combo->showPopup();
    QTRY_VERIFY(combo->view()->isVisible());
    QTest::keyClick(combo->view(), Qt::Key_Down);
    QTest::keyClick(combo->view(), Qt::Key_Return);
    QTRY_VERIFY(!combo->view()->isVisible());
    QCOMPARE(picked.count(), 2);
    QCOMPARE(combo->currentIndex(), 7);
    QCOMPARE(child<QLabel>(*viewer, "ffidLabel")->text(), QStringLiteral("FFID: 1008 ( 4 traces )"));
    QCOMPARE(gone.count(), 1);
    QCOMPARE(enabledButtons(*viewer), kNavigation);
}

void tst_ShowHeaderTable::opensAtShotZero()
{
    const BrowseParams saved = params;
    params.nowShIdx = 7;
    for (int run = 0; run < 2; ++run) {
        const auto viewer = open(shots);
        QComboBox *combo = child<QComboBox>(*viewer, "ffidCombo");
        QCOMPARE(combo->currentIndex(), 0);
        QCOMPARE(child<QLabel>(*viewer, "ffidLabel")->text(), QStringLiteral("FFID: 1001 ( 96 traces )"));
        QCOMPARE(shownModel(*viewer)->rowCount(), 96);
        combo->setCurrentIndex(7);
    }
    QCOMPARE(params.nowShIdx, 7);
    params = saved;
}

void tst_ShowHeaderTable::missingFileShowsBoxAndEmptyTable()
{
    const QString missing = dir.filePath(QStringLiteral("gone away/line 2.sgy"));
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QWidget *boxParent = nullptr;
    ModalDriver driver;
    driver.then("QMessageBox", [&](QWidget *w) {
        auto *box = static_cast<QMessageBox *>(w);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->standardButtons();
        boxParent = box->parentWidget();
        box->button(QMessageBox::Ok)->click();
    });

    const BrowseParams saved = params;
    params.segyName = missing;
    ShowHeaderTable viewer(&params, shots, nullptr);
    params = saved;
    QVERIFY2(driver.finished(), qPrintable(driver.faults()));
    QCOMPARE(title, QStringLiteral("Error"));
    QCOMPARE(text, QStringLiteral("Cannot open file: ") + missing);
    QCOMPARE(icon, QMessageBox::Information);
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(boxParent, &viewer);

    // The shot's rows stay, empty, under the headers.
    QStandardItemModel *model = shownModel(viewer);
    QVERIFY(model);
    QCOMPARE(model->rowCount(), 96);
    QCOMPARE(model->columnCount(), 16);
    for (int r = 0; r < 96; ++r) {
        for (int c = 0; c < 16; ++c)
            QVERIFY(!model->item(r, c) || model->item(r, c)->text().isEmpty());
    }
    QTableView *table = child<QTableView>(viewer, "tableView");
    for (int c = 0; c < 16; ++c)
        QCOMPARE(table->columnWidth(c), kWidths.at(c));
    QCOMPARE(model->headerData(15, Qt::Horizontal).toString(), QStringLiteral("byte237-240"));
    QCOMPARE(child<QLabel>(viewer, "ffidLabel")->text(), QStringLiteral("FFID: 1001 ( 96 traces )"));
    QCOMPARE(enabledButtons(viewer), QStringList({"upButton", "bulkUpButton", "toEndButton"}));
}

void tst_ShowHeaderTable::fileGoneWhileOpen()
{
    const QString path = dir.filePath(QStringLiteral("moved.sgy"));
    QVERIFY(QFile::copy(linePath, path));
    const BrowseParams saved = params;
    params.segyName = path;
    const auto viewer = open(shots);
    QCOMPARE(shownModel(*viewer)->item(0, 0)->text(), QStringLiteral("1001"));
    QVERIFY(QFile::remove(path));

    QString text;
    ModalDriver driver;
    driver.then("QMessageBox", [&](QWidget *w) {
        text = static_cast<QMessageBox *>(w)->text();
        static_cast<QMessageBox *>(w)->accept();
    });
    QTest::mouseClick(child<QPushButton>(*viewer, "upButton"), Qt::LeftButton);
    params = saved;
    QVERIFY2(driver.finished(), qPrintable(driver.faults()));
    QCOMPARE(text, QStringLiteral("Cannot open file: ") + path);

    QStandardItemModel *model = shownModel(*viewer);
    QCOMPARE(model->rowCount(), 5);
    QVERIFY(!model->item(0, 0) || model->item(0, 0)->text().isEmpty());
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("ffid"));
    QCOMPARE(child<QComboBox>(*viewer, "ffidCombo")->currentIndex(), 1);
}

void tst_ShowHeaderTable::indexPastEndShowsEmptyTableSilently()
{
    // An index left from a longer file: shot 1 no longer fits.
    QVector<ShotEntry> stale = shots.mid(0, 2);
    stale[1] = {2000, 120, 140};
    const auto viewer = open(stale);
    NoModalWatch watch;
    QTest::mouseClick(child<QPushButton>(*viewer, "upButton"), Qt::LeftButton);
    QTest::qWait(100);
    QCOMPARE(watch.seen, QStringList());
    QStandardItemModel *model = shownModel(*viewer);
    QCOMPARE(model->rowCount(), 21);
    QVERIFY(!model->item(20, 15) || model->item(20, 15)->text().isEmpty());
    QCOMPARE(child<QTableView>(*viewer, "tableView")->columnWidth(9), 100);
    QCOMPARE(child<QLabel>(*viewer, "ffidLabel")->text(), QStringLiteral("FFID: 2000 ( 21 traces )"));
}

void tst_ShowHeaderTable::emptyShotIndex()
{
    const auto viewer = open({});
    QCOMPARE(child<QComboBox>(*viewer, "ffidCombo")->count(), 0);
    QCOMPARE(shownModel(*viewer), nullptr);
    for (const QString &name : kNavigation)
        QVERIFY(QMetaObject::invokeMethod(viewer.get(), qPrintable(QStringLiteral("on_%1_clicked").arg(name))));
    QCOMPARE(child<QComboBox>(*viewer, "ffidCombo")->currentIndex(), -1);
}

QTEST_MAIN(tst_ShowHeaderTable)
#include "tst_ShowHeaderTable.moc"
