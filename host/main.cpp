#include "HostWindow.h"

#include <ZnProjectManager.h>

#include <QAction>
#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

// Exit codes of scripted runs: 1 when a scripted step failed, 2 when the command line is unusable.
constexpr int kScriptFailed = 1;
constexpr int kUsageError = 2;
constexpr int kDialogPollMs = 50;

static int usageError(const QString &message)
{
    std::fputs(QStringLiteral("ZnHost: %1\n").arg(message).toLocal8Bit().constData(), stderr);
    return kUsageError;
}

// "shot.png" becomes "shot-dialog.png", beside it.
static QString dialogScreenshotPath(const QString &path)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix().isEmpty() ? QStringLiteral("png") : info.suffix();
    return info.dir().filePath(info.completeBaseName() + QStringLiteral("-dialog.") + suffix);
}

static bool saveScreenshot(QWidget *widget, const QString &path, HostWindow &window)
{
    if (!widget->grab().save(path, "PNG")) {
        window.logError(QObject::tr("Cannot save the screenshot %1.").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    window.log(QObject::tr("Saved a screenshot of \"%1\" as %2.")
                       .arg(widget->windowTitle(), QDir::toNativeSeparators(path)));
    return true;
}

// The window a triggered plug-in opened: the modal dialog it runs, or another top-level
// window it showed.
static QWidget *openedWindow(const HostWindow &host)
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *candidate : windows) {
        if (candidate != &host && candidate->isVisible() && candidate->isWindow()
            && candidate->windowType() != Qt::Popup && candidate->windowType() != Qt::ToolTip)
            return candidate;
    }
    return nullptr;
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZnHost"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QObject::tr("Host shell that loads the general plug-ins and runs them."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption pluginsOption(QStringLiteral("plugins"),
            QObject::tr("Load the plug-ins from <dir> instead of %1.").arg(HostWindow::defaultPluginDirectory()),
            QStringLiteral("dir"));
    const QCommandLineOption projectOption(QStringLiteral("project"),
            QObject::tr("Open <dir> as the current project (created when missing)."), QStringLiteral("dir"));
    const QCommandLineOption screenshotOption(QStringLiteral("screenshot"),
            QObject::tr("Save the main window as a PNG image to <file> after start-up; with --trigger also the "
                        "dialog it opens, as <file> with the suffix -dialog."),
            QStringLiteral("file"));
    const QCommandLineOption quitAfterOption(QStringLiteral("quit-after"),
            QObject::tr("Quit <ms> milliseconds after the start-up steps (screenshots, trigger) are done."),
            QStringLiteral("ms"));
    const QCommandLineOption triggerOption(QStringLiteral("trigger"),
            QObject::tr("Trigger the plug-in action named <text> after start-up."), QStringLiteral("text"));
    parser.addOptions({pluginsOption, projectOption, screenshotOption, quitAfterOption, triggerOption});

    if (!parser.parse(QApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption))
        parser.showHelp(0);
    if (!parser.positionalArguments().isEmpty())
        return usageError(QObject::tr("unexpected argument %1").arg(parser.positionalArguments().constFirst()));

    int quitAfter = -1;
    if (parser.isSet(quitAfterOption)) {
        bool ok = false;
        quitAfter = parser.value(quitAfterOption).toInt(&ok);
        if (!ok || quitAfter < 0)
            return usageError(QObject::tr("--quit-after needs a number of milliseconds, not \"%1\"")
                                      .arg(parser.value(quitAfterOption)));
    }

    if (parser.isSet(projectOption)) {
        const QString dir = parser.value(projectOption);
        if (!ZnProjectManager::instance().openProject(dir))
            return usageError(QObject::tr("cannot open the project folder \"%1\": it cannot be created or written")
                                      .arg(QDir::toNativeSeparators(dir)));
    }

    HostWindow window;
    window.loadPlugins(parser.isSet(pluginsOption) ? parser.value(pluginsOption)
                                                   : HostWindow::defaultPluginDirectory());
    window.show();

    const QString screenshot = parser.value(screenshotOption);
    const QString trigger = parser.value(triggerOption);
    bool scriptFailed = false;
    auto startQuitTimer = [&] {
        if (quitAfter >= 0)
            QTimer::singleShot(quitAfter, &app, &QCoreApplication::quit);
    };

    // The scripted steps run once the event loop has shown the window.
    QTimer::singleShot(0, &window, [&] {
        if (!screenshot.isEmpty() && !saveScreenshot(&window, screenshot, window))
            scriptFailed = true;
        if (trigger.isEmpty()) {
            startQuitTimer();
            return;
        }

        QAction *action = window.pluginAction(trigger);
        if (!action) {
            window.logError(QObject::tr("No plug-in action is named \"%1\".").arg(trigger));
            scriptFailed = true;
            startQuitTimer();
            return;
        }

        // A plug-in runs its dialog with exec(), so trigger() returns only when the dialog
        // closes; the dialog is grabbed, and the quit timer started, from inside that loop.
        bool grabbed = screenshot.isEmpty();
        QTimer poll;
        poll.setInterval(kDialogPollMs);
        QObject::connect(&poll, &QTimer::timeout, &window, [&] {
            if (QWidget *dialog = openedWindow(window)) {
                poll.stop();
                grabbed = true;
                if (!saveScreenshot(dialog, dialogScreenshotPath(screenshot), window))
                    scriptFailed = true;
                startQuitTimer();
            }
        });
        if (grabbed)
            startQuitTimer();
        else
            poll.start();

        window.log(QObject::tr("Triggering \"%1\".").arg(trigger));
        action->trigger();
        poll.stop();

        if (!grabbed) {
            // A plug-in that shows a window without exec() has returned already.
            if (QWidget *shown = openedWindow(window)) {
                if (!saveScreenshot(shown, dialogScreenshotPath(screenshot), window))
                    scriptFailed = true;
            } else {
                window.logError(QObject::tr("\"%1\" opened no window to take a screenshot of.").arg(trigger));
                scriptFailed = true;
            }
            startQuitTimer();
        }
    });

    const int result = QApplication::exec();
    return result == 0 && scriptFailed ? kScriptFailed : result;
}
