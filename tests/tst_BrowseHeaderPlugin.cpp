#include "ModalDriver.h"

#include <ZnGeneralPlugin.h>

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QLibrary>
#include <QJsonObject>
#include <QMetaMethod>
#include <QPluginLoader>
#include <QProcess>
#include <QtTest>

namespace {

QString installedPlugin()
{
    return QStringLiteral(ZN_STAGE_DIR "/plugins/modules/segy/" ZN_PLUGIN_FILE_NAME);
}

const char kImage[] = ":/resource/images/browse_header.png";
const char kCatalogue[] = ":/resource/translations/BrowseHeader_de.qm";

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
        // Qt keeps plug-ins mapped by default; this test unloads it for real.
        loader.setLoadHints(QLibrary::LoadHints());
        QObject *instance = loader.instance();
        QVERIFY2(instance, qPrintable(loader.errorString()));
        plugin = qobject_cast<ZnGeneralPlugin *>(instance);
        QVERIFY(plugin);
    }

    void cleanupTestCase()
    {
        loader.unload();
    }

    void metadata()
    {
        const QJsonObject meta = loader.metaData();
        // The loader adds "archreq" of its own; the plug-in carries no metadata file, so "MetaData"
        // is absent or empty.
        QStringList keys = meta.keys();
        keys.removeOne(QStringLiteral("archreq"));
        keys.removeOne(QStringLiteral("MetaData"));
        QCOMPARE(keys, (QStringList{"IID", "className", "debug", "version"}));
        QCOMPARE(meta.value(QStringLiteral("IID")).toString(), QStringLiteral(ZnGeneralPlugin_iid));
        QVERIFY(meta.value(QStringLiteral("MetaData")).toObject().isEmpty());
        QCOMPARE(meta.value(QStringLiteral("className")).toString(), QStringLiteral("BrowseHeader"));
        QCOMPARE(meta.value(QStringLiteral("debug")).toBool(), bool(ZN_PLUGIN_DEBUG));
        // The plug-in format records the major and minor version of Qt it was built with.
        QCOMPARE(meta.value(QStringLiteral("version")).toInt(), int(QT_VERSION & 0xffff00));
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
        QCOMPARE(instance->qt_metacast("BrowseHeader"), static_cast<void *>(instance));
        QCOMPARE(instance->qt_metacast(ZnGeneralPlugin_iid), static_cast<void *>(instance));
        QCOMPARE(instance->qt_metacast("ZnGeneralPlugin"), static_cast<void *>(plugin));
        QVERIFY(!instance->qt_metacast("BrowseHeaderDialog"));
        QVERIFY(!instance->qt_metacast(nullptr));
    }

    void nameAndCategory()
    {
        QCOMPARE(plugin->name(), QStringLiteral("Browse SEGY Header"));
        QCOMPARE(plugin->generalID(), 3);
        // needProject is the framework's own answer, not the plug-in's.
        QCOMPARE(plugin->needProject(), plugin->ZnGeneralPlugin::needProject());
    }

    void metaObject()
    {
        const QMetaObject *meta = plugin->metaObject();
        QCOMPARE(meta->className(), "BrowseHeader");
        QCOMPARE(meta->superClass(), &ZnGeneralPlugin::staticMetaObject);
        QCOMPARE(meta->methodCount() - meta->methodOffset(), 1);
        const QMetaMethod slot = meta->method(meta->methodOffset());
        QCOMPARE(slot.methodSignature(), QByteArray("slotAction(bool)"));
        QCOMPARE(QVector<int>({slot.methodType(), slot.access(), slot.returnType()}),
                 QVector<int>({QMetaMethod::Slot, QMetaMethod::Private, QMetaType::Void}));
        // No properties, enumerators, class infos or constructors of its own.
        QCOMPARE(QVector<int>({meta->propertyCount() - meta->propertyOffset(), meta->enumeratorCount() - meta->enumeratorOffset(),
                               meta->classInfoCount() - meta->classInfoOffset(), meta->constructorCount()}),
                 QVector<int>(4, 0));
    }

    void eachActionIsNewAndOpensTheDialog()
    {
        std::unique_ptr<QAction> first(plugin->createAction());
        std::unique_ptr<QAction> second(plugin->createAction());
        QVERIFY(first && second);
        QVERIFY(first.get() != second.get());
        QCOMPARE(first->text(), QStringLiteral("Browse SEGY Header"));
        QCOMPARE(second->text(), first->text());
        QVERIFY(!first->parent());

        for (QAction *action : {first.get(), second.get()}) {
            QStringList seen;
            ModalDriver driver;
            driver.then("BrowseHeaderDialog", [&](QWidget *window) {
                seen << window->windowTitle() << window->objectName() << (window->parentWidget() ? "parent" : "no parent");
                static_cast<QDialog *>(window)->reject();
            });
            action->trigger();
            QVERIFY2(driver.finished(), qPrintable(driver.faults()));
            QCOMPARE(seen, (QStringList{"Browse Segy Header", "BrowseHeaderDialog", "no parent"}));
        }
        // The plug-in keeps no pointer to its actions: deleting them is the caller's business.
        first.reset();
        QVERIFY(second->isEnabled());
    }

    void instanceIsRecreatedAfterDeletion()
    {
        using Instance = QObject *(*)();
        QLibrary library(installedPlugin());
        auto entry = reinterpret_cast<Instance>(library.resolve("qt_plugin_instance"));
        QVERIFY(entry);
        QObject *created = entry();
        QCOMPARE(created, loader.instance());
        QCOMPARE(entry(), created);
        QVERIFY(!created->parent());

        // Once the object is gone, the next call makes a new one instead of handing out a dangling pointer.
        delete created;
        plugin = nullptr;
        QObject *again = entry();
        QCOMPARE(entry(), again);
        QCOMPARE(loader.instance(), again);
        plugin = qobject_cast<ZnGeneralPlugin *>(again);
        QVERIFY(plugin);
        QCOMPARE(plugin->name(), QStringLiteral("Browse SEGY Header"));
        // Only drops this handle's reference; the loader keeps the library.
        library.unload();
    }

    void resourceBundleLivesWithTheLibrary()
    {
        QVERIFY(QFile::exists(QLatin1String(kImage)));
        QVERIFY(QFile::exists(QLatin1String(kCatalogue)));
        QVERIFY(QFileInfo(QStringLiteral(":/resource/images")).isDir());
        QVERIFY(QFileInfo(QStringLiteral(":/resource/translations")).isDir());

        plugin = nullptr;
        QVERIFY(loader.unload());
        QVERIFY(!QFile::exists(QLatin1String(kImage)));

        QVERIFY(loader.load());
        QVERIFY(QFile::exists(QLatin1String(kImage)));
        plugin = qobject_cast<ZnGeneralPlugin *>(loader.instance());
        QVERIFY(plugin);
    }
};

QTEST_MAIN(tst_BrowseHeaderPlugin)
#include "tst_BrowseHeaderPlugin.moc"
