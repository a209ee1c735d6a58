#include "BrowseHeader.h"

#include "BrowseHeaderDialog.h"

#include <QAction>

// The general plug-in category of the host under which tools that read SEG-Y files are listed.
constexpr int kSegyToolsCategory = 3;

QString BrowseHeader::name() const
{
    return tr("Browse SEGY Header");
}

int BrowseHeader::generalID() const
{
    return kSegyToolsCategory;
}

QAction *BrowseHeader::createAction() const
{
    // The host owns the action and may ask for several (one per menu), so each call makes a new one.
    auto *action = new QAction(tr("Browse SEGY Header"), nullptr);
    connect(action, SIGNAL(triggered( bool )), this, SLOT(slotAction( bool )));
    return action;
}

void BrowseHeader::slotAction(bool)
{
    BrowseHeaderDialog dialog(nullptr);
    dialog.exec();
}
