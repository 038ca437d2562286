#pragma once
#include "ComunesExport.h"
#include "DocumentoXML.h"

// The SAT's stamp (TimbreFiscalDigital), versions 1.0 (vouchers 3.2) and 1.1
// (3.3 and 4.0). Both versions share the namespace and the element; 1.1 gave
// four attributes a capital letter and added two. Each getter reads the
// attribute exactly as the version it belongs to spells it.
namespace TimbreFiscalDigital {

inline constexpr char ESPACIO[] = "http://www.sat.gob.mx/TimbreFiscalDigital";

class IXMLTimbreFiscalDigital : public TNodoXML {
public:
    explicit IXMLTimbreFiscalDigital(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    // Version 1.1.
    QString Get_Version() const { return atributo("Version"); }
    QString Get_UUID() const { return atributo("UUID"); }
    QString Get_FechaTimbrado() const { return atributo("FechaTimbrado"); }
    QString Get_RfcProvCertif() const { return atributo("RfcProvCertif"); }
    QString Get_Leyenda() const { return atributo("Leyenda"); }
    QString Get_SelloCFD() const { return atributo("SelloCFD"); }
    QString Get_NoCertificadoSAT() const { return atributo("NoCertificadoSAT"); }
    QString Get_SelloSAT() const { return atributo("SelloSAT"); }
    // Version 1.0 (UUID and FechaTimbrado are spelt as in 1.1).
    QString Get_version() const { return atributo("version"); }
    QString Get_selloCFD() const { return atributo("selloCFD"); }
    QString Get_noCertificadoSAT() const { return atributo("noCertificadoSAT"); }
    QString Get_selloSAT() const { return atributo("selloSAT"); }
};

// The stamp that is the document's root, or the element given. EXML when it
// is not a TimbreFiscalDigital.
COMUNES_EXPORT IXMLTimbreFiscalDigital GetTimbreFiscalDigital(const TDocumentoXML& documento);
COMUNES_EXPORT IXMLTimbreFiscalDigital GetTimbreFiscalDigital(const TNodoXML& nodo);
// Every stamp of a voucher (any version), in document order, from all of its
// Complemento elements.
COMUNES_EXPORT QList<IXMLTimbreFiscalDigital> deComprobante(const TNodoXML& comprobante);

} // namespace TimbreFiscalDigital
