#include "CertificadosPrueba.h"

#include <QFile>

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pkcs12.h>
#include <openssl/rsa.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace {

[[noreturn]] void falla(const char* que)
{
    qFatal("OpenSSL no pudo %s", que);
}

template <class T> T* exige(T* valor, const char* que)
{
    if (!valor)
        falla(que);
    return valor;
}

template <class F, class T> QByteArray der(F i2d, T* objeto)
{
    unsigned char* datos = nullptr;
    const int longitud = i2d(objeto, &datos);
    if (longitud <= 0)
        falla("codificar en DER");
    QByteArray resultado(reinterpret_cast<const char*>(datos), longitud);
    OPENSSL_free(datos);
    return resultado;
}

void agregaExtension(X509* certificado, int nid, const char* valor)
{
    X509V3_CTX contexto;
    X509V3_set_ctx_nodb(&contexto);
    X509V3_set_ctx(&contexto, certificado, certificado, nullptr, nullptr, 0);
    X509_EXTENSION* extension = exige(X509V3_EXT_nconf_nid(nullptr, &contexto, nid, valor), "crear la extensión");
    X509_add_ext(certificado, extension, -1);
    X509_EXTENSION_free(extension);
}

// An encrypted key whose algorithm is `algoritmo` and whose ciphertext is
// random: only its header can be read.
QByteArray llaveConAlgoritmo(X509_ALGOR* algoritmo)
{
    exige(algoritmo, "armar los parámetros de cifrado");
    X509_SIG* sig = exige(X509_SIG_new(), "crear la llave");
    X509_ALGOR* destino = nullptr;
    ASN1_OCTET_STRING* cifrado = nullptr;
    X509_SIG_getm(sig, &destino, &cifrado);
    const ASN1_OBJECT* oid = nullptr;
    int tipo = 0;
    const void* valor = nullptr;
    X509_ALGOR_get0(&oid, &tipo, &valor, algoritmo);
    X509_ALGOR_set0(destino, OBJ_dup(oid), tipo, ASN1_STRING_dup(static_cast<const ASN1_STRING*>(valor)));
    unsigned char azar[160];
    RAND_bytes(azar, sizeof azar);
    ASN1_OCTET_STRING_set(cifrado, azar, sizeof azar);
    const QByteArray resultado = der(i2d_X509_SIG, sig);
    X509_SIG_free(sig);
    X509_ALGOR_free(algoritmo);
    return resultado;
}

} // namespace

TCredencialPrueba::TCredencialPrueba(bool rsa)
    : m_llave(exige(rsa ? EVP_RSA_gen(2048) : EVP_EC_gen("P-256"), "crear el par de llaves"))
{
}

TCredencialPrueba::~TCredencialPrueba()
{
    EVP_PKEY_free(m_llave);
}

QByteArray TCredencialPrueba::certificado(const QString& rfc, const QByteArray& numero, bool csd) const
{
    X509* x = exige(X509_new(), "crear el certificado");
    X509_set_version(x, X509_VERSION_3);
    // The SAT writes the certificate number's digits as the serial's bytes.
    ASN1_STRING_set(X509_get_serialNumber(x), numero.constData(), static_cast<int>(numero.size()));
    X509_gmtime_adj(X509_getm_notBefore(x), 0);
    X509_gmtime_adj(X509_getm_notAfter(x), 365L * 24 * 3600);
    X509_NAME* sujeto = X509_get_subject_name(x);
    const auto agrega = [sujeto](int nid, const QString& texto) {
        const QByteArray utf8 = texto.toUtf8();
        X509_NAME_add_entry_by_NID(sujeto, nid, MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(utf8.constData()),
                                   static_cast<int>(utf8.size()), -1, 0);
    };
    agrega(NID_commonName, QStringLiteral("EMPRESA DE PRUEBA"));
    agrega(NID_name, QStringLiteral("EMPRESA DE PRUEBA SA DE CV"));
    if (!rfc.isEmpty())
        agrega(NID_x500UniqueIdentifier, rfc);
    X509_set_issuer_name(x, sujeto);
    X509_set_pubkey(x, m_llave);
    agregaExtension(x, NID_key_usage,
                    csd ? "critical,digitalSignature,nonRepudiation"
                        : "critical,digitalSignature,nonRepudiation,dataEncipherment,keyAgreement");
    if (X509_sign(x, m_llave, EVP_sha256()) <= 0)
        falla("firmar el certificado");
    const QByteArray resultado = der(i2d_X509, x);
    X509_free(x);
    return resultado;
}

QByteArray TCredencialPrueba::llaveCifrada(const QByteArray& password, int iteraciones) const
{
    PKCS8_PRIV_KEY_INFO* plana = exige(EVP_PKEY2PKCS8(m_llave), "tomar la llave");
    X509_SIG* cifrada =
        exige(PKCS8_encrypt_ex(-1, EVP_des_ede3_cbc(), password.constData(), static_cast<int>(password.size()), nullptr,
                               0, iteraciones, plana, nullptr, nullptr),
              "cifrar la llave");
    const QByteArray resultado = der(i2d_X509_SIG, cifrada);
    X509_SIG_free(cifrada);
    PKCS8_PRIV_KEY_INFO_free(plana);
    return resultado;
}

QByteArray TCredencialPrueba::llaveSinCifrar() const
{
    PKCS8_PRIV_KEY_INFO* plana = exige(EVP_PKEY2PKCS8(m_llave), "tomar la llave");
    const QByteArray resultado = der(i2d_PKCS8_PRIV_KEY_INFO, plana);
    PKCS8_PRIV_KEY_INFO_free(plana);
    return resultado;
}

QByteArray TCredencialPrueba::llaveTradicional() const
{
    return der(i2d_PrivateKey, m_llave);
}

QByteArray TCredencialPrueba::llavePbes2(int iteraciones)
{
    unsigned char sal[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    return llaveConAlgoritmo(
        PKCS5_pbe2_set_iv_ex(EVP_des_ede3_cbc(), iteraciones, sal, sizeof sal, nullptr, NID_hmacWithSHA256, nullptr));
}

QByteArray TCredencialPrueba::llavePbes1(int iteraciones)
{
    const unsigned char sal[8] = {8, 7, 6, 5, 4, 3, 2, 1};
    return llaveConAlgoritmo(
        PKCS5_pbe_set_ex(NID_pbe_WithSHA1And3_Key_TripleDES_CBC, iteraciones, sal, sizeof sal, nullptr));
}

QByteArray TCredencialPrueba::llaveScrypt()
{
    const unsigned char sal[16] = {};
    return llaveConAlgoritmo(PKCS5_pbe2_set_scrypt(EVP_aes_256_cbc(), sal, sizeof sal, nullptr, 16384, 8, 1));
}

QByteArray TCredencialPrueba::pem(const QByteArray& der, const QByteArray& etiqueta)
{
    QByteArray texto = "-----BEGIN " + etiqueta + "-----\n";
    const QByteArray base64 = der.toBase64();
    for (qsizetype i = 0; i < base64.size(); i += 64)
        texto += base64.mid(i, 64) + '\n';
    return texto + "-----END " + etiqueta + "-----\n";
}

void TCredencialPrueba::escribe(const QString& ruta, const QByteArray& bytes)
{
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::WriteOnly | QIODevice::Truncate) || archivo.write(bytes) != bytes.size())
        qFatal("No se pudo escribir %s", qPrintable(ruta));
}
