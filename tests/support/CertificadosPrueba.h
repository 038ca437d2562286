#pragma once
#include <QByteArray>
#include <QString>

#include <memory>

struct evp_pkey_st;

// Certificates and keys made by a test with OpenSSL, shaped as the SAT's are
// (a CSD's key usage, the RFC in 2.5.4.45, the certificate number written as
// ASCII digits into the serial) but carrying whatever RFC, number or key
// protection a case needs. Everything is DER.
class TCredencialPrueba {
public:
    // A fresh key pair (EC P-256: quick to make; the signer does not care
    // about the key type), or RSA 2048 as a seal needs.
    explicit TCredencialPrueba(bool rsa = false);
    ~TCredencialPrueba();
    TCredencialPrueba(const TCredencialPrueba&) = delete;
    TCredencialPrueba& operator=(const TCredencialPrueba&) = delete;

    // A self-signed certificate of this key pair. An empty `rfc` leaves
    // 2.5.4.45 out; `csd` false declares a FIEL's key usage instead.
    QByteArray certificado(const QString& rfc, const QByteArray& numero = "30001000000500009999",
                           bool csd = true) const;
    // The key as encrypted PKCS#8 (PBES2, PBKDF2, des-ede3-cbc), as the SAT
    // delivers it, derived with that many iterations.
    QByteArray llaveCifrada(const QByteArray& password, int iteraciones = 2048) const;
    // The key with no password: PKCS#8, or the key type's own format.
    QByteArray llaveSinCifrar() const;
    QByteArray llaveTradicional() const;

    // Encrypted-key headers whose derivation would take `iteraciones`
    // rounds, over random bytes: nothing in them can be decrypted, and
    // deriving their key would take minutes.
    static QByteArray llavePbes2(int iteraciones);
    static QByteArray llavePbes1(int iteraciones);
    static QByteArray llaveScrypt();

    // The key pair, owned by this object.
    evp_pkey_st* llave() const { return m_llave; }

    // The text in PEM form with that label.
    static QByteArray pem(const QByteArray& der, const QByteArray& etiqueta);
    // Writes the bytes as the whole content of the file.
    static void escribe(const QString& ruta, const QByteArray& bytes);

private:
    evp_pkey_st* m_llave = nullptr;
};
