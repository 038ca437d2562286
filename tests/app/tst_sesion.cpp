#include "CertificadosPrueba.h"
#include "Constantes.h"
#include "Prompter.h"
#include "Signerutils.h"
#include "negocio/Utils.h"

#include <QtTest>

namespace {

const QString PASSWORD = QStringLiteral("12345678a");

QString dato(const QString& nombre)
{
    return QStringLiteral(VELKOR_DATOS_PRUEBA "/csd/") + nombre;
}

} // namespace

class TstSesion : public QObject {
    Q_OBJECT

    // Keys made for the test.
    QTemporaryDir m_dir;

private slots:
    void soloAlphaNumericos_data()
    {
        QTest::addColumn<QChar>("tecla");
        QTest::addColumn<bool>("pasa");
        QTest::newRow("arroba") << QChar(u'@') << true;
        QTest::newRow("primer código (!)") << QChar(u'!') << true;
        QTest::newRow("espacio") << QChar(u' ') << false;
        QTest::newRow("ñ") << QChar(u'ñ') << true;
        QTest::newRow("último código (þ, 254)") << QChar(char16_t(254)) << true;
        QTest::newRow("ÿ (255)") << QChar(char16_t(255)) << false;
        QTest::newRow("euro") << QChar(u'€') << false;
    }
    void soloAlphaNumericos()
    {
        QFETCH(QChar, tecla);
        QFETCH(bool, pasa);
        QCOMPARE(Utils::soloAlphaNumericos(tecla), pasa ? tecla : QChar());
    }

    // A user name is an e-mail address: both checks agree on every row.
    void validaMail_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("valido");
        QTest::newRow("simple") << QStringLiteral("usuario@ejemplo.com") << true;
        QTest::newRow("espacios alrededor") << QStringLiteral("  ana.lopez@negocio.mx\t") << true;
        QTest::newRow("etiqueta y subdominio") << QStringLiteral("ana+facturas@correo.negocio.com.mx") << true;
        QTest::newRow("vacío") << QString() << false;
        QTest::newRow("sin arroba") << QStringLiteral("usuario.ejemplo.com") << false;
        QTest::newRow("sin dominio de nivel superior") << QStringLiteral("usuario@ejemplo") << false;
        QTest::newRow("dominio de una letra") << QStringLiteral("usuario@ejemplo.c") << false;
        QTest::newRow("espacio interior") << QStringLiteral("ana lopez@negocio.mx") << false;
        QTest::newRow("dos arrobas") << QStringLiteral("ana@@negocio.mx") << false;
        QTest::newRow("texto alrededor") << QStringLiteral("correo: ana@negocio.mx") << false;
    }
    void validaMail()
    {
        QFETCH(QString, texto);
        QFETCH(bool, valido);
        QCOMPARE(Utils::validaMail(texto), valido);
        QCOMPARE(Utils::validaUsuario(texto), valido);
    }

    void validaContrasena_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("repetida");
        QTest::addColumn<bool>("iguales");
        QTest::newRow("iguales") << QStringLiteral("Clave#1") << QStringLiteral("Clave#1") << true;
        QTest::newRow("espacio inicial en la primera") << QStringLiteral(" clave") << QStringLiteral("clave") << true;
        QTest::newRow("espacio inicial en la repetida") << QStringLiteral("clave") << QStringLiteral(" clave") << false;
        QTest::newRow("mayúsculas") << QStringLiteral("Clave") << QStringLiteral("clave") << false;
        QTest::newRow("solo espacios contra vacía") << QStringLiteral("   ") << QString() << true;
    }
    void validaContrasena()
    {
        QFETCH(QString, password);
        QFETCH(QString, repetida);
        QFETCH(bool, iguales);
        QCOMPARE(Utils::validaContrasena(password, repetida), iguales);
    }

    void evaluaRelacionCertificados_data()
    {
        QTest::addColumn<QString>("certificado");
        QTest::addColumn<QString>("llave");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("resultado");
        QTest::addColumn<QStringList>("mensajes");

        const QString cer = dato(QStringLiteral("EKU9003173C9.cer"));
        const QString key = dato(QStringLiteral("EKU9003173C9.key"));
        QTest::newRow("sin llave") << cer << QString() << PASSWORD << false << QStringList();
        QTest::newRow("sin certificado") << QString() << key << PASSWORD << false
                                         << QStringList{Constantes::ERR_CERT_ILEGIBLE};
        QTest::newRow("contraseña incorrecta")
            << cer << key << QStringLiteral("12345678b") << false << QStringList{Constantes::ERR_CERT_LLAVE_PRIVADA};
        QTest::newRow("archivo de llave inexistente") << cer << dato(QStringLiteral("no-existe.key")) << PASSWORD
                                                      << false << QStringList{Constantes::ERR_LLAVE_ILEGIBLE};
        // Not "wrong password": no password would be right.
        const QString sinCifrar = m_dir.filePath(QStringLiteral("sin-cifrar.key"));
        TCredencialPrueba::escribe(sinCifrar, TCredencialPrueba().llaveSinCifrar());
        QTest::newRow("llave sin cifrar")
            << cer << sinCifrar << PASSWORD << false << QStringList{Constantes::ERR_LLAVE_SIN_CIFRAR};
        // The refusal says what the certificate is for.
        const QString fiel = dato(QStringLiteral("EKU9003173C9_FIEL.cer"));
        const QString uso =
            Signerutils::Signer().getInformacionCertificado(fiel).value(Constantes::CERT_INTENDEDKEYUSAGE);
        QVERIFY(!uso.isEmpty());
        QTest::newRow("FIEL") << fiel << dato(QStringLiteral("EKU9003173C9_FIEL.key")) << PASSWORD << false
                              << QStringList{Constantes::ERR_CERT_NO_CSD + uso};
        QTest::newRow("llave de otro certificado") << cer << dato(QStringLiteral("CSD01_AAA010101AAA.key")) << PASSWORD
                                                   << false << QStringList{Constantes::ERR_CERT_RELACION};
        QTest::newRow("par correcto") << cer << key << PASSWORD << true << QStringList();
    }
    void evaluaRelacionCertificados()
    {
        QFETCH(QString, certificado);
        QFETCH(QString, llave);
        QFETCH(QString, password);
        QFETCH(bool, resultado);
        QFETCH(QStringList, mensajes);

        TColaRespuestas respuestas;
        QCOMPARE(Utils::evaluaRelacionCertificados(certificado, llave, password), resultado);
        QCOMPARE(respuestas.textos(), mensajes);
        QCOMPARE(respuestas.tipos(), QList<int>(mensajes.size(), Constantes::MSG_WARNING));
    }
};

QTEST_GUILESS_MAIN(TstSesion)
#include "tst_sesion.moc"
