#include "NegocioPrueba.h"
#include "ProgramaConsola.h"
#include "RegistroPrueba.h"

#include "Conexiones.h"
#include "Sistema.h"
#include "admin/TEdicionEmpresa.h"
#include "admin/TUsuariosNegocio.h"
#include "import/RevisionImportacion.h"
#include "import/TImportacionParalela.h"
#include "negocio/Credenciales.h"
#include "negocio/TIngreso.h"

#include <optional>

using namespace Qt::StringLiterals;
using namespace Constantes;
using Estado = TResultadoArchivo::TEstado;
using E = TEntornoImportacion;

namespace {

const QString UUID_40 = u"C2832671-DA6D-11EF-A83D-00155D012007"_s; // cfdi40-real.xml
const QString RFC_40 = u"ISD950921HE5"_s;
const QString OTRO_UUID_40 = u"C2832671-DA6D-11EF-A83D-00155D012008"_s;
const QString RFC_32 = u"CTO021007DZ8"_s; // cfdi32-real.xml
const QString EMAIL = QString::fromUtf8(E::EMAIL);
const QString PASSWORD = QString::fromUtf8(E::PASSWORD);
const QString AJENO = u"ajeno@otro.mx"_s;
const QString CAJERO = u"cajero@negocio.mx"_s;
const QString SEGUNDO_40 = u"a/segundo40.xml"_s; // in the folder to import
const QString NO_ES_SU_PASSWORD = u"La contraseña no es la del usuario %1"_s.arg(EMAIL);

// The business of cfdi40-real.xml, created by a first import whose owner is
// EMAIL with PASSWORD; the folder to import then holds two other vouchers
// of that business and one of an issuer no business knows.
void preparaNegocioExistente(const TEntornoImportacion& entorno)
{
    const QString primero = entorno.agrega(u"cfdi40-real.xml"_s);
    QCOMPARE(int(entorno.importador()->importa(primero).estado), int(Estado::Importado));
    QFile::remove(primero);
    Conexiones::cierraHilo();
    // A second voucher of its issuer: another UUID.
    entorno.escribe(SEGUNDO_40, E::variante(u"cfdi40-real.xml"_s, {{UUID_40.toLatin1(), OTRO_UUID_40.toLatin1()}}));
    entorno.agrega(u"cfdi40-real.xml"_s, u"b/repetido40.xml"_s);
    entorno.agrega(u"cfdi32-real.xml"_s, u"c/nuevo32.xml"_s);
}

QList<TResultadoArchivo> porRuta(QList<TResultadoArchivo> resultados)
{
    std::sort(resultados.begin(), resultados.end(),
              [](const TResultadoArchivo& a, const TResultadoArchivo& b) { return a.ruta < b.ruta; });
    return resultados;
}

} // namespace

class TstAcceso : public QObject {
    Q_OBJECT
private slots:
    void init() { NegocioPrueba::limpiaSesion(); }

    // Vouchers of a business that exists enter it only under one of its
    // users with that user's password, on one thread (the window's road) and
    // on several (the command line's). An issuer no business knows is still
    // created, for the e-mail given.
    void soloUnUsuarioDelNegocio_data()
    {
        QTest::addColumn<QString>("correo");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("hilos");
        QTest::addColumn<QString>("motivo"); // empty: the business's files are taken
        for (int hilos : {0, 3}) {
            const QByteArray via = hilos ? " (varios hilos)" : " (un hilo)";
            const auto fila = [&](const char* caso) -> QTestData& { return QTest::newRow((caso + via).constData()); };
            fila("su usuario") << EMAIL << PASSWORD << hilos << QString();
            fila("su usuario en mayúsculas") << EMAIL.toUpper() << PASSWORD << hilos << QString();
            fila("contraseña equivocada")
                << EMAIL << "otra" << hilos
                << NO_ES_SU_PASSWORD + u" del negocio %1; el archivo no se importó."_s.arg(RFC_40);
            fila("correo que ningún negocio conoce")
                << AJENO << "cualquiera" << hilos
                << u"El negocio %1 ya existe en este equipo y %2 no es uno de sus usuarios"_s.arg(RFC_40, AJENO);
            fila("sin contraseña") << EMAIL << QString() << hilos << NO_ES_SU_PASSWORD;
        }
    }
    void soloUnUsuarioDelNegocio()
    {
        QFETCH(QString, correo);
        QFETCH(QString, password);
        QFETCH(int, hilos);
        QFETCH(QString, motivo);
        TEntornoImportacion entorno;
        preparaNegocioExistente(entorno);
        TParametrosImportacion parametros = entorno.parametros();
        parametros.email = correo;
        parametros.password = password;
        QList<TResultadoArchivo> resultados;
        if (hilos > 0) {
            TImportacionParalela importacion(hilos, 2, registroLocal(), BaseDatosCatalogosFrm(), parametros,
                                             [&](const TResultadoArchivo& r) { resultados.append(r); });
            TRecorridoXML(entorno.entrada()).recorre([&](const QString& ruta) {
                importacion.importa(ruta);
                return true;
            });
            importacion.confirma();
        } else {
            TImportadorXML importador(registroLocal(), BaseDatosCatalogosFrm(), parametros);
            resultados = entorno.importaCarpeta(2, &importador);
        }
        resultados = porRuta(resultados);
        QCOMPARE(resultados.size(), 3);
        const TResultadoArchivo& segundo = resultados.at(0);
        const TResultadoArchivo& repetido = resultados.at(1);
        const TResultadoArchivo& nuevo = resultados.at(2);

        // The new issuer's business is created, its owner the e-mail given.
        QCOMPARE(int(nuevo.estado), int(Estado::Importado));
        QCOMPARE(registroLocal().getNumeroEmpresas(), 2);
        const std::unique_ptr<TUsuario> dueno = TUsuario::getInfoByEmail(correo, E::conexion(RFC_32));
        QVERIFY(dueno);
        QVERIFY(Credenciales::esSuPassword(*dueno, password));

        if (motivo.isEmpty()) {
            QCOMPARE(int(segundo.estado), int(Estado::Importado));
            QCOMPARE(int(repetido.estado), int(Estado::YaExistia));
            QVERIFY(E::comprobante(RFC_40, OTRO_UUID_40));
        } else {
            // Every file of that business refused with the reason; nothing of
            // them stored, no copy written.
            for (const TResultadoArchivo& r : {segundo, repetido}) {
                QCOMPARE(int(r.estado), int(Estado::Fallido));
                QVERIFY2(r.motivo.startsWith(motivo), qPrintable(r.motivo));
            }
            QVERIFY(!QFileInfo::exists(TImportadorXML::rutaCopia(RFC_40, OTRO_UUID_40)));
        }
        QCOMPARE(TComprobante::cuenta(TCondicion(), E::conexion(RFC_40)), motivo.isEmpty() ? 2 : 1);
        Conexiones::cierraHilo();
    }

    // The rule itself, as the sign-in sees it: a user of the database who is
    // not linked to the business does not bring vouchers into it.
    void usuarioSinLigaAlNegocio()
    {
        TEntornoImportacion entorno;
        preparaNegocioExistente(entorno);
        const TConexionSesion conexion = E::conexion(RFC_40);
        const std::unique_ptr<TNegocio> negocio = TNegocio::getByRFC(RFC_40, conexion);
        QVERIFY(negocio);
        TUsuario suelto;
        suelto.setEmail(AJENO);
        suelto.setPassword(Credenciales::hashPassword(PASSWORD));
        TUsuario::saveOrUpdate(suelto, TUnidadTrabajo(conexion, 1));
        using A = Credenciales::TAcceso;
        const auto acceso = [&](const QString& c, const QString& p) {
            return int(Credenciales::acceso(*negocio, c, p, conexion));
        };
        QCOMPARE(acceso(AJENO, PASSWORD), int(A::NoEsUsuario));
        QCOMPARE(acceso(EMAIL, PASSWORD), int(A::Permitido));
        QCOMPARE(acceso(EMAIL, u"x"_s), int(A::ContrasenaIncorrecta));
        QCOMPARE(acceso(QString(), QString()), int(A::NoEsUsuario));
        Conexiones::cierraHilo();

        TParametrosImportacion parametros = entorno.parametros();
        parametros.email = AJENO;
        TImportadorXML importador(registroLocal(), BaseDatosCatalogosFrm(), parametros);
        const TResultadoArchivo r = importador.importa(entorno.entrada() + SEGUNDO_40);
        QCOMPARE(int(r.estado), int(Estado::Fallido));
        QVERIFY2(r.motivo.contains(u"no es uno de sus usuarios"_s), qPrintable(r.motivo));
        Conexiones::cierraHilo();
    }

    // Deleting a business closes it, and the deleting user and link with
    // it: neither signing in nor an import enters it any more, and the
    // import does not create it again. Each status is enough on its own.
    void negocioEliminado_data()
    {
        QTest::addColumn<QString>("cambio");
        QTest::addColumn<int>("ingreso");
        QTest::addColumn<QString>("dicho");
        QTest::addColumn<QString>("motivo");
        using R = Ingreso::TResultado;
        const QString eliminada = u"La empresa %1 se eliminó de esta computadora; "_s.arg(RFC_40);
        const QString noEntra = eliminada + u"no se puede entrar a ella."_s;
        const QString noImporta = eliminada + u"el archivo no se importó."_s;
        const QString ajeno =
            u"El negocio %1 ya existe en este equipo y %2 no es uno de sus usuarios"_s.arg(RFC_40, EMAIL);
        QTest::newRow("eliminada por su dueño") << "elimina" << int(R::EmpresaEliminada) << noEntra << noImporta;
        QTest::newRow("empresa inactiva") << "negocio" << int(R::EmpresaEliminada) << noEntra << noImporta;
        QTest::newRow("liga inactiva") << "liga" << int(R::SinAcceso) << ERR_USUARIO_ACCESO_EMPRESA << ajeno;
        QTest::newRow("usuario inactivo") << "usuario" << int(R::SinAcceso) << ERR_USUARIO_ACCESO_EMPRESA << ajeno;
    }
    void negocioEliminado()
    {
        QFETCH(QString, cambio);
        QFETCH(int, ingreso);
        QFETCH(QString, dicho);
        QFETCH(QString, motivo);
        TEntornoImportacion entorno;
        preparaNegocioExistente(entorno);
        if (cambio == "elimina"_L1) {
            QCOMPARE(Ingreso::ingresa(RFC_40, EMAIL, PASSWORD), Ingreso::TResultado::Correcto);
            EdicionEmpresa::elimina();
            NegocioPrueba::limpiaSesion();
        } else {
            const TConexionSesion conexion = E::conexion(RFC_40);
            const std::unique_ptr<TNegocio> negocio = TNegocio::getByRFC(RFC_40, conexion);
            const std::unique_ptr<TUsuario> usuario = TUsuario::getInfoByEmail(EMAIL, conexion);
            const std::unique_ptr<TUsuarionegocio> liga =
                TUsuarionegocio::getByUsuarioAndNegocio(*usuario, *negocio, conexion);
            const TUnidadTrabajo unidad(conexion, usuario->getIdusuario());
            if (cambio == "negocio"_L1) {
                negocio->setStatus(TNegocio::ESTATUS_INACTIVO);
                TNegocio::saveOrUpdate(*negocio, unidad);
            } else if (cambio == "liga"_L1) {
                liga->setStatus(1);
                TUsuarionegocio::saveOrUpdate(*liga, unidad);
            } else {
                usuario->setStatus(1);
                TUsuario::saveOrUpdate(*usuario, unidad);
            }
            Conexiones::cierraHilo();
        }

        const Ingreso::TResultado resultado = Ingreso::ingresa(RFC_40, EMAIL, PASSWORD);
        QCOMPARE(int(resultado), ingreso);
        QCOMPARE(Ingreso::mensajes(resultado, RFC_40), QStringList{dicho});
        QVERIFY(!Sistema::Negocio);

        const TResultadoArchivo r = entorno.importador()->importa(entorno.entrada() + SEGUNDO_40);
        QCOMPARE(int(r.estado), int(Estado::Fallido));
        QVERIFY2(r.motivo.startsWith(motivo), qPrintable(r.motivo));
        QCOMPARE(registroLocal().getNumeroEmpresas(), cambio == "elimina"_L1 ? 0 : 1);
        QCOMPARE(TComprobante::cuenta(TCondicion(), E::conexion(RFC_40)), 1);
        Conexiones::cierraHilo();
    }

    // A stored voucher's PDF, the check of the stored seals and the
    // reconciliation are reports, in the command-line tools as in the
    // program: a user of the business without that right gets none of them.
    void sinPermisoDeReportes_data()
    {
        QTest::addColumn<QStringList>("argumentos"); // the tool, then its arguments
        QTest::addColumn<QString>("correo");
        QTest::addColumn<int>("salida");
        QTest::addColumn<QString>("dicho");
        const QString negado = u"No tienes permiso para usar los reportes de la empresa %1."_s.arg(RFC_40);
        const QStringList guardado = {u"--rfc"_s, RFC_40};
        const QStringList conciliacion = {u"velkor-importar"_s, u"--conciliacion"_s, u"@csv"_s};
        QTest::newRow("pdf de un comprobante guardado")
            << QStringList{u"velkor-comprobante"_s, u"pdf"_s, u"--uuid"_s, UUID_40, u"--salida"_s, u"@pdf"_s} + guardado
            << CAJERO << 4 << negado;
        QTest::newRow("verificación de los guardados")
            << QStringList{u"velkor-comprobante"_s, u"verifica"_s} + guardado << CAJERO << 4 << negado;
        QTest::newRow("conciliación")
            << conciliacion << CAJERO << 0
            << u"de 0 negocios: 0 cancelados, 0 sin XML, 0 sin metadatos, 0 con importe distinto.\nEstá en: @csv\n"
               "No se incluyeron estos negocios:\n  %1: No tienes permiso para usar los reportes de este negocio.\n"_s
                   .arg(RFC_40);
        QTest::newRow("conciliación de su dueño") << conciliacion << EMAIL << 0 << u"de 1 negocios"_s;
    }
    void sinPermisoDeReportes()
    {
        QFETCH(QStringList, argumentos);
        QFETCH(QString, correo);
        QFETCH(int, salida);
        QFETCH(QString, dicho);
        TProgramaConsola programa;
        preparaNegocioExistente(programa.entorno);
        QCOMPARE(Ingreso::ingresa(RFC_40, EMAIL, PASSWORD), Ingreso::TResultado::Correcto);
        UsuariosNegocio::TNuevoUsuario cajero;
        cajero.email = CAJERO;
        cajero.password = cajero.repitePassword = PASSWORD;
        cajero.permisos = UsuariosNegocio::todos(false);
        QCOMPARE(UsuariosNegocio::agrega(cajero), UsuariosNegocio::TResultado::Correcto);
        NegocioPrueba::limpiaSesion();
        Conexiones::cierraHilo();

        const TCarpetaPrograma& carpeta = programa.entorno.carpeta;
        const QString herramienta = carpeta.archivo(argumentos.takeFirst());
        QFile::remove(herramienta);
        QVERIFY(QFile::copy(QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO "/") + QFileInfo(herramienta).fileName(),
                            herramienta));
        QFile::setPermissions(herramienta, QFile::ReadOwner | QFile::ExeOwner);
        const QString pdf = carpeta.archivo(u"guardado.pdf"_s);
        const QString csv = carpeta.archivo(u"conciliacion.csv"_s);
        argumentos.replaceInStrings(u"@pdf"_s, pdf).replaceInStrings(u"@csv"_s, csv);
        QProcess proceso;
        proceso.start(herramienta, argumentos + QStringList{u"--correo"_s, correo});
        proceso.write(PASSWORD.toUtf8() + '\n');
        proceso.closeWriteChannel();
        QVERIFY2(proceso.waitForFinished(120000), qPrintable(proceso.errorString()));
        const QString todo = QString::fromUtf8(proceso.readAllStandardOutput() + proceso.readAllStandardError());
        QCOMPARE(proceso.exitCode(), salida);
        QVERIFY2(todo.contains(dicho.replace(u"@csv"_s, csv)), qPrintable(todo));
        QVERIFY(!QFileInfo::exists(pdf));
    }

    // A registry another program holds in the middle of a job is not read
    // as one without the issuer: the file fails with the reason, and the
    // registered business keeps its database (creating it again would set
    // that database aside).
    void registroOcupadoDuranteLaImportacion()
    {
        TEntornoImportacion entorno;
        preparaNegocioExistente(entorno);
        const QString baseDatos = E::conexion(RFC_40).getDatabase();
        Conexiones::cierraHilo();
        TResultadoArchivo r;
        {
            const RegistroPrueba::TBloqueo ocupado;
            QVERIFY(ocupado.activo());
            r = entorno.importador()->importa(entorno.entrada() + SEGUNDO_40);
        }
        QCOMPARE(int(r.estado), int(Estado::Fallido));
        QCOMPARE(r.motivo, u"No se pudo leer el registro de negocios para saber si el negocio %1 ya existe: otro "
                           "programa está usando el registro de empresas de este equipo; espera a que termine o "
                           "ciérralo y vuelve a intentarlo. El archivo no se importó."_s.arg(RFC_40));
        Conexiones::cierraHilo();
        // Its folder as it was: the database in its place, nothing set aside.
        const QFileInfo base(baseDatos);
        QVERIFY(base.isFile());
        QCOMPARE(QDir(base.absolutePath()).entryList({base.fileName() + u'*'}, QDir::Files),
                 QStringList{base.fileName()});
        QCOMPARE(registroLocal().getNumeroEmpresas(), 1);
        QCOMPARE(TComprobante::cuenta(TCondicion(), E::conexion(RFC_40)), 1);
        // Once it is free, the same file goes in.
        QCOMPARE(int(entorno.importador()->importa(entorno.entrada() + SEGUNDO_40).estado), int(Estado::Importado));
        Conexiones::cierraHilo();
    }

    // What both the window and the command line check before the first
    // file.
    void revisionAntesDeEmpezar_data()
    {
        QTest::addColumn<QString>("preparacion");
        QTest::addColumn<QString>("correo");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("resultado");
        QTest::addColumn<QString>("mensaje");
        using R = RevisionImportacion::TResultado;
        QTest::newRow("nada registrado") << QString() << EMAIL << QString() << int(R::Correcta) << QString();
        QTest::newRow("su usuario") << "negocio" << EMAIL << PASSWORD << int(R::Correcta) << QString();
        QTest::newRow("correo nuevo") << "negocio" << AJENO << QString() << int(R::Correcta) << QString();
        QTest::newRow("contraseña ajena")
            << "negocio" << EMAIL << "otra" << int(R::ContrasenaAjena) << NO_ES_SU_PASSWORD;
        QTest::newRow("registro ocupado") << "ocupado" << EMAIL << PASSWORD << int(R::RegistroOcupado)
                                          << "Otro programa ocupa el registro de negocios";
        QTest::newRow("registro dañado") << "dañado" << EMAIL << PASSWORD << int(R::RegistroDanado)
                                         << "El registro de negocios";
        QTest::newRow("registro sin tablas")
            << "vacío" << EMAIL << PASSWORD << int(R::RegistroDanado) << "El registro de negocios";
    }
    void revisionAntesDeEmpezar()
    {
        QFETCH(QString, preparacion);
        QFETCH(QString, correo);
        QFETCH(QString, password);
        QFETCH(int, resultado);
        QFETCH(QString, mensaje);
        TEntornoImportacion entorno;
        if (preparacion == "negocio"_L1)
            preparaNegocioExistente(entorno);
        const QString registro = TBaseDatosLocalFrm::archivoRegistro();
        if (preparacion == u"dañado"_s || preparacion == u"vacío"_s)
            QVERIFY(TCarpetaPrograma::escribe(registro, QByteArray(preparacion == u"dañado"_s ? 4096 : 0, 'x')));
        std::optional<RegistroPrueba::TBloqueo> ocupado;
        if (preparacion == "ocupado"_L1)
            QVERIFY(ocupado.emplace().activo());
        const RevisionImportacion::TRevision revision = RevisionImportacion::revisa(correo, password);
        QCOMPARE(int(revision.resultado), resultado);
        QVERIFY2(revision.mensaje.startsWith(mensaje), qPrintable(revision.mensaje));
        QCOMPARE(revision.mensaje.isEmpty(), mensaje.isEmpty());
        Conexiones::cierraHilo();
    }

    // velkor-importar: a file of an existing business under an e-mail that
    // is none of its users is refused with its row, the rest is imported,
    // and the exit status tells that a file failed. A damaged registry is
    // not taken for one another program holds.
    void consola_data()
    {
        QTest::addColumn<QString>("correo");
        QTest::addColumn<QString>("preparacion");
        QTest::addColumn<int>("salida");
        QTest::addColumn<QString>("dicho");
        QTest::newRow("correo que ningún negocio conoce")
            << AJENO << "negocio" << 1 << "\nImportados: 1\nYa existían: 0\n";
        QTest::newRow("su usuario") << EMAIL << "negocio" << 0 << "\nImportados: 2\nYa existían: 1\n";
        QTest::newRow("registro dañado") << EMAIL << "dañado" << 6 << "El registro de negocios";
    }
    void consola()
    {
        QFETCH(QString, correo);
        QFETCH(QString, preparacion);
        QFETCH(int, salida);
        QFETCH(QString, dicho);
        TProgramaConsola programa;
        if (preparacion == "negocio"_L1) {
            preparaNegocioExistente(programa.entorno);
        } else {
            programa.entorno.agrega(u"cfdi40-real.xml"_s);
            QVERIFY(TCarpetaPrograma::escribe(programa.entorno.carpeta.archivo(DB_USUARIOS), QByteArray(4096, 'x')));
        }
        const TProgramaConsola::TCorrida corrida = programa.corre({programa.entorno.entrada(), u"--correo"_s, correo});
        QCOMPARE(corrida.salida, salida);
        const QString texto = salida == 6 ? corrida.errores : corrida.salidaEstandar;
        QVERIFY2(texto.contains(dicho), qPrintable(texto));
        if (salida != 1)
            return;
        // The report names the refused files and why.
        const QString reporte = corrida.salidaEstandar.section(u'\n', -2, -2);
        const QString filas = QString::fromUtf8(E::bytes(reporte));
        for (const char* archivo : {"segundo40.xml", "repetido40.xml"}) {
            const QString fila = filas.section(QString::fromUtf8(archivo), 1, 1).section(u'\n', 0, 0);
            QVERIFY2(fila.contains(u"no es uno de sus usuarios"_s), qPrintable(filas));
        }
        QCOMPARE(TComprobante::cuenta(TCondicion(), E::conexion(RFC_40)), 1);
        QVERIFY(TUsuario::getInfoByEmail(AJENO, E::conexion(RFC_32)));
        Conexiones::cierraHilo();
    }
};

QTEST_GUILESS_MAIN(TstAcceso)
#include "tst_acceso.moc"
