#include "BrowseHeaderDialog.h"
#include "HeaderDefineTable.h"
#include "ModalDriver.h"
#include "ScratchProject.h"

#include <ZnBaseUtil.h>
#include <ZnProjectManager.h>

#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
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

QColor textColour(const QWidget &dialog)
{
    return child<QLineEdit>(dialog, "segyName")->palette().color(QPalette::Text);
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
        QVERIFY(!child(dialog, "okButton")->isEnabled());
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
        QCOMPARE(textColour(dialog), good ? QColor(Qt::black) : QColor(Qt::red));
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

        QString seen;
        ModalDriver driver;
        driver.then("QFileDialog", [&](QWidget *window) {
            auto *chooser = static_cast<QFileDialog *>(window);
            seen = chooser->directory().absolutePath();
            if (pick)
                chooser->selectFile(picked);
            pick ? static_cast<QDialog *>(chooser)->accept() : chooser->reject();
        });
        QTest::mouseClick(child<QPushButton>(dialog, "openButton"), Qt::LeftButton);
        QVERIFY2(driver.finished(), qPrintable(driver.faults()));
        // The chooser starts in the project's folder.
        QCOMPARE(seen, QDir(scratch->projectDir.path()).absolutePath());
        QCOMPARE(child<QLineEdit>(dialog, "segyName")->text(), pick ? picked : before);
        QVERIFY(child(dialog, "okButton")->isEnabled());
    }

    void okRunsTheOwnFlowAndKeepsTheDialog()
    {
        const QString path = storeFile("gone.sgy");
        BrowseHeaderDialog dialog(nullptr);
        dialog.show();
        auto *ok = child<QPushButton>(dialog, "okButton");

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
