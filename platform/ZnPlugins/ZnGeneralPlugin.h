#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

class QAction;

#if defined(ZNPLUGINS_LIBRARY)
#  define ZNPLUGINS_EXPORT Q_DECL_EXPORT
#else
#  define ZNPLUGINS_EXPORT Q_DECL_IMPORT
#endif

/// A plug-in that adds one general action to the host's menus.
class ZNPLUGINS_EXPORT ZnGeneralPlugin : public QObject
{
    Q_OBJECT

public:
    ZnGeneralPlugin();
    ~ZnGeneralPlugin() override;

    /// The name shown to the user, translated.
    virtual QString name() const = 0;
    /// The category of general plug-ins this one belongs to; the host groups menus by it.
    virtual int generalID() const = 0;
    /// Whether the plug-in can only run with a project opened.
    virtual bool needProject() const;
    /// A new action owned by the caller; triggering it runs the plug-in.
    virtual QAction *createAction() const = 0;
};

#define ZnGeneralPlugin_iid "org.zenith.plugins.ZnGeneralPlugin"
Q_DECLARE_INTERFACE(ZnGeneralPlugin, ZnGeneralPlugin_iid)
