#pragma once

#include "ShotEntry.h"

#include <HeaderLayout.h>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

class GatherWindow;
class QAction;
class QComboBox;
class QDialog;
class QTableView;

/// Offers "Show traces" (Ctrl+T) on the viewer and opens the gather window when it is chosen. The
/// action is added to the viewer, not to its form, and the window is only made when first asked
/// for, so the viewer's widget tree stays as designed until then.
class GatherOpener final : public QObject
{
    Q_OBJECT

public:
    /// The header definition is read at once; the viewer owns the other arguments.
    GatherOpener(QDialog *viewer, QTableView *table, QComboBox *shotCombo, const QString &segyPath,
                 const QVector<ShotEntry> &shots, int *const *headerDefs);

    QAction *action() const { return showTraces; }
    /// The window, once it has been opened.
    GatherWindow *window() const;

private:
    void open();

    QDialog *viewer;
    QTableView *table;
    QComboBox *shotCombo;
    QString segyPath;
    const QVector<ShotEntry> &shots;
    HeaderLayout layout;
    QAction *showTraces;
    QPointer<GatherWindow> gather;
};
