#include "Signerutils.h"

#include "Errores.h"

#include <QByteArray>

#include <openssl/err.h>
#include <openssl/evp.h>

#include <memory>

namespace {

// Stored texts carry their format so a later cipher can live beside this one.
const QByteArray PREFIJO = QByteArrayLiteral("v1:");
// First byte of every plain text: AES-SIV refuses an empty plain text, and the
// byte tells the format of what follows (UTF-8 text).
constexpr char TIPO_TEXTO = 0x01;
constexpr int LONGITUD_ETIQUETA = 16;
constexpr int LONGITUD_CLAVE = 64;

QString textoInvalido()
{
    return QStringLiteral("El texto cifrado no es válido o fue alterado.");
}

// Stored texts are compared as stored (passwords, permission texts), so the key
// is fixed for the program; it is derived rather than written out so that no
// key bytes appear as a literal.
const QByteArray& clavePrograma()
{
    static const QByteArray clave = [] {
        const QByteArray secreto =
            QByteArrayLiteral("Velkor/Comunes/Signer: comprobantes, conexiones y permisos - 2024");
        QByteArray resultado(EVP_MAX_MD_SIZE, '\0');
        unsigned int longitud = 0;
        if (EVP_Digest(secreto.constData(), static_cast<size_t>(secreto.size()),
                       reinterpret_cast<unsigned char*>(resultado.data()), &longitud, EVP_sha512(), nullptr) != 1 ||
            longitud != LONGITUD_CLAVE)
            return QByteArray();
        resultado.truncate(LONGITUD_CLAVE);
        return resultado;
    }();
    return clave;
}

struct LiberaCipher {
    void operator()(EVP_CIPHER* c) const { EVP_CIPHER_free(c); }
};
struct LiberaContexto {
    void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};
using Cipher = std::unique_ptr<EVP_CIPHER, LiberaCipher>;
using Contexto = std::unique_ptr<EVP_CIPHER_CTX, LiberaContexto>;

const unsigned char* bytes(const QByteArray& datos)
{
    return reinterpret_cast<const unsigned char*>(datos.constData());
}

// The failed call leaves its reasons queued; they belong to this call only and
// must not surface in an unrelated OpenSSL check later on.
[[noreturn]] void falla(const QString& mensaje)
{
    ERR_clear_error();
    throw ECifrado(mensaje);
}

struct Preparado {
    Cipher cipher;
    Contexto ctx;
};

Preparado prepara(const QString& mensajeFalla)
{
    Preparado p{Cipher(EVP_CIPHER_fetch(nullptr, "AES-256-SIV", nullptr)), Contexto(EVP_CIPHER_CTX_new())};
    if (!p.cipher || !p.ctx || clavePrograma().size() != LONGITUD_CLAVE ||
        EVP_CIPHER_get_key_length(p.cipher.get()) != LONGITUD_CLAVE)
        falla(mensajeFalla);
    return p;
}

} // namespace

namespace Signerutils {

QString TSigner::crypt(const QString& texto) const
{
    const QString noCifra = QStringLiteral("No fue posible cifrar el texto.");
    Preparado p = prepara(noCifra);

    QByteArray plano;
    plano.reserve(texto.size() * 3 + 1);
    plano.append(TIPO_TEXTO);
    plano.append(texto.toUtf8());

    // The prefix is authenticated too, so a stored text relabelled as another
    // format is refused rather than read under the wrong rules.
    QByteArray salida(LONGITUD_ETIQUETA + plano.size(), '\0');
    auto* etiqueta = reinterpret_cast<unsigned char*>(salida.data());
    auto* cifrado = etiqueta + LONGITUD_ETIQUETA;
    int l = 0;
    if (EVP_EncryptInit_ex2(p.ctx.get(), p.cipher.get(), bytes(clavePrograma()), nullptr, nullptr) != 1 ||
        EVP_EncryptUpdate(p.ctx.get(), nullptr, &l, bytes(PREFIJO), static_cast<int>(PREFIJO.size())) != 1 ||
        EVP_EncryptUpdate(p.ctx.get(), cifrado, &l, bytes(plano), static_cast<int>(plano.size())) != 1 ||
        l != plano.size() || EVP_EncryptFinal_ex(p.ctx.get(), cifrado + l, &l) != 1 ||
        EVP_CIPHER_CTX_ctrl(p.ctx.get(), EVP_CTRL_AEAD_GET_TAG, LONGITUD_ETIQUETA, etiqueta) != 1)
        falla(noCifra);

    // Standard base64 has no "|" and, unwrapped, no line break: the stored
    // text fits connection-string fields, INI values and text columns.
    return QString::fromLatin1(PREFIJO + salida.toBase64());
}

QString TSigner::decrypt(const QString& texto) const
{
    const QByteArray guardado = texto.toLatin1();
    if (texto.size() != guardado.size() || !guardado.startsWith(PREFIJO) || QString::fromLatin1(guardado) != texto)
        falla(textoInvalido());

    const QByteArray base64 = guardado.mid(PREFIJO.size());
    auto decodificado = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
    // Only the exact text crypt wrote is accepted: padding variants and stray
    // bits that decode to the same bytes are refused as well.
    if (!decodificado || decodificado.decoded.toBase64() != base64 ||
        decodificado.decoded.size() < LONGITUD_ETIQUETA + 1)
        falla(textoInvalido());
    const QByteArray& datos = decodificado.decoded;

    Preparado p = prepara(textoInvalido());
    QByteArray etiqueta = datos.left(LONGITUD_ETIQUETA);
    const QByteArray cifrado = datos.mid(LONGITUD_ETIQUETA);
    QByteArray plano(cifrado.size(), '\0');
    int l = 0;
    if (EVP_DecryptInit_ex2(p.ctx.get(), p.cipher.get(), bytes(clavePrograma()), nullptr, nullptr) != 1 ||
        EVP_CIPHER_CTX_ctrl(p.ctx.get(), EVP_CTRL_AEAD_SET_TAG, LONGITUD_ETIQUETA, etiqueta.data()) != 1 ||
        EVP_DecryptUpdate(p.ctx.get(), nullptr, &l, bytes(PREFIJO), static_cast<int>(PREFIJO.size())) != 1 ||
        EVP_DecryptUpdate(p.ctx.get(), reinterpret_cast<unsigned char*>(plano.data()), &l, bytes(cifrado),
                          static_cast<int>(cifrado.size())) != 1 ||
        l != cifrado.size() ||
        EVP_DecryptFinal_ex(p.ctx.get(), reinterpret_cast<unsigned char*>(plano.data()) + l, &l) != 1)
        falla(textoInvalido());

    if (plano.isEmpty() || plano.at(0) != TIPO_TEXTO)
        falla(textoInvalido());
    return QString::fromUtf8(plano.constData() + 1, plano.size() - 1);
}

QString TSigner::hash(const QString& texto) const
{
    const QByteArray datos = texto.toUtf8();
    QByteArray resumen(EVP_MAX_MD_SIZE, '\0');
    unsigned int longitud = 0;
    if (EVP_Digest(datos.constData(), static_cast<size_t>(datos.size()),
                   reinterpret_cast<unsigned char*>(resumen.data()), &longitud, EVP_sha256(), nullptr) != 1)
        falla(QStringLiteral("No fue posible calcular el resumen del texto."));
    resumen.truncate(static_cast<int>(longitud));
    return QString::fromLatin1(resumen.toHex());
}

TSigner& Signer()
{
    static TSigner signer;
    return signer;
}

} // namespace Signerutils
