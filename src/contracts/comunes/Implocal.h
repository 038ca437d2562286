#pragma once
#include "ComunesExport.h"
#include "DocumentoXML.h"

// Typed view of the local-taxes complement 1.0 (namespace
// http://www.sat.gob.mx/implocal, schema implocal.xsd). Rates and amounts are
// the text as written.
namespace Implocal {

inline constexpr char ESPACIO[] = "http://www.sat.gob.mx/implocal";

class IXMLImpuestosLocales_RetencionesLocales : public TNodoXML {
public:
    explicit IXMLImpuestosLocales_RetencionesLocales(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_ImpLocRetenido() const { return atributo("ImpLocRetenido"); }
    QString Get_TasadeRetencion() const { return atributo("TasadeRetencion"); }
    QString Get_Importe() const { return atributo("Importe"); }
};

class IXMLImpuestosLocales_RetencionesLocalesList : public TListaXML {
public:
    IXMLImpuestosLocales_RetencionesLocalesList() = default;
    explicit IXMLImpuestosLocales_RetencionesLocalesList(const TNodoXML& impuestos)
        : TListaXML(impuestos, "RetencionesLocales")
    {
    }
    IXMLImpuestosLocales_RetencionesLocales Get_RetencionesLocales(int indice) const
    {
        return IXMLImpuestosLocales_RetencionesLocales(item(indice));
    }
};

class IXMLImpuestosLocales_TrasladosLocales : public TNodoXML {
public:
    explicit IXMLImpuestosLocales_TrasladosLocales(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_ImpLocTrasladado() const { return atributo("ImpLocTrasladado"); }
    QString Get_TasadeTraslado() const { return atributo("TasadeTraslado"); }
    QString Get_Importe() const { return atributo("Importe"); }
};

class IXMLImpuestosLocales_TrasladosLocalesList : public TListaXML {
public:
    IXMLImpuestosLocales_TrasladosLocalesList() = default;
    explicit IXMLImpuestosLocales_TrasladosLocalesList(const TNodoXML& impuestos)
        : TListaXML(impuestos, "TrasladosLocales")
    {
    }
    IXMLImpuestosLocales_TrasladosLocales Get_TrasladosLocales(int indice) const
    {
        return IXMLImpuestosLocales_TrasladosLocales(item(indice));
    }
};

class IXMLImpuestosLocales : public TNodoXML {
public:
    explicit IXMLImpuestosLocales(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_version() const { return atributo("version"); }
    QString Get_TotaldeRetenciones() const { return atributo("TotaldeRetenciones"); }
    QString Get_TotaldeTraslados() const { return atributo("TotaldeTraslados"); }
    IXMLImpuestosLocales_RetencionesLocalesList Get_RetencionesLocales() const
    {
        return IXMLImpuestosLocales_RetencionesLocalesList(*this);
    }
    IXMLImpuestosLocales_TrasladosLocalesList Get_TrasladosLocales() const
    {
        return IXMLImpuestosLocales_TrasladosLocalesList(*this);
    }
};

// The complement that is the document's root, or the element given. EXML when
// it is not an ImpuestosLocales of this namespace.
COMUNES_EXPORT IXMLImpuestosLocales GetImpuestosLocales(const TDocumentoXML& documento);
COMUNES_EXPORT IXMLImpuestosLocales GetImpuestosLocales(const TNodoXML& nodo);
// Every local-taxes complement of a voucher, in document order, from all of
// its Complemento elements.
COMUNES_EXPORT QList<IXMLImpuestosLocales> deComprobante(const TNodoXML& comprobante);

} // namespace Implocal
