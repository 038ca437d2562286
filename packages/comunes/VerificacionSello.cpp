#include "VerificacionSello.h"

#include "Archivos.h"
#include "CertificadosSello.h"
#include "Constantes.h"
#include "DocumentoXML.h"
#include "Errores.h"
#include "LecturaCertificado.h"
#include "Logmanager.h"
#include "Rutas.h"
#include "Signerutils.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
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
#include <limits>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <set>

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

// The sentence for the user stays Spanish alone: the library's first report,
// in its own English, goes to the program folder's log for whoever looks into
// the file.
QString conDetalle(const QString& motivo, const QString& programa)
{
    const QString detalle = CapturaErrores::primero();
    if (!detalle.isEmpty())
        Logmanager::Log(QStringLiteral("Verificación del sello: %1 (%2)").arg(motivo, detalle), 1, programa);
    return motivo;
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
    // The namespaces its templates match, those of its xsl:include's among
    // them: the complements whose values it puts in the cadena original.
    std::set<QByteArray> espacios;
};

// Read from the compiled templates rather than kept as a list, so a transform
// the SAT adds to Xslt/ brings its complement with it.
std::set<QByteArray> espaciosCubiertos(xsltStylesheetPtr hoja)
{
    static const QRegularExpression prefijo(QStringLiteral("([A-Za-z_][\\w.-]*):(?=[A-Za-z_*])"));
    std::set<QByteArray> espacios;
    for (xsltTemplatePtr plantilla = hoja->templates; plantilla; plantilla = plantilla->next) {
        if (!plantilla->match || !plantilla->elem)
            continue;
        const QString patron = QString::fromUtf8(reinterpret_cast<const char*>(plantilla->match));
        for (const QRegularExpressionMatch& m : prefijo.globalMatch(patron)) {
            const QByteArray nombre = m.captured(1).toUtf8();
            const xmlNs* ns = xmlSearchNs(plantilla->elem->doc, plantilla->elem, BAD_CAST nombre.constData());
            if (ns && ns->href)
                espacios.insert(QByteArray(reinterpret_cast<const char*>(ns->href)));
        }
    }
    return espacios;
}

class Hojas {
public:
    ~Hojas()
    {
        for (auto& [ruta, hoja] : m_hojas)
            xsltFreeStylesheet(hoja.hoja);
    }
    // Null with the reason when the file cannot be compiled now. A failure is
    // not kept: Xslt/ may be mended while the program runs, and the next
    // check tries again.
    const Hoja* compilada(const QString& ruta, const QString& programa, QString* motivo)
    {
        const std::lock_guard<std::mutex> candado(m_mutex);
        auto encontrada = m_hojas.find(ruta);
        if (encontrada != m_hojas.end())
            return &encontrada->second;
        if (!QFileInfo::exists(ruta)) {
            *motivo = QStringLiteral("Falta la transformación del SAT %1.").arg(QDir::toNativeSeparators(ruta));
            return nullptr;
        }
        const QByteArray nombre = QFile::encodeName(ruta);
        Hoja nueva;
        nueva.hoja = xsltParseStylesheetFile(reinterpret_cast<const xmlChar*>(nombre.constData()));
        if (!nueva.hoja) {
            *motivo = conDetalle(
                QStringLiteral("No se pudo leer la transformación del SAT %1.").arg(QDir::toNativeSeparators(ruta)),
                programa);
            CapturaErrores::olvida();
            return nullptr;
        }
        CapturaErrores::olvida();
        nueva.espacios = espaciosCubiertos(nueva.hoja);
        return &m_hojas.emplace(ruta, std::move(nueva)).first->second;
    }

private:
    std::mutex m_mutex;
    std::map<QString, Hoja> m_hojas;
};

// Null with the reason when the transform cannot be compiled.
const Hoja* hoja(const QString& programa, THoja cual, QString* motivo)
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
        compilada = hojas.compilada(programa + QStringLiteral("Xslt/www.sat.gob.mx/") +
                                        QLatin1String(RUTAS_HOJAS[static_cast<size_t>(cual)]),
                                    programa, motivo);
    return compilada;
}

// ---------------------------------------------------------------------------
// Documents.

struct LiberaDocumento {
    void operator()(xmlDocPtr documento) const { xmlFreeDoc(documento); }
};
using Documento = std::unique_ptr<xmlDoc, LiberaDocumento>;

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

// A voucher comes from outside: no network, no DTD loaded, no entity but the
// predefined ones substituted, and a document that declares a DTD of its own
// (the way to entity bombs) is refused outright.
//
// Two faults leave the voucher readable, since the seal covers neither: bytes
// after the root element's end (a trailing Ctrl-Z, a mail signature), which
// the parser stops before; and an entity no DTD declares (an HTML "&nbsp;")
// inside the Addenda, left out of its text. The tree is kept only when such an
// Addenda is the root's last element, so nothing the seal covers was read
// after the fault. Any other fault leaves the document unread.
struct Lectura {
    bool admitida = false;            // a fault of those two was met
    bool otra = false;                // any other fault
    const xmlNode* addenda = nullptr; // the first Addenda with an entity left out
};

// The root's child that holds `nodo` when it is the Addenda of a CFDI root.
const xmlNode* addendaDe(const xmlNode* nodo)
{
    const xmlNode* hijoRaiz = nullptr;
    for (; nodo && nodo->type == XML_ELEMENT_NODE; nodo = nodo->parent) {
        if (nodo->parent && nodo->parent->type == XML_DOCUMENT_NODE) {
            const bool cfdi = es(nodo, "Comprobante", NS_CFD3) || es(nodo, "Comprobante", NS_CFD4);
            return cfdi && es(hijoRaiz, "Addenda", reinterpret_cast<const char*>(nodo->ns->href)) ? hijoRaiz : nullptr;
        }
        hijoRaiz = nodo;
    }
    return nullptr;
}

// The parser's own report channel: called at each fault with the parser at it.
void faltaLectura(void* datos, xmlErrorPtr error)
{
    if (!error || error->level < XML_ERR_ERROR)
        return;
    errorEstructurado(nullptr, error);
    // An undeclared prefix is no fault of the document's form: the seal, over
    // what the transform reads, decides.
    if (error->domain == XML_FROM_NAMESPACE)
        return;
    auto* contexto = static_cast<xmlParserCtxtPtr>(datos);
    auto* lectura = static_cast<Lectura*>(contexto->_private);
    const xmlNode* addenda = error->code == XML_ERR_UNDECLARED_ENTITY ? addendaDe(contexto->node) : nullptr;
    if (error->code == XML_ERR_DOCUMENT_END || addenda) {
        lectura->admitida = true;
        if (addenda && !lectura->addenda)
            lectura->addenda = addenda;
    } else {
        lectura->otra = true;
    }
}

bool soloAddendaDespues(const xmlNode* addenda)
{
    for (const xmlNode* nodo = addenda ? addenda->next : nullptr; nodo; nodo = nodo->next)
        if (nodo->type == XML_ELEMENT_NODE)
            return false;
    return true;
}

Documento leeDocumento(const QByteArray& xml, const QString& programa, QString* motivo)
{
    // The characters are the ones the import reads from these bytes, whatever
    // the declaration says: an emitter that labels UTF-8 bytes "utf-16" or
    // "windows-1252" sealed the UTF-8 characters, and read as labelled they
    // are others (the seal would not verify) or none (not well-formed).
    // Bytes the import reads in another encoding reach the parser as UTF-8.
    QByteArray texto = xml;
    if (const QStringConverter::Encoding codificacion = TDocumentoXML::codificacionDe(xml);
        codificacion != QStringConverter::Utf8) {
        QStringDecoder decodificador(codificacion);
        const QString leido = decodificador.decode(xml);
        if (decodificador.hasError()) {
            *motivo = QStringLiteral("El archivo no es un XML bien formado.");
            return {};
        }
        texto = leido.toUtf8();
    }
    // Bytes before the first "<" (a BOM, blank lines, stray text) are not the
    // document; the seal covers the values only.
    const qsizetype inicio = texto.indexOf('<');
    if (inicio < 0 || texto.size() - inicio > std::numeric_limits<int>::max()) {
        *motivo = QStringLiteral("El archivo no es un XML.");
        return {};
    }
    xmlParserCtxtPtr contexto =
        xmlCreateMemoryParserCtxt(texto.constData() + inicio, static_cast<int>(texto.size() - inicio));
    if (!contexto) {
        *motivo = QStringLiteral("No hubo memoria para leer el comprobante.");
        return {};
    }
    // Recovering, the parser goes on past an entity left out; whether what it
    // met is admitted is judged by faltaLectura, fault by fault. Without
    // XML_PARSE_HUGE a document past 10,000,000 bytes (a retail invoice of
    // twenty thousand lines) would be refused; its size is bounded by the
    // caller, and DTDs and the network are refused anyway. The text is read
    // as UTF-8 and its declared encoding ignored, as the import reads it:
    // bytes that are not UTF-8 make it not well-formed, as they make the
    // import refuse the file.
    xmlCtxtUseOptions(contexto, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT |
                                    XML_PARSE_RECOVER | XML_PARSE_HUGE | XML_PARSE_IGNORE_ENC);
    if (xmlSwitchToEncoding(contexto, xmlFindCharEncodingHandler("UTF-8")) != 0) {
        xmlFreeParserCtxt(contexto);
        *motivo = QStringLiteral("No hubo memoria para leer el comprobante.");
        return {};
    }
    Lectura lectura;
    contexto->_private = &lectura;
    contexto->sax->serror = faltaLectura;
    xmlParseDocument(contexto);
    Documento documento(contexto->myDoc);
    contexto->myDoc = nullptr;
    const bool formado = contexto->wellFormed;
    xmlFreeParserCtxt(contexto);
    if (!documento || !xmlDocGetRootElement(documento.get()) ||
        !(formado || (lectura.admitida && !lectura.otra && soloAddendaDespues(lectura.addenda)))) {
        *motivo = conDetalle(QStringLiteral("El archivo no es un XML bien formado."), programa);
        return {};
    }
    if (documento->intSubset || documento->extSubset) {
        *motivo = QStringLiteral("El archivo declara un DTD, que ningún comprobante lleva.");
        return {};
    }
    return documento;
}

// What the check needs of the voucher, read once.
struct Comprobante {
    Documento documento;
    xmlNode* raiz = nullptr;
    xmlNode* timbre = nullptr;
    int timbres = 0;
    THoja hoja = THoja::Cfdi40;
    bool version32 = false;
    QByteArray sello, certificado, noCertificado, fecha;
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

// Why a root of this namespace and version is not checked.
QString motivoVersion(bool cfd3, const QByteArray& version)
{
    if (version.isEmpty())
        return QStringLiteral("El comprobante no dice su versión.");
    const QString cual = QString::fromUtf8(version);
    if (version != "3.2" && version != "3.3" && version != "4.0")
        return QStringLiteral("La versión %1 del comprobante no se puede verificar; solo las versiones 3.2, 3.3 y 4.0.")
            .arg(cual);
    if (cfd3 != (version != "4.0"))
        return QStringLiteral("El comprobante dice ser de la versión %1, pero su espacio de nombres es el de %2.")
            .arg(cual, cfd3 ? QStringLiteral("las versiones 3.2 y 3.3") : QStringLiteral("la versión 4.0"));
    return QStringLiteral("El comprobante dice ser de la versión %1, pero no la escribe como esa versión lo pide.")
        .arg(cual);
}

// No CFDI nests its elements more than a few dozen levels, but a complement
// may hold any element: the transforms walk an unknown one level by level on
// the thread's stack, and some tens of thousands of levels end the program.
constexpr int NIVELES_MAXIMOS = 1000;

// Whether an element below the root, outside the root's Addenda (which no
// transform enters), lies deeper than NIVELES_MAXIMOS. Walked without
// recursion, for the same reason.
bool demasiadoHondo(const xmlNode* raiz)
{
    const char* espacio = reinterpret_cast<const char*>(raiz->ns->href);
    int nivel = 0;
    for (const xmlNode* nodo = raiz; nodo;) {
        const bool entra =
            nodo->type == XML_ELEMENT_NODE && nodo->children && !(nivel == 1 && es(nodo, "Addenda", espacio));
        if (entra) {
            if (++nivel > NIVELES_MAXIMOS)
                return true;
            nodo = nodo->children;
            continue;
        }
        while (nodo != raiz && !nodo->next) {
            nodo = nodo->parent;
            --nivel;
        }
        nodo = nodo == raiz ? nullptr : nodo->next;
    }
    return false;
}

bool leeComprobante(const QByteArray& xml, const QString& programa, Comprobante& c, QString* motivo)
{
    c.documento = leeDocumento(xml, programa, motivo);
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
        *motivo = motivoVersion(cfd3, version.isEmpty() ? version32 : version);
        return false;
    }
    if (demasiadoHondo(c.raiz)) {
        *motivo = QStringLiteral("El comprobante anida elementos a más de mil niveles, lo que ningún CFDI hace; no se "
                                 "puede formar su cadena original.");
        return false;
    }
    c.version32 = c.hoja == THoja::Cfdi32;
    c.sello = atributo(c.raiz, c.version32 ? "sello" : "Sello");
    c.certificado = atributo(c.raiz, c.version32 ? "certificado" : "Certificado");
    c.noCertificado = atributo(c.raiz, c.version32 ? "noCertificado" : "NoCertificado").trimmed();
    c.fecha = atributo(c.raiz, c.version32 ? "fecha" : "Fecha").trimmed();
    const xmlNode* emisor = hijo(c.raiz, "Emisor", reinterpret_cast<const char*>(c.raiz->ns->href));
    c.rfcEmisor = QString::fromUtf8(atributo(emisor, c.version32 ? "rfc" : "Rfc")).trimmed().toUpper();
    c.timbre = timbreDe(c.raiz, c.timbres);
    return true;
}

// The text output of the transform over the document; empty with the reason
// when it fails.
QByteArray transforma(const QString& programa, THoja cual, xmlDocPtr documento, QString* motivo)
{
    const Hoja* compilada = hoja(programa, cual, motivo);
    if (!compilada)
        return {};
    xsltTransformContextPtr contexto = xsltNewTransformContext(compilada->hoja, documento);
    if (!contexto) {
        *motivo = QStringLiteral("No hubo memoria para formar la cadena original.");
        return {};
    }
    xsltSetCtxtSecurityPrefs(prefsSeguridad(), contexto);
    Documento resultado(xsltApplyStylesheetUser(compilada->hoja, documento, nullptr, nullptr, nullptr, contexto));
    const bool fallo = !resultado || contexto->state != XSLT_STATE_OK;
    xsltFreeTransformContext(contexto);
    QByteArray cadena;
    if (!fallo) {
        xmlChar* texto = nullptr;
        int longitud = 0;
        if (xsltSaveResultToString(&texto, &longitud, resultado.get(), compilada->hoja) == 0 && texto)
            cadena = QByteArray(reinterpret_cast<const char*>(texto), longitud);
        xmlFree(texto);
    }
    if (cadena.isEmpty())
        *motivo =
            conDetalle(QStringLiteral("No se pudo formar la cadena original con la transformación del SAT."), programa);
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
    const CertificadosSello::CertificadoCompartido sat = CertificadosSello::busca(clave, [&ruta] {
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
    if (!CertificadosSello::firmaValida(sat->llave.get(), !version10, cadena, sello))
        return resultado(TEstado::Alterado,
                         QStringLiteral("El sello del SAT no corresponde al timbre: el timbre cambió después de "
                                        "sellarse."));
    return resultado(TEstado::Autentico, QStringLiteral("El sello del emisor y el sello del SAT son válidos."), true);
}

// When the voucher was sealed, as a span of UTC seconds. Fecha carries no
// zone in 3.3 and 4.0: it is the issuer's clock, from UTC-5 (Quintana Roo) to
// UTC-8 (Baja California in winter), so the moment lies between Fecha+5 h and
// Fecha+8 h in UTC. A 3.2 fecha may carry its offset, and then is exact.
// False when the text is no date; `reloj` is the date as written.
bool momentoSellado(const QByteArray& fecha, qint64& primero, qint64& ultimo, QDateTime& reloj)
{
    static const QRegularExpression forma(QRegularExpression::anchoredPattern(
        QStringLiteral("(\\d{4}-\\d{2}-\\d{2})T(\\d{2}:\\d{2}:\\d{2})(?:\\.\\d+)?(Z|[+-]\\d{2}:\\d{2})?")));
    const QRegularExpressionMatch m = forma.match(QString::fromLatin1(fecha));
    if (!m.hasMatch())
        return false;
    reloj = QDateTime(QDate::fromString(m.captured(1), Qt::ISODate), QTime::fromString(m.captured(2), Qt::ISODate),
                      Qt::UTC);
    if (!reloj.isValid())
        return false;
    const qint64 escrito = reloj.toSecsSinceEpoch();
    const QString zona = m.captured(3);
    if (zona.isEmpty()) {
        primero = escrito + 5 * 3600;
        ultimo = escrito + 8 * 3600;
        return true;
    }
    qint64 desfase = 0;
    if (zona != QLatin1String("Z")) {
        desfase = (zona.mid(1, 2).toLongLong() * 60 + zona.mid(4, 2).toLongLong()) * 60;
        if (zona.startsWith(QLatin1Char('-')))
            desfase = -desfase;
    }
    primero = ultimo = escrito - desfase;
    return true;
}

// What makes the certificate the voucher carries unfit to seal it, though it
// is the one the voucher names: empty when it is fit.
TResultado certificadoInapto(const CertificadosSello::Certificado& emisor, const QByteArray& fecha)
{
    if (!emisor.csd)
        return resultado(TEstado::CertificadoNoCorresponde,
                         QStringLiteral("El certificado incluido no es un certificado de sello digital (CSD), sino de "
                                        "otro uso, como la e.firma; el SAT solo acepta comprobantes sellados con un "
                                        "CSD."));
    qint64 primero = 0, ultimo = 0;
    QDateTime reloj;
    if (!momentoSellado(fecha, primero, ultimo, reloj))
        return resultado(TEstado::NoVerificable,
                         QStringLiteral("La fecha del comprobante («%1») no es una fecha válida, así que no se sabe si "
                                        "su certificado estaba vigente.")
                             .arg(QString::fromUtf8(fecha)));
    // Refused only when every moment it may have been sealed at is outside.
    if (ultimo < emisor.desde || primero > emisor.hasta) {
        const auto local = [](qint64 segundos) {
            return QDateTime::fromSecsSinceEpoch(segundos, Qt::UTC)
                .toLocalTime()
                .toString(Constantes::FORMATO_FECHA + QStringLiteral(" HH:mm"));
        };
        return resultado(TEstado::CertificadoNoCorresponde,
                         QStringLiteral("El comprobante tiene fecha %1, fuera de la vigencia de su certificado (del %2 "
                                        "al %3); el SAT no acepta comprobantes sellados fuera de ella.")
                             .arg(reloj.toString(Constantes::FORMATO_FECHA + QStringLiteral(" HH:mm:ss")),
                                  local(emisor.desde), local(emisor.hasta)));
    }
    return {TEstado::Autentico, QString(), false};
}

// The first complement, under Complemento or a concept's ComplementoConcepto,
// in a namespace the transform does not cover, as "Name (namespace)"; empty
// when there is none. The stamp is no part of the issuer's cadena: its own
// transform covers it.
QString complementoDesconocido(const xmlNode* raiz, const std::set<QByteArray>& cubiertos)
{
    const char* espacio = reinterpret_cast<const char*>(raiz->ns->href);
    const auto desconocido = [&cubiertos](const xmlNode* padre) {
        for (const xmlNode* nodo = padre->children; nodo; nodo = nodo->next) {
            if (nodo->type != XML_ELEMENT_NODE || !nodo->ns || !nodo->ns->href)
                continue;
            const QByteArray uri(reinterpret_cast<const char*>(nodo->ns->href));
            if (uri != NS_TFD && !cubiertos.count(uri))
                return QStringLiteral("%1 (%2)").arg(QString::fromUtf8(reinterpret_cast<const char*>(nodo->name)),
                                                     QString::fromUtf8(uri));
        }
        return QString();
    };
    for (const xmlNode* nodo = raiz->children; nodo; nodo = nodo->next) {
        QString hallado;
        if (es(nodo, "Complemento", espacio))
            hallado = desconocido(nodo);
        else if (es(nodo, "Conceptos", espacio))
            for (const xmlNode* concepto = nodo->children; concepto && hallado.isEmpty(); concepto = concepto->next)
                if (es(concepto, "Concepto", espacio))
                    for (const xmlNode* parte = concepto->children; parte && hallado.isEmpty(); parte = parte->next)
                        if (es(parte, "ComplementoConcepto", espacio))
                            hallado = desconocido(parte);
        if (!hallado.isEmpty())
            return hallado;
    }
    return {};
}

// The first element of a 3.2 voucher without a namespace, as its name,
// outside the Addenda and the complements; empty when there is none. Emitters
// of 3.2 wrote some (<Traslado xmlns="">), and the import reads them where no
// sealed element of their name stands, but the transform leaves them out of
// the cadena original: a valid seal says nothing of them.
QString sinEspacio(const xmlNode* padre)
{
    const char* espacio = reinterpret_cast<const char*>(padre->ns->href);
    for (const xmlNode* nodo = padre->children; nodo; nodo = nodo->next) {
        if (nodo->type != XML_ELEMENT_NODE)
            continue;
        if (!nodo->ns || !nodo->ns->href || !*nodo->ns->href)
            return QString::fromUtf8(reinterpret_cast<const char*>(nodo->name));
        if (es(nodo, "Addenda", espacio) || es(nodo, "Complemento", espacio) ||
            es(nodo, "ComplementoConcepto", espacio))
            continue;
        if (const QString hallado = sinEspacio(nodo); !hallado.isEmpty())
            return hallado;
    }
    return {};
}

TResultado verificaLeido(const QString& programa, Comprobante& c)
{
    if (c.sello.trimmed().isEmpty())
        return resultado(TEstado::NoVerificable, QStringLiteral("El comprobante no tiene sello."));
    if (c.certificado.trimmed().isEmpty())
        return resultado(TEstado::NoVerificable, QStringLiteral("El comprobante no incluye su certificado."));
    const CertificadosSello::CertificadoCompartido emisor =
        CertificadosSello::busca(c.certificado, [&c] { return QByteArray::fromBase64(c.certificado); });
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
    const TResultado inapto = certificadoInapto(*emisor, c.fecha);
    if (!inapto.motivo.isEmpty())
        return inapto;
    QString motivo;
    const QByteArray cadena = transforma(programa, c.hoja, c.documento.get(), &motivo);
    if (cadena.isEmpty())
        return resultado(TEstado::NoVerificable, motivo);
    if (!CertificadosSello::firmaValida(emisor->llave.get(), !c.version32, cadena, c.sello)) {
        // A seal over values this transform leaves out is no proof of a change.
        const Hoja* compilada = hoja(programa, c.hoja, &motivo);
        const QString ajeno = compilada ? complementoDesconocido(c.raiz, compilada->espacios) : QString();
        if (!ajeno.isEmpty())
            return resultado(TEstado::NoVerificable,
                             QStringLiteral("El sello del emisor no se pudo comprobar: el comprobante lleva el "
                                            "complemento %1, que esta versión del programa aún no conoce.")
                                 .arg(ajeno));
        return resultado(TEstado::Alterado, QStringLiteral("El sello del emisor no corresponde al contenido: el "
                                                           "comprobante cambió después de sellarse."));
    }
    if (c.version32)
        if (const QString agregado = sinEspacio(c.raiz); !agregado.isEmpty())
            return resultado(TEstado::Alterado,
                             QStringLiteral("El comprobante lleva el elemento %1 sin espacio de nombres, que el sello "
                                            "del emisor no cubre: se le agregó después de sellarse.")
                                 .arg(agregado));
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
template <class Forma>
QByteArray cadenaDe(const QByteArray& xml, const QString& carpetaPrograma, QString* motivo, Forma forma)
{
    QString razon;
    QByteArray cadena;
    try {
        prefsSeguridad();
        CapturaErrores captura;
        Comprobante c;
        if (leeComprobante(xml, carpeta(carpetaPrograma), c, &razon))
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
        if (!leeComprobante(xml, programa, c, &motivo))
            return resultado(TEstado::NoVerificable, motivo);
        return verificaLeido(programa, c);
    } catch (const std::exception&) {
        return resultado(TEstado::NoVerificable, QStringLiteral("No hubo memoria para verificar el comprobante."));
    }
}

QByteArray cadenaOriginal(const QByteArray& xml, QString* motivo, const QString& carpetaPrograma)
{
    return cadenaDe(xml, carpetaPrograma, motivo, [&carpetaPrograma](const Comprobante& c, QString* razon) {
        return transforma(carpeta(carpetaPrograma), c.hoja, c.documento.get(), razon);
    });
}

QByteArray cadenaOriginalTimbre(const QByteArray& xml, QString* motivo, const QString& carpetaPrograma)
{
    return cadenaDe(xml, carpetaPrograma, motivo, [&carpetaPrograma](const Comprobante& c, QString* razon) {
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
