#include "Constantes.h"
#include "Signerutils.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using Signerutils::Signer;

namespace {

const QString PASSWORD = QStringLiteral("12345678a");

QString dato(const QString& nombre)
{
    return QStringLiteral(VELKOR_DATOS_PRUEBA "/csd/") + nombre;
}

QByteArray contenido(const QString& ruta)
{
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly))
        qFatal("No se pudo leer %s", qPrintable(ruta));
    return archivo.readAll();
}

QByteArray pem(const QByteArray& der, const QByteArray& etiqueta)
{
    QByteArray texto = "-----BEGIN " + etiqueta + "-----\n";
    const QByteArray base64 = der.toBase64();
    for (qsizetype i = 0; i < base64.size(); i += 64)
        texto += base64.mid(i, 64) + '\n';
    return texto + "-----END " + etiqueta + "-----\n";
}

} // namespace

class TstCertificados : public QObject {
    Q_OBJECT

    // Broken and converted copies of the SAT files, made once per run.
    QTemporaryDir m_dir;

    QString temporal(const QString& nombre) const { return m_dir.filePath(nombre); }

    void escribe(const QString& nombre, const QByteArray& bytes)
    {
        QFile archivo(temporal(nombre));
        QVERIFY(archivo.open(QIODevice::WriteOnly));
        QCOMPARE(archivo.write(bytes), bytes.size());
    }

private slots:
    void initTestCase()
    {
        const QByteArray cer = contenido(dato(QStringLiteral("EKU9003173C9.cer")));
        const QByteArray key = contenido(dato(QStringLiteral("EKU9003173C9.key")));
        escribe(QStringLiteral("truncado.cer"), cer.left(cer.size() / 2));
        escribe(QStringLiteral("truncado.key"), key.left(key.size() - 40));
        escribe(QStringLiteral("vacio.cer"), QByteArray());
        escribe(QStringLiteral("basura.bin"), QByteArray(1500, '\x5A'));
        escribe(QStringLiteral("texto.cer"), "Este archivo no es un certificado.\n");
        escribe(QStringLiteral("pem.cer"), pem(cer, "CERTIFICATE"));
        escribe(QStringLiteral("pem.key"), pem(key, "ENCRYPTED PRIVATE KEY"));
        // A PEM file whose only block is of another kind.
        escribe(QStringLiteral("otro-bloque.cer"), pem(key, "ENCRYPTED PRIVATE KEY"));
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("carpeta.cer")));
    }

    void informacion_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QString>("numero");
        QTest::addColumn<QString>("rfc");
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("vigencia");
        QTest::addColumn<bool>("csd");

        const QString eku = QStringLiteral("EKU9003173C9 / VADA800927DJ3");
        const QString kemper = QStringLiteral("ESCUELA KEMPER URGATE SA DE CV");
        const QString aaa = QStringLiteral("AAA010101AAA / HEGT7610034S2");
        const QString accem = QStringLiteral("ACCEM SERVICIOS EMPRESARIALES SC");
        // The issuer (the SAT's test CA) carries its own 2.5.4.45.
        QTest::newRow("CSD vigente") << dato(QStringLiteral("EKU9003173C9.cer"))
                                     << QStringLiteral("30001000000500003416") << eku << kemper
                                     << QStringLiteral("18/05/2027") << true;
        QTest::newRow("FIEL: no es CSD") << dato(QStringLiteral("EKU9003173C9_FIEL.cer"))
                                         << QStringLiteral("30001000000500003415") << eku << kemper
                                         << QStringLiteral("17/05/2027") << false;
        QTest::newRow("CSD de 1024 bits, caducado")
            << dato(QStringLiteral("CSD01_AAA010101AAA_1024.cer")) << QStringLiteral("20001000000200001428") << aaa
            << accem << QStringLiteral("07/05/2017") << true;
        QTest::newRow("CSD caducado") << dato(QStringLiteral("CSD01_AAA010101AAA.cer"))
                                      << QStringLiteral("30001000000300023708") << aaa << accem
                                      << QStringLiteral("18/05/2021") << true;
        QTest::newRow("uso de llave crítico")
            << dato(QStringLiteral("emisor2021.cer")) << QStringLiteral("30001000000300023708") << aaa << accem
            << QStringLiteral("07/12/2028") << true;
        QTest::newRow("Ñ en T61String")
            << dato(QStringLiteral("hañ930228sm9_csd.cer")) << QStringLiteral("30001000000400002439")
            << QStringLiteral("HAÑ930228SM9 / KAHO641101B39") << QStringLiteral("HERMANOS ANZURES ÑARVAEZ SA")
            << QStringLiteral("17/06/2023") << true;
        QTest::newRow("certificado sin llave")
            << dato(QStringLiteral("30001000000500003456.cer")) << QStringLiteral("30001000000500003456")
            << QStringLiteral("SPR190613I52 / VADA800927DJ3") << QStringLiteral("SAT PRUEBAS")
            << QStringLiteral("18/05/2027") << true;
        QTest::newRow("PEM") << temporal(QStringLiteral("pem.cer")) << QStringLiteral("30001000000500003416") << eku
                             << kemper << QStringLiteral("18/05/2027") << true;
        // What cannot be read gives no information at all.
        for (const QString& ilegible :
             {temporal(QStringLiteral("no-existe.cer")), temporal(QStringLiteral("vacio.cer")),
              temporal(QStringLiteral("truncado.cer")), temporal(QStringLiteral("basura.bin")),
              temporal(QStringLiteral("texto.cer")), dato(QStringLiteral("EKU9003173C9.key")),
              temporal(QStringLiteral("otro-bloque.cer")), temporal(QStringLiteral("carpeta.cer"))})
            QTest::newRow(qPrintable(QFileInfo(ilegible).fileName())) << ilegible << QString() << QString() << QString()
                                                                    << QString() << false;
    }
    void informacion()
    {
        QFETCH(QString, archivo);
        QFETCH(QString, numero);
        QFETCH(QString, rfc);
        QFETCH(QString, nombre);
        QFETCH(QString, vigencia);
        QFETCH(bool, csd);

        const QMap<QString, QString> info = Signer().getInformacionCertificado(archivo);
        if (numero.isEmpty()) {
            QVERIFY(info.isEmpty());
            return;
        }
        QCOMPARE(info.value(Constantes::CERT_SERIALNUMBER), numero);
        QCOMPARE(info.value(Constantes::CERT_OID_45), rfc);
        QCOMPARE(info.value(Constantes::CERT_OID_41), nombre);
        QCOMPARE(info.value(Constantes::CERT_VALIDTOSTR), vigencia);
        // Expiry texts are read back with the system's short date.
        QVERIFY(QDate::fromString(info.value(Constantes::CERT_VALIDTOSTR), Constantes::FORMATO_FECHA).isValid());
        QCOMPARE(info.value(Constantes::CERT_INTENDEDKEYUSAGE) == Constantes::CERT_CSD, csd);
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

        const QString ekuCer = dato(QStringLiteral("EKU9003173C9.cer"));
        const QString ekuKey = dato(QStringLiteral("EKU9003173C9.key"));
        const QString aaaKey = dato(QStringLiteral("CSD01_AAA010101AAA.key"));
        const QString pbes1 = dato(QStringLiteral("EKU9003173C9_PBE-MD5-DES.key"));
        QTest::newRow("par") << ekuCer << ekuKey << PASSWORD << true << true;
        QTest::newRow("par con Ñ") << dato(QStringLiteral("hañ930228sm9_csd.cer"))
                                   << dato(QStringLiteral("hañ930228sm9_csd.key")) << PASSWORD << true << true;
        QTest::newRow("par de 1024 bits") << dato(QStringLiteral("CSD01_AAA010101AAA_1024.cer"))
                                          << dato(QStringLiteral("CSD01_AAA010101AAA_1024.key")) << PASSWORD << true
                                          << true;
        QTest::newRow("par FIEL") << dato(QStringLiteral("EKU9003173C9_FIEL.cer"))
                                  << dato(QStringLiteral("EKU9003173C9_FIEL.key")) << PASSWORD << true << true;
        QTest::newRow("PBES1 (MD5 y DES)") << ekuCer << pbes1 << PASSWORD << true << true;
        QTest::newRow("PBES1, contraseña incorrecta") << ekuCer << pbes1 << QStringLiteral("87654321a") << false
                                                      << false;
        QTest::newRow("PEM con DER") << temporal(QStringLiteral("pem.cer")) << ekuKey << PASSWORD << true << true;
        QTest::newRow("DER con PEM") << ekuCer << temporal(QStringLiteral("pem.key")) << PASSWORD << true << true;
        QTest::newRow("mismo par de llaves, otra emisión")
            << dato(QStringLiteral("emisor2021.cer")) << aaaKey << PASSWORD << true << true;
        QTest::newRow("llave de otro certificado") << ekuCer << aaaKey << PASSWORD << true << false;
        QTest::newRow("llave de la FIEL con el CSD")
            << ekuCer << dato(QStringLiteral("EKU9003173C9_FIEL.key")) << PASSWORD << true << false;
        QTest::newRow("certificado sin su llave")
            << dato(QStringLiteral("30001000000500003456.cer")) << ekuKey << PASSWORD << true << false;
        QTest::newRow("certificado truncado") << temporal(QStringLiteral("truncado.cer")) << ekuKey << PASSWORD << true
                                              << false;
        QTest::newRow("certificado inexistente")
            << temporal(QStringLiteral("no-existe.cer")) << ekuKey << PASSWORD << true << false;
        QTest::newRow("contraseña incorrecta") << ekuCer << ekuKey << QStringLiteral("12345678b") << false << false;
        QTest::newRow("contraseña vacía") << ekuCer << ekuKey << QString() << false << false;
        QTest::newRow("llave truncada") << ekuCer << temporal(QStringLiteral("truncado.key")) << PASSWORD << false
                                        << false;
        QTest::newRow("llave inexistente") << ekuCer << temporal(QStringLiteral("no-existe.key")) << PASSWORD << false
                                           << false;
        QTest::newRow("basura por llave") << ekuCer << temporal(QStringLiteral("basura.bin")) << PASSWORD << false
                                          << false;
        QTest::newRow("archivos invertidos") << ekuKey << ekuCer << PASSWORD << false << false;
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
        QVERIFY(!Signer().verificaClave(dato(QStringLiteral("EKU9003173C9.key")), QStringLiteral("x")));
        QVERIFY(Signer().getInformacionCertificado(temporal(QStringLiteral("truncado.cer"))).isEmpty());
        QCOMPARE(Signer().decrypt(Signer().crypt(QStringLiteral("Ñandú"))), QStringLiteral("Ñandú"));
        QVERIFY(Signer().getRelacion(dato(QStringLiteral("EKU9003173C9.cer")), dato(QStringLiteral("EKU9003173C9.key")),
                                     PASSWORD));
    }
};

QTEST_GUILESS_MAIN(TstCertificados)
#include "tst_certificados.moc"
