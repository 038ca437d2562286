#pragma once
#include "ComunesExport.h"
#include "TDecimal.h"

#include <QString>

// An amount as every window shows it: thousands separated by commas, two
// decimals at least and every further decimal the value has, so what is
// shown is exactly what is stored ("1,234,567.50", "-0.000001").
namespace FormatoImporte {
COMUNES_EXPORT QString conMiles(const TDecimal& importe);
// The same with the peso sign: "$1,234.50", "-$3.00".
COMUNES_EXPORT QString pesos(const TDecimal& importe);
} // namespace FormatoImporte
