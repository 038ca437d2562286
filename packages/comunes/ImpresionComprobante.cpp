#include "ImpresionComprobante.h"

#include "Cfdi.h"
#include "Cfdv32.h"
#include "Cfdv33.h"
#include "Cfdv40.h"
#include "Constantes.h"
#include "DocumentoXML.h"
#include "Donat11.h"
#include "Errores.h"
#include "FormatoImporte.h"
#include "Implocal.h"
#include "Nomina12.h"
#include "TiposComprobante.h"
#include "TimbreFiscalDigital.h"

#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryFile>
#include <QTextLayout>
#include <QUrl>

#include <qrencode.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <type_traits>
#include <unistd.h>

namespace ImpresionComprobante {

namespace {

// ---------------------------------------------------------------------------
// What is printed, read once from the XML whatever its version.

struct TPar {
    QString etiqueta;
    QString valor;
};

struct TImpuesto {
    QString clase; // "Traslado", "Retención", "Traslado local", "Retención local"
    QString impuesto;
    QString factor;
    QString tasa;
    QString base;
    QString importe;
};

struct TLinea {
    QStringList celdas;
    // Taxes, parts, customs entries...: one small line under the row.
    QString detalle;
};

struct TTabla {
    QString titulo;
    QStringList columnas;
    QList<qreal> anchos; // fractions of the width
    QList<bool> derecha;
    QList<TLinea> filas;
    QList<TPar> pie; // totals under the table, right-aligned
};

struct TSeccion {
    QString titulo;
    QList<TPar> pares;
    QList<TTabla> tablas;
};

struct TModelo {
    QString version;
    QString tipo;
    QString serieFolio;
    QString uuid;
    QString nombreEmisor;
    QString rfcEmisor;
    QList<TPar> emisor;
    QList<TPar> receptor;
    QList<TPar> comprobante;
    QList<TPar> pago;
    TSeccion relacionados;
    TTabla conceptos;
    TTabla impuestos;
    QList<TPar> totales;
    QString letra;
    QList<TSeccion> complementos;
    QList<TPar> timbre;
    QList<TPar> sellos; // long texts: seals and the stamp's cadena original
    QString qr;
    QString verificacion;
};

QString importe(const QString& texto)
{
    TDecimal d;
    return TDecimal::intenta(texto, d) ? FormatoImporte::conMiles(d) : texto.trimmed();
}

QString pesos(const QString& texto)
{
    TDecimal d;
    return TDecimal::intenta(texto, d) ? FormatoImporte::pesos(d) : texto.trimmed();
}

void agrega(QList<TPar>& pares, const QString& etiqueta, const QString& valor)
{
    if (!valor.trimmed().isEmpty())
        pares.append({etiqueta, valor.trimmed()});
}

QString une(const QStringList& partes, const QString& separador = QStringLiteral(", "))
{
    QStringList llenas;
    for (const QString& p : partes)
        if (!p.trimmed().isEmpty())
            llenas << p.trimmed();
    return llenas.join(separador);
}

QString nombreImpuesto(const QString& clave)
{
    static const QHash<QString, QString> nombres{{QStringLiteral("001"), QStringLiteral("ISR")},
                                                 {QStringLiteral("002"), QStringLiteral("IVA")},
                                                 {QStringLiteral("003"), QStringLiteral("IEPS")}};
    const QString nombre = nombres.value(clave.trimmed());
    return nombre.isEmpty() ? clave.trimmed() : clave.trimmed() + QLatin1Char(' ') + nombre;
}

// 3.2 writes the type as a word; the later versions as the SAT's letter.
QString tipoComprobante(const QString& valor)
{
    static const QHash<QString, QString> letras{{QStringLiteral("ingreso"), QStringLiteral("I")},
                                                {QStringLiteral("egreso"), QStringLiteral("E")},
                                                {QStringLiteral("traslado"), QStringLiteral("T")}};
    const QString letra = letras.value(valor.trimmed().toLower(), valor.trimmed());
    const QString nombre = TiposComprobante::nombre(letra);
    return nombre == letra ? valor.trimmed() : nombre;
}

QString direccion32(const Cfdv32::IXMLT_Ubicacion& u)
{
    if (!u.existe())
        return {};
    QString calle = une({u.Get_calle(), u.Get_noExterior()}, QStringLiteral(" "));
    if (!u.Get_noInterior().trimmed().isEmpty())
        calle = une({calle, QStringLiteral("int. ") + u.Get_noInterior()}, QStringLiteral(" "));
    const QString cp =
        u.Get_codigoPostal().trimmed().isEmpty() ? QString() : QStringLiteral("C.P. ") + u.Get_codigoPostal();
    return une({calle, u.Get_colonia(), u.Get_localidad(), u.Get_referencia(), u.Get_municipio(), u.Get_estado(),
                u.Get_pais(), cp});
}

QString detalleImpuestos(const QList<TImpuesto>& impuestos)
{
    QStringList partes;
    for (const TImpuesto& i : impuestos)
        partes << une({i.clase, i.impuesto, i.factor, i.tasa,
                       i.base.isEmpty() ? QString() : QStringLiteral("base ") + importe(i.base),
                       i.importe.isEmpty() ? QString() : QStringLiteral("importe ") + importe(i.importe)},
                      QStringLiteral(" "));
    return partes.join(QStringLiteral("; "));
}

TTabla tablaConceptos()
{
    TTabla t;
    t.titulo = QStringLiteral("Conceptos");
    t.columnas = {QStringLiteral("Clave"),       QStringLiteral("No. identificación"),
                  QStringLiteral("Cantidad"),    QStringLiteral("Unidad"),
                  QStringLiteral("Descripción"), QStringLiteral("Valor unitario"),
                  QStringLiteral("Descuento"),   QStringLiteral("Importe")};
    t.anchos = {0.09, 0.12, 0.08, 0.10, 0.28, 0.12, 0.09, 0.12};
    t.derecha = {false, false, true, false, false, true, true, true};
    return t;
}

TTabla tablaImpuestos()
{
    TTabla t;
    t.titulo = QStringLiteral("Impuestos");
    t.columnas = {QStringLiteral("Tipo"),         QStringLiteral("Impuesto"), QStringLiteral("Tipo factor"),
                  QStringLiteral("Tasa o cuota"), QStringLiteral("Base"),     QStringLiteral("Importe")};
    t.anchos = {0.18, 0.22, 0.14, 0.14, 0.16, 0.16};
    t.derecha = {false, false, false, true, true, true};
    return t;
}

// A payroll receipt's deductions and other payments: type, key, concept and
// amount each.
TTabla tablaDeConceptos(const QString& titulo)
{
    TTabla t;
    t.titulo = titulo;
    t.columnas = {QStringLiteral("Tipo"), QStringLiteral("Clave"), QStringLiteral("Concepto"),
                  QStringLiteral("Importe")};
    t.anchos = {0.10, 0.12, 0.63, 0.15};
    t.derecha = {false, false, false, true};
    return t;
}

void agregaImpuesto(TTabla& t, const TImpuesto& i)
{
    t.filas.append(
        {{i.clase, i.impuesto, i.factor, i.tasa, i.base.isEmpty() ? QString() : importe(i.base), importe(i.importe)},
         {}});
}

// The stamp's cadena original as the SAT's transform for the stamp builds
// it: every present value, white space normalised, between pipes.
QString cadenaTimbre(const TimbreFiscalDigital::IXMLTimbreFiscalDigital& t)
{
    const bool v10 = !t.tieneAtributo("Version");
    QStringList valores;
    if (v10)
        valores = {t.Get_version(), t.Get_UUID(), t.Get_FechaTimbrado(), t.Get_selloCFD(), t.Get_noCertificadoSAT()};
    else
        valores = {t.Get_Version(), t.Get_UUID(),     t.Get_FechaTimbrado(),   t.Get_RfcProvCertif(),
                   t.Get_Leyenda(), t.Get_SelloCFD(), t.Get_NoCertificadoSAT()};
    QString cadena = QStringLiteral("|");
    for (const QString& v : valores)
        if (!v.simplified().isEmpty())
            cadena += QLatin1Char('|') + v.simplified();
    return cadena + QStringLiteral("||");
}

void leeTimbre(TModelo& m, const TNodoXML& raiz, const QString& noCertificado)
{
    const TimbreFiscalDigital::IXMLTimbreFiscalDigital t = Cfdi::timbre(raiz);
    if (!t.existe())
        return;
    const bool v10 = !t.tieneAtributo("Version");
    m.uuid = t.Get_UUID().trimmed();
    agrega(m.timbre, QStringLiteral("Folio fiscal"), m.uuid);
    agrega(m.timbre, QStringLiteral("Fecha de certificación"), t.Get_FechaTimbrado());
    agrega(m.timbre, QStringLiteral("RFC del proveedor de certificación"), t.Get_RfcProvCertif());
    agrega(m.timbre, QStringLiteral("No. de certificado del SAT"),
           v10 ? t.Get_noCertificadoSAT() : t.Get_NoCertificadoSAT());
    agrega(m.timbre, QStringLiteral("No. de certificado del emisor"), noCertificado);
    agrega(m.timbre, QStringLiteral("Leyenda"), t.Get_Leyenda());
    agrega(m.sellos, QStringLiteral("Sello digital del CFDI"), v10 ? t.Get_selloCFD() : t.Get_SelloCFD());
    agrega(m.sellos, QStringLiteral("Sello digital del SAT"), v10 ? t.Get_selloSAT() : t.Get_SelloSAT());
    m.sellos.append(
        {QStringLiteral("Cadena original del complemento de certificación digital del SAT"), cadenaTimbre(t)});
}

void leeImpuestosLocales(TModelo& m, const TNodoXML& raiz, QList<TPar>& totales)
{
    for (const Implocal::IXMLImpuestosLocales& l : Implocal::deComprobante(raiz)) {
        const auto traslados = l.Get_TrasladosLocales();
        for (int i = 0; i < traslados.Count(); ++i) {
            const auto t = traslados.Get_TrasladosLocales(i);
            agregaImpuesto(m.impuestos, {QStringLiteral("Traslado local"), t.Get_ImpLocTrasladado(), QString(),
                                         t.Get_TasadeTraslado(), QString(), t.Get_Importe()});
        }
        const auto retenciones = l.Get_RetencionesLocales();
        for (int i = 0; i < retenciones.Count(); ++i) {
            const auto r = retenciones.Get_RetencionesLocales(i);
            agregaImpuesto(m.impuestos, {QStringLiteral("Retención local"), r.Get_ImpLocRetenido(), QString(),
                                         r.Get_TasadeRetencion(), QString(), r.Get_Importe()});
        }
        agrega(totales, QStringLiteral("Traslados locales"), pesos(l.Get_TotaldeTraslados()));
        agrega(totales, QStringLiteral("Retenciones locales"), pesos(l.Get_TotaldeRetenciones()));
    }
}

void leeNomina12(TModelo& m, const TNodoXML& raiz)
{
    for (const Nomina12::IXMLNomina& n : Nomina12::deComprobante(raiz)) {
        TSeccion s;
        s.titulo = QStringLiteral("Recibo de nómina");
        const auto e = n.Get_Emisor();
        const auto r = n.Get_Receptor();
        agrega(s.pares, QStringLiteral("Tipo de nómina"), n.Get_TipoNomina());
        agrega(s.pares, QStringLiteral("Fecha de pago"), n.Get_FechaPago());
        agrega(s.pares, QStringLiteral("Periodo"),
               une({n.Get_FechaInicialPago(), n.Get_FechaFinalPago()}, QStringLiteral(" al ")));
        agrega(s.pares, QStringLiteral("Días pagados"), n.Get_NumDiasPagados());
        agrega(s.pares, QStringLiteral("Registro patronal"), e.Get_RegistroPatronal());
        agrega(s.pares, QStringLiteral("CURP del patrón"), e.Get_Curp());
        agrega(s.pares, QStringLiteral("RFC del patrón de origen"), e.Get_RfcPatronOrigen());
        agrega(s.pares, QStringLiteral("Origen del recurso"), e.Get_EntidadSNCF().Get_OrigenRecurso());
        agrega(s.pares, QStringLiteral("No. de empleado"), r.Get_NumEmpleado());
        agrega(s.pares, QStringLiteral("CURP"), r.Get_Curp());
        agrega(s.pares, QStringLiteral("No. de seguridad social"), r.Get_NumSeguridadSocial());
        agrega(s.pares, QStringLiteral("Departamento"), r.Get_Departamento());
        agrega(s.pares, QStringLiteral("Puesto"), r.Get_Puesto());
        agrega(s.pares, QStringLiteral("Inicio de la relación laboral"), r.Get_FechaInicioRelLaboral());
        agrega(s.pares, QStringLiteral("Antigüedad"), r.Get_Antiguedad());
        agrega(s.pares, QStringLiteral("Tipo de contrato"), r.Get_TipoContrato());
        agrega(s.pares, QStringLiteral("Sindicalizado"), r.Get_Sindicalizado());
        agrega(s.pares, QStringLiteral("Tipo de jornada"), r.Get_TipoJornada());
        agrega(s.pares, QStringLiteral("Tipo de régimen"), r.Get_TipoRegimen());
        agrega(s.pares, QStringLiteral("Riesgo del puesto"), r.Get_RiesgoPuesto());
        agrega(s.pares, QStringLiteral("Periodicidad del pago"), r.Get_PeriodicidadPago());
        agrega(s.pares, QStringLiteral("Banco"), r.Get_Banco());
        agrega(s.pares, QStringLiteral("Cuenta bancaria"), r.Get_CuentaBancaria());
        agrega(s.pares, QStringLiteral("Salario base de cotización"), importe(r.Get_SalarioBaseCotApor()));
        agrega(s.pares, QStringLiteral("Salario diario integrado"), importe(r.Get_SalarioDiarioIntegrado()));
        agrega(s.pares, QStringLiteral("Entidad federativa"), r.Get_ClaveEntFed());
        const auto sub = r.Get_SubContratacion();
        for (int i = 0; i < sub.Count(); ++i)
            agrega(s.pares, QStringLiteral("Subcontratación"),
                   une({sub.Get_SubContratacion(i).Get_RfcLabora(),
                        sub.Get_SubContratacion(i).Get_PorcentajeTiempo() + QStringLiteral(" %")},
                       QStringLiteral(" ")));

        const auto p = n.Get_Percepciones();
        if (p.existe()) {
            TTabla t;
            t.titulo = QStringLiteral("Percepciones");
            t.columnas = {QStringLiteral("Tipo"), QStringLiteral("Clave"), QStringLiteral("Concepto"),
                          QStringLiteral("Gravado"), QStringLiteral("Exento")};
            t.anchos = {0.10, 0.12, 0.48, 0.15, 0.15};
            t.derecha = {false, false, false, true, true};
            for (int i = 0; i < p.Count(); ++i) {
                const auto x = p.Get_Percepcion(i);
                QStringList horas;
                const auto he = x.Get_HorasExtra();
                for (int h = 0; h < he.Count(); ++h)
                    horas << QStringLiteral("Horas extra: %1 días, %2 horas %3, pagado %4")
                                 .arg(he.Get_HorasExtra(h).atributo("Dias"),
                                      he.Get_HorasExtra(h).atributo("HorasExtra"), he.Get_HorasExtra(h).Get_TipoHoras(),
                                      importe(he.Get_HorasExtra(h).Get_ImportePagado()));
                t.filas.append({{x.Get_TipoPercepcion(), x.Get_Clave(), x.Get_Concepto(),
                                 importe(x.Get_ImporteGravado()), importe(x.Get_ImporteExento())},
                                horas.join(QStringLiteral("; "))});
            }
            agrega(t.pie, QStringLiteral("Total sueldos"), importe(p.Get_TotalSueldos()));
            agrega(t.pie, QStringLiteral("Total separación o indemnización"),
                   importe(p.Get_TotalSeparacionIndemnizacion()));
            agrega(t.pie, QStringLiteral("Total jubilación, pensión o retiro"),
                   importe(p.Get_TotalJubilacionPensionRetiro()));
            agrega(t.pie, QStringLiteral("Total gravado"), importe(p.Get_TotalGravado()));
            agrega(t.pie, QStringLiteral("Total exento"), importe(p.Get_TotalExento()));
            s.tablas.append(t);
        }
        const auto d = n.Get_Deducciones();
        if (d.existe()) {
            TTabla t = tablaDeConceptos(QStringLiteral("Deducciones"));
            for (int i = 0; i < d.Count(); ++i) {
                const auto x = d.Get_Deduccion(i);
                t.filas.append(
                    {{x.Get_TipoDeduccion(), x.Get_Clave(), x.Get_Concepto(), importe(x.Get_Importe())}, {}});
            }
            agrega(t.pie, QStringLiteral("Total otras deducciones"), importe(d.Get_TotalOtrasDeducciones()));
            agrega(t.pie, QStringLiteral("Total impuestos retenidos"), importe(d.Get_TotalImpuestosRetenidos()));
            s.tablas.append(t);
        }
        const auto o = n.Get_OtrosPagos();
        if (o.existe()) {
            TTabla t = tablaDeConceptos(QStringLiteral("Otros pagos"));
            for (int i = 0; i < o.Count(); ++i) {
                const auto x = o.Get_OtroPago(i);
                QStringList detalle;
                if (x.Get_SubsidioAlEmpleo().existe())
                    detalle << QStringLiteral("Subsidio causado ") +
                                   importe(x.Get_SubsidioAlEmpleo().Get_SubsidioCausado());
                const auto c = x.Get_CompensacionSaldosAFavor();
                if (c.existe())
                    detalle << QStringLiteral("Compensación de saldo a favor %1 del año %2, remanente %3")
                                   .arg(importe(c.Get_SaldoAFavor()), c.atributo("Año"),
                                        importe(c.Get_RemanenteSalFav()));
                t.filas.append({{x.Get_TipoOtroPago(), x.Get_Clave(), x.Get_Concepto(), importe(x.Get_Importe())},
                                detalle.join(QStringLiteral("; "))});
            }
            s.tablas.append(t);
        }
        const auto inc = n.Get_Incapacidades();
        if (inc.existe()) {
            TTabla t;
            t.titulo = QStringLiteral("Incapacidades");
            t.columnas = {QStringLiteral("Días"), QStringLiteral("Tipo"), QStringLiteral("Importe")};
            t.anchos = {0.2, 0.5, 0.3};
            t.derecha = {true, false, true};
            for (int i = 0; i < inc.Count(); ++i) {
                const auto x = inc.Get_Incapacidad(i);
                t.filas.append(
                    {{x.atributo("DiasIncapacidad"), x.Get_TipoIncapacidad(), importe(x.Get_ImporteMonetario())}, {}});
            }
            s.tablas.append(t);
        }
        TTabla totales;
        agrega(totales.pie, QStringLiteral("Total percepciones"), importe(n.Get_TotalPercepciones()));
        agrega(totales.pie, QStringLiteral("Total deducciones"), importe(n.Get_TotalDeducciones()));
        agrega(totales.pie, QStringLiteral("Total otros pagos"), importe(n.Get_TotalOtrosPagos()));
        if (!totales.pie.isEmpty())
            s.tablas.append(totales);
        m.complementos.append(s);
    }
}

// Payroll 1.1 (vouchers 3.2) has no binding of its own: its attributes are
// read from the plain element views.
void leeNomina11(TModelo& m, const TNodoXML& raiz)
{
    static constexpr char ESPACIO[] = "http://www.sat.gob.mx/nomina";
    for (const TNodoXML& n : Cfdi::complementos(raiz, ESPACIO, "Nomina")) {
        TSeccion s;
        s.titulo = QStringLiteral("Recibo de nómina");
        agrega(s.pares, QStringLiteral("Fecha de pago"), n.atributo("FechaPago"));
        agrega(s.pares, QStringLiteral("Periodo"),
               une({n.atributo("FechaInicialPago"), n.atributo("FechaFinalPago")}, QStringLiteral(" al ")));
        agrega(s.pares, QStringLiteral("Días pagados"), n.atributo("NumDiasPagados"));
        agrega(s.pares, QStringLiteral("Registro patronal"), n.atributo("RegistroPatronal"));
        agrega(s.pares, QStringLiteral("No. de empleado"), n.atributo("NumEmpleado"));
        agrega(s.pares, QStringLiteral("CURP"), n.atributo("CURP"));
        agrega(s.pares, QStringLiteral("No. de seguridad social"), n.atributo("NumSeguridadSocial"));
        agrega(s.pares, QStringLiteral("Departamento"), n.atributo("Departamento"));
        agrega(s.pares, QStringLiteral("Puesto"), n.atributo("Puesto"));
        agrega(s.pares, QStringLiteral("Inicio de la relación laboral"), n.atributo("FechaInicioRelLaboral"));
        agrega(s.pares, QStringLiteral("Antigüedad"), n.atributo("Antiguedad"));
        agrega(s.pares, QStringLiteral("Tipo de contrato"), n.atributo("TipoContrato"));
        agrega(s.pares, QStringLiteral("Tipo de jornada"), n.atributo("TipoJornada"));
        agrega(s.pares, QStringLiteral("Tipo de régimen"), n.atributo("TipoRegimen"));
        agrega(s.pares, QStringLiteral("Riesgo del puesto"), n.atributo("RiesgoPuesto"));
        agrega(s.pares, QStringLiteral("Periodicidad del pago"), n.atributo("PeriodicidadPago"));
        agrega(s.pares, QStringLiteral("Banco"), n.atributo("Banco"));
        agrega(s.pares, QStringLiteral("CLABE"), n.atributo("CLABE"));
        agrega(s.pares, QStringLiteral("Salario base de cotización"), importe(n.atributo("SalarioBaseCotApor")));
        agrega(s.pares, QStringLiteral("Salario diario integrado"), importe(n.atributo("SalarioDiarioIntegrado")));
        for (const char* lista : {"Percepciones", "Deducciones"}) {
            const TNodoXML l = n.hijoPropio(lista);
            if (!l.existe())
                continue;
            const bool percepcion = qstrcmp(lista, "Percepciones") == 0;
            TTabla t;
            t.titulo = percepcion ? QStringLiteral("Percepciones") : QStringLiteral("Deducciones");
            t.columnas = {QStringLiteral("Tipo"), QStringLiteral("Clave"), QStringLiteral("Concepto"),
                          QStringLiteral("Gravado"), QStringLiteral("Exento")};
            t.anchos = {0.10, 0.12, 0.48, 0.15, 0.15};
            t.derecha = {false, false, false, true, true};
            for (const TNodoXML& x : l.hijosPropios(percepcion ? "Percepcion" : "Deduccion"))
                t.filas.append({{x.atributo(percepcion ? "TipoPercepcion" : "TipoDeduccion"), x.atributo("Clave"),
                                 x.atributo("Concepto"), importe(x.atributo("ImporteGravado")),
                                 importe(x.atributo("ImporteExento"))},
                                {}});
            agrega(t.pie, QStringLiteral("Total gravado"), importe(l.atributo("TotalGravado")));
            agrega(t.pie, QStringLiteral("Total exento"), importe(l.atributo("TotalExento")));
            s.tablas.append(t);
        }
        const TNodoXML inc = n.hijoPropio("Incapacidades");
        if (inc.existe()) {
            TTabla t;
            t.titulo = QStringLiteral("Incapacidades");
            t.columnas = {QStringLiteral("Días"), QStringLiteral("Tipo"), QStringLiteral("Descuento")};
            t.anchos = {0.2, 0.5, 0.3};
            t.derecha = {true, false, true};
            for (const TNodoXML& x : inc.hijosPropios("Incapacidad"))
                t.filas.append(
                    {{x.atributo("DiasIncapacidad"), x.atributo("TipoIncapacidad"), importe(x.atributo("Descuento"))},
                     {}});
            s.tablas.append(t);
        }
        m.complementos.append(s);
    }
}

void leeDonatarias(TModelo& m, const TNodoXML& raiz)
{
    for (const Donat11::IXMLDonatarias& d : Donat11::deComprobante(raiz)) {
        TSeccion s;
        s.titulo = QStringLiteral("Donataria autorizada");
        agrega(s.pares, QStringLiteral("No. de autorización"), d.Get_noAutorizacion());
        agrega(s.pares, QStringLiteral("Fecha de autorización"), d.Get_fechaAutorizacion());
        agrega(s.pares, QStringLiteral("Leyenda"), d.Get_leyenda());
        m.complementos.append(s);
    }
}

void leeComunes(TModelo& m, const TNodoXML& raiz)
{
    leeNomina12(m, raiz);
    leeNomina11(m, raiz);
    leeDonatarias(m, raiz);
}

// Lines of 3.3 and 4.0: the same attributes, 4.0 adds its own few.
template <class Concepto> TLinea linea33(const Concepto& c, const QStringList& extras)
{
    QList<TImpuesto> impuestos;
    const auto traslados = c.Get_Impuestos().Get_Traslados();
    for (int i = 0; i < traslados.Count(); ++i) {
        const auto t = traslados.Get_Traslado(i);
        impuestos.append({QStringLiteral("Traslado"), nombreImpuesto(t.Get_Impuesto()), t.Get_TipoFactor(),
                          t.Get_TasaOCuota(), t.Get_Base(), t.Get_Importe()});
    }
    const auto retenciones = c.Get_Impuestos().Get_Retenciones();
    for (int i = 0; i < retenciones.Count(); ++i) {
        const auto r = retenciones.Get_Retencion(i);
        impuestos.append({QStringLiteral("Retención"), nombreImpuesto(r.Get_Impuesto()), r.Get_TipoFactor(),
                          r.Get_TasaOCuota(), r.Get_Base(), r.Get_Importe()});
    }
    QStringList detalle = extras;
    const QString textoImpuestos = detalleImpuestos(impuestos);
    if (!textoImpuestos.isEmpty())
        detalle.prepend(textoImpuestos);
    const auto aduana = c.Get_InformacionAduanera();
    for (int i = 0; i < aduana.Count(); ++i)
        detalle << QStringLiteral("Pedimento ") + aduana.Get_InformacionAduanera(i).Get_NumeroPedimento();
    const auto partes = c.Get_Parte();
    for (int i = 0; i < partes.Count(); ++i) {
        const auto p = partes.Get_Parte(i);
        detalle << une({QStringLiteral("Parte:"), p.Get_ClaveProdServ(), p.Get_NoIdentificacion(), p.Get_Cantidad(),
                        p.Get_Unidad(), p.Get_Descripcion(),
                        p.Get_Importe().isEmpty() ? QString() : QStringLiteral("importe ") + importe(p.Get_Importe())},
                       QStringLiteral(" "));
    }
    return {{c.Get_ClaveProdServ(), c.Get_NoIdentificacion(), importe(c.Get_Cantidad()),
             une({c.Get_ClaveUnidad(), c.Get_Unidad()}, QStringLiteral(" ")), c.Get_Descripcion(),
             importe(c.Get_ValorUnitario()), importe(c.Get_Descuento()), importe(c.Get_Importe())},
            detalle.join(QStringLiteral(" · "))};
}

// What 3.3 and 4.0 share at the voucher level.
template <class Comprobante> void leeComprobante33(TModelo& m, const Comprobante& c)
{
    m.tipo = tipoComprobante(c.Get_TipoDeComprobante());
    m.serieFolio = une({c.Get_Serie(), c.Get_Folio()}, QStringLiteral(" "));
    agrega(m.comprobante, QStringLiteral("Tipo de comprobante"),
           une({c.Get_TipoDeComprobante(), m.tipo}, QStringLiteral(" - ")));
    agrega(m.comprobante, QStringLiteral("Versión"), c.Get_Version());
    agrega(m.comprobante, QStringLiteral("Serie"), c.Get_Serie());
    agrega(m.comprobante, QStringLiteral("Folio"), c.Get_Folio());
    agrega(m.comprobante, QStringLiteral("Fecha de emisión"), c.Get_Fecha());
    agrega(m.comprobante, QStringLiteral("Lugar de expedición"), c.Get_LugarExpedicion());
    agrega(m.comprobante, QStringLiteral("Confirmación"), c.Get_Confirmacion());
    agrega(m.pago, QStringLiteral("Forma de pago"), c.Get_FormaPago());
    agrega(m.pago, QStringLiteral("Método de pago"), c.Get_MetodoPago());
    agrega(m.pago, QStringLiteral("Condiciones de pago"), c.Get_CondicionesDePago());
    agrega(m.pago, QStringLiteral("Moneda"), c.Get_Moneda());
    agrega(m.pago, QStringLiteral("Tipo de cambio"), c.Get_TipoCambio());

    const auto impuestos = c.Get_Impuestos();
    const auto traslados = impuestos.Get_Traslados();
    for (int i = 0; i < traslados.Count(); ++i) {
        const auto t = traslados.Get_Traslado(i);
        agregaImpuesto(m.impuestos, {QStringLiteral("Traslado"), nombreImpuesto(t.Get_Impuesto()), t.Get_TipoFactor(),
                                     t.Get_TasaOCuota(), t.atributo("Base"), t.Get_Importe()});
    }
    const auto retenciones = impuestos.Get_Retenciones();
    for (int i = 0; i < retenciones.Count(); ++i) {
        const auto r = retenciones.Get_Retencion(i);
        agregaImpuesto(m.impuestos, {QStringLiteral("Retención"), nombreImpuesto(r.Get_Impuesto()), QString(),
                                     QString(), QString(), r.Get_Importe()});
    }
    agrega(m.totales, QStringLiteral("Subtotal"), pesos(c.Get_SubTotal()));
    agrega(m.totales, QStringLiteral("Descuento"), pesos(c.Get_Descuento()));
    agrega(m.totales, QStringLiteral("Impuestos trasladados"), pesos(impuestos.Get_TotalImpuestosTrasladados()));
    agrega(m.totales, QStringLiteral("Impuestos retenidos"), pesos(impuestos.Get_TotalImpuestosRetenidos()));
    leeImpuestosLocales(m, c, m.totales);
    agrega(m.totales, QStringLiteral("Total"), pesos(c.Get_Total()));
    TDecimal total;
    // XXX: vouchers that move no money (payments, transfers) have no amount to spell.
    if (TDecimal::intenta(c.Get_Total(), total) && c.Get_Moneda().trimmed() != QStringLiteral("XXX"))
        m.letra = importeConLetra(total, c.Get_Moneda());
    leeTimbre(m, c, c.Get_NoCertificado());
    leeComunes(m, c);
}

void agregaRelacionados(TModelo& m, const Cfdv33::IXMLComprobante_CfdiRelacionados& r)
{
    if (!r.existe())
        return;
    QStringList uuids;
    for (int i = 0; i < r.Count(); ++i)
        uuids << r.Get_CfdiRelacionado(i).Get_UUID().trimmed();
    m.relacionados.titulo = QStringLiteral("CFDI relacionados");
    agrega(m.relacionados.pares, QStringLiteral("Tipo de relación ") + r.Get_TipoRelacion(),
           uuids.join(QStringLiteral(", ")));
}

// The issuer and the receiver as 3.3 and 4.0 write them, 4.0's own fields in
// their places.
template <class Comprobante> void leePartes(TModelo& m, const Comprobante& c)
{
    constexpr bool es40 = std::is_same_v<Comprobante, Cfdv40::IXMLComprobante>;
    const auto e = c.Get_Emisor();
    const auto r = c.Get_Receptor();
    m.nombreEmisor = e.Get_Nombre();
    m.rfcEmisor = e.Get_Rfc();
    agrega(m.emisor, QStringLiteral("Nombre"), e.Get_Nombre());
    agrega(m.emisor, QStringLiteral("RFC"), e.Get_Rfc());
    agrega(m.emisor, QStringLiteral("Régimen fiscal"), e.Get_RegimenFiscal());
    agrega(m.receptor, QStringLiteral("Nombre"), r.Get_Nombre());
    agrega(m.receptor, QStringLiteral("RFC"), r.Get_Rfc());
    if constexpr (es40) {
        agrega(m.emisor, QStringLiteral("Operación del adquirente"), e.Get_FacAtrAdquirente());
        agrega(m.receptor, QStringLiteral("Régimen fiscal"), r.Get_RegimenFiscalReceptor());
        agrega(m.receptor, QStringLiteral("Domicilio fiscal"), r.Get_DomicilioFiscalReceptor());
    }
    agrega(m.receptor, QStringLiteral("Uso del CFDI"), r.Get_UsoCFDI());
    agrega(m.receptor, QStringLiteral("Residencia fiscal"), r.Get_ResidenciaFiscal());
    agrega(m.receptor, QStringLiteral("Registro de identidad tributaria"), r.Get_NumRegIdTrib());
}

void lee40(TModelo& m, const TDocumentoXML& documento)
{
    const Cfdv40::IXMLComprobante c = Cfdv40::GetComprobante(documento);
    leePartes(m, c);
    const auto relacionados = c.Get_CfdiRelacionados();
    for (int i = 0; i < relacionados.Count(); ++i)
        agregaRelacionados(m, relacionados.Get_CfdiRelacionados(i));
    const auto conceptos = c.Get_Conceptos();
    for (int i = 0; i < conceptos.Count(); ++i) {
        const auto x = conceptos.Get_Concepto(i);
        QStringList extras;
        if (!x.Get_ObjetoImp().isEmpty())
            extras << QStringLiteral("Objeto de impuesto ") + x.Get_ObjetoImp();
        const auto terceros = x.Get_ACuentaTerceros();
        if (terceros.existe())
            extras << une({QStringLiteral("A cuenta de terceros:"), terceros.Get_RfcACuentaTerceros(),
                           terceros.Get_NombreACuentaTerceros(), terceros.Get_RegimenFiscalACuentaTerceros(),
                           terceros.Get_DomicilioFiscalACuentaTerceros()},
                          QStringLiteral(" "));
        const auto cuentas = x.Get_CuentaPredial();
        for (int k = 0; k < cuentas.Count(); ++k)
            extras << QStringLiteral("Cuenta predial ") + cuentas.Get_CuentaPredial(k).Get_Numero();
        m.conceptos.filas.append(linea33(x, extras));
    }
    leeComprobante33(m, c);
    agrega(m.comprobante, QStringLiteral("Exportación"), c.Get_Exportacion());
    const auto global = c.Get_InformacionGlobal();
    if (global.existe())
        agrega(m.comprobante, QStringLiteral("Información global"),
               une({global.Get_Periodicidad(), global.Get_Meses(), global.atributo("Año")}, QStringLiteral(" / ")));
}

void lee33(TModelo& m, const TDocumentoXML& documento)
{
    const Cfdv33::IXMLComprobante c = Cfdv33::GetComprobante(documento);
    leePartes(m, c);
    agregaRelacionados(m, c.Get_CfdiRelacionados());
    const auto conceptos = c.Get_Conceptos();
    for (int i = 0; i < conceptos.Count(); ++i) {
        const auto x = conceptos.Get_Concepto(i);
        QStringList extras;
        if (x.Get_CuentaPredial().existe())
            extras << QStringLiteral("Cuenta predial ") + x.Get_CuentaPredial().Get_Numero();
        m.conceptos.filas.append(linea33(x, extras));
    }
    leeComprobante33(m, c);
}

void lee32(TModelo& m, const TDocumentoXML& documento)
{
    const Cfdv32::IXMLComprobante c = Cfdv32::GetComprobante(documento);
    const auto e = c.Get_Emisor();
    const auto r = c.Get_Receptor();
    m.nombreEmisor = e.Get_nombre();
    m.rfcEmisor = e.Get_rfc();
    m.tipo = tipoComprobante(c.Get_tipoDeComprobante());
    m.serieFolio = une({c.Get_serie(), c.Get_folio()}, QStringLiteral(" "));
    agrega(m.emisor, QStringLiteral("Nombre"), e.Get_nombre());
    agrega(m.emisor, QStringLiteral("RFC"), e.Get_rfc());
    QStringList regimenes;
    const auto lista = e.Get_RegimenFiscal();
    for (int i = 0; i < lista.Count(); ++i)
        regimenes << lista.Get_RegimenFiscal(i).Get_Regimen();
    agrega(m.emisor, QStringLiteral("Régimen fiscal"), regimenes.join(QStringLiteral(", ")));
    agrega(m.emisor, QStringLiteral("Domicilio fiscal"), direccion32(e.Get_DomicilioFiscal()));
    agrega(m.emisor, QStringLiteral("Expedido en"), direccion32(e.Get_ExpedidoEn()));
    agrega(m.receptor, QStringLiteral("Nombre"), r.Get_nombre());
    agrega(m.receptor, QStringLiteral("RFC"), r.Get_rfc());
    agrega(m.receptor, QStringLiteral("Domicilio"), direccion32(r.Get_Domicilio()));
    agrega(m.comprobante, QStringLiteral("Tipo de comprobante"), m.tipo);
    agrega(m.comprobante, QStringLiteral("Versión"), c.Get_version());
    agrega(m.comprobante, QStringLiteral("Serie"), c.Get_serie());
    agrega(m.comprobante, QStringLiteral("Folio"), c.Get_folio());
    agrega(m.comprobante, QStringLiteral("Fecha de emisión"), c.Get_fecha());
    agrega(m.comprobante, QStringLiteral("Lugar de expedición"), c.Get_LugarExpedicion());
    if (!c.Get_FolioFiscalOrig().isEmpty())
        agrega(m.comprobante, QStringLiteral("Folio fiscal original"),
               une({c.Get_FolioFiscalOrig(), c.Get_SerieFolioFiscalOrig(), c.Get_FechaFolioFiscalOrig(),
                    pesos(c.Get_MontoFolioFiscalOrig())},
                   QStringLiteral(" · ")));
    agrega(m.pago, QStringLiteral("Forma de pago"), c.Get_formaDePago());
    agrega(m.pago, QStringLiteral("Método de pago"), c.Get_metodoDePago());
    agrega(m.pago, QStringLiteral("Cuenta de pago"), c.Get_NumCtaPago());
    agrega(m.pago, QStringLiteral("Condiciones de pago"), c.Get_condicionesDePago());
    agrega(m.pago, QStringLiteral("Moneda"), c.Get_Moneda());
    agrega(m.pago, QStringLiteral("Tipo de cambio"), c.Get_TipoCambio());

    const auto conceptos = c.Get_Conceptos();
    for (int i = 0; i < conceptos.Count(); ++i) {
        const auto x = conceptos.Get_Concepto(i);
        QStringList detalle;
        const auto aduana = x.Get_InformacionAduanera();
        for (int k = 0; k < aduana.Count(); ++k)
            detalle << une({QStringLiteral("Pedimento"), aduana.Get_InformacionAduanera(k).Get_numero(),
                            aduana.Get_InformacionAduanera(k).Get_fecha(),
                            aduana.Get_InformacionAduanera(k).Get_aduana()},
                           QStringLiteral(" "));
        if (x.Get_CuentaPredial().existe())
            detalle << QStringLiteral("Cuenta predial ") + x.Get_CuentaPredial().Get_numero();
        const auto partes = x.Get_Parte();
        for (int k = 0; k < partes.Count(); ++k) {
            const auto p = partes.Get_Parte(k);
            detalle << une({QStringLiteral("Parte:"), p.Get_noIdentificacion(), p.Get_cantidad(), p.Get_unidad(),
                            p.Get_descripcion()},
                           QStringLiteral(" "));
        }
        m.conceptos.filas.append(
            {{QString(), x.Get_noIdentificacion(), importe(x.Get_cantidad()), x.Get_unidad(), x.Get_descripcion(),
              importe(x.Get_valorUnitario()), QString(), importe(x.Get_importe())},
             detalle.join(QStringLiteral(" · "))});
    }
    const auto impuestos = c.Get_Impuestos();
    const auto traslados = impuestos.Get_Traslados();
    for (int i = 0; i < traslados.Count(); ++i) {
        const auto t = traslados.Get_Traslado(i);
        agregaImpuesto(m.impuestos, {QStringLiteral("Traslado"), t.Get_impuesto(), QStringLiteral("Tasa"),
                                     t.Get_tasa() + QStringLiteral(" %"), QString(), t.Get_importe()});
    }
    const auto retenciones = impuestos.Get_Retenciones();
    for (int i = 0; i < retenciones.Count(); ++i) {
        const auto x = retenciones.Get_Retencion(i);
        agregaImpuesto(m.impuestos, {QStringLiteral("Retención"), x.Get_impuesto(), QString(), QString(), QString(),
                                     x.Get_importe()});
    }
    agrega(m.totales, QStringLiteral("Subtotal"), pesos(c.Get_subTotal()));
    agrega(m.totales, QStringLiteral("Descuento"), pesos(c.Get_descuento()));
    agrega(m.totales, QStringLiteral("Motivo del descuento"), c.Get_motivoDescuento());
    agrega(m.totales, QStringLiteral("Impuestos trasladados"), pesos(impuestos.Get_totalImpuestosTrasladados()));
    agrega(m.totales, QStringLiteral("Impuestos retenidos"), pesos(impuestos.Get_totalImpuestosRetenidos()));
    leeImpuestosLocales(m, c, m.totales);
    agrega(m.totales, QStringLiteral("Total"), pesos(c.Get_total()));
    TDecimal total;
    if (TDecimal::intenta(c.Get_total(), total))
        m.letra = importeConLetra(total, c.Get_Moneda());
    leeTimbre(m, c, c.Get_noCertificado());
    leeComunes(m, c);
}

// False with the reason when the voucher cannot be read.
bool leeModelo(const TComprobante& entrada, TModelo& m, QString& error)
{
    try {
        const TDocumentoXML documento = TDocumentoXML::desdeBytes(entrada.xml);
        m.version = Cfdi::versionPorContenido(documento.raiz());
        m.conceptos = tablaConceptos();
        m.impuestos = tablaImpuestos();
        if (m.version == Constantes::CFDI_40)
            lee40(m, documento);
        else if (m.version == Constantes::CFDI_33)
            lee33(m, documento);
        else if (m.version == Constantes::CFDI_32)
            lee32(m, documento);
        else {
            error = QStringLiteral("El documento no es un CFDI de versión 3.2, 3.3 ni 4.0.");
            return false;
        }
    } catch (const EVelkor& e) {
        error = QStringLiteral("No se pudo leer el comprobante: ") + e.mensaje();
        return false;
    } catch (const std::exception& e) {
        error = QStringLiteral("No se pudo leer el comprobante: ") + QString::fromUtf8(e.what());
        return false;
    }
    m.qr = direccionQr(entrada.xml);
    const VerificacionSello::TResultado v =
        entrada.verificado ? entrada.verificacion : VerificacionSello::verifica(entrada.xml);
    m.verificacion = une({VerificacionSello::texto(v.estado) + QLatin1Char('.'), v.motivo}, QStringLiteral(" "));
    return true;
}

// ---------------------------------------------------------------------------
// Drawing. Every voucher is laid out twice: once to count its pages, once to
// draw them, so that each footer can say "Página N de M".

const QColor COLOR_TITULO(0x1f, 0x3a, 0x5f);
const QColor COLOR_FONDO(0xe8, 0xee, 0xf4);
const QColor COLOR_LINEA(0xb0, 0xbc, 0xc8);
const QColor COLOR_TENUE(0x55, 0x55, 0x55);
const QColor COLOR_CANCELADO(0xb9, 0x1c, 0x1c);

QFont fuente(qreal puntos, bool negrita = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(puntos);
    f.setBold(negrita);
    // Ligatures ("ﬁ") would reach the PDF's text as one character, and a
    // search for "fiscal" in a viewer would miss it.
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

// A text wrapped to a width: at word boundaries, and anywhere when a word
// (a seal, a long reference) is wider than the line.
class TParrafo {
public:
    TParrafo(const QString& texto, const QFont& f, qreal ancho, const QPaintDevice* dispositivo,
             Qt::Alignment alineacion = Qt::AlignLeft, int negritas = 0,
             QTextOption::WrapMode corte = QTextOption::WrapAtWordBoundaryOrAnywhere)
        : m_layout(std::make_unique<QTextLayout>(texto, f, dispositivo))
    {
        QTextOption opcion(alineacion);
        opcion.setWrapMode(corte);
        m_layout->setTextOption(opcion);
        if (negritas > 0) {
            QTextLayout::FormatRange r;
            r.start = 0;
            r.length = negritas;
            r.format.setFontWeight(QFont::Bold);
            m_layout->setFormats({r});
        }
        m_layout->beginLayout();
        qreal y = 0;
        for (QTextLine l = m_layout->createLine(); l.isValid(); l = m_layout->createLine()) {
            l.setLineWidth(ancho);
            l.setPosition(QPointF(0, y));
            y += l.height();
        }
        m_layout->endLayout();
        m_alto = y;
    }
    qreal alto() const { return m_alto; }
    int lineas() const { return m_layout->lineCount(); }
    qreal altoLinea(int i) const { return m_layout->lineAt(i).height(); }
    // Lines [desde, hasta) with the first one's top at `origen`.
    void dibuja(QPainter* p, const QPointF& origen, int desde = 0, int hasta = -1) const
    {
        if (!p || lineas() == 0)
            return;
        if (hasta < 0)
            hasta = lineas();
        const QPointF inicio = origen - QPointF(0, m_layout->lineAt(desde).y());
        for (int i = desde; i < hasta; ++i)
            m_layout->lineAt(i).draw(p, inicio);
    }

private:
    std::unique_ptr<QTextLayout> m_layout;
    qreal m_alto = 0;
};

struct TEncabezado {
    QString emisor;
    QString rfc;
    QString tipo;
    QString serieFolio;
    QString uuid;
    QString version;
    QImage logo;
    // The band of a voucher cancelled at the SAT; empty when in force.
    QString cancelacion;
};

class TLienzo {
public:
    // `p` null: only measures.
    TLienzo(QPagedPaintDevice& dispositivo, QPainter* p, const TEncabezado& encabezado, int paginas)
        : m_dispositivo(dispositivo), p(p), m_encabezado(encabezado), m_paginas(paginas)
    {
        const qreal propio = 12.0; // mm
        const QMarginsF ya = dispositivo.pageLayout().margins(QPageLayout::Millimeter);
        const qreal ancho = dispositivo.width();
        const qreal alto = dispositivo.height();
        const qreal izquierda = mm(std::max(0.0, propio - ya.left()));
        const qreal derecha = mm(std::max(0.0, propio - ya.right()));
        const qreal arriba = mm(std::max(0.0, propio - ya.top()));
        const qreal abajo = mm(std::max(0.0, propio - ya.bottom()));
        m_pagina = QRectF(izquierda, arriba, ancho - izquierda - derecha, alto - arriba - abajo);
        m_area = m_pagina.adjusted(0, mm(encabezado.cancelacion.isEmpty() ? 22 : 31), 0, -mm(9));
        inicia();
    }

    qreal mm(qreal milimetros) const { return milimetros * m_dispositivo.logicalDpiY() / 25.4; }
    const QPaintDevice* dispositivo() const { return &m_dispositivo; }
    QPainter* pintor() const { return p; }
    int paginas() const { return m_pagina_actual; }
    const QRectF& area() const { return m_area; }
    qreal y = 0;

    // Room for `alto` on this page, or a new page.
    bool asegura(qreal alto)
    {
        if (y + alto <= m_area.bottom() || y <= m_area.top() + 0.5)
            return false;
        nuevaPagina();
        return true;
    }
    qreal restante() const { return m_area.bottom() - y; }

    void nuevaPagina()
    {
        if (p)
            m_dispositivo.newPage();
        ++m_pagina_actual;
        inicia();
    }

    void texto(const TParrafo& t, qreal x, const QColor& color = Qt::black)
    {
        if (p) {
            p->setPen(color);
            t.dibuja(p, QPointF(x, y));
        }
    }

    // A paragraph that may continue on the next pages line by line.
    void parrafo(const QString& texto, const QFont& f, qreal sangria = 0, const QColor& color = Qt::black,
                 int negritas = 0, QTextOption::WrapMode corte = QTextOption::WrapAtWordBoundaryOrAnywhere)
    {
        const TParrafo t(texto, f, m_area.width() - sangria, dispositivo(), Qt::AlignLeft, negritas, corte);
        int desde = 0;
        while (desde < t.lineas()) {
            int hasta = desde;
            qreal alto = 0;
            while (hasta < t.lineas() && y + alto + t.altoLinea(hasta) <= m_area.bottom())
                alto += t.altoLinea(hasta++);
            if (hasta == desde) {
                if (y > m_area.top() + 0.5) {
                    nuevaPagina();
                    continue;
                }
                alto = t.altoLinea(hasta++);
            }
            if (p) {
                p->setPen(color);
                t.dibuja(p, QPointF(m_area.left() + sangria, y), desde, hasta);
            }
            y += alto;
            desde = hasta;
        }
    }

    void titulo(const QString& texto)
    {
        const TParrafo t(texto, fuente(8.5, true), m_area.width() - mm(4), dispositivo());
        const qreal alto = t.alto() + mm(1.6);
        // A title never ends a page alone.
        asegura(alto + mm(8));
        y += mm(2);
        if (p)
            p->fillRect(QRectF(m_area.left(), y, m_area.width(), alto), COLOR_TITULO);
        y += mm(0.8);
        texto_(t, m_area.left() + mm(2), Qt::white);
        y += alto - mm(0.8) + mm(1);
    }

    void linea(qreal desdeX, qreal hastaX, qreal enY, const QColor& color = COLOR_LINEA)
    {
        if (p) {
            p->setPen(QPen(color, mm(0.2)));
            p->drawLine(QPointF(desdeX, enY), QPointF(hastaX, enY));
        }
    }

private:
    void texto_(const TParrafo& t, qreal x, const QColor& color) { texto(t, x, color); }

    void inicia()
    {
        y = m_area.top();
        if (!p)
            return;
        p->save();
        const QRectF caja = m_pagina;
        qreal x = caja.left();
        const qreal altoEnc = mm(18);
        if (!m_encabezado.logo.isNull()) {
            const QSizeF limite(mm(40), altoEnc);
            QSizeF s = QSizeF(m_encabezado.logo.size()).scaled(limite, Qt::KeepAspectRatio);
            p->drawImage(QRectF(QPointF(x, caja.top()), s), m_encabezado.logo);
            x += s.width() + mm(4);
        }
        const qreal anchoDerecha = mm(78);
        const qreal anchoIzquierda = caja.right() - anchoDerecha - mm(4) - x;
        const TParrafo nombre(m_encabezado.emisor, fuente(11, true), anchoIzquierda, dispositivo());
        const TParrafo rfc(QStringLiteral("RFC: ") + m_encabezado.rfc, fuente(8.5), anchoIzquierda, dispositivo());
        p->setPen(COLOR_TITULO);
        nombre.dibuja(p, QPointF(x, caja.top()));
        p->setPen(Qt::black);
        rfc.dibuja(p, QPointF(x, caja.top() + nombre.alto() + mm(1)));

        const qreal xd = caja.right() - anchoDerecha;
        const TParrafo tipo(m_encabezado.tipo.toUpper(), fuente(12, true), anchoDerecha, dispositivo(), Qt::AlignRight);
        p->setPen(COLOR_TITULO);
        tipo.dibuja(p, QPointF(xd, caja.top()));
        qreal yd = caja.top() + tipo.alto() + mm(0.5);
        p->setPen(Qt::black);
        const QStringList lineas{
            m_encabezado.serieFolio.isEmpty() ? QString() : QStringLiteral("Serie y folio: ") + m_encabezado.serieFolio,
            m_encabezado.uuid.isEmpty() ? QStringLiteral("Sin timbre fiscal")
                                        : QStringLiteral("Folio fiscal: ") + m_encabezado.uuid,
            QStringLiteral("CFDI ") + m_encabezado.version};
        for (const QString& l : lineas) {
            if (l.isEmpty())
                continue;
            const TParrafo t(l, fuente(7.5), anchoDerecha, dispositivo(), Qt::AlignRight);
            t.dibuja(p, QPointF(xd, yd));
            yd += t.alto();
        }
        linea(caja.left(), caja.right(), caja.top() + mm(20), COLOR_TITULO);
        if (!m_encabezado.cancelacion.isEmpty()) {
            const QRectF banda(caja.left(), caja.top() + mm(21.5), caja.width(), mm(7));
            p->fillRect(banda, COLOR_CANCELADO);
            const TParrafo aviso(m_encabezado.cancelacion, fuente(12, true), banda.width() - mm(4), dispositivo(),
                                 Qt::AlignHCenter);
            p->setPen(Qt::white);
            aviso.dibuja(p, QPointF(banda.left() + mm(2), banda.center().y() - aviso.alto() / 2));
        }

        const qreal yp = m_area.bottom() + mm(3);
        linea(caja.left(), caja.right(), yp - mm(1));
        p->setPen(COLOR_TENUE);
        const TParrafo leyenda(QStringLiteral("Este documento es una representación impresa de un CFDI"), fuente(6.5),
                               caja.width() * 0.7, dispositivo());
        leyenda.dibuja(p, QPointF(caja.left(), yp));
        const TParrafo numero(QStringLiteral("Página %1 de %2").arg(m_pagina_actual).arg(m_paginas), fuente(6.5),
                              caja.width() * 0.3, dispositivo(), Qt::AlignRight);
        numero.dibuja(p, QPointF(caja.right() - caja.width() * 0.3, yp));
        p->restore();
    }

    QPagedPaintDevice& m_dispositivo;
    QPainter* p;
    const TEncabezado& m_encabezado;
    int m_paginas;
    int m_pagina_actual = 1;
    QRectF m_pagina;
    QRectF m_area;
};

// Label/value pairs in `columnas` columns, the label in bold.
void dibujaPares(TLienzo& l, const QList<TPar>& pares, int columnas, qreal x, qreal ancho, qreal& y, bool mide = false)
{
    const qreal separacion = l.mm(3);
    const qreal anchoColumna = (ancho - separacion * (columnas - 1)) / columnas;
    for (int i = 0; i < pares.size(); i += columnas) {
        qreal alto = 0;
        std::vector<std::unique_ptr<TParrafo>> fila;
        for (int c = 0; c < columnas && i + c < pares.size(); ++c) {
            const TPar& par = pares[i + c];
            const QString etiqueta = par.etiqueta + QStringLiteral(": ");
            fila.push_back(std::make_unique<TParrafo>(etiqueta + par.valor, fuente(7.5), anchoColumna, l.dispositivo(),
                                                      Qt::AlignLeft, etiqueta.size()));
            alto = std::max(alto, fila.back()->alto());
        }
        if (!mide && l.pintor()) {
            l.pintor()->setPen(Qt::black);
            for (size_t c = 0; c < fila.size(); ++c)
                fila[c]->dibuja(l.pintor(), QPointF(x + c * (anchoColumna + separacion), y));
        }
        y += alto + l.mm(0.6);
    }
}

// Short pairs share a row; a long text (a legend, a list of folios) takes a
// row of its own rather than a tall narrow column.
void pares(TLienzo& l, const QList<TPar>& lista, int columnas = 2)
{
    auto dibujaFila = [&](const QList<TPar>& fila, int n) {
        qreal alto = 0;
        dibujaPares(l, fila, n, l.area().left(), l.area().width(), alto, true);
        l.asegura(alto);
        dibujaPares(l, fila, n, l.area().left(), l.area().width(), l.y);
    };
    QList<TPar> fila;
    for (const TPar& par : lista) {
        if (columnas > 1 && par.etiqueta.size() + par.valor.size() > 90) {
            if (!fila.isEmpty())
                dibujaFila(fila, columnas);
            fila.clear();
            dibujaFila({par}, 1);
            continue;
        }
        fila.append(par);
        if (fila.size() == columnas) {
            dibujaFila(fila, columnas);
            fila.clear();
        }
    }
    if (!fila.isEmpty())
        dibujaFila(fila, columnas);
}

// Two boxes of pairs side by side (issuer | receiver), kept on one page.
void ladoALado(TLienzo& l, const QString& tituloA, const QList<TPar>& a, const QString& tituloB, const QList<TPar>& b)
{
    const qreal separacion = l.mm(4);
    const qreal ancho = (l.area().width() - separacion) / 2;
    const qreal relleno = l.mm(2);
    qreal altoA = 0, altoB = 0;
    dibujaPares(l, a, 1, 0, ancho - 2 * relleno, altoA, true);
    dibujaPares(l, b, 1, 0, ancho - 2 * relleno, altoB, true);
    const TParrafo tA(tituloA, fuente(8.5, true), ancho, l.dispositivo());
    const TParrafo tB(tituloB, fuente(8.5, true), ancho, l.dispositivo());
    const qreal cabecera = std::max(tA.alto(), tB.alto()) + l.mm(1.6);
    const qreal alto = cabecera + std::max(altoA, altoB) + 2 * relleno;
    l.asegura(alto + l.mm(2));
    l.y += l.mm(2);
    const qreal x0 = l.area().left();
    const qreal x1 = x0 + ancho + separacion;
    if (QPainter* p = l.pintor()) {
        for (qreal x : {x0, x1}) {
            p->fillRect(QRectF(x, l.y, ancho, cabecera), COLOR_TITULO);
            p->setPen(QPen(COLOR_LINEA, l.mm(0.2)));
            p->drawRect(QRectF(x, l.y, ancho, alto));
        }
        p->setPen(Qt::white);
        tA.dibuja(p, QPointF(x0 + relleno, l.y + l.mm(0.8)));
        tB.dibuja(p, QPointF(x1 + relleno, l.y + l.mm(0.8)));
    }
    qreal ya = l.y + cabecera + relleno;
    qreal yb = ya;
    dibujaPares(l, a, 1, x0 + relleno, ancho - 2 * relleno, ya);
    dibujaPares(l, b, 1, x1 + relleno, ancho - 2 * relleno, yb);
    l.y += alto;
}

void tabla(TLienzo& l, const TTabla& t)
{
    const QRectF area = l.area();
    const qreal relleno = l.mm(1);
    QList<qreal> xs;
    qreal x = area.left();
    for (qreal a : t.anchos) {
        xs << x;
        x += a * area.width();
    }
    auto anchoCelda = [&](int c) { return t.anchos[c] * area.width() - 2 * relleno; };
    auto alineacion = [&](int c) { return c < t.derecha.size() && t.derecha[c] ? Qt::AlignRight : Qt::AlignLeft; };

    std::vector<std::unique_ptr<TParrafo>> cabecera;
    qreal altoCabecera = 0;
    for (int c = 0; c < t.columnas.size(); ++c) {
        cabecera.push_back(
            std::make_unique<TParrafo>(t.columnas[c], fuente(7, true), anchoCelda(c), l.dispositivo(), alineacion(c)));
        altoCabecera = std::max(altoCabecera, cabecera.back()->alto());
    }
    altoCabecera += 2 * relleno;
    auto dibujaCabecera = [&]() {
        if (QPainter* p = l.pintor()) {
            p->fillRect(QRectF(area.left(), l.y, area.width(), altoCabecera), COLOR_FONDO);
            p->setPen(COLOR_TITULO);
            for (int c = 0; c < t.columnas.size(); ++c)
                cabecera[c]->dibuja(p, QPointF(xs[c] + relleno, l.y + relleno));
        }
        l.y += altoCabecera;
    };

    if (!t.titulo.isEmpty())
        l.titulo(t.titulo);
    if (!t.columnas.isEmpty()) {
        l.asegura(altoCabecera * 2);
        dibujaCabecera();
    }
    for (int f = 0; f < t.filas.size(); ++f) {
        const TLinea& fila = t.filas[f];
        std::vector<std::unique_ptr<TParrafo>> celdas;
        qreal alto = 0;
        for (int c = 0; c < t.columnas.size() && c < fila.celdas.size(); ++c) {
            celdas.push_back(
                std::make_unique<TParrafo>(fila.celdas[c], fuente(7), anchoCelda(c), l.dispositivo(), alineacion(c)));
            alto = std::max(alto, celdas.back()->alto());
        }
        std::unique_ptr<TParrafo> detalle;
        if (!fila.detalle.isEmpty()) {
            const qreal sangria = t.anchos.value(0) * area.width();
            detalle = std::make_unique<TParrafo>(fila.detalle, fuente(6.2), area.width() - sangria - 2 * relleno,
                                                 l.dispositivo());
            alto += detalle->alto() + l.mm(0.3);
        }
        alto += 2 * relleno;
        // A row too tall for any page is drawn from the top of a new one and
        // may run into the footer margin rather than be cut.
        if (l.asegura(alto) && !t.columnas.isEmpty())
            dibujaCabecera();
        if (QPainter* p = l.pintor()) {
            if (f % 2 == 1)
                p->fillRect(QRectF(area.left(), l.y, area.width(), alto), QColor(0xf6, 0xf8, 0xfa));
            p->setPen(Qt::black);
            qreal altoCeldas = 0;
            for (size_t c = 0; c < celdas.size(); ++c) {
                celdas[c]->dibuja(p, QPointF(xs[c] + relleno, l.y + relleno));
                altoCeldas = std::max(altoCeldas, celdas[c]->alto());
            }
            if (detalle) {
                p->setPen(COLOR_TENUE);
                detalle->dibuja(p, QPointF(area.left() + t.anchos.value(0) * area.width() + relleno,
                                           l.y + relleno + altoCeldas + l.mm(0.3)));
            }
        }
        l.y += alto;
        l.linea(area.left(), area.right(), l.y);
    }
    // Totals under the table: label and amount against the right edge.
    const qreal anchoPie = area.width() * 0.45;
    for (const TPar& par : t.pie) {
        const TParrafo etiqueta(par.etiqueta, fuente(7, true), anchoPie * 0.6, l.dispositivo(), Qt::AlignRight);
        const TParrafo valor(par.valor, fuente(7), anchoPie * 0.4 - relleno, l.dispositivo(), Qt::AlignRight);
        const qreal alto = std::max(etiqueta.alto(), valor.alto()) + l.mm(0.8);
        l.asegura(alto);
        if (QPainter* p = l.pintor()) {
            p->setPen(Qt::black);
            etiqueta.dibuja(p, QPointF(area.right() - anchoPie, l.y + l.mm(0.4)));
            valor.dibuja(p, QPointF(area.right() - anchoPie * 0.4, l.y + l.mm(0.4)));
        }
        l.y += alto;
    }
}

// Amount in words and payment on the left, totals on the right.
void totales(TLienzo& l, const TModelo& m)
{
    const QRectF area = l.area();
    const qreal anchoDerecha = area.width() * 0.40;
    const qreal anchoIzquierda = area.width() - anchoDerecha - l.mm(6);
    const TParrafo letra(m.letra, fuente(7.5, true), anchoIzquierda, l.dispositivo());
    qreal altoPago = 0;
    dibujaPares(l, m.pago, 2, 0, anchoIzquierda, altoPago, true);
    const qreal altoLetra = m.letra.isEmpty() ? 0 : letra.alto() + l.mm(1.5);
    const qreal altoIzquierda = altoLetra + altoPago;

    std::vector<std::pair<std::unique_ptr<TParrafo>, std::unique_ptr<TParrafo>>> filas;
    qreal altoDerecha = 0;
    for (const TPar& par : m.totales) {
        const bool total = par.etiqueta == QStringLiteral("Total");
        filas.emplace_back(std::make_unique<TParrafo>(par.etiqueta, fuente(total ? 9 : 7.5, true), anchoDerecha * 0.55,
                                                      l.dispositivo()),
                           std::make_unique<TParrafo>(par.valor, fuente(total ? 9 : 7.5, total),
                                                      anchoDerecha * 0.45 - l.mm(2), l.dispositivo(), Qt::AlignRight));
        altoDerecha += std::max(filas.back().first->alto(), filas.back().second->alto()) + l.mm(0.8);
    }
    l.asegura(std::max(altoIzquierda, altoDerecha) + l.mm(3));
    l.y += l.mm(3);
    const qreal y0 = l.y;
    if (QPainter* p = l.pintor()) {
        p->setPen(Qt::black);
        letra.dibuja(p, QPointF(area.left(), y0));
        qreal y = y0;
        const qreal x = area.right() - anchoDerecha;
        p->fillRect(QRectF(x, y0 - l.mm(1), anchoDerecha, altoDerecha + l.mm(1.5)), COLOR_FONDO);
        for (const auto& [etiqueta, valor] : filas) {
            p->setPen(COLOR_TITULO);
            etiqueta->dibuja(p, QPointF(x + l.mm(2), y));
            p->setPen(Qt::black);
            valor->dibuja(p, QPointF(x + anchoDerecha * 0.55, y));
            y += std::max(etiqueta->alto(), valor->alto()) + l.mm(0.8);
        }
    }
    qreal y = y0 + altoLetra;
    dibujaPares(l, m.pago, 2, area.left(), anchoIzquierda, y);
    l.y = y0 + std::max(altoIzquierda, altoDerecha) + l.mm(1);
}

void dibujaQr(QPainter* p, const QString& texto, const QRectF& caja)
{
    const QByteArray datos = texto.toUtf8();
    QRcode* codigo = QRcode_encodeString(datos.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (!codigo)
        return;
    const int n = codigo->width;
    // Four modules of quiet zone around the symbol, as ISO/IEC 18004 asks.
    const qreal modulo = caja.width() / (n + 8);
    p->fillRect(caja, Qt::white);
    for (int fila = 0; fila < n; ++fila) {
        int desde = -1;
        for (int c = 0; c <= n; ++c) {
            const bool oscuro = c < n && (codigo->data[fila * n + c] & 1);
            if (oscuro && desde < 0)
                desde = c;
            if (!oscuro && desde >= 0) {
                p->fillRect(QRectF(caja.left() + (desde + 4) * modulo, caja.top() + (fila + 4) * modulo,
                                   (c - desde) * modulo, modulo),
                            Qt::black);
                desde = -1;
            }
        }
    }
    QRcode_free(codigo);
}

void timbre(TLienzo& l, const TModelo& m)
{
    l.titulo(m.timbre.isEmpty() ? QStringLiteral("Sin timbre fiscal digital")
                                : QStringLiteral("Timbre fiscal digital"));
    QList<TPar> datos = m.timbre;
    datos.append({QStringLiteral("Verificación del sello"), m.verificacion});
    const qreal lado = m.qr.isEmpty() ? 0 : l.mm(32);
    const qreal x = l.area().left() + (lado > 0 ? lado + l.mm(4) : 0);
    const qreal ancho = l.area().right() - x;
    qreal alto = 0;
    dibujaPares(l, datos, 1, x, ancho, alto, true);
    l.asegura(std::max(alto, lado));
    const qreal y0 = l.y;
    if (lado > 0 && l.pintor())
        dibujaQr(l.pintor(), m.qr, QRectF(l.area().left(), y0, lado, lado));
    qreal y = y0;
    dibujaPares(l, datos, 1, x, ancho, y);
    l.y = y0 + std::max(alto, lado) + l.mm(1);
    for (const TPar& s : m.sellos) {
        l.asegura(l.mm(8));
        l.y += l.mm(1);
        l.parrafo(s.etiqueta, fuente(7, true), 0, COLOR_TITULO);
        // Base64 breaks at its slashes into ragged lines: seals fill each line.
        l.parrafo(s.valor, fuente(6.2), 0, Qt::black, 0, QTextOption::WrapAnywhere);
    }
}

void dibujaModelo(TLienzo& l, const TModelo& m)
{
    ladoALado(l, QStringLiteral("Emisor"), m.emisor, QStringLiteral("Receptor"), m.receptor);
    l.titulo(QStringLiteral("Datos del comprobante"));
    pares(l, m.comprobante, 3);
    if (!m.relacionados.pares.isEmpty()) {
        l.titulo(m.relacionados.titulo);
        pares(l, m.relacionados.pares, 1);
    }
    tabla(l, m.conceptos);
    if (!m.impuestos.filas.isEmpty())
        tabla(l, m.impuestos);
    totales(l, m);
    for (const TSeccion& s : m.complementos) {
        l.titulo(s.titulo);
        pares(l, s.pares, 3);
        for (const TTabla& t : s.tablas) {
            TTabla sub = t;
            if (!sub.titulo.isEmpty()) {
                // Subtables of a section: a lighter caption than a section title.
                const TParrafo titulo(sub.titulo, fuente(7.5, true), l.area().width(), l.dispositivo());
                // With the table's header and first row, never alone at the foot.
                l.asegura(titulo.alto() + l.mm(14));
                l.y += l.mm(1.5);
                l.texto(titulo, l.area().left(), COLOR_TITULO);
                l.y += titulo.alto() + l.mm(0.5);
                sub.titulo.clear();
            }
            tabla(l, sub);
        }
    }
    timbre(l, m);
}

TEncabezado encabezado(const TModelo& m, const TComprobante& comprobante)
{
    const QByteArray& logo = comprobante.logo;
    TEncabezado e{m.nombreEmisor.isEmpty() ? m.rfcEmisor : m.nombreEmisor,
                  m.rfcEmisor,
                  m.tipo,
                  m.serieFolio,
                  m.uuid,
                  m.version,
                  {},
                  {}};
    if (!logo.isEmpty())
        e.logo = QImage::fromData(logo);
    if (comprobante.cancelado)
        e.cancelacion = comprobante.fechaCancelacion.isValid()
                            ? QStringLiteral("CANCELADO ANTE EL SAT el %1")
                                  .arg(comprobante.fechaCancelacion.toString(QStringLiteral("dd/MM/yyyy")))
                            : QStringLiteral("CANCELADO ANTE EL SAT");
    return e;
}

// ---------------------------------------------------------------------------
// Amount in words.

const char* const UNIDADES[] = {
    "",           "UN",         "DOS",        "TRES",         "CUATRO",      "CINCO",      "SEIS",
    "SIETE",      "OCHO",       "NUEVE",      "DIEZ",         "ONCE",        "DOCE",       "TRECE",
    "CATORCE",    "QUINCE",     "DIECISÉIS",  "DIECISIETE",   "DIECIOCHO",   "DIECINUEVE", "VEINTE",
    "VEINTIÚN",   "VEINTIDÓS",  "VEINTITRÉS", "VEINTICUATRO", "VEINTICINCO", "VEINTISÉIS", "VEINTISIETE",
    "VEINTIOCHO", "VEINTINUEVE"};
const char* const DECENAS[] = {"",          "",        "",        "TREINTA", "CUARENTA",
                               "CINCUENTA", "SESENTA", "SETENTA", "OCHENTA", "NOVENTA"};
const char* const CENTENAS[] = {"",           "CIENTO",      "DOSCIENTOS",  "TRESCIENTOS", "CUATROCIENTOS",
                                "QUINIENTOS", "SEISCIENTOS", "SETECIENTOS", "OCHOCIENTOS", "NOVECIENTOS"};

// 1..99. Before a noun ("pesos", "mil", "millones") one is "UN"
// ("VEINTIÚN PESOS"); standing alone it is "UNO" ("VEINTIUNO").
QString decenas(int n, bool apocope)
{
    if (n == 1)
        return apocope ? QStringLiteral("UN") : QStringLiteral("UNO");
    if (n == 21)
        return apocope ? QStringLiteral("VEINTIÚN") : QStringLiteral("VEINTIUNO");
    if (n < 30)
        return QString::fromUtf8(UNIDADES[n]);
    const QString d = QString::fromUtf8(DECENAS[n / 10]);
    return n % 10 == 0 ? d : d + QStringLiteral(" Y ") + decenas(n % 10, apocope);
}

QString centenas(int n, bool apocope)
{
    if (n == 100)
        return QStringLiteral("CIEN");
    const QString c = QString::fromUtf8(CENTENAS[n / 100]);
    const int resto = n % 100;
    if (resto == 0)
        return c;
    return c.isEmpty() ? decenas(resto, apocope) : c + QLatin1Char(' ') + decenas(resto, apocope);
}

// 1..999,999.
QString miles(qint64 n, bool apocope)
{
    const int m = int(n / 1000);
    const int resto = int(n % 1000);
    QString texto;
    if (m == 1)
        texto = QStringLiteral("MIL");
    else if (m > 1)
        texto = centenas(m, true) + QStringLiteral(" MIL");
    if (resto > 0)
        texto = texto.isEmpty() ? centenas(resto, apocope) : texto + QLatin1Char(' ') + centenas(resto, apocope);
    return texto;
}

QString enLetras(qint64 n, bool apocope)
{
    if (n == 0)
        return QStringLiteral("CERO");
    const qint64 millones = n / 1'000'000;
    const qint64 resto = n % 1'000'000;
    QString texto;
    if (millones == 1)
        texto = QStringLiteral("UN MILLÓN");
    else if (millones > 1)
        texto = miles(millones, true) + QStringLiteral(" MILLONES");
    if (resto > 0)
        texto = texto.isEmpty() ? miles(resto, apocope) : texto + QLatin1Char(' ') + miles(resto, apocope);
    return texto;
}

// The currency the voucher names: 3.2 wrote free text ("Pesos", "M.N.").
QString codigoMoneda(const QString& moneda)
{
    const QString m = moneda.trimmed().toUpper();
    if (m.isEmpty() || m == QStringLiteral("MXN") || m == QStringLiteral("MN") || m == QStringLiteral("M.N.") ||
        m == QStringLiteral("MXP") || m.startsWith(QStringLiteral("PESO")))
        return QStringLiteral("MXN");
    if (m == QStringLiteral("USD") || m.startsWith(QStringLiteral("DOLAR")) || m.startsWith(QStringLiteral("DÓLAR")))
        return QStringLiteral("USD");
    if (m == QStringLiteral("EUR") || m.startsWith(QStringLiteral("EURO")))
        return QStringLiteral("EUR");
    return m;
}

QString tt32(const TDecimal& total)
{
    const qint64 m = std::abs(total.millonesimos());
    return QStringLiteral("%1.%2")
        .arg(m / TDecimal::ESCALA, 10, 10, QLatin1Char('0'))
        .arg(m % TDecimal::ESCALA, 6, 10, QLatin1Char('0'));
}

// 3.3 and 4.0: the total without the zeros that carry no value, one decimal
// kept ("1000.0", "2010.01").
QString tt33(const TDecimal& total)
{
    QString t = total.texto();
    if (!t.contains(QLatin1Char('.')))
        t += QStringLiteral(".0");
    return t;
}

QString rfcEnDireccion(const QString& rfc)
{
    // "&" would end the parameter and "Ñ" is no URL character: both travel
    // percent-encoded as UTF-8 (RFC 3986), as any browser would send them.
    return QString::fromLatin1(QUrl::toPercentEncoding(rfc.trimmed()));
}

} // namespace

QString importeConLetra(const TDecimal& importe, const QString& moneda)
{
    const qint64 m = importe.millonesimos();
    const qint64 centavosTotales = (std::abs(m) + 5'000) / 10'000;
    const qint64 enteros = centavosTotales / 100;
    const int centavos = int(centavosTotales % 100);
    const QString codigo = codigoMoneda(moneda);
    QString singular, plural, sufijo;
    if (codigo == QStringLiteral("MXN")) {
        singular = QStringLiteral("PESO");
        plural = QStringLiteral("PESOS");
        sufijo = QStringLiteral("M.N.");
    } else if (codigo == QStringLiteral("USD")) {
        singular = QStringLiteral("DÓLAR");
        plural = QStringLiteral("DÓLARES");
        sufijo = codigo;
    } else if (codigo == QStringLiteral("EUR")) {
        singular = QStringLiteral("EURO");
        plural = QStringLiteral("EUROS");
        sufijo = codigo;
    } else
        sufijo = codigo;
    const bool conNombre = !plural.isEmpty();
    QString texto = enLetras(enteros, conNombre);
    if (conNombre) {
        // "UN MILLÓN DE PESOS", "DOS MILLONES DE PESOS".
        if (enteros >= 1'000'000 && enteros % 1'000'000 == 0)
            texto += QStringLiteral(" DE");
        texto += QLatin1Char(' ') + (enteros == 1 ? singular : plural);
    }
    if (m < 0 && centavosTotales > 0)
        texto = QStringLiteral("MENOS ") + texto;
    return QStringLiteral("(%1 %2/100 %3)").arg(texto).arg(centavos, 2, 10, QLatin1Char('0')).arg(sufijo);
}

QString direccionQr(const QByteArray& xml)
{
    try {
        const TDocumentoXML documento = TDocumentoXML::desdeBytes(xml);
        const TNodoXML raiz = documento.raiz();
        const QString version = Cfdi::versionPorContenido(raiz);
        const QString uuid = Cfdi::uuid(raiz);
        if (version.isEmpty() || uuid.isEmpty())
            return {};
        if (version == Constantes::CFDI_32) {
            const Cfdv32::IXMLComprobante c = Cfdv32::GetComprobante(documento);
            TDecimal total;
            if (!TDecimal::intenta(c.Get_total(), total))
                return {};
            return QStringLiteral("?re=%1&rr=%2&tt=%3&id=%4")
                .arg(rfcEnDireccion(c.Get_Emisor().Get_rfc()), rfcEnDireccion(c.Get_Receptor().Get_rfc()), tt32(total),
                     uuid);
        }
        const Cfdv33::TComprobanteComun c(raiz);
        TDecimal total;
        if (!TDecimal::intenta(c.Get_Total(), total))
            return {};
        const QString sello = c.Get_Sello().trimmed();
        return QStringLiteral("https://verificacfdi.facturaelectronica.sat.gob.mx/default.aspx"
                              "?id=%1&re=%2&rr=%3&tt=%4&fe=%5")
            .arg(uuid, rfcEnDireccion(c.hijoPropio("Emisor").atributo("Rfc")),
                 rfcEnDireccion(c.hijoPropio("Receptor").atributo("Rfc")), tt33(total), sello.right(8));
    } catch (const std::exception&) {
        return {};
    }
}

bool dibuja(const QList<TComprobante>& comprobantes, QPagedPaintDevice& dispositivo, QString* error)
{
    std::vector<TModelo> modelos(comprobantes.size());
    for (qsizetype i = 0; i < comprobantes.size(); ++i) {
        QString motivo;
        if (!leeModelo(comprobantes[i], modelos[i], motivo)) {
            if (error)
                *error = comprobantes.size() > 1 ? QStringLiteral("Comprobante %1: %2").arg(i + 1).arg(motivo) : motivo;
            return false;
        }
    }
    if (modelos.empty()) {
        if (error)
            *error = QStringLiteral("No hay comprobantes que imprimir.");
        return false;
    }
    QPainter pintor;
    if (!pintor.begin(&dispositivo)) {
        if (error)
            *error = QStringLiteral("No se pudo empezar a dibujar en el dispositivo.");
        return false;
    }
    pintor.setRenderHint(QPainter::Antialiasing);
    for (size_t i = 0; i < modelos.size(); ++i) {
        const TEncabezado e = encabezado(modelos[i], comprobantes[qsizetype(i)]);
        TLienzo medida(dispositivo, nullptr, e, 0);
        dibujaModelo(medida, modelos[i]);
        if (i > 0)
            dispositivo.newPage();
        TLienzo lienzo(dispositivo, &pintor, e, medida.paginas());
        dibujaModelo(lienzo, modelos[i]);
    }
    pintor.end();
    return true;
}

bool guardaPdf(const QList<TComprobante>& comprobantes, const QString& archivoPdf, QString* error)
{
    const QFileInfo destino(archivoPdf);
    QTemporaryFile temporal(destino.absolutePath() + QStringLiteral("/.") + destino.fileName() +
                            QStringLiteral(".XXXXXX"));
    if (!temporal.open()) {
        if (error)
            *error = QStringLiteral("No se pudo crear el archivo temporal junto a %1: %2")
                         .arg(archivoPdf, temporal.errorString());
        return false;
    }
    {
        QPdfWriter pdf(&temporal);
        pdf.setPageSize(QPageSize(QPageSize::Letter));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setResolution(300);
        pdf.setCreator(QStringLiteral("Velkor"));
        pdf.setTitle(QStringLiteral("CFDI"));
        if (!dibuja(comprobantes, pdf, error))
            return false;
    }
    if (!temporal.flush() || ::fsync(temporal.handle()) != 0) {
        if (error)
            *error = QStringLiteral("No se pudo escribir %1: %2").arg(archivoPdf, temporal.errorString());
        return false;
    }
    temporal.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // rename(2) replaces a previous copy in one step: a reader sees the old
    // PDF or the new one, never half of it.
    if (::rename(QFile::encodeName(temporal.fileName()).constData(), QFile::encodeName(archivoPdf).constData()) != 0) {
        if (error)
            *error = QStringLiteral("No se pudo guardar %1: %2").arg(archivoPdf, Errores::delSistema(errno));
        return false;
    }
    temporal.setAutoRemove(false);
    return true;
}

} // namespace ImpresionComprobante
