#include "Cfdi.h"

#include "Cfdv32.h"
#include "Cfdv33.h"
#include "Cfdv40.h"
#include "Constantes.h"
#include "Donat11.h"
#include "Implocal.h"
#include "Nomina12.h"
#include "TimbreFiscalDigital.h"

#include <QRegularExpression>

using Constantes::CFDI_32;
using Constantes::CFDI_33;
using Constantes::CFDI_40;

namespace Cfdi {

QList<TNodoXML> complementos(const TNodoXML& comprobante, const char* espacio, const char* nombreLocal)
{
    QList<TNodoXML> resultado;
    for (const TNodoXML& complemento : comprobante.hijosPropios("Complemento"))
        resultado.append(complemento.hijos(espacio, nombreLocal));
    return resultado;
}

TNodoXML exigeElemento(const TNodoXML& nodo, const char* espacio, const char* nombreLocal)
{
    if (nodo.es(espacio, nombreLocal))
        return nodo;
    const QString esperado =
        QStringLiteral("el elemento %1 de %2").arg(QString::fromUtf8(nombreLocal), QString::fromUtf8(espacio));
    if (!nodo)
        throw EXML(QStringLiteral("Se esperaba %1 y no hay ninguno.").arg(esperado));
    const QString hallado =
        nodo.espacio().isEmpty() ? nodo.nombre() : nodo.nombre() + QStringLiteral(" de ") + nodo.espacio();
    throw EXML(QStringLiteral("Se esperaba %1 y se encontró %2.").arg(esperado, hallado));
}

QString versionPorUbicacion(const TDocumentoXML& documento)
{
    const QByteArray bytes = documento.bytes();
    const TNodoXML raiz = documento.raiz();
    QString version;
    if (bytes.contains(UBICACION_CFDV32) && raiz.es(ESPACIO_CFDI3, "Comprobante"))
        version = CFDI_32;
    if (bytes.contains(UBICACION_CFDV33) && raiz.es(ESPACIO_CFDI3, "Comprobante"))
        version = CFDI_33;
    if (bytes.contains(UBICACION_CFDV40) && raiz.es(ESPACIO_CFDI4, "Comprobante"))
        version = CFDI_40;
    return version;
}

QString versionPorContenido(const TNodoXML& raiz)
{
    if (raiz.es(ESPACIO_CFDI4, "Comprobante") && raiz.atributo("Version").trimmed() == CFDI_40)
        return CFDI_40;
    if (raiz.es(ESPACIO_CFDI3, "Comprobante")) {
        if (raiz.atributo("Version").trimmed() == CFDI_33)
            return CFDI_33;
        if (raiz.atributo("version").trimmed() == CFDI_32)
            return CFDI_32;
    }
    return {};
}

TimbreFiscalDigital::IXMLTimbreFiscalDigital timbre(const TNodoXML& comprobante)
{
    const QList<TimbreFiscalDigital::IXMLTimbreFiscalDigital> timbres = TimbreFiscalDigital::deComprobante(comprobante);
    return timbres.isEmpty() ? TimbreFiscalDigital::IXMLTimbreFiscalDigital() : timbres.last();
}

QString uuid(const TNodoXML& comprobante)
{
    return timbre(comprobante).Get_UUID().trimmed();
}

QString rfcEmisor(const TNodoXML& comprobante, const QString& version)
{
    return comprobante.hijoPropio("Emisor").atributo(version == CFDI_32 ? "rfc" : "Rfc").trimmed();
}

bool rfcValido(const QString& rfc)
{
    // Both cases spelled out, not a caseless match: Unicode case folding
    // takes "ſ" for "s" and the Kelvin sign for "k", and the RFC upper-cased
    // afterwards would file the voucher under another business.
    static const QRegularExpression forma(QStringLiteral("^[A-Za-zÑñ&]{3,4}[0-9]{6}[A-Za-z0-9]{3}$"));
    return forma.match(rfc).hasMatch();
}

bool uuidValido(const QString& uuid)
{
    static const QRegularExpression forma(
        QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"),
        QRegularExpression::CaseInsensitiveOption);
    return forma.match(uuid).hasMatch();
}

} // namespace Cfdi

namespace Cfdv32 {

IXMLComprobante GetComprobante(const TDocumentoXML& documento)
{
    return IXMLComprobante(Cfdi::exigeElemento(documento.raiz(), Cfdi::ESPACIO_CFDI3, "Comprobante"));
}

IXMLComprobante LoadComprobante(const QString& archivo)
{
    return GetComprobante(TDocumentoXML::desdeArchivo(archivo));
}

} // namespace Cfdv32

namespace Cfdv33 {

IXMLComprobante GetComprobante(const TDocumentoXML& documento)
{
    return IXMLComprobante(Cfdi::exigeElemento(documento.raiz(), Cfdi::ESPACIO_CFDI3, "Comprobante"));
}

} // namespace Cfdv33

namespace Cfdv40 {

IXMLComprobante GetComprobante(const TDocumentoXML& documento)
{
    return IXMLComprobante(Cfdi::exigeElemento(documento.raiz(), Cfdi::ESPACIO_CFDI4, "Comprobante"));
}

} // namespace Cfdv40

namespace TimbreFiscalDigital {
VELKOR_ENTRADAS_COMPLEMENTO(IXMLTimbreFiscalDigital, GetTimbreFiscalDigital, ESPACIO, "TimbreFiscalDigital")
}

namespace Nomina12 {
VELKOR_ENTRADAS_COMPLEMENTO(IXMLNomina, GetNomina, ESPACIO, "Nomina")
}

namespace Implocal {
VELKOR_ENTRADAS_COMPLEMENTO(IXMLImpuestosLocales, GetImpuestosLocales, ESPACIO, "ImpuestosLocales")
}

namespace Donat11 {
VELKOR_ENTRADAS_COMPLEMENTO(IXMLDonatarias, GetDonatarias, ESPACIO, "Donatarias")
}
