#pragma once
#include "ComunesExport.h"

#include <QString>

// The end of a certificate's validity as every window shows it, compared
// with today through the one clock (Reloj), so the wizard and the company
// editor never disagree on whether a certificate has expired.
namespace VigenciaCertificado {
// Whether the end `fin` (FORMATO_FECHA, as the signer reads it) is past. An
// unreadable date is not taken as expired.
COMUNES_EXPORT bool vencido(const QString& fin);
// The line shown for `fin`: empty without one, else CN_CADUCIDAD or
// CN_VENCIDO followed by the date.
COMUNES_EXPORT QString texto(const QString& fin);
} // namespace VigenciaCertificado
