#include "CarpetaPrograma.h"
#include "Errores.h"
#include "Secretos.h"
#include "Signerutils.h"
#include "TamanoLimitado.h"

#include <QtTest>

namespace {

// A hash an earlier, weaker setting made (one pass over 8 MiB) of "clave".
const QString HASH_DEBIL =
    QStringLiteral("$argon2id$v=19$m=8192,t=1,p=1$rM69+oBw1IpMhr4Dmy2AZg$LFjzErYgtqoCa/tpZa+QGPigWaGf7Md5PM9WnNMHjE0");
const char* const CARPETA_OTRO_PROCESO = "VELKOR_PRUEBA_CARPETA_LLAVE";

} // namespace

class TstSecretos : public QObject {
    Q_OBJECT

private slots:
    void hashes()
    {
        const QString hash = Secretos::hashPassword(QStringLiteral("Contraseña ñ 🔑"));
        QVERIFY(Secretos::esHashPassword(hash));
        QVERIFY(Secretos::verificaPassword(hash, QStringLiteral("Contraseña ñ 🔑")));
        QVERIFY(!Secretos::verificaPassword(hash, QStringLiteral("contraseña ñ 🔑")));
        QVERIFY(!Secretos::verificaPassword(hash, QString()));
        // Salted: the same password never gives the same text twice.
        QVERIFY(Secretos::hashPassword(QStringLiteral("Contraseña ñ 🔑")) != hash);
        QVERIFY(!Secretos::hashDebil(hash));
        // An older, weaker hash still checks and asks to be made again.
        QVERIFY(Secretos::verificaPassword(HASH_DEBIL, QStringLiteral("clave")));
        QVERIFY(Secretos::hashDebil(HASH_DEBIL));
        // The empty password is a password like any other.
        QVERIFY(Secretos::verificaPassword(Secretos::hashPassword(QString()), QString()));
    }

    void noSonHashes_data()
    {
        QTest::addColumn<QString>("guardado");
        QTest::newRow("forma antigua") << Signerutils::Signer().crypt(QStringLiteral("a@b.mx<VK>clave"));
        QTest::newRow("vacío") << QString();
        QTest::newRow("el propio texto") << QStringLiteral("clave");
        QTest::newRow("cortado") << HASH_DEBIL.left(40);
    }

    void noSonHashes()
    {
        QFETCH(QString, guardado);
        QVERIFY(!Secretos::verificaPassword(guardado, QStringLiteral("clave")));
        QVERIFY(!Secretos::verificaPassword(guardado, guardado));
    }

    void cifraYDescifra()
    {
        const QByteArray llave = Secretos::aleatorio(32);
        const QString plano = QStringLiteral("FIREBIRD|localhost|/opt/velkor/db/a.fdb|SYSDBA|contraseña ñ|3050");
        const QString guardado = Secretos::cifra(plano, llave);
        QCOMPARE(Secretos::descifra(guardado, llave), plano);
        QVERIFY(Secretos::cifra(plano, llave) != guardado);
        for (const QChar c : guardado)
            QVERIFY2(c.unicode() > 0x20 && c.unicode() < 0x7F && c != u'|', qPrintable(guardado));
        QCOMPARE(Secretos::descifra(Secretos::cifra(QString(), llave), llave), QString());

        QString alterado = guardado;
        alterado[guardado.size() / 2] = guardado.at(guardado.size() / 2) == u'A' ? u'B' : u'A';
        for (const QString& malo :
             {alterado, guardado.left(guardado.size() - 4), guardado.mid(3), Signerutils::Signer().crypt(plano)})
            QVERIFY_THROWS_EXCEPTION(ECifrado, Secretos::descifra(malo, llave));
        QVERIFY_THROWS_EXCEPTION(ECifrado, Secretos::descifra(guardado, Secretos::aleatorio(32)));
    }

    void llaveDeLaInstalacion()
    {
        TCarpetaPrograma carpeta;
        const QString archivo = carpeta.archivo(Secretos::ARCHIVO_LLAVE);
        QVERIFY(!QFile::exists(archivo));
        const QString guardado = Secretos::cifraLocal(QStringLiteral("secreto"), carpeta.ruta());
        QCOMPARE(TCarpetaPrograma::modo(archivo), 0600);
        QCOMPARE(TCarpetaPrograma::lee(archivo), Secretos::llaveInstalacion(carpeta.ruta()));
        QCOMPARE(Secretos::descifraLocal(guardado, carpeta.ruta()), QStringLiteral("secreto"));
        // What the older program-wide cipher wrote is still read, and known as such.
        const QString antiguo = Signerutils::Signer().crypt(QStringLiteral("de antes"));
        QVERIFY(Secretos::esFormaAntigua(antiguo));
        QVERIFY(!Secretos::esFormaAntigua(guardado));
        QCOMPARE(Secretos::descifraLocal(antiguo, carpeta.ruta()), QStringLiteral("de antes"));

        // Another installation cannot read it.
        TCarpetaPrograma otra;
        QVERIFY_THROWS_EXCEPTION(ECifrado, Secretos::descifraLocal(guardado, otra.ruta()));
    }

    void llaveCortada()
    {
        TCarpetaPrograma carpeta;
        QVERIFY(TCarpetaPrograma::escribe(carpeta.archivo(Secretos::ARCHIVO_LLAVE), QByteArray(20, 'x')));
        // A damaged key is never replaced by a new one: what it enciphered would be lost.
        QVERIFY_THROWS_EXCEPTION(ECifrado, Secretos::llaveInstalacion(carpeta.ruta()));
        QCOMPARE(TCarpetaPrograma::lee(carpeta.archivo(Secretos::ARCHIVO_LLAVE)), QByteArray(20, 'x'));

        // One that cannot be written says why, and leaves nothing.
        TCarpetaPrograma llena;
        QString motivo;
        try {
            const TTamanoLimitado lleno(0);
            Secretos::llaveInstalacion(llena.ruta());
        } catch (const ECifrado& e) {
            motivo = e.mensaje();
        }
        QVERIFY2(motivo.endsWith(QStringLiteral(": El archivo llegó al tamaño máximo que el sistema permite.")),
                 qPrintable(motivo));
        QVERIFY(!QFile::exists(llena.archivo(Secretos::ARCHIVO_LLAVE)));
    }

    // Processes that start together on a new program folder (the program and
    // the command-line import) agree on one key.
    void variosProcesos()
    {
        TCarpetaPrograma carpeta;
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert(QString::fromLatin1(CARPETA_OTRO_PROCESO), carpeta.ruta());
        QList<QProcess*> procesos;
        for (int i = 0; i < 6; ++i) {
            procesos << new QProcess(this);
            procesos.last()->setProcessEnvironment(entorno);
        }
        for (QProcess* p : procesos)
            p->start(QCoreApplication::applicationFilePath(), {QStringLiteral("llaveDeOtroProceso")});
        for (QProcess* p : procesos)
            p->waitForFinished(60000);
        const QByteArray llave = TCarpetaPrograma::lee(carpeta.archivo(Secretos::ARCHIVO_LLAVE));
        QCOMPARE(llave.size(), 32);
        for (QProcess* p : procesos) {
            QCOMPARE(p->exitCode(), 0);
            QVERIFY2(p->readAllStandardOutput().contains("LLAVE " + llave.toHex()), "otra llave");
        }
        // Nothing half written is left beside it.
        QCOMPARE(QDir(carpeta.archivo(QStringLiteral("Motor")))
                     .entryList({QStringLiteral("Instalacion.llave*")}, QDir::Files),
                 QStringList{QStringLiteral("Instalacion.llave")});
    }

    void llaveDeOtroProceso()
    {
        const QString carpeta = qEnvironmentVariable(CARPETA_OTRO_PROCESO);
        if (carpeta.isEmpty())
            QSKIP("Solo corre como segundo proceso de variosProcesos.");
        printf("LLAVE %s\n", Secretos::llaveInstalacion(carpeta).toHex().constData());
    }
};

QTEST_GUILESS_MAIN(TstSecretos)
#include "tst_secretos.moc"
