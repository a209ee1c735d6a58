#include "ModalDriver.h"

#include <QApplication>
#include <QDialog>

ModalDriver::ModalDriver(int timeoutMs) : timeoutMs(timeoutMs)
{
    timer.setInterval(10);
    connect(&timer, &QTimer::timeout, this, &ModalDriver::poll);
}

ModalDriver &ModalDriver::then(const char *className, Step step)
{
    steps.append({QByteArray(className), std::move(step)});
    clock.start();
    timer.start();
    return *this;
}

void ModalDriver::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!steps.isEmpty() && modal && modal != lastHandled && modal->isVisible() && modal->inherits(steps.first().first)) {
        const Step step = steps.takeFirst().second;
        lastHandled = modal;
        clock.start();
        step(modal);
    } else if (!steps.isEmpty() && clock.elapsed() >= timeoutMs) {
        error = QStringLiteral("no modal %1 appeared within %2 ms (active modal window: %3)")
                        .arg(QString::fromLatin1(steps.first().first)).arg(timeoutMs)
                        .arg(modal ? QString::fromLatin1(modal->metaObject()->className()) : QStringLiteral("none"));
        steps.clear();
        // Unblock every exec() so that the test reaches its checks.
        for (int guard = 0; guard < 16 && QApplication::activeModalWidget(); ++guard) {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                dialog->reject();
            else
                QApplication::activeModalWidget()->close();
        }
    }
    if (steps.isEmpty())
        timer.stop();
}
