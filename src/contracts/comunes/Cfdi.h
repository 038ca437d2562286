#pragma once
#include "ComunesExport.h"
#include "DocumentoXML.h"
#include "TimbreFiscalDigital.h"

// What every version of the voucher shares: namespaces, schema locations, the
// Complemento elements, and what the import needs before it knows whose
// voucher it holds (version, issuer RFC, stamp UUID).
namespace Cfdi {

// Versions 3.0 to 3.3 share the first namespace.
inline constexpr char ESPACIO_CFDI3[] = "http://www.sat.gob.mx/cfd/3";
inline constexpr char ESPACIO_CFDI4[] = "http://www.sat.gob.mx/cfd/4";

inline constexpr char UBICACION_CFDV32[] = "http://www.sat.gob.mx/sitio_internet/cfd/3/cfdv32.xsd";
inline constexpr char UBICACION_CFDV33[] = "http://www.sat.gob.mx/sitio_internet/cfd/3/cfdv33.xsd";
inline constexpr char UBICACION_CFDV40[] = "http://www.sat.gob.mx/sitio_internet/cfd/4/cfdv40.xsd";

// One Complemento element: its children are the complements (stamp, payroll,
// local taxes...), read through their own bindings or as plain nodes.
class IXMLComprobante_Complemento : public TNodoXML {
public:
    explicit IXMLComprobante_Complemento(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QList<TNodoXML> ChildNodes() const { return hijos(); }
};

// Every Complemento element of a voucher, in document order. Version 3.3
// allows several, and files of the other versions carry several too.
class IXMLComprobante_ComplementoList : public TListaXML {
public:
    IXMLComprobante_ComplementoList() = default;
    explicit IXMLComprobante_ComplementoList(const TNodoXML& comprobante) : TListaXML(comprobante, "Complemento") {}
    IXMLComprobante_Complemento Get_Complemento(int indice) const { return IXMLComprobante_Complemento(item(indice)); }
};

// The ComplementoConcepto of a line (any version): its children are the
// line's complements.
class IXMLComprobante_Conceptos_Concepto_ComplementoConcepto : public TNodoXML {
public:
    explicit IXMLComprobante_Conceptos_Concepto_ComplementoConcepto(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QList<TNodoXML> ChildNodes() const { return hijos(); }
};

// Lists that every version of the voucher has, each over the item view of its
// version: Conceptos, Traslados and Retenciones are elements that hold their
// items; InformacionAduanera and Parte repeat straight under their parent.
template <class Concepto> class TConceptos : public TColeccionXML {
public:
    explicit TConceptos(const TNodoXML& nodo = {}) : TColeccionXML(nodo, "Concepto") {}
    Concepto Get_Concepto(int indice) const { return Concepto(item(indice)); }
};

template <class Traslado> class TTraslados : public TColeccionXML {
public:
    explicit TTraslados(const TNodoXML& nodo = {}) : TColeccionXML(nodo, "Traslado") {}
    Traslado Get_Traslado(int indice) const { return Traslado(item(indice)); }
};

template <class Retencion> class TRetenciones : public TColeccionXML {
public:
    explicit TRetenciones(const TNodoXML& nodo = {}) : TColeccionXML(nodo, "Retencion") {}
    Retencion Get_Retencion(int indice) const { return Retencion(item(indice)); }
};

template <class InformacionAduanera> class TInformacionAduaneraList : public TListaXML {
public:
    TInformacionAduaneraList() = default;
    explicit TInformacionAduaneraList(const TNodoXML& padre) : TListaXML(padre, "InformacionAduanera") {}
    InformacionAduanera Get_InformacionAduanera(int indice) const { return InformacionAduanera(item(indice)); }
};

template <class Parte> class TParteList : public TListaXML {
public:
    TParteList() = default;
    explicit TParteList(const TNodoXML& concepto) : TListaXML(concepto, "Parte") {}
    Parte Get_Parte(int indice) const { return Parte(item(indice)); }
};

// The children of every Complemento of `comprobante` that are the element
// `nombreLocal` of namespace `espacio`, in document order.
COMUNES_EXPORT QList<TNodoXML> complementos(const TNodoXML& comprobante, const char* espacio, const char* nombreLocal);

// `nodo` itself when it is the element `nombreLocal` of namespace `espacio`;
// EXML otherwise (also for an empty view).
COMUNES_EXPORT TNodoXML exigeElemento(const TNodoXML& nodo, const char* espacio, const char* nombreLocal);

template <class Vista> QList<Vista> vistas(const QList<TNodoXML>& nodos)
{
    QList<Vista> resultado;
    resultado.reserve(nodos.size());
    for (const TNodoXML& n : nodos)
        resultado.append(Vista(n));
    return resultado;
}

// Defines the three entry points of a complement binding: `Obten` (document)
// and `Obten` (element) view the complement that is the document's root or the
// element given, raising EXML when it is not the element `NombreLocal` of
// namespace `Espacio`; `deComprobante` (voucher root) lists every such
// complement under the voucher's Complemento elements, in document order.
#define VELKOR_ENTRADAS_COMPLEMENTO(Vista, Obten, Espacio, NombreLocal)                                                \
    Vista Obten(const TDocumentoXML& documento)                                                                        \
    {                                                                                                                  \
        return Obten(documento.raiz());                                                                                \
    }                                                                                                                  \
    Vista Obten(const TNodoXML& nodo)                                                                                  \
    {                                                                                                                  \
        return Vista(Cfdi::exigeElemento(nodo, Espacio, NombreLocal));                                                 \
    }                                                                                                                  \
    QList<Vista> deComprobante(const TNodoXML& comprobante)                                                            \
    {                                                                                                                  \
        return Cfdi::vistas<Vista>(Cfdi::complementos(comprobante, Espacio, NombreLocal));                             \
    }

// The version by the schema locations written in the file, the import's rule:
// Constantes::CFDI_32, CFDI_33 or CFDI_40 when the file's bytes contain the
// SAT's URL of that version's schema and its root is a Comprobante of that
// version's namespace; when several qualify, the highest; empty when none.
COMUNES_EXPORT QString versionPorUbicacion(const TDocumentoXML& documento);

// The version by what the root is: a Comprobante of the namespace of 3.x with
// version="3.2" or Version="3.3", or of 4.0 with Version="4.0". Empty for
// anything else (CFD 2.0, CFDI 3.0, retention vouchers, non-CFDI XML). Unlike
// the schema location, this does not depend on how the emitter wrote
// xsi:schemaLocation (relative paths, letter case, locations left out).
COMUNES_EXPORT QString versionPorContenido(const TNodoXML& raiz);

// The stamp the import goes by: the last TimbreFiscalDigital found under the
// voucher's Complemento elements in document order (an empty view when there
// is none), and its UUID with surrounding white space removed.
COMUNES_EXPORT TimbreFiscalDigital::IXMLTimbreFiscalDigital timbre(const TNodoXML& comprobante);
COMUNES_EXPORT QString uuid(const TNodoXML& comprobante);

// The issuer's RFC of a voucher of `version` (Constantes::CFDI_32 reads Emisor/@rfc, the
// others Emisor/@Rfc), with surrounding white space removed.
COMUNES_EXPORT QString rfcEmisor(const TNodoXML& comprobante, const QString& version);

// Whether a text read from a file has the SAT's form and so may name a folder
// or a file: an RFC is 3 or 4 letters (A-Z, Ñ, &), 6 digits and 3 letters or
// digits; a UUID is 8-4-4-4-12 hexadecimal digits. Either letter case.
COMUNES_EXPORT bool rfcValido(const QString& rfc);
COMUNES_EXPORT bool uuidValido(const QString& uuid);

} // namespace Cfdi
