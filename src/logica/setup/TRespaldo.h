#pragma once
#include <QString>
#include <QStringList>

// Backups of a business folder, without any window: restoring a backup
// archive (*.respal33), the archive kept when a business is deleted, and the
// first step of the registry rebuild (TImportarBaseHilo does the rest).
//
// The wizard's bottom strip drives it: "Restaurar archivo de configuración"
// picks a file (filter "Respaldo|*.respal33") and calls restaurarRespaldo,
// then rebuilds its tiles and shows the sign-in page when it returns
// Restaurado; the database link calls reiniciaRegistro and, when it returns
// true, starts a TImportarBaseHilo. The company editor calls
// creaArchivoEliminacion before it disables the business.
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
    Escritura,          // ERR_RESPALDO_ESCRITURA
};

// Passwords a backup is opened with, in order: the backups' own, then the
// deletion archive's (so a deleted business can be brought back from it).
QStringList passwords();

// The RFC of an archive: the folder right below "db/" of its first file
// entry under "db/"; empty when it cannot be opened or has none.
QString leeRFCZip(const QString& archivo);

// Restores a backup archive into the program folder (Sistema::exePath):
// every entry must lie under "db/" + RFC + "/", and the archive is extracted
// whole into a temporary folder first, so a damaged archive, a wrong
// password or an unsafe entry change nothing. When the RFC is registered the
// user is asked before its folder is replaced. A new RFC (or one whose
// registrations are all disabled or lead nowhere) gets an active
// registration. Shows the result's message (REINICIA_APLICACION for a new
// business).
TResultado restaurarRespaldo(const QString& archivo);

// The deletion archive of a business: program folder + "db/" + RFC + "/" +
// RFC + ".zip", entries "db/" + RFC + "/...", AES-128 with
// ELIMINACION_PASSWORD. False when it could not be written (the reason is
// logged at level 3); deleting the business goes on either way.
QString archivoEliminacion(const QString& rfc);
bool creaArchivoEliminacion(const QString& rfc);

// First step of the registry rebuild: asks CONFIRMA_RESTAURA_REGISTRO, then
// replaces the program folder's registry with an empty one (in one rename).
// False when declined, or with ERR_REGISTRO_ADMINISTRADOR when the file
// cannot be replaced (the old one then stays).
bool reiniciaRegistro();

} // namespace Respaldo
