#pragma once
#include "Cfdi.h"
#include "ComunesExport.h"
#include "DocumentoXML.h"

// Typed view of a CFDI 3.3 voucher (namespace http://www.sat.gob.mx/cfd/3,
// schema cfdv33.xsd), the whole voucher. Every value is the text as written,
// amounts, rates and dates included.
namespace Cfdv33 {

using Cfdi::IXMLComprobante_Complemento;
using Cfdi::IXMLComprobante_ComplementoList;
using Cfdi::IXMLComprobante_Conceptos_Concepto_ComplementoConcepto;

class IXMLComprobante_CfdiRelacionados_CfdiRelacionado : public TNodoXML {
public:
    explicit IXMLComprobante_CfdiRelacionados_CfdiRelacionado(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_UUID() const { return atributo("UUID"); }
};

class IXMLComprobante_CfdiRelacionados : public TColeccionXML {
public:
    explicit IXMLComprobante_CfdiRelacionados(const TNodoXML& nodo = {}) : TColeccionXML(nodo, "CfdiRelacionado") {}
    QString Get_TipoRelacion() const { return atributo("TipoRelacion"); }
    IXMLComprobante_CfdiRelacionados_CfdiRelacionado Get_CfdiRelacionado(int indice) const
    {
        return IXMLComprobante_CfdiRelacionados_CfdiRelacionado(item(indice));
    }
};

class IXMLComprobante_Emisor : public TNodoXML {
public:
    explicit IXMLComprobante_Emisor(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_Rfc() const { return atributo("Rfc"); }
    QString Get_Nombre() const { return atributo("Nombre"); }
    QString Get_RegimenFiscal() const { return atributo("RegimenFiscal"); }
};

class IXMLComprobante_Receptor : public TNodoXML {
public:
    explicit IXMLComprobante_Receptor(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_Rfc() const { return atributo("Rfc"); }
    QString Get_Nombre() const { return atributo("Nombre"); }
    QString Get_ResidenciaFiscal() const { return atributo("ResidenciaFiscal"); }
    QString Get_NumRegIdTrib() const { return atributo("NumRegIdTrib"); }
    QString Get_UsoCFDI() const { return atributo("UsoCFDI"); }
};

// A tax of one line: Traslado and Retencion carry the same attributes.
class IXMLComprobante_Conceptos_Concepto_Impuestos_Traslados_Traslado : public TNodoXML {
public:
    explicit IXMLComprobante_Conceptos_Concepto_Impuestos_Traslados_Traslado(const TNodoXML& nodo = {}) : TNodoXML(nodo)
    {
    }
    QString Get_Base() const { return atributo("Base"); }
    QString Get_Impuesto() const { return atributo("Impuesto"); }
    QString Get_TipoFactor() const { return atributo("TipoFactor"); }
    QString Get_TasaOCuota() const { return atributo("TasaOCuota"); }
    QString Get_Importe() const { return atributo("Importe"); }
};

class IXMLComprobante_Conceptos_Concepto_Impuestos_Retenciones_Retencion
    : public IXMLComprobante_Conceptos_Concepto_Impuestos_Traslados_Traslado {
public:
    explicit IXMLComprobante_Conceptos_Concepto_Impuestos_Retenciones_Retencion(const TNodoXML& nodo = {})
        : IXMLComprobante_Conceptos_Concepto_Impuestos_Traslados_Traslado(nodo)
    {
    }
};

using IXMLComprobante_Conceptos_Concepto_Impuestos_Traslados =
    Cfdi::TTraslados<IXMLComprobante_Conceptos_Concepto_Impuestos_Traslados_Traslado>;
using IXMLComprobante_Conceptos_Concepto_Impuestos_Retenciones =
    Cfdi::TRetenciones<IXMLComprobante_Conceptos_Concepto_Impuestos_Retenciones_Retencion>;

class IXMLComprobante_Conceptos_Concepto_Impuestos : public TNodoXML {
public:
    explicit IXMLComprobante_Conceptos_Concepto_Impuestos(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    IXMLComprobante_Conceptos_Concepto_Impuestos_Traslados Get_Traslados() const
    {
        return IXMLComprobante_Conceptos_Concepto_Impuestos_Traslados(hijoPropio("Traslados"));
    }
    IXMLComprobante_Conceptos_Concepto_Impuestos_Retenciones Get_Retenciones() const
    {
        return IXMLComprobante_Conceptos_Concepto_Impuestos_Retenciones(hijoPropio("Retenciones"));
    }
};

// A customs entry, of a line or of one of its parts.
class IXMLComprobante_Conceptos_Concepto_InformacionAduanera : public TNodoXML {
public:
    explicit IXMLComprobante_Conceptos_Concepto_InformacionAduanera(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_NumeroPedimento() const { return atributo("NumeroPedimento"); }
};

using IXMLComprobante_Conceptos_Concepto_InformacionAduaneraList =
    Cfdi::TInformacionAduaneraList<IXMLComprobante_Conceptos_Concepto_InformacionAduanera>;

class IXMLComprobante_Conceptos_Concepto_CuentaPredial : public TNodoXML {
public:
    explicit IXMLComprobante_Conceptos_Concepto_CuentaPredial(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_Numero() const { return atributo("Numero"); }
};

class IXMLComprobante_Conceptos_Concepto_Parte : public TNodoXML {
public:
    explicit IXMLComprobante_Conceptos_Concepto_Parte(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_ClaveProdServ() const { return atributo("ClaveProdServ"); }
    QString Get_NoIdentificacion() const { return atributo("NoIdentificacion"); }
    QString Get_Cantidad() const { return atributo("Cantidad"); }
    QString Get_Unidad() const { return atributo("Unidad"); }
    QString Get_Descripcion() const { return atributo("Descripcion"); }
    QString Get_ValorUnitario() const { return atributo("ValorUnitario"); }
    QString Get_Importe() const { return atributo("Importe"); }
    IXMLComprobante_Conceptos_Concepto_InformacionAduaneraList Get_InformacionAduanera() const
    {
        return IXMLComprobante_Conceptos_Concepto_InformacionAduaneraList(*this);
    }
};

using IXMLComprobante_Conceptos_Concepto_ParteList = Cfdi::TParteList<IXMLComprobante_Conceptos_Concepto_Parte>;

// The attributes of a line that 4.0 kept as they were, and the children both
// versions give the same views.
class TConceptoComun : public TNodoXML {
public:
    explicit TConceptoComun(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_ClaveProdServ() const { return atributo("ClaveProdServ"); }
    QString Get_NoIdentificacion() const { return atributo("NoIdentificacion"); }
    QString Get_Cantidad() const { return atributo("Cantidad"); }
    QString Get_ClaveUnidad() const { return atributo("ClaveUnidad"); }
    QString Get_Unidad() const { return atributo("Unidad"); }
    QString Get_Descripcion() const { return atributo("Descripcion"); }
    QString Get_ValorUnitario() const { return atributo("ValorUnitario"); }
    QString Get_Importe() const { return atributo("Importe"); }
    QString Get_Descuento() const { return atributo("Descuento"); }
    IXMLComprobante_Conceptos_Concepto_Impuestos Get_Impuestos() const
    {
        return IXMLComprobante_Conceptos_Concepto_Impuestos(hijoPropio("Impuestos"));
    }
    IXMLComprobante_Conceptos_Concepto_InformacionAduaneraList Get_InformacionAduanera() const
    {
        return IXMLComprobante_Conceptos_Concepto_InformacionAduaneraList(*this);
    }
    IXMLComprobante_Conceptos_Concepto_ComplementoConcepto Get_ComplementoConcepto() const
    {
        return IXMLComprobante_Conceptos_Concepto_ComplementoConcepto(hijoPropio("ComplementoConcepto"));
    }
    IXMLComprobante_Conceptos_Concepto_ParteList Get_Parte() const
    {
        return IXMLComprobante_Conceptos_Concepto_ParteList(*this);
    }
};

class IXMLComprobante_Conceptos_Concepto : public TConceptoComun {
public:
    explicit IXMLComprobante_Conceptos_Concepto(const TNodoXML& nodo = {}) : TConceptoComun(nodo) {}
    IXMLComprobante_Conceptos_Concepto_CuentaPredial Get_CuentaPredial() const
    {
        return IXMLComprobante_Conceptos_Concepto_CuentaPredial(hijoPropio("CuentaPredial"));
    }
};

using IXMLComprobante_Conceptos = Cfdi::TConceptos<IXMLComprobante_Conceptos_Concepto>;

class IXMLComprobante_Impuestos_Retenciones_Retencion : public TNodoXML {
public:
    explicit IXMLComprobante_Impuestos_Retenciones_Retencion(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_Impuesto() const { return atributo("Impuesto"); }
    QString Get_Importe() const { return atributo("Importe"); }
};

using IXMLComprobante_Impuestos_Retenciones = Cfdi::TRetenciones<IXMLComprobante_Impuestos_Retenciones_Retencion>;

class IXMLComprobante_Impuestos_Traslados_Traslado : public TNodoXML {
public:
    explicit IXMLComprobante_Impuestos_Traslados_Traslado(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_Impuesto() const { return atributo("Impuesto"); }
    QString Get_TipoFactor() const { return atributo("TipoFactor"); }
    QString Get_TasaOCuota() const { return atributo("TasaOCuota"); }
    QString Get_Importe() const { return atributo("Importe"); }
};

using IXMLComprobante_Impuestos_Traslados = Cfdi::TTraslados<IXMLComprobante_Impuestos_Traslados_Traslado>;

// The voucher's taxes, over the transferred-tax view of its version (4.0 adds
// Base to it).
template <class Traslado> class TImpuestosComprobante : public TNodoXML {
public:
    explicit TImpuestosComprobante(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_TotalImpuestosRetenidos() const { return atributo("TotalImpuestosRetenidos"); }
    QString Get_TotalImpuestosTrasladados() const { return atributo("TotalImpuestosTrasladados"); }
    IXMLComprobante_Impuestos_Retenciones Get_Retenciones() const
    {
        return IXMLComprobante_Impuestos_Retenciones(hijoPropio("Retenciones"));
    }
    Cfdi::TTraslados<Traslado> Get_Traslados() const { return Cfdi::TTraslados<Traslado>(hijoPropio("Traslados")); }
};

using IXMLComprobante_Impuestos = TImpuestosComprobante<IXMLComprobante_Impuestos_Traslados_Traslado>;

// The attributes of the voucher that 4.0 kept as they were, and the children
// both versions give the same views.
class TComprobanteComun : public TNodoXML {
public:
    explicit TComprobanteComun(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_Version() const { return atributo("Version"); }
    QString Get_Serie() const { return atributo("Serie"); }
    QString Get_Folio() const { return atributo("Folio"); }
    QString Get_Fecha() const { return atributo("Fecha"); }
    QString Get_Sello() const { return atributo("Sello"); }
    QString Get_FormaPago() const { return atributo("FormaPago"); }
    QString Get_NoCertificado() const { return atributo("NoCertificado"); }
    QString Get_Certificado() const { return atributo("Certificado"); }
    QString Get_CondicionesDePago() const { return atributo("CondicionesDePago"); }
    QString Get_SubTotal() const { return atributo("SubTotal"); }
    QString Get_Descuento() const { return atributo("Descuento"); }
    QString Get_Moneda() const { return atributo("Moneda"); }
    QString Get_TipoCambio() const { return atributo("TipoCambio"); }
    QString Get_Total() const { return atributo("Total"); }
    QString Get_TipoDeComprobante() const { return atributo("TipoDeComprobante"); }
    QString Get_MetodoPago() const { return atributo("MetodoPago"); }
    QString Get_LugarExpedicion() const { return atributo("LugarExpedicion"); }
    QString Get_Confirmacion() const { return atributo("Confirmacion"); }
    IXMLComprobante_ComplementoList Get_Complemento() const { return IXMLComprobante_ComplementoList(*this); }
    TNodoXML Get_Addenda() const { return hijoPropio("Addenda"); }
};

class IXMLComprobante : public TComprobanteComun {
public:
    explicit IXMLComprobante(const TNodoXML& nodo = {}) : TComprobanteComun(nodo) {}
    IXMLComprobante_CfdiRelacionados Get_CfdiRelacionados() const
    {
        return IXMLComprobante_CfdiRelacionados(hijoPropio("CfdiRelacionados"));
    }
    IXMLComprobante_Emisor Get_Emisor() const { return IXMLComprobante_Emisor(hijoPropio("Emisor")); }
    IXMLComprobante_Receptor Get_Receptor() const { return IXMLComprobante_Receptor(hijoPropio("Receptor")); }
    IXMLComprobante_Conceptos Get_Conceptos() const { return IXMLComprobante_Conceptos(hijoPropio("Conceptos")); }
    IXMLComprobante_Impuestos Get_Impuestos() const { return IXMLComprobante_Impuestos(hijoPropio("Impuestos")); }
};

// The root of a loaded document. EXML when it is not a Comprobante of the
// namespace of 3.x. The view keeps the document alive.
COMUNES_EXPORT IXMLComprobante GetComprobante(const TDocumentoXML& documento);

} // namespace Cfdv33
