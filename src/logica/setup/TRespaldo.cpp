#include "TRespaldo.h"

#include "Archivos.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Errores.h"
#include "Esquema.h"
#include "Logmanager.h"
#include "Prompter.h"
#include "negocio/Reemplazo.h"
#include "negocio/SecretoNegocio.h"
#include "Signerutils.h"
#include "Sistema.h"
#include "negocio/TArchivoZip.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/TCadenaConexion.h"
#include "negocio/TNuevoNegocio.h"
#include "negocio/Utils.h"
#include "negocio/VolcadoNegocio.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSqlQuery>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <memory>

using namespace Constantes;

namespace Respaldo {

namespace {

const QString CARPETA_DB = QStringLiteral("db");

// The RFC taken from the first file entry under "db/", as leeRFCZip reads it.
QString rfcDe(const TArchivoZip& zip)
{
    const QString prefijo = CARPETA_DB + QLatin1Char('/');
    for (const TArchivoZip::TEntrada& e : zip.entradas()) {
        if (e.directorio)
            continue;
        QString nombre = e.original;
        nombre.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (nombre.startsWith(prefijo))
            return nombre.mid(prefijo.size()).section(QLatin1Char('/'), 0, 0);
    }
    return {};
}

// Only an RFC names a business folder: the registry (Usuarios.db), the
// catalogue (CFDCAT.DB) or any other name under db/ would put a restored
// folder in the place of what the program itself keeps there.
bool rfcUsable(const QString& rfc)
{
    return Signerutils::esRfcValido(rfc);
}

// The business database of a business folder: the current name, or the one
// of older versions.
QString baseDatosEn(const QString& carpeta)
{
    for (const QString& nombre : {DB_SISTEMA_NOMBRE, DB_SISTEMA_NOMBRE_ANTERIOR}) {
        const QString ruta = carpeta + QLatin1Char('/') + nombre;
        if (QFileInfo(ruta).isFile())
            return ruta;
    }
    return {};
}

TResultado falla(TResultado resultado, const QString& texto, const QString& detalle)
{
    if (!detalle.isEmpty())
        Logmanager::Log(QStringLiteral("Restauración de respaldo: ") + detalle, 1, Sistema::exePath);
    Utils::mensaje(texto, MSG_ERROR);
    return resultado;
}

// What the archive would expand to is checked before a byte is written: the
// sizes its entries declare (extraction writes no more than those), against
// the limits and the disk's free space.
TResultado revisaTamano(const TArchivoZip& zip, const QString& archivo, const QString& carpetaNegocio)
{
    const quint64 expandido = zip.expandido();
    // A dump becomes a database beside it, which takes about as much as the
    // dump itself (the template's few megabytes fit in the margin).
    const int volcado = zip.busca(carpetaNegocio + QLatin1Char('/') + VolcadoNegocio::ARCHIVO);
    const quint64 necesario = expandido + (volcado >= 0 ? zip.entradas().at(volcado).tamano : 0);
    const quint64 comprimido = quint64(std::max<qint64>(QFileInfo(archivo).size(), 1));
    if (TArchivoZip::excedeLimites(expandido, comprimido))
        return falla(
            TResultado::Excesivo, ERR_EXCESIVO.arg(TArchivoZip::megas(expandido)),
            QStringLiteral("%1 se expandiría a %2 bytes desde %3").arg(archivo).arg(expandido).arg(comprimido));
    const QStorageInfo disco(Sistema::exePath);
    const quint64 libre = disco.isValid() ? quint64(std::max<qint64>(disco.bytesAvailable(), 0)) : 0;
    if (disco.isValid() && necesario + MARGEN_LIBRE > libre)
        return falla(TResultado::Escritura,
                     ERR_SIN_ESPACIO.arg(TArchivoZip::megas(necesario + MARGEN_LIBRE), TArchivoZip::megas(libre)),
                     QStringLiteral("sin espacio para %1").arg(archivo));
    return TResultado::Restaurado;
}

// The engine itself must open the database before it replaces anything: a
// text file named like a database would otherwise take the real one's place.
// `version` is the schema version it records, which a later version of the
// program may have raised past this one's.
bool abreConMotor(const QString& base, int& version)
{
    const TConexionSesion conexion = TConexionSesion::embebida(base, Sistema::exePath);
    bool abre = false;
    try {
        QSqlQuery consulta(Conexiones::baseDatos(conexion));
        abre = consulta.exec(QStringLiteral("SELECT 1 FROM RDB$DATABASE")) && consulta.next();
        if (abre)
            version = Esquema::versionRegistrada(conexion);
    } catch (const EBaseDatos& e) {
        Logmanager::Log(QStringLiteral("Restauración de respaldo: ") + e.mensaje(), 1, Sistema::exePath);
    }
    Conexiones::cierra(conexion);
    return abre;
}

// A registered RFC keeps its registration only when one is active and leads
// to a database that exists; otherwise the restored business would not be
// listed, or would be listed without its data.
bool necesitaRegistro(const QString& rfc, const QStringList& detalle)
{
    if (detalle.isEmpty())
        return true;
    const QStringList activas = registroLocal().getEmpresas();
    const bool activa = std::any_of(activas.cbegin(), activas.cend(),
                                    [&](const QString& linea) { return linea.section(QLatin1Char('|'), 0, 0) == rfc; });
    if (!activa)
        return true;
    TConexionSesion conexion;
    try {
        return !Utils::evaluaConexion(conexion, detalle.value(2));
    } catch (const ECifrado&) {
        return true;
    }
}

// Whether the RFC's last registration is an active one that leads to the
// file `base` of this program folder. A dump's business was on a server:
// its registration, if any, still leads there.
bool registradaEn(const QString& rfc, const QStringList& detalle, const QString& base)
{
    if (detalle.isEmpty())
        return false;
    // Read here rather than through the sign-in rule, which would reach for
    // the server.
    const TCadenaConexion campos = TCadenaConexion::deGuardada(detalle.value(2));
    TConexionSesion motor;
    motor.setProvider(campos.getProveedor());
    if (!campos.legible() || (motor.enServidor() && !campos.getServidor().trimmed().isEmpty()) ||
        QFileInfo(campos.baseDatosEn(Sistema::exePath)).absoluteFilePath() != QFileInfo(base).absoluteFilePath())
        return false;
    return !necesitaRegistro(rfc, detalle);
}

// The empty business database, as a new business gets it: the program's
// template, or the same made here when the resource package lacks it.
void creaBaseVacia(const QString& base)
{
    const QByteArray plantilla = Utils::bytesRecurso(DB_SISTEMA_NOMBRE_RESOURCE, Sistema::exePath);
    if (!plantilla.isEmpty()) {
        Archivos::creaPrivado(base, plantilla);
        return;
    }
    Conexiones::creaBaseDatos(base, Sistema::exePath);
    const TConexionSesion conexion = TConexionSesion::embebida(base, Sistema::exePath);
    Esquema::completaTodo(conexion);
    Conexiones::cierra(conexion);
}

// A dump step of a restore told to `aviso`: `paso`, and the count
// VolcadoNegocio reports, as rows or as a percentage of the dump's bytes.
// Never stops the work: a restore cannot be cancelled.
VolcadoNegocio::TAvance avanceVolcado(const TAviso& aviso, const QString& paso, bool enFilas)
{
    if (!aviso)
        return {};
    return [aviso, paso, enFilas](qint64 hechas, qint64 total) {
        const QLocale local(QLocale::Spanish, QLocale::Mexico);
        const int milesimas = total > 0 ? int(hechas * 1000 / total) : 1000;
        aviso({paso,
               enFilas ? QStringLiteral("%1 de %2").arg(local.toString(hechas), local.toString(total))
                       : QStringLiteral("%1 %").arg(milesimas / 10),
               milesimas});
        return true;
    };
}

// Back to the restore's own work, which cannot tell how far it went.
void sinMedida(const TAviso& aviso)
{
    if (aviso)
        aviso({});
}

// The dump file `volcado` read into the database on `destino`.
VolcadoNegocio::TResumen cargaDe(const QString& volcado, const TConexionSesion& destino,
                                 const VolcadoNegocio::TAvance& avance = {})
{
    QFile entrada(volcado);
    if (!entrada.open(QIODevice::ReadOnly)) {
        // The system's error number says why in Spanish; Qt's own texts are
        // English.
        const int numero = errno;
        throw EEntradaSalida(QStringLiteral("No se pudo leer %1: %2").arg(volcado, Errores::delSistema(numero)));
    }
    return VolcadoNegocio::carga(entrada, destino, avance);
}

// The extracted folder of an archive that carries a dump gets its database
// from it; the dump is removed once loaded. `base` is the database made.
TResultado cargaVolcado(const QString& extraida, const QString& archivo, QString& base, const TAviso& aviso)
{
    const QString volcado = extraida + QLatin1Char('/') + VolcadoNegocio::ARCHIVO;
    for (const QString& nombre : {DB_SISTEMA_NOMBRE, DB_SISTEMA_NOMBRE_ANTERIOR})
        QFile::remove(extraida + QLatin1Char('/') + nombre);
    base = extraida + QLatin1Char('/') + DB_SISTEMA_NOMBRE;
    const TConexionSesion conexion = TConexionSesion::embebida(base, Sistema::exePath);
    QString error;
    try {
        creaBaseVacia(base);
        const VolcadoNegocio::TResumen resumen =
            cargaDe(volcado, conexion, avanceVolcado(aviso, PASO_CARGA_ARCHIVO, false));
        sinMedida(aviso);
        Logmanager::Log(QStringLiteral("Restauración de respaldo: se cargaron %1 registros de %2 tablas de %3")
                            .arg(resumen.filas)
                            .arg(resumen.tablas)
                            .arg(archivo),
                        1, Sistema::exePath);
    } catch (const EVelkor& e) {
        Conexiones::cierra(conexion);
        return falla(TResultado::VolcadoIlegible, ERR_VOLCADO_ILEGIBLE.arg(e.mensaje()),
                     archivo + QStringLiteral(": ") + Errores::describe(e));
    }
    Conexiones::cierra(conexion);
    QFile::remove(volcado);
    return TResultado::Restaurado;
}

// An archive checked, extracted whole into `temporal` and its database
// opened with the engine (one made from its dump when it carries one).
struct TExtraida {
    QString rfc;
    QString carpeta; // the business folder inside `temporal`
    QString base;
    bool desdeVolcado = false;
};

// `errorTemporal` is the system's error number of a `temporal` that could not
// be made, read when it was made: by the time it is told, other calls have
// changed errno.
TResultado extrae(const QString& archivo, const QTemporaryDir& temporal, int errorTemporal, TExtraida& salida,
                  const TAviso& aviso)
{
    std::unique_ptr<TArchivoZip> zip;
    try {
        zip = std::make_unique<TArchivoZip>(archivo);
    } catch (const EArchivoZip& e) {
        return falla(TResultado::NoSeAbre, ERR_RESPALDO_NO_ABRE, e.mensaje());
    }
    if (!zip->esSeguro())
        return falla(TResultado::Inseguro, ERR_RESPALDO_INSEGURO, archivo);
    const QString rfc = rfcDe(*zip);
    if (!rfcUsable(rfc))
        return falla(TResultado::SinRFC, ERR_RESPALDO_SIN_RFC, QStringLiteral("%1: carpeta \"%2\"").arg(archivo, rfc));

    // A backup holds one business folder and nothing else: an entry anywhere
    // else (the program itself, another business, outside the folder) would
    // be written where no backup has business writing.
    const QString carpetaNegocio = CARPETA_DB + QLatin1Char('/') + rfc;
    for (const TArchivoZip::TEntrada& e : zip->entradas()) {
        const bool dentro = e.nombre == carpetaNegocio || e.nombre.startsWith(carpetaNegocio + QLatin1Char('/')) ||
                            (e.directorio && e.nombre == CARPETA_DB);
        if (!e.segura || !dentro)
            return falla(TResultado::Inseguro, ERR_RESPALDO_INSEGURO,
                         QStringLiteral("%1: entrada \"%2\"").arg(archivo, e.original));
    }

    if (const TResultado tamano = revisaTamano(*zip, archivo, carpetaNegocio); tamano != TResultado::Restaurado)
        return tamano;

    if (!temporal.isValid())
        return falla(TResultado::Escritura, ERR_RESPALDO_ESCRITURA, Errores::delSistema(errorTemporal));
    try {
        zip->extraeTodo(temporal.path(), passwords());
    } catch (const EArchivoZip& e) {
        switch (e.motivo()) {
        case EArchivoZip::TMotivo::PasswordIncorrecto:
            return falla(TResultado::PasswordIncorrecto, ERR_RESPALDO_PASSWORD, e.mensaje());
        case EArchivoZip::TMotivo::EntradaInsegura:
            return falla(TResultado::Inseguro, ERR_RESPALDO_INSEGURO, e.mensaje());
        case EArchivoZip::TMotivo::Escritura:
            return falla(TResultado::Escritura, ERR_RESPALDO_ESCRITURA, e.mensaje());
        case EArchivoZip::TMotivo::NoSeAbre:
        case EArchivoZip::TMotivo::Danado:
            break;
        }
        return falla(TResultado::Danado, ERR_RESPALDO_DANADO, e.mensaje());
    }
    zip.reset();
    salida.rfc = rfc;
    salida.carpeta = temporal.path() + QLatin1Char('/') + carpetaNegocio;
    salida.desdeVolcado = QFileInfo(salida.carpeta + QLatin1Char('/') + VolcadoNegocio::ARCHIVO).isFile();
    salida.base = baseDatosEn(salida.carpeta);
    if (salida.desdeVolcado)
        if (const TResultado cargado = cargaVolcado(salida.carpeta, archivo, salida.base, aviso);
            cargado != TResultado::Restaurado)
            return cargado;
    if (salida.base.isEmpty())
        return falla(TResultado::SinBase, ERR_RESPALDO_SIN_BASE, archivo);
    int version = 0;
    if (!abreConMotor(salida.base, version))
        return falla(TResultado::BaseIlegible, ERR_BASE_ILEGIBLE, archivo);
    // Refused before the business in place is touched, as a dump of a later
    // version is (VolcadoNegocio::carga).
    if (version > Esquema::version())
        return falla(TResultado::Reciente, ERR_RESPALDO_RECIENTE.arg(version).arg(Esquema::version()),
                     QStringLiteral("%1: estructura %2").arg(archivo).arg(version));
    return TResultado::Restaurado;
}

const QString REGISTRO_RECONSTRUIDO = QStringLiteral("Se registraron de nuevo %1 empresa(s) en este equipo.");
const QString REGISTRO_SIN_EMPRESAS =
    QStringLiteral("No se encontró ninguna empresa con usuarios activos en la carpeta \"db\" del programa.");
const QString REGISTRO_SERVIDORES =
    QStringLiteral("Se conservaron %1 empresa(s) cuya base de datos está en un servidor:");
const QString REGISTRO_OMITIDAS =
    QStringLiteral("No se pudieron leer estas bases de datos (los detalles están en el registro de actividad):");
// Followed by the file, relative to the program folder.
const QString REGISTRO_ANTERIOR =
    QStringLiteral("Algunas empresas del registro anterior no se pudieron leer en este equipo ni encontrar en la "
                   "carpeta \"db\"; el registro anterior se guardó como %1.");

// What the registry about to be replaced holds that its replacement must
// not lose.
struct TRegistroAnterior {
    // Registration arrays of the active businesses on a server.
    QList<QStringList> servidores;
    // It holds what cannot be carried over: the file must be kept.
    bool conservar = false;
    // Its list could not be read (another program holds it locked): what
    // it holds is unknown, so nothing may replace it.
    bool sinLeer = false;
};

// Whether a readable registration leads to a server, by the sign-in's rule:
// a registry written before servers were supported may name "MySQL" for a
// file of this program folder.
bool llevaAServidor(const TCadenaConexion& campos)
{
    TConexionSesion motor;
    motor.setProvider(campos.getProveedor());
    return motor.enServidor() &&
           !(campos.getServidor().trimmed().isEmpty() && QFileInfo(campos.baseDatosEn(Sistema::exePath)).isFile());
}

TRegistroAnterior leeRegistroAnterior(const QString& registro)
{
    TRegistroAnterior leido;
    if (!QFileInfo::exists(registro))
        return leido;
    if (!TBaseDatosLocalFrm::esLegible(registro)) {
        leido.conservar = true;
        return leido;
    }
    QStringList empresas;
    QString error;
    if (!registroLocal().leeEmpresasDetalle(empresas, &error)) {
        Logmanager::Log(QStringLiteral("No se pudo leer la lista del registro de negocios %1: %2").arg(registro, error),
                        1, Sistema::exePath);
        leido.sinLeer = true;
        return leido;
    }
    for (const QString& linea : empresas) {
        // RFC|name|string; the enciphered string never holds the separator.
        const QString rfc = linea.section(QLatin1Char('|'), 0, 0);
        const QString guardada = linea.section(QLatin1Char('|'), -1);
        const QString nombre = linea.mid(rfc.size() + 1, linea.size() - rfc.size() - guardada.size() - 2);
        const TCadenaConexion campos = TCadenaConexion::deGuardada(guardada);
        if (!campos.legible()) {
            // Another installation's string: the rebuild finds the business
            // again only in its folder; it may as well have led to a server.
            if (baseDatosEn(Sistema::exePath + DB_PATH + rfc).isEmpty())
                leido.conservar = true;
            continue;
        }
        if (llevaAServidor(campos))
            leido.servidores << QStringList{QString(), nombre, rfc} + campos.campos();
    }
    return leido;
}

// A copy of the registry beside it, under a dated name, its owner's only;
// empty when it could not be written.
QString copiaAnterior(const QString& registro)
{
    const QFileInfo info(registro);
    const QString copia =
        info.dir().filePath(info.completeBaseName() + QStringLiteral(".anterior-") +
                            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) +
                            QLatin1Char('.') + info.suffix());
    QFile origen(registro);
    if (!origen.open(QIODevice::ReadOnly))
        return {};
    try {
        Archivos::creaPrivado(copia, origen.readAll());
    } catch (const EEntradaSalida& e) {
        Logmanager::Log(e.mensaje(), 1, Sistema::exePath);
        QFile::remove(copia);
        return {};
    }
    return copia;
}

} // namespace

QString textoRestaurada(const QString& rfc)
{
    return QStringLiteral("Se restauró la empresa %1. Ya puedes entrar a ella desde la lista de empresas.").arg(rfc);
}

QStringList passwords()
{
    return {RESPALDO_PASSWORD, ELIMINACION_PASSWORD};
}

QString leeRFCZip(const QString& archivo)
{
    try {
        return rfcDe(TArchivoZip(archivo));
    } catch (const EArchivoZip&) {
        return {};
    }
}

TResultado restaurarRespaldo(const QString& archivo, const TAviso& aviso)
{
    // Extracted whole beside the business folders (same file system, so the
    // folder moves into place in one rename), then moved in.
    QTemporaryDir temporal(Sistema::exePath + QStringLiteral(".restauracion-XXXXXX"));
    const int errorTemporal = temporal.isValid() ? 0 : errno;
    TExtraida extraccion;
    if (const TResultado extraido = extrae(archivo, temporal, errorTemporal, extraccion, aviso);
        extraido != TResultado::Restaurado)
        return extraido;
    const QString& rfc = extraccion.rfc;
    const QString& extraida = extraccion.carpeta;
    const QString& baseExtraida = extraccion.base;
    const bool desdeVolcado = extraccion.desdeVolcado;
    // The business's secret and certificate passwords travel enciphered under
    // the archive's password; here they are written under this installation's
    // key, in the extracted copy, so a restore that stops later changes nothing.
    SecretoNegocio::TRestauracion secretos = SecretoNegocio::TRestauracion::SinArchivo;
    const TConexionSesion conexionExtraida = TConexionSesion::embebida(baseExtraida, Sistema::exePath);
    try {
        secretos = SecretoNegocio::restaura(extraida, passwords(), conexionExtraida);
    } catch (const EVelkor& e) {
        Conexiones::cierra(conexionExtraida);
        return falla(TResultado::BaseIlegible, ERR_BASE_ILEGIBLE, Errores::describe(e));
    }
    Conexiones::cierra(conexionExtraida);

    const QStringList detalle = registroLocal().getEmpresaDetalle(rfc);
    if (!detalle.isEmpty() &&
        Utils::mensajeConfirmacion(CONFIRMA_SOBRESCRIBE_RESPALDO + SALTO + RESPALDO_NO_REVERTIR) != TPrompter::OK)
        return TResultado::Cancelado;

    const QString carpetaDb = Sistema::exePath + DB_PATH;
    const QString destino = carpetaDb + rfc;
    if (!QDir().mkpath(carpetaDb))
        return falla(TResultado::Escritura, ERR_RESPALDO_ESCRITURA, carpetaDb);
    for (const QString& nombre : {DB_SISTEMA_NOMBRE, DB_SISTEMA_NOMBRE_ANTERIOR})
        Conexiones::cierra(TConexionSesion::embebida(destino + QLatin1Char('/') + nombre, Sistema::exePath));
    // The old folder is moved aside (hidden, so the registry rebuild never
    // reads it) and deleted only once the new one is in place.
    QString aparte;
    if (QFileInfo::exists(destino)) {
        aparte = carpetaDb + QLatin1Char('.') + rfc + QStringLiteral(".reemplazada-") +
                 QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
        if (!QDir().rename(destino, aparte))
            return falla(TResultado::Escritura, ERR_RESPALDO_ESCRITURA,
                         QStringLiteral("no se pudo apartar ") + destino);
    }
    if (!QDir().rename(extraida, destino)) {
        if (!aparte.isEmpty())
            QDir().rename(aparte, destino);
        return falla(TResultado::Escritura, ERR_RESPALDO_ESCRITURA, QStringLiteral("no se pudo mover a ") + destino);
    }
    if (!aparte.isEmpty()) {
        // The copy kept when the business was deleted may hold later work
        // than this archive: it stays beside the restored database. Should
        // it not move, the replaced folder stays, hidden, rather than go.
        const QString copia = QFileInfo(archivoEliminacion(rfc)).fileName();
        const QString antes = aparte + QLatin1Char('/') + copia;
        const QString ahora = destino + QLatin1Char('/') + copia;
        if (QFileInfo::exists(antes) && (QFileInfo::exists(ahora) || !QFile::rename(antes, ahora)))
            Logmanager::Log(QStringLiteral("La copia de la empresa eliminada quedó en la carpeta reemplazada ") +
                                aparte,
                            3, Sistema::exePath);
        else if (!QDir(aparte).removeRecursively())
            Logmanager::Log(QStringLiteral("No se pudo borrar la carpeta reemplazada ") + aparte, 1, Sistema::exePath);
    }
    // A business restored from an archive of an earlier version gets its
    // secret at its next sign-in, as any older business does.
    if (secretos == SecretoNegocio::TRestauracion::Restaurado)
        SecretoNegocio::recuerda(rfc);
    else
        SecretoNegocio::olvida(rfc);

    const QString baseFinal = destino + QLatin1Char('/') + QFileInfo(baseExtraida).fileName();
    QString error;
    // The business of a dump now lives in this file: a registration that
    // led to its server (or elsewhere) gives way to one that leads here.
    const bool registrar = desdeVolcado ? !registradaEn(rfc, detalle, baseFinal) : necesitaRegistro(rfc, detalle);
    if (registrar &&
        ((desdeVolcado && !detalle.isEmpty() && !registroLocal().deshabilitaEstatusEmpresa(rfc, &error)) ||
         !registroLocal().usuarioLogginInsert(
             {QString(), rfc, rfc, DB_SQLITE, QString(), QString(), QString(), baseFinal, QString()}, &error)))
        return falla(TResultado::Escritura, ERR_RESTAURADA_SIN_REGISTRO.arg(rfc, error),
                     QStringLiteral("la empresa %1 quedó en %2 sin registrar").arg(rfc, destino));
    Logmanager::Log(QStringLiteral("Se restauró el respaldo %1 en %2").arg(archivo, destino), 1, Sistema::exePath);
    if (detalle.isEmpty())
        Utils::mensaje(textoRestaurada(rfc), MSG_INFORMATION);
    return TResultado::Restaurado;
}

TResultado restauraEnServidor(const QString& archivo, const TConexionSesion& servidor, const TAviso& aviso)
{
    QTemporaryDir temporal(Sistema::exePath + QStringLiteral(".restauracion-XXXXXX"));
    const int errorTemporal = temporal.isValid() ? 0 : errno;
    TExtraida extraccion;
    if (const TResultado extraido = extrae(archivo, temporal, errorTemporal, extraccion, aviso);
        extraido != TResultado::Restaurado)
        return extraido;
    const QString& rfc = extraccion.rfc;
    try {
        if (!Esquema::tablasPresentes(servidor).isEmpty())
            return falla(TResultado::ServidorNoVacio, ERR_SERVIDOR_NO_VACIO, servidor.descripcion());
    } catch (const EVelkor& e) {
        return falla(TResultado::ServidorFalla, ERR_SERVIDOR_RESTAURA.arg(e.mensaje()), Errores::describe(e));
    }
    const QStringList detalle = registroLocal().getEmpresaDetalle(rfc);
    if (!detalle.isEmpty() && Utils::mensajeConfirmacion(CONFIRMA_REGISTRO_SERVIDOR.arg(rfc)) != TPrompter::OK)
        return TResultado::Cancelado;

    // Whatever the archive held, a file of its own or a server's dump, it is
    // read from the extracted file, which this version has completed.
    const TConexionSesion local = TConexionSesion::embebida(extraccion.base, Sistema::exePath);
    const QString volcado = temporal.filePath(VolcadoNegocio::ARCHIVO);
    bool tablasCreadas = false;
    SecretoNegocio::TRestauracion secretos = SecretoNegocio::TRestauracion::SinArchivo;
    try {
        Esquema::completaTodo(local);
        {
            QFile salida(volcado);
            if (!salida.open(QIODevice::WriteOnly)) {
                const int numero = errno;
                throw EEntradaSalida(
                    QStringLiteral("No se pudo escribir %1: %2").arg(volcado, Errores::delSistema(numero)));
            }
            VolcadoNegocio::escribe(local, salida, avanceVolcado(aviso, PASO_PREPARA_SERVIDOR, true));
            sinMedida(aviso);
        }
        Conexiones::cierra(local);
        tablasCreadas = true;
        Esquema::completaTodo(servidor);
        const VolcadoNegocio::TResumen resumen =
            cargaDe(volcado, servidor, avanceVolcado(aviso, PASO_CARGA_SERVIDOR, false));
        sinMedida(aviso);
        secretos = SecretoNegocio::restaura(extraccion.carpeta, passwords(), servidor);
        Logmanager::Log(QStringLiteral("Restauración de respaldo en el servidor %1: se cargaron %2 registros de %3 "
                                       "tablas de %4")
                            .arg(servidor.descripcion())
                            .arg(resumen.filas)
                            .arg(resumen.tablas)
                            .arg(archivo),
                        1, Sistema::exePath);
    } catch (const EVelkor& e) {
        Conexiones::cierra(local);
        Conexiones::cierra(servidor);
        return falla(TResultado::ServidorFalla,
                     ERR_SERVIDOR_RESTAURA.arg(e.mensaje()) + (tablasCreadas ? SERVIDOR_CON_TABLAS : QString()),
                     Errores::describe(e));
    }
    Conexiones::cierra(servidor);

    if (secretos == SecretoNegocio::TRestauracion::Restaurado)
        SecretoNegocio::recuerda(rfc);
    else
        SecretoNegocio::olvida(rfc);
    // Its registration, if any, now leads to the server.
    QString error;
    bool anotada = false;
    try {
        anotada = (detalle.isEmpty() || registroLocal().deshabilitaEstatusEmpresa(rfc, &error)) &&
                  NuevoNegocio::anotaNegocio(QString(), rfc, rfc, NuevoNegocio::destinoServidor(servidor), &error);
    } catch (const EVelkor& e) {
        // A connection field the registry cannot hold.
        error = e.mensaje();
    }
    if (!anotada)
        return falla(
            TResultado::Escritura, ERR_RESTAURADA_EN_SERVIDOR_SIN_REGISTRO.arg(rfc, error),
            QStringLiteral("la empresa %1 quedó en el servidor %2 sin registrar").arg(rfc, servidor.descripcion()));
    Utils::inicializaDirectorios(Sistema::exePath, rfc);
    Logmanager::Log(QStringLiteral("Se restauró el respaldo %1 en el servidor %2").arg(archivo, servidor.descripcion()),
                    1, Sistema::exePath);
    Utils::mensaje(textoRestaurada(rfc), MSG_INFORMATION);
    return TResultado::Restaurado;
}

QString archivoEliminacion(const QString& rfc)
{
    return Sistema::exePath + DB_PATH + rfc + QLatin1Char('/') + rfc + QStringLiteral(".zip");
}

bool reiniciaRegistro(TRegistroConservado* conservado)
{
    if (Utils::mensajeConfirmacion(CONFIRMA_RESTAURA_REGISTRO) != TPrompter::OK)
        return false;
    // The program folder's registry, whatever the working folder is.
    const QString registro = TBaseDatosLocalFrm::archivoRegistro();
    const TRegistroAnterior leido = leeRegistroAnterior(registro);
    if (leido.sinLeer) {
        Utils::mensaje(ERR_REGISTRO_ADMINISTRADOR, MSG_WARNING);
        return false;
    }
    const QString nuevo = registro + QStringLiteral(".nuevo");
    QFile::remove(nuevo);
    bool escrito = false;
    if (QDir().mkpath(QFileInfo(registro).absolutePath())) {
        if (const std::unique_ptr<QBuffer> vacio = Utils::getResource(RS_USRDB, Sistema::exePath)) {
            QFile archivo(nuevo);
            escrito = archivo.open(QIODevice::WriteOnly) && archivo.write(vacio->data()) == vacio->data().size() &&
                      archivo.flush();
        } else {
            try {
                TBaseDatosLocalFrm::creaTablas(nuevo);
                escrito = true;
            } catch (const EVelkor& e) {
                Logmanager::Log(Errores::describe(e), 1, Sistema::exePath);
            }
        }
    }
    // Kept until the servers' registrations are written again in the new
    // one, and for good when something of it cannot be.
    const QString anterior = leido.servidores.isEmpty() && !leido.conservar ? QString() : copiaAnterior(registro);
    if (!escrito || (anterior.isEmpty() && (!leido.servidores.isEmpty() || leido.conservar)) ||
        !Archivos::reemplaza(nuevo, registro)) {
        QFile::remove(nuevo);
        if (!anterior.isEmpty())
            QFile::remove(anterior);
        Logmanager::Log(QStringLiteral("No se pudo reemplazar el registro de negocios ") + registro, 1,
                        Sistema::exePath);
        Utils::mensaje(ERR_REGISTRO_ADMINISTRADOR, MSG_WARNING);
        return false;
    }
    Sistema::dbUsuariosSistema = registro;
    TRegistroConservado resultado;
    bool conservar = leido.conservar;
    for (const QStringList& registracion : leido.servidores) {
        QString error;
        if (registroLocal().usuarioLogginInsert(registracion, &error)) {
            resultado.servidores << registracion.value(2);
        } else {
            conservar = true;
            Logmanager::Log(QStringLiteral("No se pudo registrar de nuevo la empresa %1 de un servidor: %2")
                                .arg(registracion.value(2), error),
                            1, Sistema::exePath);
        }
    }
    if (conservar) {
        resultado.anterior = anterior;
        Logmanager::Log(QStringLiteral("El registro de negocios anterior quedó en ") + anterior, 1, Sistema::exePath);
    } else if (!anterior.isEmpty()) {
        QFile::remove(anterior);
    }
    Logmanager::Log(QStringLiteral("Se vació el registro de negocios para reconstruirlo; se conservaron %1 empresa(s) "
                                   "de un servidor")
                        .arg(resultado.servidores.size()),
                    1, Sistema::exePath);
    if (conservado)
        *conservado = resultado;
    return true;
}

QString informeReconstruccion(const QStringList& registradas, const QStringList& omitidas,
                              const TRegistroConservado& conservado)
{
    QString texto = registradas.isEmpty()
                        ? REGISTRO_SIN_EMPRESAS
                        : REGISTRO_RECONSTRUIDO.arg(registradas.size()) + SALTO + registradas.join(SALTO);
    if (!conservado.servidores.isEmpty())
        texto += SALTO + SALTO + REGISTRO_SERVIDORES.arg(conservado.servidores.size()) + SALTO +
                 conservado.servidores.join(SALTO);
    if (!omitidas.isEmpty()) {
        QStringList nombres;
        for (const QString& archivo : omitidas)
            nombres << QDir(Sistema::exePath).relativeFilePath(archivo);
        texto += SALTO + SALTO + REGISTRO_OMITIDAS + SALTO + nombres.join(SALTO);
    }
    if (!conservado.anterior.isEmpty())
        texto += SALTO + SALTO + REGISTRO_ANTERIOR.arg(QDir(Sistema::exePath).relativeFilePath(conservado.anterior));
    return texto;
}

} // namespace Respaldo
