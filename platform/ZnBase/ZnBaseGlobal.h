#pragma once

#include <QtGlobal>

#if defined(ZNBASE_LIBRARY)
#  define ZNBASE_EXPORT Q_DECL_EXPORT
#else
#  define ZNBASE_EXPORT Q_DECL_IMPORT
#endif
