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
    SinAcceso,         // ERR_USUARIO_ACCESO_EMPRESA; also a user or link no longer active
    // The business's database server did not answer; the entry stays
    // enabled, for the server may only be off for now.
    ServidorSinRespuesta,
    // The stored connection does not decipher here (another installation's
    // key) and the business's folder holds no database of it; the entry stays
    // enabled, for it may still lead to a server.
    ConexionIlegible,
    // The business was deleted (TNegocio::ESTATUS_INACTIVO); its database
    // stays on disk, but nobody enters it.
    EmpresaEliminada,
    // The business's database server answered but refused the stored account
    // or password (changed since), or no longer has the database, or would
    // not open it for another reason. The entry stays enabled: "Conectar a
    // una empresa en un servidor" may give it the new password.
    ServidorRechazaCuenta,
    BaseNoEstaEnServidor,
    ServidorNoAbre,
};

// The messages of a result, in the order they are shown; `rfc`, when given,
// names the business in those that speak of it.
QStringList mensajes(TResultado resultado, const QString& rfc = {});

// Signs in: `componente` is the chosen tile's name (the RFC with "&" as "_").
// On success the session (Sistema::Conexion, Negocio, Usuario,
// UsuarioNegocio, branches) is filled, the database brought up to date and
// the business folders created. A password is checked against the stored
// hash; a user created without password signs in with an empty one. A
// password stored by an earlier version is rewritten as a hash. A business
// whose stored connection does not decipher here is opened from its own
// folder (NuevoNegocio::archivoLocal) when its database is there, and once
// signed in its registration is written again under this installation's
// key; without that database the result is ConexionIlegible. Every attempt,
// let in or refused, writes one line to the log.
TResultado ingresa(const QString& componente, const QString& email, const QString& password);
// The same sign-in for a user already signed in to another business, with
// the password of the last successful ingresa (kept in memory only): it lets
// the user in when they have the same password in both databases. Logged as
// ingresa.
TResultado reingresa(const QString& componente, const QString& email);
// Takes the password the user now has in the session's business: one typed
// when the business was created, or the new one saved in the profile.
// Without it the next reingresa would still check the old one.
void recuerdaPassword(const QString& password);
// Forgets that password: the session has ended.
void olvidaSesion();

// Brings a business database up to the program's schema.
void updateBaseDatos(const TConexionSesion& conexion);

} // namespace Ingreso
