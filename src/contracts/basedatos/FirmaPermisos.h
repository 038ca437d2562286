#pragma once
#include "BaseDatosExport.h"

#include <QByteArray>
#include <QString>

class TNegocio;
class TUsuario;

// Permission texts that only the business itself can write. The rights stay
// readable (they are no secret); what makes a text count is an HMAC-SHA256
// under the business's own secret, a random key kept in its database and
// enciphered under the installation's key. Someone who can write the
// database but not read the program folder cannot make a text that grants
// anything, nor move one to another user or another business.
//
// Stored form, printable, never "v1:" (the older cipher) nor "v2:"
// (Secretos::cifra):
//   "p1:" + business id + "|" + user id + "|" + plain text + "|" + Base64(HMAC)
// where the plain text is the usual RFC + USR_PASS + "|" + eight flags +
// "|TRUE" four times. The HMAC covers all that and, besides, the RFC and the
// e-mail as the business and the user have them stored.
namespace FirmaPermisos {

inline const QString PREFIJO = QStringLiteral("p1:");
inline constexpr int LONGITUD_SECRETO = 32;

// Whom a permission text speaks for, as stored in the business database.
struct TSujeto {
    int idNegocio = -1;
    QString rfc;
    int idUsuario = -1;
    QString email;
};
// Raises what reading the business's fiscal data raises.
BASEDATOS_EXPORT TSujeto sujeto(const TNegocio& negocio, const TUsuario& usuario);
// Whether the first field of a plain permission text names the business of
// RFC `rfc`: that RFC followed by USR_PASS, blanks and letter case aside.
BASEDATOS_EXPORT bool nombraNegocio(const QString& primerCampo, const QString& rfc);

// Why a text grants what it grants, or nothing.
enum class TMotivo {
    Valido,
    Vacio,           // no text at all
    FormaAntigua,    // the older enciphered form, which no longer counts once the business signs
    Malformado,      // not a signed text (typed by hand, or cut)
    OtroNegocio,     // made for another business
    OtroUsuario,     // made for another user
    FirmaInvalida,   // the signature does not match: altered, or from another installation's business
    SinSecreto,      // the business has no secret yet
    SecretoIlegible, // the business's secret is not this installation's
};
// Why a text grants nothing, in plain Spanish and without any secret; empty
// for Valido.
BASEDATOS_EXPORT QString explica(TMotivo motivo);

// The stored form of `plano` for that user of that business.
BASEDATOS_EXPORT QString firma(const QString& plano, const TSujeto& sujeto, const QByteArray& secreto);

struct TLectura {
    TMotivo motivo = TMotivo::Vacio;
    QString plano; // only when Valido
};
BASEDATOS_EXPORT TLectura lee(const QString& guardado, const TSujeto& sujeto, const QByteArray& secreto);

// --- The business's secret
// LONGITUD_SECRETO bytes from the system's random source.
BASEDATOS_EXPORT QByteArray nuevoSecreto();
// As the Secreto column keeps it: enciphered under the installation key of
// `carpetaPrograma`.
BASEDATOS_EXPORT QString guardaSecreto(const QByteArray& secreto, const QString& carpetaPrograma);

struct TSecreto {
    TMotivo motivo = TMotivo::SinSecreto; // Valido, SinSecreto or SecretoIlegible
    QByteArray bytes;
};
// The secret a stored value holds. Only this installation's cipher is
// accepted: the older program-wide one could be written by anybody.
BASEDATOS_EXPORT TSecreto leeSecreto(const QString& guardado, const QString& carpetaPrograma);
BASEDATOS_EXPORT TSecreto secretoDe(const TNegocio& negocio, const QString& carpetaPrograma);

} // namespace FirmaPermisos
