#pragma once
#include <QString>

// Password recovery, without any window. A key is random, mailed to the user
// and kept on this computer only as its hash, with its e-mail and business
// (in the registry, TBaseDatosLocalFrm): it lasts MINUTOS_VIGENCIA minutes,
// serves once and only for that e-mail in that business, and asking for
// another there voids it. After INTENTOS_PERMITIDOS wrong keys within
// MINUTOS_INTENTOS minutes on this computer, whatever the e-mail, no key is
// checked until those minutes have passed. Every operation shows its own
// messages (Utils::mensaje).
//
// The recovery page drives it for the business of the chosen tile
// (`componente`: its RFC with "&" as "_"): "Enviar Clave" calls enviaClave
// with the page's e-mail; "Ingresar" calls validaClave and enables "Guardar"
// when it returns true; "Guardar" calls guardaPassword and goes back to the
// sign-in page when it returns Correcto.
namespace Recuperacion {

inline constexpr int MINUTOS_VIGENCIA = 30;
inline constexpr int INTENTOS_PERMITIDOS = 5;
inline constexpr int MINUTOS_INTENTOS = 15;

enum class TResultado {
    Correcto,            // EMAIL_CONTRASENA_ACTUALIZA was shown
    ClaveNoValida,       // ERR_CLAVE_RECUPERACION, or why the key no longer serves
    DemasiadosIntentos,  // textoEspera: no key is checked for now
    ContrasenaDistinta,  // ERR_CONTRASENA
    BaseInexistente,     // ERR_BASE_DATOS_USUARIO
    UsuarioNoEncontrado, // EMAIL_ERR_USUARIO_NO_ENCONTRADO
};

// A new key: 140 bits from the system's cryptographic random source, in
// Crockford's base 32 (digits and capitals without I, L, O, U), in groups of
// four joined by dashes.
QString nuevaClave();
// The one form of a typed key: letter case, blanks and dashes do not count,
// and O reads as 0, I and L as 1. Empty when the text cannot be a key.
QString formaClave(const QString& tecleada);

// How long a key lasts, as the mail and the page say it.
QString textoVigencia();
// The refusal while wrong keys wait, `minutos` more minutes.
QString textoEspera(int minutos);

// The mail template with its first EMAIL_REPLACE replaced by
// EMAIL_CLAVE_RECUPERACION, the key and, on a line of its own, textoVigencia.
QString cuerpoCorreo(const QString& plantilla, const QString& clave);

// Whether a key can be mailed for the business `componente`: its
// administrator has set its mail ("Configurar correo"), or the deployment
// the program-wide one (AjustesCorreo).
bool correoConfigurado(const QString& componente);

// Keeps a new key for `email` in the business `componente`, voiding the ones
// sent before for both, and mails it through the mail settings of that
// business (AjustesCorreo), the body being the resource package's template. True when the server took
// the mail; otherwise shows ERR_CORREO_SIN_CONFIGURAR while the mail is not
// set, or why the key was not sent.
bool enviaClave(const QString& componente, const QString& email);

// What the mail takes from the resource package: its template and the
// brand's sender. The package is called on the UI thread, so a window that
// sends from a worker thread reads this first and sends with the overload.
struct TMarcaCorreo {
    QString plantilla;
    QString remitente;
};
TMarcaCorreo marcaCorreo();
// enviaClave with the package's texts already read; from any thread (the
// messages go through the prompter, which shows them on the UI thread).
bool enviaClave(const QString& componente, const QString& email, const TMarcaCorreo& marca);

// Whether the key serves `email` in the business `componente` now (the
// e-mail's letter case and the blanks around it do not count). When not,
// shows why: textoEspera while
// wrong keys wait (the key is not even looked at), ERR_CLAVE_VENCIDA,
// ERR_CLAVE_USADA or ERR_CLAVE_ANULADA for a key that was the user's,
// ERR_CLAVE_RECUPERACION for any other, which counts as a wrong key.
bool validaClave(const QString& componente, const QString& clave, const QString& email);

// Sets the new password of `email` in the business `componente`, only with a
// key that serves that e-mail there (as validaClave) and a repetition equal
// to the password; the key is then used up. An empty password is allowed
// (signing in without one).
TResultado guardaPassword(const QString& componente, const QString& email, const QString& clave,
                          const QString& password, const QString& repetida);

} // namespace Recuperacion
