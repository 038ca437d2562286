#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class TUsuario;
class TUsuarionegocio;

// The users of the signed-in business and their module rights, without any
// window: the company editor's users section only gathers what is typed and
// shows the message of each result. Everything works on the session
// (Sistema::Negocio, Conexion, Usuario).
namespace UsuariosNegocio {

// The eight module rights in the order of the permission text: Bridge Txt,
// reports, products, payroll, invoicing, customers, backups, users and
// permissions.
inline constexpr int NUMERO_MODULOS = 8;
using TPermisos = std::array<bool, NUMERO_MODULOS>;
// The module codes (CODIGO_...) in that order.
const QStringList& codigosModulos();
TPermisos todos(bool concedido);
// The rights the form offers: the installed modules' (ModulosInstalados) and
// the users-and-permissions right, which every installation has. A right not
// offered is kept as stored when a user's rights are edited.
TPermisos ofrecidos();
// A module right's name as the form and the grid show it.
const QStringList& nombresModulos();

// The plain permission text: RFC + USR_PASS, the eight rights as "-1" / "0",
// then "TRUE" four times. It is stored signed for its user and business
// (FirmaPermisos).
QString textoPermisos(const QString& rfc, const TPermisos& permisos);
// The rights a link of the session's business gives its user `usuario`,
// by Sistema::getPermiso's rules: a text not signed for that user and that
// business grants nothing. Any field that reads as a boolean ("-1", "TRUE")
// grants.
TPermisos leePermisos(const TUsuarionegocio& liga, const TUsuario& usuario);

struct TFilaUsuario {
    QString email;
    TPermisos permisos{};
};
// The active users of the business with their rights, in the order they
// were linked.
QList<TFilaUsuario> usuarios();

struct TUsuarioMostrado {
    QString email;
    QString nombre;
    QString apellidoPaterno;
    QString apellidoMaterno;
    TPermisos permisos{};
};
// A user of the business as the form shows it; nullopt when the e-mail is no
// user linked to it.
std::optional<TUsuarioMostrado> muestra(const QString& email);

enum class TResultado {
    Correcto,
    SinPermiso,         // ERROR_PERMISOS
    EdicionPropia,      // ERR_EDICION_PERMISOS
    EmailVacio,         // CAMPO_REQUERIDO for the e-mail
    EmailExistente,     // ERR_USUARIO_EXISTENTE + e-mail
    PasswordsDistintas, // ERR_CONTRASENA
    NoEncontrado,       // the user is no longer linked to the business
};
// The message of a result (empty for Correcto); validation results come as
// MENSAJE_ERROR + SALTO + the item.
QString mensaje(TResultado resultado, const QString& email = QString());

// Whether the signed-in user may change the rights of `email`: only with the
// permissions right, and never their own.
TResultado puedeEditar(const QString& email);
// Stores new rights for a user of the business (the same checks as
// puedeEditar first). Name, password and e-mail stay.
TResultado actualizaPermisos(const QString& email, const TPermisos& permisos);

struct TNuevoUsuario {
    QString email;
    QString nombre;
    QString apellidoPaterno;
    QString apellidoMaterno;
    QString password;
    QString repitePassword;
    TPermisos permisos{};
};
// Whether the signed-in user may add users: the permissions right, as the
// database holds it now.
TResultado puedeAgregar();
// Whether a user with these data may be added (puedeAgregar, e-mail given
// and free, both passwords equal).
TResultado revisaNuevo(const TNuevoUsuario& datos);
// Adds the user, its person, contact and link to the business, all or none.
// The user then signs in with that e-mail and password.
TResultado agrega(const TNuevoUsuario& datos);

} // namespace UsuariosNegocio
