#include "ModeloImpresion.h"

#include "Cfdi.h"
#include "DocumentoXML.h"

#include <QXmlStreamReader>

#include <initializer_list>
#include <utility>

// The complements that describe a sale or the voucher itself, read from their
// plain element views: the detail retail chains ask of their suppliers, the
// legends the law asks for and what parties report to the electoral institute.
namespace ImpresionComprobante {

namespace {

// The retail complement keeps its data in the text of elements, not in
// attributes: the text, blanks collapsed (emitters wrap it over lines).
QString texto(const TNodoXML& n)
{
    if (!n.existe())
        return {};
    QXmlStreamReader lector(n.xml());
    return lector.readNextStartElement() ? lector.readElementText(QXmlStreamReader::IncludeChildElements).simplified()
                                         : QString();
}

// The texts of every child `nombre`.
QStringList textos(const TNodoXML& padre, const char* nombre)
{
    QStringList lista;
    for (const TNodoXML& n : padre.hijosPropios(nombre))
        lista << texto(n);
    return lista;
}

// The Spanish name of one of the retail complement's codes (GS1's, in
// English); a code not listed prints as written, or as `otro` when given.
QString nombreCodigo(std::initializer_list<std::pair<const char*, QString>> nombres, const QString& codigo,
                     const QString& otro = {})
{
    for (const auto& [clave, nombre] : nombres)
        if (codigo.trimmed() == QLatin1StringView(clave))
            return nombre;
    return otro.isEmpty() ? codigo.trimmed() : otro;
}

// A party of the retail complement (buyer, seller, place of delivery,
// customs...): its GLN, the other numbers it is known by, its name and
// address and its contact, on one line.
QString parteDetallista(const TNodoXML& p)
{
    if (!p.existe())
        return {};
    QStringList otras;
    for (const TNodoXML& a : p.hijosPropios("alternatePartyIdentification"))
        otras << une({nombreCodigo({{"SELLER_ASSIGNED_IDENTIFIER_FOR_A_PARTY", QStringLiteral("No. de proveedor")},
                                    {"IEPS_REFERENCE", QStringLiteral("Registro IEPS")},
                                    {"VA", QStringLiteral("RFC")},
                                    {"BN", QStringLiteral("Pedimento")}},
                                   a.atributo("type")),
                      texto(a)},
                     QStringLiteral(" "));
    const TNodoXML direccion = p.hijoPropio("nameAndAddress");
    return une(
        {conEtiqueta(QStringLiteral("GLN"), texto(p.hijoPropio("gln"))), une(otras),
         texto(direccion.hijoPropio("name")), texto(direccion.hijoPropio("streetAddressOne")),
         texto(direccion.hijoPropio("city")),
         conEtiqueta(QStringLiteral("C.P."), texto(direccion.hijoPropio("postalCode"))),
         conEtiqueta(QStringLiteral("contacto"),
                     texto(p.hijoPropio("contactInformation").hijoPropio("personOrDepartmentName").hijoPropio("text"))),
         conEtiqueta(QStringLiteral("del"), texto(p.hijoPropio("ReferenceDate")))});
}

// An order or delivery note the voucher answers to: its numbers and date.
QString documentoDetallista(const TNodoXML& d)
{
    return une({une(textos(d, "referenceIdentification")),
                conEtiqueta(QStringLiteral("del"), texto(d.hijoPropio("ReferenceDate")))},
               QStringLiteral(" "));
}

// A discount or charge, of the whole voucher or of one line.
QString descuentoOCargo(const TNodoXML& a)
{
    const TNodoXML monto = a.hijoPropio("monetaryAmountOrPercentage");
    return une({conEtiqueta(QStringLiteral("servicio"), texto(a.hijoPropio("specialServicesType"))),
                porcentaje(texto(monto.hijoPropio("rate").hijoPropio("percentage"))),
                porcentaje(texto(monto.hijoPropio("percentagePerUnit"))),
                conEtiqueta(QStringLiteral("por unidad"),
                            importe(texto(monto.hijoPropio("ratePerUnit").hijoPropio("amountPerUnit")))),
                nombreCodigo({{"BILL_BACK", QStringLiteral("por nota de crédito")},
                              {"OFF_INVOICE", QStringLiteral("en la factura")}},
                             a.atributo("settlementType")),
                conEtiqueta(QStringLiteral("secuencia"), a.atributo("sequenceNumber"))},
               QStringLiteral(" "));
}

// What a line of the retail complement adds to the voucher's concept: other
// keys of the article, lots, customs, discounts and taxes.
QString detalleArticulo(const TNodoXML& l)
{
    QStringList partes;
    for (const TNodoXML& a : l.hijosPropios("alternateTradeItemIdentification"))
        partes << une({nombreCodigo({{"BUYER_ASSIGNED", QStringLiteral("Clave del comprador")},
                                     {"SUPPLIER_ASSIGNED", QStringLiteral("Clave del proveedor")},
                                     {"SERIAL_NUMBER", QStringLiteral("No. de serie")}},
                                    a.atributo("type")),
                       texto(a)},
                      QStringLiteral(" "));
    for (const TNodoXML& c : l.hijosPropios("aditionalQuantity"))
        partes << conEtiqueta(
            QStringLiteral("Cantidad adicional"),
            une({importe(texto(c)), nombreCodigo({{"NUM_CONSUMER_UNITS", QStringLiteral("unidades de consumo")},
                                                  {"FREE_GOODS", QStringLiteral("sin cargo")}},
                                                 c.atributo("QuantityType"))},
                QStringLiteral(" ")));
    partes << conEtiqueta(
        QStringLiteral("Importe bruto"),
        importe(texto(l.hijoPropio("totalLineAmount").hijoPropio("grossAmount").hijoPropio("Amount"))));
    for (const TNodoXML& r : l.hijoPropio("AdditionalInformation").hijosPropios("referenceIdentification"))
        partes << conEtiqueta(QStringLiteral("Referencia"), une({r.atributo("type"), texto(r)}, QStringLiteral(" ")));
    for (const TNodoXML& c : l.hijosPropios("Customs"))
        partes << conEtiqueta(QStringLiteral("Aduana"), parteDetallista(c));
    partes << conEtiqueta(QStringLiteral("SSCC"),
                          une(textos(l.hijoPropio("LogisticUnits"), "serialShippingContainerCode")));
    const TNodoXML tarimas = l.hijoPropio("palletInformation");
    partes << conEtiqueta(QStringLiteral("Tarimas"),
                          une({texto(tarimas.hijoPropio("palletQuantity")), texto(tarimas.hijoPropio("description"))},
                              QStringLiteral(" ")));
    for (const TNodoXML& lote : l.hijoPropio("extendedAttributes").hijosPropios("lotNumber"))
        partes << conEtiqueta(QStringLiteral("Lote"), une({texto(lote), conEtiqueta(QStringLiteral("producido el"),
                                                                                    lote.atributo("productionDate"))},
                                                          QStringLiteral(" ")));
    for (const TNodoXML& a : l.hijosPropios("allowanceCharge"))
        partes << une({nombreCodigo({{"ALLOWANCE", QStringLiteral("Descuento")}, {"CHARGE", QStringLiteral("Cargo")}},
                                    a.atributo("allowanceChargeType")),
                       descuentoOCargo(a)},
                      QStringLiteral(" "));
    for (const TNodoXML& i : l.hijosPropios("tradeItemTaxInformation")) {
        const TNodoXML monto = i.hijoPropio("tradeItemTaxAmount");
        partes << une(
            {QStringLiteral("Impuesto"), texto(i.hijoPropio("taxTypeDescription")),
             texto(i.hijoPropio("referenceNumber")),
             nombreCodigo({{"TRANSFERIDO", QStringLiteral("trasladado")}, {"RETENIDO", QStringLiteral("retenido")}},
                          texto(i.hijoPropio("taxCategory"))),
             porcentaje(texto(monto.hijoPropio("taxPercentage"))),
             conEtiqueta(QStringLiteral("importe"), importe(texto(monto.hijoPropio("taxAmount"))))},
            QStringLiteral(" "));
    }
    return une(partes, QStringLiteral(" · "));
}

// The detail that retail chains ask of their suppliers (GS1's invoice): what
// the document is, the order and delivery it answers to, who buys and who
// sells by their GLN, the terms agreed, the articles and the totals.
void leeDetallista(const TNodoXML& d, TSeccion& s)
{
    agrega(s.pares, QStringLiteral("Tipo de documento"),
           nombreCodigo({{"INVOICE", QStringLiteral("Factura")},
                         {"DEBIT_NOTE", QStringLiteral("Nota de cargo")},
                         {"CREDIT_NOTE", QStringLiteral("Nota de crédito")},
                         {"LEASE_RECEIPT", QStringLiteral("Recibo de arrendamiento")},
                         {"HONORARY_RECEIPT", QStringLiteral("Recibo de honorarios")},
                         {"PARTIAL_INVOICE", QStringLiteral("Factura parcial")},
                         {"TRANSPORT_DOCUMENT", QStringLiteral("Documento de transporte")},
                         {"AUTO_INVOICE", QStringLiteral("Autofactura")}},
                        texto(d.hijoPropio("requestForPaymentIdentification").hijoPropio("entityType"))));
    agrega(s.pares, QStringLiteral("Estado del documento"),
           nombreCodigo({{"ORIGINAL", QStringLiteral("Original")},
                         {"COPY", QStringLiteral("Copia")},
                         {"REEMPLAZA", QStringLiteral("Reemplaza a otro")},
                         {"DELETE", QStringLiteral("Cancelación")}},
                        d.atributo("documentStatus")));
    agrega(s.pares, QStringLiteral("Estructura"),
           une({d.atributo("documentStructureVersion"),
                conEtiqueta(QStringLiteral("versión"), d.atributo("contentVersion"))},
               QStringLiteral(" ")));
    agrega(s.pares, QStringLiteral("Pedido"), documentoDetallista(d.hijoPropio("orderIdentification")));
    for (const TNodoXML& r : d.hijoPropio("AdditionalInformation").hijosPropios("referenceIdentification")) {
        const QString tipo = r.atributo("type").trimmed();
        const QString etiqueta = nombreCodigo({{"AAE", QStringLiteral("Cuenta predial")},
                                               {"ATZ", QStringLiteral("No. de aprobación")},
                                               {"AWR", QStringLiteral("Documento que se reemplaza")},
                                               {"ON", QStringLiteral("No. de pedido")},
                                               {"IV", QStringLiteral("No. de factura")},
                                               {"DQ", QStringLiteral("Folio de recepción")},
                                               {"ACE", QStringLiteral("Documento relacionado")}},
                                              tipo, une({QStringLiteral("Referencia"), tipo}, QStringLiteral(" ")));
        agrega(s.pares, etiqueta, texto(r));
    }
    agrega(s.pares, QStringLiteral("Remisión"), documentoDetallista(d.hijoPropio("DeliveryNote")));
    agrega(s.pares, QStringLiteral("Comprador"), parteDetallista(d.hijoPropio("buyer")));
    agrega(s.pares, QStringLiteral("Vendedor"), parteDetallista(d.hijoPropio("seller")));
    agrega(s.pares, QStringLiteral("Entregar en"), parteDetallista(d.hijoPropio("shipTo")));
    agrega(s.pares, QStringLiteral("Emisor de la factura"), parteDetallista(d.hijoPropio("InvoiceCreator")));
    for (const TNodoXML& c : d.hijosPropios("Customs"))
        agrega(s.pares, QStringLiteral("Aduana"), parteDetallista(c));
    for (const TNodoXML& m : d.hijosPropios("currency")) {
        QStringList usos;
        for (const QString& uso : textos(m, "currencyFunction"))
            usos << nombreCodigo({{"BILLING_CURRENCY", QStringLiteral("de facturación")},
                                  {"PRICE_CURRENCY", QStringLiteral("de precios")},
                                  {"PAYMENT_CURRENCY", QStringLiteral("de pago")}},
                                 uso);
        agrega(s.pares, QStringLiteral("Moneda"),
               une({m.atributo("currencyISOCode"), une(usos),
                    conEtiqueta(QStringLiteral("tipo de cambio"), texto(m.hijoPropio("rateOfChange")))},
                   QStringLiteral(" ")));
    }
    const TNodoXML plazo = d.hijoPropio("paymentTerms");
    const TNodoXML neto = plazo.hijoPropio("netPayment");
    const TNodoXML periodo = neto.hijoPropio("paymentTimePeriod").hijoPropio("timePeriodDue");
    agrega(s.pares, QStringLiteral("Plazo de pago"),
           une({nombreCodigo({{"BASIC_NET", QStringLiteral("neto")},
                              {"END_OF_MONTH", QStringLiteral("fin de mes")},
                              {"BASIC_DISCOUNT_OFFERED", QStringLiteral("con descuento")}},
                             neto.atributo("netPaymentTermsType")),
                conEtiqueta(QStringLiteral("a"),
                            une({texto(periodo.hijoPropio("value")),
                                 nombreCodigo({{"DAYS", QStringLiteral("días")}}, periodo.atributo("timePeriod"))},
                                QStringLiteral(" "))),
                nombreCodigo({{"DATE_OF_INVOICE", QStringLiteral("desde la fecha de la factura")},
                              {"EFFECTIVE_DATE", QStringLiteral("desde la fecha efectiva")}},
                             plazo.atributo("paymentTermsEvent"))},
               QStringLiteral(" ")));
    agrega(s.pares, QStringLiteral("Descuento por pronto pago"),
           porcentaje(texto(plazo.hijoPropio("discountPayment").hijoPropio("percentage"))));
    for (const TNodoXML& i : d.hijosPropios("specialInstruction"))
        agrega(s.pares,
               nombreCodigo({{"AAB", QStringLiteral("Condiciones de pago")},
                             {"DUT", QStringLiteral("Impuestos y aranceles")},
                             {"PUR", QStringLiteral("Información de compras")}},
                            i.atributo("code"), QStringLiteral("Instrucción especial")),
               textos(i, "text").join(QLatin1Char(' ')));
    for (const TNodoXML& a : d.hijosPropios("allowanceCharge"))
        agrega(s.pares,
               a.atributo("allowanceChargeType") == QLatin1StringView("CHARGE_GLOBAL")
                   ? QStringLiteral("Cargo global")
                   : QStringLiteral("Descuento global"),
               descuentoOCargo(a));

    TTabla articulos = tabla(QStringLiteral("Artículos"), {{QStringLiteral("No."), 0.06, false},
                                                           {QStringLiteral("GTIN"), 0.16, false},
                                                           {QStringLiteral("Descripción"), 0.30, false},
                                                           {QStringLiteral("Cantidad"), 0.12, true},
                                                           {QStringLiteral("Precio bruto"), 0.12, true},
                                                           {QStringLiteral("Precio neto"), 0.12, true},
                                                           {QStringLiteral("Importe neto"), 0.12, true}});
    for (const TNodoXML& l : d.hijosPropios("lineItem")) {
        const TNodoXML cantidad = l.hijoPropio("invoicedQuantity");
        articulos.filas.append(
            {{l.atributo("number"), texto(l.hijoPropio("tradeItemIdentification").hijoPropio("gtin")),
              une(textos(l.hijoPropio("tradeItemDescriptionInformation"), "longText"), QStringLiteral(" ")),
              une({importe(texto(cantidad)), cantidad.atributo("unitOfMeasure")}, QStringLiteral(" ")),
              importe(texto(l.hijoPropio("grossPrice").hijoPropio("Amount"))),
              importe(texto(l.hijoPropio("netPrice").hijoPropio("Amount"))),
              importe(texto(l.hijoPropio("totalLineAmount").hijoPropio("netAmount").hijoPropio("Amount")))},
             detalleArticulo(l)});
    }
    QList<TPar> totales;
    agrega(totales, QStringLiteral("Importe total"), importe(texto(d.hijoPropio("totalAmount").hijoPropio("Amount"))));
    for (const TNodoXML& t : d.hijosPropios("TotalAllowanceCharge"))
        agrega(totales,
               une({t.atributo("allowanceOrChargeType") == QLatin1StringView("CHARGE")
                        ? QStringLiteral("Total de cargos")
                        : QStringLiteral("Total de descuentos"),
                    texto(t.hijoPropio("specialServicesType"))},
                   QStringLiteral(" ")),
               importe(texto(t.hijoPropio("Amount"))));
    if (articulos.filas.isEmpty())
        articulos = TTabla();
    articulos.pie = totales;
    if (!articulos.filas.isEmpty() || !articulos.pie.isEmpty())
        s.tablas.append(articulos);
}

// Legends the law requires on some vouchers (a tax benefit, a special
// regime...), each with the provision and the norm that call for it.
void leeLeyendasFiscales(const TNodoXML& l, TSeccion& s)
{
    TTabla t = tabla(QString(), {{QStringLiteral("Leyenda"), 0.60, false},
                                 {QStringLiteral("Disposición fiscal"), 0.20, false},
                                 {QStringLiteral("Norma"), 0.20, false}});
    for (const TNodoXML& x : l.hijosPropios("Leyenda"))
        t.filas.append(
            {{x.atributo("textoLeyenda").simplified(), x.atributo("disposicionFiscal"), x.atributo("norma")}, {}});
    if (!t.filas.isEmpty())
        s.tablas.append(t);
}

// What a political party or candidate paid with public money, for the
// electoral institute's audit: the process and committee, and each state
// with its scope and accounting ids. Versions 1.0 and 1.1 share them.
void leeIne(const TNodoXML& ine, TSeccion& s)
{
    agrega(s.pares, QStringLiteral("Tipo de proceso"), ine.atributo("TipoProceso"));
    agrega(s.pares, QStringLiteral("Tipo de comité"), ine.atributo("TipoComite"));
    agrega(s.pares, QStringLiteral("Id. de contabilidad"), ine.atributo("IdContabilidad"));
    TTabla t = tabla(QStringLiteral("Entidades"), {{QStringLiteral("Entidad"), 0.20, false},
                                                   {QStringLiteral("Ámbito"), 0.20, false},
                                                   {QStringLiteral("Id. de contabilidad"), 0.60, false}});
    for (const TNodoXML& e : ine.hijosPropios("Entidad")) {
        QStringList contabilidades;
        for (const TNodoXML& c : e.hijosPropios("Contabilidad"))
            contabilidades << c.atributo("IdContabilidad");
        t.filas.append({{e.atributo("ClaveEntidad"), e.atributo("Ambito"), une(contabilidades)}, {}});
    }
    if (!t.filas.isEmpty())
        s.tablas.append(t);
}

} // namespace

QStringList complementosDeConcepto(const TNodoXML& concepto)
{
    QStringList detalle;
    // A school's fee is deductible only when the voucher names the student
    // and the school's official recognition for that level.
    for (const TNodoXML& a :
         concepto.hijoPropio("ComplementoConcepto").hijos("http://www.sat.gob.mx/iedu", "instEducativas"))
        detalle << une({conEtiqueta(QStringLiteral("Alumno:"), a.atributo("nombreAlumno")),
                        conEtiqueta(QStringLiteral("CURP"), a.atributo("CURP")),
                        conEtiqueta(QStringLiteral("nivel educativo"), a.atributo("nivelEducativo")),
                        conEtiqueta(QStringLiteral("RVOE"), a.atributo("autRVOE")),
                        conEtiqueta(QStringLiteral("RFC de quien paga"), a.atributo("rfcPago"))});
    return detalle;
}

void leeComplementosDetalle(TModelo& m, const TNodoXML& raiz)
{
    porVersion(m, raiz, {"http://www.sat.gob.mx/detallista"}, "detallista", QStringLiteral("Complemento detallista"),
               leeDetallista);
    porVersion(m, raiz, {"http://www.sat.gob.mx/leyendasFiscales"}, "LeyendasFiscales",
               QStringLiteral("Leyendas fiscales"), leeLeyendasFiscales);
    porVersion(m, raiz, {"http://www.sat.gob.mx/ine"}, "INE", QStringLiteral("Instituto Nacional Electoral"), leeIne);
}

} // namespace ImpresionComprobante
