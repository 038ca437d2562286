#include "ProgramaConsola.h"

#include "Conexiones.h"
#include "RegistroPrueba.h"
#include "Secretos.h"
#include "Sistema.h"
#include "ZonaHoraria.h"
#include "negocio/TArchivoZip.h"
#include "negocio/TNuevoNegocio.h"

#include <QLockFile>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <climits>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

enum class TPreparacion { Nada, NegocioDelCorreo, RegistroOcupado, ImportacionEnCurso, VersionAnterior, DiscoLleno };

// Makes the folder `nombre` in the folder open as `carpeta`, which it closes,
// and opens it: by descriptors, a tree may go deeper than any path can name.
int entraEn(int carpeta, const QByteArray& nombre)
{
    const int dentro = ::mkdirat(carpeta, nombre.constData(), 0700) == 0
                           ? ::openat(carpeta, nombre.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                           : -1;
    ::close(carpeta);
    return dentro;
}

bool escribeEn(int carpeta, const QByteArray& nombre, const QByteArray& contenido)
{
    const int archivo = ::openat(carpeta, nombre.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (archivo < 0)
        return false;
    const bool escrito = ::write(archivo, contenido.constData(), size_t(contenido.size())) == contenido.size();
    return ::close(archivo) == 0 && escrito;
}

} // namespace

Q_DECLARE_METATYPE(TPreparacion)

class TstConsola : public QObject {
    Q_OBJECT
private slots:
    // Each way of calling it wrong, and each program folder it cannot use
    // now: its own exit status and a Spanish message, nothing imported.
    void invocaciones_data()
    {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<TPreparacion>("preparacion");
        QTest::addColumn<int>("salida");
        QTest::addColumn<QString>("mensaje");
        const auto fila = [](const char* nombre, const QStringList& argumentos, int salida, const QString& mensaje,
                             TPreparacion preparacion = TPreparacion::Nada) {
            QTest::newRow(nombre) << argumentos << preparacion << salida << mensaje;
        };
        const QString correo = QString::fromUtf8(TEntornoImportacion::EMAIL);
        const QString entrada = u"@entrada"_s;
        fila("ayuda", {"--help"}, 0, "Uso: velkor-importar CARPETA --correo CORREO");
        fila("sin carpeta", {"--correo", correo}, 2, "Falta la carpeta");
        fila("sin correo", {entrada}, 2, "Falta el correo electrónico");
        fila("correo sin valor", {entrada, "--correo"}, 2, "Falta el valor de --correo");
        fila("opción desconocida", {entrada, u"--correo="_s + correo, "--rapido"}, 2, "Opción desconocida: --rapido");
        fila("opción desconocida con su valor", {entrada, u"--correo="_s + correo, "--servidr=mysql://root:secreto@h"},
             2, "Opción desconocida: --servidr\n");
        fila("dirección entre las carpetas", {entrada, "mysql://root:secreto@h", "--correo", correo}, 2,
             ", mysql://root:***@h\n");
        fila("contraseña en una dirección sin arroba",
             {entrada, "--correo", correo, "--servidor", "mysql://root:secreto"}, 2,
             "\"mysql://root:***\" no tiene la forma");
        fila("contraseña en la dirección del servidor",
             {entrada, "--correo", correo, "--servidor", "mysql://root:secreto@"}, 2,
             "La dirección del servidor \"mysql://root:***@\" no tiene la forma");
        fila("conciliación en una carpeta inexistente", {"--conciliacion", "/no/existe/c.csv", "--correo", correo}, 3,
             "No se pudo escribir la conciliación en /no/existe/c.csv: No existe.");
        // An option where a value was left out is no value: "--contrasena"
        // never becomes the owner, nor the password a folder in a message.
        fila("correo sin valor antes de otra opción", {entrada, "--correo", "--contrasena"}, 2,
             "Falta el valor de --correo.");
        fila("contraseña tras un correo sin valor", {entrada, "--correo", "--contrasena", "secreto"}, 2,
             "Falta el valor de --correo.");
        fila("correo que no es un correo", {entrada, "--correo", u"dueño"_s}, 2, "no es un correo electrónico válido");
        fila("correo dos veces", {entrada, "--correo", correo, "--correo=otro@ejemplo.mx"}, 2,
             "Se indicó dos veces --correo.");
        fila("conciliación sobre un comprobante",
             {entrada, "--correo", correo, "--conciliacion", entrada + "cfdi40-real.xml"}, 2,
             "cfdi40-real.xml\" ya existe y no es un CSV; no se reemplaza.");
        fila("conciliación sobre el archivo importado",
             {entrada + "cfdi40-real.xml", "--correo", correo, "--conciliacion", entrada + "cfdi40-real.xml"}, 2,
             "es el archivo que se importa");
        fila("conciliación en una carpeta", {"--conciliacion", entrada, "--correo", correo}, 2,
             "\" es una carpeta; indica el nombre del archivo CSV");
        fila("carpeta inexistente", {"/no/existe", "--correo", correo}, 3, "La carpeta \"/no/existe\" no existe.");
        fila("contraseña ajena", {entrada, "--correo", correo, "--contrasena", "otra"}, 4,
             "La contraseña no es la del usuario", TPreparacion::NegocioDelCorreo);
        fila("registro ocupado", {entrada, "--correo", correo}, 5, "Otro programa ocupa el registro de negocios",
             TPreparacion::RegistroOcupado);
        fila("otra importación", {entrada, "--correo", correo}, 5, "ya importa en la carpeta del programa",
             TPreparacion::ImportacionEnCurso);
        // Not "busy": a script that waits and tries again would never end.
        fila("disco lleno", {entrada, "--correo", correo}, 6, "No se pudo empezar la importación: no se pudo escribir",
             TPreparacion::DiscoLleno);
        // Even refused, the run leaves nothing of it open or in the old cipher.
        fila("carpeta de una versión anterior", {entrada, "--correo", "Dueno@Ejemplo.mx", "--contrasena", "otra"}, 4,
             "La contraseña no es la del usuario", TPreparacion::VersionAnterior);
    }
    void invocaciones()
    {
        QFETCH(QStringList, argumentos);
        QFETCH(TPreparacion, preparacion);
        QFETCH(int, salida);
        QFETCH(QString, mensaje);
        TProgramaConsola programa;
        programa.entorno.agrega(u"cfdi40-real.xml"_s);
        argumentos.replaceInStrings(u"@entrada"_s, programa.entorno.entrada());

        if (preparacion == TPreparacion::NegocioDelCorreo) {
            programa.entorno.importaCarpeta();
            Conexiones::cierraHilo();
            QFile::remove(programa.entorno.entrada() + u"cfdi40-real.xml"_s);
            programa.entorno.agrega(u"cfdi32-real.xml"_s);
        }
        const QString registro = programa.entorno.carpeta.archivo(Constantes::DB_USUARIOS);
        if (preparacion == TPreparacion::VersionAnterior) {
            // As unpacked with the usual creation mask.
            TArchivoZip(QStringLiteral(VELKOR_DATOS_PRUEBA "/antiguo/programa.zip"))
                .extraeTodo(programa.entorno.carpeta.ruta(), {});
            QVERIFY(QFile::setPermissions(programa.entorno.carpeta.archivo(u"db"_s), QFile::Permissions(0x7755)));
            QVERIFY(QFile::setPermissions(registro, QFile::Permissions(0x6644)));
        }
        QLockFile candado(programa.entorno.carpeta.archivo(u"db/.importacion.lock"_s));
        if (preparacion == TPreparacion::ImportacionEnCurso)
            QVERIFY(candado.tryLock(0));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"ocupa"_s);
            db.setDatabaseName(registro);
            QVERIFY(db.open());
            QSqlQuery ocupa(db);
            if (preparacion == TPreparacion::RegistroOcupado)
                QVERIFY(ocupa.exec(u"BEGIN EXCLUSIVE"_s));

            const TProgramaConsola::TCorrida corrida = programa.corre(argumentos, TProgramaConsola::clave(), [=] {
                TSenalesTerminacion::desbloquea();
                // No file may grow, as on a full disk (EFBIG, its signal ignored).
                rlimit limite{};
                if (preparacion == TPreparacion::DiscoLleno && ::getrlimit(RLIMIT_FSIZE, &limite) == 0) {
                    limite.rlim_cur = 0;
                    ::signal(SIGXFSZ, SIG_IGN);
                    ::setrlimit(RLIMIT_FSIZE, &limite);
                }
            });
            QCOMPARE(corrida.salida, salida);
            const QString dicho = salida == 0 ? corrida.salidaEstandar : corrida.errores;
            QVERIFY2(dicho.contains(mensaje), qPrintable(dicho));
            QVERIFY2(!dicho.contains(u"secreto"_s), qPrintable(dicho));
            if (preparacion != TPreparacion::NegocioDelCorreo)
                QCOMPARE(TEntornoImportacion::bytes(programa.entorno.entrada() + u"cfdi40-real.xml"_s),
                         TEntornoImportacion::bytes(TEntornoImportacion::dato(u"cfdi40-real.xml"_s)));
            if (salida != 0)
                QVERIFY(corrida.salidaEstandar.isEmpty());
            if (preparacion == TPreparacion::VersionAnterior) {
                QCOMPARE(TCarpetaPrograma::modo(registro), 0600);
                QSqlQuery cadenas(u"SELECT stringConexion FROM Conexion"_s, db);
                QVERIFY(cadenas.next());
                QVERIFY(!cadenas.value(0).toString().startsWith(u"v1:"_s));
            }
            ocupa.exec(u"ROLLBACK"_s);
            db.close();
        }
        QSqlDatabase::removeDatabase(u"ocupa"_s);
        // Nothing of the refused run: no business beyond the prepared one.
        QCOMPARE(registroLocal().getNumeroEmpresas(),
                 preparacion == TPreparacion::NegocioDelCorreo || preparacion == TPreparacion::VersionAnterior ? 1 : 0);
    }

    // A whole run through a pipe: the password on standard input, only the
    // summary on standard output, the report beside the log, and the exit
    // status telling whether a file failed.
    void importa()
    {
        TProgramaConsola programa;
        programa.entorno.agrega(u"cfdi40-real.xml"_s);
        programa.entorno.agrega(u"cfdi32-real.xml"_s, u"sub/32.xml"_s);
        programa.entorno.agrega(u"cfdv2.xml"_s);
        TProgramaConsola::TCorrida corrida = programa.importa();
        QCOMPARE(corrida.salida, 0);
        QVERIFY2(corrida.salidaEstandar.startsWith(u"Proceso Terminado\n\nImportados: 2\nYa existían: 0\n"_s),
                 qPrintable(corrida.salidaEstandar));
        const QString reporte = corrida.salidaEstandar.section(u'\n', -2, -2);
        QVERIFY2(reporte.startsWith(programa.entorno.carpeta.archivo(u"Importacion-"_s)) && QFileInfo(reporte).isFile(),
                 qPrintable(reporte));
        QVERIFY2(corrida.errores.isEmpty(), qPrintable(corrida.errores));
        QCOMPARE(registroLocal().getNumeroEmpresas(), 2);
        // Its owner is the e-mail and the password read from the pipe.
        const std::unique_ptr<TComprobante> comprobante =
            TEntornoImportacion::comprobante(u"CTO021007DZ8"_s, u"80824F3B-323E-407B-8F8E-40D83FE2E69F"_s);
        QVERIFY(comprobante);
        const TConexionSesion conexion = TEntornoImportacion::conexion(u"CTO021007DZ8"_s);
        const std::unique_ptr<TUsuario> usuario =
            TUsuario::getInfoByEmail(QString::fromUtf8(TEntornoImportacion::EMAIL), conexion);
        QVERIFY(usuario);
        Conexiones::cierraHilo();

        programa.entorno.escribe(u"roto.xml"_s, QByteArrayLiteral("<cfdi:Comprobante"));
        corrida = programa.importa();
        QCOMPARE(corrida.salida, 1);
        QVERIFY2(corrida.salidaEstandar.contains(u"\nYa existían: 2\n"_s), qPrintable(corrida.salidaEstandar));
        QVERIFY(corrida.salidaEstandar.contains(u"\nFallidos: 1\n"_s));

        // A metadata row that could not be stored fails the run as a file does.
        QFile::remove(programa.entorno.entrada() + u"roto.xml"_s);
        programa.entorno.escribe(u"sat.txt"_s, TProgramaConsola::ENCABEZADO_SAT +
                                                   "no-es-uuid~EKU9003173C9~x~XAXX010101000~y~z~~~1~I~1~");
        corrida = programa.importa();
        QCOMPARE(corrida.salida, 1);
        // Its reason on screen, as a file's is, its sentence ended once.
        const QString fila = u"\nFilas de metadatos no guardadas: 1\n  %1sat.txt: Metadatos del SAT: 0 filas, 0 "
                             "guardadas, 1 no se guardaron: Línea 2: El UUID"_s.arg(programa.entorno.entrada());
        QVERIFY2(corrida.salidaEstandar.contains(fila) && !corrida.salidaEstandar.contains(u".."_s),
                 qPrintable(corrida.salidaEstandar));
    }

    // A business an earlier run made, met again. With its registry row lost
    // its database stays as it is, and its issuer's files fail saying how to
    // register it again while another issuer's go in. With a saved
    // connection this installation cannot read (its key replaced), the
    // database is found in the business's folder; without one there, the
    // reason says the connection could not be read.
    void negocioYaCreado_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<QString>("motivo"); // of the new file of that issuer; empty: imported
        QTest::newRow("registro sin el negocio")
            << u"sinRegistro"_s << u"ya está en su carpeta (%1), pero la empresa no está registrada en este equipo"_s;
        QTest::newRow("llave de la instalación reemplazada") << u"llave"_s << QString();
        QTest::newRow("llave reemplazada y la base fuera de su carpeta")
            << u"llaveSinBase"_s << u"no se puede leer en esta instalación del programa"_s;
    }
    void negocioYaCreado()
    {
        QFETCH(QString, caso);
        QFETCH(QString, motivo);
        const QString rfc = u"ISD950921HE5"_s;
        TProgramaConsola programa;
        programa.entorno.agrega(u"cfdi40-real.xml"_s);
        QCOMPARE(programa.importa().salida, 0);
        QFile::remove(programa.entorno.entrada() + u"cfdi40-real.xml"_s);
        QString base = NuevoNegocio::archivoLocal(rfc);
        if (caso == "sinRegistro"_L1) {
            QVERIFY(RegistroPrueba::ejecuta(u"DELETE FROM Conexion"_s));
            QVERIFY(RegistroPrueba::ejecuta(u"DELETE FROM NegocioLoggin"_s));
        } else {
            // Another installation's key: one lost is refused at the start
            // (app_tst_motor).
            QVERIFY(TCarpetaPrograma::escribe(programa.entorno.carpeta.archivo(u"Motor/Instalacion.llave"_s),
                                              Secretos::aleatorio(32)));
        }
        if (caso == "llaveSinBase"_L1) {
            QVERIFY(QFile::rename(base, base + u".fuera"_s));
            base += u".fuera"_s;
        }
        programa.entorno.escribe(u"nuevo.xml"_s, TEntornoImportacion::cfdi40(TEntornoImportacion::uuidNuevo()));
        programa.entorno.agrega(u"cfdi32-real.xml"_s);

        const TProgramaConsola::TCorrida corrida = programa.importa();
        const QString reporte =
            QString::fromUtf8(TEntornoImportacion::bytes(corrida.salidaEstandar.section(u'\n', -2, -2)));
        const QString dicho = corrida.salidaEstandar + reporte;
        QCOMPARE(corrida.salida, motivo.isEmpty() ? 0 : 1);
        QVERIFY2(dicho.contains(motivo.isEmpty() ? u"\nImportados: 2\n"_s : u"\nImportados: 1\n"_s), qPrintable(dicho));
        QVERIFY2(reporte.contains(QString(motivo).replace(u"%1"_s, base)), qPrintable(reporte));
        // Never set aside, and holding the vouchers it should.
        QCOMPARE(QDir(QFileInfo(base).absolutePath()).entryList({Constantes::DB_SISTEMA_NOMBRE + u"*"_s}, QDir::Files),
                 QStringList{QFileInfo(base).fileName()});
        const TConexionSesion conexion = TConexionSesion::embebida(base, Sistema::exePath);
        QCOMPARE(TComprobante::cuenta(TCondicion(), conexion), motivo.isEmpty() ? 2 : 1);
        QVERIFY(TEntornoImportacion::comprobante(u"CTO021007DZ8"_s, TEntornoImportacion::MUESTRAS.at(1).second));
        // Found in its folder, it is registered again under this key.
        if (caso == "llave"_L1)
            QCOMPARE(TEntornoImportacion::conexion(rfc).getDatabase(), base);
        if (caso == "sinRegistro"_L1)
            QCOMPARE(TEntornoImportacion::registros(rfc), 0);
        Conexiones::cierraHilo();
    }

    // In Tijuana 2024-03-10 02:30 never happened on the clock (the hour is
    // skipped into daylight saving), yet a voucher written then keeps its
    // dates as written, also when the SAT's cancellation saves it again.
    void horaSaltadaPorElHorarioDeVerano_data()
    {
        QTest::addColumn<bool>("cancelado");
        QTest::newRow("importado") << false;
        QTest::newRow("cancelado por el SAT") << true;
    }
    void horaSaltadaPorElHorarioDeVerano()
    {
        QFETCH(bool, cancelado);
        const TZonaHoraria tijuana("America/Tijuana");
        TProgramaConsola programa;
        const QString uuid = u"C2832671-DA6D-11EF-A83D-00155D012007"_s;
        programa.entorno.escribe(
            u"salto.xml"_s, TEntornoImportacion::variante(
                                u"cfdi40-real.xml"_s,
                                {{"Fecha=\"2025-01-24T10:10:41\"", "Fecha=\"2024-03-10T02:30:00\""},
                                 {"FechaTimbrado=\"2025-01-24T10:10:42\"", "FechaTimbrado=\"2024-03-10T02:31:00\""}}));
        TProgramaConsola::TCorrida corrida = programa.importa();
        QVERIFY2(corrida.salidaEstandar.contains(u"\nImportados: 1\n"_s), qPrintable(corrida.salidaEstandar));
        if (cancelado) {
            programa.entorno.escribe(u"sat.txt"_s,
                                     TProgramaConsola::ENCABEZADO_SAT + uuid.toLatin1() +
                                         "~ISD950921HE5~PASE~COSC8001137NA~CARLOS~SAT970701NN3~2024-03-10 02:30:00~"
                                         "2024-03-10 02:31:00~1000.00~I~0~2024-03-10 02:45:00");
            corrida = programa.importa();
            QVERIFY2(corrida.salida == 0, qPrintable(corrida.salidaEstandar + corrida.errores));
        }
        const std::unique_ptr<TComprobante> comprobante = TEntornoImportacion::comprobante(u"ISD950921HE5"_s, uuid);
        QVERIFY(comprobante);
        // An invalid date and time writes as nothing.
        QCOMPARE(comprobante->getFechaemision().toString(u"yyyy-MM-dd hh:mm:ss.zzz"_s), u"2024-03-10 02:30:00.000"_s);
        QCOMPARE(comprobante->getFechatimbrado().toString(u"hh:mm:ss.zzz"_s), u"02:31:00.000"_s);
        QCOMPARE(comprobante->getEstatus(),
                 cancelado ? TComprobante::ESTADO_FACTURA_CANCELADA : TComprobante::ESTADO_FACTURA_ACTIVA);
        if (cancelado)
            QCOMPARE(comprobante->getFechacancelacion().time(), QTime(2, 45));
        Conexiones::cierraHilo();
    }

    // Nested folders deeper than a path can name (PATH_MAX, 4,096 bytes with
    // its end): a voucher there and a folder there cannot be opened, and each
    // fails with its row saying how to bring it in, while the files before
    // and after them are imported. A link back up does not lead the walk
    // round in circles. A file whose name is not UTF-8 is not passed over
    // either: it fails with its row, in the report and in the exit status.
    void rutaDemasiadoLarga()
    {
        TProgramaConsola programa;
        programa.entorno.agrega(u"cfdi40-real.xml"_s, u"cerca/corto.xml"_s);
        programa.entorno.agrega(u"cfdi32-real.xml"_s, u"zz/despues.xml"_s);
        FILE* f = std::fopen((QFile::encodeName(programa.entorno.entrada()) + "fact\xE1.xml").constData(), "w");
        QVERIFY(f);
        std::fclose(f);
        const QByteArray hondo = QFile::encodeName(programa.entorno.entrada()) + "hondo";
        // The program folder's own removal cannot name what lies that deep;
        // rm walks by descriptors.
        const auto limpia = qScopeGuard([&] {
            QProcess::execute(u"rm"_s, {u"-rf"_s, u"--"_s, QFile::decodeName(hondo)});
        });
        int carpeta =
            ::mkdir(hondo.constData(), 0700) == 0 ? ::open(hondo.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
        const auto cierra = qScopeGuard([&] {
            if (carpeta >= 0)
                ::close(carpeta);
        });
        QByteArray ruta = hondo;
        const QByteArray eslabon(250, 'c');
        while (carpeta >= 0 && ruta.size() + 1 + eslabon.size() < PATH_MAX) {
            carpeta = entraEn(carpeta, eslabon);
            ruta += '/' + eslabon;
        }
        QVERIFY(carpeta >= 0);
        // The deepest folder can still be named; its entries cannot.
        const int largo = qMax(8, int(PATH_MAX - ruta.size()));
        const QByteArray archivo = QByteArray(largo - 4, 'v') + ".xml";
        const QByteArray subcarpeta(largo, 'd');
        QVERIFY(
            escribeEn(carpeta, archivo, TEntornoImportacion::bytes(TEntornoImportacion::dato(u"cfdi33-valid.xml"_s))));
        QVERIFY(::symlinkat("..", carpeta, "arriba") == 0);
        carpeta = entraEn(carpeta, subcarpeta);
        QVERIFY(carpeta >= 0);
        QVERIFY(escribeEn(carpeta, "otro.xml", TEntornoImportacion::cfdi40(TEntornoImportacion::uuidNuevo())));

        const TProgramaConsola::TCorrida corrida = programa.importa();
        QCOMPARE(corrida.salida, 1);
        QVERIFY2(corrida.salidaEstandar.contains(u"\nImportados: 2\n"_s) &&
                     corrida.salidaEstandar.contains(u"\nFallidos: 3\n"_s),
                 qPrintable(corrida.salidaEstandar));
        const QString reporte = corrida.salidaEstandar.section(u'\n', -2, -2);
        const QString filas = QString::fromUtf8(TEntornoImportacion::bytes(reporte));
        QVERIFY2(filas.contains(programa.entorno.entrada() +
                                u"fact\\xE1.xml,Fallido,,,,El nombre del archivo no es texto UTF-8"_s),
                 qPrintable(filas.right(2000)));
        const QString lejos = QFile::decodeName(ruta + '/');
        QVERIFY2(filas.contains(lejos + QFile::decodeName(archivo) +
                                u",Fallido,,,,\"La ruta del archivo es demasiado larga"_s),
                 qPrintable(filas.right(2000)));
        QVERIFY2(filas.contains(lejos + QFile::decodeName(subcarpeta) +
                                u",Fallido,,,,\"La ruta de la carpeta es demasiado larga"_s),
                 qPrintable(filas.right(2000)));
        QVERIFY(TEntornoImportacion::comprobante(u"CTO021007DZ8"_s, u"80824F3B-323E-407B-8F8E-40D83FE2E69F"_s));
        Conexiones::cierraHilo();
    }
};

QTEST_GUILESS_MAIN(TstConsola)
#include "tst_consola.moc"
