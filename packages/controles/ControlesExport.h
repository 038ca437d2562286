#pragma once
#include <QtGlobal>

#if defined(CONTROLES_BUILD)
#define CONTROLES_EXPORT Q_DECL_EXPORT
#else
#define CONTROLES_EXPORT Q_DECL_IMPORT
#endif
