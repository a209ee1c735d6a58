#include "ModalDriver.h"

#include <ZnGeneralPlugin.h>

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QPluginLoader>
#include <QProcess>
#include <QtTest>

namespace {

QString installedPlugin()
{
    return QStringLiteral(ZN_STAGE_DIR "/plugins/modules/segy/" ZN_PLUGIN_FILE_NAME);
}

} // namespace

class tst_BrowseHeaderPlugin : public QObject
{
    Q_OBJECT

    QPluginLoader loader;
    ZnGeneralPlugin *plugin = nullptr;

private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(installedPlugin()), qPrintable(installedPlugin()));
        loader.setFileName(installedPlugin());
        QObject *instance = loader.instance();
        QVERIFY2(instance, qPrintable(loader.errorString()));
        plugin = qobject_cast<ZnGeneralPlugin *>(instance);
        QVERIFY(plugin);
        QCOMPARE(loader.metaData().value(QStringLiteral("IID")).toString(), QStringLiteral(ZnGeneralPlugin_iid));
        QCOMPARE(loader.metaData().value(QStringLiteral("debug")).toBool(), bool(ZN_PLUGIN_DEBUG));
    }

    void cleanupTestCase()
    {
        loader.unload();
    }

    void exportedSymbolsAndCastNames()
    {
        QProcess nm;
        nm.start(QStringLiteral("nm"), {QStringLiteral("-D"), QStringLiteral("--defined-only"), installedPlugin()});
        QVERIFY(nm.waitForFinished(30000));
        QCOMPARE(nm.exitCode(), 0);
        QByteArrayList names;
        for (const QByteArray &line : nm.readAllStandardOutput().split('\n'))
            names << line.split(' ').last();
        // The two plain entry points, and the class itself: meta-object, slot and the three virtuals.
        for (const char *symbol : {"qt_plugin_instance", "qt_plugin_query_metadata", "_ZN12BrowseHeader16staticMetaObjectE",
                                   "_ZN12BrowseHeader10slotActionEb", "_ZNK12BrowseHeader12createActionEv",
                                   "_ZNK12BrowseHeader4nameEv", "_ZNK12BrowseHeader9generalIDEv"})
            QVERIFY2(names.contains(symbol), symbol);
        QCOMPARE(loader.instance()->qt_metacast(ZnGeneralPlugin_iid), static_cast<void *>(loader.instance()));
    }

    void nameAndCategory()
    {
        QCOMPARE(plugin->name(), QStringLiteral("Browse SEGY Header"));
        QCOMPARE(plugin->generalID(), 3);
        QVERIFY(plugin->needProject());
    }

    // The host may ask for an action per menu and owns each; every one opens the dialog.
    void eachActionIsNewAndOpensTheDialog()
    {
        std::unique_ptr<QAction> first(plugin->createAction());
        std::unique_ptr<QAction> second(plugin->createAction());
        QVERIFY(first && second && first.get() != second.get() && !first->parent());
        QCOMPARE(first->text(), QStringLiteral("Browse SEGY Header"));
        first.reset();
        ModalDriver driver;
        driver.then("BrowseHeaderDialog", [](QWidget *window) { static_cast<QDialog *>(window)->reject(); });
        second->trigger();
        QVERIFY2(driver.finished(), qPrintable(driver.faults()));
    }
};

QTEST_MAIN(tst_BrowseHeaderPlugin)
#include "tst_BrowseHeaderPlugin.moc"
