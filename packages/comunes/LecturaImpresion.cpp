#include "ModeloImpresion.h"

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
#include "TiposComprobante.h"
#include "TimbreFiscalDigital.h"

#include <type_traits>

namespace ImpresionComprobante {

QString importe(const QString& texto)
{
    TDecimal d;
    return TDecimal::intenta(texto, d) ? FormatoImporte::conMiles(d) : texto.trimmed();
}

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

QString enMoneda(const QString& texto, const QString& moneda)
{
    TDecimal d;
    if (!TDecimal::intenta(texto, d))
        return texto.trimmed();
    // "$" is also the dollar's sign: only pesos wear it, any other currency
    // is named by its code so that no amount passes for pesos.
    // "XXX", no currency at all, is what a payment receipt states for its
    // zero amounts.
    const QString codigo = codigoMoneda(moneda);
    if (codigo == QStringLiteral("MXN"))
        return FormatoImporte::pesos(d);
    if (codigo == QStringLiteral("XXX"))
        return FormatoImporte::conMiles(d);
    return FormatoImporte::conMiles(d) + QLatin1Char(' ') + codigo;
}

void agrega(QList<TPar>& pares, const QString& etiqueta, const QString& valor)
{
    if (!valor.trimmed().isEmpty())
        pares.append({etiqueta, valor.trimmed()});
}

QString une(const QStringList& partes, const QString& separador)
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

namespace {

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

// Local rates are written as percentages ("2.50"), unlike the federal
// fractions ("0.160000") printed beside them: the sign tells them apart.
void leeImpuestosLocales(TModelo& m, const TNodoXML& raiz, const QString& moneda, QList<TPar>& totales)
{
    for (const Implocal::IXMLImpuestosLocales& l : Implocal::deComprobante(raiz)) {
        const auto traslados = l.Get_TrasladosLocales();
        for (int i = 0; i < traslados.Count(); ++i) {
            const auto t = traslados.Get_TrasladosLocales(i);
            agregaImpuesto(m.impuestos, {QStringLiteral("Traslado local"), t.Get_ImpLocTrasladado(), QString(),
                                         porcentaje(t.Get_TasadeTraslado()), QString(), t.Get_Importe()});
        }
        const auto retenciones = l.Get_RetencionesLocales();
        for (int i = 0; i < retenciones.Count(); ++i) {
            const auto r = retenciones.Get_RetencionesLocales(i);
            agregaImpuesto(m.impuestos, {QStringLiteral("Retención local"), r.Get_ImpLocRetenido(), QString(),
                                         porcentaje(r.Get_TasadeRetencion()), QString(), r.Get_Importe()});
        }
        agrega(totales, QStringLiteral("Traslados locales"), enMoneda(l.Get_TotaldeTraslados(), moneda));
        agrega(totales, QStringLiteral("Retenciones locales"), enMoneda(l.Get_TotaldeRetenciones(), moneda));
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
    leeNomina(m, raiz);
    leeDonatarias(m, raiz);
    leeComplementosComerciales(m, raiz);
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
        // An imported part answers to its own customs entry, not the line's.
        QStringList pedimentos;
        const auto aduanaParte = p.Get_InformacionAduanera();
        for (int k = 0; k < aduanaParte.Count(); ++k)
            pedimentos << aduanaParte.Get_InformacionAduanera(k).Get_NumeroPedimento().trimmed();
        detalle << une({QStringLiteral("Parte:"), p.Get_ClaveProdServ(), p.Get_NoIdentificacion(), p.Get_Cantidad(),
                        p.Get_Unidad(), p.Get_Descripcion(),
                        p.Get_Importe().isEmpty() ? QString() : QStringLiteral("importe ") + importe(p.Get_Importe()),
                        conEtiqueta(QStringLiteral("pedimento"), une(pedimentos))},
                       QStringLiteral(" "));
    }
    detalle << complementosDeConcepto(c);
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
    agrega(m.totales, QStringLiteral("Subtotal"), enMoneda(c.Get_SubTotal(), c.Get_Moneda()));
    agrega(m.totales, QStringLiteral("Descuento"), enMoneda(c.Get_Descuento(), c.Get_Moneda()));
    agrega(m.totales, QStringLiteral("Impuestos trasladados"),
           enMoneda(impuestos.Get_TotalImpuestosTrasladados(), c.Get_Moneda()));
    agrega(m.totales, QStringLiteral("Impuestos retenidos"),
           enMoneda(impuestos.Get_TotalImpuestosRetenidos(), c.Get_Moneda()));
    leeImpuestosLocales(m, c, c.Get_Moneda(), m.totales);
    agrega(m.totales, QStringLiteral("Total"), enMoneda(c.Get_Total(), c.Get_Moneda()));
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
    m.relacionados.titulo = QStringLiteral("CFDI relacionados");
    // Two a line, which a line holds whole: a UUID wraps at its hyphens, and
    // a single paragraph of a thousand of them would run off the page.
    for (int i = 0; i < r.Count(); i += 2) {
        QStringList uuids{r.Get_CfdiRelacionado(i).Get_UUID().trimmed()};
        if (i + 1 < r.Count())
            uuids << r.Get_CfdiRelacionado(i + 1).Get_UUID().trimmed();
        agrega(m.relacionados.pares, QStringLiteral("Tipo de relación ") + r.Get_TipoRelacion(),
               uuids.join(QStringLiteral(", ")));
    }
}

// The issuer and the receiver as 3.3 and 4.0 write them, 4.0's own fields in
// their places.
template <class Comprobante> void leePartes(TModelo& m, const Comprobante& c)
{
    constexpr bool es40 = std::is_same_v<Comprobante, Cfdv40::IXMLComprobante>;
    const auto e = c.Get_Emisor();
    const auto r = c.Get_Receptor();
    // The header prints them as the Emisor box does: without the blanks
    // around them that the attributes may carry.
    m.nombreEmisor = e.Get_Nombre().trimmed();
    m.rfcEmisor = e.Get_Rfc().trimmed();
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
    m.nombreEmisor = e.Get_nombre().trimmed();
    m.rfcEmisor = e.Get_rfc().trimmed();
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
                    enMoneda(c.Get_MontoFolioFiscalOrig(), c.Get_Moneda())},
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
            QStringList pedimentos;
            const auto aduanaParte = p.Get_InformacionAduanera();
            for (int a = 0; a < aduanaParte.Count(); ++a)
                pedimentos << une({aduanaParte.Get_InformacionAduanera(a).Get_numero(),
                                   aduanaParte.Get_InformacionAduanera(a).Get_fecha(),
                                   aduanaParte.Get_InformacionAduanera(a).Get_aduana()},
                                  QStringLiteral(" "));
            detalle << une({QStringLiteral("Parte:"), p.Get_noIdentificacion(), p.Get_cantidad(), p.Get_unidad(),
                            p.Get_descripcion(), conEtiqueta(QStringLiteral("pedimento"), une(pedimentos))},
                           QStringLiteral(" "));
        }
        detalle << complementosDeConcepto(x);
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
    agrega(m.totales, QStringLiteral("Subtotal"), enMoneda(c.Get_subTotal(), c.Get_Moneda()));
    agrega(m.totales, QStringLiteral("Descuento"), enMoneda(c.Get_descuento(), c.Get_Moneda()));
    agrega(m.totales, QStringLiteral("Motivo del descuento"), c.Get_motivoDescuento());
    agrega(m.totales, QStringLiteral("Impuestos trasladados"),
           enMoneda(impuestos.Get_totalImpuestosTrasladados(), c.Get_Moneda()));
    agrega(m.totales, QStringLiteral("Impuestos retenidos"),
           enMoneda(impuestos.Get_totalImpuestosRetenidos(), c.Get_Moneda()));
    leeImpuestosLocales(m, c, c.Get_Moneda(), m.totales);
    agrega(m.totales, QStringLiteral("Total"), enMoneda(c.Get_total(), c.Get_Moneda()));
    TDecimal total;
    if (TDecimal::intenta(c.Get_total(), total))
        m.letra = importeConLetra(total, c.Get_Moneda());
    leeTimbre(m, c, c.Get_noCertificado());
    leeComunes(m, c);
}

} // namespace

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
    if (v.estado == VerificacionSello::TEstado::Alterado)
        m.alerta = QStringLiteral("SELLO ALTERADO");
    else if (v.estado == VerificacionSello::TEstado::CertificadoNoCorresponde)
        m.alerta = QStringLiteral("CERTIFICADO NO CORRESPONDE");
    return true;
}

} // namespace ImpresionComprobante
