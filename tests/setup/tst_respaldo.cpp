#include "CarpetaPrograma.h"
#include "ConPermisosDeUsuario.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Entidades.h"
#include "FirmaPermisos.h"
#include "NegocioPrueba.h"
#include "Prompter.h"
#include "RegistroPrueba.h"
#include "Secretos.h"
#include "Sistema.h"
#include "admin/TEdicionEmpresa.h"
#include "negocio/SecretoNegocio.h"
#include "negocio/TArchivoZip.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/TCadenaConexion.h"
#include "negocio/TNuevoNegocio.h"
#include "setup/TImportarBaseHilo.h"
#include "negocio/TIngreso.h"
#include "setup/TRespaldo.h"
#include "ZipPrueba.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QProcess>
#include <QSqlQuery>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <thread>

#include <sys/stat.h>
#include <zip.h>

using namespace Constantes;
using namespace Qt::StringLiterals;
using Respaldo::TResultado;

namespace {

const QString RFC = u"EKU9003173C9"_s;
const QString EMAIL = u"dueno@escuela.mx"_s;
const QString DEL_RESPALDO = u"Respaldo#1"_s;
const QString ACTUAL = u"Actual#2"_s;

QByteArray huella(const QString& archivo)
{
    const QByteArray bytes = TCarpetaPrograma::lee(archivo);
    return bytes.isEmpty() ? QByteArray() : QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

QString carpetaNegocio(const TCarpetaPrograma& programa)
{
    return programa.archivo(DB_PATH + RFC);
}

// Whatever a restore may have left in the program folder besides businesses.
QStringList restosRestauracion(const TCarpetaPrograma& programa)
{
    return QDir(programa.ruta()).entryList({u".restauracion-*"_s}, QDir::AllEntries | QDir::Hidden) +
           QDir(programa.archivo(DB_PATH)).entryList({u".*"_s}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// A program folder with its registry; given `password`, RFC registered in it
// and its owner signing in with that password.
struct TProgramaConRegistro : TCarpetaPrograma {
    explicit TProgramaConRegistro(const QString& password = {})
    {
        NegocioPrueba::creaRegistro(*this);
        if (!password.isEmpty())
            Conexiones::cierra(NegocioPrueba::crea(RFC, EMAIL, password));
    }
};

enum TFormato { Tradicional, Eliminacion, BaseAnterior };

// A backup of a business whose owner signs in with DEL_RESPALDO, made in a
// program folder of its own and kept in `destino`.
QString creaRespaldo(const QString& destino, TFormato formato)
{
    const TProgramaConRegistro origen(DEL_RESPALDO);
    const QString carpeta = carpetaNegocio(origen);
    if (formato == BaseAnterior)
        QFile::rename(carpeta + u'/' + DB_SISTEMA_NOMBRE, carpeta + u'/' + DB_SISTEMA_NOMBRE_ANTERIOR);
    const QString archivo = destino + u'/' + RFC + RESPALDO_EXTENSION;
    if (formato == Eliminacion) {
        // What deleting the business leaves behind.
        SecretoNegocio::archiva(archivo, RFC,
                                TConexionSesion::embebida(carpeta + u'/' + DB_SISTEMA_NOMBRE, Sistema::exePath),
                                ELIMINACION_PASSWORD, TArchivoZip::TCifrado::Aes128);
    } else {
        TArchivoZip::comprime(archivo, carpeta, DB_PATH + RFC + u'/', RESPALDO_PASSWORD,
                              TArchivoZip::TCifrado::Tradicional);
    }
    return archivo;
}

} // namespace

class TstRespaldo : public QObject {
    Q_OBJECT
private slots:
    void init() { NegocioPrueba::limpiaSesion(); }

    void leeRFCZip_data()
    {
        QTest::addColumn<QStringList>("entradas");
        QTest::addColumn<QString>("rfc");
        QTest::newRow("la primera es carpeta")
            << QStringList{"db/", "db/H&E951128469/", "db/H&E951128469/Velkor.fdb"} << "H&E951128469";
        QTest::newRow("otra carpeta antes") << QStringList{"Facturas/x.xml", "db/EKU9003173C9/a"} << RFC;
        QTest::newRow("sin db") << QStringList{"otra/a.txt"} << QString();
    }
    void leeRFCZip()
    {
        QFETCH(QStringList, entradas);
        QFETCH(QString, rfc);
        QTemporaryDir dir;
        const QString archivo = dir.filePath(u"a.respal33"_s);
        QList<QPair<QString, mode_t>> lista;
        for (const QString& e : entradas)
            lista.append({e, e.endsWith(u'/') ? mode_t(S_IFDIR) : mode_t(0)});
        QVERIFY(ZipPrueba::crudo(archivo, lista));
        QCOMPARE(Respaldo::leeRFCZip(archivo), rfc);
        QCOMPARE(Respaldo::leeRFCZip(dir.filePath(u"no-existe.respal33"_s)), QString());
    }

    void restauraNegocioNuevo_data()
    {
        QTest::addColumn<int>("formato");
        QTest::addColumn<QString>("base");
        QTest::newRow("respaldo (cifrado tradicional)") << int(Tradicional) << DB_SISTEMA_NOMBRE;
        QTest::newRow("archivo de eliminación (AES-128)") << int(Eliminacion) << DB_SISTEMA_NOMBRE;
        QTest::newRow("base de una versión anterior") << int(BaseAnterior) << DB_SISTEMA_NOMBRE_ANTERIOR;
    }
    void restauraNegocioNuevo()
    {
        QFETCH(int, formato);
        QFETCH(QString, base);
        QTemporaryDir guardados;
        const QString archivo = creaRespaldo(guardados.path(), TFormato(formato));
        QVERIFY(!archivo.isEmpty());

        const TProgramaConRegistro programa;
        TColaRespuestas respuestas;
        QCOMPARE(Respaldo::restaurarRespaldo(archivo), TResultado::Restaurado);
        // The business is listed at once: nothing to restart.
        QCOMPARE(respuestas.textos(), QStringList{Respaldo::textoRestaurada(RFC)});
        QVERIFY(QFileInfo(carpetaNegocio(programa) + u'/' + base).isFile());
        // The restored folder and database are their owner's only.
        const QFileDevice::Permissions ajenos =
            QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
        QCOMPARE(QFileInfo(carpetaNegocio(programa)).permissions() & ajenos, QFileDevice::Permissions());
        QCOMPARE(QFileInfo(carpetaNegocio(programa) + u'/' + base).permissions() & ajenos, QFileDevice::Permissions());
        QVERIFY(restosRestauracion(programa).isEmpty());
        QCOMPARE(registroLocal().getEmpresas(), QStringList{RFC + u'|' + RFC});
        QCOMPARE(Ingreso::ingresa(RFC, EMAIL, DEL_RESPALDO), Ingreso::TResultado::Correcto);
    }

    // A restore whose registration the registry refuses says so: the
    // business is in its folder, and the restore run again registers it.
    void restauradaSinRegistro()
    {
        QTemporaryDir guardados;
        const QString archivo = creaRespaldo(guardados.path(), Tradicional);
        const TProgramaConRegistro programa;
        QVERIFY(RegistroPrueba::ejecuta(u"CREATE TRIGGER sinAltas BEFORE INSERT ON NegocioLoggin "
                                        "BEGIN SELECT RAISE(ABORT, 'solo lectura'); END"_s));
        TColaRespuestas respuestas;
        QCOMPARE(Respaldo::restaurarRespaldo(archivo), TResultado::Escritura);
        QVERIFY(QFileInfo(carpetaNegocio(programa) + u'/' + DB_SISTEMA_NOMBRE).isFile());
        QVERIFY(RegistroPrueba::ejecuta(u"DROP TRIGGER sinAltas"_s));
        QCOMPARE(Respaldo::restaurarRespaldo(archivo), TResultado::Restaurado);
        QCOMPARE(respuestas.textos(),
                 (QStringList{Respaldo::ERR_RESTAURADA_SIN_REGISTRO.arg(
                                  RFC, u"el registro de empresas de este equipo no lo aceptó (el detalle está en la "
                                       "bitácora del programa)"_s),
                              Respaldo::textoRestaurada(RFC)}));
        QCOMPARE(registroLocal().getEmpresas(), QStringList{RFC + u'|' + RFC});
    }

    // A backup made in one program folder and restored in another, whose
    // installation key is another, keeps its owner's rights and its key
    // password; the file that carried them is not left behind. An archive of
    // the earlier version (no secrets file, texts and key password in the
    // older cipher) is restored and migrated at sign-in.
    void respaldoLlevaSusSecretos_data()
    {
        QTest::addColumn<int>("forma");
        QTest::newRow("respaldo del editor de la empresa") << 0;
        QTest::newRow("archivo al eliminar la empresa") << 1;
        QTest::newRow("respaldo de la versión anterior") << 2;
    }
    void respaldoLlevaSusSecretos()
    {
        QFETCH(int, forma);
        QTemporaryDir guardados;
        QString archivo = guardados.filePath(RFC + RESPALDO_EXTENSION);
        const QString secretos = DB_PATH + RFC + u'/' + SecretoNegocio::ARCHIVO_RESPALDO;
        if (forma == 2) {
            const TCarpetaPrograma antiguo;
            TArchivoZip(QStringLiteral(VELKOR_DATOS_PRUEBA "/antiguo/programa.zip")).extraeTodo(antiguo.ruta(), {});
            TArchivoZip::comprime(archivo, carpetaNegocio(antiguo), DB_PATH + RFC + u'/', RESPALDO_PASSWORD,
                                  TArchivoZip::TCifrado::Tradicional);
        } else {
            const TProgramaConRegistro origen(DEL_RESPALDO);
            QCOMPARE(Ingreso::ingresa(RFC, EMAIL, DEL_RESPALDO), Ingreso::TResultado::Correcto);
            if (forma == 0) {
                archivo = EdicionEmpresa::guardaRespaldo(guardados.path());
            } else {
                QVERIFY(EdicionEmpresa::elimina().archivado);
                QVERIFY(QFile::rename(Respaldo::archivoEliminacion(RFC), archivo));
            }
            NegocioPrueba::limpiaSesion();
            QVERIFY(TArchivoZip(archivo).busca(secretos) >= 0);
        }

        const TProgramaConRegistro programa;
        TColaRespuestas respuestas;
        QCOMPARE(Respaldo::restaurarRespaldo(archivo), TResultado::Restaurado);
        QVERIFY(!QFileInfo::exists(programa.archivo(secretos)));
        QVERIFY(restosRestauracion(programa).isEmpty());
        // The earlier version's owner signs in as then.
        QCOMPARE(forma == 2 ? Ingreso::ingresa(RFC, u"Dueno@Ejemplo.mx"_s, u"Clave.Antigua1"_s)
                            : Ingreso::ingresa(RFC, EMAIL, DEL_RESPALDO),
                 Ingreso::TResultado::Correcto);
        for (const QString& codigo : {CODIGO_FACTURACION, CODIGO_RESPALDOS, CODIGO_PERMISOS})
            QVERIFY2(Sistema::getPermiso(codigo), qPrintable(codigo));
        QVERIFY(Sistema::UsuarioNegocio->getNivelpermiso().startsWith(FirmaPermisos::PREFIJO));
        const auto certificado = TCertificado::getByNegocio(*Sistema::Negocio, *Sistema::Conexion);
        QVERIFY(!Secretos::esFormaAntigua(certificado->getNegPassword()));
        QCOMPARE(Secretos::descifraLocal(certificado->getNegPassword(), programa.ruta()), NegocioPrueba::PASSWORD_CSD);
        // Nothing to warn about: the business's secret is readable here.
        QCOMPARE(respuestas.textos(), QStringList{Respaldo::textoRestaurada(RFC)});
    }

    // The editor's backup and the deletion run on a thread of their own and
    // say how they go: each step in turn, its thousandths up to the whole,
    // and no cancel offered once the business starts going. A copy that
    // cannot be written (its folder not the user's to write), or that the
    // user stops while it is written or read back, stops everything before
    // the business changes: it stays registered and open to its users,
    // nothing is left where the copy was going, and the user is told why in
    // Spanish. Only a deletion goes on without its copy: the database stays
    // in its folder, and the failed copy is named.
    void largasEnOtroHilo_data()
    {
        QTest::addColumn<bool>("elimina");
        QTest::addColumn<bool>("sinPermiso");   // on the copy's folder
        QTest::addColumn<QString>("detiene");   // the step the user stops in
        QTest::addColumn<QString>("mensaje");   // how the user's text begins; none when all goes well
        QTest::addColumn<QStringList>("pasos"); // told when all goes well
        const QString respaldo = u"Guardando el respaldo de la empresa…"_s;
        const QString copia = u"Guardando la copia de la empresa…"_s;
        const QString revision = u"Revisando la copia guardada…"_s;
        const QString sinPermiso = u"No se pudo escribir el archivo ("_s;
        const QString eliminacion = u"Se canceló la eliminación; la empresa sigue como estaba."_s;
        QTest::newRow("respaldo del editor")
            << false << false << QString() << QString() << QStringList{respaldo, u"Revisando el respaldo guardado…"_s};
        QTest::newRow("eliminación") << true << false << QString() << QString()
                                     << QStringList{copia, revision, u"Eliminando la empresa…"_s};
        QTest::newRow("respaldo en una carpeta ajena") << false << true << QString() << sinPermiso << QStringList();
        QTest::newRow("eliminación sin copia posible") << true << true << QString() << sinPermiso << QStringList();
        QTest::newRow("respaldo cancelado al escribir")
            << false << false << respaldo << u"Se canceló el respaldo; no se guardó ningún archivo."_s << QStringList();
        QTest::newRow("eliminación cancelada al escribir") << true << false << copia << eliminacion << QStringList();
        QTest::newRow("eliminación cancelada al revisar") << true << false << revision << eliminacion << QStringList();
    }
    void largasEnOtroHilo()
    {
        QFETCH(bool, elimina);
        QFETCH(bool, sinPermiso);
        QFETCH(QString, detiene);
        QFETCH(QString, mensaje);
        QFETCH(QStringList, pasos);
        const TProgramaConRegistro programa(DEL_RESPALDO);
        QCOMPARE(Ingreso::ingresa(RFC, EMAIL, DEL_RESPALDO), Ingreso::TResultado::Correcto);
        const EdicionEmpresa::TEmpresaSesion empresa = EdicionEmpresa::empresaSesion();
        QTemporaryDir guardados;
        const QString destino = elimina ? carpetaNegocio(programa) : guardados.path();
        const QStringList antes = QDir(destino).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        const QFileDevice::Permissions permisos = QFileInfo(destino).permissions();
        if (sinPermiso)
            QVERIFY(QFile::setPermissions(destino, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const std::thread::id principal = std::this_thread::get_id();
        QList<EdicionEmpresa::TAvance> avances;
        bool efectivo = false, enOtroHilo = true, cancelado = false;
        QString archivo, error;
        EdicionEmpresa::TEliminacion eliminacion;
        std::thread hilo([&] {
            const TConPermisosDeUsuario comoUsuario;
            efectivo = comoUsuario.efectivo();
            // Stopped once the step has begun its work.
            const EdicionEmpresa::TAviso aviso = [&](const EdicionEmpresa::TAvance& avance) {
                avances << avance;
                enOtroHilo = enOtroHilo && std::this_thread::get_id() != principal;
                return avance.paso != detiene || avance.milesimas < 0;
            };
            try {
                if (elimina)
                    eliminacion = EdicionEmpresa::elimina(empresa, aviso);
                else
                    archivo = EdicionEmpresa::guardaRespaldo(guardados.path(), empresa, aviso);
            } catch (const EArchivoCancelado& e) {
                cancelado = true;
                error = e.mensaje();
            } catch (const EVelkor& e) {
                error = e.mensaje();
            }
            Conexiones::cierraHilo();
        });
        hilo.join();
        QFile::setPermissions(destino, permisos);
        QVERIFY(enOtroHilo);
        if (!pasos.isEmpty()) {
            QCOMPARE(error, QString());
            QStringList vistos;
            for (const EdicionEmpresa::TAvance& a : std::as_const(avances)) {
                if (vistos.isEmpty() || vistos.last() != a.paso)
                    vistos << a.paso;
                else
                    QVERIFY2(a.milesimas >= 0 && a.milesimas <= 1000, qPrintable(a.paso));
                QCOMPARE(a.cancelable, a.paso != u"Eliminando la empresa…"_s);
            }
            QCOMPARE(vistos, pasos);
            // Writing and reading back are told to their end.
            for (const QString& paso : pasos.first(2)) {
                int ultimo = -1;
                for (const EdicionEmpresa::TAvance& a : std::as_const(avances))
                    if (a.paso == paso) {
                        QVERIFY(a.milesimas >= ultimo);
                        ultimo = a.milesimas;
                    }
                QCOMPARE(ultimo, 1000);
            }
            TArchivoZip(elimina ? eliminacion.archivo : archivo)
                .verifica(elimina ? ELIMINACION_PASSWORD : RESPALDO_PASSWORD);
            QCOMPARE(registroLocal().getNumeroEmpresas(), elimina ? 0 : 1);
            return;
        }
        if (!efectivo)
            QSKIP("this sandbox keeps the superuser's file permissions");

        const bool eliminada = elimina && sinPermiso;
        if (eliminada)
            error = eliminacion.falloCopia;
        QVERIFY2(error.startsWith(mensaje), qPrintable(error));
        QVERIFY2(!sinPermiso || error.endsWith(u"): No tienes permiso"_s), qPrintable(error));
        QCOMPARE(cancelado, !detiene.isEmpty());
        QCOMPARE(QDir(destino).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), antes);
        QVERIFY(!eliminacion.archivado);
        QCOMPARE(registroLocal().getNumeroEmpresas(), eliminada ? 0 : 1);
        if (eliminada) {
            QCOMPARE(eliminacion.empresasActivas, 0);
            return;
        }
        NegocioPrueba::limpiaSesion();
        QCOMPARE(Ingreso::ingresa(RFC, EMAIL, DEL_RESPALDO), Ingreso::TResultado::Correcto);
        QCOMPARE(Sistema::Negocio->getStatus(), TNegocio::ESTATUS_ACTIVO);
    }

    void restauraSobreRegistrado_data()
    {
        QTest::addColumn<bool>("deshabilitado");
        QTest::addColumn<int>("respuesta");
        QTest::addColumn<int>("resultado");
        QTest::newRow("conserva el actual") << false << int(TPrompter::CANCELAR) << int(TResultado::Cancelado);
        QTest::newRow("sobrescribe") << false << int(TPrompter::OK) << int(TResultado::Restaurado);
        QTest::newRow("deshabilitado, sobrescribe") << true << int(TPrompter::OK) << int(TResultado::Restaurado);
    }
    void restauraSobreRegistrado()
    {
        QFETCH(bool, deshabilitado);
        QFETCH(int, respuesta);
        QFETCH(int, resultado);
        QTemporaryDir guardados;
        const QString archivo = creaRespaldo(guardados.path(), Tradicional);
        const TProgramaConRegistro programa(ACTUAL);
        if (deshabilitado)
            registroLocal().deshabilitaEstatusEmpresa(RFC);
        // The copy kept when the business was deleted may hold later work
        // than the archive restored over it: it stays.
        QVERIFY(TCarpetaPrograma::escribe(Respaldo::archivoEliminacion(RFC), "copia al eliminar"));

        TColaRespuestas respuestas;
        respuestas.agregaRespuesta(respuesta);
        QCOMPARE(int(Respaldo::restaurarRespaldo(archivo)), resultado);
        QCOMPARE(respuestas.textos(), QStringList{CONFIRMA_SOBRESCRIBE_RESPALDO + SALTO + RESPALDO_NO_REVERTIR});
        QVERIFY(restosRestauracion(programa).isEmpty());
        QCOMPARE(TCarpetaPrograma::lee(Respaldo::archivoEliminacion(RFC)), QByteArray("copia al eliminar"));
        const bool restaurado = resultado == int(TResultado::Restaurado);
        // A restored business is listed, once, even when its registration had
        // been disabled.
        QCOMPARE(registroLocal().getNumeroEmpresas(), deshabilitado && !restaurado ? 0 : 1);
        NegocioPrueba::limpiaSesion();
        QCOMPARE(Ingreso::ingresa(RFC, EMAIL, restaurado ? DEL_RESPALDO : ACTUAL), Ingreso::TResultado::Correcto);
    }

    void rechazaSinCambiarNada_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<int>("resultado");
        QTest::addColumn<QString>("mensaje");
        QTest::newRow("contraseña ajena") << "ajena" << int(TResultado::PasswordIncorrecto) << ERR_RESPALDO_PASSWORD;
        QTest::newRow("contraseña ajena, RFC nuevo")
            << "nuevo" << int(TResultado::PasswordIncorrecto) << ERR_RESPALDO_PASSWORD;
        QTest::newRow("contraseña ajena que pasa la primera prueba")
            << "engana" << int(TResultado::PasswordIncorrecto) << ERR_RESPALDO_PASSWORD;
        QTest::newRow("datos dañados") << "danado" << int(TResultado::Danado) << ERR_RESPALDO_DANADO;
        QTest::newRow("cortado") << "cortado" << int(TResultado::NoSeAbre) << ERR_RESPALDO_NO_ABRE;
        QTest::newRow("sube con ../") << "sube" << int(TResultado::Inseguro) << ERR_RESPALDO_INSEGURO;
        QTest::newRow("ruta absoluta") << "absoluta" << int(TResultado::Inseguro) << ERR_RESPALDO_INSEGURO;
        QTest::newRow("enlace simbólico") << "enlace" << int(TResultado::Inseguro) << ERR_RESPALDO_INSEGURO;
        QTest::newRow("otra carpeta del programa") << "programa" << int(TResultado::Inseguro) << ERR_RESPALDO_INSEGURO;
        QTest::newRow("sin carpeta de empresa") << "sinrfc" << int(TResultado::SinRFC) << ERR_RESPALDO_SIN_RFC;
        QTest::newRow("sin base de datos") << "sinbase" << int(TResultado::SinBase) << ERR_RESPALDO_SIN_BASE;
        // Names under db/ that are the program's own, or no RFC at all, never
        // become a business folder.
        QTest::newRow("el registro como empresa")
            << "db/Usuarios.db" << int(TResultado::SinRFC) << ERR_RESPALDO_SIN_RFC;
        QTest::newRow("el catálogo como empresa") << "db/CFDCAT.DB" << int(TResultado::SinRFC) << ERR_RESPALDO_SIN_RFC;
        QTest::newRow("nombre que no es RFC") << "db/no es un rfc" << int(TResultado::SinRFC) << ERR_RESPALDO_SIN_RFC;
        QTest::newRow("RFC en minúsculas") << "db/eku9003173c9" << int(TResultado::SinRFC) << ERR_RESPALDO_SIN_RFC;
        QTest::newRow("texto en lugar de la base")
            << "texto" << int(TResultado::BaseIlegible) << Respaldo::ERR_BASE_ILEGIBLE;
        QTest::newRow("se expande mil veces")
            << "bomba" << int(TResultado::Excesivo) << Respaldo::ERR_EXCESIVO.arg(u"100"_s);
    }
    void rechazaSinCambiarNada()
    {
        QFETCH(QString, caso);
        QFETCH(int, resultado);
        QFETCH(QString, mensaje);
        // "nuevo": the RFC is not registered, and must not be afterwards.
        const bool registrado = caso != "nuevo"_L1;
        const TProgramaConRegistro programa(registrado ? ACTUAL : QString());
        const QString base = carpetaNegocio(programa) + u'/' + DB_SISTEMA_NOMBRE;
        const QByteArray antes = huella(base);
        const QStringList archivosAntes = QDir(carpetaNegocio(programa)).entryList(QDir::AllEntries | QDir::Hidden);

        // The archives hold a real business folder, or entries our writer never makes.
        QTemporaryDir dir;
        const QString fuente = dir.filePath(u"fuente"_s);
        QDir().mkpath(fuente);
        QVERIFY(QFile::copy(TCarpetaPrograma::plantillaNegocio(), fuente + u'/' + DB_SISTEMA_NOMBRE));
        const QString archivo = dir.filePath(u"r.respal33"_s);
        const QString prefijo = DB_PATH + RFC + u'/';
        const QString fuera = QFileInfo(programa.ruta() + u"../velkor-fuera-respaldo.txt"_s).absoluteFilePath();
        if (caso == "ajena"_L1 || caso == "nuevo"_L1) {
            TArchivoZip::comprime(archivo, fuente, prefijo, u"otra"_s, TArchivoZip::TCifrado::Tradicional);
        } else if (caso == "engana"_L1) {
            // A small database keeps the search for such an archive short.
            const QString pequena = dir.filePath(u"pequena"_s);
            QVERIFY(TCarpetaPrograma::escribe(pequena + u'/' + DB_SISTEMA_NOMBRE, QByteArray(20000, 'v')));
            QVERIFY(ZipPrueba::tradicionalQueEngana(archivo, pequena, prefijo, u"otra"_s, RESPALDO_PASSWORD));
        } else if (caso == "bomba"_L1) {
            // 100 MB of zeros in place of the database: a few hundred KB archived.
            const QString ceros = dir.filePath(u"ceros"_s);
            const QString relleno = ceros + u'/' + DB_SISTEMA_NOMBRE;
            QVERIFY(TCarpetaPrograma::escribe(relleno, {}) && QFile::resize(relleno, 100 << 20));
            TArchivoZip::comprime(archivo, ceros, prefijo, RESPALDO_PASSWORD, TArchivoZip::TCifrado::Tradicional);
        } else if (caso == "danado"_L1 || caso == "cortado"_L1) {
            TArchivoZip::comprime(archivo, fuente, prefijo, ELIMINACION_PASSWORD, TArchivoZip::TCifrado::Aes128);
            QByteArray bytes = TCarpetaPrograma::lee(archivo);
            if (caso == "cortado"_L1) {
                bytes.truncate(bytes.size() / 2);
            } else {
                for (qsizetype i = bytes.size() / 2; i < bytes.size() / 2 + 64; ++i)
                    bytes[i] = char(bytes.at(i) ^ 0x5a);
            }
            QVERIFY(TCarpetaPrograma::escribe(archivo, bytes));
        } else {
            QList<QPair<QString, mode_t>> entradas{{prefijo + DB_SISTEMA_NOMBRE, 0}};
            if (caso == "sube"_L1)
                entradas.append({prefijo + u"../../../velkor-fuera-respaldo.txt"_s, 0});
            else if (caso == "absoluta"_L1)
                entradas.append({fuera, 0});
            else if (caso == "enlace"_L1)
                entradas.append({prefijo + u"enlace"_s, S_IFLNK});
            else if (caso == "programa"_L1)
                entradas.append({u"Lib/libComunes.so"_s, 0});
            else if (caso == "sinrfc"_L1)
                entradas = {{u"otra/"_s + DB_SISTEMA_NOMBRE, 0}};
            else if (caso == "sinbase"_L1)
                entradas = {{prefijo + QVX_FILE, 0}};
            else if (caso.startsWith(DB_PATH))
                entradas = {{caso + u'/' + DB_SISTEMA_NOMBRE, 0}};
            QVERIFY(ZipPrueba::crudo(archivo, entradas));
        }

        TColaRespuestas respuestas;
        QCOMPARE(int(Respaldo::restaurarRespaldo(archivo)), resultado);
        QCOMPARE(respuestas.textos(), QStringList{mensaje});
        QCOMPARE(huella(base), antes);
        QCOMPARE(QDir(carpetaNegocio(programa)).entryList(QDir::AllEntries | QDir::Hidden), archivosAntes);
        QVERIFY(restosRestauracion(programa).isEmpty());
        QVERIFY(!QFileInfo::exists(fuera));
        QVERIFY(!QFileInfo::exists(programa.archivo(u"Lib/libComunes.so"_s)));
        QCOMPARE(registroLocal().getNumeroEmpresas(), registrado ? 1 : 0);
        QCOMPARE(registroLocal().getEmpresaDetalle(RFC).isEmpty(), !registrado);
    }

    // The registry is rebuilt from what the program writes: business folders
    // with their database, read with the embedded engine, one registration
    // per business with an active user; the result lets the owner sign in.
    // A business on a server lives only in its registration: it is kept as
    // it was, and a copy of it in db/ does not take its place. A registration
    // that reads neither here nor in a folder keeps the old registry aside.
    void reconstruyeRegistro()
    {
        const TProgramaConRegistro programa;
        const QString dos = u"H&E951128469"_s;
        const TConexionSesion primero = NegocioPrueba::crea(RFC, EMAIL, ACTUAL);
        NegocioPrueba::crea(dos, u"he@escuela.mx"_s, ACTUAL, u"H & E"_s);
        const TConexionSesion sinUsuarios = NegocioPrueba::crea(u"SIN010101AAA"_s, EMAIL, ACTUAL);
        const TConexionSesion anterior = NegocioPrueba::crea(u"ANT010101AAA"_s, EMAIL, ACTUAL);
        // A second active user of the first business.
        TUsuario otro;
        otro.setEmail(u"otro@escuela.mx"_s);
        TUsuario::saveOrUpdate(otro, TUnidadTrabajo(primero, -1));
        {
            QSqlQuery q(Conexiones::baseDatos(sinUsuarios));
            QVERIFY(q.exec(u"UPDATE USUARIO SET STATUS = 1"_s));
        }
        Conexiones::cierraHilo();
        QVERIFY(QFile::rename(anterior.getDatabase(),
                              QFileInfo(anterior.getDatabase()).absolutePath() + u'/' + DB_SISTEMA_NOMBRE_ANTERIOR));
        QDir().mkpath(programa.archivo(u"db/SINBASE"_s));
        QVERIFY(TCarpetaPrograma::escribe(programa.archivo(u"db/ROTO/"_s) + DB_SISTEMA_NOMBRE, QByteArray(40000, 'x')));
        // On a server (none is needed to register it), with a stale copy in db/.
        const QString servidor = u"SRV010101AAA"_s;
        Conexiones::cierra(NegocioPrueba::crea(servidor, EMAIL, ACTUAL));
        QVERIFY(registroLocal().deshabilitaEstatusEmpresa(servidor));
        const TConexionSesion enServidor = TConexionSesion::servidor(TMotor::MariaDB, u"velkor"_s, u"una clave larga"_s,
                                                                     u"192.0.2.10"_s, u"3306"_s, u"velkor_srv"_s);
        NuevoNegocio::registraNegocio(QString(), servidor, u"En el servidor"_s,
                                      NuevoNegocio::destinoServidor(enServidor));
        const QStringList camposServidor =
            TCadenaConexion::deGuardada(registroLocal().getEmpresaDetalle(servidor).value(2)).campos();
        // Enciphered under another installation's key, with no folder here.
        const QString deOtra = Secretos::cifra(camposServidor.join(u'|'), QByteArray(32, 'k'));
        QVERIFY(RegistroPrueba::ejecuta(
            u"INSERT INTO NegocioLoggin (nombre, rfc, estatus) VALUES ('Otra', 'OTR010101AAA', 0)"_s));
        QVERIFY(RegistroPrueba::ejecuta(u"INSERT INTO Conexion (stringConexion, idNegocioLogginFk) "
                                        u"SELECT ?, idNegocioLoggin FROM NegocioLoggin WHERE rfc = 'OTR010101AAA'"_s,
                                        {deOtra}));
        const QByteArray registroAnterior = huella(programa.archivo(DB_USUARIOS));
        Conexiones::cierraHilo();

        // The working folder has a registry of its own, which is not the program's.
        QTemporaryDir trabajo;
        QVERIFY(TCarpetaPrograma::escribe(trabajo.filePath(DB_USUARIOS), "no tocar"));
        const QString original = QDir::currentPath();
        QDir::setCurrent(trabajo.path());

        TColaRespuestas respuestas;
        Respaldo::TRegistroConservado conservado;
        const bool reiniciado = Respaldo::reiniciaRegistro(&conservado);
        QDir::setCurrent(original);
        QVERIFY(reiniciado);
        QCOMPARE(respuestas.textos(), QStringList{CONFIRMA_RESTAURA_REGISTRO});
        QCOMPARE(huella(trabajo.filePath(DB_USUARIOS)),
                 QCryptographicHash::hash("no tocar", QCryptographicHash::Sha256));
        QCOMPARE(registroLocal().getEmpresas(), QStringList{servidor + u"|En el servidor"_s});
        QCOMPARE(TCadenaConexion::deGuardada(registroLocal().getEmpresaDetalle(servidor).value(2)).campos(),
                 camposServidor);
        QCOMPARE(conservado.servidores, QStringList{servidor});
        QCOMPARE(huella(conservado.anterior), registroAnterior);
        QCOMPARE(TCarpetaPrograma::modo(conservado.anterior), 0600);

        TImportarBaseHilo hilo;
        QSignalSpy terminado(&hilo, &TImportarBaseHilo::terminado);
        hilo.start();
        QVERIFY(terminado.wait(120000));
        QCOMPARE(terminado.first().at(0).toStringList(), (QStringList{"ANT010101AAA", RFC, dos}));
        QCOMPARE(terminado.first().at(1).toStringList(),
                 (QStringList{programa.archivo(u"db/ROTO/"_s) + DB_SISTEMA_NOMBRE, sinUsuarios.getDatabase()}));
        QCOMPARE(registroLocal().getEmpresas(),
                 (QStringList{servidor + u"|En el servidor"_s, "ANT010101AAA|NEGOCIO DE PRUEBA SA DE CV",
                              RFC + u"|NEGOCIO DE PRUEBA SA DE CV"_s, dos + u"|H & E"_s}));
        const QString informe = Respaldo::informeReconstruccion(terminado.first().at(0).toStringList(),
                                                                terminado.first().at(1).toStringList(), conservado);
        QVERIFY2(informe.startsWith(u"Se registraron de nuevo 3 empresa(s)"_s), qPrintable(informe));
        QVERIFY2(
            informe.contains(u"Se conservaron 1 empresa(s) cuya base de datos está en un servidor:\n"_s + servidor),
            qPrintable(informe));
        QVERIFY2(informe.contains(QFileInfo(conservado.anterior).fileName()), qPrintable(informe));
        QCOMPARE(Ingreso::ingresa(RFC, EMAIL, ACTUAL), Ingreso::TResultado::Correcto);
        NegocioPrueba::limpiaSesion();
        QCOMPARE(Ingreso::ingresa(u"H_E951128469"_s, u"he@escuela.mx"_s, ACTUAL), Ingreso::TResultado::Correcto);
        NegocioPrueba::limpiaSesion();
        QCOMPARE(Ingreso::ingresa(u"ANT010101AAA"_s, EMAIL, ACTUAL), Ingreso::TResultado::Correcto);
    }

    void registroNoSeReinicia_data()
    {
        QTest::addColumn<int>("respuesta");
        QTest::addColumn<bool>("bloqueado");
        QTest::addColumn<QStringList>("textos");
        QTest::newRow("cancelado") << int(TPrompter::CANCELAR) << false << QStringList{CONFIRMA_RESTAURA_REGISTRO};
        QTest::newRow("no se puede reemplazar")
            << int(TPrompter::OK) << false << QStringList{CONFIRMA_RESTAURA_REGISTRO, ERR_REGISTRO_ADMINISTRADOR};
        // Sound, but another program holds it while its list is read: what
        // it holds is unknown, and an empty one would lose it.
        QTest::newRow("su lista no se puede leer")
            << int(TPrompter::OK) << true << QStringList{CONFIRMA_RESTAURA_REGISTRO, ERR_REGISTRO_ADMINISTRADOR};
    }
    void registroNoSeReinicia()
    {
        QFETCH(int, respuesta);
        QFETCH(bool, bloqueado);
        QFETCH(QStringList, textos);
        const TCarpetaPrograma programa;
        const QString registro = programa.archivo(DB_USUARIOS);
        if (respuesta == TPrompter::OK && !bloqueado) {
            // A registry path nothing can be renamed over: a folder with content.
            QVERIFY(TCarpetaPrograma::escribe(registro + u"/x"_s, {}));
        } else {
            NegocioPrueba::creaRegistro(programa);
            Conexiones::cierra(NegocioPrueba::crea(RFC, EMAIL, ACTUAL));
        }
        const QByteArray antes = huella(registro);
        TColaRespuestas respuestas;
        respuestas.agregaRespuesta(respuesta);
        {
            std::optional<RegistroPrueba::TBloqueo> bloqueo;
            if (bloqueado)
                QVERIFY(bloqueo.emplace().activo());
            QVERIFY(!Respaldo::reiniciaRegistro());
        }
        QCOMPARE(respuestas.textos(), textos);
        QCOMPARE(huella(registro), antes);
        QVERIFY(!QFileInfo::exists(registro + u".nuevo"_s));
        QVERIFY(QDir(programa.archivo(DB_PATH)).entryList({u"*.anterior-*"_s}).isEmpty());
    }

    // A backup that needs more room than the disk has is refused before a
    // byte is written. The program folder lies on a disk of 100 MB of its
    // own: the test runs again in a second process, in a mount namespace of
    // its own where a small tmpfs is the temporary folder.
    void sinEspacioEnElDisco()
    {
        if (qEnvironmentVariableIsSet("VELKOR_HIJO_SIN_ESPACIO"))
            return restauraSinEspacio();
        // Outside /tmp: the child gets a /tmp of its own. Run by root on a
        // computer with a Firebird server installed, the engine hands its
        // lock files in /tmp to the "firebird" account, which the child's
        // namespace cannot reach.
        QTemporaryDir montaje(QDir::homePath() + u"/.velkor-montaje-XXXXXX"_s);
        QProcess hijo;
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert(u"VELKOR_HIJO_SIN_ESPACIO"_s, u"1"_s);
        entorno.insert(u"TMPDIR"_s, montaje.path());
        hijo.setProcessEnvironment(entorno);
        hijo.setProcessChannelMode(QProcess::MergedChannels);
        hijo.start(
            u"unshare"_s,
            {"--user", "--map-root-user", "--mount", "sh", "-c",
             "mount -t tmpfs -o size=100m tmpfs \"$TMPDIR\" && mount -t tmpfs -o mode=1777 tmpfs /tmp || exit 77; "
             "exec \"$0\" sinEspacioEnElDisco",
             QCoreApplication::applicationFilePath()});
        QVERIFY(hijo.waitForFinished(120000));
        const QString salida = QString::fromLocal8Bit(hijo.readAll());
        if (hijo.exitCode() == 77)
            QSKIP(qPrintable(u"Este sistema no deja montar un disco propio: "_s + salida));
        QVERIFY2(hijo.exitCode() == 0, qPrintable(salida));
    }

private:
    void restauraSinEspacio()
    {
        const TProgramaConRegistro programa(ACTUAL);
        QVERIFY(QStorageInfo(programa.ruta()).bytesTotal() <= 100ll << 20);
        const QString base = carpetaNegocio(programa) + u'/' + DB_SISTEMA_NOMBRE;
        const QByteArray antes = huella(base);
        // 40 MB of zeros in place of the database: small enough that the
        // ratio is not asked, and with the margin more than the disk has left.
        QTemporaryDir dir(QDir::homePath() + u"/.velkor-prueba-XXXXXX"_s);
        const QString ceros = dir.filePath(u"ceros"_s);
        const QString relleno = ceros + u'/' + DB_SISTEMA_NOMBRE;
        QVERIFY(TCarpetaPrograma::escribe(relleno, {}) && QFile::resize(relleno, 40 << 20));
        const QString archivo = dir.filePath(u"r.respal33"_s);
        TArchivoZip::comprime(archivo, ceros, DB_PATH + RFC + u'/', RESPALDO_PASSWORD,
                              TArchivoZip::TCifrado::Tradicional);

        TColaRespuestas respuestas;
        QCOMPARE(int(Respaldo::restaurarRespaldo(archivo)), int(TResultado::Escritura));
        QCOMPARE(respuestas.textos().size(), 1);
        QVERIFY2(respuestas.textos().first().startsWith(u"No hay espacio en el disco para restaurar"_s),
                 qPrintable(respuestas.textos().first()));
        QCOMPARE(huella(base), antes);
        QVERIFY(restosRestauracion(programa).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstRespaldo)
#include "tst_respaldo.moc"
