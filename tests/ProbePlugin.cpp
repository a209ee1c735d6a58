#include "ProbePlugin.h"

#include <ZnDialog.h>

#include <QAction>
#include <QLabel>
#include <QVBoxLayout>

#ifdef ZN_PROBE_UNRESOLVED
// Defined nowhere: a data symbol must be bound when the library is loaded, so this build of
// the probe can never be loaded.
extern "C" int znProbeMissingSymbol;
#endif

// The host's test recognises the dialog's screenshot by this size.
constexpr int kProbeDialogWidth = 360;
constexpr int kProbeDialogHeight = 140;

QString ProbePlugin::name() const
{
    return QStringLiteral("Probe Tool");
}

int ProbePlugin::generalID() const
{
#ifdef ZN_PROBE_UNRESOLVED
    return znProbeMissingSymbol;
#else
    return 1;
#endif
}

QAction *ProbePlugin::createAction() const
{
    auto *action = new QAction(name());
    connect(action, &QAction::triggered, this, [] {
        ZnDialog dialog;
        dialog.setWindowTitle(QStringLiteral("Probe Dialog"));
        dialog.setFixedSize(kProbeDialogWidth, kProbeDialogHeight);
        auto *layout = new QVBoxLayout(&dialog);
        layout->addWidget(new QLabel(QStringLiteral("The probe plug-in is running."), &dialog));
        dialog.exec();
    });
    return action;
}
