#include "ShotSearchActions.h"

#include "ShotIndex.h"

#include <QAction>
#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QComboBox>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QScopedValueRollback>

#include <functional>
#include <limits>

namespace {

constexpr int kProgressDelayMs = 500;
// While the progress shows, the window is repainted and the cancel button heard this often.
constexpr int kProgressRefreshMs = 40;
constexpr int kProgressMinimumWidth = 300;
constexpr int kNoticeMs = 6000;
constexpr int kNoticeGap = 4;
constexpr int kNoticeMargin = 6;

// The viewer's texts share its translation context, as the copy menu's does.
QString flaggedSoFar(int count)
{
    return QCoreApplication::translate("ShowHeaderTable", "Flagged shots found so far: %1").arg(count);
}

} // namespace

ShotSearchActions::ShotSearchActions(QWidget *window, QComboBox *combo, const QVector<ShotEntry> &shots,
                                     FlaggedShotSearch search)
    : QObject(window), window(window), combo(combo), shots(shots), search(std::move(search)),
      progressDelayMs(kProgressDelayMs), notice(std::make_unique<QLabel>(nullptr, Qt::ToolTip | Qt::WindowTransparentForInput))
{
    const auto add = [this](const QString &text, const QKeySequence &key, const std::function<void()> &run) {
        auto *action = new QAction(text, this);
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, run);
        this->window->addAction(action);
        actions.append(action);
    };
    add(QCoreApplication::translate("ShowHeaderTable", "Next flagged shot"), QKeySequence(Qt::Key_F3),
        [this] { findFlagged(1); });
    add(QCoreApplication::translate("ShowHeaderTable", "Previous flagged shot"), QKeySequence(Qt::SHIFT + Qt::Key_F3),
        [this] { findFlagged(-1); });
    add(QCoreApplication::translate("ShowHeaderTable", "Go to FFID…"), QKeySequence(Qt::CTRL + Qt::Key_G),
        [this] { goToFfid(); });

    // A window of its own over the viewer, like a tool tip: the form gains no widget, and the
    // notice takes neither the focus nor the clicks meant for the table beneath it.
    notice->setObjectName(QStringLiteral("shotSearchNotice"));
    notice->setAttribute(Qt::WA_ShowWithoutActivating);
    notice->setForegroundRole(QPalette::ToolTipText);
    notice->setBackgroundRole(QPalette::ToolTipBase);
    notice->setAutoFillBackground(true);
    notice->setFrameStyle(QFrame::Box | QFrame::Plain);
    notice->setMargin(kNoticeMargin);
    noticeTimer.setSingleShot(true);
    connect(&noticeTimer, &QTimer::timeout, notice.get(), &QWidget::hide);
}

ShotSearchActions::~ShotSearchActions() = default;

QList<QAction *> ShotSearchActions::menuActions() const
{
    return actions;
}

void ShotSearchActions::setProgressDelay(int milliseconds)
{
    progressDelayMs = milliseconds;
}

void ShotSearchActions::findFlagged(int direction)
{
    // The progress dialog lets events through, and with them perhaps another request.
    if (searching)
        return;
    const QScopedValueRollback<bool> busy(searching, true);
    const int from = combo->currentIndex();
    std::unique_ptr<QProgressDialog> progress;
    QElapsedTimer clock;
    clock.start();
    qint64 nextRefresh = 0;
    const FlaggedShotSearch::Result result = search.find(from, direction, [&](int passed, int total) {
        const qint64 now = clock.elapsed();
        if (!progress && now >= progressDelayMs) {
            progress = std::make_unique<QProgressDialog>(
                    QCoreApplication::translate("ShowHeaderTable", "Searching for a flagged shot......"),
                    QCoreApplication::translate("QObject", "Cancel"), 0, total, window);
            progress->setWindowModality(Qt::WindowModal);
            progress->setWindowTitle(QCoreApplication::translate("ShowHeaderTable", "Browse SEGY Header"));
            progress->setMinimumWidth(kProgressMinimumWidth);
            progress->setMinimumDuration(0);
            progress->show();
        }
        if (progress && now >= nextRefresh) {
            progress->setValue(passed);
            QCoreApplication::processEvents();
            nextRefresh = now + kProgressRefreshMs;
        }
        return !(progress && progress->wasCanceled());
    });
    progress.reset();

    switch (result.outcome) {
    case FlaggedShotSearch::Outcome::Found:
        combo->setItemData(result.position, QBrush(QColor(255, 0, 0)), Qt::ForegroundRole);
        combo->setCurrentIndex(result.position);
        notify(flaggedSoFar(search.flaggedCount()));
        break;
    case FlaggedShotSearch::Outcome::EndOfLine:
        notify((direction > 0 ? QCoreApplication::translate("ShowHeaderTable", "No flagged shot after this one.")
                              : QCoreApplication::translate("ShowHeaderTable", "No flagged shot before this one."))
               + QLatin1Char(' ') + flaggedSoFar(search.flaggedCount()));
        break;
    case FlaggedShotSearch::Outcome::Cancelled:
        notify(QCoreApplication::translate("ShowHeaderTable", "Search cancelled.") + QLatin1Char(' ')
               + flaggedSoFar(search.flaggedCount()));
        break;
    case FlaggedShotSearch::Outcome::OpenFailed:
        QMessageBox::information(window, QObject::tr("Error"), QObject::tr("Cannot open file: %1").arg(search.path()));
        break;
    case FlaggedShotSearch::Outcome::ReadFailed:
        QMessageBox::critical(window, QObject::tr("Error"),
                              QObject::tr("Error: cannot read traces %1-%2 of the file: %3")
                                      .arg(result.firstTrace + 1).arg(result.lastTrace + 1).arg(search.path()));
        break;
    }
}

void ShotSearchActions::goToFfid()
{
    const int from = combo->currentIndex();
    bool ok = false;
    const int ffid = QInputDialog::getInt(window, QCoreApplication::translate("ShowHeaderTable", "Go to FFID"),
                                          QCoreApplication::translate("ShowHeaderTable", "FFID:"), shots.value(from).ffid,
                                          std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max(), 1, &ok);
    if (!ok)
        return;
    const int target = nextShotWithFfid(shots, from, ffid);
    if (target < 0)
        notify(QCoreApplication::translate("ShowHeaderTable", "FFID %1 is not in the file.").arg(ffid));
    else
        combo->setCurrentIndex(target);
}

void ShotSearchActions::notify(const QString &text)
{
    notice->setText(text);
    notice->adjustSize();
    // Just above the shot combo, where the eye is after a move.
    const QPoint anchor = combo->mapToGlobal(QPoint(combo->width() / 2, 0));
    notice->move(anchor.x() - notice->width() / 2, anchor.y() - notice->height() - kNoticeGap);
    notice->show();
    noticeTimer.start(kNoticeMs);
}
