#pragma once
#include "TConexionSesion.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Editing the signed-in business without any window: the company editor only
// gathers what is typed and shows what these operations answer. Every read
// goes to the database (another user may have saved meanwhile) and every save
// reads the record again, changes only its own fields and stores them in one
// transaction, so a failed save leaves what was stored before. Errors are
// raised as EVelkor (and its kinds) carrying the message for the user.
namespace EdicionEmpresa {

// Reads the session's business again (name, logo, fiscal data).
void recargaNegocio();

// --- Business name
// Raises EVelkor(ERR_NOMBRE_NEGOCIO_VACIO) for an empty name.
void guardaNombre(const QString& nombre);

// --- Signing certificate
struct TCertificadoMostrado {
    QString numero;
    QDate expiracion;
};
// The business's newest certificate; nullopt when it has none.
std::optional<TCertificadoMostrado> certificado();
// The message that refuses a certificate file chosen for this business (not a
// usable CSD, or a CSD of another RFC); empty when it may be used.
QString revisaCertificadoElegido(const QString& archivoCertificado);
// Stores a new certificate for the business and `razon` as its legal name.
// Refuses (ECertificado / EVelkor with the message) a missing key or
// password, a key that does not open or is not the certificate's pair, and a
// certificate of another RFC. Old RFC.cer / RFC.key copies of the certificate
// folder are removed afterwards; a failure there is only logged.
void guardaCertificado(const QString& archivoCertificado, const QString& archivoLlave, const QString& password,
                       const QString& razon);

// --- Fiscal data
struct TDireccionMostrada {
    QString calle;
    QString noExterior;
    QString noInterior;
    QString colonia;
    QString codigoPostal;
    QString referencia;
    QString localidad;
    QString municipio;
    QString estado;
    QString pais;
};
QString rfc();
QString razon();
// The description of the business's regime; empty when none is linked.
QString regimenActual();
// The head office's address.
TDireccionMostrada matriz();
// Stores the legal name and, unless `regimen` is empty or the prompt
// REGIMEN_FISCAL (which keep the stored one), the regime. A regime the
// database lacks is added, for a legal or a natural person as the business's
// RFC says. Raises EVelkor(ERR_REGIMEN) when no regime is chosen and none is
// stored.
void guardaDatosFiscales(const QString& regimen, const QString& razon);

// --- Business image
// Stores the picture of the file as the business logo and returns its bytes.
// A file that is missing, too large or no picture is refused with
// RevisionImagen's message (EVelkor) and the stored logo stays.
QByteArray guardaLogo(const QString& archivo);
// Whether printed vouchers carry the logo (the business INI file). Stores the
// switch and answers true; false, and nothing changed, when the business has
// no INI file.
bool guardaImpresion(bool imprime);

// --- Branches
QStringList nombresSucursales();
struct TSucursalMostrada {
    qint64 id = -1;
    QString nombre;
    TDireccionMostrada direccion;
};
// The branch by name; a branch without address gets an empty one stored, so
// the branch window always has one to edit. nullopt when there is none.
std::optional<TSucursalMostrada> sucursal(const QString& nombre);

// --- Series
struct TFilaSerie {
    QString sucursal;
    QString serie;
    QString tipo;
    QString folio;
    qint64 idSerie = -1;
};
// The active series of every branch, branch by branch.
QList<TFilaSerie> series();

// --- Deleting the business
// What the confirmation of a deletion names.
struct TDatosEliminacion {
    QString rfc;
    QString nombre;
    int comprobantes = 0; // every voucher stored for the business
};
TDatosEliminacion datosEliminacion();
// The question the user answers by typing the RFC.
QString avisoEliminacion(const TDatosEliminacion& datos);
// --- Backups and the deletion
// They take a while for a large business, so they run on a thread of their
// own while a window shows how they go: what they need of the session is
// taken first, on the session's thread (empresaSesion), and they read no
// session global after that. The thread calls Conexiones::cierraHilo() when
// it ends.
struct TEmpresaSesion {
    TConexionSesion conexion;
    QString rfc;
    qint64 idNegocio = -1;
    qint64 idUsuario = -1;        // -1 when nobody is signed in
    qint64 idUsuarioNegocio = -1; // the signed-in user's link to the business
};
// The signed-in business; raises EVelkor when none is open.
TEmpresaSesion empresaSesion();

// How a backup or a deletion goes: the step, how far it went in thousandths
// (-1 while it cannot tell) and whether stopping there leaves nothing half
// done. Told on the operation's thread, once per change.
struct TAvance {
    QString paso;
    int milesimas = -1;
    bool cancelable = true;
};
// Answers false to stop the operation. It stops at the next cancelable
// point, raising EArchivoCancelado; after its last cancelable step it
// goes on to the end whatever the answer.
using TAviso = std::function<bool(const TAvance&)>;

// A backup of the business folder in `carpeta`, in the form the wizard's
// restore takes (RFC-date.respal33), with the business's secrets file
// (SecretoNegocio::archiva); a business whose database lies on a server
// travels as a dump of it (VolcadoNegocio) inside the same folder. Never
// replaces a file. It is read back (TArchivoZip::verifica) before it counts
// as written. Returns its path; raises EVelkor saying why it cannot be
// written or read back, EArchivoCancelado when `aviso` stops it, leaving
// nothing behind either way.
QString guardaRespaldo(const QString& carpeta, const TEmpresaSesion& empresa, const TAviso& aviso = {});
// The same for the signed-in business, on the session's thread.
QString guardaRespaldo(const QString& carpeta);

struct TEliminacion {
    QString archivo;         // the archive kept of the business folder
    bool archivado = false;  // the archive was written and read back
    QString falloCopia;      // why it could not be, for the user
    int empresasActivas = 0; // businesses the registry still lists
};
// Keeps an AES-128 archive of the business folder (db/RFC/RFC.zip, password
// ELIMINACION_PASSWORD, entries under "db/RFC/", the secrets file among
// them; for a business on a server, its dump as the backup carries it) and
// reads it back; only then marks the business, the signed-in user and their
// link inactive (all or none) and disables the registry entry. The database
// and the folder stay on disk, so an archive that cannot be written or read
// back is logged, left out (nothing half-written remains) and named in
// `falloCopia`, and the deletion goes on. `aviso` may stop it while the
// archive is being written or read back (EArchivoCancelado): the business is
// then as it was, still registered.
TEliminacion elimina(const TEmpresaSesion& empresa, const TAviso& aviso = {});
// The same for the signed-in business, on the session's thread.
TEliminacion elimina();

} // namespace EdicionEmpresa
