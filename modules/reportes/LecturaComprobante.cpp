#include "LecturaComprobante.h"

#include "Cfdi.h"
#include "Constantes.h"
#include "ConsultaComprobantes.h"
#include "DocumentoXML.h"
#include "Reloj.h"

#include <QDateTime>

namespace {

// Version 3.2 spells its attributes in lower camel case ("subTotal"), 3.3
// and 4.0 in upper ("SubTotal"). Each is read only as its own version spells
// it: the other spelling is not covered by the seal, and reading it too would
// let an attribute added after sealing stand in for a sealed one.
QString valor(const TNodoXML& nodo, const char* nombre, bool minusculas)
{
    if (!minusculas)
        return nodo.atributo(nombre);
    QByteArray minuscula = nombre;
    minuscula[0] = char(QChar::toLower(uchar(minuscula.at(0))));
    return nodo.atributo(minuscula.constData());
}

QString fecha(const QString& iso)
{
    const QString texto = iso.trimmed();
    QDateTime t = QDateTime::fromString(texto, Qt::ISODate);
    // An hour the local clock skips into daylight saving parses as nothing.
    if (!t.isValid())
        t = Reloj::deReloj(QDate::fromString(texto.left(10), Qt::ISODate),
                           QTime::fromString(texto.mid(11, 8), Qt::ISODate));
    return t.isValid() ? t.toString(ConsultaComprobantes::FORMATO_FECHA + QStringLiteral(" HH:mm:ss")) : iso;
}

// 3.2 wrote the type as a word, later versions as a letter.
QString tipo(const QString& escrito)
{
    const QString t = escrito.trimmed();
    if (t.size() == 1)
        return ConsultaComprobantes::nombreTipo(t);
    return t.isEmpty() ? t : t.left(1).toUpper() + t.mid(1).toLower();
}

// The SAT's codes of the federal taxes (3.3 and 4.0); 3.2 wrote the name.
QString impuesto(const QString& escrito)
{
    if (escrito == QLatin1String("001"))
        return QStringLiteral("ISR");
    if (escrito == QLatin1String("002"))
        return QStringLiteral("IVA");
    if (escrito == QLatin1String("003"))
        return QStringLiteral("IEPS");
    return escrito;
}

TParteComprobante parte(const TNodoXML& nodo, bool minusculas)
{
    return {valor(nodo, "Rfc", minusculas).trimmed(), valor(nodo, "Nombre", minusculas).trimmed()};
}

} // namespace

namespace LecturaComprobante {

TVistaComprobante lee(const QByteArray& xml)
{
    const TNodoXML raiz = TDocumentoXML::desdeBytes(xml).raiz();
    if (!raiz.es(Cfdi::ESPACIO_CFDI3, "Comprobante") && !raiz.es(Cfdi::ESPACIO_CFDI4, "Comprobante"))
        throw EXML(QStringLiteral("El XML guardado no es un CFDI."));
    const bool minusculas = Cfdi::versionPorContenido(raiz) == Constantes::CFDI_32;
    const auto valor = [minusculas](const TNodoXML& nodo, const char* nombre) {
        return ::valor(nodo, nombre, minusculas);
    };
    TVistaComprobante v;
    v.version = valor(raiz, "Version");
    v.tipo = tipo(valor(raiz, "TipoDeComprobante"));
    v.serie = valor(raiz, "Serie");
    v.folio = valor(raiz, "Folio");
    v.fecha = fecha(valor(raiz, "Fecha"));
    v.moneda = valor(raiz, "Moneda");
    v.emisor = parte(raiz.hijoPropio("Emisor"), minusculas);
    v.receptor = parte(raiz.hijoPropio("Receptor"), minusculas);
    for (const TNodoXML& c : raiz.hijoPropio("Conceptos").hijosPropios("Concepto")) {
        // 3.3 and 4.0 give the SAT's unit key and, optionally, the emitter's
        // own name for it.
        QString unidad = valor(c, "Unidad");
        if (const QString clave = c.atributo("ClaveUnidad"); !clave.isEmpty())
            unidad = unidad.isEmpty() ? clave : clave + QStringLiteral(" - ") + unidad;
        v.lineas.append(
            {valor(c, "Cantidad"), unidad, valor(c, "Descripcion"), valor(c, "ValorUnitario"), valor(c, "Importe")});
    }
    const TNodoXML impuestos = raiz.hijoPropio("Impuestos");
    for (const TNodoXML& t : impuestos.hijoPropio("Traslados").hijosPropios("Traslado")) {
        const QString tasa = minusculas ? t.atributo("tasa") : t.atributo("TasaOCuota");
        v.impuestos.append({false, impuesto(valor(t, "Impuesto")), tasa, valor(t, "Importe")});
    }
    for (const TNodoXML& r : impuestos.hijoPropio("Retenciones").hijosPropios("Retencion"))
        v.impuestos.append({true, impuesto(valor(r, "Impuesto")), QString(), valor(r, "Importe")});
    v.subtotal = valor(raiz, "SubTotal");
    v.descuento = valor(raiz, "Descuento");
    v.trasladados = valor(impuestos, "TotalImpuestosTrasladados");
    v.retenidos = valor(impuestos, "TotalImpuestosRetenidos");
    v.total = valor(raiz, "Total");
    const TimbreFiscalDigital::IXMLTimbreFiscalDigital timbre = Cfdi::timbre(raiz);
    v.uuid = timbre.Get_UUID().trimmed();
    v.fechaTimbrado = fecha(timbre.Get_FechaTimbrado());
    // The stamp has versions of its own: 1.0 (no "Version") is spelt in lower
    // camel case whatever the voucher's version.
    v.certificadoSat = timbre.tieneAtributo("Version") ? timbre.Get_NoCertificadoSAT() : timbre.Get_noCertificadoSAT();
    return v;
}

} // namespace LecturaComprobante
