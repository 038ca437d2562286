#pragma once
#include "ComunesExport.h"
#include "DocumentoXML.h"

// Typed view of the donee complement 1.1 (namespace http://www.sat.gob.mx/donat,
// schema donat11.xsd). The authorisation date is the text as written.
namespace Donat11 {

inline constexpr char ESPACIO[] = "http://www.sat.gob.mx/donat";

class IXMLDonatarias : public TNodoXML {
public:
    explicit IXMLDonatarias(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_version() const { return atributo("version"); }
    QString Get_noAutorizacion() const { return atributo("noAutorizacion"); }
    QString Get_fechaAutorizacion() const { return atributo("fechaAutorizacion"); }
    QString Get_leyenda() const { return atributo("leyenda"); }
};

// The complement that is the document's root, or the element given. EXML when
// it is not a Donatarias of this namespace.
COMUNES_EXPORT IXMLDonatarias GetDonatarias(const TDocumentoXML& documento);
COMUNES_EXPORT IXMLDonatarias GetDonatarias(const TNodoXML& nodo);
// Every donee complement of a voucher, in document order, from all of its
// Complemento elements.
COMUNES_EXPORT QList<IXMLDonatarias> deComprobante(const TNodoXML& comprobante);

} // namespace Donat11
