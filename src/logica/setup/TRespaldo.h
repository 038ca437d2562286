#pragma once
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>

class TConexionSesion;

// Backups of a business folder, without any window: restoring a backup
// archive (*.respal33), the archive kept when a business is deleted, and the
// first step of the registry rebuild (TImportarBaseHilo does the rest).
//
// The wizard's bottom strip drives it: "Restaurar un respaldo…"
// picks a file (filter "Respaldo|*.respal33") and calls restaurarRespaldo,
// then rebuilds its tiles and shows the sign-in page when it returns
// Restaurado; the database link calls reiniciaRegistro and, when it returns
// true, starts a TImportarBaseHilo.
namespace Respaldo {

enum class TResultado {
    Restaurado,
    Cancelado,          // the user kept the registered business
    NoSeAbre,           // ERR_RESPALDO_NO_ABRE
    PasswordIncorrecto, // ERR_RESPALDO_PASSWORD
    Danado,             // ERR_RESPALDO_DANADO
    Inseguro,           // ERR_RESPALDO_INSEGURO
    SinRFC,             // ERR_RESPALDO_SIN_RFC
    SinBase,            // ERR_RESPALDO_SIN_BASE
    BaseIlegible,       // the database does not open with the engine
    Excesivo,           // it would expand past the limits or the free space
    Escritura,          // ERR_RESPALDO_ESCRITURA
    VolcadoIlegible,    // ERR_VOLCADO_ILEGIBLE: the dump it carries does not load
    ServidorNoVacio,    // ERR_SERVIDOR_NO_VACIO
    ServidorFalla,      // ERR_SERVIDOR_RESTAURA: the server did not answer or refused
    Reciente,           // ERR_RESPALDO_RECIENTE: a later version of the program wrote its database
};

// How a restore goes, for the window's strip: the step, its count
// ("12,000 de 50,000" rows, or "45 %") and how far it went in thousandths.
// An empty step (milesimas -1) is the restore's own work, which cannot tell.
// Told on the restore's thread, once per change.
struct TAvance {
    QString paso;
    QString cuenta;
    int milesimas = -1;
};
using TAviso = std::function<void(const TAvance&)>;

// The steps a restore tells of.
inline const QString PASO_CARGA_ARCHIVO = QStringLiteral("Cargando los datos del respaldo…");
inline const QString PASO_PREPARA_SERVIDOR = QStringLiteral("Preparando los registros del respaldo…");
inline const QString PASO_CARGA_SERVIDOR = QStringLiteral("Cargando los datos en el servidor…");

// Passwords a backup is opened with, in order: the backups' own, then the
// deletion archive's (so a deleted business can be brought back from it).
QStringList passwords();

// Kept free beside what the backup expands to.
inline constexpr quint64 MARGEN_LIBRE = 64ull << 20;

inline const QString ERR_BASE_ILEGIBLE =
    QStringLiteral("La base de datos del respaldo no se pudo abrir: está dañada o no es una base de datos del "
                   "programa. No se cambió nada.");
// Followed by the database's schema version and this version's.
inline const QString ERR_RESPALDO_RECIENTE =
    QStringLiteral("La base de datos del respaldo es de una versión más reciente del programa (estructura %1; esta "
                   "versión llega a la %2). Actualiza el programa e inténtalo de nuevo. No se cambió nada.");
// The restored files are in place and only their registration is missing,
// which the registry rebuild makes from them (or the same restore, run
// again). Followed by the RFC and the cause.
inline const QString ERR_RESTAURADA_SIN_REGISTRO =
    QStringLiteral("La empresa %1 quedó restaurada en la carpeta del programa, pero no se pudo anotar en el registro "
                   "de empresas de este equipo. Causa: %2. Mientras no se anote, no podrás entrar a lo restaurado.\n\n"
                   "Cuando se resuelva la causa, usa \"Volver a registrar las empresas de esta carpeta\" o restaura "
                   "de nuevo este respaldo.");
// The same on a server, whose database now holds the business: joining it
// from this computer writes the registration. Followed by the RFC and the
// cause.
inline const QString ERR_RESTAURADA_EN_SERVIDOR_SIN_REGISTRO =
    QStringLiteral("La empresa %1 quedó restaurada en el servidor, pero no se pudo anotar en el registro de empresas "
                   "de este equipo. Causa: %2. Mientras no se anote, no podrás entrar a lo restaurado desde este "
                   "equipo.\n\nCuando se resuelva la causa, usa \"Conectar a una empresa en un servidor\" para "
                   "anotarla.");
// Followed by the size in MB.
inline const QString ERR_EXCESIVO = QStringLiteral(
    "El respaldo ocuparía %1 MB al abrirse, más de lo que un respaldo del programa puede ocupar. No se cambió nada.");
// What is needed and what is free, in MB.
inline const QString ERR_SIN_ESPACIO =
    QStringLiteral("No hay espacio en el disco para restaurar el respaldo: necesita %1 MB y quedan %2 MB libres. "
                   "No se cambió nada.");
// Followed by why (VolcadoNegocio::EVolcado's message, or the database's).
inline const QString ERR_VOLCADO_ILEGIBLE =
    QStringLiteral("Los datos del respaldo no se pudieron cargar en una base de datos nueva. %1 No se cambió nada.");
inline const QString ERR_SERVIDOR_NO_VACIO =
    QStringLiteral("La base de datos del servidor ya tiene tablas: un respaldo solo se restaura en una base de datos "
                   "vacía. No se cambió nada.");
// Followed by why.
inline const QString ERR_SERVIDOR_RESTAURA =
    QStringLiteral("El respaldo no se pudo cargar en el servidor: %1 No se guardó ningún dato.");
inline const QString SERVIDOR_CON_TABLAS =
    QStringLiteral(" La base de datos del servidor quedó con las tablas del programa, vacías: bórralas antes de "
                   "volver a intentarlo.");
// Followed by the RFC.
inline const QString CONFIRMA_REGISTRO_SERVIDOR =
    QStringLiteral("La empresa %1 ya está registrada en este equipo. ¿Quieres que desde ahora su registro lleve a la "
                   "base de datos del servidor donde se restaura el respaldo?");
// Said after a business that was not on this computer was restored.
QString textoRestaurada(const QString& rfc);

// The RFC of an archive: the folder right below "db/" of its first file
// entry under "db/"; empty when it cannot be opened or has none.
QString leeRFCZip(const QString& archivo);

// Restores a backup archive into the program folder (Sistema::exePath):
// every entry must lie under "db/" + RFC + "/", where RFC is a valid RFC (so
// never the registry, the catalogue or any other name of the program folder).
// What it would expand to is checked first (TArchivoZip::excedeLimites, then
// the free space), then it is extracted whole into a
// temporary folder and its database opened with the engine, so a damaged or
// crafted archive, a wrong password or an unsafe entry change nothing. When
// the RFC is registered the user is asked before its folder is replaced. A
// new RFC (or one whose registrations are all disabled or lead nowhere) gets
// an active registration, and can be signed in to at once. The business's
// secret and certificate key passwords the archive carries
// (SecretoNegocio::ARCHIVO_RESPALDO) are written in the restored database
// under this installation's key before it is moved into place, and that
// file is not left in the program folder; an archive without it (an earlier
// version's) is migrated at the next sign-in. An archive that carries a
// dump (VolcadoNegocio::archiva, the backup of a business on a server)
// gets, in the extracted folder, a database made from the empty template
// with the dump loaded into it (VolcadoIlegible, with the reason, when it
// does not load); the dump is not kept, a database file beside it is left
// out (it can only be a leftover of the folder the dump was made in), and
// the business is registered as a file of this program folder even when
// its registration led to a server. Shows the result's message. `aviso`
// hears how the loading of a dump goes.
TResultado restaurarRespaldo(const QString& archivo, const TAviso& aviso = {});

// Restores a backup archive, checked and extracted as restaurarRespaldo does
// (a dump or a database file alike), into the empty database on `servidor`:
// its schema, every row (VolcadoNegocio), the business's secret and
// certificate passwords in the server's shared form. Refuses a database that
// already has tables before writing anything. An RFC already registered here
// asks first (CONFIRMA_REGISTRO_SERVIDOR); its registration is then disabled
// and a new one leads to the server. The rows go in in one transaction: a
// failure leaves the server's database without data (its new tables stay,
// which the message says). Shows the result's message. `aviso` hears how
// the rows are prepared and loaded.
TResultado restauraEnServidor(const QString& archivo, const TConexionSesion& servidor, const TAviso& aviso = {});

// Where deleting a business leaves its archive: program folder + "db/" +
// RFC + "/" + RFC + ".zip", entries "db/" + RFC + "/...", AES-128 with
// ELIMINACION_PASSWORD, with the business's secrets file as every backup.
QString archivoEliminacion(const QString& rfc);

// What the registry rebuild keeps of the registry it replaces.
struct TRegistroConservado {
    // The active businesses whose database is on a server, by RFC: nothing
    // but their registration says where that is, so they are registered
    // again as they were.
    QStringList servidores;
    // Where the replaced registry was kept, mode 0600, beside the new one:
    // it held active registrations that could be neither read here (another
    // installation's key) nor found again in a business folder, or it could
    // not be read at all, or a server's registration could not be written
    // again. Empty when nothing of it was lost.
    QString anterior;
};

// First step of the registry rebuild: asks CONFIRMA_RESTAURA_REGISTRO, then
// replaces the program folder's registry with an empty one (in one rename)
// holding again the registrations of businesses on a server, as
// `conservado` tells. False when declined, or with
// ERR_REGISTRO_ADMINISTRADOR when the file cannot be replaced, the old one
// cannot be kept, or its list of businesses cannot be read although the
// file looks sound (another program holds it locked) (the old one then
// stays, unchanged).
bool reiniciaRegistro(TRegistroConservado* conservado = nullptr);

// The message that ends the rebuild: the RFCs TImportarBaseHilo registered,
// the databases it could not read (paths) and what reiniciaRegistro kept.
QString informeReconstruccion(const QStringList& registradas, const QStringList& omitidas,
                              const TRegistroConservado& conservado);

} // namespace Respaldo
