#pragma once
#include "DocumentoXML.h"

#include <QString>

// The voucher's own values a stored voucher cannot do without, checked before
// anything of the file is stored: a value the SAT's schema of its version
// requires, each amount of the header a decimal (not below zero in 3.3 and
// 4.0), the date of issue in the schema's form. The SAT stamps no voucher
// that breaks these, so a file that does was altered or never stamped, and
// storing it would keep a voucher without a total or date.
//
// Version 3.2 names its attributes in lower case (total, subTotal, fecha)
// and its dates are xs:dateTime, which allows a fraction of a second and a
// zone offset; 3.3 and 4.0 allow neither (aaaa-mm-ddThh:mm:ss). 3.2's
// amounts are xs:decimal with no minimum, so a negative one is valid, and its
// TipoCambio is free text, not checked here. The stamp's FechaTimbrado, the
// voucher's date of record, is required the same way (stamp 1.0: xs:dateTime;
// 1.1: without zone). Lengths are not checked here: a stamped voucher with a
// longer value than the schema allows is still kept.
namespace RevisionEncabezado {

// Why the voucher (the root of a file of `version`, Constantes::CFDI_32...)
// cannot be stored, naming the attribute; empty when it can.
QString motivo(const TNodoXML& comprobante, const QString& version);

} // namespace RevisionEncabezado
