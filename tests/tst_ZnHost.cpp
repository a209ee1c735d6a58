#include <ZnGeneralPlugin.h>

#include <QtTest>

class tst_ZnHost : public QObject
{
    Q_OBJECT

private slots:
    void startUp_data()
    {
        // plugin: the one file of a fresh plug-in folder (empty: the host's own folder, with BrowseHeader).
        // In args and texts, @TMP@ is a fresh folder and @FILE@ a regular file in it.
        QTest::addColumn<QString>("plugin");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expected");
        QTest::newRow("shared library that is no plug-in") << ZN_STAGE_DIR "/lib/libZnBase.so" << QStringList() << "C"
                << 0 << "error: Cannot load plug-in libZnBase.so: ";
        QTest::newRow("plug-in of a foreign interface") << ZN_FOREIGN_PLUGIN << QStringList() << "C" << 0
                << "error: Cannot use plug-in libZnForeignPlugin.so: it implements "
                   "org.example.foreign.ForeignInterface, not " ZnGeneralPlugin_iid;
        QTest::newRow("--project shows that project") << QString() << QStringList{"--project", "@TMP@/north"} << "C"
                << 0 << "Browse SEGY Header needs a project; it works in north.";
        QTest::newRow("--project naming a file") << QString() << QStringList{"--project", "@FILE@"} << "C" << 2
                << "cannot open the project folder \"@FILE@\"";
        QTest::newRow("BrowseHeader from the stage") << QString() << QStringList() << "C" << 0
                << "Loaded plug-in libBrowseHeader.so: Browse SEGY Header (general plug-in 3)";
        QTest::newRow("its German catalogue") << QString() << QStringList() << "de_DE.UTF-8" << 0
                << QString::fromUtf8("Loaded plug-in libBrowseHeader.so: SEGY-Spurköpfe ansehen");
    }

    // Runs the installed host as a user would start it, on the offscreen platform.
    void startUp()
    {
        QFETCH(QString, plugin);
        QFETCH(QStringList, args);
        QFETCH(QString, language);
        QFETCH(int, exitCode);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QFile file(root.filePath(QStringLiteral("notes.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        const auto expand = [&](QString text) {
            return text.replace(QStringLiteral("@TMP@"), root.path()).replace(QStringLiteral("@FILE@"), file.fileName());
        };
        const QString copy = root.filePath(QStringLiteral("plugins/") + QFileInfo(plugin).fileName());
        if (!plugin.isEmpty()) {
            QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("plugins"))) && QFile::copy(plugin, copy));
            args << QStringLiteral("--plugins") << root.filePath(QStringLiteral("plugins"));
        }
        QProcess host;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LANG"), language);
        env.insert(QStringLiteral("LC_ALL"), language);
        env.remove(QStringLiteral("LD_LIBRARY_PATH")); // the stage must find its libraries through its own run path
        host.setProcessEnvironment(env);
        for (QString &arg : args)
            arg = expand(arg);
        host.start(QStringLiteral(ZN_STAGE_DIR "/bin/ZnHost"), args + QStringList{"--quit-after", "0"});
        // Generous: the host may run under the sanitizers; it only guards against a hang.
        QVERIFY(host.waitForFinished(120000));
        const QString log = QString::fromLocal8Bit(host.readAllStandardError());
        QVERIFY2(host.exitStatus() == QProcess::NormalExit && host.exitCode() == exitCode, qPrintable(log));
        QVERIFY2(log.contains(expand(expected)), qPrintable(expand(expected) + QStringLiteral(" is missing in:\n") + log));
        if (plugin.isEmpty() && exitCode == 0)
            QVERIFY2(!log.contains(QStringLiteral("error:")), qPrintable(log));
    }
};

QTEST_GUILESS_MAIN(tst_ZnHost)
#include "tst_ZnHost.moc"
