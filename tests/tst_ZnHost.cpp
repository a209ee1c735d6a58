#include <ZnGeneralPlugin.h>

#include <QtTest>

class tst_ZnHost : public QObject
{
    Q_OBJECT

private slots:
    void startUp_data()
    {
        // The one file of a fresh plug-in folder (empty: the host's own folder, with BrowseHeader), the
        // arguments, the exit code and what the log must say; @TMP@ is a fresh folder, @FILE@ a file in it.
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
        host.setProcessEnvironment(env);
        host.start(QStringLiteral(ZN_STAGE_DIR "/bin/ZnHost"),
                   args.contains(QStringLiteral("--quit-after")) ? args : args + QStringList{"--quit-after", "0"});
        // Generous: the host may run under the sanitizers; it only guards against a hang.
        QVERIFY(host.waitForFinished(120000));
        const QString log = QString::fromLocal8Bit(host.readAllStandardError());
        QVERIFY2(host.exitStatus() == QProcess::NormalExit && host.exitCode() == exitCode, qPrintable(log));
        QVERIFY2(log.contains(expected) && (!plugin.isEmpty() || !log.contains("error:")), qPrintable(expected + "\n" + log));
    }
};

QTEST_GUILESS_MAIN(tst_ZnHost)
#include "tst_ZnHost.moc"
