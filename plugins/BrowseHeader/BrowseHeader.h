#pragma once

#include <ZnGeneralPlugin.h>

#include <QObject>
#include <QString>

class QAction;

class Q_DECL_EXPORT BrowseHeader : public ZnGeneralPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZnGeneralPlugin_iid)
    Q_INTERFACES(ZnGeneralPlugin)

public:
    // Declared, not implicit, so that the constructor and destructor are the library's own exports.
    BrowseHeader();
    ~BrowseHeader() override;

    QString name() const override;
    int generalID() const override;
    QAction *createAction() const override;

private slots:
    void slotAction(bool);
};
