#pragma once
#include <QtGlobal>

#if defined(COMUNES_BUILD)
#define COMUNES_EXPORT Q_DECL_EXPORT
#else
#define COMUNES_EXPORT Q_DECL_IMPORT
#endif
