#pragma once

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <QString>

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;

/// The host's main window: loads the general plug-ins, puts their actions into the Tools
/// menu, shows the current project and keeps a log of what happened.
class HostWindow final : public QMainWindow
{
    Q_OBJECT

public:
    explicit HostWindow(QWidget *parent = nullptr);
    ~HostWindow() override;

    /// The folder the host loads its plug-ins from when none is given: plugins/modules/segy
    /// beside the folder of the executable, in an installed stage as in the build tree.
    static QString defaultPluginDirectory();

    /// Tries every file of the folder as a plug-in, reporting each one that fails; returns
    /// how many general plug-ins were loaded.
    int loadPlugins(const QString &dir);

    /// The loaded plug-in action with this text (ampersands ignored), or null.
    QAction *pluginAction(const QString &text) const;

    /// Appends a line to the log pane and to standard error.
    void log(const QString &line);
    /// Appends an error line to the log pane and to standard error.
    void logError(const QString &line);

private:
    bool loadPlugin(const QString &path);
    void installTranslations();
    void chooseProject();
    void showProject();
    void appendLine(const QString &line, bool error);

    QPlainTextEdit *logView = nullptr;
    QMenu *toolsMenu = nullptr;
    QAction *noPluginsAction = nullptr;
    QLabel *projectLabel = nullptr;
    QList<QPointer<QObject>> pluginObjects;
    QList<QAction *> pluginActions;
    QSet<QString> installedCatalogues;
};
