#include "ModalDriver.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>

ModalDriver::ModalDriver(int timeoutMs)
    : timeoutMs(timeoutMs)
{
    timer.setInterval(10);
    connect(&timer, &QTimer::timeout, this, &ModalDriver::poll);
}

ModalDriver &ModalDriver::then(const char *className, Step step)
{
    steps.append({QByteArray(className), std::move(step)});
    if (!timer.isActive()) {
        clock.start();
        timer.start();
    }
    return *this;
}

void ModalDriver::poll()
{
    if (steps.isEmpty()) {
        timer.stop();
        return;
    }
    QWidget *modal = QApplication::activeModalWidget();
    if (modal && modal != lastHandled && modal->isVisible() && modal->inherits(steps.first().first)) {
        const Step step = steps.takeFirst().second;
        lastHandled = modal;
        clock.start();
        step(modal);
        return;
    }
    if (clock.elapsed() < timeoutMs)
        return;

    errors << QStringLiteral("no modal %1 appeared within %2 ms (active modal window: %3)")
                      .arg(QString::fromLatin1(steps.first().first)).arg(timeoutMs)
                      .arg(modal ? QString::fromLatin1(modal->metaObject()->className()) : QStringLiteral("none"));
    steps.clear();
    timer.stop();
    // Unblock every exec() so that the test reaches its checks.
    for (int guard = 0; guard < 16 && QApplication::activeModalWidget(); ++guard) {
        QWidget *open = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<QDialog *>(open))
            dialog->reject();
        else
            open->close();
    }
}
