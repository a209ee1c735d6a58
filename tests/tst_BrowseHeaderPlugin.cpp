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
        nm.start(QStringLiteral("nm"), {QStringLiteral("-DC"), QStringLiteral("--defined-only"), installedPlugin()});
        QVERIFY(nm.waitForFinished(30000));
        QCOMPARE(nm.exitCode(), 0);
        // Each line is "address type name"; the constructor and destructor variants share a name.
        QSet<QString> exported;
        for (const QString &line : QString::fromLocal8Bit(nm.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts))
            exported << line.section(QLatin1Char(' '), 2);
        // The two plain entry points and the class itself; no core function, no dialog.
        const QSet<QString> expected{"qt_plugin_instance", "qt_plugin_query_metadata", "BrowseHeader::BrowseHeader()",
            "BrowseHeader::~BrowseHeader()", "BrowseHeader::staticMetaObject", "BrowseHeader::metaObject() const",
            "BrowseHeader::qt_metacast(char const*)", "BrowseHeader::qt_metacall(QMetaObject::Call, int, void**)",
            "BrowseHeader::tr(char const*, char const*, int)", "BrowseHeader::trUtf8(char const*, char const*, int)",
            "BrowseHeader::slotAction(bool)", "BrowseHeader::name() const", "BrowseHeader::generalID() const",
            "BrowseHeader::createAction() const", "vtable for BrowseHeader", "typeinfo for BrowseHeader", "typeinfo name for BrowseHeader"};
        QVERIFY2((expected - exported).isEmpty(), qPrintable("missing: " + QStringList((expected - exported).values()).join(" | ")));
        QVERIFY2((exported - expected).isEmpty(), qPrintable("extra: " + QStringList((exported - expected).values()).join(" | ")));

        QObject *instance = loader.instance();
        QCOMPARE(instance->qt_metacast(ZnGeneralPlugin_iid), static_cast<void *>(instance));
        QCOMPARE(instance->qt_metacast("ZnGeneralPlugin"), static_cast<void *>(plugin));
        QVERIFY(!instance->qt_metacast("BrowseHeaderDialog"));
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
