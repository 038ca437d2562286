#pragma once
#include <QString>

// Password recovery, without any window. The key is mailed to the user and
// proves the mail was received; it is made by the signer from the e-mail and
// stored nowhere. Every operation shows its own messages (Utils::mensaje).
//
// The recovery page drives it: "Enviar Clave" calls enviaClave with the
// page's e-mail; "Ingresar" calls validaClave and enables "Guardar" when it
// returns true; "Guardar" calls guardaPassword and goes back to the sign-in
// page when it returns Correcto.
namespace Recuperacion {

enum class TResultado {
    Correcto,            // EMAIL_CONTRASENA_ACTUALIZA was shown
    ClaveNoValida,       // ERR_CLAVE_RECUPERACION
    ContrasenaDistinta,  // ERR_CONTRASENA
    BaseInexistente,     // ERR_BASE_DATOS_USUARIO
    UsuarioNoEncontrado, // EMAIL_ERR_USUARIO_NO_ENCONTRADO
};

// The key of an e-mail (as typed, without surrounding blanks).
QString claveRecuperacion(const QString& email);
// The mail template with its first EMAIL_REPLACE replaced by
// EMAIL_CLAVE_RECUPERACION followed by the key.
QString cuerpoCorreo(const QString& plantilla, const QString& clave);

// Whether this computer can mail a key: its administrator has set the mail
// ("Configurar correo", AjustesCorreo).
bool correoConfigurado();

// Mails the key to `email` through the computer's mail settings
// (AjustesCorreo), the body being the resource package's template. True
// when the server took the mail; otherwise shows ERR_CORREO_SIN_CONFIGURAR
// while the mail is not set, or why the server did not take it.
bool enviaClave(const QString& email);

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
bool enviaClave(const QString& email, const TMarcaCorreo& marca);

// Whether the key (blanks around it ignored) was made for `email`; shows
// ERR_CLAVE_RECUPERACION when not.
bool validaClave(const QString& clave, const QString& email);

// Sets the new password of `email` in the business of the chosen tile
// (`componente`: its RFC with "&" as "_"), only with a key valid for that
// e-mail and a repetition equal to the password. An empty password is
// allowed (signing in without one).
TResultado guardaPassword(const QString& componente, const QString& email, const QString& clave,
                          const QString& password, const QString& repetida);

} // namespace Recuperacion
