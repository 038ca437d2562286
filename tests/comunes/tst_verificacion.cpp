#include "CarpetaPrograma.h"
#include "CertificadosPrueba.h"
#include "Constantes.h"
#include "Signerutils.h"
#include "VerificacionSello.h"

#include <QDir>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTest>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <thread>

using namespace Qt::StringLiterals;
using namespace VerificacionSello;

Q_DECLARE_METATYPE(VerificacionSello::TEstado)

namespace {

const QString CFDI = QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/");
const QString CSD = QStringLiteral(VELKOR_DATOS_PRUEBA "/csd/");
const QString COMPROBANTE = u"cfdi:Comprobante"_s;
const QString TIMBRE = u"tfd:TimbreFiscalDigital"_s;

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
    if (xml.contains("version=\"3.2\"") && atributo != u"UUID"_s)
        atributo[0] = atributo[0].toLower();
    QString texto = QString::fromUtf8(xml);
    const QRegularExpressionMatch m =
        QRegularExpression(u"(<%1\\b[^>]*?\\s%2=\")[^\"]*\""_s.arg(elemento, atributo)).match(texto);
    if (!m.hasMatch())
        qFatal("No hay %s en %s", qPrintable(atributo), qPrintable(elemento));
    texto.replace(m.capturedStart(), m.capturedLength(), m.captured(1) + QString::fromUtf8(valor) + u'"');
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

// The voucher issued again by the holder of a test credential: its issuer,
// number, certificate and (when given) date set, and sealed over the cadena
// the program makes with `agregado` before its final "||".
QByteArray reemite(QByteArray xml, const QString& credencial, const QByteArray& fecha, const QByteArray& agregado,
                   const QString& programa)
{
    const QMap<QString, QString> datos = Signerutils::TSigner().getInformacionCertificado(CSD + credencial + u".cer"_s);
    const QByteArray rfc = Signerutils::rfcDelSujeto(datos.value(Constantes::CERT_OID_45)).toUtf8();
    xml = cambia(xml, u"cfdi:Emisor"_s, u"Rfc"_s, rfc);
    xml = cambia(xml, COMPROBANTE, u"NoCertificado"_s, datos.value(Constantes::CERT_SERIALNUMBER).toLatin1());
    xml = cambia(xml, COMPROBANTE, u"Certificado"_s, lee(CSD + credencial + u".cer"_s).toBase64());
    if (!fecha.isEmpty())
        xml = cambia(xml, COMPROBANTE, u"Fecha"_s, fecha);
    QByteArray cadena = cadenaOriginal(xml, nullptr, programa);
    if (!cadena.endsWith("||"))
        qFatal("Sin cadena original: %s", cadena.constData());
    cadena.insert(cadena.size() - 2, agregado);
    const QByteArray der = lee(CSD + credencial + u".key"_s);
    BIO* bio = BIO_new_mem_buf(der.constData(), static_cast<int>(der.size()));
    EVP_PKEY* llave = d2i_PKCS8PrivateKey_bio(bio, nullptr, nullptr, const_cast<char*>("12345678a"));
    BIO_free(bio);
    if (!llave)
        qFatal("No se abrió la llave %s", qPrintable(credencial));
    const QByteArray sello = firma(llave, !xml.contains("version=\"3.2\""), cadena);
    EVP_PKEY_free(llave);
    return cambia(cambia(xml, COMPROBANTE, u"Sello"_s, sello), TIMBRE, u"SelloCFD"_s, sello);
}

} // namespace

class TstVerificacion : public QObject {
    Q_OBJECT
    TCarpetaPrograma m_programa{false};

private slots:
    // The repository's vouchers as they came, and with one thing changed in
    // their bytes: "elemento@atributo" set to `valor`, a DTD added, or cut short.
    void verificaArchivo_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QString>("cambio");
        QTest::addColumn<QByteArray>("valor");
        QTest::addColumn<TEstado>("estado");
        QTest::addColumn<QString>("motivo");
        const QString sinTimbre = u"No se verificó el sello del SAT: falta su certificado"_s;
        const auto fila = [](const QByteArray& caso, const char* archivo, const char* cambio, const QByteArray& valor,
                             TEstado estado, const QString& motivo) {
            QTest::newRow(caso.constData()) << archivo << cambio << valor << estado << motivo;
        };
        for (const char* real : {"cfdi32-real.xml", "cfdi33-real.xml", "cfdi40-real.xml", "detallista-example.xml"})
            fila(real, real, "", QByteArray(), TEstado::Autentico, sinTimbre);
        const QByteArray ajeno = lee(CSD + u"EKU9003173C9.cer"_s).toBase64();
        for (const char* real : {"cfdi32-real.xml", "cfdi33-real.xml", "cfdi40-real.xml"}) {
            const auto f = [&](const char* caso, const char* cambio, const QByteArray& valor, TEstado estado,
                               const QString& motivo) {
                fila(real + ", "_ba + caso, real, cambio, valor, estado, motivo);
            };
            f("total", "cfdi:Comprobante@Total", "999999.99", TEstado::Alterado, u"cambió después de sellarse"_s);
            f("certificado ajeno", "cfdi:Comprobante@Certificado", ajeno, TEstado::CertificadoNoCorresponde,
              u"30001000000500003416"_s);
            f("sin certificado", "cfdi:Comprobante@Certificado", QByteArray(), TEstado::NoVerificable,
              u"no incluye su certificado"_s);
            // The issuer's seal does not cover the stamp: only the SAT's does.
            f("UUID", "tfd:TimbreFiscalDigital@UUID", "AAAAAAAA-323E-407B-8F8E-40D83FE2E69F", TEstado::Autentico,
              sinTimbre);
            f("SelloCFD", "tfd:TimbreFiscalDigital@SelloCFD", "QUJD", TEstado::Alterado, u"timbre es de otro sello"_s);
            f("DTD", "DTD", QByteArray(), TEstado::NoVerificable, u"DTD"_s);
            f("cortado", "cortado", QByteArray(), TEstado::NoVerificable, u"no es un XML bien formado."_s);
            // Outside the root and in the Addenda: no seal covers them.
            f("Ctrl-Z al final", "al final", "\x1a", TEstado::Autentico, sinTimbre);
            f("&nbsp; en la Addenda", "Addenda", "<ad:Nota xmlns:ad=\"urn:x\">Gracias&nbsp;por su compra</ad:Nota>",
              TEstado::Autentico, sinTimbre);
        }
        // Past the parser's default limit of 10,000,000 bytes, as a retail
        // invoice of some twenty thousand lines is.
        fila("más de diez millones de bytes", "cfdi40-real.xml", "Addenda",
             QByteArray("<ad:L xmlns:ad=\"urn:x\">linea</ad:L>").repeated(320000), TEstado::Autentico, sinTimbre);
        // A complement may hold any element, the Addenda anything; the
        // transforms walk the first, never the second.
        const QByteArray hondo =
            "<x:a xmlns:x=\"urn:x\">" + QByteArray("<x:a>").repeated(99999) + QByteArray("</x:a>").repeated(100000);
        fila("cien mil niveles en el Complemento", "cfdi40-real.xml", "en Complemento", hondo, TEstado::NoVerificable,
             u"más de mil niveles"_s);
        fila("cien mil niveles en la Addenda", "cfdi40-real.xml", "Addenda", hondo, TEstado::Autentico, sinTimbre);
        fila("texto al final", "cfdi40-real.xml", "al final", "\r\n-- \r\nEnviado desde mi teléfono",
             TEstado::Autentico, sinTimbre);
        // Read where the seal covers it, or before what it covers.
        fila("&nbsp; fuera de la Addenda", "cfdi40-real.xml", "cfdi:Emisor@Nombre", "A&nbsp;B", TEstado::NoVerificable,
             u"no es un XML bien formado."_s);
        fila("&nbsp; en una Addenda con algo después", "cfdi40-real.xml", "Addenda",
             "&nbsp;</cfdi:Addenda><cfdi:Addenda>", TEstado::NoVerificable, u"no es un XML bien formado."_s);
        // The transform leaves out an element without a namespace, which the
        // import of 3.2 reads where no sealed one of its name stands.
        fila("3.2 con retenciones sin espacio de nombres", "cfdi32-real.xml", "en Impuestos",
             "<Retenciones xmlns=\"\"><Retencion impuesto=\"ISR\" importe=\"1000.00\"/></Retenciones>",
             TEstado::Alterado, u"elemento Retenciones sin espacio de nombres"_s);
        fila("versión 3.3 en el espacio de 4.0", "cfdi40-real.xml", "cfdi:Comprobante@Version", "3.3",
             TEstado::NoVerificable, u"versión 3.3, pero su espacio de nombres es el de la versión 4.0."_s);
        fila("versión 4.0 en el espacio de 3.3", "cfdi33-real.xml", "cfdi:Comprobante@Version", "4.0",
             TEstado::NoVerificable, u"versión 4.0, pero su espacio de nombres es el de las versiones 3.2 y 3.3."_s);
        fila("versión 3.2 escrita como 3.3", "cfdi33-real.xml", "cfdi:Comprobante@Version", "3.2",
             TEstado::NoVerificable, u"versión 3.2, pero no la escribe como esa versión lo pide."_s);
        // Read as the import reads them, whatever the declaration says: the
        // characters are the ones the issuer sealed. Emitters label UTF-8
        // bytes "utf-16" or "windows-1252"; this voucher's issuer name has an Ñ.
        const char* conEnie = "file_pdf.xml";
        const QByteArray utf16 = "<?xml version='1.0' encoding='utf-16'?>";
        const QByteArray w1252 = "<?xml version='1.0' encoding='windows-1252'?>";
        fila("UTF-8 declarado windows-1252", conEnie, "declaración", w1252, TEstado::Autentico, sinTimbre);
        fila("UTF-8 declarado UTF-16", conEnie, "declaración", utf16, TEstado::Autentico, sinTimbre);
        fila("4.0 en UTF-8 declarado UTF-16", "cfdi40-real.xml", "declaración",
             "<?xml version=\"1.0\" encoding=\"utf-16\"?>", TEstado::Autentico, sinTimbre);
        // The import reads a declaration only at the very first byte.
        fila("UTF-8 declarado ISO-8859-1 tras un salto de línea", conEnie, "declaración",
             "\n<?xml version='1.0' encoding='ISO-8859-1'?>", TEstado::Autentico, sinTimbre);
        fila("UTF-16LE con su marca", conEnie, "declaración, UTF-16LE", utf16, TEstado::Autentico, sinTimbre);
        fila("UTF-16BE con su marca", conEnie, "declaración, UTF-16BE", utf16, TEstado::Autentico, sinTimbre);
        // Bytes of windows-1252 are not UTF-8: the import refuses them.
        fila("windows-1252 declarado", conEnie, "declaración, windows-1252", w1252, TEstado::NoVerificable,
             u"no es un XML bien formado."_s);
        const auto sinCambio = [&](const char* caso, const char* archivo, TEstado estado, const char* motivo) {
            fila(caso, archivo, "", QByteArray(), estado, QString::fromUtf8(motivo));
        };
        sinCambio("timbre de otro sello", "cfdi33-valid.xml", TEstado::Alterado, "timbre es de otro sello");
        // Its certificate verifies the seal but is another RFC's.
        sinCambio("certificado de otro RFC", "cfdv33-signed-tfd.xml", TEstado::CertificadoNoCorresponde,
                  "GAMA600504JP1");
        sinCambio("sin timbre", "created-pago-with-ns-at-root-33.xml", TEstado::NoVerificable,
                  "válido, pero el comprobante no está timbrado");
        sinCambio("ejemplo del SAT", "cfdv32-ejemplo.xml", TEstado::Alterado, "sello del emisor no corresponde");
        sinCambio("sin sello", "cfdv40-nomina12.xml", TEstado::NoVerificable, "no tiene sello");
        sinCambio("CFD 2.0", "cfdv2.xml", TEstado::NoVerificable, "3.2, 3.3 ni 4.0");
        sinCambio("CFDI 3.0", "cfdv3.externo.xml", TEstado::NoVerificable, "versión 3.0");
        sinCambio("sellado con su e.firma", "h&e951128469_ingreso_iva16_stamped.xml", TEstado::CertificadoNoCorresponde,
                  "no es un certificado de sello digital (CSD)");
    }

    void verificaArchivo()
    {
        QFETCH(QString, archivo);
        QFETCH(QString, cambio);
        QFETCH(QByteArray, valor);
        QFETCH(TEstado, estado);
        QFETCH(QString, motivo);
        QByteArray xml = lee(CFDI + archivo);
        if (cambio == u"DTD"_s)
            xml.replace("<cfdi:Comprobante", "<!DOCTYPE x [<!ENTITY a \"a\">]>\n<cfdi:Comprobante");
        else if (cambio == u"cortado"_s)
            xml.truncate(xml.size() / 2);
        else if (cambio == u"al final"_s)
            xml += valor;
        else if (cambio == u"en Complemento"_s)
            xml.replace("</cfdi:Complemento>", valor + "</cfdi:Complemento>");
        else if (cambio == u"en Impuestos"_s)
            xml.replace("</cfdi:Impuestos>", valor + "</cfdi:Impuestos>");
        else if (cambio == u"Addenda"_s)
            xml.replace("</cfdi:Comprobante>", "<cfdi:Addenda>" + valor + "</cfdi:Addenda></cfdi:Comprobante>");
        else if (cambio.startsWith(u"declaración"_s)) {
            xml = valor + xml.mid(xml.startsWith("<?xml") ? xml.indexOf("?>") + 2 : 0);
            const QString en = cambio.section(u", "_s, 1);
            const QString texto = QString::fromUtf8(xml);
            if (en == u"windows-1252"_s)
                xml = texto.toLatin1(); // the same byte as windows-1252 for every letter of these vouchers
            else if (!en.isEmpty())
                xml = QStringEncoder(en == u"UTF-16LE"_s ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                                     QStringConverter::Flag::WriteBom)
                          .encode(texto);
        } else if (!cambio.isEmpty())
            xml = cambia(xml, cambio.section(u'@', 0, 0), cambio.section(u'@', 1), valor);
        const TResultado r = verifica(xml, m_programa.ruta());
        QCOMPARE(texto(r.estado), texto(estado));
        QVERIFY2(r.motivo.contains(motivo), qPrintable(r.motivo));
        QVERIFY(!r.timbreVerificado);
    }

    // Real vouchers issued again here with the SAT's test credentials: a
    // payroll with its CSD; sealed with an e.firma; dated outside the CSD's
    // validity, or at its edges as seen from UTC-8 and UTC-5 (the EKU CSD runs
    // from 2023-05-18 11:43:51 to 2027-05-18 11:43:51 UTC, the 1024-bit one to
    // 2017-05-07 16:01:29 UTC), a 3.2 date with its offset, a date that is
    // none; and with a complement no bundled transform knows, in Complemento
    // or a concept's ComplementoConcepto, sealed with its values in the cadena.
    void reemitido_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QString>("credencial");
        QTest::addColumn<QByteArray>("fecha");
        QTest::addColumn<QString>("complemento");
        QTest::addColumn<TEstado>("estado");
        QTest::addColumn<QString>("motivo");
        const QString csd = u"EKU9003173C9"_s;
        const auto f = [](const char* caso, const char* archivo, const QString& credencial, const char* fecha,
                          const char* complemento, TEstado estado, const char* motivo) {
            QTest::newRow(caso) << archivo << credencial << QByteArray(fecha) << complemento << estado << motivo;
        };
        const TEstado A = TEstado::Autentico, C = TEstado::CertificadoNoCorresponde, N = TEstado::NoVerificable;
        const char* fuera = "fuera de la vigencia de su certificado";
        f("nómina", "cfdi40-nomina-compensacion-valid.xml", csd, "", "", A, "El sello del emisor es válido.");
        f("e.firma", "cfdi40-real.xml", u"EKU9003173C9_FIEL"_s, "", "", C, "no es un certificado de sello digital");
        f("antes de la vigencia", "cfdi33-real.xml", csd, "", "", C, fuera);
        f("al empezar, en UTC-8", "cfdi40-real.xml", csd, "2023-05-18T03:43:51", "", A, "es válido");
        f("un segundo antes", "cfdi40-real.xml", csd, "2023-05-18T03:43:50", "", C, fuera);
        f("al terminar, en UTC-5", "cfdi40-real.xml", csd, "2027-05-18T06:43:51", "", A, "es válido");
        f("un segundo después", "cfdi40-real.xml", csd, "2027-05-18T06:43:52", "", C, fuera);
        f("3.2 sin desfase", "cfdi32-real.xml", u"CSD01_AAA010101AAA_1024"_s, "2017-05-07T10:01:30", "", A,
          "es válido");
        f("3.2 con desfase", "cfdi32-real.xml", u"CSD01_AAA010101AAA_1024"_s, "2017-05-07T10:01:30-06:00", "", C,
          fuera);
        f("fecha imposible", "cfdi40-real.xml", csd, "2024-02-30T10:00:00", "", N, "no es una fecha válida");
        const char* futuro = "lleva el complemento Futuro (http://www.sat.gob.mx/futuro10), que esta versión";
        f("complemento desconocido", "cfdi40-real.xml", csd, "", "Complemento", N, futuro);
        f("complemento de concepto desconocido", "cfdi40-real.xml", csd, "", "ComplementoConcepto", N, futuro);
    }

    void reemitido()
    {
        QFETCH(QString, archivo);
        QFETCH(QString, credencial);
        QFETCH(QByteArray, fecha);
        QFETCH(QString, complemento);
        QFETCH(TEstado, estado);
        QFETCH(QString, motivo);
        QByteArray xml = lee(CFDI + archivo);
        const QByteArray futuro =
            "<fut:Futuro xmlns:fut=\"http://www.sat.gob.mx/futuro10\" Version=\"1.0\" Dato=\"X\"/>";
        if (complemento == u"Complemento"_s)
            xml.replace("<cfdi:Complemento>", "<cfdi:Complemento>" + futuro);
        else if (!complemento.isEmpty())
            xml.replace(xml.indexOf("</cfdi:Concepto>"), 0,
                        "<cfdi:ComplementoConcepto>" + futuro + "</cfdi:ComplementoConcepto>");
        xml = reemite(xml, credencial, fecha, complemento.isEmpty() ? QByteArray() : "|1.0|X", m_programa.ruta());
        const TResultado r = verifica(xml, m_programa.ruta());
        QCOMPARE(texto(r.estado), texto(estado));
        QVERIFY2(r.motivo.contains(motivo), qPrintable(r.motivo));
    }

    // The stamp remade with a SAT certificate and key of the test's own; the
    // program folder keeps that certificate, none, one of another number, or
    // one of that number and another key. Then the stamp's UUID changed, or a
    // copy of the stamp under another UUID added in a Complemento of its own
    // (the import files a voucher under the last stamp).
    void timbre_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QString>("guardado");
        QTest::addColumn<QString>("cambio");
        QTest::addColumn<TEstado>("estado");
        QTest::addColumn<QString>("motivo");
        for (const char* archivo : {"cfdi40-real.xml", "cfdi32-real.xml"}) {
            const auto f = [archivo](const char* caso, const char* guardado, const char* cambio, TEstado estado,
                                     const char* motivo) {
                QTest::addRow("%s, %s", archivo, caso) << archivo << guardado << cambio << estado << motivo;
            };
            f("con su certificado", "propio", "", TEstado::Autentico, "sello del SAT son válidos");
            f("sin certificado", "", "", TEstado::Autentico,
              "No se verificó el sello del SAT: falta su certificado 30001000000500009876 en Certificados/SAT.");
            f("otro número", "otro número", "", TEstado::CertificadoNoCorresponde, "30001000000500001111");
            f("otra llave", "otra llave", "", TEstado::Alterado, "sello del SAT no corresponde");
            f("UUID cambiado", "propio", "UUID", TEstado::Alterado, "sello del SAT no corresponde");
            f("timbre agregado", "propio", "timbre agregado", TEstado::Alterado, "lleva 2 timbres fiscales");
        }
    }

    void timbre()
    {
        QFETCH(QString, archivo);
        QFETCH(QString, guardado);
        QFETCH(QString, cambio);
        QFETCH(TEstado, estado);
        QFETCH(QString, motivo);
        const QByteArray numero = "30001000000500009876";
        TCarpetaPrograma programa(false);
        TCredencialPrueba sat(true);
        TCredencialPrueba otra(true);
        QByteArray xml = cambia(lee(CFDI + archivo), TIMBRE, u"NoCertificadoSAT"_s, numero);
        const bool sha256 = !xml.contains("version=\"3.2\"");
        xml = cambia(xml, TIMBRE, u"SelloSAT"_s,
                     firma(sat.llave(), sha256, cadenaOriginalTimbre(xml, nullptr, programa.ruta())));
        const QByteArray otroUuid = "AAAAAAAA-323E-407B-8F8E-40D83FE2E69F";
        if (cambio == u"UUID"_s)
            xml = cambia(xml, TIMBRE, u"UUID"_s, otroUuid);
        if (cambio == u"timbre agregado"_s) {
            const QByteArray timbre = QRegularExpression(u"<tfd:TimbreFiscalDigital\\b[^>]*/>"_s)
                                          .match(QString::fromUtf8(xml))
                                          .captured()
                                          .toUtf8();
            QVERIFY(!timbre.isEmpty());
            xml.replace("</cfdi:Comprobante>", "<cfdi:Complemento>" + cambia(timbre, TIMBRE, u"UUID"_s, otroUuid) +
                                                   "</cfdi:Complemento></cfdi:Comprobante>");
        }
        const QString destino = carpetaCertificadosSat(programa.ruta()) + QString::fromLatin1(numero) + ".cer";
        const QString rfcSat = u"SAT970701NN3"_s;
        if (guardado == u"propio"_s)
            TCarpetaPrograma::escribe(destino, sat.certificado(rfcSat, numero));
        else if (guardado == u"otro número"_s)
            TCarpetaPrograma::escribe(destino, otra.certificado(rfcSat, "30001000000500001111"));
        else if (guardado == u"otra llave"_s)
            TCarpetaPrograma::escribe(destino, otra.certificado(rfcSat, numero));
        const TResultado r = verifica(xml, programa.ruta());
        QCOMPARE(texto(r.estado), texto(estado));
        QVERIFY2(r.motivo.contains(motivo), qPrintable(r.motivo));
        QCOMPARE(r.timbreVerificado, guardado == u"propio"_s && cambio.isEmpty());
        if (guardado == u"otra llave"_s) {
            // Replaced by the right one, the next check reads the new file.
            const QString propio = programa.archivo(u"propio.cer"_s);
            TCredencialPrueba::escribe(propio, sat.certificado(rfcSat, numero));
            QCOMPARE(agregaCertificadoSat(propio, nullptr, programa.ruta()), QString::fromLatin1(numero));
            QVERIFY(verifica(xml, programa.ruta()).timbreVerificado);
        }
    }

    void agregaCertificado_data()
    {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<QString>("numero");
        QTest::addColumn<QString>("error");
        const QByteArray der = lee(CSD + u"30001000000500003456.cer"_s);
        const auto f = [](const char* caso, const QByteArray& contenido, const char* numero, const char* error) {
            QTest::newRow(caso) << contenido << QString::fromUtf8(numero) << QString::fromUtf8(error);
        };
        f("DER", der, "30001000000500003456", "");
        f("PEM", TCredencialPrueba::pem(der, "CERTIFICATE"), "30001000000500003456", "");
        f("llave", lee(CSD + u"EKU9003173C9.key"_s), "", "no es un certificado");
        f("vacío", QByteArray(), "", "No se pudo leer");
        TCredencialPrueba ajena;
        f("sin número del SAT", ajena.certificado(u"SAT970701NN3"_s, "1234"), "", "20 dígitos");
    }

    void agregaCertificado()
    {
        QFETCH(QByteArray, contenido);
        QFETCH(QString, numero);
        QFETCH(QString, error);
        TCarpetaPrograma programa(false);
        const QString archivo = programa.archivo(u"elegido.cer"_s);
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

    // Xslt/ missing at a program folder's first check, then put back: the
    // next check compiles the transforms.
    void transformacionRepuesta()
    {
        TCarpetaPrograma programa(false);
        const QString xslt = programa.archivo(u"Xslt"_s);
        QVERIFY(QDir().rename(xslt, xslt + u".aparte"_s));
        const QByteArray xml = lee(CFDI + u"cfdi40-real.xml"_s);
        const TResultado antes = verifica(xml, programa.ruta());
        QVERIFY2(antes.motivo.startsWith(u"Falta la transformación del SAT"_s), qPrintable(antes.motivo));
        QVERIFY(QDir().rename(xslt + u".aparte"_s, xslt));
        const TResultado despues = verifica(xml, programa.ruta());
        QVERIFY2(despues.estado == TEstado::Autentico, qPrintable(despues.motivo));
    }

    // Two threads over the same vouchers at once, in a program folder whose
    // transforms neither has compiled yet, get what one thread alone gets.
    void dosHilos()
    {
        QList<QByteArray> comprobantes;
        for (const char* archivo : {"cfdi32-real.xml", "cfdi33-real.xml", "cfdi40-real.xml", "cfdi33-valid.xml",
                                    "cfdv33-signed-tfd.xml", "cfdv2.xml"})
            comprobantes << lee(CFDI + QLatin1String(archivo));
        comprobantes << cambia(comprobantes.first(), COMPROBANTE, u"Total"_s, "1.00");
        TCarpetaPrograma programa(false);
        const auto recorre = [&](QStringList& salida) {
            for (int vuelta = 0; vuelta < 20; ++vuelta)
                for (const QByteArray& xml : comprobantes) {
                    const TResultado r = verifica(xml, programa.ruta());
                    salida << texto(r.estado) + u'|' + r.motivo;
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
        QVERIFY(solo.first().startsWith(u"Auténtico|"_s));
    }
};

QTEST_GUILESS_MAIN(TstVerificacion)
#include "tst_verificacion.moc"
