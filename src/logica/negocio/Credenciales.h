#pragma once
#include <QString>

class TConexionSesion;
class TNegocio;
class TUsuario;
class TUsuarionegocio;

// How the program keeps a user's password: what signing in compares with and
// what creating a user stores.
namespace Credenciales {

// The stored form of a new password: a salted Argon2id hash (Secretos), so
// nobody with a copy of the database reads it back.
QString hashPassword(const QString& password);

// Whether `password` is the one `usuario` keeps. Rows written by earlier
// versions hold the program-wide cipher of e-mail, USR_PASS and password;
// they are checked that way until migraPassword rewrites them.
bool esSuPassword(const TUsuario& usuario, const QString& password);

// After esSuPassword said yes: rewrites a row kept in the older form, or
// hashed with weaker parameters, as a hash of `password`, in a transaction of
// its own on `conexion`. The row in `usuario` is updated too. Raises what the
// database raises.
void migraPassword(TUsuario& usuario, const QString& password, const TConexionSesion& conexion);

// Rewrites as hashes the passwords every user of the database still keeps in
// the older form, which reads back: a user who never signs in again would
// keep it readable for good. Each row in a transaction of its own; a row
// another workstation changed meanwhile, or that does not read back as its
// own e-mail's, is left. The rows rewritten. Raises what the database raises.
int migraPasswordsAntiguos(const TConexionSesion& conexion);

// Deleting a business keeps its database, and its registry rows only
// disabled, so the registry still finds it by RFC: its status is what says
// nobody works in it any more (TNegocio::ESTATUS_INACTIVO).
bool eliminada(const TNegocio& negocio);
// Whether a user still works in a business through `liga`: deleting a
// business leaves the deleting user and their link with status 1.
bool activo(const TUsuario& usuario, const TUsuarionegocio& liga);

// Who may work in a business with an e-mail and a password.
enum class TAcceso {
    Permitido,            // a user of the business, and the password is its own
    NoEsUsuario,          // no user with that e-mail, or one without an active link to the business
    ContrasenaIncorrecta, // a user of the business, with another password
    EmpresaEliminada      // the business was deleted (TNegocio::ESTATUS_INACTIVO): nobody works in it
};

// The one rule by which vouchers enter a business that already exists: the
// business must not be deleted, the e-mail must name an active user with an
// active link to `negocio` in its database (status 0; deleting a business
// sets the deleting user's and link's to 1) and the password must be that
// user's. Raises what the database raises.
TAcceso acceso(const TNegocio& negocio, const QString& email, const QString& password, const TConexionSesion& conexion);

} // namespace Credenciales
