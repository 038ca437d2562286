#pragma once
#include "TConexionSesion.h"

#include <QString>

// Signing in to a registered business, without any window: the wizard shows
// the message each result stands for.
namespace Ingreso {

enum class TResultado {
    Correcto,
    SinEmpresa,        // ERR_SELECCION_EMPRESA
    SinCorreo,         // ERR_SELECCION_CORREO_ELECTRONICO
    BaseInexistente,   // ERR_BASE_DATOS_USUARIO; the entry was disabled
    EmpresaNoValida,   // ERR_EMPRESA_NO_VALIDA; the entry was disabled
    UsuarioIncorrecto, // ERR_USUARIO_CONTRASEÑA_INCORRECTA (unknown user or wrong password)
    EmpresaYUsuario,   // both of the two above
    SinAcceso,         // ERR_USUARIO_ACCESO_EMPRESA
};

// The messages of a result, in the order they are shown.
QStringList mensajes(TResultado resultado);

// Signs in: `componente` is the chosen tile's name (the RFC with "&" as "_").
// On success the session (Sistema::Conexion, Negocio, Usuario,
// UsuarioNegocio, branches) is filled, the database brought up to date and
// the business folders created. A password is compared with the stored one;
// a user created without password signs in with an empty one. Every attempt,
// let in or refused, writes one line to the log.
TResultado ingresa(const QString& componente, const QString& email, const QString& password);
// The same sign-in for a user already signed in to another business: the
// password is given as stored (the user's getPassword), so it matches when
// the user has the same password in both databases. Logged as ingresa.
TResultado reingresa(const QString& componente, const QString& email, const QString& passwordGuardado);

// Brings a business database up to the program's schema.
void updateBaseDatos(const TConexionSesion& conexion);

} // namespace Ingreso
