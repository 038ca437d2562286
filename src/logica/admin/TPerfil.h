#pragma once
#include "TDatosTelefono.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class TConexionSesion;
class TUsuario;

// The signed-in user's own data (names, password, phones, e-mails, picture),
// without any window: the profile page gathers what is typed and shows the
// messages it gets back.
namespace Perfil {

// What the page shows and what it hands back to be stored.
struct TDatos {
    QString nombre;
    QString apellidoPaterno;
    QString apellidoMaterno;
    QList<TDatosTelefono> telefonos;
    QStringList emails;
    // Only when saving: the three password fields as typed, and the picture
    // file chosen (empty keeps the stored picture).
    QString passwordAnterior;
    QString passwordNueva;
    QString passwordRepetida;
    QString rutaImagen;
    // Only when reading: the stored picture, empty when there is none.
    QByteArray imagen;
};

// The user's stored data: names of the person, active phones and e-mails of
// its contact in the order they were stored, the newest picture.
TDatos lee(const TUsuario& usuario, const TConexionSesion& conexion);

enum class TPassword {
    SinCambio,          // the three fields left empty: the password is not touched
    Cambiada,           //
    IgualAnterior,      // ERR_CONTRASENA_NUEVA
    NoCoinciden,        // ERR_CONTRASENA
    AnteriorIncorrecta, // ERR_CONTRASEÑA_INCORRECTA
};

// Whether the password may be changed: the new one (blanks around it aside)
// differs from the old one and equals its repetition, and the old one as
// typed is the stored one. An empty new password with the right old one is
// allowed: the user then signs in without password.
TPassword evaluaPassword(const TUsuario& usuario, const TDatos& datos, const TConexionSesion& conexion);
// The message of a refused password; empty for SinCambio and Cambiada.
QString mensajePassword(TPassword resultado);

struct TResultado {
    // Set when nothing was stored: a picture that is not one or too large,
    // an e-mail that is not one.
    QString error;
    TPassword password = TPassword::SinCambio;
};

// Stores the profile of `usuario` (the signed-in user, brought up to date):
// names, phones (rows without number are left out), e-mails (empty rows left
// out), the picture when one was chosen, and the new password when
// evaluaPassword allows it; a refused password leaves the stored one and
// still stores the rest. The password is stored as signing in checks it.
// Everything or nothing is stored; raises when a store fails.
TResultado guarda(const TDatos& datos, TUsuario& usuario, const TConexionSesion& conexion);

} // namespace Perfil
