#pragma once
#include "FirmaPermisos.h"

class TConexionSesion;

// A database on a server is shared by every workstation that connects to it,
// so no single installation's key can hold its business's secret. There the
// secret is enciphered under a key drawn (Argon2id, salted) from the server
// account's password, which every workstation of the business already holds:
//   "s1:" + Base64(salt) + ":" + Secretos::cifra(Base64(secret), key)
// That grants no more than the account itself: whoever holds it may already
// rewrite any row of the database, password hashes included. A dump or a copy
// of the database alone still gives nothing.
namespace FirmaPermisos {

// The form the Secreto column takes on the database of `conexion`: the
// installation's cipher on an embedded file, the shared one on a server.
BASEDATOS_EXPORT QString guardaSecreto(const QByteArray& secreto, const QString& carpetaPrograma,
                                       const TConexionSesion& conexion);
BASEDATOS_EXPORT bool esSecretoCompartido(const QString& guardado);
// Either form, as the database of `conexion` allows: the shared one only on a
// server, opened with that connection's password. The key is drawn once per
// stored value and password, since permissions are read at every check.
BASEDATOS_EXPORT TSecreto secretoDe(const TNegocio& negocio, const QString& carpetaPrograma,
                                    const TConexionSesion& conexion);

} // namespace FirmaPermisos
