#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <functional>

class QProgressDialog;
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
    QString faults() const { return errors.join(QLatin1Char('\n')); }

private:
    struct Pending
    {
        QByteArray className;
        Step step;
    };

    void poll();

    QTimer timer;
    QElapsedTimer clock;
    int timeoutMs;
    QList<Pending> steps;
    QPointer<QWidget> lastHandled;
    QStringList errors;
};

/// Records every value that any progress dialog of the application shows, from the moment it
/// is shown, with the dialog's texts and sizes.
class ProgressRecorder : public QObject
{
public:
    struct Seen
    {
        QString label;
        QString title;
        Qt::WindowModality modality = Qt::NonModal;
        bool hasCancelButton = true;
        int minimumWidth = 0;
        int minimumHeight = 0;
        int minimum = 0;
        int maximum = 0;
        QWidget *parent = nullptr;
        QVector<int> values;
    };

    ProgressRecorder();
    ~ProgressRecorder() override;

    const QList<Seen> &dialogs() const { return seen; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<Seen> seen;
    QList<QPointer<QProgressDialog>> known;
};
