#pragma once

#include "ZnBaseGlobal.h"

#include <QString>
#include <QVariant>

namespace ZnBaseUtil {

/// The value stored for the key in the current project, or the default when none is stored.
ZNBASE_EXPORT QVariant projectValue(const QString &key, const QVariant &defaultValue = QVariant());

/// Stores the value in the current project, where later calls and later sessions find it.
ZNBASE_EXPORT bool setProjectValue(const QString &key, const QVariant &value);

/// The folder that holds the host's help pages.
ZNBASE_EXPORT QString helpDirectory();

} // namespace ZnBaseUtil
