#pragma once
#include "CarpetaPrograma.h"
#include "Entidades.h"

#include <QString>

// Real businesses for the tests of the signed-in windows: created through the
// same service the wizard uses, from the test CSDs of tests/data/csd, and
// registered in the program folder's registry.
namespace NegocioPrueba {

inline const QString PASSWORD_CSD = QStringLiteral("12345678a");
// The two test CSDs that make businesses (persona moral both).
inline const QString RFC_ESCUELA = QStringLiteral("EKU9003173C9");
inline const QString RFC_ACCEM = QStringLiteral("AAA010101AAA");

// The CSD files of an RFC ("EKU9003173C9" -> EKU9003173C9.cer/.key).
QString certificado(const QString& rfc);
QString llave(const QString& rfc);

// The empty registry of the program folder (the splash writes it at start).
void creaRegistro(const TCarpetaPrograma& carpeta);

// A new business for the owner `email` / `password`, registered on the
// computer; the session is left empty, as after a restart.
void registra(const QString& rfc, const QString& nombre, const QString& email, const QString& password);

void limpiaSesion();

// The signed-in user's rights, as the permission text's eight flags
// ("-1|0|-1|-1|-1|-1|-1|-1"), kept in the session only.
void fijaPermisos(const QString& banderas);

// A branch and a series of the signed-in business.
TSucursal agregaSucursal(const QString& nombre);
TSerie agregaSerie(const TSucursal& sucursal, const QString& serie, const QString& tipo, const QString& folio,
                   bool porDefecto);

} // namespace NegocioPrueba
