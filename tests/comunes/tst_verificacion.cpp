#include "CarpetaPrograma.h"
#include "CertificadosPrueba.h"
#include "VerificacionSello.h"

#include <QDir>
#include <QRegularExpression>
#include <QTest>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <thread>

using namespace VerificacionSello;

Q_DECLARE_METATYPE(VerificacionSello::TEstado)

namespace {

const QString CFDI = QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/");
const QString CSD = QStringLiteral(VELKOR_DATOS_PRUEBA "/csd/");
const QString COMPROBANTE = QStringLiteral("cfdi:Comprobante");
const QString TIMBRE = QStringLiteral("tfd:TimbreFiscalDigital");

QByteArray lee(const QString& ruta)
{
    const QByteArray contenido = TCarpetaPrograma::lee(ruta);
    if (contenido.isEmpty())
        qFatal("No se pudo leer %s", qPrintable(ruta));
    return contenido;
}

// The attribute's text changed in the bytes, every other byte as it came.
// Names are given as 3.3 and 4.0 write them; 3.2 and its stamp 1.0 start
// them in lower case.
QByteArray cambia(const QByteArray& xml, const QString& elemento, QString atributo, const QByteArray& valor)
{
    if (xml.contains("version=\"3.2\"") && atributo != QStringLiteral("UUID"))
        atributo[0] = atributo[0].toLower();
    QString texto = QString::fromUtf8(xml);
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("(<%1\\b[^>]*?\\s%2=\")[^\"]*\"").arg(elemento, atributo)).match(texto);
    if (!m.hasMatch())
        qFatal("No hay %s en %s", qPrintable(atributo), qPrintable(elemento));
    texto.replace(m.capturedStart(), m.capturedLength(), m.captured(1) + QString::fromUtf8(valor) + QLatin1Char('"'));
    return texto.toUtf8();
}

QByteArray firma(EVP_PKEY* llave, bool sha256, const QByteArray& datos)
{
    QByteArray resultado(EVP_PKEY_get_size(llave), '\0');
    size_t longitud = static_cast<size_t>(resultado.size());
    EVP_MD_CTX* contexto = EVP_MD_CTX_new();
    if (EVP_DigestSignInit(contexto, nullptr, sha256 ? EVP_sha256() : EVP_sha1(), nullptr, llave) != 1 ||
        EVP_DigestSign(contexto, reinterpret_cast<unsigned char*>(resultado.data()), &longitud,
                       reinterpret_cast<const unsigned char*>(datos.constData()),
                       static_cast<size_t>(datos.size())) != 1)
        qFatal("OpenSSL no pudo firmar");
    EVP_MD_CTX_free(contexto);
    resultado.resize(static_cast<qsizetype>(longitud));
    return resultado.toBase64();
}

} // namespace

class TstVerificacion : public QObject {
    Q_OBJECT

private slots:
    void verificaArchivo_data();
    void verificaArchivo();
    void nominaFirmada();
    void timbre_data();
    void timbre();
    void agregaCertificado_data();
    void agregaCertificado();
    void dosHilos();

private:
    TCarpetaPrograma m_programa{false};
};

// The repository's vouchers as they came, and with one thing changed in
// their bytes: "elemento@atributo" set to `valor`, a DTD added, or cut short.
void TstVerificacion::verificaArchivo_data()
{
    QTest::addColumn<QString>("archivo");
    QTest::addColumn<QString>("cambio");
    QTest::addColumn<QByteArray>("valor");
    QTest::addColumn<TEstado>("estado");
    QTest::addColumn<QString>("motivo");
    const QString sinTimbre = QStringLiteral("No se verificó el sello del SAT: falta su certificado");
    for (const char* real : {"cfdi32-real.xml", "cfdi33-real.xml", "cfdi40-real.xml", "detallista-example.xml",
                             "h&e951128469_ingreso_iva16_stamped.xml"})
        QTest::addRow("%s", real) << real << "" << QByteArray() << TEstado::Autentico << sinTimbre;
    const QByteArray ajeno = lee(CSD + QStringLiteral("EKU9003173C9.cer")).toBase64();
    for (const char* real : {"cfdi32-real.xml", "cfdi33-real.xml", "cfdi40-real.xml"}) {
        QTest::addRow("%s, total", real) << real << "cfdi:Comprobante@Total" << QByteArray("999999.99")
                                         << TEstado::Alterado << "cambió después de sellarse";
        QTest::addRow("%s, certificado ajeno", real) << real << "cfdi:Comprobante@Certificado" << ajeno
                                                     << TEstado::CertificadoNoCorresponde << "30001000000500003416";
        QTest::addRow("%s, sin certificado", real) << real << "cfdi:Comprobante@Certificado" << QByteArray()
                                                   << TEstado::NoVerificable << "no incluye su certificado";
        // The issuer's seal does not cover the stamp: only the SAT's does.
        QTest::addRow("%s, UUID", real) << real << "tfd:TimbreFiscalDigital@UUID"
                                        << QByteArray("AAAAAAAA-323E-407B-8F8E-40D83FE2E69F") << TEstado::Autentico
                                        << sinTimbre;
        QTest::addRow("%s, SelloCFD", real) << real << "tfd:TimbreFiscalDigital@SelloCFD" << QByteArray("QUJD")
                                            << TEstado::Alterado << "timbre es de otro sello";
        QTest::addRow("%s, DTD", real) << real << "DTD" << QByteArray() << TEstado::NoVerificable << "DTD";
        QTest::addRow("%s, cortado", real)
            << real << "cortado" << QByteArray() << TEstado::NoVerificable << "no es un XML bien formado";
    }
    QTest::newRow("timbre de otro sello") << "cfdi33-valid.xml"
                                          << "" << QByteArray() << TEstado::Alterado << "timbre es de otro sello";
    // Its certificate verifies the seal but is another RFC's.
    QTest::newRow("certificado de otro RFC")
        << "cfdv33-signed-tfd.xml"
        << "" << QByteArray() << TEstado::CertificadoNoCorresponde << "GAMA600504JP1";
    QTest::newRow("sin timbre") << "created-pago-with-ns-at-root-33.xml"
                                << "" << QByteArray() << TEstado::NoVerificable
                                << "válido, pero el comprobante no está timbrado";
    QTest::newRow("ejemplo del SAT") << "cfdv32-ejemplo.xml"
                                     << "" << QByteArray() << TEstado::Alterado << "sello del emisor no corresponde";
    QTest::newRow("sin sello") << "cfdv40-nomina12.xml"
                               << "" << QByteArray() << TEstado::NoVerificable << "no tiene sello";
    QTest::newRow("CFD 2.0") << "cfdv2.xml"
                             << "" << QByteArray() << TEstado::NoVerificable << "3.2, 3.3 ni 4.0";
    QTest::newRow("CFDI 3.0") << "cfdv3.externo.xml"
                              << "" << QByteArray() << TEstado::NoVerificable << "versión 3.0";
}

void TstVerificacion::verificaArchivo()
{
    QFETCH(QString, archivo);
    QFETCH(QString, cambio);
    QFETCH(QByteArray, valor);
    QFETCH(TEstado, estado);
    QFETCH(QString, motivo);
    QByteArray xml = lee(CFDI + archivo);
    if (cambio == QStringLiteral("DTD"))
        xml.replace("<cfdi:Comprobante", "<!DOCTYPE x [<!ENTITY a \"a\">]>\n<cfdi:Comprobante");
    else if (cambio == QStringLiteral("cortado"))
        xml.truncate(xml.size() / 2);
    else if (!cambio.isEmpty())
        xml = cambia(xml, cambio.section(QLatin1Char('@'), 0, 0), cambio.section(QLatin1Char('@'), 1), valor);
    const TResultado r = verifica(xml, m_programa.ruta());
    QCOMPARE(texto(r.estado), texto(estado));
    QVERIFY2(r.motivo.contains(motivo), qPrintable(r.motivo));
    QVERIFY(!r.timbreVerificado);
}

// A payroll voucher sealed here with the SAT's test CSD.
void TstVerificacion::nominaFirmada()
{
    QByteArray xml = lee(CFDI + QStringLiteral("cfdi40-nomina-compensacion-valid.xml"));
    xml = cambia(xml, QStringLiteral("cfdi:Emisor"), QStringLiteral("Rfc"), "EKU9003173C9");
    xml = cambia(xml, COMPROBANTE, QStringLiteral("NoCertificado"), "30001000000500003416");
    xml = cambia(xml, COMPROBANTE, QStringLiteral("Certificado"),
                 lee(CSD + QStringLiteral("EKU9003173C9.cer")).toBase64());
    QString motivo;
    const QByteArray cadena = cadenaOriginal(xml, &motivo, m_programa.ruta());
    QVERIFY2(cadena.startsWith("||4.0|") && cadena.contains("|EKU9003173C9|"), qPrintable(motivo));
    const QByteArray der = lee(CSD + QStringLiteral("EKU9003173C9.key"));
    BIO* bio = BIO_new_mem_buf(der.constData(), static_cast<int>(der.size()));
    EVP_PKEY* llave = d2i_PKCS8PrivateKey_bio(bio, nullptr, nullptr, const_cast<char*>("12345678a"));
    BIO_free(bio);
    QVERIFY(llave);
    const QByteArray sello = firma(llave, true, cadena);
    EVP_PKEY_free(llave);
    xml = cambia(cambia(xml, COMPROBANTE, QStringLiteral("Sello"), sello), TIMBRE, QStringLiteral("SelloCFD"), sello);
    const TResultado r = verifica(xml, m_programa.ruta());
    QVERIFY2(r.estado == TEstado::Autentico, qPrintable(r.motivo));
}

// The stamp remade with a SAT certificate and key of the test's own; the
// program folder keeps that certificate, none, one of another number, or
// one of that number and another key.
void TstVerificacion::timbre_data()
{
    QTest::addColumn<QString>("archivo");
    QTest::addColumn<QString>("guardado");
    QTest::addColumn<bool>("otroUuid");
    QTest::addColumn<TEstado>("estado");
    QTest::addColumn<QString>("motivo");
    for (const char* archivo : {"cfdi40-real.xml", "cfdi32-real.xml"}) {
        QTest::addRow("%s, con su certificado", archivo)
            << archivo << "propio" << false << TEstado::Autentico << "sello del SAT son válidos";
        QTest::addRow("%s, sin certificado", archivo)
            << archivo << "" << false << TEstado::Autentico
            << "No se verificó el sello del SAT: falta su certificado 30001000000500009876 en Certificados/SAT.";
        QTest::addRow("%s, otro número", archivo)
            << archivo << "otro número" << false << TEstado::CertificadoNoCorresponde << "30001000000500001111";
        QTest::addRow("%s, otra llave", archivo)
            << archivo << "otra llave" << false << TEstado::Alterado << "sello del SAT no corresponde";
        QTest::addRow("%s, UUID cambiado", archivo)
            << archivo << "propio" << true << TEstado::Alterado << "sello del SAT no corresponde";
    }
}

void TstVerificacion::timbre()
{
    QFETCH(QString, archivo);
    QFETCH(QString, guardado);
    QFETCH(bool, otroUuid);
    QFETCH(TEstado, estado);
    QFETCH(QString, motivo);
    const QByteArray numero = "30001000000500009876";
    TCarpetaPrograma programa(false);
    TCredencialPrueba sat(true);
    TCredencialPrueba otra(true);
    QByteArray xml = cambia(lee(CFDI + archivo), TIMBRE, QStringLiteral("NoCertificadoSAT"), numero);
    const bool sha256 = !xml.contains("version=\"3.2\"");
    xml = cambia(xml, TIMBRE, QStringLiteral("SelloSAT"),
                 firma(sat.llave(), sha256, cadenaOriginalTimbre(xml, nullptr, programa.ruta())));
    if (otroUuid)
        xml = cambia(xml, TIMBRE, QStringLiteral("UUID"), "AAAAAAAA-323E-407B-8F8E-40D83FE2E69F");
    const QString destino = carpetaCertificadosSat(programa.ruta()) + QString::fromLatin1(numero) + ".cer";
    const QString rfcSat = QStringLiteral("SAT970701NN3");
    if (guardado == QStringLiteral("propio"))
        TCarpetaPrograma::escribe(destino, sat.certificado(rfcSat, numero));
    else if (guardado == QStringLiteral("otro número"))
        TCarpetaPrograma::escribe(destino, otra.certificado(rfcSat, "30001000000500001111"));
    else if (guardado == QStringLiteral("otra llave"))
        TCarpetaPrograma::escribe(destino, otra.certificado(rfcSat, numero));
    const TResultado r = verifica(xml, programa.ruta());
    QCOMPARE(texto(r.estado), texto(estado));
    QVERIFY2(r.motivo.contains(motivo), qPrintable(r.motivo));
    QCOMPARE(r.timbreVerificado, guardado == QStringLiteral("propio") && !otroUuid);
    if (guardado == QStringLiteral("otra llave")) {
        // Replaced by the right one, the next check reads the new file.
        const QString propio = programa.archivo(QStringLiteral("propio.cer"));
        TCredencialPrueba::escribe(propio, sat.certificado(rfcSat, numero));
        QCOMPARE(agregaCertificadoSat(propio, nullptr, programa.ruta()), QString::fromLatin1(numero));
        QVERIFY(verifica(xml, programa.ruta()).timbreVerificado);
    }
}

void TstVerificacion::agregaCertificado_data()
{
    QTest::addColumn<QByteArray>("contenido");
    QTest::addColumn<QString>("numero");
    QTest::addColumn<QString>("error");
    const QByteArray der = lee(CSD + QStringLiteral("30001000000500003456.cer"));
    QTest::newRow("DER") << der << "30001000000500003456"
                         << "";
    QTest::newRow("PEM") << TCredencialPrueba::pem(der, "CERTIFICATE") << "30001000000500003456"
                         << "";
    QTest::newRow("llave") << lee(CSD + QStringLiteral("EKU9003173C9.key")) << ""
                           << "no es un certificado";
    QTest::newRow("vacío") << QByteArray() << ""
                           << "No se pudo leer";
    TCredencialPrueba ajena;
    QTest::newRow("sin número del SAT") << ajena.certificado(QStringLiteral("SAT970701NN3"), "1234") << ""
                                        << "20 dígitos";
}

void TstVerificacion::agregaCertificado()
{
    QFETCH(QByteArray, contenido);
    QFETCH(QString, numero);
    QFETCH(QString, error);
    TCarpetaPrograma programa(false);
    const QString archivo = programa.archivo(QStringLiteral("elegido.cer"));
    TCredencialPrueba::escribe(archivo, contenido);
    QString motivo;
    QCOMPARE(agregaCertificadoSat(archivo, &motivo, programa.ruta()), numero);
    QVERIFY2(motivo.contains(error), qPrintable(motivo));
    const QString carpeta = carpetaCertificadosSat(programa.ruta());
    QCOMPARE(QDir(carpeta).entryList(QDir::Files), numero.isEmpty() ? QStringList() : QStringList{numero + ".cer"});
    if (!numero.isEmpty()) {
        QCOMPARE(TCarpetaPrograma::lee(carpeta + numero + ".cer"), lee(CSD + numero + ".cer"));
        QCOMPARE(TCarpetaPrograma::modo(carpeta), 0700);
        QCOMPARE(TCarpetaPrograma::modo(carpeta + numero + ".cer"), 0600);
    }
}

// Two threads over the same vouchers at once, in a program folder whose
// transforms neither has compiled yet, get what one thread alone gets.
void TstVerificacion::dosHilos()
{
    QList<QByteArray> comprobantes;
    for (const char* archivo : {"cfdi32-real.xml", "cfdi33-real.xml", "cfdi40-real.xml", "cfdi33-valid.xml",
                                "cfdv33-signed-tfd.xml", "cfdv2.xml"})
        comprobantes << lee(CFDI + QLatin1String(archivo));
    comprobantes << cambia(comprobantes.first(), COMPROBANTE, QStringLiteral("Total"), "1.00");
    TCarpetaPrograma programa(false);
    const auto recorre = [&](QStringList& salida) {
        for (int vuelta = 0; vuelta < 20; ++vuelta)
            for (const QByteArray& xml : comprobantes) {
                const TResultado r = verifica(xml, programa.ruta());
                salida << texto(r.estado) + QLatin1Char('|') + r.motivo;
            }
    };
    QStringList primero, segundo, solo;
    std::thread a([&] { recorre(primero); });
    std::thread b([&] { recorre(segundo); });
    a.join();
    b.join();
    recorre(solo);
    QCOMPARE(primero, solo);
    QCOMPARE(segundo, solo);
    QVERIFY(solo.first().startsWith(QStringLiteral("Auténtico|")));
}

QTEST_GUILESS_MAIN(TstVerificacion)
#include "tst_verificacion.moc"
