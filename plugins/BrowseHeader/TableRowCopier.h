#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QAction;
class QTableView;

/// Copies a table view's selected rows to the clipboard as tab-separated text, the header texts
/// first, on the platform's copy key and from a transient "Copy" context menu. It watches the
/// view from outside as an event filter, so the view's widget tree stays as it is.
class TableRowCopier final : public QObject
{
    Q_OBJECT

public:
    explicit TableRowCopier(QTableView *view);
    ~TableRowCopier() override;

    /// The selected rows in display order as the view shows them, one line each after a line
    /// of the column headers; empty when no row is selected.
    QString selectedRowsText() const;

    /// Actions that the context menu offers after "Copy"; they stay their owner's, and one
    /// destroyed before the copier is left out.
    void addMenuActions(const QList<QAction *> &actions);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void copy() const;

    QTableView *view;
    QList<QPointer<QAction>> menuActions;
};
