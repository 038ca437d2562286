#pragma once
#include <QtGlobal>

#if defined(BASEDATOS_BUILD)
#define BASEDATOS_EXPORT Q_DECL_EXPORT
#else
#define BASEDATOS_EXPORT Q_DECL_IMPORT
#endif
