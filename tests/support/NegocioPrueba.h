#pragma once
#include "CarpetaPrograma.h"
#include "TConexionSesion.h"

#include <QString>

// Businesses made the way the wizard's first run makes them (NuevoNegocio),
// for the tests of what comes after: sign-in, recovery, backups.
namespace NegocioPrueba {

// The empty registry of businesses in the program folder, as after the
// first start.
void creaRegistro(const TCarpetaPrograma& programa);

// A registered business with its database in db/RFC/, the owner `email`
// signing in with `password`. The SAT test seal certificate of
// EKU9003173C9 serves any RFC.
TConexionSesion crea(const QString& rfc, const QString& email, const QString& password,
                     const QString& razon = QStringLiteral("NEGOCIO DE PRUEBA SA DE CV"));

// Forgets the signed-in business, user and connection.
void limpiaSesion();

} // namespace NegocioPrueba
