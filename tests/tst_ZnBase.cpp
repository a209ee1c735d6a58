#include "ModalDriver.h"

#include <ZnBaseUtil.h>
#include <ZnDialog.h>
#include <ZnProjectManager.h>
#include <ZnTraceHeaderDefineNode.h>

#include <QtTest>
#include <QtWidgets>

#include <cstdio>

// A child run of this executable stands in for a later session of the host; it prints the value
// stored for a key:  --child <project dir, or - for the default project> <key>
static const char kChildFlag[] = "--child";

// What a later session, started from a folder of its own, reads for the key in the project.
static QString readInChild(const QString &project, const QString &key)
{
    QTemporaryDir workDir;
    QProcess child;
    child.setWorkingDirectory(workDir.path());
    child.start(QCoreApplication::applicationFilePath(), {QLatin1String(kChildFlag), project, key});
    if (!child.waitForFinished(60000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return QStringLiteral("<child failed: %1>").arg(QString::fromLocal8Bit(child.readAllStandardError()));
    return QString::fromUtf8(child.readAllStandardOutput());
}

// A dialog that answers the help page it is given.
class PagedDialog : public ZnDialog
{
public:
    QString helpFile() override { return page; }
    QString page;
};

// A value stored in a project (a folder in a fresh temporary one; "-": the default project), another
// project that must not see it, and a path that openProject must refuse (@FILE@: a regular file,
// this test's own program).
struct ProjectRow { QString project; QString other; QString key; QVariant value; QString unusable; };
// A trace header field (-1: the scalar position extraByte), the position and length a project
// stores for it (an invalid QVariant stores nothing), and the place that the definition gives it.
struct OverrideRow { int field; QVariant storedPosition; QVariant storedBytes; int position; int bytes; };
Q_DECLARE_METATYPE(ProjectRow)
Q_DECLARE_METATYPE(OverrideRow)

class tst_ZnBase : public QObject
{
    Q_OBJECT

private slots:
    void projects_data();
    void projects();
    void headerDefine_data();
    void headerDefine();
    void dialogOverActiveWindowWithHelpKey_data();
    void dialogOverActiveWindowWithHelpKey();
};

void tst_ZnBase::projects_data()
{
    QTest::addColumn<ProjectRow>("row");
    QTest::newRow("default project; path with spaces and umlauts; empty path") << ProjectRow{
            "-", "north", "segyName", QStringLiteral("/data/Linie 7/Schu\u00df \u00e4.sgy"), QString()};
    QTest::newRow("sibling projects; integer in a group; a regular file") << ProjectRow{
            "2019/survey", "2019/north", "TraceHeaderDefine/ffid_position", 237, "@FILE@"};
    QTest::newRow("project inside the other; comma, quotes and equals sign; below a regular file") << ProjectRow{
            "2019/survey", "2019/survey/inner", "note", QStringLiteral("a, \"b\"; c=d"), "@FILE@/survey"};
    QTest::newRow("same name, other parent; inside /proc") << ProjectRow{
            "2019/survey", "2020/survey", "fastStep", 15, "/proc/zn-no-project"};
}

void tst_ZnBase::projects()
{
    QFETCH(ProjectRow, row);
    QTemporaryDir root;
    const bool isDefault = row.project == QLatin1String("-");
    const QString project = isDefault ? ZnProjectManager::defaultProjectDir() : root.filePath(row.project);
    // The default project lives in the user's data folder, whatever the working folder.
    const QString dataHome = QDir(qEnvironmentVariable("XDG_DATA_HOME")).absolutePath();
    QVERIFY2(!isDefault || project.startsWith(dataHome + QLatin1Char('/')), qPrintable(project));
    QVERIFY(ZnProjectManager::instance().openProject(project));
    QVERIFY(ZnBaseUtil::setProjectValue(row.key, row.value));

    const QString file = QCoreApplication::applicationFilePath();
    QVERIFY(!ZnProjectManager::instance().openProject(row.unusable.replace(QStringLiteral("@FILE@"), file)));
    QCOMPARE(ZnProjectManager::instance().define().projectDir, project);

    // Later sessions find the value in its project alone; one that opens no project is in the default one.
    QCOMPARE(readInChild(isDefault ? row.project : project, row.key), row.value.toString());
    QCOMPARE(readInChild(root.filePath(row.other), row.key), QStringLiteral("<none>"));
}

void tst_ZnBase::headerDefine_data()
{
    QTest::addColumn<OverrideRow>("row");
    QTest::newRow("nothing stored: the standard table") << OverrideRow{0, {}, {}, 9, 4};
    QTest::newRow("ffid moved") << OverrideRow{0, 17, 4, 17, 4};
    QTest::newRow("s_stat widened to 4 bytes") << OverrideRow{11, 99, 4, 99, 4};
    QTest::newRow("4-byte field past byte 240 ignored") << OverrideRow{0, 238, 4, 9, 4};
    QTest::newRow("position not a number ignored") << OverrideRow{8, QStringLiteral("eighty"), 4, 81, 4};
    QTest::newRow("scalar moved") << OverrideRow{-1, 115, {}, 115, 2};
    QTest::newRow("scalar past byte 240 ignored") << OverrideRow{-1, 240, {}, 71, 2};
}

void tst_ZnBase::headerDefine()
{
    QFETCH(OverrideRow, row);
    // The SEG-Y rev 1 places, under the names that projects store them by.
    const struct { const char *name; int position; int bytes; } standard[kZnTraceHeaderFields] = {
        {"ffid", 9, 4},      {"channel", 13, 4},  {"offset", 37, 4},   {"g_elev", 41, 4},  {"s_elev", 45, 4},
        {"s_depth", 49, 4},  {"source_x", 73, 4}, {"source_y", 77, 4}, {"group_x", 81, 4}, {"group_y", 85, 4},
        {"s_line", 189, 4},  {"s_stat", 99, 2},   {"g_line", 193, 4},  {"g_stat", 101, 2}, {"cdp", 21, 4},
    };
    QTemporaryDir root;
    QVERIFY(ZnProjectManager::instance().openProject(root.path()));
    const QString key = QStringLiteral("TraceHeaderDefine/")
            + (row.field < 0 ? QStringLiteral("extraByte") : QString::fromLatin1(standard[row.field].name));
    const QString positionKey = row.field < 0 ? key : key + QStringLiteral("_position");
    QVERIFY(!row.storedPosition.isValid() || ZnBaseUtil::setProjectValue(positionKey, row.storedPosition));
    QVERIFY(!row.storedBytes.isValid() || ZnBaseUtil::setProjectValue(key + QStringLiteral("_bytes"), row.storedBytes));

    const ZnTraceHeaderDefine def = ZnTraceHeaderDefineNode().define();
    QCOMPARE(int(def.extraByte), row.field < 0 ? row.position : 71);
    for (int k = 0; k < kZnTraceHeaderFields; ++k) {
        QCOMPARE(def.fieldPositions[k], k == row.field ? row.position : standard[k].position);
        QCOMPARE(def.fieldBytes[k], k == row.field ? row.bytes : standard[k].bytes);
    }
}

void tst_ZnBase::dialogOverActiveWindowWithHelpKey_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("messageMentions"); // empty: the page is shown
    QTest::newRow("page present") << QStringLiteral("w_cover.html") << QString();
    QTest::newRow("page missing") << QStringLiteral("zn_no_such_page.html") << QStringLiteral("zn_no_such_page.html");
}

void tst_ZnBase::dialogOverActiveWindowWithHelpKey()
{
    QFETCH(QString, page);
    QFETCH(QString, messageMentions);
    // The host's build copies its help pages into the build tree beside bin/.
    const QString pagePath = QDir(ZnBaseUtil::helpDirectory()).filePath(page);
    QVERIFY2(!messageMentions.isEmpty() || QFileInfo(pagePath).isFile(), qPrintable(pagePath + " is missing"));

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
    if (!messageMentions.isEmpty()) {
        driver.then("QMessageBox", [&message](QWidget *box) {
            message = static_cast<QMessageBox *>(box)->text();
            box->close();
        });
    }
    // F1 typed into a field reaches the dialog, as the user presses it.
    field->setFocus();
    QTest::keyClick(field, Qt::Key_F1);
    QVERIFY2(message.contains(messageMentions), qPrintable(message + driver.faults()));
    // The page, known by its title, shows in a viewer; or no viewer opens at all.
    auto *browser = dialog.findChild<QTextBrowser *>();
    QCOMPARE(browser && browser->isVisible() ? browser->documentTitle() : QStringLiteral("no viewer"),
             messageMentions.isEmpty() ? QStringLiteral("Browse SEGY Header") : QStringLiteral("no viewer"));
}

int main(int argc, char *argv[])
{
    if (argc == 4 && qstrcmp(argv[1], kChildFlag) == 0) {
        QCoreApplication app(argc, argv);
        const QString project = QString::fromLocal8Bit(argv[2]);
        if (project != QLatin1String("-") && !ZnProjectManager::instance().openProject(project))
            return 3;
        const QVariant value = ZnBaseUtil::projectValue(QString::fromLatin1(argv[3]), QStringLiteral("<none>"));
        std::fputs(value.toString().toUtf8().constData(), stdout);
        return 0;
    }

    // Run outside CTest, the test must still not touch the user's own projects.
    QTemporaryDir dataHome;
    if (qEnvironmentVariableIsEmpty("XDG_DATA_HOME"))
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));

    QApplication app(argc, argv);
    tst_ZnBase test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ZnBase.moc"
