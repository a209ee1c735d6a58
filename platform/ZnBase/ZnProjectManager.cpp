#include "ZnProjectManager.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

static const char kSettingsFileName[] = "project.ini";

ZnProjectManager &ZnProjectManager::instance()
{
    static ZnProjectManager manager;
    return manager;
}

ZnProjectManager::ZnProjectManager()
{
    // The default project lives in the user's data folder, never in the working directory,
    // so that starting the host from anywhere sees the same values.
    const QString dir = defaultProjectDir();
    QDir().mkpath(dir);
    current.projectDir = dir;
    current.projectName = QFileInfo(dir).fileName();
}

const ZnProjectDefine &ZnProjectManager::define() const
{
    return current;
}

bool ZnProjectManager::openProject(const QString &dir)
{
    if (dir.isEmpty() || !QDir().mkpath(dir))
        return false;
    // Cleaned, so that "survey/" is named "survey" and every spelling of a folder is one project.
    const QFileInfo info(QDir(dir).absolutePath());
    if (!info.isDir() || !info.isWritable())
        return false;
    current.projectDir = info.absoluteFilePath();
    current.projectName = info.fileName();
    emit projectChanged(current.projectDir);
    return true;
}

QString ZnProjectManager::defaultProjectDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            + QStringLiteral("/Zenith/projects/Default");
}

QString ZnProjectManager::settingsFile() const
{
    return settingsFileOf(current.projectDir);
}

QString ZnProjectManager::settingsFileOf(const QString &projectDir)
{
    return QDir(projectDir).filePath(QLatin1String(kSettingsFileName));
}
