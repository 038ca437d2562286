#pragma once
#include "Cfdv32.h"
#include "GuardadoComprobante.h"

class TComprobante;

// A CFDI 3.2 voucher stored field by field in its business's database: the
// receiver as a customer of the business (found by RFC and reused, or stored
// with its fiscal data, person and address), the header with its donee
// complement, the lines with their catalogue products, parts, units and first
// customs entry, the federal taxes and the local taxes as the voucher's tax
// breakdown, and the payroll receipts (1.1 here, 1.2 through the entity
// package's saver). Amounts are exact, from the text as written.
//
// Runs inside the caller's unit of work (GuardadoComprobante) and raises on
// the first value that does not convert or save that fails, so the caller
// undoes the whole file. Catalogue records (units, taxes, payment forms and
// methods) go through the job's cache, per business database.
namespace Importacion32 {

// The report's note on a TipoCambio that was left out although it was meant
// as a number ("18,50", more than six decimals); empty when it was stored,
// absent or not a number at all ("N/A").
QString avisoTipoCambio(const Cfdv32::IXMLComprobante& comprobante);

// Returns the stored voucher.
TComprobante guarda(const Cfdv32::IXMLComprobante& comprobante, const GuardadoComprobante::TContexto& contexto);

} // namespace Importacion32
