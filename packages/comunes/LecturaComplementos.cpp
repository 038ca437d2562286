#include "ModeloImpresion.h"

#include "Cfdi.h"
#include "DocumentoXML.h"

#include <QByteArray>

#include <initializer_list>
#include <tuple>
#include <utility>

// The complements of trade a voucher may carry, read from their plain element
// views: payments, foreign trade and the waybill.
namespace ImpresionComprobante {

// "Etiqueta valor", or nothing when there is no value.
QString conEtiqueta(const QString& etiqueta, const QString& valor)
{
    return valor.trimmed().isEmpty() ? QString() : etiqueta + QLatin1Char(' ') + valor.trimmed();
}

QString porcentaje(const QString& valor)
{
    return valor.trimmed().isEmpty() ? QString() : valor.trimmed() + QStringLiteral(" %");
}

// A table of `columnas` (name, width, right-aligned).
TTabla tabla(const QString& titulo, const QList<std::tuple<QString, qreal, bool>>& columnas)
{
    TTabla t;
    t.titulo = titulo;
    for (const auto& [nombre, ancho, derecha] : columnas) {
        t.columnas << nombre;
        t.anchos << ancho;
        t.derecha << derecha;
    }
    return t;
}

namespace {

// The taxes of a paid document or of a payment (Pagos 2.0): the same
// attributes with the suffix of their level ("DR", "P").
QList<TImpuesto> impuestosPago(const TNodoXML& impuestos, const QByteArray& nivel)
{
    QList<TImpuesto> lista;
    const auto campo = [&nivel](const TNodoXML& n, const char* nombre) {
        return n.atributo((QByteArray(nombre) + nivel).constData());
    };
    for (const auto& [grupo, clase] :
         {std::pair{"Traslado", QStringLiteral("Traslado")}, std::pair{"Retencion", QStringLiteral("Retención")}})
        for (const TNodoXML& n : impuestos.hijoPropio((QByteArray(grupo) + "es" + nivel).constData())
                                     .hijosPropios((QByteArray(grupo) + nivel).constData()))
            lista.append({clase, nombreImpuesto(campo(n, "Impuesto")), campo(n, "TipoFactor"), campo(n, "TasaOCuota"),
                          campo(n, "Base"), campo(n, "Importe")});
    return lista;
}

// A payment receipt's voucher moves no money ("Pago", 0.00): what was paid,
// when, how and for which invoices is in its complement, 1.0 in vouchers 3.3
// and 2.0 in 4.0, whose attributes are the same but for 2.0's taxes.
void leePagos(const TNodoXML& pagos, TSeccion& s)
{
    const TNodoXML totales = pagos.hijoPropio("Totales");
    // Pagos 2.0 states its totals in pesos whatever each payment's currency.
    const QString mxn = QStringLiteral("MXN");
    for (const auto& [atributo, etiqueta] : {std::pair{"MontoTotalPagos", QStringLiteral("Monto total de los pagos")},
                                             std::pair{"TotalRetencionesIVA", QStringLiteral("IVA retenido")},
                                             std::pair{"TotalRetencionesISR", QStringLiteral("ISR retenido")},
                                             std::pair{"TotalRetencionesIEPS", QStringLiteral("IEPS retenido")}})
        agrega(s.pares, etiqueta, enMoneda(totales.atributo(atributo), mxn));
    // The receiver's tax return takes each rate's base and tax from here: a
    // rate's base and tax on one row, so that each reads with the other.
    TTabla iva = tabla(QStringLiteral("IVA trasladado en los pagos"), {{QStringLiteral("Impuesto"), 0.52, false},
                                                                       {QStringLiteral("Base"), 0.24, true},
                                                                       {QStringLiteral("Importe"), 0.24, true}});
    for (const auto& [nombre, sufijo] :
         {std::pair{QStringLiteral("IVA 16 %"), "IVA16"}, std::pair{QStringLiteral("IVA 8 %"), "IVA8"},
          std::pair{QStringLiteral("IVA 0 %"), "IVA0"}, std::pair{QStringLiteral("IVA exento"), "IVAExento"}}) {
        const QString base = enMoneda(totales.atributo((QByteArray("TotalTrasladosBase") + sufijo).constData()), mxn);
        // An exempt base has no tax, and no attribute for one.
        const QString impuesto =
            enMoneda(totales.atributo((QByteArray("TotalTrasladosImpuesto") + sufijo).constData()), mxn);
        if (!base.isEmpty() || !impuesto.isEmpty())
            iva.filas.append({{nombre, base, impuesto}, QString()});
    }
    if (!iva.filas.isEmpty())
        s.tablas.append(iva);
    int numero = 0;
    for (const TNodoXML& pago : pagos.hijosPropios("Pago")) {
        TTabla t = tabla(QString(), {{QStringLiteral("Documento (UUID)"), 0.32, false},
                                     {QStringLiteral("Serie y folio"), 0.11, false},
                                     {QStringLiteral("Moneda"), 0.07, false},
                                     {QStringLiteral("Parcialidad"), 0.11, true},
                                     {QStringLiteral("Saldo anterior"), 0.13, true},
                                     {QStringLiteral("Pagado"), 0.13, true},
                                     {QStringLiteral("Saldo insoluto"), 0.13, true}});
        t.titulo = une({QStringLiteral("Pago %1 del %2").arg(++numero).arg(pago.atributo("FechaPago")),
                        conEtiqueta(QStringLiteral("Forma de pago"), pago.atributo("FormaDePagoP")),
                        une({pago.atributo("MonedaP"),
                             conEtiqueta(QStringLiteral("tipo de cambio"), pago.atributo("TipoCambioP"))},
                            QStringLiteral(" ")),
                        conEtiqueta(QStringLiteral("No. de operación"), pago.atributo("NumOperacion")),
                        conEtiqueta(QStringLiteral("Cuenta ordenante"),
                                    une({pago.atributo("CtaOrdenante"), pago.atributo("RfcEmisorCtaOrd"),
                                         pago.atributo("NomBancoOrdExt")},
                                        QStringLiteral(" "))),
                        conEtiqueta(QStringLiteral("Cuenta beneficiaria"),
                                    une({pago.atributo("CtaBeneficiario"), pago.atributo("RfcEmisorCtaBen")},
                                        QStringLiteral(" ")))},
                       QStringLiteral(" · "));
        for (const TNodoXML& d : pago.hijosPropios("DoctoRelacionado"))
            t.filas.append(
                {{d.atributo("IdDocumento"), une({d.atributo("Serie"), d.atributo("Folio")}, QStringLiteral(" ")),
                  d.atributo("MonedaDR"), d.atributo("NumParcialidad"), importe(d.atributo("ImpSaldoAnt")),
                  importe(d.atributo("ImpPagado")), importe(d.atributo("ImpSaldoInsoluto"))},
                 une({conEtiqueta(QStringLiteral("Método de pago"), d.atributo("MetodoDePagoDR")),
                      conEtiqueta(QStringLiteral("Tipo de cambio"), d.atributo("TipoCambioDR")),
                      conEtiqueta(QStringLiteral("Equivalencia"), d.atributo("EquivalenciaDR")),
                      conEtiqueta(QStringLiteral("Objeto de impuesto"), d.atributo("ObjetoImpDR")),
                      detalleImpuestos(impuestosPago(d.hijoPropio("ImpuestosDR"), "DR"))},
                     QStringLiteral(" · "))});
        // Each payment is in its own currency, not the voucher's.
        const QString moneda = pago.atributo("MonedaP");
        agrega(t.pie, QStringLiteral("Monto del pago"), enMoneda(pago.atributo("Monto"), moneda));
        for (const TImpuesto& i : impuestosPago(pago.hijoPropio("ImpuestosP"), "P"))
            agrega(t.pie, une({i.clase, i.impuesto, i.tasa}, QStringLiteral(" ")), enMoneda(i.importe, moneda));
        s.tablas.append(t);
    }
}

// An address of the foreign trade or waybill complements, on one line.
QString domicilio(const TNodoXML& d)
{
    if (!d.existe())
        return {};
    return une({une({d.atributo("Calle"), d.atributo("NumeroExterior"),
                     conEtiqueta(QStringLiteral("int."), d.atributo("NumeroInterior"))},
                    QStringLiteral(" ")),
                d.atributo("Colonia"), d.atributo("Localidad"), d.atributo("Referencia"), d.atributo("Municipio"),
                d.atributo("Estado"), d.atributo("Pais"),
                conEtiqueta(QStringLiteral("C.P."), d.atributo("CodigoPostal"))});
}

// Goods sold abroad: the operation, its parties abroad and the goods as
// customs see them. Versions 1.0, 1.1 and 2.0 differ in a few attributes,
// each printed when present.
void leeComercioExterior(const TNodoXML& c, TSeccion& s)
{
    const std::pair<const char*, QString> campos[] = {
        {"MotivoTraslado", QStringLiteral("Motivo del traslado")},
        {"TipoOperacion", QStringLiteral("Tipo de operación")},
        {"ClaveDePedimento", QStringLiteral("Clave de pedimento")},
        {"CertificadoOrigen", QStringLiteral("Certificado de origen")},
        {"NumCertificadoOrigen", QStringLiteral("No. de certificado de origen")},
        {"NumeroExportadorConfiable", QStringLiteral("No. de exportador confiable")},
        {"Incoterm", QStringLiteral("Incoterm")},
        {"Subdivision", QStringLiteral("Subdivisión")},
        {"TipoCambioUSD", QStringLiteral("Tipo de cambio USD")},
        {"TotalUSD", QStringLiteral("Total USD")},
        {"Observaciones", QStringLiteral("Observaciones")}};
    for (const auto& [atributo, etiqueta] : campos)
        agrega(s.pares, etiqueta, c.atributo(atributo));
    const TNodoXML emisor = c.hijoPropio("Emisor");
    agrega(s.pares, QStringLiteral("CURP del emisor"), emisor.atributo("Curp"));
    agrega(s.pares, QStringLiteral("Domicilio del emisor"), domicilio(emisor.hijoPropio("Domicilio")));
    for (const TNodoXML& p : c.hijosPropios("Propietario"))
        agrega(s.pares, QStringLiteral("Propietario"),
               une({p.atributo("NumRegIdTrib"),
                    conEtiqueta(QStringLiteral("residente en"), p.atributo("ResidenciaFiscal"))},
                   QStringLiteral(" ")));
    const TNodoXML receptor = c.hijoPropio("Receptor");
    agrega(s.pares, QStringLiteral("Registro tributario del receptor"), receptor.atributo("NumRegIdTrib"));
    agrega(s.pares, QStringLiteral("Domicilio del receptor"), domicilio(receptor.hijoPropio("Domicilio")));
    for (const TNodoXML& d : c.hijosPropios("Destinatario"))
        agrega(s.pares, QStringLiteral("Destinatario"),
               une({d.atributo("Nombre"), d.atributo("NumRegIdTrib"), domicilio(d.hijoPropio("Domicilio"))}));
    TTabla t = tabla(QStringLiteral("Mercancías"), {{QStringLiteral("No. identificación"), 0.20, false},
                                                    {QStringLiteral("Fracción arancelaria"), 0.16, false},
                                                    {QStringLiteral("Cantidad en aduana"), 0.16, true},
                                                    {QStringLiteral("Unidad de aduana"), 0.14, false},
                                                    {QStringLiteral("Valor unitario aduana"), 0.17, true},
                                                    {QStringLiteral("Valor en dólares"), 0.17, true}});
    for (const TNodoXML& x : c.hijoPropio("Mercancias").hijosPropios("Mercancia")) {
        QStringList detalle;
        for (const TNodoXML& d : x.hijosPropios("DescripcionesEspecificas"))
            detalle << une({d.atributo("Marca"), conEtiqueta(QStringLiteral("modelo"), d.atributo("Modelo")),
                            conEtiqueta(QStringLiteral("submodelo"), d.atributo("SubModelo")),
                            conEtiqueta(QStringLiteral("serie"), d.atributo("NumeroSerie"))},
                           QStringLiteral(" "));
        t.filas.append({{x.atributo("NoIdentificacion"), x.atributo("FraccionArancelaria"),
                         importe(x.atributo("CantidadAduana")), x.atributo("UnidadAduana"),
                         importe(x.atributo("ValorUnitarioAduana")), importe(x.atributo("ValorDolares"))},
                        detalle.join(QStringLiteral(" · "))});
    }
    if (!t.filas.isEmpty())
        s.tablas.append(t);
}

// The waybill that travels with goods on the road (and by sea, air or rail):
// where they go, what they are, the vehicle and who drives it. Versions 2.0,
// 3.0 and 3.1 share these parts.
void leeCartaPorte(const TNodoXML& c, TSeccion& s)
{
    agrega(s.pares, QStringLiteral("Id. de la carta porte"), c.atributo("IdCCP"));
    agrega(s.pares, QStringLiteral("Transporte internacional"), c.atributo("TranspInternac"));
    agrega(s.pares, QStringLiteral("Entrada o salida"),
           une({c.atributo("EntradaSalidaMerc"), c.atributo("PaisOrigenDestino"),
                conEtiqueta(QStringLiteral("vía"), c.atributo("ViaEntradaSalida"))},
               QStringLiteral(" ")));
    agrega(s.pares, QStringLiteral("Distancia total"), conEtiqueta(c.atributo("TotalDistRec"), QStringLiteral("km")));
    const TNodoXML mercancias = c.hijoPropio("Mercancias");
    agrega(s.pares, QStringLiteral("Peso bruto total"),
           une({mercancias.atributo("PesoBrutoTotal"), mercancias.atributo("UnidadPeso")}, QStringLiteral(" ")));
    agrega(s.pares, QStringLiteral("Peso neto total"), mercancias.atributo("PesoNetoTotal"));
    agrega(s.pares, QStringLiteral("Número de mercancías"), mercancias.atributo("NumTotalMercancias"));
    const TNodoXML auto_ = mercancias.hijoPropio("Autotransporte");
    agrega(s.pares, QStringLiteral("Permiso SCT"),
           une({auto_.atributo("PermSCT"), auto_.atributo("NumPermisoSCT")}, QStringLiteral(" ")));
    const TNodoXML vehiculo = auto_.hijoPropio("IdentificacionVehicular");
    agrega(
        s.pares, QStringLiteral("Vehículo"),
        une({vehiculo.atributo("ConfigVehicular"), conEtiqueta(QStringLiteral("placa"), vehiculo.atributo("PlacaVM")),
             conEtiqueta(QStringLiteral("modelo"), vehiculo.atributo("AnioModeloVM")),
             conEtiqueta(QStringLiteral("peso bruto"), vehiculo.atributo("PesoBrutoVehicular"))},
            QStringLiteral(" ")));
    const TNodoXML seguros = auto_.hijoPropio("Seguros");
    agrega(s.pares, QStringLiteral("Seguro de responsabilidad civil"),
           une({seguros.atributo("AseguraRespCivil"), seguros.atributo("PolizaRespCivil")}, QStringLiteral(" ")));
    agrega(s.pares, QStringLiteral("Seguro de la carga"),
           une({seguros.atributo("AseguraCarga"), seguros.atributo("PolizaCarga")}, QStringLiteral(" ")));
    agrega(s.pares, QStringLiteral("Seguro de medio ambiente"),
           une({seguros.atributo("AseguraMedAmbiente"), seguros.atributo("PolizaMedAmbiente")}, QStringLiteral(" ")));
    for (const TNodoXML& r : auto_.hijoPropio("Remolques").hijosPropios("Remolque"))
        agrega(s.pares, QStringLiteral("Remolque"),
               une({r.atributo("SubTipoRem"), conEtiqueta(QStringLiteral("placa"), r.atributo("Placa"))},
                   QStringLiteral(" ")));
    const TNodoXML maritimo = mercancias.hijoPropio("TransporteMaritimo");
    agrega(s.pares, QStringLiteral("Transporte marítimo"),
           une({maritimo.atributo("NombreEmbarc"), maritimo.atributo("Matricula"), maritimo.atributo("NumeroOMI"),
                conEtiqueta(QStringLiteral("viaje"), maritimo.atributo("NumViaje"))}));
    const TNodoXML aereo = mercancias.hijoPropio("TransporteAereo");
    agrega(s.pares, QStringLiteral("Transporte aéreo"),
           une({aereo.atributo("MatriculaAeronave"), conEtiqueta(QStringLiteral("guía"), aereo.atributo("NumeroGuia")),
                aereo.atributo("CodigoTransportista")}));
    const TNodoXML ferroviario = mercancias.hijoPropio("TransporteFerroviario");
    agrega(s.pares, QStringLiteral("Transporte ferroviario"),
           une({ferroviario.atributo("TipoDeServicio"), ferroviario.atributo("TipoDeTrafico")}));

    TTabla ubicaciones =
        tabla(QStringLiteral("Ubicaciones"), {{QStringLiteral("Tipo"), 0.12, false},
                                              {QStringLiteral("Id."), 0.13, false},
                                              {QStringLiteral("Remitente o destinatario"), 0.37, false},
                                              {QStringLiteral("Salida o llegada"), 0.22, false},
                                              {QStringLiteral("Distancia"), 0.16, true}});
    for (const TNodoXML& u : c.hijoPropio("Ubicaciones").hijosPropios("Ubicacion"))
        ubicaciones.filas.append({{u.atributo("TipoUbicacion"), u.atributo("IDUbicacion"),
                                   une({u.atributo("RFCRemitenteDestinatario"),
                                        u.atributo("NombreRemitenteDestinatario"), u.atributo("NumRegIdTrib")}),
                                   u.atributo("FechaHoraSalidaLlegada"),
                                   conEtiqueta(u.atributo("DistanciaRecorrida"), QStringLiteral("km"))},
                                  domicilio(u.hijoPropio("Domicilio"))});
    TTabla bienes = tabla(QStringLiteral("Mercancías"), {{QStringLiteral("Clave"), 0.12, false},
                                                         {QStringLiteral("Descripción"), 0.40, false},
                                                         {QStringLiteral("Cantidad"), 0.12, true},
                                                         {QStringLiteral("Unidad"), 0.10, false},
                                                         {QStringLiteral("Peso en kg"), 0.13, true},
                                                         {QStringLiteral("Peligroso"), 0.13, false}});
    for (const TNodoXML& x : mercancias.hijosPropios("Mercancia")) {
        QStringList pedimentos;
        for (const TNodoXML& p : x.hijosPropios("Pedimentos"))
            pedimentos << p.atributo("Pedimento");
        bienes.filas.append(
            {{x.atributo("BienesTransp"), x.atributo("Descripcion"), importe(x.atributo("Cantidad")),
              une({x.atributo("ClaveUnidad"), x.atributo("Unidad")}, QStringLiteral(" ")),
              importe(x.atributo("PesoEnKg")),
              une({x.atributo("MaterialPeligroso"), x.atributo("CveMaterialPeligroso")}, QStringLiteral(" "))},
             une({conEtiqueta(QStringLiteral("Valor"),
                              une({importe(x.atributo("ValorMercancia")), x.atributo("Moneda")}, QStringLiteral(" "))),
                  conEtiqueta(QStringLiteral("Fracción arancelaria"), x.atributo("FraccionArancelaria")),
                  conEtiqueta(QStringLiteral("Pedimento"), pedimentos.join(QStringLiteral(", "))),
                  conEtiqueta(QStringLiteral("Embalaje"),
                              une({x.atributo("Embalaje"), x.atributo("DescripEmbalaje")}, QStringLiteral(" "))),
                  conEtiqueta(QStringLiteral("Comercio exterior"), x.atributo("UUIDComercioExt"))},
                 QStringLiteral(" · "))});
    }
    TTabla figuras = tabla(QStringLiteral("Figuras del transporte"), {{QStringLiteral("Tipo"), 0.10, false},
                                                                      {QStringLiteral("RFC"), 0.20, false},
                                                                      {QStringLiteral("Nombre"), 0.45, false},
                                                                      {QStringLiteral("Licencia"), 0.25, false}});
    for (const TNodoXML& f : c.hijoPropio("FiguraTransporte").hijosPropios("TiposFigura"))
        figuras.filas.append(
            {{f.atributo("TipoFigura"), une({f.atributo("RFCFigura"), f.atributo("NumRegIdTribFigura")}),
              f.atributo("NombreFigura"), f.atributo("NumLicencia")},
             domicilio(f.hijoPropio("Domicilio"))});
    for (TTabla* t : {&ubicaciones, &bienes, &figuras})
        if (!t->filas.isEmpty())
            s.tablas.append(*t);
}

} // namespace

// Each complement named `nombre` in the namespace of any of its versions, in
// a section of its own titled `titulo` and its version, filled by `lee`.
void porVersion(TModelo& m, const TNodoXML& raiz, std::initializer_list<const char*> espacios, const char* nombre,
                const QString& titulo, void (*lee)(const TNodoXML&, TSeccion&))
{
    for (const char* espacio : espacios)
        for (const TNodoXML& complemento : Cfdi::complementos(raiz, espacio, nombre)) {
            TSeccion s;
            // The fiscal legends write their version in lower case.
            const QString version = complemento.atributo("Version");
            s.titulo =
                une({titulo, version.isEmpty() ? complemento.atributo("version") : version}, QStringLiteral(" "));
            lee(complemento, s);
            m.complementos.append(s);
        }
}

void leeComplementosComerciales(TModelo& m, const TNodoXML& raiz)
{
    porVersion(m, raiz, {"http://www.sat.gob.mx/Pagos", "http://www.sat.gob.mx/Pagos20"}, "Pagos",
               QStringLiteral("Recepción de pagos"), leePagos);
    porVersion(m, raiz,
               {"http://www.sat.gob.mx/ComercioExterior", "http://www.sat.gob.mx/ComercioExterior11",
                "http://www.sat.gob.mx/ComercioExterior20"},
               "ComercioExterior", QStringLiteral("Comercio exterior"), leeComercioExterior);
    porVersion(m, raiz,
               {"http://www.sat.gob.mx/CartaPorte20", "http://www.sat.gob.mx/CartaPorte30",
                "http://www.sat.gob.mx/CartaPorte31"},
               "CartaPorte", QStringLiteral("Carta porte"), leeCartaPorte);
    leeComplementosDetalle(m, raiz);
}

} // namespace ImpresionComprobante
