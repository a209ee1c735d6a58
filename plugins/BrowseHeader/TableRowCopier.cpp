#include "TableRowCopier.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QTableView>

#include <algorithm>

TableRowCopier::TableRowCopier(QTableView *view)
    : view(view)
{
    view->installEventFilter(this);
    // The view delivers its context menu events to the viewport.
    view->viewport()->installEventFilter(this);
}

TableRowCopier::~TableRowCopier()
{
    view->viewport()->removeEventFilter(this);
    view->removeEventFilter(this);
}

QString TableRowCopier::selectedRowsText() const
{
    const QAbstractItemModel *model = view->model();
    if (!model || !view->selectionModel())
        return QString();
    QList<int> rows;
    for (const QModelIndex &index : view->selectionModel()->selectedRows())
        rows.append(index.row());
    if (rows.isEmpty())
        return QString();
    const QHeaderView *vertical = view->verticalHeader();
    std::sort(rows.begin(), rows.end(),
              [vertical](int a, int b) { return vertical->visualIndex(a) < vertical->visualIndex(b); });

    // Columns as they stand on screen: in their visual order, hidden ones left out.
    const QHeaderView *horizontal = view->horizontalHeader();
    QList<int> columns;
    for (int visual = 0; visual < horizontal->count(); ++visual) {
        const int logical = horizontal->logicalIndex(visual);
        if (!horizontal->isSectionHidden(logical))
            columns.append(logical);
    }

    QStringList lines;
    QStringList cells;
    for (const int column : columns)
        cells.append(model->headerData(column, Qt::Horizontal).toString());
    lines.append(cells.join(QLatin1Char('\t')));
    for (const int row : rows) {
        cells.clear();
        for (const int column : columns)
            cells.append(model->index(row, column).data().toString());
        lines.append(cells.join(QLatin1Char('\t')));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void TableRowCopier::addMenuActions(const QList<QAction *> &actions)
{
    for (QAction *action : actions)
        menuActions.append(action);
}

void TableRowCopier::copy() const
{
    const QString text = selectedRowsText();
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

bool TableRowCopier::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy)) {
        copy();
        return true;
    }
    // From the mouse on the viewport, from the keyboard on the view.
    if (event->type() == QEvent::ContextMenu) {
        QMenu menu;
        QAction *action = menu.addAction(QCoreApplication::translate("ShowHeaderTable", "Copy"));
        action->setEnabled(view->selectionModel() && view->selectionModel()->hasSelection());
        if (!menuActions.isEmpty())
            menu.addSeparator();
        for (QAction *other : qAsConst(menuActions)) {
            if (other)
                menu.addAction(other);
        }
        if (menu.exec(static_cast<QContextMenuEvent *>(event)->globalPos()) == action)
            copy();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
