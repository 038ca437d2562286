#include "CorridasServidor.h"
#include "RelevoTcp.h"
#include "ServidoresBaseDatos.h"
#include "TablaRetenida.h"

#include "Conexiones.h"
#include "Esquema.h"
#include "Logmanager.h"
#include "Prompter.h"
#include "SecretoServidor.h"
#include "Sistema.h"
#include "admin/TSeries.h"
#include "admin/TUsuariosNegocio.h"
#include "import/ImportacionConsola.h"
#include "import/ImportacionMetadatos.h"
#include "import/TLoteImportacion.h"
#include "negocio/EmpresaEnServidor.h"
#include "negocio/SecretoNegocio.h"
#include "negocio/TIngreso.h"
#include "negocio/TNuevoNegocio.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <exception>
#include <thread>

using namespace Qt::StringLiterals;
using E = TEntornoImportacion;

namespace {

// Past the first commit of a batch, so a stopped server finds work both
// committed and in hand.
constexpr int ARCHIVOS = 150;
// A run's businesses where the registry keeps them, not on the server.
constexpr int LOCAL = -1;

const QString CORREO = QString::fromUtf8(E::EMAIL);
const QString CLAVE = QString::fromUtf8(E::PASSWORD);
using TCorrida = TProgramaConsola::TCorrida;

} // namespace

Q_DECLARE_METATYPE(Series::TResultado)

// The kind of server of this pass (see main).
TServidorBaseDatos::Tipo g_tipo = TServidorBaseDatos::Tipo::MariaDB;

// Businesses on a database server, reached from two program folders (two
// workstations): what one imports the other sees, two imports at once store
// each voucher once, and a server lost in the middle of an import loses
// nothing committed.
class TstServidor : public QObject {
    Q_OBJECT
    std::unique_ptr<TServidorBaseDatos> m_servidor;
    QTemporaryDir m_corpus;
    std::unique_ptr<TProgramaConsola> m_estacion;

    // The server, or the port that reaches it (a relay's).
    QString url(int puerto = 0) const
    {
        puerto = puerto != 0 ? puerto : m_servidor->puerto();
        if (g_tipo == TServidorBaseDatos::Tipo::Firebird)
            return u"firebird://%1@127.0.0.1:%2%3"_s.arg(m_servidor->usuario()).arg(puerto).arg(m_servidor->carpeta());
        return u"mysql://%1@127.0.0.1:%2"_s.arg(m_servidor->usuario()).arg(puerto);
    }
    // velkor-importar's arguments over a folder (the whole corpus unless
    // told), new businesses on the server unless LOCAL.
    QStringList argumentos(const QString& carpeta = {}, int puerto = 0) const
    {
        const QStringList correo{carpeta.isEmpty() ? m_corpus.path() : carpeta, u"--correo"_s, CORREO};
        return puerto == LOCAL ? correo : correo + QStringList{u"--servidor"_s, url(puerto)};
    }
    TCorrida importa(const TProgramaConsola& estacion, const QString& carpeta = {}) const
    {
        return estacion.corre(argumentos(carpeta));
    }
    // `xml` alone in a folder, imported by `estacion`.
    TCorrida importaUno(const TProgramaConsola& estacion, const QByteArray& xml, int puerto = 0) const
    {
        QTemporaryDir carpeta;
        E::escribeEn(carpeta.filePath(u"a.xml"_s), xml);
        return estacion.corre(argumentos(carpeta.path(), puerto));
    }
    // A run that should have gone clean; when not, the rows that did not
    // import and the end of the server's own log say why.
    bool sinFallas(const TCorrida& corrida) const
    {
        if (corrida.salida == 0)
            return true;
        qWarning("%s", explica(corrida).constData());
        qWarning("El servidor %s:\n%s", m_servidor->activo() ? "sigue en marcha" : "terminó",
                 qPrintable(m_servidor->ultimasLineasLog(60)));
        return false;
    }
    // The database the import gives a new business of `rfc` on this server.
    QString nombreBase(const QString& rfc) const
    {
        return NuevoNegocio::nombreBaseServidor(
            m_servidor->motor(), rfc, g_tipo == TServidorBaseDatos::Tipo::Firebird ? m_servidor->carpeta() : QString());
    }
    // Drops every database the tests made, for a test of its own.
    void vaciaServidor()
    {
        if (m_servidor)
            m_servidor->detiene();
        m_servidor.reset();
        m_servidor = std::make_unique<TServidorBaseDatos>(g_tipo);
        QVERIFY2(m_servidor->inicia(), qPrintable(m_servidor->error()));
        qputenv(ImportacionConsola::VARIABLE_CLAVE_SERVIDOR, m_servidor->password().toUtf8());
    }

    // A business on the server, made by an import on a workstation of its
    // own, with its administrator signed in there; its RFC.
    QString negocioIngresado()
    {
        m_estacion = std::make_unique<TProgramaConsola>();
        if (!sinFallas(importaUno(*m_estacion, E::muestraNueva(0))))
            qFatal("no se pudo crear la empresa en el servidor");
        Sistema::exePath = m_estacion->entorno.carpeta.ruta();
        const QString rfc = rfcsRegistrados().first();
        if (Ingreso::ingresa(rfc, CORREO, CLAVE) != Ingreso::TResultado::Correcto)
            qFatal("no se pudo ingresar a %s", qPrintable(rfc));
        return rfc;
    }
    // `trabajo` as another workstation does it: on a connection of its own,
    // to its end.
    template <typename F> static auto enOtraEstacion(F trabajo)
    {
        decltype(trabajo()) resultado{};
        std::exception_ptr error;
        std::thread hilo([&] {
            try {
                resultado = trabajo();
            } catch (...) {
                error = std::current_exception();
            }
            Conexiones::cierraHilo();
        });
        hilo.join();
        if (error)
            std::rethrow_exception(error);
        return resultado;
    }

private slots:
    void initTestCase()
    {
        if (const QString falta = TServidorBaseDatos::faltante(g_tipo); !falta.isEmpty())
            QSKIP(qPrintable(falta));
        QVERIFY(m_corpus.isValid());
        for (int i = 0; i < ARCHIVOS; ++i)
            E::escribeEn(m_corpus.filePath(u"%1/%2.xml"_s.arg(i % 5).arg(i)), E::muestraNueva(i));
    }
    void init() { vaciaServidor(); }

    // The first workstation creates the businesses on the server and imports;
    // the second adds them with a user of theirs, signs in and sees every
    // voucher; its own import of the same folder finds them all there.
    void dosEstaciones()
    {
        TProgramaConsola primera;
        const TCorrida corrida = importa(primera);
        QVERIFY(sinFallas(corrida));
        QVERIFY(corrida.salidaEstandar.contains(u"Importados: %1\n"_s.arg(ARCHIVOS)));
        Sistema::exePath = primera.entorno.carpeta.ruta();
        const QStringList rfcs = rfcsRegistrados();
        QCOMPARE(rfcs.size(), E::MUESTRAS.size());
        const QStringList enServidor = estadoServidor();
        QList<NuevoNegocio::TDestino> destinos;
        for (const QString& rfc : rfcs)
            destinos << NuevoNegocio::destinoServidor(E::conexion(rfc));
        // Its password travels enciphered in the registry, never in the clear.
        QVERIFY(!TCarpetaPrograma::lee(primera.entorno.carpeta.archivo(Constantes::DB_USUARIOS))
                     .contains(m_servidor->password().toUtf8()));

        TProgramaConsola segunda;
        Sistema::exePath = segunda.entorno.carpeta.ruta();
        QVERIFY(registroLocal().getEmpresas().isEmpty());
        // Someone who is no user of the business adds nothing.
        QCOMPARE(EmpresaEnServidor::conecta(destinos.first(), u"otro@negocio.mx"_s, CLAVE).resultado,
                 EmpresaEnServidor::TResultado::NoEsUsuario);
        QCOMPARE(EmpresaEnServidor::conecta(destinos.first(), CORREO, u"otra"_s).resultado,
                 EmpresaEnServidor::TResultado::ContrasenaIncorrecta);
        QVERIFY(registroLocal().getEmpresas().isEmpty());
        for (const NuevoNegocio::TDestino& destino : std::as_const(destinos)) {
            const EmpresaEnServidor::TConexion conexion = EmpresaEnServidor::conecta(destino, CORREO, CLAVE);
            QVERIFY2(conexion.resultado == EmpresaEnServidor::TResultado::Conectada, qPrintable(conexion.texto));
            QCOMPARE(Ingreso::ingresa(conexion.rfc, CORREO, CLAVE), Ingreso::TResultado::Correcto);
            QVERIFY(Sistema::Conexion->enServidor());
        }
        QCOMPARE(EmpresaEnServidor::conecta(destinos.first(), CORREO, CLAVE).resultado,
                 EmpresaEnServidor::TResultado::YaRegistrada);
        Conexiones::cierraHilo();
        QCOMPARE(estadoServidor(), enServidor);

        const TCorrida otra = importa(segunda);
        QCOMPARE(otra.salida, 0);
        QVERIFY2(otra.salidaEstandar.contains(u"Ya existían: %1"_s.arg(ARCHIVOS)), qPrintable(otra.salidaEstandar));
        QCOMPARE(estadoServidor(), enServidor);

        // The business's rights hold on the second workstation as on the first,
        // and one the previous version left in the first one's own cipher is
        // shared the next time someone signs in there.
        const QString rfc = rfcs.first();
        const auto concede = [&](const TProgramaConsola& estacion) {
            Sistema::exePath = estacion.entorno.carpeta.ruta();
            TColaRespuestas respuestas;
            if (Ingreso::ingresa(rfc, CORREO, CLAVE) != Ingreso::TResultado::Correcto)
                qFatal("no se pudo ingresar a %s", qPrintable(rfc));
            const bool concedido =
                Sistema::getPermiso(Constantes::CODIGO_PERMISOS) && Sistema::getPermiso(Constantes::CODIGO_REPORTES);
            const QStringList avisos = respuestas.textos();
            Conexiones::cierraHilo();
            return std::make_pair(concedido, avisos);
        };
        QCOMPARE(concede(segunda), std::make_pair(true, QStringList()));

        Sistema::exePath = primera.entorno.carpeta.ruta();
        const TConexionSesion conexion = E::conexion(rfc);
        std::unique_ptr<TNegocio> negocio = TNegocio::getByRFC(rfc, conexion);
        QVERIFY(negocio && FirmaPermisos::esSecretoCompartido(negocio->getSecreto()));
        const FirmaPermisos::TSecreto secreto = FirmaPermisos::secretoDe(*negocio, Sistema::exePath, conexion);
        QCOMPARE(secreto.motivo, FirmaPermisos::TMotivo::Valido);
        negocio->setSecreto(FirmaPermisos::guardaSecreto(secreto.bytes, Sistema::exePath));
        {
            TTransaccion transaccion(conexion);
            TNegocio::saveOrUpdate(*negocio, TUnidadTrabajo(conexion, -1));
            transaccion.commit();
        }
        Conexiones::cierraHilo();
        QCOMPARE(
            concede(segunda),
            std::make_pair(false, QStringList{SecretoNegocio::mensaje(SecretoNegocio::TEstado::Ilegible, rfc, true)}));
        QCOMPARE(concede(primera), std::make_pair(true, QStringList()));
        QCOMPARE(concede(segunda), std::make_pair(true, QStringList()));

        // A user the second adds signs in on the first with the rights given.
        Sistema::exePath = segunda.entorno.carpeta.ruta();
        QCOMPARE(Ingreso::ingresa(rfc, CORREO, CLAVE), Ingreso::TResultado::Correcto);
        UsuariosNegocio::TNuevoUsuario cajero;
        cajero.email = u"cajero@negocio.mx"_s;
        cajero.password = cajero.repitePassword = CLAVE;
        cajero.permisos = UsuariosNegocio::todos(false);
        cajero.permisos[UsuariosNegocio::codigosModulos().indexOf(Constantes::CODIGO_REPORTES)] = true;
        QCOMPARE(UsuariosNegocio::agrega(cajero), UsuariosNegocio::TResultado::Correcto);
        Conexiones::cierraHilo();
        Sistema::exePath = primera.entorno.carpeta.ruta();
        QCOMPARE(Ingreso::ingresa(rfc, cajero.email, CLAVE), Ingreso::TResultado::Correcto);
        QVERIFY(Sistema::getPermiso(Constantes::CODIGO_REPORTES));
        QVERIFY(!Sistema::getPermiso(Constantes::CODIGO_PERMISOS));
        Conexiones::cierraHilo();
    }

    // Both workstations import the same folder at once into the same
    // businesses: one holds each business while the other's files of it
    // wait for another run; nothing is stored twice, and the reruns
    // complete it.
    void importacionesALaVez()
    {
        TProgramaConsola primera;
        TProgramaConsola segunda;
        // The businesses exist first, so both workstations have them.
        QCOMPARE(importa(primera, m_corpus.filePath(u"0"_s)).salida, 0);
        Sistema::exePath = primera.entorno.carpeta.ruta();
        QList<NuevoNegocio::TDestino> destinos;
        for (const QString& rfc : rfcsRegistrados())
            destinos << NuevoNegocio::destinoServidor(E::conexion(rfc));
        Sistema::exePath = segunda.entorno.carpeta.ruta();
        for (const NuevoNegocio::TDestino& destino : std::as_const(destinos))
            QCOMPARE(EmpresaEnServidor::conecta(destino, CORREO, CLAVE).resultado,
                     EmpresaEnServidor::TResultado::Conectada);
        Conexiones::cierraHilo();

        QProcess a;
        QProcess b;
        primera.inicia(a, argumentos());
        segunda.inicia(b, argumentos());
        QVERIFY(a.waitForFinished(240000) && b.waitForFinished(240000));
        QVERIFY(a.exitCode() <= 1 && b.exitCode() <= 1);
        for (TProgramaConsola* estacion : {&primera, &segunda})
            QVERIFY(sinFallas(importa(*estacion)));
        Sistema::exePath = primera.entorno.carpeta.ruta();
        const QStringList estado = estadoServidor();
        int guardados = 0;
        for (const QString& linea : estado) {
            if (!linea.contains(u"/uuids="_s))
                continue;
            const QStringList uuids = linea.section(u'=', 1).split(u',', Qt::SkipEmptyParts);
            QCOMPARE(QSet<QString>(uuids.cbegin(), uuids.cend()).size(), uuids.size());
            guardados += int(uuids.size());
        }
        QCOMPARE(guardados, ARCHIVOS);
    }

    // The server is killed in the middle of an import: the program ends with
    // the files in hand failed instead of hanging, and after the server comes
    // back a rerun leaves what one clean run leaves. The businesses exist
    // before and one is held, so the server dies while the others' vouchers
    // are committed and that one's in hand, never while a schema is made (a
    // MariaDB killed there may keep a sequence without its row, and stop on
    // an assertion when it is read).
    void servidorPerdido()
    {
        TProgramaConsola limpia;
        QCOMPARE(importa(limpia).salida, 0);
        Sistema::exePath = limpia.entorno.carpeta.ruta();
        QStringList esperado = estadoServidor();
        vaciaServidor();

        TProgramaConsola estacion;
        QTemporaryDir primeros;
        for (int i = 0; i < E::MUESTRAS.size(); ++i)
            QVERIFY(QFile::copy(m_corpus.filePath(u"%1/%2.xml"_s.arg(i % 5).arg(i)),
                                primeros.filePath(u"%1.xml"_s.arg(i))));
        QCOMPARE(importa(estacion, primeros.path()).salida, 0);
        Sistema::exePath = estacion.entorno.carpeta.ruta();
        QStringList rfcs = rfcsRegistrados();
        QCOMPARE(rfcs.size(), E::MUESTRAS.size());
        const QString retenido = rfcs.takeLast();
        auto retencion = std::make_unique<TTablaRetenida>(E::conexion(retenido), TComprobante::tablaEsquema().nombre);
        QVERIFY2(retencion->error().isEmpty(), qPrintable(retencion->error()));

        QProcess proceso;
        estacion.inicia(proceso, argumentos());
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                qint64 guardados = 0;
                for (const QString& rfc : std::as_const(rfcs))
                    guardados += TComprobante::cuenta(TCondicion(), E::conexion(rfc));
                return guardados > rfcs.size();
            }(),
            120000);
        Conexiones::cierraHilo();
        m_servidor->mata();
        QVERIFY(proceso.waitForFinished(120000));
        QCOMPARE(proceso.exitCode(), 1);
        retencion.reset();
        // Signing in meanwhile says the server does not answer, and the
        // business stays listed for when it does.
        const QStringList antes = registroLocal().getEmpresas();
        QCOMPARE(Ingreso::ingresa(retenido, CORREO, CLAVE), Ingreso::TResultado::ServidorSinRespuesta);
        QCOMPARE(registroLocal().getEmpresas(), antes);
        QVERIFY(m_servidor->reinicia());

        QVERIFY(sinFallas(importa(estacion)));
        QCOMPARE(estadoServidor(), esperado);
    }

    // The network to the server drops for a moment mid-import (a relay closes
    // every connection, and the next ones until the program tries again): the
    // files of the batches open then go again once the connection and the
    // hold on each business are back; no file fails, every voucher is stored
    // once.
    void redInterrumpida()
    {
        TRelevoTcp relevo(m_servidor->puerto());
        QVERIFY(relevo.inicia());
        // The businesses exist first, made through the relay so that their
        // registry rows lead through it.
        QTemporaryDir primeros;
        QTemporaryDir carpeta;
        QStringList uuids;
        const int n = int(E::MUESTRAS.size());
        for (int i = 0; i < n + ARCHIVOS; ++i) {
            const auto& [archivo, uuid] = E::MUESTRAS.at(i % n);
            uuids << E::uuidNuevo();
            E::escribeEn(i < n ? primeros.filePath(u"%1.xml"_s.arg(i))
                               : carpeta.filePath(u"%1.xml"_s.arg(i, 4, 10, QLatin1Char('0'))),
                         E::variante(archivo, {{uuid, uuids.last().toLatin1()}}));
        }
        TProgramaConsola estacion;
        QVERIFY(sinFallas(estacion.corre(argumentos(primeros.path(), relevo.puerto()))));
        // Ten times what a run that only opens and holds the businesses
        // sends: among the first files, while a thread may still be opening
        // its business.
        const qint64 antes = relevo.enviados();
        QVERIFY(sinFallas(estacion.corre(argumentos(primeros.path(), relevo.puerto()))));
        relevo.cortaTras(relevo.enviados() + 10 * (relevo.enviados() - antes));

        QProcess proceso;
        estacion.inicia(proceso, argumentos(carpeta.path(), relevo.puerto()));
        const bool intento = relevo.esperaIntento(120000);
        relevo.reabre();
        QVERIFY2(intento, "el programa no volvió a conectarse después del corte");
        QVERIFY(proceso.waitForFinished(240000));
        const QString salida = QString::fromUtf8(proceso.readAllStandardOutput());
        QVERIFY2(proceso.exitCode() == 0, qPrintable(salida + QString::fromUtf8(proceso.readAllStandardError())));
        QVERIFY(relevo.cortadas() > 0);
        // A commit the cut interrupted may have reached the server: its
        // files, imported again, are found stored.
        QCOMPARE(cuenta(salida, u"Importados"_s) + cuenta(salida, u"Ya existían"_s), ARCHIVOS);
        QVERIFY2(salida.contains(u"\nFallidos: 0\n"_s), qPrintable(salida));

        Sistema::exePath = estacion.entorno.carpeta.ruta();
        QStringList guardados;
        for (const QString& rfc : rfcsRegistrados())
            for (const TComprobante& c : TComprobante::busca(TCondicion(), E::conexion(rfc)))
                guardados << c.getUuid().toUpper();
        Conexiones::cierraHilo();
        guardados.sort();
        uuids.sort();
        QCOMPARE(guardados, uuids);
    }

    // The network to the server goes for good while a folder also brings
    // files of a business kept on this workstation: the server's files not
    // yet stored fail, each saying why, and every file of this workstation's
    // business is imported; before, the job stopped at the cut.
    void servidorQueNoVuelve()
    {
        TRelevoTcp relevo(m_servidor->puerto());
        QVERIFY(relevo.inicia());
        TProgramaConsola estacion;
        QVERIFY(sinFallas(importaUno(estacion, E::muestraNueva(0), LOCAL)));
        QTemporaryDir remoto;
        E::escribeEn(remoto.filePath(u"1.xml"_s), E::muestraNueva(1));
        QVERIFY(sinFallas(estacion.corre(argumentos(remoto.path(), relevo.puerto()))));
        QTemporaryDir carpeta;
        for (int i = 0; i < ARCHIVOS; ++i)
            E::escribeEn(carpeta.filePath(u"%1.xml"_s.arg(i, 4, 10, QLatin1Char('0'))), E::muestraNueva(i % 2));
        // As in redInterrumpida: the cut comes among the first files.
        const qint64 antes = relevo.enviados();
        QVERIFY(sinFallas(estacion.corre(argumentos(remoto.path(), relevo.puerto()))));
        relevo.cortaTras(relevo.enviados() + 10 * (relevo.enviados() - antes));

        const TCorrida corrida = estacion.corre(argumentos(carpeta.path(), LOCAL));
        QVERIFY(relevo.cortadas() > 0);
        QCOMPARE(corrida.salida, int(ImportacionConsola::ConFallos));
        const QString& salida = corrida.salidaEstandar;
        const int fallidos = cuenta(salida, u"Fallidos"_s);
        QVERIFY2(fallidos > 0 && cuenta(salida, u"Importados"_s) + fallidos == ARCHIVOS, qPrintable(salida));
        const QStringList filas = fallidas(corrida);
        QCOMPARE(filas.size(), fallidos);
        for (const QString& fila : filas)
            QVERIFY2(fila.contains(u"no volvió después de 10 intentos"_s), qPrintable(fila));

        Sistema::exePath = estacion.entorno.carpeta.ruta();
        int propios = 0;
        for (const QString& rfc : rfcsRegistrados()) {
            const TConexionSesion conexion = E::conexion(rfc);
            if (!conexion.enServidor())
                propios = int(TComprobante::cuenta(TCondicion(), conexion));
        }
        Conexiones::cierraHilo();
        QCOMPARE(propios, 1 + ARCHIVOS / 2);
    }

    // The server is off when an import starts: its first business is waited
    // for, ten tries a second apart, and the next fails at once without a try
    // of its own (before, each waited as long), also on another thread of the
    // job (a parallel job's threads share what they learn).
    void servidorApagado_data()
    {
        QTest::addColumn<bool>("otroHilo");
        QTest::newRow("un hilo") << false;
        QTest::newRow("otro hilo") << true;
    }
    void servidorApagado()
    {
        QFETCH(bool, otroHilo);
        TRelevoTcp relevo(m_servidor->puerto());
        QVERIFY(relevo.inicia());
        TProgramaConsola estacion;
        QTemporaryDir carpeta;
        QStringList archivos;
        for (const QString& rfc : {u"AAA010101AB1"_s, u"BBB010101AB1"_s}) {
            archivos << carpeta.filePath(rfc + u".xml"_s);
            E::escribeEn(archivos.last(), emitidoPor(rfc, E::uuidNuevo()));
        }
        QVERIFY(sinFallas(estacion.corre(argumentos(carpeta.path(), relevo.puerto()))));
        relevo.cortaTras(0);
        QVERIFY(relevo.esperaCorte(10000));

        Sistema::exePath = estacion.entorno.carpeta.ruta();
        QList<TResultadoArchivo> resultados;
        QList<int> intentos;
        TParametrosImportacion parametros = estacion.entorno.parametros();
        parametros.ausentes = std::make_shared<TServidoresAusentes>();
        const auto importa = [&](const QStringList& suyos) {
            TImportadorXML importador(registroLocal(), BaseDatosCatalogosFrm(), parametros);
            TLoteImportacion lote(importador, 10, [&](const TResultadoArchivo& r) { resultados << r; });
            for (const QString& archivo : suyos) {
                lote.importa(archivo);
                intentos << relevo.rechazadas();
            }
            lote.confirma();
            Conexiones::cierraHilo();
        };
        if (otroHilo) {
            for (const QString& archivo : std::as_const(archivos))
                std::thread(importa, QStringList{archivo}).join();
        } else {
            importa(archivos);
        }
        QVERIFY(intentos.first() > 0);
        QCOMPARE(intentos.last(), intentos.first());
        QCOMPARE(resultados.size(), 2);
        for (const TResultadoArchivo& r : std::as_const(resultados))
            QVERIFY2(r.estado == TResultadoArchivo::Fallido && r.motivo.contains(u"no volvió después de 10 intentos"_s),
                     qPrintable(r.motivo));
    }

    // A metadata file reaches a business kept on this workstation and one on
    // the server, and the network to the server goes once every row is
    // written, before the commits: the local business's rows stay stored,
    // and the failed file says so instead of claiming it stored none. Read
    // again, it stores the server's rows and repeats none.
    void metadatosConCorte()
    {
        const QString local = u"AAA010101AB1"_s;
        const QString remoto = u"ZZZ010101AB1"_s; // committed after the local one
        TRelevoTcp relevo(m_servidor->puerto());
        QVERIFY(relevo.inicia());
        TProgramaConsola estacion;
        QVERIFY(sinFallas(importaUno(estacion, emitidoPor(local, E::uuidNuevo()), LOCAL)));
        QVERIFY(sinFallas(importaUno(estacion, emitidoPor(remoto, E::uuidNuevo()), relevo.puerto())));

        // The server's rows come first; the cut, once the reader has asked
        // twice whether to stop, falls among the local ones.
        constexpr int REMOTAS = 5;
        constexpr int LOCALES = 3000;
        QByteArray texto = TProgramaConsola::ENCABEZADO_SAT;
        for (int i = 0; i < REMOTAS + LOCALES; ++i)
            texto += (E::uuidNuevo() + u'~' + (i < REMOTAS ? remoto : local) +
                      u"~EMISOR~XAXX010101000~PUBLICO EN GENERAL~SAT970701NN3~2024-03-15 10:20:30~"
                      u"2024-03-15 10:21:02~1160.00~I~1~\r\n"_s)
                         .toUtf8();
        QTemporaryDir carpeta;
        const QString archivo = carpeta.filePath(u"metadatos.txt"_s);
        E::escribeEn(archivo, texto);

        Sistema::exePath = estacion.entorno.carpeta.ruta();
        TParametrosImportacion parametros;
        parametros.email = CORREO;
        parametros.password = CLAVE;
        const auto lee = [&](const std::function<bool()>& detenerse) {
            QList<TResultadoArchivo> resultados;
            TImportacionMetadatos metadatos(registroLocal(), parametros);
            metadatos.agregaArchivo(archivo);
            metadatos.importa([&](const TResultadoArchivo& r) { resultados << r; }, detenerse);
            return resultados;
        };
        int preguntas = 0;
        const QList<TResultadoArchivo> cortado = lee([&] {
            if (++preguntas == 2) {
                relevo.cortaTras(0);
                if (!relevo.esperaCorte(10000))
                    qFatal("el relevo no cortó");
            }
            return false;
        });
        QCOMPARE(preguntas, 2);
        QCOMPARE(cortado.size(), 1);
        QCOMPARE(cortado.first().estado, TResultadoArchivo::Fallido);
        const QString& motivo = cortado.first().motivo;
        QVERIFY2(motivo.startsWith(u"No se pudieron guardar los cambios: se perdió la conexión con el servidor"_s) &&
                     motivo.contains(u"Se guardaron las filas de este archivo para el negocio %1, pero no las del "
                                     u"negocio %2;"_s.arg(local, remoto)),
                 qPrintable(motivo));

        relevo.reabre();
        const auto filas = [](const QString& rfc) {
            const int n = TMetadatosat::cuenta(TCondicion(), E::conexion(rfc));
            Conexiones::cierraHilo();
            return n;
        };
        QCOMPARE(filas(local), LOCALES);
        QCOMPARE(filas(remoto), 0);
        const QList<TResultadoArchivo> otraVez = lee({});
        QCOMPARE(otraVez.size(), 1);
        QVERIFY2(otraVez.first().estado == TResultadoArchivo::Metadatos, qPrintable(otraVez.first().motivo));
        QCOMPARE(filas(local), LOCALES);
        QCOMPARE(filas(remoto), REMOTAS);
    }

    // A creation stopped before its registry row leaves a database of the
    // business's name on the server, part of a schema and no voucher: the
    // next import removes it and creates the business anew. One that holds
    // vouchers is another workstation's business: it stays as it is, and the
    // import says how to add it.
    void creacionInterrumpida()
    {
        const QByteArray ajena = E::muestraNueva(2);
        TProgramaConsola primera;
        QCOMPARE(importaUno(primera, ajena).salida, 0);
        Sistema::exePath = primera.entorno.carpeta.ruta();
        const QString suyo = rfcsRegistrados().value(0);
        const QStringList completas = Esquema::tablasPresentes(E::conexion(suyo));
        Conexiones::cierraHilo();

        TProgramaConsola segunda;
        const TCorrida rechazada = importaUno(segunda, ajena);
        QVERIFY(rechazada.salida != 0);
        QVERIFY2(explica(rechazada).contains("con comprobantes, y este equipo no la tiene registrada"),
                 explica(rechazada).constData());
        Sistema::exePath = primera.entorno.carpeta.ruta();
        QCOMPARE(TComprobante::cuenta(TCondicion(), E::conexion(suyo)), 1);
        Conexiones::cierraHilo();

        const QByteArray xml = E::muestraNueva(0);
        const QString rfc =
            QRegularExpression(u"Emisor[^>]*Rfc=\"([^\"]+)\""_s).match(QString::fromUtf8(xml)).captured(1);
        QVERIFY(!rfc.isEmpty());
        const TConexionSesion resto = Conexiones::creaBaseServidor(m_servidor->conexion(QString()), nombreBase(rfc));
        Esquema::completa(resto, TGrupoEsquema::Base);
        Conexiones::cierraHilo();
        QVERIFY(sinFallas(importaUno(segunda, xml)));
        Sistema::exePath = segunda.entorno.carpeta.ruta();
        QCOMPARE(TComprobante::cuenta(TCondicion(), E::conexion(rfc)), 1);
        QCOMPARE(Esquema::tablasPresentes(E::conexion(rfc)), completas);
        Conexiones::cierraHilo();
    }

    // Another workstation is creating the business (on MariaDB holding its
    // lock from before its database exists, on Firebird attached to the new
    // file before its schema): the import neither builds nor drops that
    // database, and says so; once the other lets go, the next run creates it.
    void creacionAjena()
    {
        const QString rfc = u"AAA010101AB1"_s;
        const QString nombre = nombreBase(rfc);
        TConexionSesion ajena = m_servidor->conexion(QString());
        if (g_tipo == TServidorBaseDatos::Tipo::MariaDB) {
            QSqlQuery candado(Conexiones::baseDatos(ajena));
            QVERIFY(candado.exec(u"SELECT GET_LOCK(CONCAT('velkor:', MD5('%1')), 0)"_s.arg(nombre)) && candado.next() &&
                    candado.value(0).toInt() == 1);
        } else {
            ajena = Conexiones::creaBaseServidor(ajena, nombre);
            Conexiones::baseDatos(ajena);
        }
        const QByteArray xml = emitidoPor(rfc, E::uuidNuevo());
        TProgramaConsola estacion;
        const TCorrida rechazada = importaUno(estacion, xml);
        QVERIFY2(rechazada.salida != 0 &&
                     explica(rechazada).contains("Otro equipo está creando o importando el negocio"),
                 explica(rechazada).constData());
        TConexionSesion base = m_servidor->conexion(QString());
        base.setDatabase(nombre);
        QCOMPARE(Esquema::tablasPresentes(base), QStringList());
        Conexiones::cierraHilo();
        QVERIFY(sinFallas(importaUno(estacion, xml)));
    }

    // The server lets go of the import's hold on its business mid-batch (its
    // idle connection killed) and another workstation takes it: the batch is
    // not committed, so the two never write the same customers and products.
    void apartadoPerdidoEnLote()
    {
        if (g_tipo != TServidorBaseDatos::Tipo::MariaDB)
            QSKIP("Firebird guarda el apartado en una transacción de la conexión que lo tiene");
        const QString rfc = negocioIngresado();
        const TConexionSesion conexion = E::conexion(rfc);
        const QString candado = u"CONCAT('velkor:', MD5('%1'))"_s.arg(conexion.getDatabase());
        QTemporaryDir carpeta;
        for (int i = 0; i < 3; ++i)
            E::escribeEn(carpeta.filePath(u"%1.xml"_s.arg(i)), emitidoPor(rfc, E::uuidNuevo()));
        auto retencion = std::make_unique<TTablaRetenida>(conexion, TComprobante::tablaEsquema().nombre);
        QVERIFY2(retencion->error().isEmpty(), qPrintable(retencion->error()));
        QProcess proceso;
        m_estacion->inicia(proceso, argumentos(carpeta.path()));
        QSqlQuery q(Conexiones::baseDatos(m_servidor->conexion(QString())));
        const auto valor = [&](const QString& sql) { return q.exec(sql) && q.next() ? q.value(0) : QVariant(); };
        QTRY_VERIFY_WITH_TIMEOUT(valor(u"SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE DB = '%1' AND "
                                       u"STATE LIKE 'Waiting for table%'"_s.arg(conexion.getDatabase()))
                                         .toInt() > 0,
                                 60000);
        QVERIFY(q.exec(u"KILL %1"_s.arg(valor(u"SELECT IS_USED_LOCK(%1)"_s.arg(candado)).toString())));
        QCOMPARE(valor(u"SELECT GET_LOCK(%1, 30)"_s.arg(candado)).toInt(), 1);
        retencion.reset();
        QVERIFY(proceso.waitForFinished(120000));
        QCOMPARE(proceso.exitCode(), 1);
        QCOMPARE(TComprobante::cuenta(TCondicion(), conexion), 1);
        Conexiones::cierraHilo();
    }

    // Two issuers whose RFCs differ only in "&" and "Ñ", imported in turn:
    // each is a business with a database of its own and its voucher.
    void rfcsConAmpersandYEnie()
    {
        const QStringList rfcs = {u"A&B010101AB1"_s, u"AÑB010101AB1"_s};
        QStringList uuids;
        TProgramaConsola estacion;
        for (const QString& rfc : rfcs) {
            uuids << E::uuidNuevo();
            QVERIFY(sinFallas(importaUno(estacion, emitidoPor(rfc, uuids.last()))));
        }
        Sistema::exePath = estacion.entorno.carpeta.ruta();
        QVERIFY(E::conexion(rfcs.at(0)).getDatabase() != E::conexion(rfcs.at(1)).getDatabase());
        for (int i = 0; i < rfcs.size(); ++i) {
            const TConexionSesion conexion = E::conexion(rfcs.at(i));
            QCOMPARE(TNegocio::cuenta(TCondicion(), conexion), 1);
            QVERIFY(E::comprobante(rfcs.at(i), uuids.at(i)));
            QCOMPARE(TComprobante::cuenta(TCondicion(), conexion), 1);
        }
        Conexiones::cierraHilo();
    }

    // A database of the name a new issuer's business gets that already holds
    // a business is refused, never dropped nor written to: another business
    // (named by hand, or by an older version), or that same business stored
    // whole by a workstation whose registry this one lacks.
    void baseConOtroNegocio_data()
    {
        QTest::addColumn<QString>("otro"); // of the business it holds
        QTest::addColumn<QString>("motivo");
        QTest::newRow("otro negocio") << u"EKU9003173C9"_s
                                      << u"con otro negocio, y no se puede usar para el negocio %1"_s;
        QTest::newRow("el mismo negocio, aún sin comprobantes")
            << u"A&B010101AB1"_s << u"con el negocio %1, aún sin comprobantes, y este equipo no la tiene registrada"_s;
    }
    void baseConOtroNegocio()
    {
        QFETCH(QString, otro);
        QFETCH(QString, motivo);
        const QString rfc = u"A&B010101AB1"_s;
        TEntornoImportacion suya;
        Sistema::exePath = suya.carpeta.ruta();
        const TConexionSesion base = Conexiones::creaBaseServidor(m_servidor->conexion(QString()), nombreBase(rfc));
        NuevoNegocio::TDatos datos;
        datos.email = CORREO;
        datos.password = CLAVE;
        datos.nombreEmpresa = datos.rfc = datos.razon = otro;
        TConexionSesion creada;
        NuevoNegocio::creaNegocio(datos, CORREO, NuevoNegocio::destinoServidor(base), {}, {}, nullptr, creada);
        Conexiones::cierraHilo();

        TProgramaConsola estacion;
        const TCorrida rechazada = importaUno(estacion, emitidoPor(rfc, E::uuidNuevo()));
        const QByteArray dicho = explica(rechazada);
        QVERIFY2(rechazada.salida != 0, dicho.constData());
        QVERIFY2(dicho.contains(motivo.arg(rfc).toUtf8()), dicho.constData());
        QVERIFY(TNegocio::getByRFC(otro, base));
        QCOMPARE(TNegocio::cuenta(TCondicion(), base), 1);
        Conexiones::cierraHilo();
    }

    // Payroll, payments, waybills, donations and local taxes store on a
    // server as on an embedded file: the same counts, row for row.
    void variedadComoEnLocal()
    {
        QTemporaryDir carpeta;
        for (const QString& nombre : {u"cfdv40-nomina12.xml"_s, u"cfdi40-nomina-compensacion-valid.xml"_s,
                                      u"cfdv32-nomina.xml"_s, u"cfdv40-pagos20.xml"_s, u"cfdv40-cartaporte20.xml"_s,
                                      u"cfdv40-donat11.xml.xml"_s, u"impuestos-locales-retenidos.xml"_s})
            E::escribeEn(carpeta.filePath(nombre), E::bytes(E::dato(nombre)));
        const auto resumen = [](const TCorrida& corrida) {
            return corrida.salidaEstandar.mid(corrida.salidaEstandar.indexOf(u"Importados:"_s))
                .section(u"Fallidos:"_s, 0, 0);
        };
        TProgramaConsola local;
        const TCorrida enLocal = local.corre({carpeta.path(), u"--correo"_s, CORREO});
        QCOMPARE(enLocal.salida, 0);
        QVERIFY2(!enLocal.salidaEstandar.contains(u"Importados: 0\n"_s), qPrintable(enLocal.salidaEstandar));
        TProgramaConsola remota;
        const TCorrida enServidor = importa(remota, carpeta.path());
        QCOMPARE(enServidor.salida, 0);
        QCOMPARE(resumen(enServidor), resumen(enLocal));

        Sistema::exePath = remota.entorno.carpeta.ruta();
        const QStringList enElServidor = estadoServidor();
        Sistema::exePath = local.entorno.carpeta.ruta();
        QCOMPARE(estadoServidor(false), enElServidor);
    }

    // A new business from the wizard on a database of the server: an
    // empty one gets the whole schema and the registry row; one that holds
    // tables is refused before anything is written.
    void negocioNuevoEnBaseVacia()
    {
        TEntornoImportacion estacion;
        Sistema::exePath = estacion.carpeta.ruta();
        const QString ocupada = m_servidor->creaBaseDatos();
        QVERIFY(m_servidor->ejecuta(u"CREATE TABLE ajena (id INTEGER)"_s, ocupada));
        const TConexionSesion conexion = m_servidor->conexion(m_servidor->creaBaseDatos());
        NuevoNegocio::TDestino destino = NuevoNegocio::destinoServidor(conexion);
        const QString rfc = u"EKU9003173C9"_s;
        destino.baseDatos = ocupada;
        QVERIFY_THROWS_EXCEPTION(EBaseDatos, NuevoNegocio::saveNuevoLocal(CORREO, rfc, rfc, destino, QByteArray()));
        QVERIFY(registroLocal().getEmpresaDetalle(rfc).isEmpty());
        // Firebird keeps an unquoted name in capitals.
        QCOMPARE(Esquema::tablasPresentes(m_servidor->conexion(ocupada)).join(u',').toLower(), u"ajena"_s);

        destino.baseDatos = conexion.getDatabase();
        const TConexionSesion creada = NuevoNegocio::saveNuevoLocal(CORREO, rfc, rfc, destino, QByteArray());
        QCOMPARE(creada, conexion);
        QCOMPARE(Esquema::versionRegistrada(creada), Esquema::version());
        QCOMPARE(E::conexion(rfc), conexion);
        Conexiones::cierraHilo();
    }

    // Two administrators save the same thing on two workstations: the
    // second one's look-up ran before the first one's commit (its
    // transaction's view was taken then), its insert after. The database
    // keeps one, and the second is told in words.
    void usuarioDeOtraEstacion_data()
    {
        QTest::addColumn<QString>("correo");
        QTest::newRow("el mismo correo") << u"cajero@negocio.mx"_s;
        QTest::newRow("con otras mayúsculas") << u"Cajero@Negocio.MX"_s;
    }
    void usuarioDeOtraEstacion()
    {
        QFETCH(QString, correo);
        const QString rfc = negocioIngresado();
        const auto nuevo = [](const QString& email, const QString& clave) {
            UsuariosNegocio::TNuevoUsuario datos;
            datos.email = email;
            datos.password = datos.repitePassword = clave;
            datos.permisos = UsuariosNegocio::todos(false);
            return datos;
        };
        {
            const TConexionSesion conexion = *Sistema::Conexion;
            TTransaccion vista(conexion);
            QVERIFY(TUsuario::cuenta(TCondicion(), conexion) > 0);
            QCOMPARE(
                enOtraEstacion([&] { return UsuariosNegocio::agrega(nuevo(u"cajero@negocio.mx"_s, u"Clave-1"_s)); }),
                UsuariosNegocio::TResultado::Correcto);
            QCOMPARE(UsuariosNegocio::agrega(nuevo(correo, u"Clave-2"_s)), UsuariosNegocio::TResultado::EmailExistente);
        }
        QCOMPARE(
            TUsuario::cuenta(TUsuario::columna(TUsuario::col_Email).igualSinMayusculas(correo), *Sistema::Conexion), 1);
        Conexiones::cierraHilo();
        QCOMPARE(Ingreso::ingresa(rfc, correo, u"Clave-1"_s), Ingreso::TResultado::Correcto);
        Conexiones::cierraHilo();
    }

    void serieDeOtraEstacion_data()
    {
        QTest::addColumn<QString>("serie");
        QTest::addColumn<Series::TResultado>("resultado");
        QTest::addColumn<QStringList>("guardadas");
        // The default of the type is the one the first saved.
        QTest::newRow("la misma serie") << u"F"_s << Series::TResultado::Existente << QStringList{u"F*"_s};
        QTest::newRow("otra del mismo tipo") << u"G"_s << Series::TResultado::Guardada << QStringList{u"F*"_s, u"G"_s};
    }
    void serieDeOtraEstacion()
    {
        QFETCH(QString, serie);
        QFETCH(Series::TResultado, resultado);
        QFETCH(QStringList, guardadas);
        negocioIngresado();
        const TConexionSesion conexion = *Sistema::Conexion;
        const QString sucursal = TSucursal::getByNegocio(*Sistema::Negocio, conexion).first().getNombre();
        const int traslado = 2;
        const auto guarda = [&](const QString& nombre) {
            return Series::guarda({nombre, traslado, sucursal, u"1"_s}, false, -1, *Sistema::Negocio,
                                  *Sistema::Conexion, Sistema::Usuario->getIdusuario());
        };
        const TCondicion delTipo = TSerie::columna(TSerie::col_Tipodecomprobante) == u"T"_s;
        {
            TTransaccion vista(conexion);
            QCOMPARE(TSerie::cuenta(delTipo, conexion), 0);
            QCOMPARE(enOtraEstacion([&] { return guarda(u"F"_s); }), Series::TResultado::Guardada);
            QCOMPARE(guarda(serie), resultado);
            vista.commit();
        }
        QStringList enBase;
        for (const TSerie& s : TSerie::busca(delTipo, conexion, TSerie::columna(TSerie::col_Serie).ascendente()))
            enBase << s.getSerie() + (s.getIsdefault() ? u"*"_s : QString());
        QCOMPARE(enBase, guardadas);
        Conexiones::cierraHilo();
    }

    // A database of the previous version whose rows already break a rule
    // keeps opening with all its rows: that rule stays off, the others are
    // put in place, and the refusal is logged once, not at every sign-in.
    void reglasEnBaseConRepetidos()
    {
        const QString rfc = negocioIngresado();
        const TConexionSesion conexion = *Sistema::Conexion;
        const bool mariaDB = g_tipo == TServidorBaseDatos::Tipo::MariaDB;
        const auto sql = [&](const QString& texto) {
            QSqlQuery q(Conexiones::baseDatos(conexion));
            if (q.exec(texto))
                return true;
            qWarning("%s: %s", qPrintable(texto), qPrintable(q.lastError().text()));
            return false;
        };
        const QStringList reglas{u"UQD_SERIE_ISDEFAULT"_s, u"UQM_USUARIO_EMAIL"_s};
        for (const QString& regla : reglas)
            QVERIFY(sql(mariaDB
                            ? u"ALTER TABLE %1 DROP INDEX %2, DROP COLUMN %2"_s.arg(regla.section(u'_', 1, 1), regla)
                            : u"DROP INDEX %1"_s.arg(regla)));
        QVERIFY(sql(u"UPDATE VERSIONESQUEMA SET \"VERSION\" = 7"_s));
        {
            TTransaccion transaccion(conexion);
            for (const QString& email : {u"viejo@negocio.mx"_s, u"Viejo@negocio.mx"_s}) {
                TUsuario usuario;
                usuario.setEmail(email);
                usuario.setStatus(0);
                TUsuario::saveOrUpdate(usuario, TUnidadTrabajo(conexion, -1));
            }
            transaccion.commit();
        }
        Conexiones::cierraHilo();

        const QString aviso = u"queda sin la regla UQM_USUARIO_EMAIL"_s;
        for (int vez = 0; vez < 2; ++vez) {
            QCOMPARE(Ingreso::ingresa(rfc, CORREO, CLAVE), Ingreso::TResultado::Correcto);
            QCOMPARE(Esquema::versionRegistrada(conexion), Esquema::version());
            if (!mariaDB && vez == 0) {
                // The refused rule leaves no transaction open on the
                // connection that tried it: another workstation changing the
                // table's structure would wait for it until this one closed.
                QString propia;
                {
                    QSqlQuery q(Conexiones::baseDatos(conexion));
                    QVERIFY(q.exec(u"SELECT CURRENT_CONNECTION FROM RDB$DATABASE"_s) && q.next());
                    propia = q.value(0).toString();
                }
                {
                    QSqlDatabase otra = QSqlDatabase::cloneDatabase(Conexiones::baseDatos(conexion), u"otra"_s);
                    QVERIFY(otra.open());
                    QSqlQuery q(otra);
                    QVERIFY(q.exec(u"SELECT COUNT(*) FROM MON$TRANSACTIONS WHERE MON$ATTACHMENT_ID = "_s + propia) &&
                            q.next());
                    QCOMPARE(q.value(0).toInt(), 0);
                }
                QSqlDatabase::removeDatabase(u"otra"_s);
            }
            Conexiones::cierraHilo();
            const QString log = QString::fromUtf8(TCarpetaPrograma::lee(Logmanager::archivoLog(Sistema::exePath)));
            QVERIFY2(log.count(aviso) == 1, qPrintable(log));
        }
        QCOMPARE(TUsuario::cuenta(TUsuario::columna(TUsuario::col_Email).igualSinMayusculas(u"viejo@negocio.mx"_s),
                                  conexion),
                 2);
        QSet<QString> presentes;
        QSqlQuery q(Conexiones::baseDatos(conexion));
        QVERIFY(q.exec(mariaDB ? u"SELECT INDEX_NAME FROM information_schema.STATISTICS WHERE TABLE_SCHEMA = "
                                 "DATABASE()"_s
                               : u"SELECT TRIM(RDB$INDEX_NAME) FROM RDB$INDICES"_s));
        while (q.next())
            presentes << q.value(0).toString();
        QCOMPARE(presentes.intersect(QSet<QString>(reglas.cbegin(), reglas.cend())),
                 QSet<QString>{u"UQD_SERIE_ISDEFAULT"_s});
        q.finish();
        Conexiones::cierraHilo();
    }

    void cleanupTestCase() { Conexiones::cierraHilo(); }
};

// The whole suite on MariaDB, then on a Firebird server.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TstServidor prueba;
    int fallas = 0;
    for (const auto tipo : {TServidorBaseDatos::Tipo::MariaDB, TServidorBaseDatos::Tipo::Firebird}) {
        std::printf("********* %s *********\n",
                    tipo == TServidorBaseDatos::Tipo::MariaDB ? "MariaDB" : "Firebird (servidor)");
        g_tipo = tipo;
        fallas += QTest::qExec(&prueba, argc, argv);
    }
    return fallas;
}
#include "tst_servidor.moc"
