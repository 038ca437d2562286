#include "ProgramaConsola.h"
#include "ServidoresBaseDatos.h"

#include "Conexiones.h"
#include "Dialecto.h"
#include "Sistema.h"
#include "import/ImportacionConsola.h"
#include "negocio/EmpresaEnServidor.h"
#include "negocio/SecretoNegocio.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/TCadenaConexion.h"
#include "negocio/TIngreso.h"
#include "negocio/TNuevoNegocio.h"
#include "negocio/Utils.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using E = TEntornoImportacion;
using TTipo = TServidorBaseDatos::Tipo;

namespace {

const QString CORREO = QString::fromUtf8(E::EMAIL);
const QString CLAVE = QString::fromUtf8(E::PASSWORD);
const QString CUENTA = u"velkor"_s;
const QString CLAVE_UNO = u"Cuenta#Uno1"_s;
const QString CLAVE_DOS = u"Cuenta#Dos2"_s;

} // namespace

// Two workstations share a business on a server; then the office changes the
// server account's password, or drops the business's database. The other
// workstation is told what happened and what to do, and with the new
// password "Conectar a una empresa en un servidor" gives it its way back.
class TstCuentaServidor : public QObject {
    Q_OBJECT

private slots:
    void cambioEnElServidor_data()
    {
        QTest::addColumn<int>("tipo");
        QTest::addColumn<bool>("claveCambiada");
        for (const TTipo tipo : {TTipo::MariaDB, TTipo::Firebird}) {
            const char* motor = tipo == TTipo::MariaDB ? "MariaDB" : "Firebird";
            QTest::addRow("%s, clave cambiada", motor) << int(tipo) << true;
            QTest::addRow("%s, base quitada", motor) << int(tipo) << false;
        }
    }
    void cambioEnElServidor()
    {
        QFETCH(int, tipo);
        QFETCH(bool, claveCambiada);
        const auto motor = TTipo(tipo);
        if (const QString falta = TServidorBaseDatos::faltante(motor); !falta.isEmpty())
            QSKIP(qPrintable(falta));
        TServidorBaseDatos servidor(motor);
        QVERIFY2(servidor.inicia(), qPrintable(servidor.error()));
        const bool mariaDB = motor == TTipo::MariaDB;
        QVERIFY2(servidor.ejecuta(mariaDB ? u"CREATE USER 'velkor'@'%' IDENTIFIED BY '%1'; "
                                            "GRANT ALL ON `velkor\\_%`.* TO 'velkor'@'%'"_s.arg(CLAVE_UNO)
                                          : u"CREATE USER velkor PASSWORD '%1';\n"
                                            "GRANT CREATE DATABASE TO USER velkor"_s.arg(CLAVE_UNO)),
                 qPrintable(servidor.error()));
        const QString url =
            mariaDB ? u"mysql://%1@127.0.0.1:%2"_s.arg(CUENTA).arg(servidor.puerto())
                    : u"firebird://%1@127.0.0.1:%2%3"_s.arg(CUENTA).arg(servidor.puerto()).arg(servidor.carpeta());
        QTemporaryDir corpus;
        E::escribeEn(corpus.filePath(u"0.xml"_s), E::muestraNueva(0));
        qputenv(ImportacionConsola::VARIABLE_CLAVE_SERVIDOR, CLAVE_UNO.toUtf8());

        // The first workstation creates the business on the server.
        TProgramaConsola primera;
        QCOMPARE(primera.corre({corpus.path(), u"--correo"_s, CORREO, u"--servidor"_s, url}).salida, 0);
        Sistema::exePath = primera.entorno.carpeta.ruta();
        const QString rfc = registroLocal().getEmpresas().constFirst().section(u'|', 0, 0);
        const TConexionSesion conexion = E::conexion(rfc);
        const NuevoNegocio::TDestino destino = NuevoNegocio::destinoServidor(conexion);
        Conexiones::cierraHilo();

        // The second joins it and signs in.
        TProgramaConsola segunda;
        Sistema::exePath = segunda.entorno.carpeta.ruta();
        QCOMPARE(EmpresaEnServidor::conecta(destino, CORREO, CLAVE).resultado,
                 EmpresaEnServidor::TResultado::Conectada);
        QCOMPARE(Ingreso::ingresa(rfc, CORREO, CLAVE), Ingreso::TResultado::Correcto);
        const QStringList registrada = registroLocal().getEmpresaDetalle(rfc);
        Conexiones::cierraHilo();

        if (claveCambiada) {
            QVERIFY(servidor.ejecuta(mariaDB ? u"ALTER USER 'velkor'@'%' IDENTIFIED BY '%1'"_s.arg(CLAVE_DOS)
                                             : u"ALTER USER velkor PASSWORD '%1'"_s.arg(CLAVE_DOS)));
        } else if (mariaDB) {
            QVERIFY(servidor.ejecuta(u"DROP DATABASE `%1`"_s.arg(conexion.getDatabase())));
        } else {
            // isql then finds no database to commit in: the file tells.
            servidor.ejecuta(u"DROP DATABASE"_s, conexion.getDatabase());
            QVERIFY(!QFile::exists(conexion.getDatabase()));
        }
        const TFallaServidor falla = claveCambiada ? TFallaServidor::CuentaRechazada : TFallaServidor::BaseInexistente;

        // Sign-in and import tell the cause, not a server that is off.
        const Ingreso::TResultado ingreso = Ingreso::ingresa(rfc, CORREO, CLAVE);
        QCOMPARE(ingreso, claveCambiada ? Ingreso::TResultado::ServidorRechazaCuenta
                                        : Ingreso::TResultado::BaseNoEstaEnServidor);
        QVERIFY(Ingreso::mensajes(ingreso, rfc).constFirst().contains(Utils::fallaServidor(falla)));
        QCOMPARE(registroLocal().getEmpresaDetalle(rfc), registrada);
        QTemporaryDir otro;
        E::escribeEn(otro.filePath(u"n.xml"_s), E::muestraNueva(0));
        TProgramaConsola::TCorrida corrida = segunda.corre({otro.path(), u"--correo"_s, CORREO});
        QCOMPARE(corrida.salida, 1);
        QVERIFY2(corrida.salidaEstandar.contains(Utils::fallaServidor(falla)), qPrintable(corrida.salidaEstandar));
        Conexiones::cierraHilo();

        NuevoNegocio::TDestino nuevo = destino;
        nuevo.password = CLAVE_DOS;
        if (!claveCambiada) {
            // Nothing to connect to: the registration stays as it was.
            QCOMPARE(EmpresaEnServidor::conecta(destino, CORREO, CLAVE).resultado,
                     EmpresaEnServidor::TResultado::SinRespuesta);
            QCOMPARE(registroLocal().getEmpresaDetalle(rfc), registrada);
            return;
        }

        // The new password replaces the registration in place; the
        // business's permission key, tied to the old one, is said to be void.
        const EmpresaEnServidor::TConexion otra = EmpresaEnServidor::conecta(nuevo, CORREO, CLAVE);
        QCOMPARE(otra.resultado, EmpresaEnServidor::TResultado::Conectada);
        QVERIFY2(otra.texto.contains(SecretoNegocio::mensaje(SecretoNegocio::TEstado::Ilegible, rfc, true)),
                 qPrintable(otra.texto));
        const QStringList ahora = registroLocal().getEmpresaDetalle(rfc);
        QCOMPARE(registroLocal().getNumeroEmpresas(), 1);
        QCOMPARE(ahora.mid(0, 2), registrada.mid(0, 2));
        QVERIFY(!ahora.value(2).contains(CLAVE_DOS));
        QCOMPARE(TCadenaConexion::deGuardada(ahora.value(2)).getPassword(), CLAVE_DOS);
        QCOMPARE(Ingreso::ingresa(rfc, CORREO, CLAVE), Ingreso::TResultado::Correcto);
        Conexiones::cierraHilo();

        // Now that it connects, it is refused as before.
        QCOMPARE(EmpresaEnServidor::conecta(nuevo, CORREO, CLAVE).resultado,
                 EmpresaEnServidor::TResultado::YaRegistrada);
        QCOMPARE(registroLocal().getEmpresaDetalle(rfc), ahora);
        const QString log = segunda.entorno.carpeta.log();
        QVERIFY(!log.contains(CLAVE_UNO) && !log.contains(CLAVE_DOS));
        Conexiones::cierraHilo();
    }

    void cleanupTestCase() { Conexiones::cierraHilo(); }
};

QTEST_GUILESS_MAIN(TstCuentaServidor)
#include "tst_cuentaservidor.moc"
