#include "VerificacionSello.h"

#include "Archivos.h"
#include "Errores.h"
#include "LecturaCertificado.h"
#include "Rutas.h"
#include "Signerutils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <sys/stat.h>

#include <array>
#include <cstdarg>
#include <cstdio>
#include <deque>
#include <limits>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>

namespace VerificacionSello {

namespace {

constexpr char NS_CFD3[] = "http://www.sat.gob.mx/cfd/3";
constexpr char NS_CFD4[] = "http://www.sat.gob.mx/cfd/4";
constexpr char NS_TFD[] = "http://www.sat.gob.mx/TimbreFiscalDigital";
const QString CARPETA_SAT = QStringLiteral("Certificados/SAT");

// The entry points under Xslt/www.sat.gob.mx/, in the order of THoja.
enum class THoja { Cfdi32, Cfdi33, Cfdi40, Tfd10, Tfd11 };
constexpr const char* RUTAS_HOJAS[] = {"sitio_internet/cfd/3/cadenaoriginal_3_2/cadenaoriginal_3_2.xslt",
                                       "sitio_internet/cfd/3/cadenaoriginal_3_3/cadenaoriginal_3_3.xslt",
                                       "sitio_internet/cfd/4/cadenaoriginal_4_0/cadenaoriginal_4_0.xslt",
                                       "sitio_internet/timbrefiscaldigital/cadenaoriginal_TFD_1_0.xslt",
                                       "sitio_internet/cfd/TimbreFiscalDigital/cadenaoriginal_TFD_1_1.xslt"};

QString carpeta(const QString& carpetaPrograma)
{
    return carpetaPrograma.isEmpty() ? Rutas::carpetaPrograma() : Rutas::comoCarpeta(carpetaPrograma);
}

// ---------------------------------------------------------------------------
// libxml2 and libxslt report through callbacks that print to standard error by
// default. The command line's output must stay clean, and the user needs the
// first reason in plain words, so every report lands in the calling thread's
// own buffer instead.

thread_local QByteArray t_errores;
thread_local bool t_capturando = false;

void guardaError(const char* texto)
{
    if (t_capturando && t_errores.size() < 1024)
        t_errores += texto;
}

void errorGenerico(void*, const char* formato, ...)
{
    char buffer[512];
    va_list argumentos;
    va_start(argumentos, formato);
    std::vsnprintf(buffer, sizeof buffer, formato, argumentos);
    va_end(argumentos);
    guardaError(buffer);
}

void errorEstructurado(void*, xmlErrorPtr error)
{
    if (error && error->message && error->level >= XML_ERR_ERROR)
        guardaError(error->message);
}

// libxml2 keeps its handlers per thread (libxslt's generic one is process
// wide and set once); they are set for the span of one call and put back.
class CapturaErrores {
public:
    CapturaErrores()
        : m_generico(xmlGenericError), m_contextoGenerico(xmlGenericErrorContext), m_estructurado(xmlStructuredError),
          m_contextoEstructurado(xmlStructuredErrorContext)
    {
        xmlSetGenericErrorFunc(nullptr, errorGenerico);
        xmlSetStructuredErrorFunc(nullptr, errorEstructurado);
        t_errores.clear();
        t_capturando = true;
    }
    ~CapturaErrores()
    {
        t_capturando = false;
        xmlSetGenericErrorFunc(m_contextoGenerico, m_generico);
        xmlSetStructuredErrorFunc(m_contextoEstructurado, m_estructurado);
    }
    CapturaErrores(const CapturaErrores&) = delete;
    CapturaErrores& operator=(const CapturaErrores&) = delete;

    // The first line reported since the capture began; empty when none.
    static QString primero()
    {
        const qsizetype fin = t_errores.indexOf('\n');
        return QString::fromUtf8(fin < 0 ? t_errores : t_errores.left(fin)).trimmed();
    }
    static void olvida() { t_errores.clear(); }

private:
    xmlGenericErrorFunc m_generico;
    void* m_contextoGenerico;
    xmlStructuredErrorFunc m_estructurado;
    void* m_contextoEstructurado;
};

// The sentence for the user, with the library's first report in parentheses
// before its final period for whoever reads the log.
QString conDetalle(QString motivo)
{
    const QString detalle = CapturaErrores::primero();
    if (detalle.isEmpty())
        return motivo;
    if (motivo.endsWith(QLatin1Char('.')))
        motivo.chop(1);
    return motivo + QStringLiteral(" (") + detalle + QStringLiteral(").");
}

// Once per process, before any thread parses: libxml2's own start-up is not
// thread-safe. The transforms may neither read nor write files nor reach the
// network (document(), xsl:result-document); compiling the stylesheets with
// their includes is not affected, since it uses no transform context.
xsltSecurityPrefsPtr prefsSeguridad()
{
    static xsltSecurityPrefsPtr prefs = [] {
        xmlInitParser();
        xsltInit();
        xsltSetGenericErrorFunc(nullptr, errorGenerico);
        xsltSecurityPrefsPtr nuevas = xsltNewSecurityPrefs();
        for (xsltSecurityOption opcion :
             {XSLT_SECPREF_READ_FILE, XSLT_SECPREF_WRITE_FILE, XSLT_SECPREF_CREATE_DIRECTORY, XSLT_SECPREF_READ_NETWORK,
              XSLT_SECPREF_WRITE_NETWORK})
            xsltSetSecurityPrefs(nuevas, opcion, xsltSecurityForbid);
        return nuevas;
    }();
    return prefs;
}

// ---------------------------------------------------------------------------
// Compiled stylesheets: one per file for the life of the process. A compiled
// stylesheet is read-only while transforming, so every thread shares it (each
// transform has its own context).

struct Hoja {
    xsltStylesheetPtr hoja = nullptr;
    QString error;
};

class Hojas {
public:
    ~Hojas()
    {
        for (auto& [ruta, hoja] : m_hojas)
            if (hoja.hoja)
                xsltFreeStylesheet(hoja.hoja);
    }
    const Hoja& compilada(const QString& ruta)
    {
        const std::lock_guard<std::mutex> candado(m_mutex);
        auto encontrada = m_hojas.find(ruta);
        if (encontrada != m_hojas.end())
            return encontrada->second;
        Hoja nueva;
        if (!QFileInfo::exists(ruta)) {
            nueva.error = QStringLiteral("Falta la transformación del SAT %1.").arg(QDir::toNativeSeparators(ruta));
        } else {
            const QByteArray nombre = QFile::encodeName(ruta);
            nueva.hoja = xsltParseStylesheetFile(reinterpret_cast<const xmlChar*>(nombre.constData()));
            if (!nueva.hoja)
                nueva.error = conDetalle(QStringLiteral("No se pudo leer la transformación del SAT %1.")
                                             .arg(QDir::toNativeSeparators(ruta)));
        }
        CapturaErrores::olvida();
        return m_hojas.emplace(ruta, nueva).first->second;
    }

private:
    std::mutex m_mutex;
    std::map<QString, Hoja> m_hojas;
};

const Hoja& hoja(const QString& programa, THoja cual)
{
    static Hojas hojas;
    // Each thread keeps the last folder's stylesheets at hand: no lock and no
    // path per voucher.
    thread_local QString t_programa;
    thread_local std::array<const Hoja*, std::size(RUTAS_HOJAS)> t_hojas{};
    if (t_programa != programa) {
        t_programa = programa;
        t_hojas.fill(nullptr);
    }
    const Hoja*& compilada = t_hojas[static_cast<size_t>(cual)];
    if (!compilada)
        compilada = &hojas.compilada(programa + QStringLiteral("Xslt/www.sat.gob.mx/") +
                                     QLatin1String(RUTAS_HOJAS[static_cast<size_t>(cual)]));
    return *compilada;
}

// ---------------------------------------------------------------------------
// Documents.

struct LiberaDocumento {
    void operator()(xmlDocPtr documento) const { xmlFreeDoc(documento); }
};
using Documento = std::unique_ptr<xmlDoc, LiberaDocumento>;

// A voucher comes from outside: no network, no DTD loaded, no entity but the
// predefined ones substituted, and a document that declares a DTD of its own
// (the way to entity bombs) is refused outright.
Documento leeDocumento(const QByteArray& xml, QString* motivo)
{
    // Bytes before the first "<" (a BOM, blank lines, stray text) are not the
    // document; the seal covers the values only.
    const qsizetype inicio = xml.indexOf('<');
    if (inicio < 0 || xml.size() - inicio > std::numeric_limits<int>::max()) {
        *motivo = QStringLiteral("El archivo no es un XML.");
        return {};
    }
    const int opciones = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT;
    Documento documento(
        xmlReadMemory(xml.constData() + inicio, static_cast<int>(xml.size() - inicio), nullptr, nullptr, opciones));
    if (!documento) {
        *motivo = conDetalle(QStringLiteral("El archivo no es un XML bien formado."));
        return {};
    }
    if (documento->intSubset || documento->extSubset) {
        *motivo = QStringLiteral("El archivo declara un DTD, que ningún comprobante lleva.");
        return {};
    }
    return documento;
}

bool es(const xmlNode* nodo, const char* nombre, const char* espacio)
{
    return nodo && nodo->type == XML_ELEMENT_NODE && xmlStrEqual(nodo->name, BAD_CAST nombre) && nodo->ns &&
           xmlStrEqual(nodo->ns->href, BAD_CAST espacio);
}

QByteArray atributo(const xmlNode* nodo, const char* nombre)
{
    xmlChar* valor = xmlGetNoNsProp(nodo, BAD_CAST nombre);
    if (!valor)
        return {};
    QByteArray resultado(reinterpret_cast<const char*>(valor));
    xmlFree(valor);
    return resultado;
}

xmlNode* hijo(const xmlNode* padre, const char* nombre, const char* espacio)
{
    for (xmlNode* nodo = padre ? padre->children : nullptr; nodo; nodo = nodo->next)
        if (es(nodo, nombre, espacio))
            return nodo;
    return nullptr;
}

// What the check needs of the voucher, read once.
struct Comprobante {
    Documento documento;
    xmlNode* raiz = nullptr;
    xmlNode* timbre = nullptr;
    int timbres = 0;
    THoja hoja = THoja::Cfdi40;
    bool version32 = false;
    QByteArray sello, certificado, noCertificado;
    QString rfcEmisor; // upper case: an Ñ may be written either way
};

// The stamp may sit in any Complemento (3.3 allowed several). The import
// files a voucher under the last one's UUID, so that is the one checked; and
// as a voucher the SAT stamped carries one, the count of them is kept.
xmlNode* timbreDe(const xmlNode* raiz, int& cuantos)
{
    const char* espacio = reinterpret_cast<const char*>(raiz->ns->href);
    xmlNode* ultimo = nullptr;
    cuantos = 0;
    for (xmlNode* nodo = raiz->children; nodo; nodo = nodo->next)
        if (es(nodo, "Complemento", espacio))
            for (xmlNode* timbre = nodo->children; timbre; timbre = timbre->next)
                if (es(timbre, "TimbreFiscalDigital", NS_TFD)) {
                    ultimo = timbre;
                    ++cuantos;
                }
    return ultimo;
}

bool leeComprobante(const QByteArray& xml, Comprobante& c, QString* motivo)
{
    c.documento = leeDocumento(xml, motivo);
    if (!c.documento)
        return false;
    c.raiz = xmlDocGetRootElement(c.documento.get());
    const bool cfd3 = es(c.raiz, "Comprobante", NS_CFD3);
    if (!cfd3 && !es(c.raiz, "Comprobante", NS_CFD4)) {
        *motivo = QStringLiteral("El archivo no es un CFDI 3.2, 3.3 ni 4.0.");
        return false;
    }
    const QByteArray version = atributo(c.raiz, "Version").trimmed();
    const QByteArray version32 = atributo(c.raiz, "version").trimmed();
    if (!cfd3 && version == "4.0")
        c.hoja = THoja::Cfdi40;
    else if (cfd3 && version == "3.3")
        c.hoja = THoja::Cfdi33;
    else if (cfd3 && version.isEmpty() && version32 == "3.2")
        c.hoja = THoja::Cfdi32;
    else {
        const QByteArray cual = version.isEmpty() ? version32 : version;
        *motivo = QStringLiteral("La versión %1 del comprobante no se puede verificar; solo las versiones 3.2, "
                                 "3.3 y 4.0.")
                      .arg(cual.isEmpty() ? QStringLiteral("(sin versión)") : QString::fromUtf8(cual));
        return false;
    }
    c.version32 = c.hoja == THoja::Cfdi32;
    c.sello = atributo(c.raiz, c.version32 ? "sello" : "Sello");
    c.certificado = atributo(c.raiz, c.version32 ? "certificado" : "Certificado");
    c.noCertificado = atributo(c.raiz, c.version32 ? "noCertificado" : "NoCertificado").trimmed();
    const xmlNode* emisor = hijo(c.raiz, "Emisor", reinterpret_cast<const char*>(c.raiz->ns->href));
    c.rfcEmisor = QString::fromUtf8(atributo(emisor, c.version32 ? "rfc" : "Rfc")).trimmed().toUpper();
    c.timbre = timbreDe(c.raiz, c.timbres);
    return true;
}

// The text output of the transform over the document; empty with the reason
// when it fails.
QByteArray transforma(const QString& programa, THoja cual, xmlDocPtr documento, QString* motivo)
{
    const Hoja& compilada = hoja(programa, cual);
    if (!compilada.hoja) {
        *motivo = compilada.error;
        return {};
    }
    xsltTransformContextPtr contexto = xsltNewTransformContext(compilada.hoja, documento);
    if (!contexto) {
        *motivo = QStringLiteral("No hubo memoria para formar la cadena original.");
        return {};
    }
    xsltSetCtxtSecurityPrefs(prefsSeguridad(), contexto);
    Documento resultado(xsltApplyStylesheetUser(compilada.hoja, documento, nullptr, nullptr, nullptr, contexto));
    const bool fallo = !resultado || contexto->state != XSLT_STATE_OK;
    xsltFreeTransformContext(contexto);
    QByteArray cadena;
    if (!fallo) {
        xmlChar* texto = nullptr;
        int longitud = 0;
        if (xsltSaveResultToString(&texto, &longitud, resultado.get(), compilada.hoja) == 0 && texto)
            cadena = QByteArray(reinterpret_cast<const char*>(texto), longitud);
        xmlFree(texto);
    }
    if (cadena.isEmpty())
        *motivo = conDetalle(QStringLiteral("No se pudo formar la cadena original con la transformación del SAT."));
    return cadena;
}

// Stamp 1.0 names its attributes in lower case ("version", "selloCFD"...).
bool esTimbre10(const xmlNode* timbre)
{
    return atributo(timbre, "Version").isEmpty();
}

// The stamp is transformed as a document of its own, as the SAT does.
QByteArray transformaTimbre(const QString& programa, const xmlNode* timbre, QString* motivo)
{
    const bool version10 = esTimbre10(timbre);
    Documento propio(xmlNewDoc(BAD_CAST "1.0"));
    xmlNodePtr copia = propio ? xmlDocCopyNode(const_cast<xmlNode*>(timbre), propio.get(), 1) : nullptr;
    if (!copia) {
        *motivo = QStringLiteral("No hubo memoria para formar la cadena original del timbre.");
        return {};
    }
    xmlDocSetRootElement(propio.get(), copia);
    return transforma(programa, version10 ? THoja::Tfd10 : THoja::Tfd11, propio.get(), motivo);
}

// ---------------------------------------------------------------------------
// Certificates, read once: most vouchers of a folder share a few issuers.

struct LiberaLlave {
    void operator()(EVP_PKEY* llave) const { EVP_PKEY_free(llave); }
};

struct Certificado {
    std::unique_ptr<EVP_PKEY, LiberaLlave> llave;
    QString numero;
    QString rfc; // upper case, without the representative's
};
using CertificadoCompartido = std::shared_ptr<const Certificado>;

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
    X509_free(x509);
    if (!certificado->llave || !EVP_PKEY_is_a(certificado->llave.get(), "RSA"))
        return {};
    return certificado;
}

// Keyed by the certificate's text as found (the voucher's base64) or by the
// file's identity (a SAT certificate: replacing the file changes the key).
// Bounded: the oldest entry leaves first.
class CacheCertificados {
public:
    static constexpr int CAPACIDAD = 64;

    // `der` gives the certificate's DER when it is not cached yet.
    template <class Der> CertificadoCompartido busca(const QByteArray& clave, Der der)
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

CacheCertificados& certificados()
{
    static CacheCertificados cache;
    return cache;
}

// Fetched once: an implicit fetch per call takes the provider's locks.
const EVP_MD* digestion(bool sha256)
{
    static EVP_MD* const md256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    static EVP_MD* const md1 = EVP_MD_fetch(nullptr, "SHA1", nullptr);
    return sha256 ? md256 : md1;
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

TResultado resultado(TEstado estado, const QString& motivo, bool timbreVerificado = false)
{
    return TResultado{estado, motivo, timbreVerificado};
}

// The stamp's seal over its own cadena original, with the SAT certificate the
// program folder keeps under the stamp's NoCertificadoSAT.
TResultado verificaTimbre(const QString& programa, const xmlNode* timbre, const QString& motivoEmisor)
{
    const bool version10 = esTimbre10(timbre);
    const QByteArray numero = atributo(timbre, version10 ? "noCertificadoSAT" : "NoCertificadoSAT").trimmed();
    const QByteArray sello = atributo(timbre, version10 ? "selloSAT" : "SelloSAT");
    // What keeps the stamp's seal from being checked leaves the issuer's
    // result standing, with the reason.
    const auto sinTimbre = [&motivoEmisor](const QString& porque) {
        return resultado(TEstado::Autentico,
                         motivoEmisor + QStringLiteral(" No se verificó el sello del SAT: ") + porque);
    };
    static const QRegularExpression numeroSat(QRegularExpression::anchoredPattern(QStringLiteral("[0-9]{20}")));
    const QString nombre = QString::fromLatin1(numero);
    if (!numeroSat.match(nombre).hasMatch())
        return sinTimbre(QStringLiteral("el timbre no dice con qué certificado se selló."));
    if (sello.trimmed().isEmpty())
        return sinTimbre(QStringLiteral("el timbre no lo tiene."));
    const QByteArray ruta = QFile::encodeName(carpetaCertificadosSat(programa) + nombre + QStringLiteral(".cer"));
    // One stat per voucher: the file is read only when it is new or replaced.
    struct stat estado {};
    if (::stat(ruta.constData(), &estado) != 0)
        return sinTimbre(QStringLiteral("falta su certificado %1 en Certificados/SAT.").arg(nombre));
    const QByteArray clave = ruta + '|' + QByteArray::number(static_cast<qulonglong>(estado.st_ino)) + '|' +
                             QByteArray::number(static_cast<qlonglong>(estado.st_mtim.tv_sec)) + '.' +
                             QByteArray::number(static_cast<qlonglong>(estado.st_mtim.tv_nsec)) + '|' +
                             QByteArray::number(static_cast<qlonglong>(estado.st_size));
    const CertificadoCompartido sat = certificados().busca(clave, [&ruta] {
        return LecturaCertificado::aDer(LecturaCertificado::leeArchivo(QFile::decodeName(ruta)),
                                        {PEM_STRING_X509, PEM_STRING_X509_OLD});
    });
    if (!sat)
        return sinTimbre(QStringLiteral("su certificado %1 en Certificados/SAT no se pudo leer.").arg(nombre));
    if (sat->numero != nombre)
        return resultado(TEstado::CertificadoNoCorresponde,
                         QStringLiteral("El certificado guardado como %1 en Certificados/SAT es el número %2, no el "
                                        "que selló el timbre.")
                             .arg(nombre, sat->numero));
    QString motivo;
    const QByteArray cadena = transformaTimbre(programa, timbre, &motivo);
    if (cadena.isEmpty())
        return resultado(TEstado::NoVerificable, motivo);
    if (!firmaValida(sat->llave.get(), !version10, cadena, sello))
        return resultado(TEstado::Alterado,
                         QStringLiteral("El sello del SAT no corresponde al timbre: el timbre cambió después de "
                                        "sellarse."));
    return resultado(TEstado::Autentico, QStringLiteral("El sello del emisor y el sello del SAT son válidos."), true);
}

TResultado verificaLeido(const QString& programa, Comprobante& c)
{
    if (c.sello.trimmed().isEmpty())
        return resultado(TEstado::NoVerificable, QStringLiteral("El comprobante no tiene sello."));
    if (c.certificado.trimmed().isEmpty())
        return resultado(TEstado::NoVerificable, QStringLiteral("El comprobante no incluye su certificado."));
    const CertificadoCompartido emisor =
        certificados().busca(c.certificado, [&c] { return QByteArray::fromBase64(c.certificado); });
    if (!emisor)
        return resultado(TEstado::NoVerificable,
                         QStringLiteral("El certificado incluido en el comprobante no se pudo leer."));
    if (emisor->numero != QString::fromLatin1(c.noCertificado))
        return resultado(TEstado::CertificadoNoCorresponde,
                         QStringLiteral("El certificado incluido es el número %1, pero el comprobante dice %2.")
                             .arg(emisor->numero, QString::fromLatin1(c.noCertificado)));
    if (emisor->rfc != c.rfcEmisor)
        return resultado(
            TEstado::CertificadoNoCorresponde,
            QStringLiteral("El certificado incluido es del RFC %1, no del emisor %2.").arg(emisor->rfc, c.rfcEmisor));
    QString motivo;
    const QByteArray cadena = transforma(programa, c.hoja, c.documento.get(), &motivo);
    if (cadena.isEmpty())
        return resultado(TEstado::NoVerificable, motivo);
    if (!firmaValida(emisor->llave.get(), !c.version32, cadena, c.sello))
        return resultado(TEstado::Alterado, QStringLiteral("El sello del emisor no corresponde al contenido: el "
                                                           "comprobante cambió después de sellarse."));
    if (!c.timbre)
        return resultado(TEstado::NoVerificable,
                         QStringLiteral("El sello del emisor es válido, pero el comprobante no está timbrado."));
    if (c.timbres > 1)
        return resultado(TEstado::Alterado, QStringLiteral("El comprobante lleva %1 timbres fiscales y el SAT timbra "
                                                           "una sola vez: se le agregaron después de timbrarse.")
                                                .arg(c.timbres));
    if (atributo(c.timbre, esTimbre10(c.timbre) ? "selloCFD" : "SelloCFD").trimmed() != c.sello.trimmed())
        return resultado(TEstado::Alterado, QStringLiteral("El timbre es de otro sello: el comprobante cambió "
                                                           "después de timbrarse."));
    return verificaTimbre(programa, c.timbre, QStringLiteral("El sello del emisor es válido."));
}

// The voucher read, then `forma` makes the text; the reason in `motivo`.
template <class Forma> QByteArray cadenaDe(const QByteArray& xml, QString* motivo, Forma forma)
{
    QString razon;
    QByteArray cadena;
    try {
        prefsSeguridad();
        CapturaErrores captura;
        Comprobante c;
        if (leeComprobante(xml, c, &razon))
            cadena = forma(c, &razon);
    } catch (const std::exception&) {
        razon = QStringLiteral("No hubo memoria para formar la cadena original.");
    }
    if (motivo)
        *motivo = razon;
    return cadena;
}

} // namespace

QString texto(TEstado estado)
{
    switch (estado) {
    case TEstado::Autentico:
        return QStringLiteral("Auténtico");
    case TEstado::Alterado:
        return QStringLiteral("Alterado");
    case TEstado::CertificadoNoCorresponde:
        return QStringLiteral("Certificado no corresponde");
    case TEstado::NoVerificable:
        return QStringLiteral("No verificable");
    }
    return {};
}

bool desdeTexto(const QString& textoEstado, TEstado& estado)
{
    for (TEstado candidato :
         {TEstado::Autentico, TEstado::Alterado, TEstado::CertificadoNoCorresponde, TEstado::NoVerificable})
        if (texto(candidato) == textoEstado) {
            estado = candidato;
            return true;
        }
    return false;
}

TResultado verifica(const QByteArray& xml, const QString& carpetaPrograma)
{
    try {
        prefsSeguridad();
        CapturaErrores captura;
        const QString programa = carpeta(carpetaPrograma);
        Comprobante c;
        QString motivo;
        if (!leeComprobante(xml, c, &motivo))
            return resultado(TEstado::NoVerificable, motivo);
        return verificaLeido(programa, c);
    } catch (const std::exception&) {
        return resultado(TEstado::NoVerificable, QStringLiteral("No hubo memoria para verificar el comprobante."));
    }
}

QByteArray cadenaOriginal(const QByteArray& xml, QString* motivo, const QString& carpetaPrograma)
{
    return cadenaDe(xml, motivo, [&carpetaPrograma](const Comprobante& c, QString* razon) {
        return transforma(carpeta(carpetaPrograma), c.hoja, c.documento.get(), razon);
    });
}

QByteArray cadenaOriginalTimbre(const QByteArray& xml, QString* motivo, const QString& carpetaPrograma)
{
    return cadenaDe(xml, motivo, [&carpetaPrograma](const Comprobante& c, QString* razon) {
        if (c.timbre)
            return transformaTimbre(carpeta(carpetaPrograma), c.timbre, razon);
        *razon = QStringLiteral("El comprobante no está timbrado.");
        return QByteArray();
    });
}

QString carpetaCertificadosSat(const QString& carpetaPrograma)
{
    return Rutas::une(carpeta(carpetaPrograma), {CARPETA_SAT}) + QLatin1Char('/');
}

QString agregaCertificadoSat(const QString& archivo, QString* error, const QString& carpetaPrograma)
{
    QString razon;
    QString numero;
    try {
        const QByteArray contenido = LecturaCertificado::leeArchivo(archivo);
        const QByteArray der = LecturaCertificado::aDer(contenido, {PEM_STRING_X509, PEM_STRING_X509_OLD});
        const auto* p = reinterpret_cast<const unsigned char*>(der.constData());
        X509* x509 = der.isEmpty() ? nullptr : d2i_X509(nullptr, &p, static_cast<long>(der.size()));
        QByteArray canonico;
        if (x509) {
            numero = LecturaCertificado::numeroCertificado(x509);
            unsigned char* salida = nullptr;
            const int longitud = i2d_X509(x509, &salida);
            if (longitud > 0)
                canonico = QByteArray(reinterpret_cast<const char*>(salida), longitud);
            OPENSSL_free(salida);
            X509_free(x509);
        }
        ERR_clear_error();
        static const QRegularExpression numeroSat(QRegularExpression::anchoredPattern(QStringLiteral("[0-9]{20}")));
        if (contenido.isEmpty())
            razon = QStringLiteral("No se pudo leer el archivo %1.").arg(QDir::toNativeSeparators(archivo));
        else if (canonico.isEmpty())
            razon = QStringLiteral("El archivo %1 no es un certificado.").arg(QDir::toNativeSeparators(archivo));
        else if (!numeroSat.match(numero).hasMatch())
            razon = QStringLiteral("El certificado no tiene un número del SAT de 20 dígitos.");
        else {
            const QString programa = carpeta(carpetaPrograma);
            Archivos::creaCarpetaPrivada(Rutas::une(programa, {QStringLiteral("Certificados")}));
            Archivos::creaCarpetaPrivada(Rutas::une(programa, {CARPETA_SAT}));
            const QString destino = carpetaCertificadosSat(programa) + numero + QStringLiteral(".cer");
            // Written beside and renamed over: a verification running at the
            // same time reads the old file or the new one, never half of it.
            const QString temporal = destino + QStringLiteral(".nuevo");
            Archivos::creaPrivado(temporal, canonico);
            if (::rename(QFile::encodeName(temporal).constData(), QFile::encodeName(destino).constData()) != 0) {
                QFile::remove(temporal);
                razon =
                    QStringLiteral("No se pudo guardar el certificado en %1.").arg(QDir::toNativeSeparators(destino));
            }
        }
    } catch (const EVelkor& e) {
        razon = e.mensaje();
    } catch (const std::exception&) {
        razon = QStringLiteral("No hubo memoria para guardar el certificado.");
    }
    if (error)
        *error = razon;
    return razon.isEmpty() ? numero : QString();
}

} // namespace VerificacionSello
