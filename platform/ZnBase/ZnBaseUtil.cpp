#include "ZnBaseUtil.h"

#include "ZnProjectManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

namespace ZnBaseUtil {

QVariant projectValue(const QString &key, const QVariant &defaultValue)
{
    const QSettings settings(ZnProjectManager::instance().settingsFile(), QSettings::IniFormat);
    return settings.value(key, defaultValue);
}

bool setProjectValue(const QString &key, const QVariant &value)
{
    QSettings settings(ZnProjectManager::instance().settingsFile(), QSettings::IniFormat);
    settings.setValue(key, value);
    // Written through at once: a crash of the host must not lose what the user confirmed.
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QString helpDirectory()
{
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../help"));
}

} // namespace ZnBaseUtil
