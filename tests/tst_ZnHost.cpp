#include <ZnGeneralPlugin.h>

#include <QtTest>

class tst_ZnHost : public QObject
{
    Q_OBJECT

private slots:
    void startUp_data()
    {
        // The one file of a fresh plug-in folder (empty: the host's own folder, with BrowseHeader), the
        // arguments (NAME=VALUE goes to the environment), the exit code and what the output must say; @TMP@ is a
        // fresh folder, @FILE@ a file in it. Only a row that expects an error may log one.
        QTest::addColumn<QString>("plugin");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expected");
        QTest::newRow("shared library that is no plug-in") << ZN_STAGE_DIR "/lib/libZnBase.so" << QStringList() << 0
                << "error: Cannot load plug-in libZnBase.so: ";
        QTest::newRow("plug-in of a foreign interface") << ZN_FOREIGN_PLUGIN << QStringList() << 0
                << "error: Cannot use plug-in libZnForeignPlugin.so: it implements org.example.foreign.ForeignInterface, "
                   "not " ZnGeneralPlugin_iid;
        QTest::newRow("BrowseHeader from the stage") << QString() << QStringList() << 0
                << "Loaded plug-in " ZN_PLUGIN_FILE_NAME ": Browse SEGY Header (general plug-in 3)";
        QTest::newRow("--project, which BrowseHeader needs") << QString() << QStringList{"--project", "@TMP@/north"} << 0
                << "Browse SEGY Header needs a project; it works in north.";
        QTest::newRow("--project naming a file") << QString() << QStringList{"--project", "@FILE@"} << 2
                << "cannot open the project folder \"@FILE@\"";
        QTest::newRow("a negative --quit-after") << QString() << QStringList{"--quit-after", "-5"} << 2
                << "--quit-after needs a number of milliseconds, not \"-5\"";
        QTest::newRow("an option it does not know") << QString() << QStringList{"--bogus"} << 2 << "Unknown option 'bogus'.";
        QTest::newRow("a word that is no option") << QString() << QStringList{"north"} << 2 << "unexpected argument north";
        QTest::newRow("--help") << QString() << QStringList{"--help"} << 0 << "Host shell that loads the general plug-ins";
        QTest::newRow("a missing plug-in folder") << QString() << QStringList{"--plugins", "@TMP@/none"} << 0
                << "error: The plug-in folder @TMP@/none does not exist.";
        QTest::newRow("an empty plug-in folder") << QString() << QStringList{"--plugins", "@TMP@/plugins"} << 0
                << "error: No plug-ins found in @TMP@/plugins.";
        QTest::newRow("German") << QString() << QStringList{"LANG=de_DE.UTF-8"} << 0 << "Translations: BrowseHeader for de_DE";
        QTest::newRow("--screenshot") << QString() << QStringList{"--screenshot", "@TMP@/shot.png"} << 0
                << "Saved a screenshot of \"Default - ZnHost\" as @TMP@/shot.png.";
        QTest::newRow("--screenshot into a missing folder") << QString() << QStringList{"--screenshot", "@TMP@/none/shot.png"} << 1
                << "error: Cannot save the screenshot @TMP@/none/shot.png.";
        QTest::newRow("--trigger of no action") << QString() << QStringList{"--trigger", "Browse"} << 1
                << "error: No plug-in action is named \"Browse\".";
        QTest::newRow("--trigger, the dialog left open") << QString() << QStringList{"--trigger", "Browse SEGY Header"} << 0
                << "Triggering \"Browse SEGY Header\".";
        QTest::newRow("--trigger with a screenshot of the dialog") << QString()
                << QStringList{"--trigger", "Browse SEGY Header", "--screenshot", "@TMP@/shot.png"} << 0
                << "Saved a screenshot of \"Browse Segy Header\" as @TMP@/shot-dialog.png.";
    }

    // Runs the installed host as a user would start it, on the offscreen platform.
    void startUp()
    {
        QFETCH(QString, plugin);
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QFile file(root.filePath(QStringLiteral("notes.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly) && QDir().mkpath(root.filePath(QStringLiteral("plugins"))));
        if (!plugin.isEmpty()) {
            QVERIFY(QFile::copy(plugin, root.filePath(QStringLiteral("plugins/") + QFileInfo(plugin).fileName())));
            args << QStringLiteral("--plugins") << root.filePath(QStringLiteral("plugins"));
        }
        for (QString &text : args << expected)
            text.replace(QStringLiteral("@TMP@"), root.path()).replace(QStringLiteral("@FILE@"), file.fileName());
        expected = args.takeLast();
        QProcess host;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("LD_LIBRARY_PATH")); // the stage must find its libraries through its own run path
        const QRegularExpression assignment(QStringLiteral("^([A-Z_]+)=(.*)$"));
        for (const QString &word : args.filter(assignment))
            env.insert(assignment.match(word).captured(1), assignment.match(word).captured(2));
        args = args.filter(QRegularExpression(QStringLiteral("^(?![A-Z_]+=)")));
        host.setProcessEnvironment(env);
        host.setProcessChannelMode(QProcess::MergedChannels);
        host.start(QStringLiteral(ZN_STAGE_DIR "/bin/ZnHost"),
                   args.contains(QStringLiteral("--quit-after")) ? args : args + QStringList{"--quit-after", "0"});
        // Generous: the host may run under the sanitizers; it only guards against a hang.
        QVERIFY(host.waitForFinished(120000));
        const QString log = QString::fromLocal8Bit(host.readAll());
        QVERIFY2(host.exitStatus() == QProcess::NormalExit && host.exitCode() == exitCode, qPrintable(log));
        QVERIFY2(log.contains(expected) && (expected.startsWith("error:") || !log.contains("error:")), qPrintable(expected + "\n" + log));
    }
};

QTEST_GUILESS_MAIN(tst_ZnHost)
#include "tst_ZnHost.moc"
