#pragma once

#include "FlaggedShotSearch.h"

#include <QList>
#include <QObject>
#include <QTimer>
#include <QVector>

#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QWidget;

/// The viewer's ways to the shots worth a look, added from outside as the row copier is, so that
/// the form stays as it is: the next and the previous flagged shot (F3, Shift+F3) and "Go to
/// FFID…" (Ctrl+G). They only move the shot combo, whose own signal then shows the shot. The
/// flagged shots found are marked red in the combo's list, and each search ends with a notice
/// that blocks nothing.
class ShotSearchActions final : public QObject
{
    Q_OBJECT

public:
    /// Adds the actions to the window, whose child this object becomes.
    ShotSearchActions(QWidget *window, QComboBox *combo, const QVector<ShotEntry> &shots, FlaggedShotSearch search);
    ~ShotSearchActions() override;

    /// Next flagged shot, previous flagged shot and Go to FFID…, in menu order.
    QList<QAction *> menuActions() const;

    /// How long a search runs before it shows its progress; half a second unless set.
    void setProgressDelay(int milliseconds);

private:
    void findFlagged(int direction);
    void goToFfid();
    void notify(const QString &text);

    QWidget *window;
    QComboBox *combo;
    QVector<ShotEntry> shots;
    FlaggedShotSearch search;
    QList<QAction *> actions;
    int progressDelayMs;
    bool searching = false;
    std::unique_ptr<QLabel> notice;
    QTimer noticeTimer;
};
