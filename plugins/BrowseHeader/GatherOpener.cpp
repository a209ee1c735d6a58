#include "GatherOpener.h"

#include "GatherWindow.h"

#include <QAction>
#include <QDialog>

GatherOpener::GatherOpener(QDialog *viewer, QTableView *table, QComboBox *shotCombo, const QString &segyPath,
                           const QVector<ShotEntry> &shots, int *const *headerDefs)
    : viewer(viewer)
    , table(table)
    , shotCombo(shotCombo)
    , segyPath(segyPath)
    , shots(shots)
    , layout(HeaderLayout::fromDefinition(headerDefs))
    , showTraces(new QAction(tr("Show traces"), this))
{
    showTraces->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    viewer->addAction(showTraces);
    connect(showTraces, &QAction::triggered, this, &GatherOpener::open);
}

GatherWindow *GatherOpener::window() const
{
    return gather;
}

void GatherOpener::open()
{
    if (!gather)
        gather = new GatherWindow(viewer, table, shotCombo, segyPath, shots, layout);
    gather->show();
    gather->raise();
    gather->activateWindow();
}
