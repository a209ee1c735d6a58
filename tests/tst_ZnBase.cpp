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
    void projects_data()
    {
        QTest::addColumn<QString>("project"); // "-": the default project
        QTest::addColumn<QString>("other");   // a project that must not see the value
        QTest::addColumn<QVariant>("value");
        QTest::newRow("default project; spaces and umlauts") << "-" << "north" << QVariant("/data/Linie 7/Schuß ä.sgy");
        QTest::newRow("project inside the other; quotes and equals sign")
                << "2019/survey" << "2019/survey/inner" << QVariant("a, \"b\"; c=d");
        QTest::newRow("same name, other parent; integer") << "2019/survey" << "2020/survey" << QVariant(15);
    }

    void projects()
    {
        QFETCH(QString, project);
        QFETCH(QString, other);
        QFETCH(QVariant, value);
        QTemporaryDir root;
        const bool isDefault = project == QLatin1String("-");
        const QString dir = isDefault ? ZnProjectManager::defaultProjectDir() : root.filePath(project);
        // The default project lives in the user's data folder, whatever the working folder.
        QVERIFY(dir.startsWith(QDir(qEnvironmentVariable("XDG_DATA_HOME")).absolutePath() + "/") || !isDefault);
        QVERIFY(ZnProjectManager::instance().openProject(dir + QStringLiteral("/")));
        QCOMPARE(ZnProjectManager::instance().settingsFile(), dir + QStringLiteral("/project.ini"));
        QVERIFY(ZnBaseUtil::setProjectValue(QStringLiteral("key"), value));
        // A regular file is no project; the open one stays.
        QVERIFY(!ZnProjectManager::instance().openProject(QCoreApplication::applicationFilePath()));
        QCOMPARE(ZnProjectManager::instance().define().projectDir, dir);

        // The value is on disk, in its project alone; the default project is where no other is opened.
        QCOMPARE(QSettings(dir + QStringLiteral("/project.ini"), QSettings::IniFormat).value("key"), value);
        QVERIFY(ZnProjectManager::instance().openProject(root.filePath(other)));
        QCOMPARE(ZnBaseUtil::projectValue(QStringLiteral("key"), "<none>").toString(), QStringLiteral("<none>"));
    }

    void headerDefine_data()
    {
        // A field (-1: the scalar position extraByte), what a project stores for it (an invalid
        // QVariant stores nothing), and the place that the definition gives it.
        QTest::addColumn<int>("field");
        QTest::addColumn<QVariant>("storedPosition");
        QTest::addColumn<QVariant>("storedBytes");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("bytes");
        QTest::newRow("nothing stored: the standard table") << 0 << QVariant() << QVariant() << 9 << 4;
        QTest::newRow("ffid moved") << 0 << QVariant(17) << QVariant(4) << 17 << 4;
        QTest::newRow("s_stat widened to 4 bytes") << 11 << QVariant(99) << QVariant(4) << 99 << 4;
        QTest::newRow("4-byte field past byte 240 ignored") << 0 << QVariant(238) << QVariant(4) << 9 << 4;
        QTest::newRow("1 byte at 240 is read as 2: ignored") << 2 << QVariant(240) << QVariant(1) << 37 << 4;
        QTest::newRow("position not a number ignored") << 8 << QVariant("eighty") << QVariant(4) << 81 << 4;
        QTest::newRow("scalar moved") << -1 << QVariant(115) << QVariant() << 115 << 2;
        QTest::newRow("scalar past byte 240 ignored") << -1 << QVariant(240) << QVariant() << 71 << 2;
    }

    void headerDefine()
    {
        QFETCH(int, field);
        QFETCH(QVariant, storedPosition);
        QFETCH(QVariant, storedBytes);
        QFETCH(int, position);
        QFETCH(int, bytes);
        const ZnTraceHeaderDefine standard = ZnTraceHeaderDefineNode::standardDefine();
        QTemporaryDir root;
        QVERIFY(ZnProjectManager::instance().openProject(root.path()));
        const QString key = QStringLiteral("TraceHeaderDefine/")
                + (field < 0 ? QStringLiteral("extraByte") : ZnTraceHeaderDefineNode::fieldName(field));
        QVERIFY(!storedPosition.isValid() || ZnBaseUtil::setProjectValue(key + (field < 0 ? "" : "_position"), storedPosition));
        QVERIFY(!storedBytes.isValid() || ZnBaseUtil::setProjectValue(key + QStringLiteral("_bytes"), storedBytes));

        const ZnTraceHeaderDefine def = ZnTraceHeaderDefineNode().define();
        QCOMPARE(int(def.extraByte), field < 0 ? position : 71);
        for (int k = 0; k < kZnTraceHeaderFields; ++k) {
            QCOMPARE(def.fieldPositions[k], k == field ? position : standard.fieldPositions[k]);
            QCOMPARE(def.fieldBytes[k], k == field ? bytes : standard.fieldBytes[k]);
        }
    }

    void helpKey_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("present");
        QTest::newRow("page present") << QStringLiteral("w_cover.html") << true;
        QTest::newRow("page missing") << QStringLiteral("zn_no_such_page.html") << false;
    }

    // F1 in a dialog over the host's window shows the page from the host's help folder, or says it has none.
    void helpKey()
    {
        QFETCH(QString, page);
        QFETCH(bool, present);
        // Off the screen's centre, where Qt itself would put a dialog without a parent.
        QMainWindow host;
        host.setGeometry(20, 30, 400, 300);
        host.show();
        host.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&host));
        PagedDialog dialog;
        dialog.page = page;
        auto *field = new QLineEdit(&dialog);
        dialog.resize(200, 100);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.frameGeometry().center(), host.frameGeometry().center());

        QString message;
        ModalDriver driver(10000);
        if (!present)
            driver.then("QMessageBox", [&message](QWidget *box) { message = static_cast<QMessageBox *>(box)->text(); box->close(); });
        field->setFocus();
        QTest::keyClick(field, Qt::Key_F1);
        QVERIFY2(driver.finished() && message.contains(present ? QString() : page), qPrintable(message + driver.faults()));
        // The page, known by its title, shows in a viewer; or no viewer opens at all.
        auto *browser = dialog.findChild<QTextBrowser *>();
        QCOMPARE(browser && browser->isVisible() ? browser->documentTitle() : QStringLiteral("no viewer"),
                 present ? QStringLiteral("Browse SEGY Header") : QStringLiteral("no viewer"));
    }
};

QTEST_MAIN(tst_ZnBase)
#include "tst_ZnBase.moc"
