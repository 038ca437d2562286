#include "CarpetaPrograma.h"
#include "CertificadosPrueba.h"
#include "VerificacionSello.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>

#include <thread>

using namespace VerificacionSello;

Q_DECLARE_METATYPE(VerificacionSello::TEstado)

namespace {

const QString CFDI = QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/");
const QString CSD = QStringLiteral(VELKOR_DATOS_PRUEBA "/csd/");

QByteArray lee(const QString& ruta)
{
    const QByteArray contenido = TCarpetaPrograma::lee(ruta);
    if (contenido.isEmpty())
        qFatal("No se pudo leer %s", qPrintable(ruta));
    return contenido;
}

// The attribute's text changed in the bytes (added when missing); every
// other byte stays as it came.
QByteArray cambia(QByteArray xml, const QString& elemento, const QString& atributo, const QByteArray& valor)
{
    const QString texto = QString::fromUtf8(xml);
    const QRegularExpression patron(QStringLiteral("(<%1\\b[^>]*?\\s%2=\")[^\"]*\"").arg(elemento, atributo));
    const QRegularExpressionMatch encontrado = patron.match(texto);
    QString nuevo = texto;
    if (encontrado.hasMatch())
        nuevo.replace(encontrado.capturedStart(), encontrado.capturedLength(),
                      encontrado.captured(1) + QString::fromUtf8(valor) + QLatin1Char('"'));
    else {
        const qsizetype inicio = texto.indexOf(QLatin1Char('<') + elemento);
        if (inicio < 0)
            qFatal("No hay %s", qPrintable(elemento));
        nuevo.insert(inicio + 1 + elemento.size(),
                     QStringLiteral(" %1=\"%2\"").arg(atributo, QString::fromUtf8(valor)));
    }
    return nuevo.toUtf8();
}

QByteArray firma(EVP_PKEY* llave, bool sha256, const QByteArray& datos)
{
    EVP_MD_CTX* contexto = EVP_MD_CTX_new();
    size_t longitud = 0;
    QByteArray resultado;
    const auto* entrada = reinterpret_cast<const unsigned char*>(datos.constData());
    if (EVP_DigestSignInit(contexto, nullptr, sha256 ? EVP_sha256() : EVP_sha1(), nullptr, llave) == 1 &&
        EVP_DigestSign(contexto, nullptr, &longitud, entrada, static_cast<size_t>(datos.size())) == 1) {
        resultado.resize(static_cast<qsizetype>(longitud));
        if (EVP_DigestSign(contexto, reinterpret_cast<unsigned char*>(resultado.data()), &longitud, entrada,
                           static_cast<size_t>(datos.size())) != 1)
            resultado.clear();
        resultado.resize(static_cast<qsizetype>(longitud));
    }
    EVP_MD_CTX_free(contexto);
    if (resultado.isEmpty())
        qFatal("OpenSSL no pudo firmar");
    return resultado.toBase64();
}

EVP_PKEY* llaveSat(const QString& ruta, const char* password)
{
    const QByteArray der = lee(ruta);
    BIO* bio = BIO_new_mem_buf(der.constData(), static_cast<int>(der.size()));
    EVP_PKEY* llave = d2i_PKCS8PrivateKey_bio(bio, nullptr, nullptr, const_cast<char*>(password));
    BIO_free(bio);
    if (!llave)
        qFatal("No se abrió la llave %s", qPrintable(ruta));
    return llave;
}

bool esTimbre10(const QByteArray& xml)
{
    return xml.contains("noCertificadoSAT=");
}

// The SAT's stamp on the voucher, remade with the test's own SAT
// certificate number and key.
QByteArray timbraDeNuevo(const QByteArray& xml, const QByteArray& numero, EVP_PKEY* llave, const QString& programa)
{
    const bool v10 = esTimbre10(xml);
    const QString tfd = QStringLiteral("tfd:TimbreFiscalDigital");
    QByteArray timbrado =
        cambia(xml, tfd, v10 ? QStringLiteral("noCertificadoSAT") : QStringLiteral("NoCertificadoSAT"), numero);
    QString motivo;
    const QByteArray cadena = cadenaOriginalTimbre(timbrado, &motivo, programa);
    if (cadena.isEmpty())
        qFatal("Sin cadena del timbre: %s", qPrintable(motivo));
    return cambia(timbrado, tfd, v10 ? QStringLiteral("selloSAT") : QStringLiteral("SelloSAT"),
                  firma(llave, !v10, cadena));
}

} // namespace

class TstVerificacion : public QObject {
    Q_OBJECT

private slots:
    void reales_data();
    void reales();
    void alterados_data();
    void alterados();
    void nominaFirmada();
    void timbre_data();
    void timbre();
    void agregaCertificado_data();
    void agregaCertificado();
    void dosHilos();

private:
    TCarpetaPrograma m_programa{false};
};

void TstVerificacion::reales_data()
{
    QTest::addColumn<QString>("archivo");
    QTest::addColumn<TEstado>("estado");
    QTest::addColumn<QString>("motivo");
    const QString sinTimbre = QStringLiteral("No se verificó el sello del SAT");
    QTest::newRow("3.2") << "cfdi32-real.xml" << TEstado::Autentico << sinTimbre;
    QTest::newRow("3.3 con impuestos locales") << "cfdi33-real.xml" << TEstado::Autentico << sinTimbre;
    QTest::newRow("4.0") << "cfdi40-real.xml" << TEstado::Autentico << sinTimbre;
    QTest::newRow("3.3 detallista") << "detallista-example.xml" << TEstado::Autentico << sinTimbre;
    QTest::newRow("4.0 timbre 1.1") << "h&e951128469_ingreso_iva16_stamped.xml" << TEstado::Autentico << sinTimbre;
    // Its stamp carries another seal than the voucher's.
    QTest::newRow("timbre de otro sello") << "cfdi33-valid.xml" << TEstado::Alterado << "timbre es de otro sello";
    // Its certificate verifies the seal but is another RFC's.
    QTest::newRow("certificado de otro RFC")
        << "cfdv33-signed-tfd.xml" << TEstado::CertificadoNoCorresponde << "GAMA600504JP1";
    QTest::newRow("sin timbre, pagos 3.3")
        << "created-pago-with-ns-at-root-33.xml" << TEstado::NoVerificable << "no está timbrado";
    QTest::newRow("sin timbre, 4.0") << "created-with-discounts-40.xml" << TEstado::NoVerificable << "no está timbrado";
    QTest::newRow("ejemplo del SAT") << "cfdv32-ejemplo.xml" << TEstado::Alterado << "sello del emisor";
    QTest::newRow("sin certificado") << "cfdv40-nomina12.xml" << TEstado::NoVerificable << "no tiene sello";
    QTest::newRow("CFD 2.0") << "cfdv2.xml" << TEstado::NoVerificable << "3.2, 3.3 ni 4.0";
    QTest::newRow("CFDI 3.0") << "cfdv3.externo.xml" << TEstado::NoVerificable << "versión 3.0";
    QTest::newRow("retenciones") << "retenciones20.xml" << TEstado::NoVerificable << "3.2, 3.3 ni 4.0";
}

void TstVerificacion::reales()
{
    QFETCH(QString, archivo);
    QFETCH(TEstado, estado);
    QFETCH(QString, motivo);
    const TResultado r = verifica(lee(CFDI + archivo), m_programa.ruta());
    QCOMPARE(texto(r.estado), texto(estado));
    QVERIFY2(r.motivo.contains(motivo), qPrintable(r.motivo));
    QVERIFY(!r.timbreVerificado);
}

void TstVerificacion::alterados_data()
{
    QTest::addColumn<QString>("archivo");
    QTest::addColumn<QString>("cambio");
    QTest::addColumn<TEstado>("estado");
    const QString otroEmisor = QString::fromLatin1(lee(CSD + QStringLiteral("EKU9003173C9.cer")).toBase64());
    for (const char* archivo : {"cfdi32-real.xml", "cfdi33-real.xml", "cfdi40-real.xml"}) {
        QTest::addRow("%s, total", archivo) << archivo << "total" << TEstado::Alterado;
        QTest::addRow("%s, certificado de otro emisor", archivo)
            << archivo << otroEmisor << TEstado::CertificadoNoCorresponde;
        QTest::addRow("%s, sin certificado", archivo) << archivo << "" << TEstado::NoVerificable;
        QTest::addRow("%s, UUID", archivo) << archivo << "uuid" << TEstado::Autentico;
        QTest::addRow("%s, SelloCFD", archivo) << archivo << "sellocfd" << TEstado::Alterado;
        QTest::addRow("%s, DTD", archivo) << archivo << "dtd" << TEstado::NoVerificable;
        QTest::addRow("%s, cortado", archivo) << archivo << "cortado" << TEstado::NoVerificable;
    }
}

// The voucher's own seal does not cover its stamp: a changed UUID is only
// seen by the stamp's seal (timbre()).
void TstVerificacion::alterados()
{
    QFETCH(QString, archivo);
    QFETCH(QString, cambio);
    QFETCH(TEstado, estado);
    QByteArray xml = lee(CFDI + archivo);
    const bool v32 = archivo.startsWith(QStringLiteral("cfdi32"));
    const QString comprobante = QStringLiteral("cfdi:Comprobante");
    const QString tfd = QStringLiteral("tfd:TimbreFiscalDigital");
    if (cambio == QStringLiteral("total"))
        xml = cambia(xml, comprobante, v32 ? QStringLiteral("total") : QStringLiteral("Total"), "999999.99");
    else if (cambio == QStringLiteral("uuid"))
        xml = cambia(xml, tfd, QStringLiteral("UUID"), "AAAAAAAA-323E-407B-8F8E-40D83FE2E69F");
    else if (cambio == QStringLiteral("sellocfd"))
        xml = cambia(xml, tfd, v32 ? QStringLiteral("selloCFD") : QStringLiteral("SelloCFD"), "QUJD");
    else if (cambio == QStringLiteral("dtd"))
        xml.replace("<cfdi:Comprobante", "<!DOCTYPE x [<!ENTITY a \"a\">]>\n<cfdi:Comprobante");
    else if (cambio == QStringLiteral("cortado"))
        xml.truncate(xml.size() / 2);
    else
        xml = cambia(xml, comprobante, v32 ? QStringLiteral("certificado") : QStringLiteral("Certificado"),
                     cambio.toLatin1());
    const TResultado r = verifica(xml, m_programa.ruta());
    QVERIFY2(r.estado == estado, qPrintable(texto(r.estado) + QStringLiteral(": ") + r.motivo));
    QVERIFY(!r.motivo.isEmpty());
}

// A payroll voucher sealed here with the SAT's test CSD.
void TstVerificacion::nominaFirmada()
{
    const QString comprobante = QStringLiteral("cfdi:Comprobante");
    QByteArray xml = lee(CFDI + QStringLiteral("cfdi40-nomina-compensacion-valid.xml"));
    xml = cambia(xml, QStringLiteral("cfdi:Emisor"), QStringLiteral("Rfc"), "EKU9003173C9");
    xml = cambia(xml, comprobante, QStringLiteral("NoCertificado"), "30001000000500003416");
    xml = cambia(xml, comprobante, QStringLiteral("Certificado"),
                 lee(CSD + QStringLiteral("EKU9003173C9.cer")).toBase64());
    QString motivo;
    const QByteArray cadena = cadenaOriginal(xml, &motivo, m_programa.ruta());
    QVERIFY2(cadena.startsWith("||4.0|") && cadena.contains("|EKU9003173C9|"), qPrintable(motivo));
    EVP_PKEY* llave = llaveSat(CSD + QStringLiteral("EKU9003173C9.key"), "12345678a");
    const QByteArray sello = firma(llave, true, cadena);
    EVP_PKEY_free(llave);
    xml = cambia(xml, comprobante, QStringLiteral("Sello"), sello);
    xml = cambia(xml, QStringLiteral("tfd:TimbreFiscalDigital"), QStringLiteral("SelloCFD"), sello);
    const TResultado r = verifica(xml, m_programa.ruta());
    QVERIFY2(r.estado == TEstado::Autentico, qPrintable(r.motivo));
}

void TstVerificacion::timbre_data()
{
    QTest::addColumn<QString>("archivo");
    QTest::addColumn<QString>("caso");
    QTest::addColumn<TEstado>("estado");
    QTest::addColumn<bool>("verificado");
    for (const char* archivo : {"cfdi40-real.xml", "cfdi32-real.xml"}) {
        QTest::addRow("%s, con su certificado", archivo) << archivo << "" << TEstado::Autentico << true;
        QTest::addRow("%s, sin certificado", archivo) << archivo << "falta" << TEstado::Autentico << false;
        QTest::addRow("%s, otro número", archivo) << archivo << "otro" << TEstado::CertificadoNoCorresponde << false;
        QTest::addRow("%s, otra llave", archivo) << archivo << "llave" << TEstado::Alterado << false;
        QTest::addRow("%s, UUID cambiado", archivo) << archivo << "uuid" << TEstado::Alterado << false;
    }
}

void TstVerificacion::timbre()
{
    QFETCH(QString, archivo);
    QFETCH(QString, caso);
    QFETCH(TEstado, estado);
    QFETCH(bool, verificado);
    const QByteArray numero = "30001000000500009876";
    TCarpetaPrograma programa(false);
    TCredencialPrueba sat(true);
    QByteArray xml = timbraDeNuevo(lee(CFDI + archivo), numero, sat.llave(), programa.ruta());
    const QString destino = carpetaCertificadosSat(programa.ruta()) + QString::fromLatin1(numero) + ".cer";
    TCredencialPrueba otra(true);
    if (caso.isEmpty() || caso == QStringLiteral("uuid"))
        TCarpetaPrograma::escribe(destino, sat.certificado(QStringLiteral("SAT970701NN3"), numero));
    else if (caso == QStringLiteral("otro"))
        TCarpetaPrograma::escribe(destino, otra.certificado(QStringLiteral("SAT970701NN3"), "30001000000500001111"));
    else if (caso == QStringLiteral("llave"))
        TCarpetaPrograma::escribe(destino, otra.certificado(QStringLiteral("SAT970701NN3"), numero));
    if (caso == QStringLiteral("uuid"))
        xml = cambia(xml, QStringLiteral("tfd:TimbreFiscalDigital"), QStringLiteral("UUID"),
                     "AAAAAAAA-323E-407B-8F8E-40D83FE2E69F");
    const TResultado r = verifica(xml, programa.ruta());
    QVERIFY2(r.estado == estado, qPrintable(texto(r.estado) + QStringLiteral(": ") + r.motivo));
    QCOMPARE(r.timbreVerificado, verificado);
    if (caso == QStringLiteral("falta"))
        QVERIFY2(r.motivo.contains(QStringLiteral("falta su certificado 30001000000500009876 en Certificados/SAT")),
                 qPrintable(r.motivo));
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
    QTest::newRow("texto") << QByteArray("hola") << ""
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
    if (numero.isEmpty()) {
        QVERIFY(QDir(carpeta).isEmpty());
        return;
    }
    QCOMPARE(TCarpetaPrograma::lee(carpeta + numero + ".cer"), lee(CSD + QStringLiteral("30001000000500003456.cer")));
    QCOMPARE(TCarpetaPrograma::modo(carpeta), 0700);
    QCOMPARE(TCarpetaPrograma::modo(carpeta + numero + ".cer"), 0600);
    QCOMPARE(QDir(carpeta).entryList(QDir::Files), QStringList{numero + ".cer"});
}

// Two threads over the same vouchers at once, in a program folder whose
// transforms neither has compiled yet, get what one thread alone gets.
void TstVerificacion::dosHilos()
{
    const QStringList archivos{"cfdi32-real.xml",  "cfdi33-real.xml",       "cfdi40-real.xml", "detallista-example.xml",
                               "cfdi33-valid.xml", "cfdv33-signed-tfd.xml", "cfdv2.xml"};
    QList<QByteArray> vouchers;
    for (const QString& archivo : archivos)
        vouchers << lee(CFDI + archivo);
    vouchers << cambia(vouchers.first(), QStringLiteral("cfdi:Comprobante"), QStringLiteral("total"), "1.00");
    TCarpetaPrograma programa(false);
    const QString ruta = programa.ruta();
    const auto recorre = [&](QStringList& salida) {
        for (int vuelta = 0; vuelta < 20; ++vuelta)
            for (const QByteArray& xml : vouchers) {
                const TResultado r = verifica(xml, ruta);
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
