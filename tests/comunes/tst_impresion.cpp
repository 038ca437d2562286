#include "CarpetaPrograma.h"
#include "ImpresionComprobante.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace ImpresionComprobante;

namespace {

QByteArray cfdi(const QString& nombre)
{
    return TCarpetaPrograma::lee(QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/") + nombre);
}

TComprobante comprobante(const QByteArray& xml)
{
    TComprobante c;
    c.xml = xml;
    c.verificado = true;
    c.verificacion.estado = VerificacionSello::TEstado::Autentico;
    c.verificacion.motivo = QStringLiteral("Prueba.");
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
    return QString::fromUtf8(
               ejecuta(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")}))
        .replace(QRegularExpression(QStringLiteral("[ \\t]+")), QStringLiteral(" "));
}

// The QR codes found on every page.
QString qrPdf(const QString& pdf, const QString& carpeta)
{
    ejecuta(QStringLiteral("pdftoppm"),
            {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("150"), pdf, carpeta + QStringLiteral("/p")});
    QStringList argumentos{QStringLiteral("--raw"), QStringLiteral("-q")};
    for (const QString& png : QDir(carpeta).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name))
        argumentos << carpeta + QLatin1Char('/') + png;
    return QString::fromUtf8(ejecuta(QStringLiteral("zbarimg"), argumentos)).trimmed();
}

} // namespace

class TstImpresion : public QObject {
    Q_OBJECT

    QTemporaryDir m_carpeta;

    QString pdf(const QList<TComprobante>& comprobantes, const QString& nombre = QStringLiteral("c.pdf"))
    {
        const QString archivo = m_carpeta.filePath(nombre);
        QString error;
        if (!guardaPdf(comprobantes, archivo, &error))
            qWarning("%s", qPrintable(error));
        return archivo;
    }

private slots:
    void initTestCase()
    {
        for (const char* programa : {"pdftotext", "pdftoppm", "zbarimg"})
            QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(programa)).isEmpty(),
                     qPrintable(QStringLiteral("Falta %1: instale poppler-utils y zbar-tools (paquetes-debian.txt)")
                                    .arg(QString::fromLatin1(programa))));
        QVERIFY(m_carpeta.isValid());
    }

    void importeConLetra_data()
    {
        QTest::addColumn<QString>("importe");
        QTest::addColumn<QString>("moneda");
        QTest::addColumn<QString>("letra");
        QTest::newRow("cero") << "0"
                              << "MXN"
                              << "(CERO PESOS 00/100 M.N.)";
        QTest::newRow("uno") << "1"
                             << "MXN"
                             << "(UN PESO 00/100 M.N.)";
        QTest::newRow("veintiuno") << "21"
                                   << "MXN"
                                   << "(VEINTIÚN PESOS 00/100 M.N.)";
        QTest::newRow("cien") << "100"
                              << "MXN"
                              << "(CIEN PESOS 00/100 M.N.)";
        QTest::newRow("ciento uno") << "101"
                                    << "MXN"
                                    << "(CIENTO UN PESOS 00/100 M.N.)";
        QTest::newRow("mil") << "1000"
                             << "MXN"
                             << "(MIL PESOS 00/100 M.N.)";
        QTest::newRow("ejemplo") << "2145"
                                 << "MXN"
                                 << "(DOS MIL CIENTO CUARENTA Y CINCO PESOS 00/100 M.N.)";
        QTest::newRow("millón") << "1000000"
                                << "MXN"
                                << "(UN MILLÓN DE PESOS 00/100 M.N.)";
        QTest::newRow("millones") << "2000001.99"
                                  << "MXN"
                                  << "(DOS MILLONES UN PESOS 99/100 M.N.)";
        QTest::newRow("redondeo") << "0.995"
                                  << "MXN"
                                  << "(UN PESO 00/100 M.N.)";
        QTest::newRow("redondeo abajo") << "20.994999"
                                        << "MXN"
                                        << "(VEINTE PESOS 99/100 M.N.)";
        QTest::newRow("miles de millones") << "21521000000.10"
                                           << "MXN"
                                           << "(VEINTIÚN MIL QUINIENTOS VEINTIÚN MILLONES DE PESOS 10/100 M.N.)";
        QTest::newRow("dólares") << "1250.5"
                                 << "USD"
                                 << "(MIL DOSCIENTOS CINCUENTA DÓLARES 50/100 USD)";
        QTest::newRow("euro") << "1"
                              << "EUR"
                              << "(UN EURO 00/100 EUR)";
        QTest::newRow("otra moneda") << "21"
                                     << "GBP"
                                     << "(VEINTIUNO 00/100 GBP)";
        QTest::newRow("3.2 en palabras") << "15"
                                         << "Pesos"
                                         << "(QUINCE PESOS 00/100 M.N.)";
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
        if (direccion.contains(QStringLiteral("%1"))) {
            const QString texto = QString::fromUtf8(xml);
            const auto uuid = QRegularExpression(QStringLiteral("UUID=\"([^\"]+)\"")).match(texto).captured(1);
            const auto total = QRegularExpression(QStringLiteral(" Total=\"([^\"]+)\"")).match(texto).captured(1);
            direccion = direccion.arg(uuid, TDecimal::desdeTexto(total).texto());
        }
        QCOMPARE(ImpresionComprobante::direccionQr(xml), direccion);
        QTemporaryDir imagenes;
        QCOMPARE(qrPdf(pdf({comprobante(xml)}), imagenes.path()), direccion);
    }

    void sinTimbreNoHayDireccion()
    {
        QCOMPARE(ImpresionComprobante::direccionQr(cfdi(QStringLiteral("cfdv40-nomina12.xml"))), QString());
    }

    void contenido_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QStringList>("textos");
        QTest::newRow("3.2") << "cfdi32-real.xml"
                             << QStringList{"80824F3B-323E-407B-8F8E-40D83FE2E69F",
                                            "$4,685.00",
                                            "(CUATRO MIL SEISCIENTOS OCHENTA Y CINCO PESOS 00/100 M.N.)",
                                            "CEVER TOLUCA S.A. DE C.V.",
                                            "Página 1 de",
                                            "||1.0|80824F3B-323E-407B-8F8E-40D83FE2E69F|"};
        QTest::newRow("3.3 con impuestos locales") << "cfdi33-real.xml"
                                                   << QStringList{"CEE4BE01-ADFA-4DEB-8421-ADD60F0BEDAC",
                                                                  "$2,010.01",
                                                                  "(DOS MIL DIEZ PESOS 01/100 M.N.)",
                                                                  "Traslado local IH 2.50 27.43",
                                                                  "Traslados locales $27.43",
                                                                  "Auténtico. Prueba."};
        QTest::newRow("3.2 con retenciones locales")
            << "impuestos-locales-retenidos.xml"
            << QStringList{"e403f396-6a57-4625-adb4-bb436b00789f", "$40,600.00",
                           "Retención local FOO1 2.00 700.00",     "Traslado local BAR2 3.00 1,050.00",
                           "Retenciones locales $1,050.00",        "(CUARENTA MIL SEISCIENTOS PESOS 00/100 M.N.)"};
        QTest::newRow("4.0") << "cfdi40-real.xml"
                             << QStringList{"C2832671-DA6D-11EF-A83D-00155D012007", "$1,000.00",
                                            "(MIL PESOS 00/100 M.N.)", "Domicilio fiscal: 52176"};
        QTest::newRow("nómina 1.2") << "cfdi40-nomina-compensacion-valid.xml"
                                    << QStringList{"22222222-2222-2222-2222-222222222222",
                                                   "Recibo de nómina",
                                                   "Percepciones",
                                                   "Deducciones",
                                                   "Otros pagos",
                                                   "Compensación de saldo a favor",
                                                   "Total percepciones"};
        QTest::newRow("nómina 1.2 sin timbre")
            << "cfdv40-nomina12.xml"
            << QStringList{"Recibo de nómina", "Sin timbre fiscal digital", "Incapacidades", "Tipo de relación 09"};
        QTest::newRow("nómina 1.1") << "cfdv32-nomina.xml"
                                    << QStringList{"Recibo de nómina", "Dias de Sueldo", "Deducciones",
                                                   "No. de empleado: ABC123", "$40,600.00"};
        QTest::newRow("donataria") << "cfdv40-donat11.xml.xml"
                                   << QStringList{"Donataria autorizada", "No. de autorización"};
    }
    void contenido()
    {
        QFETCH(QString, archivo);
        QFETCH(QStringList, textos);
        const QString texto = textoPdf(pdf({comprobante(cfdi(archivo))}));
        for (const QString& t : textos)
            QVERIFY2(texto.contains(t), qPrintable(t + QStringLiteral(" no está en:\n") + texto));
    }

    // Many lines flow over pages that repeat the header.
    void variasPaginas()
    {
        QString xml = QString::fromUtf8(cfdi(QStringLiteral("cfdi40-real.xml")));
        const QRegularExpression concepto(QStringLiteral("<cfdi:Concepto .*?</cfdi:Concepto>"),
                                          QRegularExpression::DotMatchesEverythingOption);
        const QString uno = concepto.match(xml).captured(0);
        QVERIFY(!uno.isEmpty());
        QString muchos;
        for (int i = 0; i < 200; ++i)
            muchos += uno;
        xml.replace(concepto, muchos);
        const QString texto = textoPdf(pdf({comprobante(xml.toUtf8())}));
        QVERIFY(texto.contains(QStringLiteral("Página 2 de")));
        const int paginas = QRegularExpression(QStringLiteral("Página 1 de (\\d+)")).match(texto).captured(1).toInt();
        QVERIFY2(paginas >= 4, qPrintable(QString::number(paginas)));
        QVERIFY(texto.contains(QStringLiteral("Página %1 de %1").arg(paginas)));
        // The header of every page, the stamp and its cadena original.
        QCOMPARE(texto.count(QStringLiteral("C2832671-DA6D-11EF-A83D-00155D012007")), paginas + 2);
    }

    // A voucher cancelled at the SAT says so under the header of every page;
    // one in force never does.
    void canceladoAnteElSat_data()
    {
        QTest::addColumn<int>("conceptos");
        QTest::addColumn<bool>("cancelado");
        QTest::newRow("una página") << 1 << true;
        QTest::newRow("varias páginas") << 200 << true;
        QTest::newRow("vigente") << 1 << false;
    }
    void canceladoAnteElSat()
    {
        QFETCH(int, conceptos);
        QFETCH(bool, cancelado);
        QString xml = QString::fromUtf8(cfdi(QStringLiteral("cfdi40-real.xml")));
        const QRegularExpression concepto(QStringLiteral("<cfdi:Concepto .*?</cfdi:Concepto>"),
                                          QRegularExpression::DotMatchesEverythingOption);
        xml.replace(concepto, concepto.match(xml).captured(0).repeated(conceptos));
        TComprobante c = comprobante(xml.toUtf8());
        c.cancelado = cancelado;
        c.fechaCancelacion = QDateTime(QDate(2025, 3, 15), QTime(18, 4, 5));
        const QStringList paginas = textoPdf(pdf({c})).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QVERIFY(paginas.size() >= (conceptos > 1 ? 4 : 1));
        for (const QString& pagina : paginas) {
            QCOMPARE(pagina.contains(QStringLiteral("CANCELADO ANTE EL SAT el 15/03/2025")), cancelado);
            // The band takes room of its own: the header stays whole above it.
            QVERIFY(pagina.contains(QStringLiteral("Folio fiscal: C2832671-DA6D-11EF-A83D-00155D012007")));
        }
        if (cancelado)
            QVERIFY(paginas.last().contains(QStringLiteral("Página %1 de %1").arg(paginas.size())));
    }

    // Each voucher starts on a page of its own and counts its own pages.
    void variosComprobantes()
    {
        const QString archivo = pdf({comprobante(cfdi(QStringLiteral("cfdi33-real.xml"))),
                                     comprobante(cfdi(QStringLiteral("cfdi40-real.xml")))});
        const QStringList paginas = textoPdf(archivo).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QVERIFY(paginas.size() >= 2);
        QVERIFY(paginas.first().contains(QStringLiteral("CEE4BE01-ADFA-4DEB-8421-ADD60F0BEDAC")));
        QVERIFY(!paginas.first().contains(QStringLiteral("C2832671-DA6D-11EF-A83D-00155D012007")));
        QVERIFY(paginas.last().contains(QStringLiteral("C2832671-DA6D-11EF-A83D-00155D012007")));
        QCOMPARE(textoPdf(archivo).count(QStringLiteral("Página 1 de")), 2);
        const QFileDevice::Permissions modo = QFile::permissions(archivo);
        QVERIFY(modo.testFlags(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QVERIFY(!(modo & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther |
                          QFileDevice::WriteOther)));
    }

    void noSeLee_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::newRow("no es XML") << QByteArray("no es un comprobante");
        QTest::newRow("no es CFDI") << cfdi(QStringLiteral("retenciones20.xml"));
        QTest::newRow("truncado") << cfdi(QStringLiteral("cfdi40-real.xml")).left(900);
    }
    void noSeLee()
    {
        QFETCH(QByteArray, xml);
        const QString archivo = m_carpeta.filePath(QStringLiteral("roto.pdf"));
        QString error;
        QVERIFY(!guardaPdf({comprobante(cfdi(QStringLiteral("cfdi40-real.xml"))), comprobante(xml)}, archivo, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(archivo));
        QCOMPARE(QDir(m_carpeta.path()).entryList({QStringLiteral(".roto*")}, QDir::Files | QDir::Hidden).size(), 0);
    }

    void rendimiento()
    {
        const QList<TComprobante> uno{comprobante(cfdi(QStringLiteral("cfdi40-real.xml")))};
        const QString archivo = m_carpeta.filePath(QStringLiteral("medida.pdf"));
        QBENCHMARK
        {
            guardaPdf(uno, archivo);
        }
    }
};

QTEST_MAIN(TstImpresion)
#include "tst_impresion.moc"
