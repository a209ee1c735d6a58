#include "BrowseHeaderDialog.h"
#include "HeaderDefineTable.h"
#include "ModalDriver.h"

#include <ZnBaseUtil.h>
#include <ZnProjectManager.h>

#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaMethod>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kPrefix = QStringLiteral("BrowseHeader_BrowseHeaderDialog_");

QString writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(content);
    return path;
}

template <typename T>
T *child(const QWidget &dialog, const char *name)
{
    return dialog.findChild<T *>(QLatin1String(name));
}

QColor textColour(const QLineEdit *edit)
{
    return edit->palette().color(QPalette::Active, QPalette::Text);
}

} // namespace

class tst_BrowseHeaderDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void nothingStoredShowsTheDefaults();
    void storedValuesAreShown();
    void storedFileName_data();
    void storedFileName();
    void editingTheFileName_data();
    void editingTheFileName();
    void customPositionStaysInsideTheHeader_data();
    void customPositionStaysInsideTheHeader();
    void storedValuesOutsideTheRanges();
    void fastStepFollowsTheBox();
    void cancelStoresNothing();
    void fileChooser_data();
    void fileChooser();

    void formTree();
    void formCells_data();
    void formCells();
    void formSpacers();
    void formTexts_data();
    void formTexts();
    void formFontsAndSizes();
    void tabOrder();
    void okIsTheDefaultButtonAndRunsTheOwnAccept();
    void metaObject();
    void helpPage();

    void headerDefinitionTable_data();
    void headerDefinitionTable();

private:
    std::unique_ptr<QTemporaryDir> projectDir;
    std::unique_ptr<QTemporaryDir> dataDir;
};

void tst_BrowseHeaderDialog::init()
{
    // Every case starts from a project of its own with nothing stored.
    projectDir = std::make_unique<QTemporaryDir>();
    dataDir = std::make_unique<QTemporaryDir>();
    QVERIFY(projectDir->isValid() && dataDir->isValid());
    QVERIFY(ZnProjectManager::instance().openProject(projectDir->path()));
}

void tst_BrowseHeaderDialog::nothingStoredShowsTheDefaults()
{
    BrowseHeaderDialog dialog(nullptr);
    QCOMPARE(child<QLineEdit>(dialog, "segyName")->text(), QString());
    QVERIFY(!child<QPushButton>(dialog, "okButton")->isEnabled());
    QCOMPARE(child<QSpinBox>(dialog, "custH1Pos")->value(), 71);
    QCOMPARE(child<QSpinBox>(dialog, "custH1Len")->value(), 2);
    QCOMPARE(child<QSpinBox>(dialog, "custH2Pos")->value(), 237);
    QCOMPARE(child<QSpinBox>(dialog, "custH2Len")->value(), 4);
    QCOMPARE(child<QSpinBox>(dialog, "fastStep")->value(), 10);
    // Constructing the dialog stores nothing.
    QVERIFY(!QFile::exists(ZnProjectManager::instance().settingsFile())
            || QSettings(ZnProjectManager::instance().settingsFile(), QSettings::IniFormat).allKeys().isEmpty());
}

void tst_BrowseHeaderDialog::storedValuesAreShown()
{
    const QString segy = writeFile(dataDir->filePath(QStringLiteral("line 7 ü.sgy")), QByteArray(4000, 'x'));
    ZnBaseUtil::setProjectValue(kPrefix + QStringLiteral("segyName"), segy);
    ZnBaseUtil::setProjectValue(kPrefix + QStringLiteral("cust1Pos"), 189);
    ZnBaseUtil::setProjectValue(kPrefix + QStringLiteral("cust1Len"), 4);
    ZnBaseUtil::setProjectValue(kPrefix + QStringLiteral("cust2Pos"), 9);
    ZnBaseUtil::setProjectValue(kPrefix + QStringLiteral("cust2Len"), 2);
    ZnBaseUtil::setProjectValue(kPrefix + QStringLiteral("fastStep"), 25);

    BrowseHeaderDialog dialog(nullptr);
    QCOMPARE(child<QLineEdit>(dialog, "segyName")->text(), segy);
    QCOMPARE(child<QSpinBox>(dialog, "custH1Pos")->value(), 189);
    QCOMPARE(child<QSpinBox>(dialog, "custH1Len")->value(), 4);
    QCOMPARE(child<QSpinBox>(dialog, "custH2Pos")->value(), 9);
    QCOMPARE(child<QSpinBox>(dialog, "custH2Len")->value(), 2);
    QCOMPARE(child<QSpinBox>(dialog, "fastStep")->value(), 25);
}

void tst_BrowseHeaderDialog::storedFileName_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("good");
    QTest::newRow("existing non-empty file") << "good" << true;
    QTest::newRow("missing file") << "missing" << false;
    QTest::newRow("empty file") << "empty" << false;
    QTest::newRow("a folder") << "folder" << false;
}

void tst_BrowseHeaderDialog::storedFileName()
{
    QFETCH(QString, kind);
    QFETCH(bool, good);
    QString path = dataDir->filePath(QStringLiteral("line.sgy"));
    if (kind == QLatin1String("good"))
        writeFile(path, QByteArray(3600 + 240, '\0'));
    else if (kind == QLatin1String("empty"))
        writeFile(path, QByteArray());
    else if (kind == QLatin1String("folder"))
        path = dataDir->path();
    ZnBaseUtil::setProjectValue(kPrefix + QStringLiteral("segyName"), path);

    BrowseHeaderDialog dialog(nullptr);
    const QLineEdit *name = child<QLineEdit>(dialog, "segyName");
    QCOMPARE(name->text(), path);
    QCOMPARE(child<QPushButton>(dialog, "okButton")->isEnabled(), good);
    QCOMPARE(textColour(name), good ? QColor(Qt::black) : QColor(Qt::red));
    // The colour holds for every colour group, not only the active one.
    QCOMPARE(name->palette().color(QPalette::Inactive, QPalette::Text), textColour(name));
    QCOMPARE(name->palette().color(QPalette::Disabled, QPalette::Text), textColour(name));
}

void tst_BrowseHeaderDialog::editingTheFileName_data()
{
    QTest::addColumn<bool>("startGood");
    QTest::newRow("from a good name") << true;
    QTest::newRow("from nothing") << false;
}

void tst_BrowseHeaderDialog::editingTheFileName()
{
    QFETCH(bool, startGood);
    const QString good = writeFile(dataDir->filePath(QStringLiteral("a.sgy")), QByteArray(5000, '\1'));
    if (startGood)
        ZnBaseUtil::setProjectValue(kPrefix + QStringLiteral("segyName"), good);

    BrowseHeaderDialog dialog(nullptr);
    dialog.show();
    QLineEdit *name = child<QLineEdit>(dialog, "segyName");
    QPushButton *ok = child<QPushButton>(dialog, "okButton");

    if (startGood) {
        QVERIFY(ok->isEnabled());
        name->selectAll();
        QTest::keyClick(name, Qt::Key_Delete);
        QCOMPARE(name->text(), QString());
        QCOMPARE(textColour(name), QColor(Qt::red));
    }
    QVERIFY(!ok->isEnabled());

    // Typing the name letter by letter: red until the last letter completes an existing file.
    QTest::keyClicks(name, good.chopped(1));
    QVERIFY(!ok->isEnabled());
    QCOMPARE(textColour(name), QColor(Qt::red));
    QTest::keyClicks(name, good.right(1));
    QVERIFY(ok->isEnabled());
    QCOMPARE(textColour(name), QColor(Qt::black));

    QTest::keyClick(name, Qt::Key_Backspace);
    QVERIFY(!ok->isEnabled());
}

void tst_BrowseHeaderDialog::customPositionStaysInsideTheHeader_data()
{
    QTest::addColumn<QByteArray>("positionBox");
    QTest::addColumn<QByteArray>("lengthBox");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("expectedPosition");

    for (const char *header : {"1", "2"}) {
        const QByteArray pos = QByteArray("custH") + header + "Pos";
        const QByteArray len = QByteArray("custH") + header + "Len";
        const QByteArray tag = QByteArray("header ") + header + ": ";
        QTest::newRow(tag + "length 4 at 239 moves to 237") << pos << len << 239 << 4 << 237;
        QTest::newRow(tag + "length 3 at 239 moves to 238") << pos << len << 239 << 3 << 238;
        QTest::newRow(tag + "length 2 at 239 stays") << pos << len << 239 << 2 << 239;
        QTest::newRow(tag + "length 4 at 237 stays") << pos << len << 237 << 4 << 237;
        QTest::newRow(tag + "length 4 at 1 stays") << pos << len << 1 << 4 << 1;
    }
}

void tst_BrowseHeaderDialog::customPositionStaysInsideTheHeader()
{
    QFETCH(QByteArray, positionBox);
    QFETCH(QByteArray, lengthBox);
    QFETCH(int, position);
    QFETCH(int, length);
    QFETCH(int, expectedPosition);

    BrowseHeaderDialog dialog(nullptr);
    QSpinBox *pos = child<QSpinBox>(dialog, positionBox.constData());
    QSpinBox *len = child<QSpinBox>(dialog, lengthBox.constData());

    // The length first, then the position: the limit holds in both directions.
    len->setValue(2);
    pos->setValue(position);
    len->setValue(length);
    QCOMPARE(pos->value(), expectedPosition);

    pos->setValue(1);
    pos->setValue(position);
    QCOMPARE(pos->value(), expectedPosition);
}

void tst_BrowseHeaderDialog::storedValuesOutsideTheRanges()
{
    ZnBaseUtil::setProjectValue(kPrefix + QStringLiteral("cust1Pos"), 500);
    ZnBaseUtil::setProjectValue(kPrefix + QStringLiteral("cust1Len"), 4);
    ZnBaseUtil::setProjectValue(kPrefix + QStringLiteral("cust2Pos"), -3);
    ZnBaseUtil::setProjectValue(kPrefix + QStringLiteral("cust2Len"), 1);
    ZnBaseUtil::setProjectValue(kPrefix + QStringLiteral("fastStep"), QStringLiteral("lots"));

    BrowseHeaderDialog dialog(nullptr);
    // 500 is clamped to 239, then the 4-byte limit moves it to 237.
    QCOMPARE(child<QSpinBox>(dialog, "custH1Pos")->value(), 237);
    QCOMPARE(child<QSpinBox>(dialog, "custH2Pos")->value(), 1);
    QCOMPARE(child<QSpinBox>(dialog, "custH2Len")->value(), 2);
    // A value that does not convert reads as 0, which the box clamps to its minimum.
    QCOMPARE(child<QSpinBox>(dialog, "fastStep")->value(), 5);
}

void tst_BrowseHeaderDialog::fastStepFollowsTheBox()
{
    BrowseHeaderDialog dialog(nullptr);
    QSpinBox *step = child<QSpinBox>(dialog, "fastStep");
    step->setValue(37);
    QCOMPARE(step->value(), 37);
    step->stepUp();
    QCOMPARE(step->value(), 42);
    step->setValue(1000);
    QCOMPARE(step->value(), 100);
}

void tst_BrowseHeaderDialog::cancelStoresNothing()
{
    const QString segy = writeFile(dataDir->filePath(QStringLiteral("b.sgy")), QByteArray(5000, '\1'));
    ZnBaseUtil::setProjectValue(kPrefix + QStringLiteral("fastStep"), 20);
    const QString settingsFile = ZnProjectManager::instance().settingsFile();
    const QStringList keysBefore = QSettings(settingsFile, QSettings::IniFormat).allKeys();

    BrowseHeaderDialog dialog(nullptr);
    dialog.show();
    child<QLineEdit>(dialog, "segyName")->setText(segy);
    child<QSpinBox>(dialog, "fastStep")->setValue(55);
    child<QSpinBox>(dialog, "custH1Pos")->setValue(100);
    QTest::mouseClick(child<QPushButton>(dialog, "cancelButton"), Qt::LeftButton);
    QVERIFY(dialog.isHidden());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));

    const QSettings settings(settingsFile, QSettings::IniFormat);
    QCOMPARE(settings.allKeys(), keysBefore);
    QCOMPARE(settings.value(kPrefix + QStringLiteral("fastStep")).toInt(), 20);
}

void tst_BrowseHeaderDialog::fileChooser_data()
{
    QTest::addColumn<bool>("pick");
    QTest::newRow("a file is picked") << true;
    QTest::newRow("the chooser is cancelled") << false;
}

void tst_BrowseHeaderDialog::fileChooser()
{
    QFETCH(bool, pick);
    const QString before = writeFile(dataDir->filePath(QStringLiteral("before.sgy")), QByteArray(5000, '\1'));
    const QString picked = writeFile(dataDir->filePath(QStringLiteral("picked.segy")), QByteArray(5000, '\2'));
    ZnBaseUtil::setProjectValue(kPrefix + QStringLiteral("segyName"), before);

    BrowseHeaderDialog dialog(nullptr);
    dialog.show();
    QLineEdit *name = child<QLineEdit>(dialog, "segyName");
    QString caption;
    QString directory;
    QStringList filters;
    ModalDriver driver;
    driver.then("QFileDialog", [&](QWidget *window) {
        auto *chooser = static_cast<QFileDialog *>(window);
        caption = chooser->windowTitle();
        directory = chooser->directory().absolutePath();
        filters = chooser->nameFilters();
        if (pick) {
            chooser->selectFile(picked);
            static_cast<QDialog *>(chooser)->accept();
        } else {
            chooser->reject();
        }
    });
    QTest::mouseClick(child<QPushButton>(dialog, "openButton"), Qt::LeftButton);
    QVERIFY2(driver.finished(), qPrintable(driver.faults()));

    QCOMPARE(caption, QStringLiteral("Open"));
    QCOMPARE(directory, QDir(projectDir->path()).absolutePath());
    QCOMPARE(filters, QStringList{QStringLiteral("SEGY Files (*.sgy *.segy *.SGY *.SEGY)")});
    QCOMPARE(name->text(), pick ? picked : before);
    QVERIFY(child<QPushButton>(dialog, "okButton")->isEnabled());
    QCOMPARE(textColour(name), QColor(Qt::black));
}

void tst_BrowseHeaderDialog::formTree()
{
    BrowseHeaderDialog dialog(nullptr);
    QCOMPARE(dialog.objectName(), QStringLiteral("BrowseHeaderDialog"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Browse Segy Header"));

    const auto *frame = child<QFrame>(dialog, "frame");
    QVERIFY(frame);
    QCOMPARE(frame->parentWidget(), &dialog);
    QCOMPARE(frame->frameShape(), QFrame::NoFrame);

    const QList<QPair<const char *, const char *>> onFrame = {
        {"label", "QLabel"}, {"segyName", "QLineEdit"}, {"openButton", "QPushButton"},
        {"label_2", "QLabel"}, {"label_6", "QLabel"}, {"custH1Pos", "QSpinBox"},
        {"custH1Len", "QSpinBox"}, {"label_4", "QLabel"}, {"label_3", "QLabel"},
        {"label_7", "QLabel"}, {"custH2Pos", "QSpinBox"}, {"custH2Len", "QSpinBox"},
        {"label_5", "QLabel"}, {"label_8", "QLabel"}, {"fastStep", "QSpinBox"}, {"label_9", "QLabel"},
    };
    for (const auto &[name, className] : onFrame) {
        const QWidget *widget = child<QWidget>(dialog, name);
        QVERIFY2(widget, name);
        QCOMPARE(widget->metaObject()->className(), className);
        QCOMPARE(widget->parentWidget(), frame);
    }
    for (const char *name : {"okButton", "cancelButton"}) {
        const QWidget *button = child<QPushButton>(dialog, name);
        QVERIFY2(button, name);
        QCOMPARE(button->parentWidget(), &dialog);
    }

    auto *outer = qobject_cast<QGridLayout *>(dialog.layout());
    QVERIFY(outer);
    QCOMPARE(outer->objectName(), QStringLiteral("gridLayout_2"));
    auto *inner = qobject_cast<QGridLayout *>(frame->layout());
    QVERIFY(inner);
    QCOMPARE(inner->objectName(), QStringLiteral("gridLayout_3"));
    QCOMPARE(outer->itemAtPosition(0, 0)->widget(), frame);
    auto *buttons = qobject_cast<QHBoxLayout *>(outer->itemAtPosition(1, 0)->layout());
    QVERIFY(buttons);
    QCOMPARE(buttons->objectName(), QStringLiteral("horizontalLayout_2"));
    QCOMPARE(buttons->contentsMargins(), QMargins(6, 6, 6, 6));
    QCOMPARE(buttons->count(), 3);
    QVERIFY(buttons->itemAt(0)->spacerItem());
    QCOMPARE(buttons->itemAt(1)->widget(), child<QWidget>(dialog, "okButton"));
    QCOMPARE(buttons->itemAt(2)->widget(), child<QWidget>(dialog, "cancelButton"));

    const QStringList innerNames = {QStringLiteral("horizontalLayout"), QStringLiteral("gridLayout"),
                                    QStringLiteral("horizontalLayout_3")};
    for (int row = 0; row < 3; ++row)
        QCOMPARE(inner->itemAtPosition(row, 0)->layout()->objectName(), innerNames.at(row));

    const QLayout *fileRow = inner->itemAtPosition(0, 0)->layout();
    QCOMPARE(fileRow->count(), 3);
    QCOMPARE(fileRow->itemAt(0)->widget(), child<QWidget>(dialog, "label"));
    QCOMPARE(fileRow->itemAt(1)->widget(), child<QWidget>(dialog, "segyName"));
    QCOMPARE(fileRow->itemAt(2)->widget(), child<QWidget>(dialog, "openButton"));

    const QLayout *stepRow = inner->itemAtPosition(2, 0)->layout();
    QCOMPARE(stepRow->count(), 4);
    QCOMPARE(stepRow->itemAt(0)->widget(), child<QWidget>(dialog, "label_8"));
    QCOMPARE(stepRow->itemAt(1)->widget(), child<QWidget>(dialog, "fastStep"));
    QCOMPARE(stepRow->itemAt(2)->widget(), child<QWidget>(dialog, "label_9"));
    QVERIFY(stepRow->itemAt(3)->spacerItem());
}

void tst_BrowseHeaderDialog::formCells_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    const char *rows[2][5] = {{"label_2", "label_6", "custH1Pos", "custH1Len", "label_4"},
                              {"label_3", "label_7", "custH2Pos", "custH2Len", "label_5"}};
    const int columns[5] = {0, 2, 3, 4, 5};
    for (int row = 0; row < 2; ++row) {
        for (int k = 0; k < 5; ++k)
            QTest::newRow(rows[row][k]) << QString::fromLatin1(rows[row][k]) << row << columns[k];
    }
}

void tst_BrowseHeaderDialog::formCells()
{
    QFETCH(QString, name);
    QFETCH(int, row);
    QFETCH(int, column);
    BrowseHeaderDialog dialog(nullptr);
    auto *grid = dialog.findChild<QGridLayout *>(QStringLiteral("gridLayout"));
    QVERIFY(grid);
    QWidget *widget = dialog.findChild<QWidget *>(name);
    QVERIFY(widget);
    int r = -1, c = -1, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(grid->indexOf(widget), &r, &c, &rowSpan, &columnSpan);
    QCOMPARE(r, row);
    QCOMPARE(c, column);
    QCOMPARE(rowSpan, 1);
    QCOMPARE(columnSpan, 1);
}

void tst_BrowseHeaderDialog::formSpacers()
{
    BrowseHeaderDialog dialog(nullptr);
    auto *grid = dialog.findChild<QGridLayout *>(QStringLiteral("gridLayout"));
    QVERIFY(grid);
    QCOMPARE(grid->rowCount(), 2);
    QCOMPARE(grid->columnCount(), 7);
    for (int row = 0; row < 2; ++row) {
        const QSpacerItem *fixed = grid->itemAtPosition(row, 1)->spacerItem();
        QVERIFY(fixed);
        QCOMPARE(fixed->sizeHint(), QSize(28, 20));
        QCOMPARE(fixed->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
        QCOMPARE(fixed->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);
        const QSpacerItem *stretch = grid->itemAtPosition(row, 6)->spacerItem();
        QVERIFY(stretch);
        QCOMPARE(stretch->sizeHint(), QSize(40, 20));
        QCOMPARE(stretch->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
        QCOMPARE(stretch->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);
    }
    const auto *steps = dialog.findChild<QHBoxLayout *>(QStringLiteral("horizontalLayout_3"));
    const auto *buttons = dialog.findChild<QHBoxLayout *>(QStringLiteral("horizontalLayout_2"));
    for (const QSpacerItem *spacer : {steps->itemAt(3)->spacerItem(), buttons->itemAt(0)->spacerItem()}) {
        QVERIFY(spacer);
        QCOMPARE(spacer->sizeHint(), QSize(40, 20));
        QCOMPARE(spacer->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
        QCOMPARE(spacer->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);
    }
}

void tst_BrowseHeaderDialog::formTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("rightAligned");
    QTest::newRow("label") << "label" << "SEGY file:" << false;
    QTest::newRow("openButton") << "openButton" << "<>" << false;
    QTest::newRow("label_2") << "label_2" << "Custom header1:" << false;
    QTest::newRow("label_6") << "label_6" << "position" << true;
    QTest::newRow("label_4") << "label_4" << "bytes" << true;
    QTest::newRow("label_3") << "label_3" << "Custom header2:" << false;
    QTest::newRow("label_7") << "label_7" << "position" << true;
    QTest::newRow("label_5") << "label_5" << "bytes" << true;
    QTest::newRow("label_8") << "label_8" << "Fast forward/backward step:" << false;
    QTest::newRow("label_9") << "label_9" << "( shots )" << false;
    QTest::newRow("okButton") << "okButton" << "OK" << false;
    QTest::newRow("cancelButton") << "cancelButton" << "Cancel" << false;
}

void tst_BrowseHeaderDialog::formTexts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(bool, rightAligned);
    BrowseHeaderDialog dialog(nullptr);
    QWidget *widget = dialog.findChild<QWidget *>(name);
    QVERIFY(widget);
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        QCOMPARE(label->text(), text);
        const Qt::Alignment expected = rightAligned ? (Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter)
                                                    : (Qt::AlignLeft | Qt::AlignVCenter);
        QCOMPARE(label->alignment(), expected);
    } else {
        QCOMPARE(qobject_cast<QPushButton *>(widget)->text(), text);
    }
}

void tst_BrowseHeaderDialog::formFontsAndSizes()
{
    BrowseHeaderDialog dialog(nullptr);
    QCOMPARE(dialog.size(), QSize(565, 238));
    QCOMPARE(dialog.font().family(), QStringLiteral("Segoe UI"));
    QCOMPARE(dialog.font().pointSize(), 10);
    for (const char *name : {"segyName", "custH1Pos", "custH1Len", "custH2Pos", "custH2Len", "fastStep"}) {
        const QWidget *widget = child<QWidget>(dialog, name);
        QVERIFY2(widget->testAttribute(Qt::WA_SetFont), name);
        QCOMPARE(widget->font().family(), QStringLiteral("Segoe UI"));
        QCOMPARE(widget->font().pointSize(), 10);
    }
    QVERIFY(!child<QWidget>(dialog, "label")->testAttribute(Qt::WA_SetFont));
    QCOMPARE(child<QWidget>(dialog, "openButton")->maximumSize(), QSize(61, 23));

    struct Box
    {
        const char *name;
        int minimumWidth, minimum, maximum, step;
    };
    for (const Box &box : {Box{"custH1Pos", 71, 1, 239, 1}, Box{"custH1Len", 51, 2, 4, 2},
                           Box{"custH2Pos", 71, 1, 239, 1}, Box{"custH2Len", 51, 2, 4, 2},
                           Box{"fastStep", 61, 5, 100, 5}}) {
        const QSpinBox *spin = child<QSpinBox>(dialog, box.name);
        QCOMPARE(spin->minimumSize(), QSize(box.minimumWidth, 0));
        QCOMPARE(spin->minimum(), box.minimum);
        QCOMPARE(spin->maximum(), box.maximum);
        QCOMPARE(spin->singleStep(), box.step);
    }
}

void tst_BrowseHeaderDialog::tabOrder()
{
    BrowseHeaderDialog dialog(nullptr);
    const QStringList expected = {"openButton", "segyName", "custH1Pos", "custH1Len", "custH2Pos",
                                  "custH2Len", "fastStep", "okButton", "cancelButton"};
    QStringList chain;
    QWidget *widget = child<QWidget>(dialog, "openButton");
    for (int guard = 0; guard < 200 && chain.size() < expected.size(); ++guard) {
        if (expected.contains(widget->objectName()) && !chain.contains(widget->objectName()))
            chain << widget->objectName();
        widget = widget->nextInFocusChain();
    }
    QCOMPARE(chain, expected);

    // Tabbing backwards from the line edit reaches the browse button first.
    QWidget *previous = child<QWidget>(dialog, "segyName")->previousInFocusChain();
    while (!(previous->focusPolicy() & Qt::TabFocus))
        previous = previous->previousInFocusChain();
    QCOMPARE(previous->objectName(), QStringLiteral("openButton"));
}

void tst_BrowseHeaderDialog::okIsTheDefaultButtonAndRunsTheOwnAccept()
{
    const QString missing = dataDir->filePath(QStringLiteral("gone.sgy"));
    writeFile(missing, QByteArray(5000, '\1'));
    ZnBaseUtil::setProjectValue(kPrefix + QStringLiteral("segyName"), missing);

    BrowseHeaderDialog dialog(nullptr);
    dialog.show();
    auto *ok = child<QPushButton>(dialog, "okButton");
    QVERIFY(ok->isDefault());
    QVERIFY(!child<QPushButton>(dialog, "cancelButton")->isDefault());

    // The file vanishes after the dialog has checked it: OK must run the dialog's own flow,
    // which reports the file, and must not close the dialog as a plain accept would.
    QVERIFY(QFile::remove(missing));
    QString title;
    QString text;
    ModalDriver driver;
    driver.then("QMessageBox", [&](QWidget *window) {
        auto *box = static_cast<QMessageBox *>(window);
        title = box->windowTitle();
        text = box->text();
        box->accept();
    });
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY2(driver.finished(), qPrintable(driver.faults()));
    QCOMPARE(title, QStringLiteral("Error"));
    QCOMPARE(text, QStringLiteral("Error: fail to open the file: %1").arg(missing));
    QVERIFY(dialog.isVisible());
}

void tst_BrowseHeaderDialog::metaObject()
{
    const QMetaObject &meta = BrowseHeaderDialog::staticMetaObject;
    QCOMPARE(meta.className(), "BrowseHeaderDialog");
    QCOMPARE(meta.superClass(), &ZnDialog::staticMetaObject);
    const QByteArrayList expected = {"on_segyName_textChanged()", "on_openButton_clicked()",
                                     "on_custH1Pos_valueChanged()", "on_custH1Len_valueChanged()",
                                     "on_custH2Pos_valueChanged()", "on_custH2Len_valueChanged()",
                                     "on_fastStep_valueChanged()", "accept()"};
    QCOMPARE(meta.methodCount() - meta.methodOffset(), expected.size());
    for (int k = 0; k < expected.size(); ++k) {
        const QMetaMethod method = meta.method(meta.methodOffset() + k);
        QCOMPARE(method.methodSignature(), expected.at(k));
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        QCOMPARE(method.access(), QMetaMethod::Private);
        QCOMPARE(method.returnType(), int(QMetaType::Void));
    }
    QCOMPARE(meta.propertyCount(), meta.propertyOffset());

    BrowseHeaderDialog dialog(nullptr);
    QCOMPARE(dialog.qt_metacast("BrowseHeaderDialog"), static_cast<void *>(&dialog));
    QCOMPARE(dialog.qt_metacast("ZnDialog"), static_cast<void *>(static_cast<ZnDialog *>(&dialog)));
    QVERIFY(!dialog.qt_metacast("ShowHeaderTable"));
}

void tst_BrowseHeaderDialog::helpPage()
{
    BrowseHeaderDialog dialog(nullptr);
    QCOMPARE(dialog.helpFile(), QStringLiteral("w_cover.html"));
}

void tst_BrowseHeaderDialog::headerDefinitionTable_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<QVector<int>>("expected"); // 16 positions, then 15 lengths

    const QVector<int> positions = {9, 13, 37, 41, 45, 49, 73, 77, 81, 85, 189, 99, 193, 101, 21, 71};
    const QVector<int> lengths = {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 2, 4, 2, 4};
    QTest::newRow("the standard places") << QVariantMap() << positions + lengths;

    QVector<int> moved = positions + lengths;
    moved[0] = 189;
    moved[16] = 4;
    moved[1] = 5;
    moved[17] = 2;
    moved[15] = 89;
    QTest::newRow("FFID at 189, channel 2 bytes at 5, scalar at 89")
            << QVariantMap{{"TraceHeaderDefine/ffid_position", 189}, {"TraceHeaderDefine/ffid_bytes", 4},
                           {"TraceHeaderDefine/channel_position", 5}, {"TraceHeaderDefine/channel_bytes", 2},
                           {"TraceHeaderDefine/extraByte", 89}}
            << moved;
}

void tst_BrowseHeaderDialog::headerDefinitionTable()
{
    QFETCH(QVariantMap, stored);
    QFETCH(QVector<int>, expected);
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        ZnBaseUtil::setProjectValue(it.key(), it.value());

    int **table = allocateHeaderDefs();
    readHostHeaderDefine(table);
    for (int k = 0; k < 16; ++k)
        QCOMPARE(table[k][0], expected.at(k));
    for (int k = 0; k < 15; ++k)
        QCOMPARE(table[k][1], expected.at(16 + k));
    releaseHeaderDefs(table);
}

QTEST_MAIN(tst_BrowseHeaderDialog)
#include "tst_BrowseHeaderDialog.moc"
