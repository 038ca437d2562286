#include "../import/ProgramaConsola.h"

#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "NegocioPrueba.h"
#include "Prompter.h"
#include "Secretos.h"
#include "negocio/RevisionMotor.h"
#include "negocio/TArchivoZip.h"
#include "negocio/TNuevoNegocio.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// What the program folder is left with before the start.
enum class TCaso {
    Nada,
    SinMotor,
    MotorVacio,
    SinConfiguracion,
    SinPlugins,
    RegistroCifrado,
    CorreoCifrado,
    SecretoNegocio,
    RegistroCifradoSinMotor,
    VersionAnterior,
    // The registry and Motor/ gone, the businesses' databases kept.
    NegocioSinRegistro,
    NegocioSinRegistroNiMotor,
};

} // namespace

Q_DECLARE_METATYPE(TCaso)
Q_DECLARE_METATYPE(RevisionMotor::TEstado)

// The program folder's Motor/ lost, emptied or left without the engine's
// configuration, and the installation's key lost while texts enciphered under
// it are kept: every start says so in Spanish, and no new key is ever made
// without the user saying so.
class TstMotor : public QObject {
    Q_OBJECT

    // A registry whose registration was enciphered under a key this process
    // has cached for another folder, so that asking for the key of the
    // folder under test reads its file.
    static QByteArray registroCifrado()
    {
        TCarpetaPrograma origen;
        NegocioPrueba::creaRegistro(origen);
        NuevoNegocio::registraNegocio(u"dueno@negocio.mx"_s, NegocioPrueba::RFC_ESCUELA, u"ESCUELA"_s,
                                      NuevoNegocio::destinoLocal(NegocioPrueba::RFC_ESCUELA));
        return TCarpetaPrograma::lee(origen.archivo(Constantes::DB_USUARIOS));
    }

    static void prepara(const TCarpetaPrograma& carpeta, TCaso caso, const QByteArray& registro)
    {
        const QString motor = carpeta.archivo(Constantes::MOTOR_PATH);
        if (caso == TCaso::SinMotor || caso == TCaso::RegistroCifradoSinMotor ||
            caso == TCaso::NegocioSinRegistroNiMotor || caso == TCaso::MotorVacio)
            QVERIFY(QDir(motor).removeRecursively());
        if (caso == TCaso::MotorVacio)
            QVERIFY(QDir().mkpath(motor));
        if (caso == TCaso::SinConfiguracion)
            QVERIFY(QFile::remove(motor + u"firebird.conf"_s));
        if (caso == TCaso::SinPlugins)
            QVERIFY(QFile::remove(motor + u"plugins"_s));
        if (caso == TCaso::CorreoCifrado)
            QVERIFY(TCarpetaPrograma::escribe(
                carpeta.archivo(Constantes::ARCHIVO_AJUSTES),
                "[Correo.EKU9003173C9]\nservidor=smtp.negocio.mx\npassword=" +
                    Secretos::cifra(u"clave del correo"_s, Secretos::aleatorio(32)).toLatin1() + '\n'));
        if (caso == TCaso::SecretoNegocio)
            QVERIFY(TCarpetaPrograma::escribe(motor + u"SecretosNegocio/"_s + NegocioPrueba::RFC_ESCUELA, "marca"));
        if (caso == TCaso::VersionAnterior)
            TArchivoZip(QStringLiteral(VELKOR_DATOS_PRUEBA "/antiguo/programa.zip")).extraeTodo(carpeta.ruta(), {});
        if (caso == TCaso::NegocioSinRegistro || caso == TCaso::NegocioSinRegistroNiMotor) {
            QFile::remove(carpeta.archivo(Constantes::DB_USUARIOS));
            QVERIFY(TCarpetaPrograma::escribe(carpeta.archivo(Constantes::DB_PATH + NegocioPrueba::RFC_ESCUELA + u'/' +
                                                              Constantes::DB_SISTEMA_NOMBRE),
                                              "base"));
        }
        if (caso == TCaso::RegistroCifrado || caso == TCaso::RegistroCifradoSinMotor)
            QVERIFY(TCarpetaPrograma::escribe(carpeta.archivo(Constantes::DB_USUARIOS), registro));
    }

    static QString llave(const TCarpetaPrograma& carpeta) { return carpeta.archivo(Secretos::ARCHIVO_LLAVE); }

private slots:
    void revision_data()
    {
        QTest::addColumn<TCaso>("caso");
        QTest::addColumn<RevisionMotor::TEstado>("estado");
        QTest::addColumn<QStringList>("dice");
        using E = RevisionMotor::TEstado;
        const QString llavePerdida = u"Falta la llave de esta instalación"_s;
        QTest::newRow("primer inicio") << TCaso::Nada << E::Completa << QStringList();
        QTest::newRow("versión anterior, sin llave") << TCaso::VersionAnterior << E::Completa << QStringList();
        QTest::newRow("sin Motor") << TCaso::SinMotor << E::SinConfiguracion
                                   << QStringList{u"Falta la carpeta Motor del programa"_s, u"Vuelve a instalar"_s};
        QTest::newRow("Motor vacía") << TCaso::MotorVacio << E::SinConfiguracion
                                     << QStringList{u"está vacía"_s, u"Vuelve a instalar"_s};
        QTest::newRow("sin firebird.conf")
            << TCaso::SinConfiguracion << E::SinConfiguracion << QStringList{u"le falta «firebird.conf»"_s};
        QTest::newRow("sin plugins") << TCaso::SinPlugins << E::SinConfiguracion
                                     << QStringList{u"le falta «plugins»"_s};
        QTest::newRow("registro cifrado")
            << TCaso::RegistroCifrado << E::LlavePerdida << QStringList{llavePerdida, u"Restaura el archivo"_s};
        QTest::newRow("correo cifrado") << TCaso::CorreoCifrado << E::LlavePerdida << QStringList{llavePerdida};
        QTest::newRow("secreto de un negocio") << TCaso::SecretoNegocio << E::LlavePerdida << QStringList{llavePerdida};
        QTest::newRow("registro cifrado, sin Motor") << TCaso::RegistroCifradoSinMotor << E::SinConfiguracion
                                                     << QStringList{u"Falta la carpeta Motor"_s, llavePerdida};
        QTest::newRow("negocio sin registro")
            << TCaso::NegocioSinRegistro << E::LlavePerdida << QStringList{llavePerdida, u"Restaura el archivo"_s};
        QTest::newRow("negocio sin registro ni Motor") << TCaso::NegocioSinRegistroNiMotor << E::SinConfiguracion
                                                       << QStringList{u"Falta la carpeta Motor"_s, llavePerdida};
    }
    void revision()
    {
        QFETCH(TCaso, caso);
        QFETCH(RevisionMotor::TEstado, estado);
        QFETCH(QStringList, dice);
        const QByteArray registro = registroCifrado();
        TCarpetaPrograma carpeta;
        prepara(carpeta, caso, registro);
        if (QTest::currentTestFailed())
            return;

        const RevisionMotor::TRevision revision = RevisionMotor::revisa();
        QCOMPARE(revision.estado, estado);
        for (const QString& texto : dice)
            QVERIFY2(revision.mensaje.contains(texto), qPrintable(revision.mensaje));
        QCOMPARE(revision.mensaje.isEmpty(), dice.isEmpty());

        // The start: refused with the same words, or asked; refused here.
        TColaRespuestas respuestas;
        respuestas.agregaRespuesta(TPrompter::CANCELAR);
        QCOMPARE(RevisionMotor::permiteInicio(), estado == RevisionMotor::TEstado::Completa);
        QCOMPARE(respuestas.textos().size(), dice.isEmpty() ? 0 : 1);
        if (!dice.isEmpty())
            QVERIFY(respuestas.textos().first().startsWith(revision.mensaje));
        QCOMPARE(RevisionMotor::motivoParaNoIniciar().isEmpty(), dice.isEmpty());
        QVERIFY(!QFileInfo::exists(llave(carpeta)));
    }

    // Only the user's yes makes the new key, and at once: the next start
    // does not ask again.
    void llaveNueva_data()
    {
        QTest::addColumn<int>("respuesta");
        QTest::newRow("sí") << TPrompter::OK;
        QTest::newRow("no") << TPrompter::CANCELAR;
    }
    void llaveNueva()
    {
        QFETCH(int, respuesta);
        const QByteArray registro = registroCifrado();
        TCarpetaPrograma carpeta;
        prepara(carpeta, TCaso::RegistroCifrado, registro);
        if (QTest::currentTestFailed())
            return;
        TColaRespuestas respuestas;
        respuestas.agregaRespuesta(respuesta);
        QCOMPARE(RevisionMotor::permiteInicio(), respuesta == TPrompter::OK);
        QCOMPARE(respuestas.textos().size(), 1);
        QVERIFY2(respuestas.textos().first().contains(u"¿quieres continuar con una llave nueva?"_s),
                 qPrintable(respuestas.textos().first()));
        QCOMPARE(QFileInfo::exists(llave(carpeta)), respuesta == TPrompter::OK);
        QCOMPARE(RevisionMotor::revisa().estado,
                 respuesta == TPrompter::OK ? RevisionMotor::TEstado::Completa : RevisionMotor::TEstado::LlavePerdida);
    }

    // The command-line tools stop before anything reads a secret or opens a
    // database, and never make the key.
    void consola_data()
    {
        QTest::addColumn<QString>("herramienta");
        QTest::addColumn<TCaso>("caso");
        QTest::addColumn<int>("salida");
        QTest::addColumn<QString>("dice");
        const QString llavePerdida = u"Falta la llave de esta instalación"_s;
        QTest::newRow("importar, llave perdida") << u"velkor-importar"_s << TCaso::RegistroCifrado << 6 << llavePerdida;
        QTest::newRow("importar, sin firebird.conf")
            << u"velkor-importar"_s << TCaso::SinConfiguracion << 6 << u"le falta «firebird.conf»"_s;
        QTest::newRow("comprobante, llave perdida")
            << u"velkor-comprobante"_s << TCaso::RegistroCifrado << 3 << llavePerdida;
    }
    void consola()
    {
        QFETCH(QString, herramienta);
        QFETCH(TCaso, caso);
        QFETCH(int, salida);
        QFETCH(QString, dice);
        const QByteArray registro = registroCifrado();
        TProgramaConsola programa;
        TCarpetaPrograma& carpeta = programa.entorno.carpeta;
        prepara(carpeta, caso, registro);
        if (QTest::currentTestFailed())
            return;
        const QString comprobante = programa.entorno.agrega(u"cfdi40-real.xml"_s);

        TProgramaConsola::TCorrida corrida;
        if (herramienta == "velkor-importar"_L1) {
            corrida = programa.importa();
        } else {
            const QString ejecutable = carpeta.archivo(herramienta);
            QVERIFY(QFile::copy(QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO "/") + herramienta, ejecutable));
            QVERIFY(QFile::setPermissions(ejecutable, QFile::ReadOwner | QFile::ExeOwner));
            QProcess proceso;
            proceso.setChildProcessModifier(&TSenalesTerminacion::desbloquea);
            proceso.start(ejecutable, {u"verifica"_s, comprobante});
            QVERIFY(proceso.waitForFinished(240000));
            corrida = {proceso.exitCode(), QString::fromUtf8(proceso.readAllStandardOutput()),
                       QString::fromUtf8(proceso.readAllStandardError())};
        }
        QCOMPARE(corrida.salida, salida);
        QVERIFY2(corrida.errores.contains(dice), qPrintable(corrida.errores + corrida.salidaEstandar));
        QVERIFY(!QFileInfo::exists(llave(carpeta)));
        QVERIFY(!QFileInfo::exists(NuevoNegocio::archivoLocal(u"ISD950921HE5"_s)));
    }
};

QTEST_GUILESS_MAIN(TstMotor)
#include "tst_motor.moc"
