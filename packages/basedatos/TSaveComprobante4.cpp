#include "TSaveComprobante4.h"

#include "GuardadoCfdi.h"

TComprobante TSaveComprobante4::SaveBD(const Cfdv40::IXMLComprobante& comprobante, const Nomina12::IXMLNomina& nomina)
{
    GuardadoCfdi::TLectura lectura = GuardadoCfdi::leeComun(comprobante);
    lectura.exportacion = comprobante.Get_Exportacion();
    lectura.facAtrAdquirente = comprobante.Get_Emisor().Get_FacAtrAdquirente();
    lectura.informacionGlobal = comprobante.Get_InformacionGlobal();
    const auto receptor = comprobante.Get_Receptor();
    lectura.receptor.regimen = receptor.Get_RegimenFiscalReceptor();
    lectura.receptor.domicilio = receptor.Get_DomicilioFiscalReceptor();
    const auto grupos = comprobante.Get_CfdiRelacionados();
    for (int i = 0; i < grupos.Count(); ++i)
        lectura.relacionados << grupos.Get_CfdiRelacionados(i);
    return GuardadoCfdi::guarda(ajustes(), lectura, nomina);
}
