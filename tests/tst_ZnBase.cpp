#include "ModalDriver.h"

#include <ZnBaseUtil.h>
#include <ZnDialog.h>
#include <ZnProjectManager.h>
#include <ZnTraceHeaderDefineNode.h>

#include <QtTest>
#include <QtWidgets>

// A dialog that answers the help page it is given.
class PagedDialog : public ZnDialog
{
public:
    QString helpFile() override { return page; }
    QString page;
};

class tst_ZnBase : public QObject
{
    Q_OBJECT

private slots:
    void headerDefine_data()
    {
        // A field (-1: the scalar position extraByte), what a project stores for it (an invalid
        // QVariant stores nothing), and the place that the definition gives it.
        QTest::addColumn<int>("field");
        QTest::addColumn<QVariantList>("stored");
        QTest::addColumn<QVector<int>>("place");
        QTest::newRow("nothing stored: the standard table") << 0 << QVariantList{{}, {}} << QVector<int>{9, 4};
        QTest::newRow("ffid moved") << 0 << QVariantList{17, 4} << QVector<int>{17, 4};
        QTest::newRow("4-byte field past byte 240 ignored") << 0 << QVariantList{238, 4} << QVector<int>{9, 4};
        QTest::newRow("1 byte at 240 is read as 2: ignored") << 2 << QVariantList{240, 1} << QVector<int>{37, 4};
        QTest::newRow("3 bytes at 239 run past byte 240: ignored") << 0 << QVariantList{239, 3} << QVector<int>{9, 4};
        QTest::newRow("position not a number ignored") << 8 << QVariantList{"eighty", 4} << QVector<int>{81, 4};
        QTest::newRow("scalar moved") << -1 << QVariantList{115, {}} << QVector<int>{115, 2};
        QTest::newRow("scalar past byte 240 ignored") << -1 << QVariantList{240, {}} << QVector<int>{71, 2};
    }

    void headerDefine()
    {
        QFETCH(int, field);
        QFETCH(QVariantList, stored);
        QFETCH(QVector<int>, place);
        const ZnTraceHeaderDefine standard = ZnTraceHeaderDefineNode::standardDefine();
        QTemporaryDir root;
        // The host's window follows the project by this signal: once for an open, with the folder
        // cleaned, and not at all for a refused one.
        QSignalSpy changed(&ZnProjectManager::instance(), &ZnProjectManager::projectChanged);
        QFile notFolder(root.filePath(QStringLiteral("file")));
        QVERIFY(notFolder.open(QIODevice::WriteOnly));
        QVERIFY(!ZnProjectManager::instance().openProject(notFolder.fileName()));
        QVERIFY(ZnProjectManager::instance().openProject(root.path() + QLatin1Char('/')));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toString(), QDir(root.path()).absolutePath());
        const QString key = QStringLiteral("TraceHeaderDefine/")
                + (field < 0 ? QStringLiteral("extraByte") : ZnTraceHeaderDefineNode::fieldName(field));
        QVERIFY(!stored[0].isValid() || ZnBaseUtil::setProjectValue(key + (field < 0 ? "" : "_position"), stored[0]));
        QVERIFY(!stored[1].isValid() || ZnBaseUtil::setProjectValue(key + QStringLiteral("_bytes"), stored[1]));
        const ZnTraceHeaderDefine def = ZnTraceHeaderDefineNode().define();
        QCOMPARE(int(def.extraByte), field < 0 ? place[0] : 71);
        for (int k = 0; k < kZnTraceHeaderFields; ++k) {
            QCOMPARE(def.fieldPositions[k], k == field ? place[0] : standard.fieldPositions[k]);
            QCOMPARE(def.fieldBytes[k], k == field ? place[1] : standard.fieldBytes[k]);
        }
    }

    void helpKey_data()
    {
        QTest::addColumn<QString>("page");
        QTest::newRow("page present") << QStringLiteral("w_cover.html");
        QTest::newRow("page missing") << QStringLiteral("zn_no_such_page.html");
        QTest::newRow("no page named") << QString();
    }

    // F1 in a dialog shows the page from the host's help folder, known by its title, or says that it has none.
    void helpKey()
    {
        QFETCH(QString, page);
        const bool present = page.startsWith(QLatin1String("w_"));
        QWidget host; // the window the user works in: a dialog without a parent opens centred over it
        host.setGeometry(100, 100, 800, 600);
        host.show();
        QApplication::setActiveWindow(&host);
        QVERIFY(QTest::qWaitForWindowActive(&host));
        PagedDialog dialog;
        dialog.page = page;
        dialog.setWindowTitle(QStringLiteral("Paged"));
        auto *field = new QLineEdit(&dialog);
        dialog.show();
        QCOMPARE(dialog.frameGeometry().center(), host.frameGeometry().center());
        QString message;
        ModalDriver driver(10000);
        if (!present)
            driver.then("QMessageBox", [&message](QWidget *box) { message = static_cast<QMessageBox *>(box)->text(); box->close(); });
        QTest::keyClick(field, Qt::Key_F1);
        // A present page opens no box at all; a missing one names the page in its box, or the dialog when it names none.
        const QString named = page.isEmpty() ? dialog.windowTitle() : page;
        QVERIFY2(driver.finished() && (present ? message.isEmpty() : message.endsWith(named)), qPrintable(message + driver.faults()));
        auto *browser = dialog.findChild<QTextBrowser *>();
        QCOMPARE(browser && browser->isVisible() ? browser->documentTitle() : QStringLiteral("no viewer"),
                 present ? QStringLiteral("Browse SEGY Header") : QStringLiteral("no viewer"));
    }
};

QTEST_MAIN(tst_ZnBase)
#include "tst_ZnBase.moc"
