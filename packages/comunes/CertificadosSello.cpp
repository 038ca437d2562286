#include "CertificadosSello.h"

#include "LecturaCertificado.h"
#include "Signerutils.h"

#include <QDateTime>
#include <QHash>

#include <openssl/err.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <ctime>
#include <deque>
#include <mutex>

namespace CertificadosSello {

namespace {

// As the signer tells a seal certificate (CSD) when a business is created: it
// declares digital signature and non-repudiation and no other use. An e.firma
// (FIEL) adds data encipherment and key agreement, and names extended uses.
bool esCsd(X509* x509)
{
    if (X509_get_key_usage(x509) != (KU_DIGITAL_SIGNATURE | KU_NON_REPUDIATION))
        return false;
    auto* extendidos = static_cast<EXTENDED_KEY_USAGE*>(X509_get_ext_d2i(x509, NID_ext_key_usage, nullptr, nullptr));
    const bool ninguno = !extendidos || sk_ASN1_OBJECT_num(extendidos) <= 0;
    EXTENDED_KEY_USAGE_free(extendidos);
    return ninguno;
}

bool segundos(const ASN1_TIME* tiempo, qint64& resultado)
{
    std::tm partes{};
    if (!tiempo || ASN1_TIME_to_tm(tiempo, &partes) != 1)
        return false;
    const QDateTime instante(QDate(partes.tm_year + 1900, partes.tm_mon + 1, partes.tm_mday),
                             QTime(partes.tm_hour, partes.tm_min, partes.tm_sec), Qt::UTC);
    resultado = instante.toSecsSinceEpoch();
    return instante.isValid();
}

CertificadoCompartido leeCertificadoDer(const QByteArray& der)
{
    const auto* p = reinterpret_cast<const unsigned char*>(der.constData());
    X509* x509 = d2i_X509(nullptr, &p, static_cast<long>(der.size()));
    if (!x509)
        return {};
    auto certificado = std::make_shared<Certificado>();
    certificado->llave.reset(X509_get_pubkey(x509));
    certificado->numero = LecturaCertificado::numeroCertificado(x509);
    certificado->rfc =
        Signerutils::rfcDelSujeto(LecturaCertificado::atributoSujeto(x509, NID_x500UniqueIdentifier)).toUpper();
    certificado->csd = esCsd(x509);
    // Unreadable, the validity is left empty, so no date falls within it.
    if (!segundos(X509_get0_notBefore(x509), certificado->desde) ||
        !segundos(X509_get0_notAfter(x509), certificado->hasta)) {
        certificado->desde = 0;
        certificado->hasta = -1;
    }
    X509_free(x509);
    if (!certificado->llave || !EVP_PKEY_is_a(certificado->llave.get(), "RSA"))
        return {};
    return certificado;
}

class Cache {
public:
    static constexpr int CAPACIDAD = 64;

    CertificadoCompartido busca(const QByteArray& clave, const std::function<QByteArray()>& der)
    {
        {
            const std::lock_guard<std::mutex> candado(m_mutex);
            const auto encontrado = m_certificados.constFind(clave);
            if (encontrado != m_certificados.constEnd())
                return *encontrado;
        }
        CertificadoCompartido leido = leeCertificadoDer(der());
        ERR_clear_error();
        if (!leido)
            return {};
        const std::lock_guard<std::mutex> candado(m_mutex);
        if (!m_certificados.contains(clave)) {
            if (m_orden.size() >= CAPACIDAD) {
                m_certificados.remove(m_orden.front());
                m_orden.pop_front();
            }
            m_orden.push_back(clave);
            m_certificados.insert(clave, leido);
        }
        return leido;
    }

private:
    std::mutex m_mutex;
    QHash<QByteArray, CertificadoCompartido> m_certificados;
    std::deque<QByteArray> m_orden;
};

// Fetched once: an implicit fetch per call takes the provider's locks.
const EVP_MD* digestion(bool sha256)
{
    static EVP_MD* const md256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    static EVP_MD* const md1 = EVP_MD_fetch(nullptr, "SHA1", nullptr);
    return sha256 ? md256 : md1;
}

} // namespace

CertificadoCompartido busca(const QByteArray& clave, const std::function<QByteArray()>& der)
{
    static Cache cache;
    return cache.busca(clave, der);
}

bool firmaValida(EVP_PKEY* llave, bool sha256, const QByteArray& datos, const QByteArray& selloBase64)
{
    const QByteArray firma = QByteArray::fromBase64(selloBase64);
    const EVP_MD* md = digestion(sha256);
    EVP_MD_CTX* contexto = EVP_MD_CTX_new();
    const bool valida =
        contexto && md && !firma.isEmpty() && EVP_DigestVerifyInit(contexto, nullptr, md, nullptr, llave) == 1 &&
        EVP_DigestVerify(contexto, reinterpret_cast<const unsigned char*>(firma.constData()),
                         static_cast<size_t>(firma.size()), reinterpret_cast<const unsigned char*>(datos.constData()),
                         static_cast<size_t>(datos.size())) == 1;
    EVP_MD_CTX_free(contexto);
    ERR_clear_error();
    return valida;
}

} // namespace CertificadosSello
