#include "HostWindow.h"

#include <ZnGeneralPlugin.h>
#include <ZnProjectManager.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QJsonObject>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPluginLoader>
#include <QStatusBar>
#include <QTranslator>

#include <cstdio>

static QString plainText(const QString &text)
{
    QString plain = text;
    plain.remove(QLatin1Char('&'));
    return plain;
}

HostWindow::HostWindow(QWidget *parent)
    : QMainWindow(parent)
{
    QMenu *projectMenu = menuBar()->addMenu(tr("&Project"));
    QAction *openAction = projectMenu->addAction(tr("&Open Project..."), this, &HostWindow::chooseProject);
    openAction->setShortcut(QKeySequence::Open);
    projectMenu->addSeparator();
    QAction *quitAction = projectMenu->addAction(tr("&Quit"), this, &QWidget::close);
    quitAction->setShortcut(QKeySequence::Quit);

    toolsMenu = menuBar()->addMenu(tr("&Tools"));
    noPluginsAction = toolsMenu->addAction(tr("No plug-ins loaded"));
    noPluginsAction->setEnabled(false);

    logView = new QPlainTextEdit(this);
    logView->setObjectName(QStringLiteral("hostLog"));
    logView->setReadOnly(true);
    logView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setCentralWidget(logView);

    projectLabel = new QLabel(this);
    statusBar()->addPermanentWidget(projectLabel, 1);

    connect(&ZnProjectManager::instance(), &ZnProjectManager::projectChanged, this, &HostWindow::showProject);
    showProject();
    resize(760, 420);
}

HostWindow::~HostWindow()
{
    // The actions are connected to the plug-in objects; they go first, then the objects, while
    // the application still runs. The libraries stay mapped until exit, so that nothing a
    // plug-in registered can outlive its code.
    qDeleteAll(pluginActions);
    for (const QPointer<QObject> &object : qAsConst(pluginObjects))
        delete object.data();
}

QString HostWindow::defaultPluginDirectory()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../plugins/modules/segy"));
}

int HostWindow::loadPlugins(const QString &dir)
{
    const QDir folder(dir);
    const QString shownDir = QDir::toNativeSeparators(folder.absolutePath());
    if (!folder.exists()) {
        logError(tr("The plug-in folder %1 does not exist.").arg(shownDir));
        return 0;
    }
    log(tr("Loading plug-ins from %1").arg(shownDir));

    const QFileInfoList files = folder.entryInfoList(QDir::Files, QDir::Name);
    int loaded = 0;
    for (const QFileInfo &file : files) {
        if (loadPlugin(file.absoluteFilePath()))
            ++loaded;
    }

    if (files.isEmpty())
        logError(tr("No plug-ins found in %1.").arg(shownDir));
    else if (loaded == 0)
        logError(tr("No plug-in could be loaded from %1.").arg(shownDir));
    else
        log(tr("Plug-ins loaded: %1").arg(loaded));
    noPluginsAction->setVisible(pluginActions.isEmpty());
    return loaded;
}

bool HostWindow::loadPlugin(const QString &path)
{
    const QString file = QFileInfo(path).fileName();
    auto *loader = new QPluginLoader(path, this);
    QObject *instance = loader->instance();
    if (!instance) {
        logError(tr("Cannot load plug-in %1: %2").arg(file, loader->errorString()));
        delete loader;
        return false;
    }

    auto *plugin = qobject_cast<ZnGeneralPlugin *>(instance);
    if (!plugin) {
        const QString iid = loader->metaData().value(QStringLiteral("IID")).toString();
        logError(tr("Cannot use plug-in %1: it implements %2, not %3.")
                         .arg(file, iid, QStringLiteral(ZnGeneralPlugin_iid)));
        loader->unload();
        delete loader;
        return false;
    }
    pluginObjects.append(instance);
    // Before the plug-in names its action, so that the name comes in the user's language.
    installTranslations();

    QAction *action = plugin->createAction();
    if (!action) {
        logError(tr("Plug-in %1 (%2) gave no action.").arg(file, plugin->name()));
        return false;
    }
    // The action belongs to the host from here on.
    action->setParent(this);
    toolsMenu->addAction(action);
    pluginActions.append(action);
    log(tr("Loaded plug-in %1: %2 (general plug-in %3)").arg(file, plainText(action->text())).arg(plugin->generalID()));

    // There is always a project open, the default one if no other, so a plug-in that needs
    // one can always run; the log says which one it will use.
    if (plugin->needProject()) {
        const ZnProjectDefine &project = ZnProjectManager::instance().define();
        log(tr("%1 needs a project; it works in %2.").arg(plugin->name(), project.projectName));
    }
    return true;
}

void HostWindow::installTranslations()
{
    // Plug-ins bring their catalogues in their resource bundles, named <catalogue>_<language>.qm.
    const QString folder = QStringLiteral(":/resource/translations");
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.qm")}, QDir::Files);
    for (const QString &file : files) {
        const QString catalogue = file.section(QLatin1Char('_'), 0, 0);
        if (installedCatalogues.contains(catalogue))
            continue;
        installedCatalogues.insert(catalogue);
        auto *translator = new QTranslator(this);
        if (translator->load(QLocale(), catalogue, QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(translator);
            log(tr("Translations: %1 for %2").arg(catalogue, QLocale().name()));
        } else {
            delete translator;
        }
    }
}

QAction *HostWindow::pluginAction(const QString &text) const
{
    const QString wanted = plainText(text);
    for (QAction *action : pluginActions) {
        if (plainText(action->text()) == wanted)
            return action;
    }
    return nullptr;
}

void HostWindow::log(const QString &line)
{
    appendLine(line, false);
}

void HostWindow::logError(const QString &line)
{
    appendLine(line, true);
}

void HostWindow::appendLine(const QString &line, bool error)
{
    const QString escaped = line.toHtmlEscaped();
    logView->appendHtml(error ? QStringLiteral("<span style=\"color:#b00020\">%1</span>").arg(escaped)
                              : QStringLiteral("<span>%1</span>").arg(escaped));
    // Scripted runs have no screen to read the pane from.
    const QByteArray text = (error ? QStringLiteral("ZnHost: error: %1\n") : QStringLiteral("ZnHost: %1\n"))
                                    .arg(line)
                                    .toLocal8Bit();
    std::fputs(text.constData(), stderr);
    std::fflush(stderr);
}

void HostWindow::chooseProject()
{
    const QString current = ZnProjectManager::instance().define().projectDir;
    const QString dir = QFileDialog::getExistingDirectory(this, tr("Open Project"), current);
    if (dir.isEmpty())
        return;
    if (!ZnProjectManager::instance().openProject(dir)) {
        const QString message = tr("Cannot open the project folder %1: it cannot be created or written.")
                                        .arg(QDir::toNativeSeparators(dir));
        logError(message);
        QMessageBox::critical(this, tr("Error"), message);
    }
}

void HostWindow::showProject()
{
    const ZnProjectDefine &project = ZnProjectManager::instance().define();
    const QString dir = QDir::toNativeSeparators(project.projectDir);
    setWindowTitle(tr("%1 - ZnHost").arg(project.projectName));
    projectLabel->setText(tr("Project: %1    %2").arg(project.projectName, dir));
    log(tr("Project: %1 (%2)").arg(project.projectName, dir));
}
