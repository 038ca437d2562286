#pragma once
#include "ComunesExport.h"
#include "Errores.h"

#include <QMap>
#include <QString>

namespace Signerutils {

// Why a mail was not delivered, so a window can say it in plain words.
enum class TFallaCorreo {
    Datos,         // no server, sender or recipient
    Conexion,      // the server could not be reached
    Autenticacion, // the server refused the account or its password
    Cifrado,       // the secure connection asked for could not be made
    Certificado,   // the server's certificate is not trusted
    Servidor,      // the server refused the mail for another reason
    Interrumpida,  // the server cut the connection or cannot take mail for now
};

// A mail could not be delivered; the message says why, in Spanish, with the
// server's and the mail library's own details for the log.
class COMUNES_EXPORT ECorreo : public EVelkor {
public:
    explicit ECorreo(const QString& mensaje, TFallaCorreo falla = TFallaCorreo::Servidor)
        : EVelkor(mensaje), m_falla(falla)
    {
    }
    QString clase() const override { return QStringLiteral("ECorreo"); }
    TFallaCorreo falla() const { return m_falla; }

private:
    TFallaCorreo m_falla;
};

// Delivery settings beyond the texts of sendPassMail.
struct TOpcionesCorreo {
    // PEM file of the authorities trusted for the server's certificate (a
    // business's own relay); empty: the system's.
    QString certificadosCA;
    // Time allowed to connect, and without progress once connected.
    int segundosEspera = 30;
    // Subject of the mail; empty: EMAIL_ASUNTO_RECUPERACION.
    QString asunto;
};

// What the check of a certificate and its private key found, in the order it
// looks: the key first, then the certificate, then whether they are a pair.
// Each outcome has its message for the user (mensajeRevision).
enum class TRevision {
    Correcto,
    LlaveIlegible,       // missing, not a regular file, too large or not a key
    LlaveSinCifrar,      // a key that needs no password
    LlaveNoAdmitida,     // its key derivation is not one a SAT key uses
    PasswordIncorrecto,  // the password does not open it
    CertificadoIlegible, // missing, not a regular file, too large or damaged
    NoEsCsd,             // another kind of certificate (a FIEL, a TLS one)
    RfcNoValido,         // its subject RFC does not have an RFC's form
    NumeroNoValido,      // its serial is not the SAT's 20-digit number
    NoCorresponden,      // the key is not the certificate's pair
};

// The text the user sees for an outcome; `usoLlave` (the certificate's
// CERT_INTENDEDKEYUSAGE) completes the NoEsCsd message. Empty for Correcto.
COMUNES_EXPORT QString mensajeRevision(TRevision revision, const QString& usoLlave = QString());

// Whether the text is an RFC: 3 letters (a legal person) or 4 (a natural
// person) among A-Z, Ñ and &, the 6 digits of a date and 3 letters or
// digits, upper case, nothing around it. Only such a text may name a
// business folder or a database.
COMUNES_EXPORT bool esRfcValido(const QString& rfc);
// The RFC of a certificate's subject identifier (CERT_OID_45): a legal
// person's is followed by " / " and its representative's RFC.
COMUNES_EXPORT QString rfcDelSujeto(const QString& identificador);

// Ciphers and hashes for texts the program stores: connection strings,
// passwords, permission texts. Certificate and mail operations live beside
// these as the features that need them arrive.
class COMUNES_EXPORT TSigner {
public:
    // Deterministic authenticated encipherment into printable text: the same
    // plain text always gives the same stored text (stored passwords and
    // permission texts are compared as stored), and any change to the stored
    // text is detected.
    QString crypt(const QString& texto) const;
    // Raises ECifrado when the text was not produced by crypt or was altered.
    QString decrypt(const QString& texto) const;
    // Lower-case hexadecimal SHA-256 of the UTF-8 text.
    QString hash(const QString& texto) const;

    // Certificates and keys as the SAT delivers them: a DER (or PEM) X.509
    // .cer and an encrypted PKCS#8 DER .key. None of these throws: a missing,
    // truncated or foreign file is a false result or an empty dictionary.

    // Whether the password opens the private key.
    bool verificaClave(const QString& archivoLlave, const QString& password) const;
    // Whether the key opens with the password and is the certificate's pair.
    bool getRelacion(const QString& archivoCertificado, const QString& archivoLlave, const QString& password) const;
    // Name=value facts of the certificate, keyed by the CERT_* constants:
    // CERT_SERIALNUMBER (the SAT certificate number), CERT_OID_45 (subject
    // RFC, as written), CERT_OID_41 (subject name), CERT_VALIDTOSTR (end of
    // validity, FORMATO_FECHA) and CERT_INTENDEDKEYUSAGE (CERT_CSD for a seal
    // certificate). Empty when the file cannot be read.
    QMap<QString, QString> getInformacionCertificado(const QString& archivoCertificado) const;

    // Sends the HTML mail `html` (subject EMAIL_ASUNTO_RECUPERACION unless
    // the options name another) from
    // `remitente` ("Name <address>" or an address) to `destinatario` through
    // the SMTP server `servidor`: "host", "host:port", "smtp://host:port", or
    // "smtps://host:port" for TLS from the first byte. STARTTLS is used
    // whenever the server offers it; with `tlsObligatorio` nothing is sent
    // without it. An empty `cuenta` sends without authentication. Raises
    // ECorreo, saying which failure it was, when the server did not accept the mail.
    void sendPassMail(const QString& servidor, const QString& destinatario, const QString& cuenta,
                      const QString& password, const QString& remitente, const QString& html, bool tlsObligatorio,
                      const TOpcionesCorreo& opciones = {}) const;

    // The checks a certificate passes before anything is taken from it: a
    // readable CSD whose subject RFC (rfcDelSujeto) is an RFC and whose
    // serial is the SAT's 20 digits.
    TRevision revisaCertificado(const QString& archivoCertificado) const;
    // The checks a key passes before its password is tried and then the
    // password: an encrypted PKCS#8 key whose key derivation is bounded as
    // a SAT key's is (ITERACIONES_MAXIMAS); a key asking for more is refused
    // before any derivation runs.
    TRevision revisaLlave(const QString& archivoLlave, const QString& password) const;
    // revisaLlave, then revisaCertificado, then whether they are a pair.
    TRevision revisaCertificados(const QString& archivoCertificado, const QString& archivoLlave,
                                 const QString& password) const;
    // mensajeRevision of the outcome, completed with the certificate's key
    // usage when it is not a CSD.
    QString explicaRevision(TRevision revision, const QString& archivoCertificado) const;

    // Real SAT keys derive their encryption key with 1024 or 2048 PBKDF2 (or
    // PBES1) iterations; this bound leaves wide margin while a key at the
    // bound still opens in a fraction of a second.
    static constexpr long long ITERACIONES_MAXIMAS = 100000;
};

// The shared signer, created on first use.
COMUNES_EXPORT TSigner& Signer();

} // namespace Signerutils
