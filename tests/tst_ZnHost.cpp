#include <ZnGeneralPlugin.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPluginLoader>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// Generous: the host may run under the sanitizers; it only guards against a hang.
constexpr int kHostTimeoutMs = 120000;

struct HostRun
{
    bool finished = false;
    int exitCode = -1;
    QString errors;
};

static QString stagedHost()
{
    return QStringLiteral(ZN_STAGE_DIR "/bin/ZnHost");
}

// Runs the installed host as a user would start it, on the offscreen platform.
static HostRun runHost(const QStringList &args)
{
    QProcess host;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // The stage must find its libraries through its own run path.
    env.remove(QStringLiteral("LD_LIBRARY_PATH"));
    host.setProcessEnvironment(env);
    host.start(stagedHost(), args);

    HostRun run;
    run.finished = host.waitForFinished(kHostTimeoutMs);
    if (!run.finished) {
        host.kill();
        host.waitForFinished();
    }
    run.exitCode = host.exitStatus() == QProcess::NormalExit ? host.exitCode() : -1;
    run.errors = QString::fromLocal8Bit(host.readAllStandardError());
    return run;
}

static bool writeTextFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// The error text that Qt's plug-in loader gives for the file, as the host should pass it on.
static QString loaderError(const QString &path)
{
    QPluginLoader loader(path);
    if (loader.load()) {
        loader.unload();
        return QString();
    }
    return loader.errorString();
}

class tst_ZnHost : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void reportsEveryPluginFile_data();
    void reportsEveryPluginFile();
    void commandLine_data();
    void commandLine();
    void screenshotsWindowAndTriggeredDialog();
    void loadsStagedBrowseHeader();

private:
    QString sourceFile(const QString &tag) const;

    QTemporaryDir scratch;
};

void tst_ZnHost::initTestCase()
{
    QVERIFY2(QFileInfo(stagedHost()).isExecutable(), qPrintable(stagedHost() + QStringLiteral(" is not installed")));
    QVERIFY(scratch.isValid());
    QVERIFY(writeTextFile(scratch.filePath(QStringLiteral("notes.txt")), "These are notes, not a plug-in.\n"));
}

QString tst_ZnHost::sourceFile(const QString &tag) const
{
    if (tag == QLatin1String("text"))
        return scratch.filePath(QStringLiteral("notes.txt"));
    if (tag == QLatin1String("library"))
        return QStringLiteral(ZN_STAGE_DIR "/lib/libZnBase.so");
    if (tag == QLatin1String("probe"))
        return QStringLiteral(ZN_PROBE_PLUGIN);
    if (tag == QLatin1String("unresolved"))
        return QStringLiteral(ZN_PROBE_UNRESOLVED_PLUGIN);
    if (tag == QLatin1String("foreign"))
        return QStringLiteral(ZN_FOREIGN_PLUGIN);
    return QString();
}

void tst_ZnHost::reportsEveryPluginFile_data()
{
    // files: "name=source" pairs copied into the plug-in folder; source tags as in sourceFile().
    // loaderErrors: files whose loader error text the host must pass on.
    QTest::addColumn<bool>("folderExists");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("loaderErrors");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("text file named like a library")
            << true << QStringList{"libBroken.so=text"} << QStringList{"libBroken.so"}
            << QStringList{"No plug-in could be loaded from"};
    QTest::newRow("shared library that is no plug-in")
            << true << QStringList{"libNotAPlugin.so=library"} << QStringList{"libNotAPlugin.so"} << QStringList();
    QTest::newRow("plug-in needing an undefined symbol")
            << true << QStringList{"libZnProbeUnresolved.so=unresolved"} << QStringList{"libZnProbeUnresolved.so"}
            << QStringList{"znProbeMissingSymbol"};
    QTest::newRow("plug-in of a foreign interface")
            << true << QStringList{"libZnForeignPlugin.so=foreign"} << QStringList()
            << QStringList{"error: Cannot use plug-in libZnForeignPlugin.so: it implements "
                           "org.example.foreign.ForeignInterface, not " ZnGeneralPlugin_iid};
    QTest::newRow("general plug-in")
            << true << QStringList{"libZnProbePlugin.so=probe"} << QStringList()
            << QStringList{"Loaded plug-in libZnProbePlugin.so: Probe Tool", "Probe Tool needs a project",
                           "Plug-ins loaded: 1"};
    QTest::newRow("broken file beside a good plug-in")
            << true << QStringList{"libBroken.so=text", "libZnProbePlugin.so=probe"} << QStringList{"libBroken.so"}
            << QStringList{"Loaded plug-in libZnProbePlugin.so: Probe Tool", "Plug-ins loaded: 1"};
    QTest::newRow("empty folder") << true << QStringList() << QStringList() << QStringList{"error: No plug-ins found in"};
    QTest::newRow("missing folder") << false << QStringList() << QStringList() << QStringList{"does not exist"};
}

void tst_ZnHost::reportsEveryPluginFile()
{
    QFETCH(bool, folderExists);
    QFETCH(QStringList, files);
    QFETCH(QStringList, loaderErrors);
    QFETCH(QStringList, expected);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString pluginDir = root.filePath(QStringLiteral("plugins"));
    if (folderExists)
        QVERIFY(QDir().mkpath(pluginDir));
    for (const QString &entry : files) {
        const QString name = entry.section(QLatin1Char('='), 0, 0);
        const QString source = sourceFile(entry.section(QLatin1Char('='), 1));
        QVERIFY2(QFile::copy(source, pluginDir + QLatin1Char('/') + name), qPrintable(source));
    }
    for (const QString &name : loaderErrors) {
        const QString error = loaderError(pluginDir + QLatin1Char('/') + name);
        QVERIFY2(!error.isEmpty(), qPrintable(name + QStringLiteral(" loads, yet the row expects it not to")));
        expected << QStringLiteral("error: Cannot load plug-in %1: %2").arg(name, error);
    }

    const HostRun run = runHost({QStringLiteral("--plugins"), pluginDir, QStringLiteral("--quit-after"), QStringLiteral("0")});
    QVERIFY2(run.finished, qPrintable(run.errors));
    QCOMPARE(run.exitCode, 0);
    for (const QString &text : qAsConst(expected))
        QVERIFY2(run.errors.contains(text), qPrintable(QStringLiteral("missing \"%1\" in:\n%2").arg(text, run.errors)));
}

void tst_ZnHost::commandLine_data()
{
    // @TMP@ is a fresh folder, @FILE@ a regular file in it, @DATA@ the user's data folder.
    // The plug-in folder holds the probe plug-in.
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("createdFolder");

    const QString quit = QStringLiteral("--quit-after");
    QTest::newRow("default project") << QStringList{quit, "0"} << 0
                                     << QStringList{"Project: Default (@DATA@/"} << QString();
    QTest::newRow("project folder") << QStringList{"--project", "@TMP@/north", quit, "0"} << 0
                                    << QStringList{"Project: north (@TMP@/north)"} << QString();
    QTest::newRow("missing project folder is created")
            << QStringList{"--project", "@TMP@/new/south", quit, "0"} << 0
            << QStringList{"Project: south (@TMP@/new/south)"} << QStringLiteral("@TMP@/new/south");
    QTest::newRow("project that is a file") << QStringList{"--project", "@FILE@", quit, "0"} << 2
                                            << QStringList{"cannot open the project folder \"@FILE@\""} << QString();
    QTest::newRow("empty project path") << QStringList{"--project", "", quit, "0"} << 2
                                        << QStringList{"cannot open the project folder \"\""} << QString();
    QTest::newRow("quit-after not a number") << QStringList{quit, "soon"} << 2
                                             << QStringList{"--quit-after needs a number", "soon"} << QString();
    QTest::newRow("unknown option") << QStringList{"--frobnicate", quit, "0"} << 2
                                    << QStringList{"frobnicate"} << QString();
    QTest::newRow("stray argument") << QStringList{"stray", quit, "0"} << 2
                                    << QStringList{"unexpected argument stray"} << QString();
    QTest::newRow("trigger runs the action") << QStringList{"--trigger", "Probe Tool", quit, "0"} << 0
                                             << QStringList{"Triggering \"Probe Tool\""} << QString();
    QTest::newRow("trigger naming no action") << QStringList{"--trigger", "Nothing Here", quit, "0"} << 1
                                              << QStringList{"error: No plug-in action is named \"Nothing Here\""}
                                              << QString();
    QTest::newRow("screenshot that cannot be saved")
            << QStringList{"--screenshot", "@FILE@/shot.png", quit, "0"} << 1
            << QStringList{"error: Cannot save the screenshot @FILE@/shot.png"} << QString();
}

void tst_ZnHost::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QStringList, expected);
    QFETCH(QString, createdFolder);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString file = root.filePath(QStringLiteral("notes.txt"));
    QVERIFY(writeTextFile(file, "not a folder\n"));
    const QString pluginDir = root.filePath(QStringLiteral("plugins"));
    QVERIFY(QDir().mkpath(pluginDir));
    QVERIFY(QFile::copy(sourceFile(QStringLiteral("probe")), pluginDir + QStringLiteral("/libZnProbePlugin.so")));

    auto expand = [&](QString text) {
        return text.replace(QStringLiteral("@TMP@"), root.path())
                .replace(QStringLiteral("@FILE@"), file)
                .replace(QStringLiteral("@DATA@"), qEnvironmentVariable("XDG_DATA_HOME"));
    };
    QStringList hostArgs{QStringLiteral("--plugins"), pluginDir};
    for (const QString &arg : qAsConst(args))
        hostArgs << expand(arg);

    const HostRun run = runHost(hostArgs);
    QVERIFY2(run.finished, qPrintable(run.errors));
    QVERIFY2(run.exitCode == exitCode, qPrintable(QStringLiteral("exit code %1, stderr:\n%2").arg(run.exitCode).arg(run.errors)));
    for (const QString &text : qAsConst(expected)) {
        const QString wanted = expand(text);
        QVERIFY2(run.errors.contains(wanted), qPrintable(QStringLiteral("missing \"%1\" in:\n%2").arg(wanted, run.errors)));
    }
    if (!createdFolder.isEmpty())
        QVERIFY(QFileInfo(expand(createdFolder)).isDir());
}

void tst_ZnHost::screenshotsWindowAndTriggeredDialog()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString pluginDir = root.filePath(QStringLiteral("plugins"));
    QVERIFY(QDir().mkpath(pluginDir));
    QVERIFY(QFile::copy(sourceFile(QStringLiteral("probe")), pluginDir + QStringLiteral("/libZnProbePlugin.so")));
    const QString shot = root.filePath(QStringLiteral("host.png"));

    const HostRun run = runHost({QStringLiteral("--plugins"), pluginDir, QStringLiteral("--trigger"),
                                 QStringLiteral("Probe Tool"), QStringLiteral("--screenshot"), shot,
                                 QStringLiteral("--quit-after"), QStringLiteral("0")});
    QVERIFY2(run.finished, qPrintable(run.errors));
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));

    const QImage window(shot);
    const QImage dialog(root.filePath(QStringLiteral("host-dialog.png")));
    QVERIFY2(!window.isNull(), qPrintable(run.errors));
    QVERIFY2(!dialog.isNull(), qPrintable(run.errors));
    // The probe's dialog has a fixed size of 360 x 140; the main window is larger.
    QCOMPARE(dialog.size(), QSize(360, 140));
    QVERIFY(window.width() > dialog.width() && window.height() > dialog.height());
}

void tst_ZnHost::loadsStagedBrowseHeader()
{
    const QString plugin = QStringLiteral(ZN_STAGE_DIR "/plugins/modules/segy/libBrowseHeader.so");
    if (!QFileInfo::exists(plugin))
        QSKIP("the stage holds no BrowseHeader plug-in");

    // No --plugins: the installed host finds its own plug-in folder.
    const HostRun run = runHost({QStringLiteral("--quit-after"), QStringLiteral("0")});
    QVERIFY2(run.finished, qPrintable(run.errors));
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.errors.contains(QStringLiteral("Loaded plug-in libBrowseHeader.so: Browse SEGY Header")),
             qPrintable(run.errors));
    QVERIFY2(!run.errors.contains(QStringLiteral("error:")), qPrintable(run.errors));
}

QTEST_GUILESS_MAIN(tst_ZnHost)
#include "tst_ZnHost.moc"
