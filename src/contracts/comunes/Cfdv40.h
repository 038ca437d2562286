#pragma once
#include "Cfdi.h"
#include "Cfdv33.h"
#include "ComunesExport.h"
#include "DocumentoXML.h"

// Typed view of a CFDI 4.0 voucher (namespace http://www.sat.gob.mx/cfd/4,
// schema cfdv40.xsd), the whole voucher. Elements that 4.0 left as they were
// in 3.3 are the 3.3 views; a 4.0 view never converts to a 3.3 one. Every value
// is the text as written, amounts, rates and dates included; only
// InformacionGlobal/@Año, an integer in the schema, is converted.
namespace Cfdv40 {

using Cfdi::IXMLComprobante_Complemento;
using Cfdi::IXMLComprobante_ComplementoList;
using Cfdi::IXMLComprobante_Conceptos_Concepto_ComplementoConcepto;
using Cfdv33::IXMLComprobante_CfdiRelacionados;
using Cfdv33::IXMLComprobante_CfdiRelacionados_CfdiRelacionado;
using Cfdv33::IXMLComprobante_Conceptos_Concepto_CuentaPredial;
using Cfdv33::IXMLComprobante_Conceptos_Concepto_Impuestos;
using Cfdv33::IXMLComprobante_Conceptos_Concepto_Impuestos_Retenciones;
using Cfdv33::IXMLComprobante_Conceptos_Concepto_Impuestos_Retenciones_Retencion;
using Cfdv33::IXMLComprobante_Conceptos_Concepto_Impuestos_Traslados;
using Cfdv33::IXMLComprobante_Conceptos_Concepto_Impuestos_Traslados_Traslado;
using Cfdv33::IXMLComprobante_Conceptos_Concepto_InformacionAduanera;
using Cfdv33::IXMLComprobante_Conceptos_Concepto_InformacionAduaneraList;
using Cfdv33::IXMLComprobante_Conceptos_Concepto_Parte;
using Cfdv33::IXMLComprobante_Conceptos_Concepto_ParteList;
using Cfdv33::IXMLComprobante_Impuestos_Retenciones;
using Cfdv33::IXMLComprobante_Impuestos_Retenciones_Retencion;

class IXMLComprobante_InformacionGlobal : public TNodoXML {
public:
    explicit IXMLComprobante_InformacionGlobal(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_Periodicidad() const { return atributo("Periodicidad"); }
    QString Get_Meses() const { return atributo("Meses"); }
    // "Año"; EConversion when absent or not an integer.
    int Get_Anio() const { return atributoEntero("Año"); }
};

// Version 4.0 allows several groups of related vouchers, one per relation type.
class IXMLComprobante_CfdiRelacionadosList : public TListaXML {
public:
    IXMLComprobante_CfdiRelacionadosList() = default;
    explicit IXMLComprobante_CfdiRelacionadosList(const TNodoXML& comprobante)
        : TListaXML(comprobante, "CfdiRelacionados")
    {
    }
    IXMLComprobante_CfdiRelacionados Get_CfdiRelacionados(int indice) const
    {
        return IXMLComprobante_CfdiRelacionados(item(indice));
    }
};

class IXMLComprobante_Emisor : public Cfdv33::IXMLComprobante_Emisor {
public:
    explicit IXMLComprobante_Emisor(const TNodoXML& nodo = {}) : Cfdv33::IXMLComprobante_Emisor(nodo) {}
    QString Get_FacAtrAdquirente() const { return atributo("FacAtrAdquirente"); }
};

class IXMLComprobante_Receptor : public Cfdv33::IXMLComprobante_Receptor {
public:
    explicit IXMLComprobante_Receptor(const TNodoXML& nodo = {}) : Cfdv33::IXMLComprobante_Receptor(nodo) {}
    QString Get_DomicilioFiscalReceptor() const { return atributo("DomicilioFiscalReceptor"); }
    QString Get_RegimenFiscalReceptor() const { return atributo("RegimenFiscalReceptor"); }
};

class IXMLComprobante_Conceptos_Concepto_ACuentaTerceros : public TNodoXML {
public:
    explicit IXMLComprobante_Conceptos_Concepto_ACuentaTerceros(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_RfcACuentaTerceros() const { return atributo("RfcACuentaTerceros"); }
    QString Get_NombreACuentaTerceros() const { return atributo("NombreACuentaTerceros"); }
    QString Get_RegimenFiscalACuentaTerceros() const { return atributo("RegimenFiscalACuentaTerceros"); }
    QString Get_DomicilioFiscalACuentaTerceros() const { return atributo("DomicilioFiscalACuentaTerceros"); }
};

class IXMLComprobante_Conceptos_Concepto_CuentaPredialList : public TListaXML {
public:
    IXMLComprobante_Conceptos_Concepto_CuentaPredialList() = default;
    explicit IXMLComprobante_Conceptos_Concepto_CuentaPredialList(const TNodoXML& concepto)
        : TListaXML(concepto, "CuentaPredial")
    {
    }
    IXMLComprobante_Conceptos_Concepto_CuentaPredial Get_CuentaPredial(int indice) const
    {
        return IXMLComprobante_Conceptos_Concepto_CuentaPredial(item(indice));
    }
};

class IXMLComprobante_Conceptos_Concepto : public Cfdv33::TConceptoComun {
public:
    explicit IXMLComprobante_Conceptos_Concepto(const TNodoXML& nodo = {}) : Cfdv33::TConceptoComun(nodo) {}
    QString Get_ObjetoImp() const { return atributo("ObjetoImp"); }
    IXMLComprobante_Conceptos_Concepto_ACuentaTerceros Get_ACuentaTerceros() const
    {
        return IXMLComprobante_Conceptos_Concepto_ACuentaTerceros(hijoPropio("ACuentaTerceros"));
    }
    // Version 4.0 allows several.
    IXMLComprobante_Conceptos_Concepto_CuentaPredialList Get_CuentaPredial() const
    {
        return IXMLComprobante_Conceptos_Concepto_CuentaPredialList(*this);
    }
};

using IXMLComprobante_Conceptos = Cfdi::TConceptos<IXMLComprobante_Conceptos_Concepto>;

// A transferred tax of the voucher: 4.0 adds its Base.
class IXMLComprobante_Impuestos_Traslados_Traslado : public Cfdv33::IXMLComprobante_Impuestos_Traslados_Traslado {
public:
    explicit IXMLComprobante_Impuestos_Traslados_Traslado(const TNodoXML& nodo = {})
        : Cfdv33::IXMLComprobante_Impuestos_Traslados_Traslado(nodo)
    {
    }
    QString Get_Base() const { return atributo("Base"); }
};

using IXMLComprobante_Impuestos_Traslados = Cfdi::TTraslados<IXMLComprobante_Impuestos_Traslados_Traslado>;
using IXMLComprobante_Impuestos = Cfdv33::TImpuestosComprobante<IXMLComprobante_Impuestos_Traslados_Traslado>;

class IXMLComprobante : public Cfdv33::TComprobanteComun {
public:
    explicit IXMLComprobante(const TNodoXML& nodo = {}) : Cfdv33::TComprobanteComun(nodo) {}
    QString Get_Exportacion() const { return atributo("Exportacion"); }
    IXMLComprobante_InformacionGlobal Get_InformacionGlobal() const
    {
        return IXMLComprobante_InformacionGlobal(hijoPropio("InformacionGlobal"));
    }
    IXMLComprobante_CfdiRelacionadosList Get_CfdiRelacionados() const
    {
        return IXMLComprobante_CfdiRelacionadosList(*this);
    }
    IXMLComprobante_Emisor Get_Emisor() const { return IXMLComprobante_Emisor(hijoPropio("Emisor")); }
    IXMLComprobante_Receptor Get_Receptor() const { return IXMLComprobante_Receptor(hijoPropio("Receptor")); }
    IXMLComprobante_Conceptos Get_Conceptos() const { return IXMLComprobante_Conceptos(hijoPropio("Conceptos")); }
    IXMLComprobante_Impuestos Get_Impuestos() const { return IXMLComprobante_Impuestos(hijoPropio("Impuestos")); }
};

// The root of a loaded document. EXML when it is not a Comprobante of the
// namespace of 4.0. The view keeps the document alive.
COMUNES_EXPORT IXMLComprobante GetComprobante(const TDocumentoXML& documento);

} // namespace Cfdv40
