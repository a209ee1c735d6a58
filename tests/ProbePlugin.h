#pragma once

#include <ZnGeneralPlugin.h>

#include <QObject>
#include <QString>

class QAction;

// A small general plug-in that the host's tests load as the host loads any other: its action
// "Probe Tool" runs a modal dialog of a known size.
class ProbePlugin final : public ZnGeneralPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZnGeneralPlugin_iid)
    Q_INTERFACES(ZnGeneralPlugin)

public:
    QString name() const override;
    int generalID() const override;
    QAction *createAction() const override;
};
