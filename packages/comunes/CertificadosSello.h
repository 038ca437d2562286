#pragma once
#include <QByteArray>
#include <QString>

#include <openssl/evp.h>

#include <functional>
#include <memory>

// The certificates the seal check reads (the issuer's, carried in the voucher,
// and the SAT's, from Certificados/SAT/), each read once: most vouchers of a
// folder share a few issuers. Inside the Comunes library only (not exported);
// safe from any thread.
namespace CertificadosSello {

struct LiberaLlave {
    void operator()(EVP_PKEY* llave) const { EVP_PKEY_free(llave); }
};

struct Certificado {
    std::unique_ptr<EVP_PKEY, LiberaLlave> llave;
    QString numero;
    QString rfc; // upper case, without the representative's
    // It declares the uses of a seal certificate (CSD) and no other.
    bool csd = false;
    // Its validity in seconds since 1970 UTC; empty (hasta < desde) when
    // unreadable.
    qint64 desde = 0, hasta = -1;
};
using CertificadoCompartido = std::shared_ptr<const Certificado>;

// The RSA certificate kept under `clave` (the voucher's base64, or a file's
// identity: replacing the file changes the key), else read from the DER that
// `der` gives; null when it is none. Bounded: the oldest entry leaves first.
CertificadoCompartido busca(const QByteArray& clave, const std::function<QByteArray()>& der);

// Whether `selloBase64` is the key's signature of `datos` (SHA-256, or SHA-1).
bool firmaValida(EVP_PKEY* llave, bool sha256, const QByteArray& datos, const QByteArray& selloBase64);

} // namespace CertificadosSello
