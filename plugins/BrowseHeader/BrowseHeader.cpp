#include "BrowseHeader.h"

#include "BrowseHeaderDialog.h"

#include <QAction>

// The general plug-in category of the host under which tools that read SEG-Y files are listed.
constexpr int kSegyToolsCategory = 3;

// The object macro declares tr and trUtf8 inline; taking their addresses here emits them, so
// that the library exports them with the rest of the class.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
[[gnu::used]] static QString (*const kExportedTranslators[])(const char *, const char *, int) = {
    &BrowseHeader::tr, &BrowseHeader::trUtf8};
#pragma GCC diagnostic pop

BrowseHeader::BrowseHeader() = default;

BrowseHeader::~BrowseHeader() = default;

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
