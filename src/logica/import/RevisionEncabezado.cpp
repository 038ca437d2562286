#include "RevisionEncabezado.h"

#include "Cfdi.h"
#include "Constantes.h"
#include "Errores.h"
#include "TDecimal.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

namespace RevisionEncabezado {

namespace {

struct TAtributo {
    const char* nombre;
    const char* descripcion; // what the user calls it, with its article
};

// The attributes of the Comprobante element the schema of each version
// requires, but the seal and certificate: the import stores neither, and
// checking the seal is the SAT's.
const QList<TAtributo>& requeridos(const QString& version)
{
    static const QList<TAtributo> v32{{"version", "la versión"},
                                      {"fecha", "la fecha de expedición"},
                                      {"subTotal", "el subtotal"},
                                      {"total", "el total"},
                                      {"tipoDeComprobante", "el tipo de comprobante"},
                                      {"formaDePago", "la forma de pago"},
                                      {"metodoDePago", "el método de pago"},
                                      {"LugarExpedicion", "el lugar de expedición"}};
    static const QList<TAtributo> v33{{"Version", "la versión"},
                                      {"Fecha", "la fecha de expedición"},
                                      {"SubTotal", "el subtotal"},
                                      {"Moneda", "la moneda"},
                                      {"Total", "el total"},
                                      {"TipoDeComprobante", "el tipo de comprobante"},
                                      {"LugarExpedicion", "el lugar de expedición"}};
    static const QList<TAtributo> v40 = v33 + QList<TAtributo>{{"Exportacion", "la clave de exportación"}};
    if (version == Constantes::CFDI_32)
        return v32;
    return version == Constantes::CFDI_40 ? v40 : v33;
}

QString capital(const char* descripcion)
{
    QString texto = QString::fromUtf8(descripcion);
    texto[0] = texto.at(0).toUpper();
    return texto;
}

// xs:decimal ("12", "-0.50", "+5", ".5"), blanks around it allowed (the
// schemas collapse white space), and, unless `negativo`, not below zero.
bool esImporte(const QString& valor, bool negativo)
{
    static const QRegularExpression decimal(QStringLiteral("^([+-]?)(?:(\\d+)(?:\\.(\\d*))?|\\.(\\d+))$"));
    const QRegularExpressionMatch partes = decimal.match(valor.trimmed());
    if (!partes.hasMatch())
        return false;
    if (negativo || partes.captured(1) != QLatin1String("-"))
        return true;
    // "-0.00" is zero, not a negative amount.
    static const QRegularExpression ceros(QStringLiteral("^0*$"));
    return ceros.match(partes.captured(2) + partes.captured(3) + partes.captured(4)).hasMatch();
}

bool esFecha(const QString& valor, bool conZona)
{
    static const QRegularExpression simple(QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})T(\\d{2}:\\d{2}:\\d{2})$"));
    static const QRegularExpression xsd(
        QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})T(\\d{2}:\\d{2}:\\d{2})(?:\\.\\d+)?(?:Z|[+-]\\d{2}:\\d{2})?$"));
    const QRegularExpressionMatch partes = (conZona ? xsd : simple).match(valor.trimmed());
    return partes.hasMatch() && QDate::fromString(partes.captured(1), QStringLiteral("yyyy-MM-dd")).isValid() &&
           QTime::fromString(partes.captured(2), QStringLiteral("HH:mm:ss")).isValid();
}

QString noEsImporte(const char* descripcion, const char* nombre, const QString& valor, bool negativo)
{
    return QStringLiteral("%1 del comprobante (atributo %2) vale \"%3\"; debe ser un importe decimal%4. "
                          "El comprobante no se guardó.")
        .arg(capital(descripcion), QString::fromLatin1(nombre), valor,
             negativo ? QString() : QStringLiteral(" no negativo"));
}

} // namespace

QString motivo(const TNodoXML& comprobante, const QString& version)
{
    const bool v32 = version == Constantes::CFDI_32;
    for (const TAtributo& atributo : requeridos(version)) {
        if (comprobante.atributo(atributo.nombre).trimmed().isEmpty())
            return QStringLiteral("Falta %1 del comprobante (atributo %2), que el esquema del SAT exige en un "
                                  "CFDI %3. El comprobante no se guardó.")
                .arg(QString::fromUtf8(atributo.descripcion), QString::fromLatin1(atributo.nombre), version);
    }

    // The type decides the category and the sign of every total; a value
    // the schema does not list was read as a credit note.
    const char* tipo = v32 ? "tipoDeComprobante" : "TipoDeComprobante";
    const QStringList tipos =
        v32 ? QStringList{QStringLiteral("ingreso"), QStringLiteral("egreso"), QStringLiteral("traslado")}
            : QStringList{QStringLiteral("I"), QStringLiteral("E"), QStringLiteral("T"), QStringLiteral("N"),
                          QStringLiteral("P")};
    if (const QString valor = comprobante.atributo(tipo); !tipos.contains(valor))
        return QStringLiteral("El tipo de comprobante (atributo %1) vale \"%2\"; el esquema del SAT admite solo %3 "
                              "en un CFDI %4. El comprobante no se guardó.")
            .arg(QString::fromLatin1(tipo), valor, tipos.join(QStringLiteral(", ")), version);

    const TAtributo importes32[] = {{"subTotal", "el subtotal"}, {"descuento", "el descuento"}, {"total", "el total"}};
    const TAtributo importes[] = {{"SubTotal", "el subtotal"},
                                  {"Descuento", "el descuento"},
                                  {"Total", "el total"},
                                  {"TipoCambio", "el tipo de cambio"}};
    for (const TAtributo& importe : v32 ? QList<TAtributo>(std::begin(importes32), std::end(importes32))
                                        : QList<TAtributo>(std::begin(importes), std::end(importes))) {
        const QString valor = comprobante.atributo(importe.nombre);
        // 3.2's t_Importe is any xs:decimal; 3.3 and 4.0 write no sign.
        if (!comprobante.tieneAtributo(importe.nombre))
            continue;
        if (!esImporte(valor, v32))
            return noEsImporte(importe.descripcion, importe.nombre, valor, v32);
        // Refused here, not when its records are written: by then the
        // business of a new issuer would have been made for nothing.
        // The amount's own reason (too many decimals, too many digits) is
        // the one the user can act on.
        try {
            TDecimal::desdeTexto(valor);
        } catch (const EConversion& e) {
            return QStringLiteral("%1 del comprobante (atributo %2) no se puede guardar. %3 El comprobante no se "
                                  "guardó.")
                .arg(capital(importe.descripcion), QString::fromLatin1(importe.nombre), e.mensaje());
        }
    }

    const char* fecha = v32 ? "fecha" : "Fecha";
    const QString valor = comprobante.atributo(fecha);
    if (!esFecha(valor, v32))
        return QStringLiteral("La fecha de expedición del comprobante (atributo %1) vale \"%2\"; el esquema del SAT "
                              "pide la forma aaaa-mm-ddThh:mm:ss%3. El comprobante no se guardó.")
            .arg(QString::fromLatin1(fecha), valor,
                 v32 ? QString() : QStringLiteral(", sin zona horaria ni fracciones de segundo"));

    // The stamp's date is the voucher's date of record. Stamp 1.0 (with
    // 3.2) writes xs:dateTime; 1.1 (Version) the form without zone.
    const TimbreFiscalDigital::IXMLTimbreFiscalDigital timbre = Cfdi::timbre(comprobante);
    const QString timbrado = timbre.Get_FechaTimbrado();
    const bool timbre10 = !timbre.tieneAtributo("Version");
    if (timbrado.trimmed().isEmpty())
        return QStringLiteral("Falta la fecha del timbre fiscal (atributo FechaTimbrado del TimbreFiscalDigital), "
                              "que el esquema del SAT exige. El comprobante no se guardó.");
    if (!esFecha(timbrado, timbre10))
        return QStringLiteral("La fecha del timbre fiscal (atributo FechaTimbrado del TimbreFiscalDigital) vale "
                              "\"%1\"; el esquema del SAT pide la forma aaaa-mm-ddThh:mm:ss%2. El comprobante no "
                              "se guardó.")
            .arg(timbrado, timbre10 ? QString() : QStringLiteral(", sin zona horaria ni fracciones de segundo"));
    return {};
}

} // namespace RevisionEncabezado
