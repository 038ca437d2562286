#pragma once
#include <QString>

// The personalised link of the letter of manifest: the provider's page
// recognises the business by its RFC, its name and a hash of both made with
// the service's token.
namespace CartaManifiesto {

// What the page's link says; the address itself is its tooltip.
inline const QString TEXTO_LIGA = QStringLiteral("Firmar la carta manifiesto en el sitio del proveedor");
// No browser opened the link; %1 is the address to copy.
inline const QString ERR_SIN_NAVEGADOR =
    QStringLiteral("No se pudo abrir el navegador de esta computadora. Copia esta dirección y ábrela en un "
                   "navegador para firmar la carta manifiesto:\n\n%1");

// The name with the accents of á é í ó ú Á É Í Ó Ú taken off; every other
// character (ñ, Ñ, ü...) stays.
QString quitaAcentos(const QString& nombre);

// The link from the address and token templates of the resource package:
// in the token the RFC and name placeholders are replaced and the result
// hashed; in the address the RFC, name and hash placeholders are replaced
// (placeholders in any letter case, every occurrence). Each value enters the
// address percent-encoded, so an RFC or name with "&", "#", "?" or blanks
// stays one value of the address. Missing templates give what is left.
QString construyeUrl(const QString& plantillaUrl, const QString& plantillaToken, const QString& rfc,
                     const QString& nombre);

} // namespace CartaManifiesto
