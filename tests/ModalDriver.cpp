#include "ModalDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QProgressBar>
#include <QProgressDialog>
#include <QWidget>

constexpr int kPollIntervalMs = 10;

ModalDriver::ModalDriver(int timeoutMs)
    : timeoutMs(timeoutMs)
{
    timer.setInterval(kPollIntervalMs);
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
    if (modal && modal != lastHandled && modal->isVisible() && modal->inherits(steps.first().className)) {
        const Pending pending = steps.takeFirst();
        lastHandled = modal;
        clock.start();
        pending.step(modal);
        return;
    }
    if (clock.elapsed() < timeoutMs)
        return;

    errors << QStringLiteral("no modal %1 appeared within %2 ms (active modal window: %3)")
                      .arg(QString::fromLatin1(steps.first().className))
                      .arg(timeoutMs)
                      .arg(modal ? QString::fromLatin1(modal->metaObject()->className()) : QStringLiteral("none"));
    steps.clear();
    timer.stop();
    // Unblock every exec() so that the test reaches its checks.
    for (int guard = 0; guard < 16; ++guard) {
        QWidget *open = QApplication::activeModalWidget();
        if (!open)
            break;
        if (auto *dialog = qobject_cast<QDialog *>(open))
            dialog->reject();
        else
            open->close();
    }
}

ProgressRecorder::ProgressRecorder()
{
    qApp->installEventFilter(this);
}

ProgressRecorder::~ProgressRecorder()
{
    qApp->removeEventFilter(this);
}

bool ProgressRecorder::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        auto *dialog = qobject_cast<QProgressDialog *>(watched);
        if (dialog && !known.contains(dialog)) {
            known.append(dialog);
            Seen entry;
            entry.label = dialog->labelText();
            entry.title = dialog->windowTitle();
            entry.modality = dialog->windowModality();
            entry.hasCancelButton = !dialog->findChildren<QAbstractButton *>().isEmpty();
            entry.minimumWidth = dialog->minimumWidth();
            entry.minimumHeight = dialog->minimumHeight();
            entry.minimum = dialog->minimum();
            entry.maximum = dialog->maximum();
            entry.parent = dialog->parentWidget();
            seen.append(entry);
            const int index = seen.size() - 1;
            if (auto *bar = dialog->findChild<QProgressBar *>()) {
                connect(bar, &QProgressBar::valueChanged, this, [this, index](int value) {
                    seen[index].values.append(value);
                });
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
