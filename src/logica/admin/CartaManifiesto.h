#pragma once
#include <QString>

// The personalised link of the letter of manifest: the provider's page
// recognises the business by its RFC, its name and a hash of both made with
// the service's token.
namespace CartaManifiesto {

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
