#pragma once
#include "BaseDatosExport.h"
#include "Cfdv40.h"
#include "TSaveComprobante.h"

// Stores a whole CFDI 4.0 voucher: everything TSaveComprobante stores for
// 3.3, and what 4.0 added (export code, InformacionGlobal, the receiver's
// fiscal regime and postal code, also kept on its customer record, several
// groups of related vouchers, a line's tax object, third party and several
// property accounts, the base of the voucher's transferred taxes). Set up
// and called as TSaveComprobante, in the same unit of work.
class BASEDATOS_EXPORT TSaveComprobante4 : public TSaveComprobante {
public:
    using TSaveComprobante::TSaveComprobante;

    TComprobante SaveBD(const Cfdv40::IXMLComprobante& comprobante,
                        const Nomina12::IXMLNomina& nomina = Nomina12::IXMLNomina());
};
