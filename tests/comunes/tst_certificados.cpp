#include "CarpetaPrograma.h"
#include "CertificadosPrueba.h"
#include "Constantes.h"
#include "Reloj.h"
#include "Signerutils.h"
#include "VigenciaCertificado.h"
#include "ZonaHoraria.h"

#include <QtTest>

#include <sys/stat.h>

#include <memory>

using namespace Qt::StringLiterals;
using Signerutils::Signer;
using Signerutils::TRevision;
using Signerutils::TSigner;

Q_DECLARE_METATYPE(Signerutils::TRevision)

namespace {

const QString PASSWORD = u"12345678a"_s;

QString dato(const QString& nombre)
{
    return QStringLiteral(VELKOR_DATOS_PRUEBA "/csd/") + nombre;
}

} // namespace

class TstCertificados : public QObject {
    Q_OBJECT

    // Broken and converted copies of the SAT files and the certificates and
    // keys made for the test, once per run.
    QTemporaryDir m_dir;
    // The key pair of every certificate made here.
    std::unique_ptr<TCredencialPrueba> m_credencial;

    QString temporal(const QString& nombre) const { return m_dir.filePath(nombre); }
    QString t(const char* nombre) const { return temporal(QString::fromUtf8(nombre)); }

    void escribe(const QString& nombre, const QByteArray& bytes)
    {
        QFile archivo(temporal(nombre));
        QVERIFY(archivo.open(QIODevice::WriteOnly));
        QCOMPARE(archivo.write(bytes), bytes.size());
    }

private slots:
    void initTestCase()
    {
        const QByteArray cer = TCarpetaPrograma::lee(dato(u"EKU9003173C9.cer"_s));
        const QByteArray key = TCarpetaPrograma::lee(dato(u"EKU9003173C9.key"_s));
        escribe(u"truncado.cer"_s, cer.left(cer.size() / 2));
        escribe(u"truncado.key"_s, key.left(key.size() - 40));
        escribe(u"vacio.cer"_s, QByteArray());
        escribe(u"basura.bin"_s, QByteArray(1500, '\x5A'));
        escribe(u"texto.cer"_s, "Este archivo no es un certificado.\n");
        escribe(u"pem.cer"_s, TCredencialPrueba::pem(cer, "CERTIFICATE"));
        escribe(u"pem.key"_s, TCredencialPrueba::pem(key, "ENCRYPTED PRIVATE KEY"));
        // A PEM file whose only block is of another kind.
        escribe(u"otro-bloque.cer"_s, TCredencialPrueba::pem(key, "ENCRYPTED PRIVATE KEY"));
        QVERIFY(QDir(m_dir.path()).mkdir(u"carpeta.cer"_s));
        // Opening a FIFO for reading waits for a writer that never comes.
        QCOMPARE(::mkfifo(QFile::encodeName(temporal(u"fifo"_s)).constData(), 0600), 0);

        m_credencial = std::make_unique<TCredencialPrueba>();
        const TCredencialPrueba& c = *m_credencial;
        escribe(u"moral.cer"_s, c.certificado(u"EKU9003173C9 / VADA800927DJ3"_s));
        escribe(u"ampersand.cer"_s, c.certificado(u"H&E951128469"_s));
        escribe(u"ruta.cer"_s, c.certificado(u"../../../../x"_s));
        escribe(u"ruta-representante.cer"_s, c.certificado(u"../../x / VADA800927DJ3"_s));
        escribe(u"sin-rfc.cer"_s, c.certificado(QString()));
        escribe(u"minusculas.cer"_s, c.certificado(u"eku9003173c9"_s));
        escribe(u"ruta-fiel.cer"_s, c.certificado(u"../../../../x"_s, "30001000000500009999", false));
        escribe(u"serie-larga.cer"_s, c.certificado(u"EKU9003173C9"_s, "300010000005000099991234567890"));
        escribe(u"serie-binaria.cer"_s, c.certificado(u"EKU9003173C9"_s, "\x7f\x01\x02"));
        const QByteArray password = PASSWORD.toUtf8();
        escribe(u"propia.key"_s, c.llaveCifrada(password));
        escribe(u"sin-cifrar.key"_s, c.llaveSinCifrar());
        escribe(u"sin-cifrar-pem.key"_s, TCredencialPrueba::pem(c.llaveSinCifrar(), "PRIVATE KEY"));
        escribe(u"tradicional.key"_s, c.llaveTradicional());
        escribe(u"en-el-limite.key"_s, c.llaveCifrada(password, int(TSigner::ITERACIONES_MAXIMAS)));
        escribe(u"pasa-el-limite.key"_s, c.llaveCifrada(password, int(TSigner::ITERACIONES_MAXIMAS) + 1));
        // Deriving either would take minutes.
        escribe(u"pbes2-enorme.key"_s, TCredencialPrueba::llavePbes2(2147483647));
        escribe(u"pbes1-enorme.key"_s, TCredencialPrueba::llavePbes1(2147483647));
        escribe(u"scrypt.key"_s, TCredencialPrueba::llaveScrypt());
    }

    void esRfcValido_data()
    {
        QTest::addColumn<QString>("rfc");
        QTest::addColumn<bool>("valido");
        QTest::newRow("persona moral") << u"EKU9003173C9"_s << true;
        QTest::newRow("con Ñ") << u"HAÑ930228SM9"_s << true;
        QTest::newRow("con &") << u"H&E951128469"_s << true;
        QTest::newRow("genérico") << u"XAXX010101000"_s << true;
        QTest::newRow("vacío") << QString() << false;
        QTest::newRow("ruta") << u"../../../../x"_s << false;
        QTest::newRow("minúsculas") << u"eku9003173c9"_s << false;
        QTest::newRow("blanco delante") << u" EKU9003173C9"_s << false;
        QTest::newRow("salto de línea al final") << u"EKU9003173C9\n"_s << false;
        QTest::newRow("dos letras") << u"EK9003173C9"_s << false;
        QTest::newRow("letra en la fecha") << u"EKU90031A3C9"_s << false;
        QTest::newRow("con representante") << u"EKU9003173C9 / VADA800927DJ3"_s << false;
    }
    void esRfcValido()
    {
        QFETCH(QString, rfc);
        QFETCH(bool, valido);
        QCOMPARE(Signerutils::esRfcValido(rfc), valido);
    }

    // What the certificate check makes of each certificate, before any of
    // its content is used.
    void revisaCertificado_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<TRevision>("revision");
        const auto sat = [](const char* nombre, TRevision revision) {
            QTest::newRow(nombre) << dato(QString::fromUtf8(nombre)) << revision;
        };
        sat("EKU9003173C9.cer", TRevision::Correcto);
        sat("hañ930228sm9_csd.cer", TRevision::Correcto);
        sat("EKU9003173C9_FIEL.cer", TRevision::NoEsCsd);
        const auto propio = [this](const char* nombre, TRevision revision) {
            QTest::newRow(nombre) << temporal(QString::fromUtf8(nombre)) << revision;
        };
        propio("pem.cer", TRevision::Correcto);
        propio("moral.cer", TRevision::Correcto);
        propio("ampersand.cer", TRevision::Correcto);
        propio("ruta.cer", TRevision::RfcNoValido);
        propio("ruta-representante.cer", TRevision::RfcNoValido);
        propio("sin-rfc.cer", TRevision::RfcNoValido);
        propio("minusculas.cer", TRevision::RfcNoValido);
        propio("ruta-fiel.cer", TRevision::NoEsCsd);
        propio("serie-larga.cer", TRevision::NumeroNoValido);
        propio("serie-binaria.cer", TRevision::NumeroNoValido);
        for (const char* ilegible : {"no-existe.cer", "vacio.cer", "truncado.cer", "basura.bin", "texto.cer",
                                     "otro-bloque.cer", "carpeta.cer", "fifo", "propia.key"})
            propio(ilegible, TRevision::CertificadoIlegible);
    }
    void revisaCertificado()
    {
        QFETCH(QString, archivo);
        QFETCH(TRevision, revision);
        QCOMPARE(Signer().revisaCertificado(archivo), revision);
        // A file the check cannot read gives no information either.
        QCOMPARE(Signer().getInformacionCertificado(archivo).isEmpty(), revision == TRevision::CertificadoIlegible);
    }

    // What the key check makes of each key with the password; the old yes/no
    // check agrees with it.
    void revisaLlave_data()
    {
        QTest::addColumn<QString>("llave");
        QTest::addColumn<QString>("password");
        QTest::addColumn<TRevision>("revision");
        const QString otra = u"87654321a"_s;
        const auto f = [](const char* caso, const QString& llave, const QString& password, TRevision revision) {
            QTest::newRow(caso) << llave << password << revision;
        };
        const QString sat = dato(u"EKU9003173C9.key"_s);
        f("SAT", sat, PASSWORD, TRevision::Correcto);
        f("SAT, otra contraseña", sat, otra, TRevision::PasswordIncorrecto);
        f("SAT, PBES1", dato(u"EKU9003173C9_PBE-MD5-DES.key"_s), PASSWORD, TRevision::Correcto);
        f("SAT en PEM", t("pem.key"), PASSWORD, TRevision::Correcto);
        f("propia", t("propia.key"), PASSWORD, TRevision::Correcto);
        f("en el límite de iteraciones", t("en-el-limite.key"), PASSWORD, TRevision::Correcto);
        // It would open with the password: only the bound refuses it.
        f("una iteración más que el límite", t("pasa-el-limite.key"), PASSWORD, TRevision::LlaveNoAdmitida);
        f("PBES2 con 2^31-1 iteraciones", t("pbes2-enorme.key"), PASSWORD, TRevision::LlaveNoAdmitida);
        f("PBES1 con 2^31-1 iteraciones", t("pbes1-enorme.key"), PASSWORD, TRevision::LlaveNoAdmitida);
        f("scrypt", t("scrypt.key"), PASSWORD, TRevision::LlaveNoAdmitida);
        f("sin cifrar", t("sin-cifrar.key"), PASSWORD, TRevision::LlaveSinCifrar);
        f("sin cifrar, sin contraseña", t("sin-cifrar.key"), QString(), TRevision::LlaveSinCifrar);
        f("sin cifrar en PEM", t("sin-cifrar-pem.key"), PASSWORD, TRevision::LlaveSinCifrar);
        f("sin cifrar, formato del tipo de llave", t("tradicional.key"), otra, TRevision::LlaveSinCifrar);
        for (const char* ilegible : {"no-existe.key", "truncado.key", "basura.bin", "fifo", "carpeta.cer", "pem.cer"})
            f(ilegible, t(ilegible), PASSWORD, TRevision::LlaveIlegible);
    }
    void revisaLlave()
    {
        QFETCH(QString, llave);
        QFETCH(QString, password);
        QFETCH(TRevision, revision);
        QCOMPARE(Signer().revisaLlave(llave, password), revision);
        QCOMPARE(Signer().verificaClave(llave, password), revision == TRevision::Correcto);
    }

    // The whole check: key, then certificate, then the pair; `par` is the old
    // pair check, which does not look at the RFC.
    void revisaCertificados_data()
    {
        QTest::addColumn<QString>("certificado");
        QTest::addColumn<QString>("llave");
        QTest::addColumn<TRevision>("revision");
        QTest::addColumn<bool>("par");
        const auto f = [](const char* caso, const QString& cer, const QString& key, TRevision revision, bool par) {
            QTest::newRow(caso) << cer << key << revision << par;
        };
        const QString ekuCer = dato(u"EKU9003173C9.cer"_s);
        const QString ekuKey = dato(u"EKU9003173C9.key"_s);
        f("SAT", ekuCer, ekuKey, TRevision::Correcto, true);
        f("propio", t("moral.cer"), t("propia.key"), TRevision::Correcto, true);
        f("RFC que es ruta", t("ruta.cer"), t("propia.key"), TRevision::RfcNoValido, true);
        f("llave de otro certificado", ekuCer, dato(u"CSD01_AAA010101AAA.key"_s), TRevision::NoCorresponden, false);
        f("llave propia con certificado del SAT", ekuCer, t("propia.key"), TRevision::NoCorresponden, false);
        f("FIEL", dato(u"EKU9003173C9_FIEL.cer"_s), dato(u"EKU9003173C9_FIEL.key"_s), TRevision::NoEsCsd, true);
        f("primero la llave", t("ruta.cer"), t("sin-cifrar.key"), TRevision::LlaveSinCifrar, false);
        f("certificado ilegible", t("truncado.cer"), ekuKey, TRevision::CertificadoIlegible, false);
    }
    void revisaCertificados()
    {
        QFETCH(QString, certificado);
        QFETCH(QString, llave);
        QFETCH(TRevision, revision);
        QFETCH(bool, par);
        QCOMPARE(Signer().revisaCertificados(certificado, llave, PASSWORD), revision);
        QCOMPARE(Signer().getRelacion(certificado, llave, PASSWORD), par);
    }

    // Number|RFC|name|valid until|CSD ("1") or not, read in Mexico City; `fin`
    // is the certificate's notAfter, in UTC.
    void informacion_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QString>("esperado");
        QTest::addColumn<QDateTime>("fin");
        const auto f = [](const char* caso, const QString& archivo, const char* fin, const char* esperado) {
            QTest::newRow(caso) << archivo << QString::fromUtf8(esperado)
                                << QDateTime::fromString(QString::fromLatin1(fin), Qt::ISODate);
        };
        // The issuer (the SAT's test CA) carries its own 2.5.4.45.
        f("CSD vigente", dato(u"EKU9003173C9.cer"_s), "2027-05-18T11:43:51Z",
          "30001000000500003416|EKU9003173C9 / VADA800927DJ3|ESCUELA KEMPER URGATE SA DE CV|18/05/2027|1");
        f("FIEL: no es CSD", dato(u"EKU9003173C9_FIEL.cer"_s), "2027-05-17T04:37:14Z",
          "30001000000500003415|EKU9003173C9 / VADA800927DJ3|ESCUELA KEMPER URGATE SA DE CV|16/05/2027|0");
        f("CSD de 1024 bits, caducado", dato(u"CSD01_AAA010101AAA_1024.cer"_s), "2017-05-07T16:01:29Z",
          "20001000000200001428|AAA010101AAA / HEGT7610034S2|ACCEM SERVICIOS EMPRESARIALES SC|07/05/2017|1");
        // Ended at 22:54 of the 17th in Mexico City: expired on the 18th.
        f("CSD caducado", dato(u"CSD01_AAA010101AAA.cer"_s), "2021-05-18T03:54:56Z",
          "30001000000300023708|AAA010101AAA / HEGT7610034S2|ACCEM SERVICIOS EMPRESARIALES SC|17/05/2021|1");
        f("uso de llave crítico", dato(u"emisor2021.cer"_s), "2028-12-07T00:00:01Z",
          "30001000000300023708|AAA010101AAA / HEGT7610034S2|ACCEM SERVICIOS EMPRESARIALES SC|06/12/2028|1");
        f("Ñ en T61String", dato(u"hañ930228sm9_csd.cer"_s), "2023-06-17T20:12:44Z",
          "30001000000400002439|HAÑ930228SM9 / KAHO641101B39|HERMANOS ANZURES ÑARVAEZ SA|17/06/2023|1");
        f("certificado sin llave", dato(u"30001000000500003456.cer"_s), "2027-05-18T16:23:14Z",
          "30001000000500003456|SPR190613I52 / VADA800927DJ3|SAT PRUEBAS|18/05/2027|1");
        f("PEM", t("pem.cer"), "2027-05-18T11:43:51Z",
          "30001000000500003416|EKU9003173C9 / VADA800927DJ3|ESCUELA KEMPER URGATE SA DE CV|18/05/2027|1");
    }
    void informacion()
    {
        QFETCH(QString, archivo);
        QFETCH(QString, esperado);
        QFETCH(QDateTime, fin);
        const TZonaHoraria zona("America/Mexico_City");
        // What cannot be read gives no information at all: revisaCertificado's rows.
        const QMap<QString, QString> info = Signer().getInformacionCertificado(archivo);
        const QString csd = info.value(Constantes::CERT_INTENDEDKEYUSAGE) == Constantes::CERT_CSD ? u"1"_s : u"0"_s;
        QCOMPARE((QStringList{info.value(Constantes::CERT_SERIALNUMBER), info.value(Constantes::CERT_OID_45),
                              info.value(Constantes::CERT_OID_41), info.value(Constantes::CERT_VALIDTOSTR), csd})
                     .join(u'|'),
                 esperado);
        // Expiry texts are read back with the system's short date.
        const QString vigencia = info.value(Constantes::CERT_VALIDTOSTR);
        QVERIFY(QDate::fromString(vigencia, Constantes::FORMATO_FECHA).isValid());
        // Valid up to its last second on the local clock, expired the next local day.
        const QDateTime finLocal = fin.toLocalTime();
        {
            const TRelojFijo reloj(finLocal.addSecs(-1));
            QVERIFY(!VigenciaCertificado::vencido(vigencia));
        }
        const TRelojFijo reloj(finLocal.date().addDays(1));
        QVERIFY(VigenciaCertificado::vencido(vigencia));
    }

    // Each row asks whether the key opens with the password and whether it is
    // the certificate's own.
    void llaves_data()
    {
        QTest::addColumn<QString>("certificado");
        QTest::addColumn<QString>("llave");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("abre");
        QTest::addColumn<bool>("par");
        const auto f = [](const char* caso, const QString& cer, const QString& key, const QString& password, bool abre,
                          bool par) { QTest::newRow(caso) << cer << key << password << abre << par; };
        const auto d = [](const char* nombre) { return dato(QString::fromUtf8(nombre)); };
        const QString ekuCer = d("EKU9003173C9.cer");
        const QString ekuKey = d("EKU9003173C9.key");
        f("par con Ñ", d("hañ930228sm9_csd.cer"), d("hañ930228sm9_csd.key"), PASSWORD, true, true);
        f("par de 1024 bits", d("CSD01_AAA010101AAA_1024.cer"), d("CSD01_AAA010101AAA_1024.key"), PASSWORD, true, true);
        f("par FIEL", d("EKU9003173C9_FIEL.cer"), d("EKU9003173C9_FIEL.key"), PASSWORD, true, true);
        f("PBES1 (MD5 y DES)", ekuCer, d("EKU9003173C9_PBE-MD5-DES.key"), PASSWORD, true, true);
        f("PEM con DER", t("pem.cer"), ekuKey, PASSWORD, true, true);
        f("DER con PEM", ekuCer, t("pem.key"), PASSWORD, true, true);
        f("mismo par de llaves, otra emisión", d("emisor2021.cer"), d("CSD01_AAA010101AAA.key"), PASSWORD, true, true);
        f("llave de la FIEL con el CSD", ekuCer, d("EKU9003173C9_FIEL.key"), PASSWORD, true, false);
        f("certificado sin su llave", d("30001000000500003456.cer"), ekuKey, PASSWORD, true, false);
        f("contraseña incorrecta", ekuCer, ekuKey, u"12345678b"_s, false, false);
        f("basura por llave", ekuCer, t("basura.bin"), PASSWORD, false, false);
        f("archivos invertidos", ekuKey, ekuCer, PASSWORD, false, false);
    }
    void llaves()
    {
        QFETCH(QString, certificado);
        QFETCH(QString, llave);
        QFETCH(QString, password);
        QFETCH(bool, abre);
        QFETCH(bool, par);
        QCOMPARE(Signer().verificaClave(llave, password), abre);
        QCOMPARE(Signer().getRelacion(certificado, llave, password), par);
    }

    void fallasNoAfectanLaSiguiente()
    {
        // A failed read must leave nothing behind that spoils the next
        // operation on the same thread, the text cipher included.
        QVERIFY(!Signer().verificaClave(dato(u"EKU9003173C9.key"_s), u"x"_s));
        QVERIFY(Signer().getInformacionCertificado(temporal(u"truncado.cer"_s)).isEmpty());
        QCOMPARE(Signer().decrypt(Signer().crypt(u"Ñandú"_s)), u"Ñandú"_s);
        QVERIFY(Signer().getRelacion(dato(u"EKU9003173C9.cer"_s), dato(u"EKU9003173C9.key"_s), PASSWORD));
    }
};

QTEST_GUILESS_MAIN(TstCertificados)
#include "tst_certificados.moc"
