#pragma once
#include "ComunesExport.h"

#include <QByteArray>
#include <QString>

// How the program keeps what must stay secret. Two kinds:
// - passwords, which are only ever compared: a slow salted one-way hash, so a
//   copy of a database gives nobody a password back except by guessing;
// - what must be read back (connection strings, the mail and server
//   passwords, a certificate's key password, a business's own secret): an
//   authenticated cipher under a random key of this installation, kept in the
//   program folder's Motor/ and nowhere in the source.
// The older program-wide cipher (Signerutils::TSigner::crypt, "v1:") is still
// read, so data written before can be migrated when it is next used.
namespace Secretos {

// A user's password: Argon2id with a random salt. The stored text carries
// the algorithm, its parameters and the salt ("$argon2id$v=19$m=...,t=...,
// p=1$...$..."), so parameters raised later still check older hashes.
// Raises ECifrado when the hash cannot be made (out of memory).
COMUNES_EXPORT QString hashPassword(const QString& password);
// Whether `hash` is hashPassword's text for `password`; false for any text
// that is not such a hash.
COMUNES_EXPORT bool verificaPassword(const QString& hash, const QString& password);
// Whether a stored text is a password hash (and not an older form).
COMUNES_EXPORT bool esHashPassword(const QString& guardado);
// Whether a hash was made with weaker parameters than hashPassword uses now,
// so it should be made again while the password is at hand.
COMUNES_EXPORT bool hashDebil(const QString& hash);

// The installation's key file, relative to the program folder.
inline const QString ARCHIVO_LLAVE = QStringLiteral("Motor/Instalacion.llave");
// The 32 bytes of the program folder's key, made at random (owner-only file)
// the first time any process asks. Two processes starting together agree on
// one key. Raises ECifrado when the file cannot be made or read, or was cut.
COMUNES_EXPORT QByteArray llaveInstalacion(const QString& carpetaPrograma);

// Authenticated encipherment under a 32-byte key (AES-256-GCM, a random
// nonce each time): printable, without "|" or line breaks, so it fits
// connection-string fields, INI values and text columns. The same text gives
// a different stored text every time.
COMUNES_EXPORT QString cifra(const QString& texto, const QByteArray& llave);
// Raises ECifrado when the text was not made by cifra under that key, or
// was altered.
COMUNES_EXPORT QString descifra(const QString& guardado, const QByteArray& llave);

// cifra under the installation key of `carpetaPrograma`.
COMUNES_EXPORT QString cifraLocal(const QString& texto, const QString& carpetaPrograma);
// Reads what cifraLocal wrote and what the older program-wide cipher wrote.
// Raises ECifrado otherwise (another installation's text among them).
COMUNES_EXPORT QString descifraLocal(const QString& guardado, const QString& carpetaPrograma);
// Whether a stored text is in the older program-wide cipher, to be written
// again with cifraLocal once read.
COMUNES_EXPORT bool esFormaAntigua(const QString& guardado);
// Whether a stored text has cifra's form (whoever's key it was made under).
COMUNES_EXPORT bool esFormaActual(const QString& guardado);

// A 32-byte key from a password and a salt (Argon2id), for archives that
// must open on another computer.
COMUNES_EXPORT QByteArray llaveDePassword(const QString& password, const QByteArray& sal);
// `n` bytes from the system's random source.
COMUNES_EXPORT QByteArray aleatorio(int n);
// HMAC-SHA256.
COMUNES_EXPORT QByteArray hmac(const QByteArray& llave, const QByteArray& datos);
// Equality that takes the same time wherever the texts differ.
COMUNES_EXPORT bool iguales(const QByteArray& a, const QByteArray& b);

} // namespace Secretos
