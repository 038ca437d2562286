#pragma once
#include "Cfdi.h"
#include "ComunesExport.h"
#include "DocumentoXML.h"

// Typed view of a CFDI 3.2 voucher (namespace http://www.sat.gob.mx/cfd/3,
// schema cfdv32.xsd). Attribute names keep the schema's lower-case spelling.
// Every value is the text as written, amounts and dates included.
namespace Cfdv32 {

using Cfdi::IXMLComprobante_Complemento;
using Cfdi::IXMLComprobante_ComplementoList;
using Cfdi::IXMLComprobante_Conceptos_Concepto_ComplementoConcepto;

// An address (t_Ubicacion): the receiver's Domicilio, the issuer's ExpedidoEn.
class IXMLT_Ubicacion : public TNodoXML {
public:
    explicit IXMLT_Ubicacion(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_calle() const { return atributo("calle"); }
    QString Get_noExterior() const { return atributo("noExterior"); }
    QString Get_noInterior() const { return atributo("noInterior"); }
    QString Get_colonia() const { return atributo("colonia"); }
    QString Get_localidad() const { return atributo("localidad"); }
    QString Get_referencia() const { return atributo("referencia"); }
    QString Get_municipio() const { return atributo("municipio"); }
    QString Get_estado() const { return atributo("estado"); }
    QString Get_pais() const { return atributo("pais"); }
    QString Get_codigoPostal() const { return atributo("codigoPostal"); }
};

// The issuer's fiscal address (t_UbicacionFiscal): the same attributes.
class IXMLT_UbicacionFiscal : public IXMLT_Ubicacion {
public:
    explicit IXMLT_UbicacionFiscal(const TNodoXML& nodo = {}) : IXMLT_Ubicacion(nodo) {}
};

class IXMLT_InformacionAduanera : public TNodoXML {
public:
    explicit IXMLT_InformacionAduanera(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_numero() const { return atributo("numero"); }
    QString Get_fecha() const { return atributo("fecha"); }
    QString Get_aduana() const { return atributo("aduana"); }
};

using IXMLT_InformacionAduaneraList = Cfdi::TInformacionAduaneraList<IXMLT_InformacionAduanera>;

class IXMLComprobante_Emisor_RegimenFiscal : public TNodoXML {
public:
    explicit IXMLComprobante_Emisor_RegimenFiscal(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_Regimen() const { return atributo("Regimen"); }
};

class IXMLComprobante_Emisor_RegimenFiscalList : public TListaXML {
public:
    IXMLComprobante_Emisor_RegimenFiscalList() = default;
    explicit IXMLComprobante_Emisor_RegimenFiscalList(const TNodoXML& emisor) : TListaXML(emisor, "RegimenFiscal") {}
    IXMLComprobante_Emisor_RegimenFiscal Get_RegimenFiscal(int indice) const
    {
        return IXMLComprobante_Emisor_RegimenFiscal(item(indice));
    }
};

class IXMLComprobante_Emisor : public TNodoXML {
public:
    explicit IXMLComprobante_Emisor(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_rfc() const { return atributo("rfc"); }
    QString Get_nombre() const { return atributo("nombre"); }
    IXMLT_UbicacionFiscal Get_DomicilioFiscal() const { return IXMLT_UbicacionFiscal(hijoPropio("DomicilioFiscal")); }
    IXMLT_Ubicacion Get_ExpedidoEn() const { return IXMLT_Ubicacion(hijoPropio("ExpedidoEn")); }
    IXMLComprobante_Emisor_RegimenFiscalList Get_RegimenFiscal() const
    {
        return IXMLComprobante_Emisor_RegimenFiscalList(*this);
    }
};

class IXMLComprobante_Receptor : public TNodoXML {
public:
    explicit IXMLComprobante_Receptor(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_rfc() const { return atributo("rfc"); }
    QString Get_nombre() const { return atributo("nombre"); }
    IXMLT_Ubicacion Get_Domicilio() const { return IXMLT_Ubicacion(hijoPropio("Domicilio")); }
};

class IXMLComprobante_Conceptos_Concepto_CuentaPredial : public TNodoXML {
public:
    explicit IXMLComprobante_Conceptos_Concepto_CuentaPredial(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_numero() const { return atributo("numero"); }
};

class IXMLComprobante_Conceptos_Concepto_Parte : public TNodoXML {
public:
    explicit IXMLComprobante_Conceptos_Concepto_Parte(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_cantidad() const { return atributo("cantidad"); }
    QString Get_unidad() const { return atributo("unidad"); }
    QString Get_noIdentificacion() const { return atributo("noIdentificacion"); }
    QString Get_descripcion() const { return atributo("descripcion"); }
    QString Get_valorUnitario() const { return atributo("valorUnitario"); }
    QString Get_importe() const { return atributo("importe"); }
    IXMLT_InformacionAduaneraList Get_InformacionAduanera() const { return IXMLT_InformacionAduaneraList(*this); }
};

using IXMLComprobante_Conceptos_Concepto_ParteList = Cfdi::TParteList<IXMLComprobante_Conceptos_Concepto_Parte>;

class IXMLComprobante_Conceptos_Concepto : public TNodoXML {
public:
    explicit IXMLComprobante_Conceptos_Concepto(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_cantidad() const { return atributo("cantidad"); }
    QString Get_unidad() const { return atributo("unidad"); }
    QString Get_noIdentificacion() const { return atributo("noIdentificacion"); }
    QString Get_descripcion() const { return atributo("descripcion"); }
    QString Get_valorUnitario() const { return atributo("valorUnitario"); }
    QString Get_importe() const { return atributo("importe"); }
    IXMLT_InformacionAduaneraList Get_InformacionAduanera() const { return IXMLT_InformacionAduaneraList(*this); }
    IXMLComprobante_Conceptos_Concepto_CuentaPredial Get_CuentaPredial() const
    {
        return IXMLComprobante_Conceptos_Concepto_CuentaPredial(hijoPropio("CuentaPredial"));
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

using IXMLComprobante_Conceptos = Cfdi::TConceptos<IXMLComprobante_Conceptos_Concepto>;

class IXMLComprobante_Impuestos_Retenciones_Retencion : public TNodoXML {
public:
    explicit IXMLComprobante_Impuestos_Retenciones_Retencion(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_impuesto() const { return atributo("impuesto"); }
    QString Get_importe() const { return atributo("importe"); }
};

using IXMLComprobante_Impuestos_Retenciones = Cfdi::TRetenciones<IXMLComprobante_Impuestos_Retenciones_Retencion>;

class IXMLComprobante_Impuestos_Traslados_Traslado : public TNodoXML {
public:
    explicit IXMLComprobante_Impuestos_Traslados_Traslado(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_impuesto() const { return atributo("impuesto"); }
    QString Get_tasa() const { return atributo("tasa"); }
    QString Get_importe() const { return atributo("importe"); }
};

using IXMLComprobante_Impuestos_Traslados = Cfdi::TTraslados<IXMLComprobante_Impuestos_Traslados_Traslado>;

class IXMLComprobante_Impuestos : public TNodoXML {
public:
    explicit IXMLComprobante_Impuestos(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_totalImpuestosRetenidos() const { return atributo("totalImpuestosRetenidos"); }
    QString Get_totalImpuestosTrasladados() const { return atributo("totalImpuestosTrasladados"); }
    IXMLComprobante_Impuestos_Retenciones Get_Retenciones() const
    {
        return IXMLComprobante_Impuestos_Retenciones(hijoPropio("Retenciones"));
    }
    IXMLComprobante_Impuestos_Traslados Get_Traslados() const
    {
        return IXMLComprobante_Impuestos_Traslados(hijoPropio("Traslados"));
    }
};

class IXMLComprobante : public TNodoXML {
public:
    explicit IXMLComprobante(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_version() const { return atributo("version"); }
    QString Get_serie() const { return atributo("serie"); }
    QString Get_folio() const { return atributo("folio"); }
    QString Get_fecha() const { return atributo("fecha"); }
    QString Get_sello() const { return atributo("sello"); }
    QString Get_formaDePago() const { return atributo("formaDePago"); }
    QString Get_noCertificado() const { return atributo("noCertificado"); }
    QString Get_certificado() const { return atributo("certificado"); }
    QString Get_condicionesDePago() const { return atributo("condicionesDePago"); }
    QString Get_subTotal() const { return atributo("subTotal"); }
    QString Get_descuento() const { return atributo("descuento"); }
    QString Get_motivoDescuento() const { return atributo("motivoDescuento"); }
    QString Get_TipoCambio() const { return atributo("TipoCambio"); }
    QString Get_Moneda() const { return atributo("Moneda"); }
    QString Get_total() const { return atributo("total"); }
    QString Get_tipoDeComprobante() const { return atributo("tipoDeComprobante"); }
    QString Get_metodoDePago() const { return atributo("metodoDePago"); }
    QString Get_LugarExpedicion() const { return atributo("LugarExpedicion"); }
    QString Get_NumCtaPago() const { return atributo("NumCtaPago"); }
    QString Get_FolioFiscalOrig() const { return atributo("FolioFiscalOrig"); }
    QString Get_SerieFolioFiscalOrig() const { return atributo("SerieFolioFiscalOrig"); }
    QString Get_FechaFolioFiscalOrig() const { return atributo("FechaFolioFiscalOrig"); }
    QString Get_MontoFolioFiscalOrig() const { return atributo("MontoFolioFiscalOrig"); }
    IXMLComprobante_Emisor Get_Emisor() const { return IXMLComprobante_Emisor(hijoPropio("Emisor")); }
    IXMLComprobante_Receptor Get_Receptor() const { return IXMLComprobante_Receptor(hijoPropio("Receptor")); }
    IXMLComprobante_Conceptos Get_Conceptos() const { return IXMLComprobante_Conceptos(hijoPropio("Conceptos")); }
    IXMLComprobante_Impuestos Get_Impuestos() const { return IXMLComprobante_Impuestos(hijoPropio("Impuestos")); }
    IXMLComprobante_ComplementoList Get_Complemento() const { return IXMLComprobante_ComplementoList(*this); }
    TNodoXML Get_Addenda() const { return hijoPropio("Addenda"); }
};

// Loads the file and views its root. EEntradaSalida when the file cannot be
// read; EXML when it is not well-formed or its root is not a Comprobante of the
// namespace of 3.x. The view keeps the loaded document alive.
COMUNES_EXPORT IXMLComprobante LoadComprobante(const QString& archivo);
// The root of a document already loaded; EXML as above.
COMUNES_EXPORT IXMLComprobante GetComprobante(const TDocumentoXML& documento);

} // namespace Cfdv32
