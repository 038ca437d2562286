#include "Signerutils.h"

#include "Constantes.h"
#include "LecturaCertificado.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTime>

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/provider.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <initializer_list>
#include <memory>
#include <utility>

namespace {

// A .cer or .key is a couple of kilobytes; anything far larger was chosen by
// mistake and is not worth reading whole into memory.
constexpr qint64 TAMANO_MAXIMO_ARCHIVO = 1024 * 1024;

template <class T, void (*Libera)(T*)> struct Liberador {
    void operator()(T* p) const { Libera(p); }
};
template <class T, void (*Libera)(T*)> using Puntero = std::unique_ptr<T, Liberador<T, Libera>>;

void liberaBio(BIO* b)
{
    BIO_free(b);
}

using Certificado = Puntero<X509, X509_free>;
using LlaveCifrada = Puntero<X509_SIG, X509_SIG_free>;
using LlavePlana = Puntero<PKCS8_PRIV_KEY_INFO, PKCS8_PRIV_KEY_INFO_free>;
using Llave = Puntero<EVP_PKEY, EVP_PKEY_free>;
using Bio = Puntero<BIO, liberaBio>;
using UsosExtendidos = Puntero<EXTENDED_KEY_USAGE, EXTENDED_KEY_USAGE_free>;
using Entero = Puntero<BIGNUM, BN_free>;
using ParametrosPbes2 = Puntero<PBE2PARAM, PBE2PARAM_free>;
using ParametrosPbkdf2 = Puntero<PBKDF2PARAM, PBKDF2PARAM_free>;
using ParametrosPbe = Puntero<PBEPARAM, PBEPARAM_free>;

using Signerutils::TRevision;

// Every operation leaves the error queue empty, whatever its outcome: a
// reason left behind by a failed read would otherwise surface in an
// unrelated check later on the same thread (TLS downloads, the text cipher).
struct LimpiaErrores {
    LimpiaErrores() { ERR_clear_error(); }
    ~LimpiaErrores() { ERR_clear_error(); }
    LimpiaErrores(const LimpiaErrores&) = delete;
    LimpiaErrores& operator=(const LimpiaErrores&) = delete;
};

// Keys made by older SAT tools are encrypted with PBES1 schemes (MD5 and DES,
// SHA-1 and RC2) that OpenSSL 3 keeps in its legacy provider. They are loaded
// into a context of the signer's own rather than the process-wide one, so the
// old algorithms never become available to TLS or to any other library
// sharing the process. Loading a provider explicitly turns off the automatic
// default one, hence both. Both providers live as long as the process.
OSSL_LIB_CTX* contexto()
{
    static OSSL_LIB_CTX* const ctx = [] {
        LimpiaErrores limpia;
        OSSL_LIB_CTX* nuevo = OSSL_LIB_CTX_new();
        if (!nuevo)
            return static_cast<OSSL_LIB_CTX*>(nullptr);
        // Without legacy.so the modern keys still open; only PBES1 ones fail.
        OSSL_PROVIDER_load(nuevo, "legacy");
        if (!OSSL_PROVIDER_load(nuevo, "default")) {
            OSSL_LIB_CTX_free(nuevo);
            return static_cast<OSSL_LIB_CTX*>(nullptr);
        }
        return nuevo;
    }();
    return ctx;
}

} // namespace

namespace LecturaCertificado {

// Only a regular file is read. A FIFO or a device chosen in the dialog
// would block the open or the read for as long as nobody writes to it, so
// the file is opened without waiting and its type looked at before any read.
QByteArray leeArchivo(const QString& ruta)
{
    if (ruta.isEmpty())
        return {};
    const int descriptor = ::open(QFile::encodeName(ruta).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0)
        return {};
    QByteArray contenido;
    struct stat estado {};
    if (::fstat(descriptor, &estado) == 0 && S_ISREG(estado.st_mode) && estado.st_size <= TAMANO_MAXIMO_ARCHIVO) {
        contenido.resize(TAMANO_MAXIMO_ARCHIVO + 1);
        qsizetype leidos = 0;
        while (leidos < contenido.size()) {
            const ssize_t n =
                ::read(descriptor, contenido.data() + leidos, static_cast<size_t>(contenido.size() - leidos));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                leidos = -1;
                break;
            }
            if (n == 0)
                break;
            leidos += n;
        }
        // Grown past the limit since it was looked at, or not readable.
        if (leidos < 0 || leidos > TAMANO_MAXIMO_ARCHIVO)
            leidos = 0;
        contenido.truncate(leidos);
    }
    ::close(descriptor);
    return contenido;
}

// The SAT delivers DER; a PEM file (as converted by openssl or other tools)
// is reduced to the DER of its first block carrying one of the labels.
QByteArray aDer(const QByteArray& contenido, std::initializer_list<const char*> etiquetas)
{
    if (!contenido.contains("-----BEGIN "))
        return contenido;
    Bio bio(BIO_new_mem_buf(contenido.constData(), static_cast<int>(contenido.size())));
    if (!bio)
        return {};
    for (;;) {
        char* nombre = nullptr;
        char* cabecera = nullptr;
        unsigned char* datos = nullptr;
        long longitud = 0;
        if (PEM_read_bio(bio.get(), &nombre, &cabecera, &datos, &longitud) != 1)
            return {};
        bool buscado = false;
        for (const char* etiqueta : etiquetas)
            buscado = buscado || qstrcmp(nombre, etiqueta) == 0;
        QByteArray der;
        if (buscado)
            der = QByteArray(reinterpret_cast<const char*>(datos), static_cast<qsizetype>(longitud));
        OPENSSL_free(nombre);
        OPENSSL_free(cabecera);
        OPENSSL_free(datos);
        if (buscado)
            return der;
    }
}

} // namespace LecturaCertificado

namespace {

using namespace LecturaCertificado;

Certificado leeCertificado(const QString& ruta)
{
    const QByteArray der = aDer(leeArchivo(ruta), {PEM_STRING_X509, PEM_STRING_X509_OLD});
    if (der.isEmpty())
        return {};
    // Created in the signer's context so that its public key is read by the
    // same providers as the private key it is compared with.
    X509* certificado = X509_new_ex(contexto(), nullptr);
    if (!certificado)
        return {};
    const auto* p = reinterpret_cast<const unsigned char*>(der.constData());
    // On failure d2i frees the object it was given.
    if (!d2i_X509(&certificado, &p, static_cast<long>(der.size())))
        return {};
    return Certificado(certificado);
}

Llave descifra(const X509_SIG* cifrada, const QByteArray& password)
{
    // A null pointer would mean "no password" to some schemes; an empty
    // password is still a password the user typed.
    const char* texto = password.isNull() ? "" : password.constData();
    LlavePlana plana(PKCS8_decrypt_ex(cifrada, texto, static_cast<int>(password.size()), contexto(), nullptr));
    if (!plana)
        return {};
    return Llave(EVP_PKCS82PKEY_ex(plana.get(), contexto(), nullptr));
}

// The iteration count of the key derivation is read from the encryption
// parameters before anything is derived: a key asking for billions of
// iterations would otherwise hold the window for minutes on the first try of
// a password. PBES2 must derive with PBKDF2 (scrypt or anything else is not a
// SAT key); the PBES1 and PKCS#12 schemes carry their count in PBEPARAM.
TRevision revisaDerivacion(const X509_SIG* cifrada)
{
    const X509_ALGOR* algoritmo = nullptr;
    X509_SIG_get0(cifrada, &algoritmo, nullptr);
    const ASN1_OBJECT* oid = nullptr;
    int tipo = V_ASN1_UNDEF;
    const void* valor = nullptr;
    X509_ALGOR_get0(&oid, &tipo, &valor, algoritmo);
    if (tipo != V_ASN1_SEQUENCE || !valor)
        return TRevision::LlaveIlegible;
    const auto* parametros = static_cast<const ASN1_STRING*>(valor);

    const ASN1_INTEGER* iteraciones = nullptr;
    ParametrosPbes2 pbes2;
    ParametrosPbkdf2 pbkdf2;
    ParametrosPbe pbe;
    if (OBJ_obj2nid(oid) == NID_pbes2) {
        pbes2.reset(static_cast<PBE2PARAM*>(ASN1_item_unpack(parametros, ASN1_ITEM_rptr(PBE2PARAM))));
        if (!pbes2 || !pbes2->keyfunc)
            return TRevision::LlaveIlegible;
        if (OBJ_obj2nid(pbes2->keyfunc->algorithm) != NID_id_pbkdf2)
            return TRevision::LlaveNoAdmitida;
        const ASN1_TYPE* derivacion = pbes2->keyfunc->parameter;
        if (!derivacion || derivacion->type != V_ASN1_SEQUENCE)
            return TRevision::LlaveIlegible;
        pbkdf2.reset(
            static_cast<PBKDF2PARAM*>(ASN1_item_unpack(derivacion->value.sequence, ASN1_ITEM_rptr(PBKDF2PARAM))));
        if (!pbkdf2)
            return TRevision::LlaveIlegible;
        iteraciones = pbkdf2->iter;
    } else {
        pbe.reset(static_cast<PBEPARAM*>(ASN1_item_unpack(parametros, ASN1_ITEM_rptr(PBEPARAM))));
        if (!pbe)
            return TRevision::LlaveIlegible;
        iteraciones = pbe->iter;
    }
    int64_t cuenta = 0;
    if (!iteraciones)
        return TRevision::LlaveIlegible;
    // A count too large for 64 bits is beyond the bound as well.
    if (ASN1_INTEGER_get_int64(&cuenta, iteraciones) != 1)
        return TRevision::LlaveNoAdmitida;
    if (cuenta < 1)
        return TRevision::LlaveIlegible;
    if (cuenta > Signerutils::TSigner::ITERACIONES_MAXIMAS)
        return TRevision::LlaveNoAdmitida;
    return TRevision::Correcto;
}

// A key that needs no password, as PKCS#8 or in a key type's own format.
bool esLlaveSinCifrar(const QByteArray& der)
{
    const auto* p = reinterpret_cast<const unsigned char*>(der.constData());
    if (LlavePlana(d2i_PKCS8_PRIV_KEY_INFO(nullptr, &p, static_cast<long>(der.size()))))
        return true;
    p = reinterpret_cast<const unsigned char*>(der.constData());
    return static_cast<bool>(
        Llave(d2i_AutoPrivateKey_ex(nullptr, &p, static_cast<long>(der.size()), contexto(), nullptr)));
}

struct TLlaveAbierta {
    TRevision revision = TRevision::LlaveIlegible;
    Llave llave;
};

// Only encrypted PKCS#8 keys are accepted: a key that opens with any password
// would make the password check meaningless, and the SAT never delivers one.
TLlaveAbierta abreLlave(const QString& ruta, const QString& password)
{
    TLlaveAbierta resultado;
    const QByteArray der = aDer(leeArchivo(ruta), {PEM_STRING_PKCS8, PEM_STRING_PKCS8INF, PEM_STRING_RSA,
                                                   PEM_STRING_ECPRIVATEKEY, PEM_STRING_DSA});
    if (der.isEmpty())
        return resultado;
    const auto* p = reinterpret_cast<const unsigned char*>(der.constData());
    LlaveCifrada cifrada(d2i_X509_SIG(nullptr, &p, static_cast<long>(der.size())));
    if (!cifrada) {
        if (esLlaveSinCifrar(der))
            resultado.revision = TRevision::LlaveSinCifrar;
        return resultado;
    }
    resultado.revision = revisaDerivacion(cifrada.get());
    if (resultado.revision != TRevision::Correcto)
        return resultado;
    // A failed decryption is a wrong password: about one wrong password in
    // two hundred passes the padding check and then fails as malformed
    // ASN.1 rather than as "bad decrypt", so the reason is not looked at.
    resultado.llave = descifra(cifrada.get(), password.toUtf8());
    if (!resultado.llave) {
        // Keys made on Windows with an accented password may carry it in
        // Latin-1 rather than UTF-8.
        const QByteArray latin1 = password.toLatin1();
        if (latin1 != password.toUtf8() && QString::fromLatin1(latin1) == password)
            resultado.llave = descifra(cifrada.get(), latin1);
    }
    if (!resultado.llave)
        resultado.revision = TRevision::PasswordIncorrecto;
    return resultado;
}

QString texto(const ASN1_STRING* valor)
{
    if (!valor)
        return {};
    // The SAT writes Ñ as a TeletexString holding the single Latin-1 byte
    // 0xD1. OpenSSL happens to read T61 as Latin-1 too, but does not promise
    // it, so the one encoding the SAT relies on is decoded here.
    if (ASN1_STRING_type(valor) == V_ASN1_T61STRING)
        return QString::fromLatin1(reinterpret_cast<const char*>(ASN1_STRING_get0_data(valor)),
                                   ASN1_STRING_length(valor));
    unsigned char* utf8 = nullptr;
    const int longitud = ASN1_STRING_to_UTF8(&utf8, valor);
    if (longitud < 0)
        return {};
    const QString resultado = QString::fromUtf8(reinterpret_cast<const char*>(utf8), longitud);
    OPENSSL_free(utf8);
    return resultado;
}

} // namespace

namespace LecturaCertificado {

// The first value of the attribute in the subject. The issuer is never read:
// the SAT's test CA carries a 2.5.4.45 of its own there.
QString atributoSujeto(const X509* certificado, int nid)
{
    const X509_NAME* sujeto = X509_get_subject_name(certificado);
    const int indice = X509_NAME_get_index_by_NID(sujeto, nid, -1);
    if (indice < 0)
        return {};
    return texto(X509_NAME_ENTRY_get_data(X509_NAME_get_entry(sujeto, indice)));
}

// The SAT's certificate number is written into the serial as ASCII digits;
// a serial that is not (a foreign certificate) is shown as plain hex.
QString numeroCertificado(const X509* certificado)
{
    const ASN1_INTEGER* serie = X509_get0_serialNumber(certificado);
    const unsigned char* datos = ASN1_STRING_get0_data(serie);
    const int longitud = ASN1_STRING_length(serie);
    bool digitos = longitud > 0 && ASN1_STRING_type(serie) == V_ASN1_INTEGER;
    for (int i = 0; digitos && i < longitud; ++i)
        digitos = datos[i] >= '0' && datos[i] <= '9';
    if (digitos)
        return QString::fromLatin1(reinterpret_cast<const char*>(datos), longitud);
    Entero numero(ASN1_INTEGER_to_BN(serie, nullptr));
    char* hex = numero ? BN_bn2hex(numero.get()) : nullptr;
    if (!hex)
        return {};
    const QString resultado = QString::fromLatin1(hex);
    OPENSSL_free(hex);
    return resultado;
}

} // namespace LecturaCertificado

namespace {

// notAfter is a UTC instant, hours ahead of Mexico: its UTC day would keep an
// expired certificate valid for the rest of that day here. The day kept is the
// local one of the last valid second, so a certificate that ends at local
// midnight is valid up to the day before.
QString vigenteHasta(const X509* certificado)
{
    std::tm fin{};
    if (ASN1_TIME_to_tm(X509_get0_notAfter(certificado), &fin) != 1)
        return {};
    const QDateTime instante(QDate(fin.tm_year + 1900, fin.tm_mon + 1, fin.tm_mday),
                             QTime(fin.tm_hour, fin.tm_min, fin.tm_sec), Qt::UTC);
    if (!instante.isValid())
        return {};
    return instante.addSecs(-1).toLocalTime().date().toString(Constantes::FORMATO_FECHA);
}

// The uses in the order RFC 5280 lists the key usage bits; a seal certificate
// (CSD) declares exactly the first two, so its text is CERT_CSD.
const std::array<std::pair<uint32_t, const char*>, 9> USOS_LLAVE{{
    {KU_DIGITAL_SIGNATURE, "Firma digital"},
    {KU_NON_REPUDIATION, "No repudio"},
    {KU_KEY_ENCIPHERMENT, "Cifrado de llaves"},
    {KU_DATA_ENCIPHERMENT, "Cifrado de datos"},
    {KU_KEY_AGREEMENT, "Acuerdo de llaves"},
    {KU_KEY_CERT_SIGN, "Firma de certificados"},
    {KU_CRL_SIGN, "Firma de listas de revocación"},
    {KU_ENCIPHER_ONLY, "Solo cifrado"},
    {KU_DECIPHER_ONLY, "Solo descifrado"},
}};

QString usoExtendido(const ASN1_OBJECT* objeto)
{
    switch (OBJ_obj2nid(objeto)) {
    case NID_server_auth:
        return QStringLiteral("Autenticación de servidor");
    case NID_client_auth:
        return QStringLiteral("Autenticación de cliente");
    case NID_code_sign:
        return QStringLiteral("Firma de código");
    case NID_email_protect:
        return QStringLiteral("Protección de correo");
    case NID_time_stamp:
        return QStringLiteral("Sellado de tiempo");
    case NID_OCSP_sign:
        return QStringLiteral("Firma de respuestas OCSP");
    case NID_anyExtendedKeyUsage:
        return QStringLiteral("Cualquier uso");
    default:
        break;
    }
    std::array<char, 128> oid{};
    const int longitud = OBJ_obj2txt(oid.data(), static_cast<int>(oid.size()), objeto, 1);
    return longitud > 0 ? QString::fromLatin1(oid.data()) : QString();
}

// Key usages joined with ", ", then, when the certificate limits them, "; "
// and the extended usages (a FIEL adds e-mail protection and client
// authentication), so a refused certificate tells the user what it is for.
QString usoLlave(X509* certificado)
{
    const uint32_t banderas = X509_get_extension_flags(certificado);
    QStringList usos;
    if (banderas & EXFLAG_KUSAGE) {
        const uint32_t bits = X509_get_key_usage(certificado);
        for (const auto& [bit, nombre] : USOS_LLAVE) {
            if (bits & bit)
                usos << QString::fromUtf8(nombre);
        }
    }
    QStringList extendidos;
    if (banderas & EXFLAG_XKUSAGE) {
        UsosExtendidos lista(
            static_cast<EXTENDED_KEY_USAGE*>(X509_get_ext_d2i(certificado, NID_ext_key_usage, nullptr, nullptr)));
        for (int i = 0; lista && i < sk_ASN1_OBJECT_num(lista.get()); ++i) {
            const QString uso = usoExtendido(sk_ASN1_OBJECT_value(lista.get(), i));
            if (!uso.isEmpty())
                extendidos << uso;
        }
    }
    if (usos.isEmpty() && extendidos.isEmpty())
        return QStringLiteral("Sin uso de llave declarado");
    QString resultado = usos.join(QStringLiteral(", "));
    if (!extendidos.isEmpty())
        resultado += (resultado.isEmpty() ? QString() : QStringLiteral("; ")) + extendidos.join(QStringLiteral(", "));
    return resultado;
}

} // namespace

namespace Signerutils {

QString mensajeRevision(TRevision revision, const QString& usoLlave)
{
    using namespace Constantes;
    switch (revision) {
    case TRevision::Correcto:
        return {};
    case TRevision::LlaveIlegible:
        return ERR_LLAVE_ILEGIBLE;
    case TRevision::LlaveSinCifrar:
        return ERR_LLAVE_SIN_CIFRAR;
    case TRevision::LlaveNoAdmitida:
        return ERR_LLAVE_NO_ADMITIDA;
    case TRevision::PasswordIncorrecto:
        return ERR_CERT_LLAVE_PRIVADA;
    case TRevision::CertificadoIlegible:
        return ERR_CERT_ILEGIBLE;
    case TRevision::NoEsCsd:
        return ERR_CERT_NO_CSD + usoLlave;
    case TRevision::RfcNoValido:
        return ERR_CERT_RFC_NO_VALIDO;
    case TRevision::NumeroNoValido:
        return ERR_CERT_NUMERO_NO_VALIDO;
    case TRevision::NoCorresponden:
        return ERR_CERT_RELACION;
    }
    return ERR_CERT_RELACION;
}

bool esRfcValido(const QString& rfc)
{
    static const QRegularExpression patron(
        QRegularExpression::anchoredPattern(QStringLiteral("[A-ZÑ&]{3,4}[0-9]{6}[A-Z0-9]{3}")));
    return patron.match(rfc).hasMatch();
}

QString rfcDelSujeto(const QString& identificador)
{
    const qsizetype diagonal = identificador.indexOf(QLatin1Char('/'));
    return (diagonal < 0 ? identificador : identificador.left(diagonal)).trimmed();
}

namespace {

TRevision revisaLeido(X509* certificado)
{
    if (!certificado)
        return TRevision::CertificadoIlegible;
    if (usoLlave(certificado) != Constantes::CERT_CSD)
        return TRevision::NoEsCsd;
    if (!esRfcValido(rfcDelSujeto(atributoSujeto(certificado, NID_x500UniqueIdentifier))))
        return TRevision::RfcNoValido;
    static const QRegularExpression numeroSat(QRegularExpression::anchoredPattern(QStringLiteral("[0-9]{20}")));
    if (!numeroSat.match(numeroCertificado(certificado)).hasMatch())
        return TRevision::NumeroNoValido;
    return TRevision::Correcto;
}

} // namespace

bool TSigner::verificaClave(const QString& archivoLlave, const QString& password) const
{
    LimpiaErrores limpia;
    return static_cast<bool>(abreLlave(archivoLlave, password).llave);
}

bool TSigner::getRelacion(const QString& archivoCertificado, const QString& archivoLlave, const QString& password) const
{
    LimpiaErrores limpia;
    const Certificado certificado = leeCertificado(archivoCertificado);
    if (!certificado)
        return false;
    const Llave llave = abreLlave(archivoLlave, password).llave;
    const EVP_PKEY* publica = X509_get0_pubkey(certificado.get());
    return llave && publica && EVP_PKEY_eq(publica, llave.get()) == 1;
}

QMap<QString, QString> TSigner::getInformacionCertificado(const QString& archivoCertificado) const
{
    LimpiaErrores limpia;
    const Certificado certificado = leeCertificado(archivoCertificado);
    if (!certificado)
        return {};
    QMap<QString, QString> informacion;
    informacion.insert(Constantes::CERT_SERIALNUMBER, numeroCertificado(certificado.get()));
    informacion.insert(Constantes::CERT_OID_45, atributoSujeto(certificado.get(), NID_x500UniqueIdentifier));
    informacion.insert(Constantes::CERT_OID_41, atributoSujeto(certificado.get(), NID_name));
    informacion.insert(Constantes::CERT_VALIDTOSTR, vigenteHasta(certificado.get()));
    informacion.insert(Constantes::CERT_INTENDEDKEYUSAGE, usoLlave(certificado.get()));
    return informacion;
}

TRevision TSigner::revisaCertificado(const QString& archivoCertificado) const
{
    LimpiaErrores limpia;
    return revisaLeido(leeCertificado(archivoCertificado).get());
}

TRevision TSigner::revisaLlave(const QString& archivoLlave, const QString& password) const
{
    LimpiaErrores limpia;
    return abreLlave(archivoLlave, password).revision;
}

TRevision TSigner::revisaCertificados(const QString& archivoCertificado, const QString& archivoLlave,
                                      const QString& password) const
{
    LimpiaErrores limpia;
    const TLlaveAbierta llave = abreLlave(archivoLlave, password);
    if (llave.revision != TRevision::Correcto)
        return llave.revision;
    const Certificado certificado = leeCertificado(archivoCertificado);
    const TRevision revision = revisaLeido(certificado.get());
    if (revision != TRevision::Correcto)
        return revision;
    const EVP_PKEY* publica = X509_get0_pubkey(certificado.get());
    if (!publica || EVP_PKEY_eq(publica, llave.llave.get()) != 1)
        return TRevision::NoCorresponden;
    return TRevision::Correcto;
}

QString TSigner::explicaRevision(TRevision revision, const QString& archivoCertificado) const
{
    const QString uso = revision == TRevision::NoEsCsd
                            ? getInformacionCertificado(archivoCertificado).value(Constantes::CERT_INTENDEDKEYUSAGE)
                            : QString();
    return mensajeRevision(revision, uso);
}

} // namespace Signerutils
