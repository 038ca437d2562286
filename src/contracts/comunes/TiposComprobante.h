#pragma once
#include "ComunesExport.h"

#include <QList>
#include <QPair>
#include <QString>

// The voucher types as the windows name them, from the letter a voucher
// stores ("I" -> "Ingreso"), in the SAT's catalogue order.
namespace TiposComprobante {
COMUNES_EXPORT const QList<QPair<QString, QString>>& lista();
// The name of a letter (surrounding blanks and letter case aside); a letter
// no type has is given back as it is.
COMUNES_EXPORT QString nombre(const QString& letra);
} // namespace TiposComprobante
