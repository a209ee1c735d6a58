#include "ModalDriver.h"

#include <ZnBaseUtil.h>
#include <ZnDialog.h>
#include <ZnProjectManager.h>
#include <ZnTraceHeaderDefineNode.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

#include <memory>

// A child run of this executable stands in for a later session of the host:
//   --project-value-child read  <project dir, or - for the default> <key>
//   --project-value-child write <project dir, or - for the default> <key> <percent-encoded value>
static const char kChildFlag[] = "--project-value-child";
constexpr int kChildTimeoutMs = 60000;

static int childMain(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(2);
    if (args.size() < 3)
        return 3;
    const QString mode = args.at(0);
    const QString project = args.at(1);
    const QString key = args.at(2);
    if (project != QLatin1String("-") && !ZnProjectManager::instance().openProject(project))
        return 4;
    if (mode == QLatin1String("read")) {
        std::fputs(ZnBaseUtil::projectValue(key, QStringLiteral("<none>")).toString().toUtf8().constData(), stdout);
        return 0;
    }
    if (mode == QLatin1String("write") && args.size() == 4) {
        // Percent-encoded so that any text survives the command line, whatever the locale.
        const QString value = QString::fromUtf8(QByteArray::fromPercentEncoding(args.at(3).toLatin1()));
        return ZnBaseUtil::setProjectValue(key, value) ? 0 : 5;
    }
    return 3;
}

// Runs a child session; its standard output goes to *out.
static bool runChild(const QStringList &args, QString *out = nullptr, const QString &workDir = QString())
{
    QProcess child;
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setArguments(QStringList{QLatin1String(kChildFlag)} + args);
    if (!workDir.isEmpty())
        child.setWorkingDirectory(workDir);
    child.start();
    if (!child.waitForFinished(kChildTimeoutMs)) {
        child.kill();
        child.waitForFinished();
        qWarning("child session did not finish: %s", qPrintable(child.errorString()));
        return false;
    }
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        qWarning("child session %s failed with exit code %d: %s", qPrintable(args.join(QLatin1Char(' '))),
                 child.exitCode(), child.readAllStandardError().constData());
        return false;
    }
    if (out)
        *out = QString::fromUtf8(child.readAllStandardOutput());
    return true;
}

static QString encoded(const QString &value)
{
    return QString::fromLatin1(value.toUtf8().toPercentEncoding());
}

static bool writeFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("not a folder\n") > 0;
}

static QStringList entriesOf(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

namespace {

// A dialog that answers the help page it is given.
class PagedDialog : public ZnDialog
{
public:
    explicit PagedDialog(const QString &page)
        : page(page)
    {
    }
    QString helpFile() override { return page; }

private:
    QString page;
};

} // namespace

class tst_ZnBase : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void valuesSurviveRestart_data();
    void valuesSurviveRestart();
    void projectsAreSeparate_data();
    void projectsAreSeparate();
    void defaultProjectIgnoresWorkingFolder();
    void openProjectAccepts_data();
    void openProjectAccepts();
    void openProjectRefuses_data();
    void openProjectRefuses();
    void projectFolderChangedUnderneath_data();
    void projectFolderChangedUnderneath();

    void standardHeaderTable_data();
    void standardHeaderTable();
    void headerOverrides_data();
    void headerOverrides();

    void helpKey_data();
    void helpKey();
    void parentlessDialogOpensOverActiveWindow();

private:
    // A fresh, empty project in its own temporary folder, made current.
    bool openFreshProject();

    std::unique_ptr<QTemporaryDir> scratch;
};

void tst_ZnBase::initTestCase()
{
    // The first use of the manager, before any other project is opened: it must start in the
    // default project, which lives in the user's data folder.
    const ZnProjectDefine &define = ZnProjectManager::instance().define();
    QCOMPARE(define.projectDir, ZnProjectManager::defaultProjectDir());
    QVERIFY(QFileInfo(define.projectDir).isDir());
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    QVERIFY2(!dataHome.isEmpty(), "XDG_DATA_HOME is set by main() or by CTest");
    QVERIFY2(define.projectDir.startsWith(QDir(dataHome).absolutePath() + QLatin1Char('/')),
             qPrintable(define.projectDir));
    QVERIFY(ZnProjectManager::instance().settingsFile().startsWith(define.projectDir + QLatin1Char('/')));
}

bool tst_ZnBase::openFreshProject()
{
    scratch = std::make_unique<QTemporaryDir>();
    return scratch->isValid() && ZnProjectManager::instance().openProject(scratch->filePath(QStringLiteral("project")));
}

void tst_ZnBase::valuesSurviveRestart_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("file path with spaces and umlauts")
            << QStringLiteral("BrowseHeader_BrowseHeaderDialog_segyName")
            << QVariant(QStringLiteral("/data/Linie 7/Schu\u00df \u00e4.sgy"))
            << QStringLiteral("/data/Linie 7/Schu\u00df \u00e4.sgy");
    QTest::newRow("integer") << QStringLiteral("BrowseHeader_BrowseHeaderDialog_cust2Pos") << QVariant(237)
                             << QStringLiteral("237");
    QTest::newRow("text with comma, quotes and equals sign") << QStringLiteral("note")
                                                             << QVariant(QStringLiteral("a, \"b\"; c=d"))
                                                             << QStringLiteral("a, \"b\"; c=d");
    QTest::newRow("key in a group") << QStringLiteral("TraceHeaderDefine/ffid_position") << QVariant(17)
                                    << QStringLiteral("17");
}

void tst_ZnBase::valuesSurviveRestart()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QFETCH(QString, text);

    QVERIFY(openFreshProject());
    const QString project = ZnProjectManager::instance().define().projectDir;
    QVERIFY(ZnBaseUtil::setProjectValue(key, value));
    QCOMPARE(ZnBaseUtil::projectValue(key).toString(), text);

    QString seen;
    QVERIFY(runChild({QStringLiteral("read"), project, key}, &seen));
    QCOMPARE(seen, text);

    // And back: what a later session stores, this one reads.
    const QString changed = text + QStringLiteral(" (changed)");
    QVERIFY(runChild({QStringLiteral("write"), project, key, encoded(changed)}));
    QCOMPARE(ZnBaseUtil::projectValue(key).toString(), changed);
}

void tst_ZnBase::projectsAreSeparate_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");

    QTest::newRow("sibling folders") << QStringLiteral("north") << QStringLiteral("south");
    QTest::newRow("one inside the other") << QStringLiteral("north") << QStringLiteral("north/inner");
    QTest::newRow("same name, different parents") << QStringLiteral("2019/survey") << QStringLiteral("2020/survey");
}

void tst_ZnBase::projectsAreSeparate()
{
    QFETCH(QString, first);
    QFETCH(QString, second);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    ZnProjectManager &manager = ZnProjectManager::instance();
    const QString key = QStringLiteral("BrowseHeader_BrowseHeaderDialog_fastStep");
    const QString none = QStringLiteral("<none>");

    QVERIFY(manager.openProject(root.filePath(first)));
    QVERIFY(ZnBaseUtil::setProjectValue(key, 15));
    QVERIFY(manager.openProject(root.filePath(second)));
    QCOMPARE(ZnBaseUtil::projectValue(key, none).toString(), none);
    QVERIFY(ZnBaseUtil::setProjectValue(key, 40));
    QVERIFY(manager.openProject(root.filePath(first)));
    QCOMPARE(ZnBaseUtil::projectValue(key, none).toInt(), 15);
    QVERIFY(manager.openProject(root.filePath(second)));
    QCOMPARE(ZnBaseUtil::projectValue(key, none).toInt(), 40);
}

void tst_ZnBase::defaultProjectIgnoresWorkingFolder()
{
    QTemporaryDir writerDir;
    QTemporaryDir readerDir;
    QVERIFY(writerDir.isValid() && readerDir.isValid());
    const QString key = QStringLiteral("BrowseHeader_BrowseHeaderDialog_segyName");
    const QString value = QStringLiteral("/surveys/default-project.sgy");

    // Two sessions started from different folders share the default project and leave
    // nothing in the folder they were started from.
    QVERIFY(runChild({QStringLiteral("write"), QStringLiteral("-"), key, encoded(value)}, nullptr, writerDir.path()));
    QString seen;
    QVERIFY(runChild({QStringLiteral("read"), QStringLiteral("-"), key}, &seen, readerDir.path()));
    QCOMPARE(seen, value);
    QCOMPARE(entriesOf(writerDir.path()), QStringList());
    QCOMPARE(entriesOf(readerDir.path()), QStringList());

    QVERIFY(ZnProjectManager::instance().openProject(ZnProjectManager::defaultProjectDir()));
    QCOMPARE(ZnBaseUtil::projectValue(key).toString(), value);
}

void tst_ZnBase::openProjectAccepts_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<bool>("relative");
    QTest::addColumn<QString>("expectedDir");
    QTest::addColumn<QString>("expectedName");

    QTest::newRow("existing folder") << QStringLiteral("existing") << false << QStringLiteral("existing")
                                     << QStringLiteral("existing");
    QTest::newRow("missing folder is created") << QStringLiteral("new/deeper/survey") << false
                                               << QStringLiteral("new/deeper/survey") << QStringLiteral("survey");
    QTest::newRow("trailing slash") << QStringLiteral("existing/") << false << QStringLiteral("existing")
                                    << QStringLiteral("existing");
    QTest::newRow("dot-dot segment") << QStringLiteral("new/../existing") << false << QStringLiteral("existing")
                                     << QStringLiteral("existing");
    QTest::newRow("relative to the working folder") << QStringLiteral("relative") << true
                                                    << QStringLiteral("relative") << QStringLiteral("relative");
}

void tst_ZnBase::openProjectAccepts()
{
    QFETCH(QString, given);
    QFETCH(bool, relative);
    QFETCH(QString, expectedDir);
    QFETCH(QString, expectedName);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("existing")));
    const QString rootPath = QFileInfo(root.path()).canonicalFilePath();
    const QString previousCwd = QDir::currentPath();
    if (relative)
        QVERIFY(QDir::setCurrent(rootPath));

    ZnProjectManager &manager = ZnProjectManager::instance();
    QSignalSpy changed(&manager, &ZnProjectManager::projectChanged);
    const bool opened = manager.openProject(relative ? given : rootPath + QLatin1Char('/') + given);
    QDir::setCurrent(previousCwd);

    QVERIFY(opened);
    const QString dir = rootPath + QLatin1Char('/') + expectedDir;
    QCOMPARE(manager.define().projectDir, dir);
    QCOMPARE(manager.define().projectName, expectedName);
    QVERIFY(QFileInfo(dir).isDir());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toString(), dir);
}

void tst_ZnBase::openProjectRefuses_data()
{
    QTest::addColumn<QString>("path");

    QTest::newRow("empty path") << QString();
    QTest::newRow("a regular file") << QStringLiteral("@FILE@");
    QTest::newRow("below a regular file") << QStringLiteral("@FILE@/survey");
    QTest::newRow("inside /proc") << QStringLiteral("/proc/zn-no-project");
}

void tst_ZnBase::openProjectRefuses()
{
    QFETCH(QString, path);

    QVERIFY(openFreshProject());
    const QString file = scratch->filePath(QStringLiteral("notes.txt"));
    QVERIFY(writeFile(file));
    path.replace(QStringLiteral("@FILE@"), file);

    ZnProjectManager &manager = ZnProjectManager::instance();
    const QString key = QStringLiteral("BrowseHeader_BrowseHeaderDialog_cust1Pos");
    QVERIFY(ZnBaseUtil::setProjectValue(key, 99));
    const ZnProjectDefine before = manager.define();
    QSignalSpy changed(&manager, &ZnProjectManager::projectChanged);

    QVERIFY(!manager.openProject(path));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(manager.define().projectDir, before.projectDir);
    QCOMPARE(manager.define().projectName, before.projectName);
    QCOMPARE(ZnBaseUtil::projectValue(key).toInt(), 99);
    QVERIFY(QFileInfo(file).isFile());
}

void tst_ZnBase::projectFolderChangedUnderneath_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("stored");

    QTest::newRow("folder removed is made again") << QStringLiteral("remove") << true;
    QTest::newRow("folder replaced by a file") << QStringLiteral("file") << false;
    QTest::newRow("settings file is a folder") << QStringLiteral("settings folder") << false;
}

void tst_ZnBase::projectFolderChangedUnderneath()
{
    QFETCH(QString, change);
    QFETCH(bool, stored);

    QVERIFY(openFreshProject());
    const QString dir = ZnProjectManager::instance().define().projectDir;
    const QString key = QStringLiteral("BrowseHeader_BrowseHeaderDialog_fastStep");
    QVERIFY(ZnBaseUtil::setProjectValue(key, 20));
    QVERIFY(QDir(dir).removeRecursively());
    if (change == QLatin1String("file"))
        QVERIFY(writeFile(dir));
    else if (change == QLatin1String("settings folder"))
        QVERIFY(QDir().mkpath(ZnProjectManager::instance().settingsFile()));

    // The caller learns whether the value was stored, and only a stored value reaches a later session.
    QCOMPARE(ZnBaseUtil::setProjectValue(key, 35), stored);
    if (QFileInfo(dir).isDir()) {
        QString seen;
        QVERIFY(runChild({QStringLiteral("read"), dir, key}, &seen));
        QCOMPARE(seen, stored ? QStringLiteral("35") : QStringLiteral("<none>"));
    }
}

void tst_ZnBase::standardHeaderTable_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("bytes");

    const struct
    {
        const char *name;
        int position;
        int bytes;
    } rows[] = {
        {"ffid", 9, 4},      {"channel", 13, 4},  {"offset", 37, 4},   {"g_elev", 41, 4},   {"s_elev", 45, 4},
        {"s_depth", 49, 4},  {"source_x", 73, 4}, {"source_y", 77, 4}, {"group_x", 81, 4},  {"group_y", 85, 4},
        {"s_line", 189, 4},  {"s_stat", 99, 2},   {"g_line", 193, 4},  {"g_stat", 101, 2},  {"cdp", 21, 4},
    };
    int field = 0;
    for (const auto &row : rows) {
        QTest::newRow(row.name) << field << QString::fromLatin1(row.name) << row.position << row.bytes;
        ++field;
    }
    QTest::newRow("extraByte") << -1 << QStringLiteral("extraByte") << 71 << 2;
}

void tst_ZnBase::standardHeaderTable()
{
    QFETCH(int, field);
    QFETCH(QString, name);
    QFETCH(int, position);
    QFETCH(int, bytes);

    QVERIFY(openFreshProject());
    const ZnTraceHeaderDefine def = ZnTraceHeaderDefineNode().define();
    const ZnTraceHeaderDefine standard = ZnTraceHeaderDefineNode::standardDefine();
    if (field < 0) {
        QCOMPARE(int(def.extraByte), position);
        QCOMPARE(int(standard.extraByte), position);
        return;
    }
    QCOMPARE(ZnTraceHeaderDefineNode::fieldName(field), name);
    QCOMPARE(def.fieldPositions[field], position);
    QCOMPARE(def.fieldBytes[field], bytes);
    QCOMPARE(standard.fieldPositions[field], position);
    QCOMPARE(standard.fieldBytes[field], bytes);
}

void tst_ZnBase::headerOverrides_data()
{
    // field: the field's index, or -1 for the scalar position extraByte. An invalid QVariant
    // stores nothing under that key.
    QTest::addColumn<int>("field");
    QTest::addColumn<QVariant>("storedPosition");
    QTest::addColumn<QVariant>("storedBytes");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("bytes");

    const QVariant none;
    QTest::newRow("ffid moved") << 0 << QVariant(17) << QVariant(4) << 17 << 4;
    QTest::newRow("s_stat widened to 4 bytes") << 11 << QVariant(99) << QVariant(4) << 99 << 4;
    QTest::newRow("position alone keeps the length") << 1 << QVariant(200) << none << 200 << 4;
    QTest::newRow("length alone keeps the position") << 3 << none << QVariant(2) << 41 << 2;
    QTest::newRow("2-byte field ending at byte 240") << 13 << QVariant(239) << QVariant(2) << 239 << 2;
    QTest::newRow("4-byte field ending at byte 240") << 14 << QVariant(237) << QVariant(4) << 237 << 4;
    QTest::newRow("4-byte field past byte 240 ignored") << 0 << QVariant(238) << QVariant(4) << 9 << 4;
    QTest::newRow("moved past byte 240 with its length ignored") << 2 << QVariant(238) << none << 37 << 4;
    QTest::newRow("position 0 ignored") << 4 << QVariant(0) << QVariant(4) << 45 << 4;
    QTest::newRow("negative position ignored") << 5 << QVariant(-8) << QVariant(4) << 49 << 4;
    QTest::newRow("length 0 ignored") << 6 << QVariant(73) << QVariant(0) << 73 << 4;
    QTest::newRow("length 8 ignored") << 7 << QVariant(77) << QVariant(8) << 77 << 4;
    QTest::newRow("position not a number ignored") << 8 << QVariant(QStringLiteral("eighty")) << QVariant(4) << 81 << 4;
    QTest::newRow("scalar moved") << -1 << QVariant(115) << none << 115 << 2;
    QTest::newRow("scalar at the last pair of bytes") << -1 << QVariant(239) << none << 239 << 2;
    QTest::newRow("scalar past byte 240 ignored") << -1 << QVariant(240) << none << 71 << 2;
    QTest::newRow("scalar at 0 ignored") << -1 << QVariant(0) << none << 71 << 2;
    QTest::newRow("scalar beyond a byte ignored") << -1 << QVariant(327) << none << 71 << 2;
}

void tst_ZnBase::headerOverrides()
{
    QFETCH(int, field);
    QFETCH(QVariant, storedPosition);
    QFETCH(QVariant, storedBytes);
    QFETCH(int, position);
    QFETCH(int, bytes);

    QVERIFY(openFreshProject());
    const QString prefix = QStringLiteral("TraceHeaderDefine/");
    if (field < 0) {
        QVERIFY(ZnBaseUtil::setProjectValue(prefix + QStringLiteral("extraByte"), storedPosition));
    } else {
        const QString stem = prefix + ZnTraceHeaderDefineNode::fieldName(field);
        if (storedPosition.isValid())
            QVERIFY(ZnBaseUtil::setProjectValue(stem + QStringLiteral("_position"), storedPosition));
        if (storedBytes.isValid())
            QVERIFY(ZnBaseUtil::setProjectValue(stem + QStringLiteral("_bytes"), storedBytes));
    }

    const ZnTraceHeaderDefine def = ZnTraceHeaderDefineNode().define();
    const ZnTraceHeaderDefine standard = ZnTraceHeaderDefineNode::standardDefine();
    if (field < 0)
        QCOMPARE(int(def.extraByte), position);
    else
        QCOMPARE(int(def.extraByte), int(standard.extraByte));
    for (int k = 0; k < kZnTraceHeaderFields; ++k) {
        const bool overridden = k == field;
        QCOMPARE(def.fieldPositions[k], overridden ? position : standard.fieldPositions[k]);
        QCOMPARE(def.fieldBytes[k], overridden ? bytes : standard.fieldBytes[k]);
    }
}

void tst_ZnBase::helpKey_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("viewerExpected");
    QTest::addColumn<QString>("messageMentions");

    QTest::newRow("page present") << QStringLiteral("w_cover.html") << true << QString();
    QTest::newRow("page missing") << QStringLiteral("zn_no_such_page.html") << false
                                  << QStringLiteral("zn_no_such_page.html");
    QTest::newRow("no page named") << QString() << false << QStringLiteral("Survey Settings");
}

void tst_ZnBase::helpKey()
{
    QFETCH(QString, page);
    QFETCH(bool, viewerExpected);
    QFETCH(QString, messageMentions);

    // The host's build copies its help pages into the build tree beside bin/.
    const QString pagePath = QDir(ZnBaseUtil::helpDirectory()).filePath(page);
    if (viewerExpected)
        QVERIFY2(QFileInfo(pagePath).isFile(), qPrintable(pagePath + QStringLiteral(" is missing; build ZnHostHelp")));

    PagedDialog dialog(page);
    dialog.setWindowTitle(QStringLiteral("Survey Settings"));
    auto *field = new QLineEdit(&dialog);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    field->setFocus();

    QString message;
    ModalDriver driver(10000);
    if (!viewerExpected) {
        driver.then("QMessageBox", [&message](QWidget *box) {
            message = static_cast<QMessageBox *>(box)->text();
            static_cast<QMessageBox *>(box)->accept();
        });
    }
    // F1 typed into a field reaches the dialog, as the user presses it.
    QTest::keyClick(field, Qt::Key_F1);
    QVERIFY2(driver.finished(), qPrintable(driver.faults()));

    auto *viewer = dialog.findChild<QDialog *>(QStringLiteral("ZnHelpViewer"));
    if (!viewerExpected) {
        QVERIFY2(message.contains(messageMentions), qPrintable(message));
        QVERIFY(!viewer);
        return;
    }
    QVERIFY(viewer);
    QVERIFY(viewer->isVisible());
    auto *browser = viewer->findChild<QTextBrowser *>();
    QVERIFY(browser);
    QCOMPARE(browser->source(), QUrl::fromLocalFile(pagePath));
    QCOMPARE(browser->documentTitle(), QStringLiteral("Browse SEGY Header"));
}

void tst_ZnBase::parentlessDialogOpensOverActiveWindow()
{
    // Off the screen's centre, where Qt itself would put a dialog without a parent.
    QMainWindow host;
    host.setGeometry(20, 30, 400, 300);
    host.show();
    host.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&host));

    PagedDialog dialog{QString()};
    dialog.resize(200, 100);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.frameGeometry().center(), host.frameGeometry().center());

    // Shown again after the user moved it, it stays where the user put it.
    dialog.hide();
    dialog.move(300, 250);
    host.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&host));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.pos(), QPoint(300, 250));
}

int main(int argc, char *argv[])
{
    if (argc >= 2 && qstrcmp(argv[1], kChildFlag) == 0)
        return childMain(argc, argv);

    // Run outside CTest, the test must still not touch the user's own projects.
    QTemporaryDir dataHome;
    if (qEnvironmentVariableIsEmpty("XDG_DATA_HOME"))
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));

    QApplication app(argc, argv);
    tst_ZnBase test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ZnBase.moc"
