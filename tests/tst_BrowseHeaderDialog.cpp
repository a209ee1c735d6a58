#include "BrowseHeaderDialog.h"
#include "HeaderDefineTable.h"
#include "ModalDriver.h"
#include "ScratchProject.h"

#include <ZnBaseUtil.h>
#include <ZnProjectManager.h>

#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
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
const char *const kBoxes[] = {"custH1Pos", "custH1Len", "custH2Pos", "custH2Len", "fastStep"};

QString writeFile(const QString &path, int bytes = 5000)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(QByteArray(bytes, '\1'));
    return path;
}

template <typename T = QWidget>
T *child(const QWidget &dialog, const char *name)
{
    return dialog.findChild<T *>(QLatin1String(name));
}

QColor textColour(const QWidget &dialog, QPalette::ColorGroup group = QPalette::Active)
{
    return child<QLineEdit>(dialog, "segyName")->palette().color(group, QPalette::Text);
}

QStringList storedKeys()
{
    return QSettings(ZnProjectManager::instance().settingsFile(), QSettings::IniFormat).allKeys();
}

} // namespace

class tst_BrowseHeaderDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScratchProject> scratch;

    // Writes a file of 5000 bytes by this name and stores it as the last file browsed.
    QString storeFile(const char *name)
    {
        const QString path = writeFile(scratch->dataDir.filePath(QLatin1String(name)));
        ZnBaseUtil::setProjectValue(kPrefix + QStringLiteral("segyName"), path);
        return path;
    }

private slots:
    void init()
    {
        scratch = std::make_unique<ScratchProject>();
        QVERIFY(scratch->open());
    }

    void loadedValues_data()
    {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<QVector<int>>("shown");
        QTest::newRow("nothing stored") << QVariantMap() << QVector<int>{71, 2, 237, 4, 10};
        QTest::newRow("stored values")
                << QVariantMap{{"cust1Pos", 189}, {"cust1Len", 4}, {"cust2Pos", 9}, {"cust2Len", 2}, {"fastStep", 25}}
                << QVector<int>{189, 4, 9, 2, 25};
        // 500 is clamped to 239, then the 4-byte limit moves it to 237; text reads as 0.
        QTest::newRow("outside the ranges")
                << QVariantMap{{"cust1Pos", 500}, {"cust1Len", 4}, {"cust2Pos", -3}, {"cust2Len", 1}, {"fastStep", "lots"}}
                << QVector<int>{237, 4, 1, 2, 5};
    }

    void loadedValues()
    {
        QFETCH(QVariantMap, stored);
        QFETCH(QVector<int>, shown);
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            ZnBaseUtil::setProjectValue(kPrefix + it.key(), it.value());
        const QStringList keysBefore = storedKeys();

        BrowseHeaderDialog dialog(nullptr);
        QVector<int> values;
        for (const char *name : kBoxes)
            values << child<QSpinBox>(dialog, name)->value();
        QCOMPARE(values, shown);
        QCOMPARE(child<QLineEdit>(dialog, "segyName")->text(), QString());
        QVERIFY(!child(dialog, "okButton")->isEnabled());
        QCOMPARE(dialog.helpFile(), QStringLiteral("w_cover.html"));
        // Showing the values stores nothing.
        QCOMPARE(storedKeys(), keysBefore);
    }

    void fileNameColourAndOk_data()
    {
        QTest::addColumn<int>("bytes"); // -1: no file, -2: a folder
        QTest::addColumn<bool>("good");
        QTest::newRow("existing non-empty file") << 3840 << true;
        QTest::newRow("missing file") << -1 << false;
        QTest::newRow("empty file") << 0 << false;
        QTest::newRow("a folder") << -2 << false;
    }

    void fileNameColourAndOk()
    {
        QFETCH(int, bytes);
        QFETCH(bool, good);
        QString path = scratch->dataDir.filePath(QStringLiteral("line 7 ü.sgy"));
        if (bytes >= 0)
            writeFile(path, bytes);
        else if (bytes == -2)
            path = scratch->dataDir.path();
        ZnBaseUtil::setProjectValue(kPrefix + QStringLiteral("segyName"), path);

        BrowseHeaderDialog dialog(nullptr);
        QCOMPARE(child<QLineEdit>(dialog, "segyName")->text(), path);
        QCOMPARE(child(dialog, "okButton")->isEnabled(), good);
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            QCOMPARE(textColour(dialog, group), good ? QColor(Qt::black) : QColor(Qt::red));
    }

    void editingTheFileName()
    {
        const QString good = storeFile("a.sgy");
        BrowseHeaderDialog dialog(nullptr);
        dialog.show();
        QLineEdit *name = child<QLineEdit>(dialog, "segyName");
        name->selectAll();
        QTest::keyClick(name, Qt::Key_Delete);
        QVERIFY(!child(dialog, "okButton")->isEnabled());
        QCOMPARE(textColour(dialog), QColor(Qt::red));
        // Red until the last letter completes the name of an existing file.
        QTest::keyClicks(name, good.chopped(1));
        QVERIFY(!child(dialog, "okButton")->isEnabled());
        QTest::keyClicks(name, good.right(1));
        QVERIFY(child(dialog, "okButton")->isEnabled());
        QCOMPARE(textColour(dialog), QColor(Qt::black));
    }

    void customPositionStaysInsideTheHeader_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("expected");
        for (const char *header : {"1", "2"}) {
            QTest::addRow("header %s: length 4 moves 239 to 237", header) << QByteArray(header) << 4 << 237;
            QTest::addRow("header %s: length 3 moves 239 to 238", header) << QByteArray(header) << 3 << 238;
            QTest::addRow("header %s: length 2 keeps 239", header) << QByteArray(header) << 2 << 239;
        }
    }

    void customPositionStaysInsideTheHeader()
    {
        QFETCH(QByteArray, header);
        QFETCH(int, length);
        QFETCH(int, expected);
        BrowseHeaderDialog dialog(nullptr);
        QSpinBox *pos = child<QSpinBox>(dialog, "custH" + header + "Pos");
        QSpinBox *len = child<QSpinBox>(dialog, "custH" + header + "Len");
        // The limit holds whichever of the two is set last.
        len->setValue(2);
        pos->setValue(239);
        len->setValue(length);
        QCOMPARE(pos->value(), expected);
        pos->setValue(1);
        pos->setValue(239);
        QCOMPARE(pos->value(), expected);
    }

    void cancelStoresNothing()
    {
        ZnBaseUtil::setProjectValue(kPrefix + QStringLiteral("fastStep"), 20);
        BrowseHeaderDialog dialog(nullptr);
        dialog.show();
        child<QLineEdit>(dialog, "segyName")->setText(writeFile(scratch->dataDir.filePath(QStringLiteral("b.sgy"))));
        child<QSpinBox>(dialog, "fastStep")->setValue(55);
        QTest::mouseClick(child<QPushButton>(dialog, "cancelButton"), Qt::LeftButton);
        QVERIFY(dialog.isHidden());
        QCOMPARE(storedKeys(), QStringList{kPrefix + QStringLiteral("fastStep")});
        QCOMPARE(ZnBaseUtil::projectValue(kPrefix + QStringLiteral("fastStep")).toInt(), 20);
    }

    void fileChooser_data()
    {
        QTest::addColumn<bool>("pick");
        QTest::newRow("a file is picked") << true;
        QTest::newRow("the chooser is cancelled") << false;
    }

    void fileChooser()
    {
        QFETCH(bool, pick);
        const QString picked = writeFile(scratch->dataDir.filePath(QStringLiteral("picked.segy")));
        const QString before = storeFile("before.sgy");
        BrowseHeaderDialog dialog(nullptr);
        dialog.show();

        QStringList seen;
        ModalDriver driver;
        driver.then("QFileDialog", [&](QWidget *window) {
            auto *chooser = static_cast<QFileDialog *>(window);
            seen << chooser->windowTitle() << chooser->directory().absolutePath() << chooser->nameFilters();
            if (pick)
                chooser->selectFile(picked);
            pick ? static_cast<QDialog *>(chooser)->accept() : chooser->reject();
        });
        QTest::mouseClick(child<QPushButton>(dialog, "openButton"), Qt::LeftButton);
        QVERIFY2(driver.finished(), qPrintable(driver.faults()));
        QCOMPARE(seen, (QStringList{QStringLiteral("Open"), QDir(scratch->projectDir.path()).absolutePath(),
                                    QStringLiteral("SEGY Files (*.sgy *.segy *.SGY *.SEGY)")}));
        QCOMPARE(child<QLineEdit>(dialog, "segyName")->text(), pick ? picked : before);
        QVERIFY(child(dialog, "okButton")->isEnabled());
    }

    void okRunsTheOwnFlowAndKeepsTheDialog()
    {
        const QString path = storeFile("gone.sgy");
        BrowseHeaderDialog dialog(nullptr);
        dialog.show();
        auto *ok = child<QPushButton>(dialog, "okButton");
        QVERIFY(ok->isDefault());
        QVERIFY(!child<QPushButton>(dialog, "cancelButton")->isDefault());

        // The file vanishes after the dialog has checked it: OK must run the dialog's own flow,
        // which reports the file, and must not close the dialog as a plain accept would.
        QVERIFY(QFile::remove(path));
        QStringList seen;
        ModalDriver driver;
        driver.then("QMessageBox", [&](QWidget *window) {
            auto *box = static_cast<QMessageBox *>(window);
            seen << box->windowTitle() << box->text();
            box->accept();
        });
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY2(driver.finished(), qPrintable(driver.faults()));
        QCOMPARE(seen, (QStringList{QStringLiteral("Error"), QStringLiteral("Error: fail to open the file: ") + path}));
        QVERIFY(dialog.isVisible());
        QVERIFY(!QFile::exists(path + QStringLiteral(".index")));
        QCOMPARE(storedKeys(), QStringList{kPrefix + QStringLiteral("segyName")});
    }

    void formWidgets_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("row"); // cell in gridLayout, -1 elsewhere
        QTest::addColumn<int>("column");
        const auto row = [](const char *name, const char *className, const char *text, int r = -1, int c = -1) {
            QTest::newRow(name) << name << className << text << r << c;
        };
        row("label", "QLabel", "SEGY file:");
        row("segyName", "QLineEdit", "");
        row("openButton", "QPushButton", "<>");
        row("label_2", "QLabel", "Custom header1:", 0, 0);
        row("label_6", "QLabel", "position", 0, 2);
        row("custH1Pos", "QSpinBox", "", 0, 3);
        row("custH1Len", "QSpinBox", "", 0, 4);
        row("label_4", "QLabel", "bytes", 0, 5);
        row("label_3", "QLabel", "Custom header2:", 1, 0);
        row("label_7", "QLabel", "position", 1, 2);
        row("custH2Pos", "QSpinBox", "", 1, 3);
        row("custH2Len", "QSpinBox", "", 1, 4);
        row("label_5", "QLabel", "bytes", 1, 5);
        row("label_8", "QLabel", "Fast forward/backward step:");
        row("fastStep", "QSpinBox", "");
        row("label_9", "QLabel", "( shots )");
        row("okButton", "QPushButton", "OK");
        row("cancelButton", "QPushButton", "Cancel");
    }

    void formWidgets()
    {
        QFETCH(QString, name);
        QFETCH(QString, className);
        QFETCH(QString, text);
        QFETCH(int, row);
        QFETCH(int, column);
        BrowseHeaderDialog dialog(nullptr);
        QWidget *widget = dialog.findChild<QWidget *>(name);
        QVERIFY(widget);
        QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
        const bool onDialog = name.endsWith(QLatin1String("Button")) && name != QLatin1String("openButton");
        QCOMPARE(widget->parentWidget(), onDialog ? static_cast<QWidget *>(&dialog) : child(dialog, "frame"));
        if (auto *label = qobject_cast<const QLabel *>(widget)) {
            QCOMPARE(label->text(), text);
            if (text == QLatin1String("position") || text == QLatin1String("bytes"))
                QCOMPARE(label->alignment(), Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter);
        } else if (auto *button = qobject_cast<const QPushButton *>(widget)) {
            QCOMPARE(button->text(), text);
        } else {
            // The edit widgets carry the dialog's font as their own.
            QVERIFY(widget->testAttribute(Qt::WA_SetFont));
            QCOMPARE(widget->font().family(), QStringLiteral("Segoe UI"));
            QCOMPARE(widget->font().pointSize(), 10);
        }
        auto *grid = dialog.findChild<QGridLayout *>(QStringLiteral("gridLayout"));
        int cell[4] = {-1, -1, 1, 1};
        if (grid->indexOf(widget) >= 0)
            grid->getItemPosition(grid->indexOf(widget), &cell[0], &cell[1], &cell[2], &cell[3]);
        QCOMPARE(QVector<int>(cell, cell + 4), QVector<int>({row, column, 1, 1}));
    }

    void formLayoutTabOrderAndSlots()
    {
        BrowseHeaderDialog dialog(nullptr);
        QCOMPARE(dialog.objectName(), QStringLiteral("BrowseHeaderDialog"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Browse Segy Header"));
        QCOMPARE(dialog.size(), QSize(565, 238));
        QCOMPARE(dialog.font().family(), QStringLiteral("Segoe UI"));
        QCOMPARE(child(dialog, "openButton")->maximumSize(), QSize(61, 23));

        // Minimum widths, ranges and steps of the five boxes, in form order.
        QVector<int> limits;
        for (const char *name : kBoxes) {
            const QSpinBox *box = child<QSpinBox>(dialog, name);
            limits << box->minimumWidth() << box->minimum() << box->maximum() << box->singleStep();
        }
        QCOMPARE(limits, (QVector<int>{71, 1, 239, 1, 51, 2, 4, 2, 71, 1, 239, 1, 51, 2, 4, 2, 61, 5, 100, 5}));

        auto *grid = dialog.findChild<QGridLayout *>(QStringLiteral("gridLayout"));
        for (int r = 0; r < 2; ++r) {
            const QSpacerItem *fixed = grid->itemAtPosition(r, 1)->spacerItem();
            const QSpacerItem *stretch = grid->itemAtPosition(r, 6)->spacerItem();
            QVERIFY(fixed && stretch);
            QCOMPARE(fixed->sizeHint(), QSize(28, 20));
            QCOMPARE(QVector<int>({fixed->sizePolicy().horizontalPolicy(), stretch->sizePolicy().horizontalPolicy()}),
                     QVector<int>({QSizePolicy::Fixed, QSizePolicy::Expanding}));
        }
        auto *buttons = dialog.findChild<QHBoxLayout *>(QStringLiteral("horizontalLayout_2"));
        QCOMPARE(buttons->contentsMargins(), QMargins(6, 6, 6, 6));
        QVERIFY(buttons->itemAt(0)->spacerItem());

        const QStringList expected = {"openButton", "segyName", "custH1Pos", "custH1Len", "custH2Pos",
                                      "custH2Len", "fastStep", "okButton", "cancelButton"};
        QStringList chain;
        QWidget *widget = child(dialog, "openButton");
        for (int guard = 0; guard < 200 && chain.size() < expected.size(); ++guard, widget = widget->nextInFocusChain()) {
            if (expected.contains(widget->objectName()) && !chain.contains(widget->objectName()))
                chain << widget->objectName();
        }
        QCOMPARE(chain, expected);
        // Tabbing backwards from the line edit reaches the browse button first.
        QWidget *previous = child(dialog, "segyName")->previousInFocusChain();
        while (!(previous->focusPolicy() & Qt::TabFocus))
            previous = previous->previousInFocusChain();
        QCOMPARE(previous->objectName(), QStringLiteral("openButton"));

        // The auto-connected slots and accept(), all private, in declaration order.
        const QMetaObject &meta = BrowseHeaderDialog::staticMetaObject;
        QCOMPARE(meta.superClass(), &ZnDialog::staticMetaObject);
        QByteArrayList names;
        for (int k = meta.methodOffset(); k < meta.methodCount(); ++k) {
            QCOMPARE(meta.method(k).methodType(), QMetaMethod::Slot);
            QCOMPARE(meta.method(k).access(), QMetaMethod::Private);
            names << meta.method(k).methodSignature();
        }
        QCOMPARE(names, (QByteArrayList{"on_segyName_textChanged()", "on_openButton_clicked()",
                                        "on_custH1Pos_valueChanged()", "on_custH1Len_valueChanged()",
                                        "on_custH2Pos_valueChanged()", "on_custH2Len_valueChanged()",
                                        "on_fastStep_valueChanged()", "accept()"}));
        QCOMPARE(meta.propertyCount(), meta.propertyOffset());
    }

    void headerDefinitionTable_data()
    {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<QVector<int>>("expected"); // 16 positions, then 15 lengths
        QTest::newRow("the standard places") << QVariantMap()
                << QVector<int>{9, 13, 37, 41, 45, 49, 73, 77, 81, 85, 189, 99, 193, 101, 21, 71,
                                4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 2, 4, 2, 4};
        QTest::newRow("FFID at 189, channel 2 bytes at 5, scalar at 89")
                << QVariantMap{{"TraceHeaderDefine/ffid_position", 189}, {"TraceHeaderDefine/channel_position", 5},
                               {"TraceHeaderDefine/channel_bytes", 2}, {"TraceHeaderDefine/extraByte", 89}}
                << QVector<int>{189, 5, 37, 41, 45, 49, 73, 77, 81, 85, 189, 99, 193, 101, 21, 89,
                                4, 2, 4, 4, 4, 4, 4, 4, 4, 4, 4, 2, 4, 2, 4};
    }

    void headerDefinitionTable()
    {
        QFETCH(QVariantMap, stored);
        QFETCH(QVector<int>, expected);
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            ZnBaseUtil::setProjectValue(it.key(), it.value());
        int **table = allocateHeaderDefs();
        readHostHeaderDefine(table);
        QVector<int> read;
        for (int k = 0; k < 31; ++k)
            read << (k < 16 ? table[k][0] : table[k - 16][1]);
        releaseHeaderDefs(table);
        QCOMPARE(read, expected);
    }
};

QTEST_MAIN(tst_BrowseHeaderDialog)
#include "tst_BrowseHeaderDialog.moc"
