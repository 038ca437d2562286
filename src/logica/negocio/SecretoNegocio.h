#pragma once
#include "TArchivoZip.h"
#include "TConexionSesion.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class TNegocio;
class TUsuario;

// A business's own secret (FirmaPermisos), without any window: made when the
// business is created or first opened by this version, carried by its
// backups, written again under the local key when one is restored.
//
// A database whose secret cannot be read here (copied from another
// installation without going through a backup, or whose secret was removed
// after this installation gave it one) is left as it is: nobody holds any
// right in it, the log says why and the user is told once per opening. Its
// texts are never signed again with a new secret, which would turn whatever
// its database holds into rights; restoring a backup made where it came
// from brings its secret back.
namespace SecretoNegocio {

enum class TEstado {
    Listo,    // every business of the database has its secret
    Migrado,  // at least one got its secret now, and its older texts were signed
    Ilegible, // a business's secret is not this installation's
    Retirado, // a business that had its secret here has none any more
};

// Gives every business of the database on `conexion` that has none its
// secret, in one transaction per business: the secret, every older-form
// permission text of that business that deciphers and names its RFC signed
// anew (the others grant nothing from then on), every certificate key
// password in the older cipher written with Secretos::cifraLocal. Logs what
// it did; shows the user why a business whose secret cannot be read grants
// no rights. Runs at every sign-in (Ingreso::updateBaseDatos): on a database
// done before it only reads. On a server, a secret still in this
// installation's cipher (as the previous version left businesses it created
// there) is written again in the shared form (SecretoServidor.h), so the
// other workstations can read it.
TEstado asegura(const TConexionSesion& conexion);

// The message for a business whose rights are void (Ilegible, Retirado);
// `enServidor` for one whose database is on a server.
QString mensaje(TEstado estado, const QString& rfc, bool enServidor = false);

// A new secret for `negocio` (not saved) in the form the database of
// `conexion` keeps: what a new business gets.
QByteArray creaSecreto(TNegocio& negocio, const TConexionSesion& conexion);
// The signed permission text of `plano` for `usuario` in `negocio`, with the
// business's secret as read through `conexion`. Raises EVelkor with the
// reason when the secret is missing or cannot be read here.
QString firmaPermisos(const TNegocio& negocio, const TUsuario& usuario, const QString& plano,
                      const TConexionSesion& conexion);

// This installation remembers which businesses (by RFC) it gave a secret, so
// that a secret removed from a database is not simply made again.
void recuerda(const QString& rfc);
void olvida(const QString& rfc);
bool recordado(const QString& rfc);

// --- Backups
// The file an archive of a business folder carries inside it.
inline const QString ARCHIVO_RESPALDO = QStringLiteral("Secretos.velkor");

// Archives the business folder db/RFC/ as TArchivoZip::comprime does (entries
// "db/RFC/..."), with ARCHIVO_RESPALDO added: the secrets of the businesses
// and the certificate key passwords of the database on `conexion`,
// enciphered under a key derived from `password` and a random salt. The
// database is read first, then its connection closed so the archived file
// holds every committed page. Raises EArchivoZip as comprime does, and
// EArchivoCancelado when `avance` (told how far the writing went) stops it.
void archiva(const QString& archivoZip, const QString& rfc, const TConexionSesion& conexion, const QString& password,
             TArchivoZip::TCifrado cifrado, const TArchivoZip::TAvance& avance = {});

enum class TRestauracion {
    SinArchivo,   // an archive made before backups carried the file
    Restaurado,   // its values are written under this installation's key
    NoSeDescifra, // no password given opens it
};
// Reads ARCHIVO_RESPALDO in `carpeta` (an extracted business folder), removes
// it, and writes what it holds into the database on `conexion` under this
// installation's key, in one transaction; the businesses of that database
// are remembered or forgotten (recuerda / olvida) as it leaves them.
// Raises EBaseDatos when the database cannot be written.
TRestauracion restaura(const QString& carpeta, const QStringList& passwords, const TConexionSesion& conexion);

} // namespace SecretoNegocio
