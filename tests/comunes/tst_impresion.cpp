#include "CarpetaPrograma.h"
#include "ImpresionComprobante.h"
#include "TamanoLimitado.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace ImpresionComprobante;

namespace {

QByteArray cfdi(const QString& nombre)
{
    return TCarpetaPrograma::lee(QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/") + nombre);
}

// cfdi40-real.xml with its concepts replaced by `veces` copies of the first.
QByteArray conLineas(int veces)
{
    QString xml = QString::fromUtf8(cfdi(u"cfdi40-real.xml"_s));
    const QRegularExpression concepto(u"<cfdi:Concepto .*?</cfdi:Concepto>"_s,
                                      QRegularExpression::DotMatchesEverythingOption);
    return xml.replace(concepto, concepto.match(xml).captured(0).repeated(veces)).toUtf8();
}

// `archivo` with each pair of `cambios` written in: a text it holds once, and
// what replaces it.
QByteArray cambiado(const QString& archivo, const QStringList& cambios)
{
    QString xml = QString::fromUtf8(cfdi(archivo));
    for (qsizetype i = 0; i + 1 < cambios.size(); i += 2) {
        QTest::qCompare(xml.count(cambios[i]), qsizetype(1), "xml.count(cambios[i])", "1", __FILE__, __LINE__);
        xml.replace(cambios[i], cambios[i + 1]);
    }
    return xml.toUtf8();
}

TComprobante comprobante(const QByteArray& xml)
{
    TComprobante c;
    c.xml = xml;
    c.verificado = true;
    c.verificacion.estado = VerificacionSello::TEstado::Autentico;
    c.verificacion.motivo = u"Prueba."_s;
    return c;
}

QByteArray ejecuta(const QString& programa, const QStringList& argumentos)
{
    QProcess proceso;
    proceso.start(programa, argumentos);
    if (!proceso.waitForFinished(60000) || proceso.exitCode() != 0)
        qWarning("%s: %s", qPrintable(programa), proceso.readAllStandardError().constData());
    return proceso.readAllStandardOutput();
}

// The PDF's text as a reader sees it, blanks collapsed so that a value
// matches whatever column it fell in.
QString textoPdf(const QString& pdf)
{
    return QString::fromUtf8(ejecuta(u"pdftotext"_s, {u"-layout"_s, pdf, u"-"_s}))
        .replace(QRegularExpression(u"[ \\t]+"_s), u" "_s);
}

// The words of the first page and where each is, in points from the page's
// top left corner.
QList<std::pair<QString, QRectF>> palabrasPdf(const QString& pdf)
{
    static const QRegularExpression palabra(
        u"<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"_s);
    const QString html =
        QString::fromUtf8(ejecuta(u"pdftotext"_s, {u"-bbox"_s, u"-f"_s, u"1"_s, u"-l"_s, u"1"_s, pdf, u"-"_s}));
    QList<std::pair<QString, QRectF>> palabras;
    for (const QRegularExpressionMatch& m : palabra.globalMatch(html))
        palabras.append({m.captured(5), QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                               QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))});
    return palabras;
}

// The QR codes found on every page.
QString qrPdf(const QString& pdf, const QString& carpeta)
{
    ejecuta(u"pdftoppm"_s, {u"-png"_s, u"-r"_s, u"150"_s, pdf, carpeta + u"/p"_s});
    QStringList argumentos{u"--raw"_s, u"-q"_s};
    for (const QString& png : QDir(carpeta).entryList({u"*.png"_s}, QDir::Files, QDir::Name))
        argumentos << carpeta + u'/' + png;
    return QString::fromUtf8(ejecuta(u"zbarimg"_s, argumentos)).trimmed();
}

} // namespace

Q_DECLARE_METATYPE(VerificacionSello::TEstado)

class TstImpresion : public QObject {
    Q_OBJECT

    QTemporaryDir m_carpeta;

    QString pdf(const QList<TComprobante>& comprobantes, const QString& nombre = u"c.pdf"_s)
    {
        const QString archivo = m_carpeta.filePath(nombre);
        QString error;
        if (!guardaPdf(comprobantes, archivo, &error))
            qWarning("%s", qPrintable(error));
        return archivo;
    }
    QString texto(const QByteArray& xml) { return textoPdf(pdf({comprobante(xml)})); }
    QList<std::pair<QString, QRectF>> palabras(const QByteArray& xml) { return palabrasPdf(pdf({comprobante(xml)})); }

private slots:
    void initTestCase()
    {
        for (const char* programa : {"pdftotext", "pdftoppm", "zbarimg"})
            QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(programa)).isEmpty(),
                     qPrintable(u"Falta %1: instale poppler-utils y zbar-tools (paquetes-debian.txt)"_s.arg(
                         QString::fromLatin1(programa))));
        QVERIFY(m_carpeta.isValid());
    }

    void importeConLetra_data()
    {
        QTest::addColumn<QString>("importe");
        QTest::addColumn<QString>("moneda");
        QTest::addColumn<QString>("letra");
        const auto f = [](const char* caso, const char* importe, const char* moneda, const char* letra) {
            QTest::newRow(caso) << QString::fromUtf8(importe) << QString::fromUtf8(moneda) << QString::fromUtf8(letra);
        };
        f("cero", "0", "MXN", "(CERO PESOS 00/100 M.N.)");
        f("uno", "1", "MXN", "(UN PESO 00/100 M.N.)");
        f("veintiuno", "21", "MXN", "(VEINTIÚN PESOS 00/100 M.N.)");
        f("cien", "100", "MXN", "(CIEN PESOS 00/100 M.N.)");
        f("ciento uno", "101", "MXN", "(CIENTO UN PESOS 00/100 M.N.)");
        f("mil", "1000", "MXN", "(MIL PESOS 00/100 M.N.)");
        f("ejemplo", "2145", "MXN", "(DOS MIL CIENTO CUARENTA Y CINCO PESOS 00/100 M.N.)");
        f("millón", "1000000", "MXN", "(UN MILLÓN DE PESOS 00/100 M.N.)");
        f("millones", "2000001.99", "MXN", "(DOS MILLONES UN PESOS 99/100 M.N.)");
        f("redondeo", "0.995", "MXN", "(UN PESO 00/100 M.N.)");
        f("redondeo abajo", "20.994999", "MXN", "(VEINTE PESOS 99/100 M.N.)");
        f("miles de millones", "21521000000.10", "MXN",
          "(VEINTIÚN MIL QUINIENTOS VEINTIÚN MILLONES DE PESOS 10/100 M.N.)");
        f("dólares", "1250.5", "USD", "(MIL DOSCIENTOS CINCUENTA DÓLARES 50/100 USD)");
        f("euro", "1", "EUR", "(UN EURO 00/100 EUR)");
        f("otra moneda", "21", "GBP", "(VEINTIUNO 00/100 GBP)");
        f("3.2 en palabras", "15", "Pesos", "(QUINCE PESOS 00/100 M.N.)");
    }
    void importeConLetra()
    {
        QFETCH(QString, importe);
        QFETCH(QString, moneda);
        QFETCH(QString, letra);
        QCOMPARE(ImpresionComprobante::importeConLetra(TDecimal::desdeTexto(importe), moneda), letra);
    }

    // The QR code read back from the page holds the SAT's address.
    void direccionQr_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QString>("direccion");
        QTest::newRow("3.2") << "cfdi32-real.xml"
                             << "?re=CTO021007DZ8&rr=XAXX010101000&tt=0000004685.000000"
                                "&id=80824F3B-323E-407B-8F8E-40D83FE2E69F";
        QTest::newRow("3.3") << "cfdi33-real.xml"
                             << "https://verificacfdi.facturaelectronica.sat.gob.mx/default.aspx"
                                "?id=CEE4BE01-ADFA-4DEB-8421-ADD60F0BEDAC&re=POT9207213D6&rr=DIM8701081LA"
                                "&tt=2010.01&fe=/OAgdg==";
        QTest::newRow("4.0") << "cfdi40-real.xml"
                             << "https://verificacfdi.facturaelectronica.sat.gob.mx/default.aspx"
                                "?id=C2832671-DA6D-11EF-A83D-00155D012007&re=ISD950921HE5&rr=COSC8001137NA"
                                "&tt=1000.0&fe=hNjeNw==";
        QTest::newRow("3.2 con & y Ñ") << "cfdv32-nomina.xml"
                                       << "?re=AAA010101AAA&rr=E%26%C3%91831019M53&tt=0000040600.000000"
                                          "&id=e403f396-6a57-4625-adb4-bb436b00789f";
        QTest::newRow("RFC con &") << "h&e951128469_ingreso_iva16_stamped.xml"
                                   << "https://verificacfdi.facturaelectronica.sat.gob.mx/default.aspx"
                                      "?id=%1&re=H%26E951128469&rr=KIJ0906199R1&tt=%2&fe=MNGSxg==";
    }
    void direccionQr()
    {
        QFETCH(QString, archivo);
        QFETCH(QString, direccion);
        const QByteArray xml = cfdi(archivo);
        if (direccion.contains(u"%1"_s)) {
            const QString texto = QString::fromUtf8(xml);
            const auto uuid = QRegularExpression(u"UUID=\"([^\"]+)\""_s).match(texto).captured(1);
            const auto total = QRegularExpression(u" Total=\"([^\"]+)\""_s).match(texto).captured(1);
            direccion = direccion.arg(uuid, TDecimal::desdeTexto(total).texto());
        }
        QCOMPARE(ImpresionComprobante::direccionQr(xml), direccion);
        QTemporaryDir imagenes;
        QCOMPARE(qrPdf(pdf({comprobante(xml)}), imagenes.path()), direccion);
    }

    // A 3.2 total below zero is valid there, and its address keeps the sign.
    void direccionQrNegativa()
    {
        QByteArray xml = cfdi(u"cfdi32-real.xml"_s);
        xml.replace("total=\"4685.00\"", "total=\"-4685.00\"");
        QVERIFY2(ImpresionComprobante::direccionQr(xml).contains(u"&tt=-0000004685.000000&"_s),
                 qPrintable(ImpresionComprobante::direccionQr(xml)));
    }

    void sinTimbreNoHayDireccion()
    {
        QCOMPARE(ImpresionComprobante::direccionQr(cfdi(u"cfdv40-nomina12.xml"_s)), QString());
    }

    void contenido_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QStringList>("textos");
        // What no sample carries is written into one: pairs of a text of the
        // file and what replaces it.
        QTest::addColumn<QStringList>("cambios");
        QTest::addColumn<QStringList>("ausentes");
        const auto f = [](const char* caso, const char* archivo, const QStringList& textos,
                          const QStringList& cambios = {}, const QStringList& ausentes = {}) {
            QTest::newRow(caso) << QString::fromUtf8(archivo) << textos << cambios << ausentes;
        };
        // More related vouchers than a page holds: every one on paper.
        QStringList relacionados;
        for (int i = 0; i < 1000; ++i)
            relacionados << u"F4F09AEF-57F2-4BE0-A828-%1"_s.arg(i, 12, 10, QLatin1Char('0'));
        f("mil relacionados", "cfdv40-pagos20.xml", relacionados,
          {"<cfdi:CfdiRelacionado UUID=\"F4F09AEF-57F2-4BE0-A828-87D1A80ED61C\" />",
           u"<cfdi:CfdiRelacionado UUID=\"%1\"/>"_s.arg(relacionados.join(u"\"/><cfdi:CfdiRelacionado UUID=\""_s))});
        f("3.2", "cfdi32-real.xml",
          {"80824F3B-323E-407B-8F8E-40D83FE2E69F", "$4,685.00",
           "(CUATRO MIL SEISCIENTOS OCHENTA Y CINCO PESOS 00/100 M.N.)", "CEVER TOLUCA S.A. DE C.V.", "Página 1 de",
           "||1.0|80824F3B-323E-407B-8F8E-40D83FE2E69F|"});
        f("3.3 con impuestos locales", "cfdi33-real.xml",
          {"CEE4BE01-ADFA-4DEB-8421-ADD60F0BEDAC", "$2,010.01", "(DOS MIL DIEZ PESOS 01/100 M.N.)",
           "Traslado local IH 2.50 % 27.43", "Traslados locales $27.43", "Auténtico. Prueba."});
        f("3.2 con retenciones locales", "impuestos-locales-retenidos.xml",
          {"e403f396-6a57-4625-adb4-bb436b00789f", "$40,600.00", "Retención local FOO1 2.00 % 700.00",
           "Traslado local BAR2 3.00 % 1,050.00", "Retenciones locales $1,050.00",
           "(CUARENTA MIL SEISCIENTOS PESOS 00/100 M.N.)"});
        f("4.0", "cfdi40-real.xml",
          {"C2832671-DA6D-11EF-A83D-00155D012007", "$1,000.00", "(MIL PESOS 00/100 M.N.)", "Domicilio fiscal: 52176"});
        f("nómina 1.2", "cfdi40-nomina-compensacion-valid.xml",
          {"22222222-2222-2222-2222-222222222222", "Recibo de nómina", "Percepciones", "Deducciones", "Otros pagos",
           "Compensación de saldo a favor", "Total percepciones"});
        f("nómina 1.2 sin timbre", "cfdv40-nomina12.xml",
          {"Recibo de nómina", "Sin timbre fiscal digital", "Incapacidades", "Tipo de relación 09"});
        f("nómina 1.2 jubilación, separación, acciones y horas extra", "cfdv40-nomina12.xml",
          {"Origen del recurso: IP Ingresos propios", "Monto del recurso propio: 123.45",
           "Acciones o títulos: valor de mercado 12,345.67, precio al otorgarse 123.45",
           "8 horas, tipo de horas: 01 Dobles, pagado 228.45", "tipo de horas: 02 Triples",
           "8 horas, tipo de horas: 03 Simples, pagado 288.45", "Jubilación, pensión o retiro",
           "Total en una exhibición Total en parcialidades Monto diario Ingreso acumulable Ingreso no acumulable",
           "223.45 223.45 223.45 223.45 223.45", "Separación o indemnización", "Años de servicio",
           "323.45 7 323.45 323.45 323.45"});
        f("instituciones educativas 3.2", "cfdv32-instituciones-educativas.xml",
          {"Colegiatura 2015-2016", "Alumno: Jaime García Sanchez, CURP AAAA010101HNLRNL09",
           "nivel educativo Secundaria, RVOE PEFHS821923KSDJ823, RFC de quien paga BBB010101AAA"});
        f("instituciones educativas 4.0", "cfdi40-real.xml",
          {"Alumno: Ana López Ruiz, CURP LORA100101MDFPZNA1", "Primaria, RVOE 0912345"},
          {"Descripcion=\"COMISION RECARGA IDMX\" ValorUnitario=\"8.620690\" Importe=\"8.620690\" ObjetoImp=\"02\">",
           "Descripcion=\"COMISION RECARGA IDMX\" ValorUnitario=\"8.620690\" Importe=\"8.620690\" ObjetoImp=\"02\">"
           "<cfdi:ComplementoConcepto><iedu:instEducativas xmlns:iedu=\"http://www.sat.gob.mx/iedu\" version=\"1.0\" "
           "nombreAlumno=\"Ana López Ruiz\" CURP=\"LORA100101MDFPZNA1\" nivelEducativo=\"Primaria\" "
           "autRVOE=\"0912345\"/></cfdi:ComplementoConcepto>"});
        f("parte con pedimento 3.3", "cfdi33-valid.xml", {"PARTE EJEMPLO importe 1.00 pedimento 15 48 4567 6981235"});
        f("parte con pedimento 4.0", "propios/completo-40.xml",
          {"Tornillo de ejemplo importe 0.50 pedimento 21 47 3807 8003832"});
        f("parte con pedimento 3.2", "cfdv32-instituciones-educativas.xml",
          {"Parte: 2 Libro de texto pedimento 15 48 3807 8003832 2015-02-01 Nuevo Laredo"},
          {"</cfdi:ComplementoConcepto>",
           "</cfdi:ComplementoConcepto><cfdi:Parte cantidad=\"2\" descripcion=\"Libro de texto\">"
           "<cfdi:InformacionAduanera numero=\"15  48  3807  8003832\" fecha=\"2015-02-01\" "
           "aduana=\"Nuevo Laredo\"/></cfdi:Parte>"});
        f("nómina 1.1", "cfdv32-nomina.xml",
          {"Recibo de nómina", "Dias de Sueldo", "Deducciones", "No. de empleado: ABC123", "$40,600.00"});
        f("donataria", "cfdv40-donat11.xml.xml", {"Donataria autorizada", "No. de autorización"});
        f("pagos 2.0", "cfdv40-pagos20.xml",
          {"Recepción de pagos 2.0", "Monto total de los pagos: $15,166.65", "C1DF8D01-8436-4E7D-BECF-20F31624280D",
           "Pago 3 del 2021-12-05T12:39:43", "Monto del pago $4,044.44", "Objeto de impuesto 01"});
        f("pagos 2.0 totales", "cfdv40-pagos20.xml",
          {"Monto total de los pagos: $15,166.65", "IVA retenido: $1.10", "ISR retenido: $2.20", "IEPS retenido: $3.30",
           "IVA trasladado en los pagos", "Impuesto Base Importe", "IVA 16 % $1,000.00 $160.00",
           "IVA 8 % $500.00 $40.00", "IVA 0 % $300.00 $0.00", "IVA exento $250.00"},
          {"<pago20:Totales MontoTotalPagos=\"15166.65\" />",
           "<pago20:Totales TotalRetencionesIVA=\"1.10\" TotalRetencionesISR=\"2.20\" "
           "TotalRetencionesIEPS=\"3.30\" TotalTrasladosBaseIVA16=\"1000.00\" "
           "TotalTrasladosImpuestoIVA16=\"160.00\" TotalTrasladosBaseIVA8=\"500.00\" "
           "TotalTrasladosImpuestoIVA8=\"40.00\" TotalTrasladosBaseIVA0=\"300.00\" "
           "TotalTrasladosImpuestoIVA0=\"0.00\" TotalTrasladosBaseIVAExento=\"250.00\" "
           "MontoTotalPagos=\"15166.65\" />"});
        f("comercio exterior", "cfdv40-cce11.xml",
          {"Comercio exterior 1.1", "Incoterm: FOB", "Total USD: 123.45", "Fracción arancelaria", "99999999",
           "Marca modelo Modelo submodelo SubModelo serie NumeroSerie", "CURP del emisor: PEPJ800101HDFBCDQ8",
           "Destinatario: Nombre, 654321"});
        f("carta porte", "cfdv40-cartaporte20.xml",
          {"Carta porte 2.0", "Distancia total: 123.9 km", "Permiso SCT: TPAF01 6789", "Vehículo: C2 placa 123ABC",
           "Remolque: CTR032 placa Placa", "Ubicaciones", "OR123456", "Pedimento 12 34 5678 1234567",
           "Figuras del transporte", "12345678"});
        f("pagos 1.0", "created-pago-with-ns-at-root-33.xml",
          {"Recepción de pagos 1.0", "No. de operación 963852", "00000000-1111-2222-3333-00000000000B",
           "10,000.00 3,000.00 7,000.00", "Monto del pago $15,000.00", "Método de pago PPD"});
        f("detallista", "detallista-example.xml",
          {"Complemento detallista", "Tipo de documento: Factura", "Estado del documento: Original",
           "Pedido: 3 del 2017-01-01", "No. de aprobación: 2", "Remisión: 1 del 2017-01-01",
           "Comprador: GLN 7504000107903", "Instrucción especial: Un mil ciento sesenta"});

        // Amounts in the voucher's currency: "$" is for pesos alone (3.2 named
        // them in words or not at all); any other currency goes by its code, the
        // dollar too, whose sign would pass for pesos. Each payment of a receipt
        // is in its own currency.
        const QStringList euros{"Moneda=\"MXN\"", "Moneda=\"EUR\""};
        f("euros", "cfdi40-real.xml", {"Total 1,000.00 EUR", "(MIL EUROS 00/100 EUR)"}, euros, {"$"});
        f("dólares", "cfdi40-real.xml", {"Total 1,000.00 USD"}, {"Moneda=\"MXN\"", "Moneda=\"USD\""}, {"$"});
        f("otra moneda", "file_pdf.xml", {"Total 198.96 AMD"}, {}, {"$"});
        f("impuestos locales en euros", "cfdi33-real.xml", {"Traslados locales 27.43 EUR", "Total 2,010.01 EUR"}, euros,
          {"$"});
        f("3.2 en dólares escritos", "cfdi32-real.xml", {"Total 4,685.00 USD"},
          {"Moneda=\"MXN\"", "Moneda=\"Dólares\""}, {"$"});
        f("3.2 sin moneda", "cfdi32-real.xml", {"Total $4,685.00"}, {"Moneda=\"MXN\"", ""}, {"USD", "MXN"});
        f("3.2 en pesos escritos", "cfdv32-nomina.xml", {"Total $40,600.00"}, {}, {"PESOS 00/100 PESOS"});
        f("pago en dólares", "cfdv40-pagos20.xml",
          {"Monto del pago 4,044.44 USD", "Monto del pago $6,066.66", "Monto total de los pagos: $15,166.65"},
          {"MonedaP=\"MXN\" Monto=\"4044.44\"", "MonedaP=\"USD\" Monto=\"4044.44\""}, {"$4,044.44"});
        // A payment receipt's zeros are in no currency.
        f("recibo de pago sin moneda", "cfdv40-pagos20.xml", {"Total 0.00"}, {}, {"0.00 XXX"});

        // A number is never split over lines: "12,345.12" above "3456" would
        // read as another quantity. Narrow columns and the totals take a smaller
        // type, or more room, for a long one.
        f("cantidad de seis decimales", "cfdi40-real.xml", {"12,345.123456 E48"},
          {"Cantidad=\"1.000000\" ClaveUnidad=\"E48\"", "Cantidad=\"12345.123456\" ClaveUnidad=\"E48\""});
        f("valor unitario e importe", "cfdi40-real.xml", {"12,345,678.123456 1,234,567,890.123456"},
          {"ValorUnitario=\"853.448276\" Importe=\"853.448276\"",
           "ValorUnitario=\"12345678.123456\" Importe=\"1234567890.123456\""});
        f("descuento", "cfdi40-real.xml", {"8.62069 1,234,567.123456 8.62069"},
          {"ValorUnitario=\"8.620690\" Importe=\"8.620690\"",
           "ValorUnitario=\"8.620690\" Importe=\"8.620690\" Descuento=\"1234567.123456\""});
        f("importe de 18 enteros", "cfdi40-real.xml", {"853.448276 123456789012345678.123456"},
          {"Importe=\"853.448276\" ObjetoImp", "Importe=\"123456789012345678.123456\" ObjetoImp"});
        f("total", "cfdi40-real.xml", {"Total $123,456,789,012.123456"},
          {" Total=\"1000.00\"", " Total=\"123456789012.123456\""});
        f("total en otra moneda", "file_pdf.xml", {"Total 1,234,567,890.123456 AMD"},
          {" Total='198.96'", " Total='1234567890.123456'"});
        f("cantidad en 3.2", "cfdi32-real.xml", {"12,345.123456 PIEZA"},
          {"cantidad=\"5\"", "cantidad=\"12345.123456\""});
    }
    void contenido()
    {
        QFETCH(QString, archivo);
        QFETCH(QStringList, textos);
        QFETCH(QStringList, cambios);
        QFETCH(QStringList, ausentes);
        const QString texto = this->texto(cambiado(archivo, cambios));
        for (const QString& t : textos)
            QVERIFY2(texto.contains(t), qPrintable(t + u" no está en:\n"_s + texto));
        for (const QString& t : ausentes)
            QVERIFY2(!texto.contains(t), qPrintable(t + u" está en:\n"_s + texto));
    }

    // A number in a smaller type stands on the baseline of the row it is in,
    // as its neighbour does, not at the row's top.
    void numeroReducidoEnSuRenglon_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QString>("antes");
        QTest::addColumn<QString>("despues");
        QTest::addColumn<QString>("numero");
        QTest::addColumn<QString>("vecino");
        const auto f = [](const char* caso, const char* archivo, const char* antes, const char* despues,
                          const char* numero, const char* vecino) {
            QTest::newRow(caso) << archivo << antes << despues << numero << vecino;
        };
        f("celda", "cfdi40-real.xml", "Cantidad=\"1.000000\" ClaveUnidad=\"E48\"",
          "Cantidad=\"12345.123456\" ClaveUnidad=\"E48\"", "12,345.123456", "80141628");
        f("total", "cfdi40-real.xml", " Total=\"1000.00\"", " Total=\"123456789012.123456\"", "$123,456,789,012.123456",
          "Total");
        f("pie de tabla", "cfdv40-pagos20.xml", "MonedaP=\"MXN\" Monto=\"4044.44\"",
          "MonedaP=\"USD\" Monto=\"123456789012.123456\"", "123,456,789,012.123456", "pago");
    }
    void numeroReducidoEnSuRenglon()
    {
        QFETCH(QString, archivo);
        QFETCH(QString, antes);
        QFETCH(QString, despues);
        QFETCH(QString, numero);
        QFETCH(QString, vecino);
        const auto palabras = this->palabras(cambiado(archivo, {antes, despues}));
        QRectF n;
        for (const auto& [texto, donde] : palabras)
            if (texto == numero)
                n = donde;
        QVERIFY2(!n.isNull(), qPrintable(numero));
        QRectF v;
        for (const auto& [texto, donde] : palabras)
            if (texto == vecino && donde.top() < n.bottom() && donde.bottom() > n.top())
                v = donde;
        QVERIFY2(!v.isNull(), qPrintable(vecino));
        QVERIFY2(n.height() < v.height() - 0.5, "el número no se redujo");
        // DejaVu Sans goes below its baseline a fifth of its height.
        const auto base = [](const QRectF& r) { return r.bottom() - r.height() * 0.2; };
        QVERIFY2(qAbs(base(n) - base(v)) < 0.4, qPrintable(u"%1 contra %2"_s.arg(base(n)).arg(base(v))));
    }

    // A long issuer's name (the SAT allows 254 characters) takes what the
    // header leaves above the RFC, in a smaller type and cut short with "…"
    // if need be: the RFC stays in the header, above its line, and the
    // Emisor box has the name whole.
    void nombreLargoDelEmisor_data()
    {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<bool>("recortado");
        // Whole words up to `largo` characters.
        const auto nombre = [](int largo) {
            QString n = u"NOMBRE01"_s;
            for (int i = 2; n.size() + 9 <= largo; ++i)
                n += u" NOMBRE%1"_s.arg(i, 2, 10, QLatin1Char('0'));
            return n;
        };
        QTest::newRow("130") << nombre(130) << false;
        QTest::newRow("200") << nombre(200) << true;
        QTest::newRow("254") << nombre(254) << true;
        QTest::newRow("254 sin espacios") << u"N"_s.repeated(254) << true;
    }
    void nombreLargoDelEmisor()
    {
        QFETCH(QString, nombre);
        QFETCH(bool, recortado);
        const auto palabras = this->palabras(cambiado(
            u"cfdi40-real.xml"_s, {u"Nombre=\"PASE, SERVICIOS ELECTRONICOS\""_s, u"Nombre=\"%1\""_s.arg(nombre)}));
        const qreal linea = (12 + 20) / 25.4 * 72; // the header's rule, in points from the top
        QRectF rfc;
        QString encabezado, caja;
        for (const auto& [texto, donde] : palabras) {
            if (texto == u"ISD950921HE5"_s && rfc.isNull())
                rfc = donde;
            if (texto.startsWith(nombre.left(3)))
                (donde.bottom() < linea ? encabezado : caja) += texto + u' ';
        }
        QVERIFY2(!rfc.isNull() && rfc.bottom() < linea, qPrintable(u"RFC en %1"_s.arg(rfc.bottom())));
        for (const auto& [texto, donde] : palabras)
            if (texto.startsWith(nombre.left(3)) && donde.bottom() < linea)
                QVERIFY2(donde.bottom() <= rfc.top() + 0.5, qPrintable(texto));
        QCOMPARE(encabezado.contains(u"…"_s), recortado);
        if (!recortado)
            QCOMPARE(encabezado.trimmed(), nombre);
        QVERIFY2(caja.remove(u' ').contains(QString(nombre).remove(u' ')), qPrintable(caja));
    }

    // A long series and folio (the SAT allows 25 and 40 characters) take what
    // the header leaves above the folio fiscal, in a smaller type if need be:
    // the lines under them stay in the header, above its line, and none of
    // their characters is lost without an "…" to say so.
    void serieYFolioLargos_data()
    {
        QTest::addColumn<QString>("serie");
        QTest::addColumn<QString>("folio");
        QTest::newRow("letras y cifras") << u"A1B2C3D4E5F6G7H8I9J0K1L2M"_s << u"1234567890"_s.repeated(4);
        QTest::newRow("letras anchas") << u"W"_s.repeated(25) << u"M"_s.repeated(40);
    }
    void serieYFolioLargos()
    {
        QFETCH(QString, serie);
        QFETCH(QString, folio);
        const auto palabras =
            this->palabras(cambiado(u"cfdi40-real.xml"_s, {u" Serie=\"O\""_s, u" Serie=\"%1\""_s.arg(serie),
                                                           u" Folio=\"52375239\""_s, u" Folio=\"%1\""_s.arg(folio)}));
        const qreal linea = (12 + 20) / 25.4 * 72; // the header's rule, in points from the top
        const qreal derecha = 297;                 // the middle of the page: the header's right side is beyond
        QRectF tipo, uuid, version;
        for (const auto& [texto, donde] : palabras) {
            if (donde.left() < derecha || donde.top() > linea)
                continue;
            if (texto == u"INGRESO"_s)
                tipo = donde;
            if (texto == u"C2832671-DA6D-11EF-A83D-00155D012007"_s)
                uuid = donde;
            if (texto == u"4.0"_s)
                version = donde;
        }
        QVERIFY(!tipo.isNull() && !uuid.isNull());
        QVERIFY2(!version.isNull() && version.bottom() < linea, "CFDI 4.0 no está sobre la línea del encabezado");
        QString encabezado;
        for (const auto& [texto, donde] : palabras)
            if (donde.left() >= derecha && donde.top() >= tipo.bottom() && donde.top() < uuid.top()) {
                QVERIFY2(donde.bottom() <= uuid.top() + 0.5, qPrintable(texto));
                encabezado += texto;
            }
        QCOMPARE(encabezado, u"Serieyfolio:"_s + serie + folio);
    }

    // The header's RFC without the blanks around it in the attribute: the
    // same room after "RFC:" as for an RFC written without them.
    void rfcDelEncabezadoSinBlancos()
    {
        const auto separacion = [this](const QString& rfc) {
            const auto palabras =
                this->palabras(cambiado(u"cfdi40-real.xml"_s, {u" Rfc=\"ISD950921HE5\""_s, u" Rfc=\"%1\""_s.arg(rfc)}));
            for (qsizetype i = 0; i + 1 < palabras.size(); ++i)
                if (palabras[i].first == u"RFC:"_s && palabras[i + 1].first == u"ISD950921HE5"_s)
                    return palabras[i + 1].second.left() - palabras[i].second.right();
            return qreal(-1);
        };
        const qreal esperada = separacion(u"ISD950921HE5"_s);
        QVERIFY(esperada > 0);
        const qreal conBlancos = separacion(u"  ISD950921HE5  "_s);
        QVERIFY2(qAbs(conBlancos - esperada) < 0.5, qPrintable(u"%1 en vez de %2"_s.arg(conBlancos).arg(esperada)));
    }

    // Many lines flow over pages that repeat the header.
    void variasPaginas()
    {
        const QByteArray xml = conLineas(200);
        QVERIFY(xml.count("<cfdi:Concepto ") >= 200);
        const QString texto = this->texto(xml);
        QVERIFY(texto.contains(u"Página 2 de"_s));
        const int paginas = QRegularExpression(u"Página 1 de (\\d+)"_s).match(texto).captured(1).toInt();
        QVERIFY2(paginas >= 4, qPrintable(QString::number(paginas)));
        QVERIFY(texto.contains(u"Página %1 de %1"_s.arg(paginas)));
        // The header of every page, the stamp and its cadena original.
        QCOMPARE(texto.count(u"C2832671-DA6D-11EF-A83D-00155D012007"_s), paginas + 2);
    }

    // A line taller than a page (3.2 sets no length to a description) goes on
    // over the next pages under the table's header: every word, its taxes and
    // the next line are printed, and each page ends with its own footer.
    void lineaMasAltaQueUnaPagina_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QString>("descripcion");
        QTest::addColumn<QStringList>("despues");
        QTest::newRow("4.0") << "cfdi40-real.xml"
                             << "COMISION RECARGA IDMX"
                             << QStringList{"Traslado 002 IVA Tasa 0.160000 base 8.62069 importe 1.37931",
                                            "RECARGA IDMX", "$1,000.00"};
        QTest::newRow("3.2") << "cfdi32-real.xml"
                             << "ACEITE" << QStringList{"FILTRO DE ACEITE", "$4,685.00"};
    }
    void lineaMasAltaQueUnaPagina()
    {
        QFETCH(QString, archivo);
        QFETCH(QString, descripcion);
        QFETCH(QStringList, despues);
        QStringList palabras;
        for (int i = 1; i <= 1500; ++i)
            palabras << u"pal%1"_s.arg(i, 4, 10, QLatin1Char('0'));
        QString xml = QString::fromUtf8(cfdi(archivo));
        const QString atributo = u"escripcion=\"%1\""_s;
        QVERIFY(xml.contains(atributo.arg(descripcion)));
        xml.replace(atributo.arg(descripcion), atributo.arg(palabras.join(u' ')));
        const QString texto = this->texto(xml.toUtf8());
        qsizetype donde = 0;
        for (const QString& t : palabras + despues) {
            donde = texto.indexOf(t, donde);
            QVERIFY2(donde >= 0, qPrintable(t + u" no está, o no en su orden, en:\n"_s + texto));
        }
        const QStringList paginas = texto.split(u'\f', Qt::SkipEmptyParts);
        QVERIFY(paginas.size() >= 3);
        for (qsizetype i = 0; i < paginas.size(); ++i) {
            const QString pie = paginas[i].trimmed().split(u'\n').last();
            QVERIFY2(pie.contains(u"Página %1 de %2"_s.arg(i + 1).arg(paginas.size())), qPrintable(paginas[i]));
            if (paginas[i].contains(QRegularExpression(u"pal\\d{4}"_s)))
                QVERIFY2(paginas[i].contains(u"Valor unitario"_s), qPrintable(paginas[i]));
        }
    }

    // A voucher cancelled at the SAT, or whose seal does not verify, says so
    // under the header of every page; one in force and authentic (or whose
    // seal cannot be checked here) never does.
    void canceladoAnteElSat_data()
    {
        using enum VerificacionSello::TEstado;
        QTest::addColumn<int>("conceptos");
        QTest::addColumn<bool>("cancelado");
        QTest::addColumn<VerificacionSello::TEstado>("estado");
        QTest::addColumn<QString>("banda");
        QTest::newRow("una página") << 1 << true << Autentico << u"CANCELADO ANTE EL SAT el 15/03/2025"_s;
        QTest::newRow("varias páginas") << 200 << true << Autentico << u"CANCELADO ANTE EL SAT el 15/03/2025"_s;
        QTest::newRow("vigente") << 1 << false << Autentico << QString();
        QTest::newRow("no verificable") << 1 << false << NoVerificable << QString();
        QTest::newRow("alterado") << 200 << false << Alterado << u"SELLO ALTERADO"_s;
        QTest::newRow("cancelado, certificado ajeno")
            << 1 << true << CertificadoNoCorresponde
            << u"CANCELADO ANTE EL SAT el 15/03/2025 · CERTIFICADO NO CORRESPONDE"_s;
    }
    void canceladoAnteElSat()
    {
        QFETCH(int, conceptos);
        QFETCH(bool, cancelado);
        QFETCH(VerificacionSello::TEstado, estado);
        QFETCH(QString, banda);
        TComprobante c = comprobante(conLineas(conceptos));
        c.cancelado = cancelado;
        c.fechaCancelacion = QDateTime(QDate(2025, 3, 15), QTime(18, 4, 5));
        c.verificacion.estado = estado;
        const QStringList paginas = textoPdf(pdf({c})).split(u'\f', Qt::SkipEmptyParts);
        QVERIFY(paginas.size() >= (conceptos > 1 ? 4 : 1));
        for (const QString& pagina : paginas) {
            const QString encabezado = pagina.section(u"Emisor"_s, 0, 0);
            QVERIFY2(banda.isEmpty() ? !encabezado.contains(u"CANCELADO"_s) && !encabezado.contains(u"SELLO"_s) &&
                                           !encabezado.contains(u"CERTIFICADO"_s)
                                     : encabezado.contains(banda),
                     qPrintable(encabezado));
            // The band takes room of its own: the header stays whole above it.
            QVERIFY(pagina.contains(u"Folio fiscal: C2832671-DA6D-11EF-A83D-00155D012007"_s));
        }
        if (cancelado)
            QVERIFY(paginas.last().contains(u"Página %1 de %1"_s.arg(paginas.size())));
    }

    // Each voucher starts on a page of its own and counts its own pages.
    void variosComprobantes()
    {
        const QString archivo = pdf({comprobante(cfdi(u"cfdi33-real.xml"_s)), comprobante(cfdi(u"cfdi40-real.xml"_s))});
        const QStringList paginas = textoPdf(archivo).split(u'\f', Qt::SkipEmptyParts);
        QVERIFY(paginas.size() >= 2);
        QVERIFY(paginas.first().contains(u"CEE4BE01-ADFA-4DEB-8421-ADD60F0BEDAC"_s));
        QVERIFY(!paginas.first().contains(u"C2832671-DA6D-11EF-A83D-00155D012007"_s));
        QVERIFY(paginas.last().contains(u"C2832671-DA6D-11EF-A83D-00155D012007"_s));
        QCOMPARE(textoPdf(archivo).count(u"Página 1 de"_s), 2);
        const QFileDevice::Permissions modo = QFile::permissions(archivo);
        QVERIFY(modo.testFlags(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QVERIFY(!(modo & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther |
                          QFileDevice::WriteOther)));
    }

    void noSeLee_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::newRow("no es XML") << QByteArray("no es un comprobante");
        QTest::newRow("no es CFDI") << cfdi(u"retenciones20.xml"_s);
        QTest::newRow("truncado") << cfdi(u"cfdi40-real.xml"_s).left(900);
    }
    void noSeLee()
    {
        QFETCH(QByteArray, xml);
        const QString archivo = m_carpeta.filePath(u"roto.pdf"_s);
        QString error;
        QVERIFY(!guardaPdf({comprobante(cfdi(u"cfdi40-real.xml"_s)), comprobante(xml)}, archivo, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(archivo));
        QCOMPARE(QDir(m_carpeta.path()).entryList({u".roto*"_s}, QDir::Files | QDir::Hidden).size(), 0);
    }

    // A write that fails half way while the disk has room again by the end
    // (the file-size limit stands for it): the cut PDF is refused and the
    // earlier one stays.
    void escrituraFallida()
    {
        const QString archivo = pdf({comprobante(cfdi(u"cfdi40-real.xml"_s))}, u"previo.pdf"_s);
        const QByteArray previo = TCarpetaPrograma::lee(archivo);
        TArchivoPdf nuevo(archivo);
        QVERIFY(nuevo.abre());
        {
            const TTamanoLimitado lleno(1000);
            QVERIFY(nuevo.agrega(comprobante(conLineas(400))));
        }
        QString error;
        QVERIFY(!nuevo.termina(&error));
        QCOMPARE(error,
                 u"No se pudo escribir %1: El archivo llegó al tamaño máximo que el sistema permite"_s.arg(archivo));
        QCOMPARE(TCarpetaPrograma::lee(archivo), previo);
    }

    // A destination whose folder was removed meanwhile is refused, in Spanish.
    void carpetaInexistente()
    {
        const QString archivo = m_carpeta.filePath(u"borrada/c.pdf"_s);
        QString error;
        QVERIFY(!guardaPdf({comprobante(cfdi(u"cfdi40-real.xml"_s))}, archivo, &error));
        QCOMPARE(error, u"No se pudo crear el archivo temporal junto a %1: No existe"_s.arg(archivo));
    }
};

QTEST_MAIN(TstImpresion)
#include "tst_impresion.moc"
