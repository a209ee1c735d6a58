#pragma once

#include "ZnBaseGlobal.h"

#include <QObject>
#include <QString>

/// What the host knows of the project that is open.
struct ZNBASE_EXPORT ZnProjectDefine
{
    QString projectDir;
    QString projectName;
};

/// The one project manager of the host: which project is open and where it lives.
class ZNBASE_EXPORT ZnProjectManager : public QObject
{
    Q_OBJECT

public:
    /// The manager of this process.
    static ZnProjectManager &instance();

    /// The current project; the default project when none has been opened.
    const ZnProjectDefine &define() const;

    /// Makes the folder the current project, creating it when missing; false when it cannot be used.
    bool openProject(const QString &dir);

    /// The folder of the project used while no other one has been opened.
    static QString defaultProjectDir();

    /// The file in which the current project keeps its values.
    QString settingsFile() const;
    /// The file in which the project in the folder keeps its values.
    static QString settingsFileOf(const QString &projectDir);

signals:
    void projectChanged(const QString &projectDir);

private:
    ZnProjectManager();

    ZnProjectDefine current;
};
