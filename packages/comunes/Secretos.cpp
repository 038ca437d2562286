#include "Secretos.h"

#include "Archivos.h"
#include "Errores.h"
#include "Signerutils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>
#include <sodium.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <optional>

namespace Secretos {

namespace {

const QByteArray PREFIJO = QByteArrayLiteral("v2:");
const QByteArray PREFIJO_ANTIGUO = QByteArrayLiteral("v1:");
const QByteArray PREFIJO_HASH = QByteArrayLiteral("$argon2id$");
constexpr int LONGITUD_LLAVE = 32;
constexpr int LONGITUD_NONCE = 12;
constexpr int LONGITUD_ETIQUETA = 16;

// Three passes over 64 MiB: about a tenth of a second on a 2-core office
// computer (bench_secretos), well above OWASP's minimum for Argon2id (19 MiB,
// two passes) and well within the half second a sign-in may take, the
// migration of an older password (one check, one new hash) included.
constexpr unsigned long long PASADAS = 3;
constexpr size_t MEMORIA = size_t(64) << 20;

void iniciaSodium()
{
    static std::once_flag hecho;
    std::call_once(hecho, [] {
        if (sodium_init() < 0)
            throw ECifrado(QStringLiteral("No se pudo iniciar la biblioteca de cifrado."));
    });
}

[[noreturn]] void textoInvalido()
{
    throw ECifrado(QStringLiteral("El texto cifrado no es válido o fue alterado."));
}

const unsigned char* bytes(const QByteArray& datos)
{
    return reinterpret_cast<const unsigned char*>(datos.constData());
}

unsigned char* bytes(QByteArray& datos)
{
    return reinterpret_cast<unsigned char*>(datos.data());
}

struct LiberaContexto {
    void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};
using Contexto = std::unique_ptr<EVP_CIPHER_CTX, LiberaContexto>;

// Nothing when there is no key yet. Absence is judged by the same open that
// reads: a separate look afterwards could find the key another process has
// just linked, and an empty read would pass for a damaged key.
std::optional<QByteArray> leeLlave(const QString& archivo)
{
    const int fd = ::open(QFile::encodeName(archivo).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? std::nullopt : std::optional<QByteArray>(QByteArray());
    QByteArray llave(LONGITUD_LLAVE + 1, '\0');
    qsizetype leido = 0;
    while (leido < llave.size()) {
        const ssize_t n = ::read(fd, llave.data() + leido, static_cast<size_t>(llave.size() - leido));
        if (n > 0)
            leido += n;
        else if (n == 0 || errno != EINTR)
            break;
    }
    ::close(fd);
    llave.truncate(leido);
    return llave;
}

// Linked to its name only when whole, and never over a key already there: a
// second process starting at the same moment never reads half a key, and
// never replaces the one already in use.
QByteArray creaLlave(const QString& archivo)
{
    const QString carpeta = QFileInfo(archivo).absolutePath();
    if (!QDir().mkpath(carpeta))
        throw ECifrado(QStringLiteral("No se pudo crear la carpeta \"%1\".").arg(carpeta));
    const QByteArray llave = aleatorio(LONGITUD_LLAVE);
    bool nueva = false;
    try {
        nueva = Archivos::creaPrivadoNuevo(archivo, llave);
    } catch (const EEntradaSalida& e) {
        // Its text names the file and says why (a full disk...).
        throw ECifrado(QStringLiteral("No se pudo crear la llave de esta instalación. %1.").arg(e.mensaje()));
    }
    return nueva ? llave : leeLlave(archivo).value_or(QByteArray());
}

} // namespace

QByteArray aleatorio(int n)
{
    QByteArray salida(n, '\0');
    if (RAND_bytes(bytes(salida), n) != 1)
        throw ECifrado(QStringLiteral("No se pudieron obtener datos aleatorios del sistema."));
    return salida;
}

QString hashPassword(const QString& password)
{
    iniciaSodium();
    const QByteArray plano = password.toUtf8();
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(hash, plano.constData(), static_cast<unsigned long long>(plano.size()), PASADAS, MEMORIA,
                              crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw ECifrado(QStringLiteral("No hay memoria suficiente para proteger la contraseña."));
    return QString::fromLatin1(hash);
}

bool esHashPassword(const QString& guardado)
{
    return guardado.startsWith(QString::fromLatin1(PREFIJO_HASH)) && guardado.size() < crypto_pwhash_STRBYTES;
}

bool verificaPassword(const QString& hash, const QString& password)
{
    if (!esHashPassword(hash))
        return false;
    iniciaSodium();
    const QByteArray texto = hash.toLatin1();
    const QByteArray plano = password.toUtf8();
    return crypto_pwhash_str_verify(texto.constData(), plano.constData(),
                                    static_cast<unsigned long long>(plano.size())) == 0;
}

bool hashDebil(const QString& hash)
{
    iniciaSodium();
    const QByteArray texto = hash.toLatin1();
    return crypto_pwhash_str_needs_rehash(texto.constData(), PASADAS, MEMORIA) != 0;
}

QByteArray llaveInstalacion(const QString& carpetaPrograma)
{
    static QMutex candado;
    static QHash<QString, QByteArray> leidas;
    const QString archivo = QDir(carpetaPrograma).absoluteFilePath(ARCHIVO_LLAVE);
    QMutexLocker cerrado(&candado);
    if (const auto it = leidas.constFind(archivo); it != leidas.constEnd())
        return *it;
    const std::optional<QByteArray> leida = leeLlave(archivo);
    const QByteArray llave = leida ? *leida : creaLlave(archivo);
    if (llave.size() != LONGITUD_LLAVE)
        throw ECifrado(QStringLiteral("La llave de esta instalación (\"%1\") está dañada; restáurala de un respaldo "
                                      "de la carpeta del programa.")
                           .arg(archivo));
    leidas.insert(archivo, llave);
    return llave;
}

QString cifra(const QString& texto, const QByteArray& llave)
{
    const QString noCifra = QStringLiteral("No fue posible cifrar el texto.");
    if (llave.size() != LONGITUD_LLAVE)
        throw ECifrado(noCifra);
    const QByteArray plano = texto.toUtf8();
    QByteArray salida = aleatorio(LONGITUD_NONCE);
    salida.resize(LONGITUD_NONCE + plano.size() + LONGITUD_ETIQUETA);
    unsigned char* nonce = bytes(salida);
    unsigned char* cifrado = nonce + LONGITUD_NONCE;
    const Contexto ctx(EVP_CIPHER_CTX_new());
    int l = 0;
    // The prefix is authenticated, so a text relabelled as another format is
    // refused rather than read under the wrong rules.
    if (!ctx || EVP_EncryptInit_ex2(ctx.get(), EVP_aes_256_gcm(), bytes(llave), nonce, nullptr) != 1 ||
        EVP_EncryptUpdate(ctx.get(), nullptr, &l, bytes(PREFIJO), static_cast<int>(PREFIJO.size())) != 1 ||
        EVP_EncryptUpdate(ctx.get(), cifrado, &l, bytes(plano), static_cast<int>(plano.size())) != 1 ||
        EVP_EncryptFinal_ex(ctx.get(), cifrado + l, &l) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, LONGITUD_ETIQUETA, cifrado + plano.size()) != 1)
        throw ECifrado(noCifra);
    return QString::fromLatin1(PREFIJO + salida.toBase64());
}

QString descifra(const QString& guardado, const QByteArray& llave)
{
    const QByteArray texto = guardado.toLatin1();
    if (llave.size() != LONGITUD_LLAVE || QString::fromLatin1(texto) != guardado || !texto.startsWith(PREFIJO))
        textoInvalido();
    const QByteArray base64 = texto.mid(PREFIJO.size());
    auto decodificado = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
    if (!decodificado || decodificado.decoded.toBase64() != base64 ||
        decodificado.decoded.size() < LONGITUD_NONCE + LONGITUD_ETIQUETA)
        textoInvalido();
    QByteArray& datos = decodificado.decoded;
    const int largo = static_cast<int>(datos.size()) - LONGITUD_NONCE - LONGITUD_ETIQUETA;
    unsigned char* nonce = bytes(datos);
    unsigned char* cifrado = nonce + LONGITUD_NONCE;
    QByteArray plano(largo, '\0');
    const Contexto ctx(EVP_CIPHER_CTX_new());
    int l = 0;
    if (!ctx || EVP_DecryptInit_ex2(ctx.get(), EVP_aes_256_gcm(), bytes(llave), nonce, nullptr) != 1 ||
        EVP_DecryptUpdate(ctx.get(), nullptr, &l, bytes(PREFIJO), static_cast<int>(PREFIJO.size())) != 1 ||
        EVP_DecryptUpdate(ctx.get(), bytes(plano), &l, cifrado, largo) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, LONGITUD_ETIQUETA, cifrado + largo) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), bytes(plano) + l, &l) != 1)
        textoInvalido();
    return QString::fromUtf8(plano);
}

QString cifraLocal(const QString& texto, const QString& carpetaPrograma)
{
    return cifra(texto, llaveInstalacion(carpetaPrograma));
}

QString descifraLocal(const QString& guardado, const QString& carpetaPrograma)
{
    if (esFormaAntigua(guardado))
        return Signerutils::Signer().decrypt(guardado);
    return descifra(guardado, llaveInstalacion(carpetaPrograma));
}

bool esFormaAntigua(const QString& guardado)
{
    return guardado.startsWith(QString::fromLatin1(PREFIJO_ANTIGUO));
}

bool esFormaActual(const QString& guardado)
{
    return guardado.startsWith(QString::fromLatin1(PREFIJO));
}

QByteArray llaveDePassword(const QString& password, const QByteArray& sal)
{
    iniciaSodium();
    if (sal.size() != crypto_pwhash_SALTBYTES)
        throw ECifrado(QStringLiteral("No fue posible preparar la llave de cifrado."));
    const QByteArray plano = password.toUtf8();
    QByteArray llave(LONGITUD_LLAVE, '\0');
    if (crypto_pwhash(bytes(llave), LONGITUD_LLAVE, plano.constData(), static_cast<unsigned long long>(plano.size()),
                      bytes(sal), PASADAS, MEMORIA, crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw ECifrado(QStringLiteral("No hay memoria suficiente para preparar la llave de cifrado."));
    return llave;
}

QByteArray hmac(const QByteArray& llave, const QByteArray& datos)
{
    QByteArray salida(EVP_MAX_MD_SIZE, '\0');
    unsigned int largo = 0;
    if (!HMAC(EVP_sha256(), llave.constData(), static_cast<int>(llave.size()), bytes(datos),
              static_cast<size_t>(datos.size()), bytes(salida), &largo))
        throw ECifrado(QStringLiteral("No fue posible firmar el texto."));
    salida.truncate(static_cast<int>(largo));
    return salida;
}

bool iguales(const QByteArray& a, const QByteArray& b)
{
    return a.size() == b.size() && CRYPTO_memcmp(a.constData(), b.constData(), static_cast<size_t>(a.size())) == 0;
}

} // namespace Secretos
