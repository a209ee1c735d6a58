#include <ZnGeneralPlugin.h>

#include <QImage>
#include <QPluginLoader>
#include <QtTest>

// Runs the installed host as a user would start it, on the offscreen platform, with its own
// plug-in folder unless the arguments name another; its exit code (-1: no normal exit) and log.
static QPair<int, QString> runHost(const QStringList &args, const QString &language = QStringLiteral("C"))
{
    QProcess host;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LANG"), language);
    env.insert(QStringLiteral("LC_ALL"), language);
    env.remove(QStringLiteral("LD_LIBRARY_PATH")); // the stage must find its libraries through its own run path
    host.setProcessEnvironment(env);
    host.start(QStringLiteral(ZN_STAGE_DIR "/bin/ZnHost"), args + QStringList{"--quit-after", "0"});
    // Generous: the host may run under the sanitizers; it only guards against a hang.
    const bool finished = host.waitForFinished(120000);
    if (!finished)
        host.kill();
    return {finished && host.exitStatus() == QProcess::NormalExit ? host.exitCode() : -1,
            QString::fromLocal8Bit(host.readAllStandardError())};
}

class tst_ZnHost : public QObject
{
    Q_OBJECT

private slots:
    void startUp_data();
    void startUp();
    void screenshotOfTriggeredDialog();
    void pluginCataloguesFollowTheLanguage();
};

void tst_ZnHost::startUp_data()
{
    // plugins: the files of a fresh plug-in folder, "name=built file" (none: the host's own folder);
    // loaderError: the host must pass on the error that Qt's plug-in loader gives for the one file.
    // In args and texts, @TMP@ is a fresh folder and @FILE@ a regular file in it.
    QTest::addColumn<QStringList>("plugins");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("loaderError");
    QTest::addColumn<QStringList>("expected");

    const QStringList probe{QStringLiteral("libZnProbePlugin.so=" ZN_PROBE_PLUGIN)};
    QTest::newRow("shared library that is no plug-in")
            << QStringList{"libNotAPlugin.so=" ZN_STAGE_DIR "/lib/libZnBase.so"} << QStringList() << 0 << true
            << QStringList();
    QTest::newRow("plug-in needing an undefined symbol")
            << QStringList{"libZnProbeUnresolved.so=" ZN_PROBE_UNRESOLVED_PLUGIN} << QStringList() << 0 << true
            << QStringList{"znProbeMissingSymbol"};
    QTest::newRow("plug-in of a foreign interface") << QStringList{"libZnForeignPlugin.so=" ZN_FOREIGN_PLUGIN}
            << QStringList() << 0 << false << QStringList{"error: Cannot use plug-in libZnForeignPlugin.so: it "
                                                          "implements org.example.foreign.ForeignInterface, not "
                                                          ZnGeneralPlugin_iid};
    QTest::newRow("--project shows that project") << probe << QStringList{"--project", "@TMP@/north"} << 0 << false
            << QStringList{"Project: north (@TMP@/north)"};
    QTest::newRow("--project naming a file") << probe << QStringList{"--project", "@FILE@"} << 2 << false
            << QStringList{"cannot open the project folder \"@FILE@\""};
    QTest::newRow("BrowseHeader from the stage") << QStringList() << QStringList() << 0 << false
            << QStringList{"Loaded plug-in libBrowseHeader.so: Browse SEGY Header"};
}

void tst_ZnHost::startUp()
{
    QFETCH(QStringList, plugins);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(bool, loaderError);
    QFETCH(QStringList, expected);
    const QString browseHeader = QStringLiteral(ZN_STAGE_DIR "/plugins/modules/segy/libBrowseHeader.so");
    if (plugins.isEmpty() && !QFileInfo::exists(browseHeader))
        QSKIP("the stage holds no BrowseHeader plug-in");

    QTemporaryDir root;
    QFile file(root.filePath(QStringLiteral("notes.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    const auto expand = [&](QString text) {
        return text.replace(QStringLiteral("@TMP@"), root.path()).replace(QStringLiteral("@FILE@"), file.fileName());
    };
    const QString pluginDir = root.filePath(QStringLiteral("plugins"));
    QVERIFY(QDir().mkpath(pluginDir));
    for (const QString &entry : qAsConst(plugins))
        QVERIFY(QFile::copy(entry.section('=', 1), pluginDir + '/' + entry.section('=', 0, 0)));
    if (loaderError) {
        const QString name = plugins.constFirst().section('=', 0, 0);
        QPluginLoader loader(pluginDir + '/' + name);
        QVERIFY2(!loader.load(), qPrintable(name + QStringLiteral(" loads, yet the row expects it not to")));
        expected << QStringLiteral("error: Cannot load plug-in %1: %2").arg(name, loader.errorString());
    }
    QStringList hostArgs = plugins.isEmpty() ? QStringList() : QStringList{QStringLiteral("--plugins"), pluginDir};
    for (const QString &arg : qAsConst(args))
        hostArgs << expand(arg);

    const QPair<int, QString> run = runHost(hostArgs);
    QVERIFY2(run.first == exitCode, qPrintable(QStringLiteral("exit code %1:\n%2").arg(run.first).arg(run.second)));
    for (const QString &text : qAsConst(expected)) {
        const QString wanted = expand(text);
        QVERIFY2(run.second.contains(wanted), qPrintable(wanted + QStringLiteral(" is missing in:\n") + run.second));
    }
    if (plugins.isEmpty())
        QVERIFY2(!run.second.contains(QStringLiteral("error:")), qPrintable(run.second));
}

void tst_ZnHost::screenshotOfTriggeredDialog()
{
    QTemporaryDir root;
    const QString pluginDir = root.filePath(QStringLiteral("plugins"));
    QVERIFY(QDir().mkpath(pluginDir));
    QVERIFY(QFile::copy(QStringLiteral(ZN_PROBE_PLUGIN), pluginDir + QStringLiteral("/libZnProbePlugin.so")));
    const QString shot = root.filePath(QStringLiteral("host.png"));
    const QPair<int, QString> run = runHost({QStringLiteral("--plugins"), pluginDir, QStringLiteral("--trigger"),
                                             QStringLiteral("Probe Tool"), QStringLiteral("--screenshot"), shot});
    QVERIFY2(run.first == 0, qPrintable(run.second));

    // The probe's dialog has a fixed size of 360 x 140; the main window is larger.
    const QImage window(shot);
    const QImage dialog(root.filePath(QStringLiteral("host-dialog.png")));
    QCOMPARE(dialog.size(), QSize(360, 140));
    QVERIFY2(window.width() > dialog.width() && window.height() > dialog.height(), qPrintable(run.second));
}

void tst_ZnHost::pluginCataloguesFollowTheLanguage()
{
    if (!QFileInfo::exists(QStringLiteral(ZN_STAGE_DIR "/plugins/modules/segy/libBrowseHeader.so")))
        QSKIP("the stage holds no BrowseHeader plug-in");
    // The host installs the catalogue that the plug-in's resource bundle carries for the language.
    const QPair<int, QString> run = runHost({}, QStringLiteral("de_DE.UTF-8"));
    QVERIFY2(run.second.contains(QString::fromUtf8("Loaded plug-in libBrowseHeader.so: SEGY-Spurköpfe ansehen")),
             qPrintable(run.second));
}

QTEST_GUILESS_MAIN(tst_ZnHost)
#include "tst_ZnHost.moc"
