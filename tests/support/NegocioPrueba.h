#pragma once
#include "CarpetaPrograma.h"
#include "Entidades.h"
#include "TConexionSesion.h"

#include <QString>

// Real businesses for the tests of what comes after the first run (sign-in,
// recovery, backups, the signed-in windows): created through the same service
// the wizard uses, from the test CSDs of tests/data/csd, and registered in the
// program folder's registry.
namespace NegocioPrueba {

inline const QString PASSWORD_CSD = QStringLiteral("12345678a");
// The two test CSDs that make businesses (persona moral both).
inline const QString RFC_ESCUELA = QStringLiteral("EKU9003173C9");
inline const QString RFC_ACCEM = QStringLiteral("AAA010101AAA");

// The CSD files of an RFC ("EKU9003173C9" -> EKU9003173C9.cer/.key); any
// other RFC gets EKU9003173C9's.
QString certificado(const QString& rfc);
QString llave(const QString& rfc);

// The empty registry of the program folder (the splash writes it at start).
void creaRegistro(const TCarpetaPrograma& carpeta);

// A registered business with its database in db/RFC/, the owner `email`
// signing in with `password`; the session is left empty, as after a restart.
TConexionSesion crea(const QString& rfc, const QString& email, const QString& password,
                     const QString& razon = QStringLiteral("NEGOCIO DE PRUEBA SA DE CV"));
// The same with the business named `nombre` and its legal name `razon`
// (when empty, `nombre` in capitals).
void registra(const QString& rfc, const QString& nombre, const QString& email, const QString& password,
              const QString& razon = QString());

// Forgets the signed-in business, user and connection.
void limpiaSesion();

// The signed-in user's rights, as the permission text's eight flags
// ("-1|0|-1|-1|-1|-1|-1|-1"), signed with the business's secret and kept in
// the session only.
void fijaPermisos(const QString& banderas);

// A branch and a series of the signed-in business.
TSucursal agregaSucursal(const QString& nombre);
TSerie agregaSerie(const TSucursal& sucursal, const QString& serie, const QString& tipo, const QString& folio,
                   bool porDefecto);

} // namespace NegocioPrueba
