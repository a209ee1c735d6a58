#pragma once

#include <QtGlobal>

#if defined(TARNLIBS_LIBRARY)
#  define TARNLIBS_EXPORT Q_DECL_EXPORT
#else
#  define TARNLIBS_EXPORT Q_DECL_IMPORT
#endif
