#pragma once
#include <QString>

class TConexionSesion;
class TNegocio;
class TUsuario;

// How the program keeps a user's password: what signing in compares with and
// what creating a user stores.
namespace Credenciales {

// The stored form of a user's password: the signer's encipherment of e-mail,
// USR_PASS and password. The cipher is deterministic, so a typed password is
// checked by enciphering it again.
QString cifraPassword(const QString& email, const QString& password);

// Whether `password` is the one `usuario` keeps.
bool esSuPassword(const TUsuario& usuario, const QString& password);

// Who may work in a business with an e-mail and a password.
enum class TAcceso {
    Permitido,           // a user of the business, and the password is its own
    NoEsUsuario,         // no user with that e-mail, or one without a link to the business
    ContrasenaIncorrecta // a user of the business, with another password
};

// The one rule by which vouchers enter a business that already exists: the
// e-mail must name a user linked to `negocio` in its database and the
// password must be that user's. Raises what the database raises.
TAcceso acceso(const TNegocio& negocio, const QString& email, const QString& password, const TConexionSesion& conexion);

} // namespace Credenciales
