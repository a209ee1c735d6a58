#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>

class QWidget;

/// Drives the modal windows that a test opens, from inside their own event loops: each queued
/// step runs on the next modal window of its class. When a window does not come in time, the
/// driver records the fault and closes every modal window, so that the test fails instead of
/// hanging.
class ModalDriver : public QObject
{
public:
    using Step = std::function<void(QWidget *)>;
    explicit ModalDriver(int timeoutMs = 30000);
    /// Queues a step for the next modal window that inherits the class.
    ModalDriver &then(const char *className, Step step);
    /// True once every queued step has run.
    bool finished() const { return steps.isEmpty(); }
    /// What went wrong, for QVERIFY2.
    QString faults() const { return error; }

private:
    void poll();
    QTimer timer;
    QElapsedTimer clock;
    int timeoutMs;
    QList<QPair<QByteArray, Step>> steps;
    QPointer<QWidget> lastHandled;
    QString error;
};
