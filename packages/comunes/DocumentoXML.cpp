#include "DocumentoXML.h"

#include <QFile>

#include <pugixml.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <string_view>
#include <unistd.h>
#include <vector>

struct TDocumentoXML::Datos {
    QByteArray bytes;
    QString archivo;
    pugi::xml_document arbol;
    pugi::xml_encoding codificacion = pugi::encoding_utf8;
};

namespace {

using pugi::xml_attribute;
using pugi::xml_node;

constexpr const char ESPACIO_XML[] = "http://www.w3.org/XML/1998/namespace";

std::string_view prefijo(const char* nombre)
{
    const char* dosPuntos = std::strchr(nombre, ':');
    return dosPuntos ? std::string_view(nombre, dosPuntos - nombre) : std::string_view();
}

const char* local(const char* nombre)
{
    const char* dosPuntos = std::strchr(nombre, ':');
    return dosPuntos ? dosPuntos + 1 : nombre;
}

// The attribute of this very element that binds `pref` ("xmlns" for no prefix).
xml_attribute declaracion(xml_node nodo, std::string_view pref)
{
    for (xml_attribute a : nodo.attributes()) {
        const char* n = a.name();
        if (std::strncmp(n, "xmlns", 5) != 0)
            continue;
        if (pref.empty() ? n[5] == '\0' : (n[5] == ':' && std::string_view(n + 6) == pref))
            return a;
    }
    return {};
}

// The namespace URI of an element: "" when it has none, null when its prefix
// is bound nowhere (such an element matches no namespace).
const char* espacioDe(xml_node nodo)
{
    const std::string_view pref = prefijo(nodo.name());
    if (pref == "xml")
        return ESPACIO_XML;
    for (xml_node e = nodo; e.type() == pugi::node_element; e = e.parent())
        if (const xml_attribute a = declaracion(e, pref))
            return a.value();
    return pref.empty() ? "" : nullptr;
}

bool enEspacio(xml_node nodo, const char* espacio, const char* nombreLocal)
{
    if (nodo.type() != pugi::node_element || std::strcmp(local(nodo.name()), nombreLocal) != 0)
        return false;
    const char* propio = espacioDe(nodo);
    return propio && std::strcmp(propio, espacio) == 0;
}

enum class TPertenencia { Propio, SinEspacio, Ajeno };

// Whether `hijo` lies in the namespace of `padre` (whose URI is `espacioPadre`),
// in none, or in another. Most children share their parent's prefix and
// declare nothing, which settles it without walking up the tree.
TPertenencia pertenencia(xml_node hijo, xml_node padre, const char* espacioPadre)
{
    const std::string_view pref = prefijo(hijo.name());
    if (pref == prefijo(padre.name()) && !declaracion(hijo, pref))
        return TPertenencia::Propio;
    const char* espacio = espacioDe(hijo);
    if (!espacio)
        return TPertenencia::Ajeno;
    if (espacioPadre && std::strcmp(espacio, espacioPadre) == 0)
        return TPertenencia::Propio;
    return *espacio == '\0' ? TPertenencia::SinEspacio : TPertenencia::Ajeno;
}

// From 3.3 on every element of a voucher is in its namespace: one without is
// not the voucher's.
bool admiteSinEspacio(xml_node nodo)
{
    const xml_node raiz = nodo.root().find_child([](xml_node h) { return h.type() == pugi::node_element; });
    return !(std::strcmp(local(raiz.name()), "Comprobante") == 0 && raiz.attribute("Version"));
}

// The children in the parent's own namespace; when there is none, those that
// carry no namespace at all (emitters of 3.2 wrote <Traslado xmlns="">). Never
// both: the seals cover the namespaced elements only, so an element without
// namespace may not stand in for a sealed one or join its list.
template <class Accion> void recorrePropios(xml_node padre, const char* nombreLocal, Accion accion)
{
    if (!padre)
        return;
    const char* espacioPadre = espacioDe(padre);
    bool hayPropios = false;
    std::vector<xml_node> sinEspacio;
    for (xml_node h = padre.first_child(); h; h = h.next_sibling()) {
        if (h.type() != pugi::node_element || std::strcmp(local(h.name()), nombreLocal) != 0)
            continue;
        switch (pertenencia(h, padre, espacioPadre)) {
        case TPertenencia::Propio:
            hayPropios = true;
            if (!accion(h))
                return;
            break;
        case TPertenencia::SinEspacio:
            sinEspacio.push_back(h);
            break;
        case TPertenencia::Ajeno:
            break;
        }
    }
    if (hayPropios || sinEspacio.empty() || !admiteSinEspacio(padre))
        return;
    for (xml_node h : sinEspacio)
        if (!accion(h))
            return;
}

std::string nombreHijoPropio(xml_node padre, const char* nombreLocal)
{
    const std::string_view pref = prefijo(padre.name());
    return pref.empty() ? std::string(nombreLocal) : std::string(pref) + ':' + nombreLocal;
}

QString textoEstado(pugi::xml_parse_status estado)
{
    switch (estado) {
    case pugi::status_out_of_memory:
        return QStringLiteral("no hay memoria suficiente para leerlo");
    case pugi::status_unrecognized_tag:
        return QStringLiteral("hay una etiqueta que no se reconoce");
    case pugi::status_bad_pi:
        return QStringLiteral("hay una declaración o instrucción mal escrita");
    case pugi::status_bad_comment:
        return QStringLiteral("hay un comentario mal escrito");
    case pugi::status_bad_cdata:
        return QStringLiteral("hay una sección CDATA mal escrita");
    case pugi::status_bad_doctype:
        return QStringLiteral("hay una declaración DOCTYPE mal escrita");
    case pugi::status_bad_pcdata:
        return QStringLiteral("hay texto mal escrito");
    case pugi::status_bad_start_element:
        return QStringLiteral("hay una etiqueta de apertura mal escrita");
    case pugi::status_bad_attribute:
        return QStringLiteral("hay un atributo mal escrito o cortado");
    case pugi::status_bad_end_element:
        return QStringLiteral("hay una etiqueta de cierre mal escrita");
    case pugi::status_end_element_mismatch:
        return QStringLiteral("una etiqueta de cierre no corresponde a la abierta, o el archivo está cortado");
    case pugi::status_no_document_element:
        return QStringLiteral("no contiene ningún elemento");
    default:
        return QStringLiteral("no se pudo leer");
    }
}

QString origen(const QString& archivo)
{
    return archivo.isEmpty() ? QStringLiteral("El documento XML") : QStringLiteral("El archivo %1").arg(archivo);
}

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool esUtf8(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* fin = p + bytes.size();
    while (p < fin) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int resto;
        char32_t punto;
        if (c >= 0xC2 && c <= 0xDF) {
            resto = 1;
            punto = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            resto = 2;
            punto = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            resto = 3;
            punto = c & 0x07;
        } else {
            return false;
        }
        if (fin - p <= resto)
            return false;
        for (int i = 1; i <= resto; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            punto = (punto << 6) | (p[i] & 0x3F);
        }
        if ((resto == 2 && (punto < 0x800 || (punto >= 0xD800 && punto <= 0xDFFF))) ||
            (resto == 3 && (punto < 0x10000 || punto > 0x10FFFF)))
            return false;
        p += resto + 1;
    }
    return true;
}

xml_node primerElemento(xml_node desde)
{
    while (desde && desde.type() != pugi::node_element)
        desde = desde.next_sibling();
    return desde;
}

// The element after `n` in document order, without recursion: documents may
// nest deeply.
xml_node siguienteElemento(xml_node n, xml_node raiz)
{
    if (const xml_node hijo = primerElemento(n.first_child()))
        return hijo;
    for (; n && n != raiz; n = n.parent())
        if (const xml_node hermano = primerElemento(n.next_sibling()))
            return hermano;
    return {};
}

// The first element carrying one attribute twice, in document order. The
// parser keeps both, and readers would disagree on which one counts.
xml_node atributoRepetido(xml_node raiz)
{
    std::vector<std::string_view> nombres;
    for (xml_node n = raiz; n; n = siguienteElemento(n, raiz)) {
        nombres.clear();
        for (xml_attribute a : n.attributes())
            nombres.emplace_back(a.name());
        std::sort(nombres.begin(), nombres.end());
        if (std::adjacent_find(nombres.begin(), nombres.end()) != nombres.end())
            return n;
    }
    return {};
}

// The parser's own guess (XML's appendix F): a byte-order mark or the byte
// pattern of "<", else the declaration, of which only ISO-8859-1 (or latin1)
// is taken; every other label reads as UTF-8, which is what emitters that
// label "utf-16" or "windows-1252" over UTF-8 bytes really wrote. The guess
// reads the first four bytes and, after "<?xm", the declaration up to its
// first '?': handed only that head, the parser guesses as over the whole
// document without reading it.
pugi::xml_encoding codificacionPropia(const QByteArray& bytes)
{
    const qsizetype fin = bytes.startsWith("<?xm") ? bytes.indexOf('?', 6) : 3;
    const QByteArray cabeza = fin < 0 ? bytes : bytes.left(fin + 1);
    pugi::xml_document prueba;
    return prueba.load_buffer(cabeza.constData(), static_cast<size_t>(cabeza.size())).encoding;
}

} // namespace

TDocumentoXML::TDocumentoXML() = default;

QStringConverter::Encoding TDocumentoXML::codificacionDe(const QByteArray& bytes)
{
    switch (codificacionPropia(bytes)) {
    case pugi::encoding_utf16_le:
        return QStringConverter::Utf16LE;
    case pugi::encoding_utf16_be:
        return QStringConverter::Utf16BE;
    case pugi::encoding_utf32_le:
        return QStringConverter::Utf32LE;
    case pugi::encoding_utf32_be:
        return QStringConverter::Utf32BE;
    case pugi::encoding_latin1:
        return QStringConverter::Latin1;
    default:
        return QStringConverter::Utf8;
    }
}

TDocumentoXML TDocumentoXML::desdeArchivo(const QString& archivo)
{
    // Opened by the system call itself, so a refusal says why in Spanish.
    const int descriptor = ::open(QFile::encodeName(archivo).constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        throw EEntradaSalida(
            QStringLiteral("No se pudo abrir el archivo %1: %2.").arg(archivo, Errores::delSistema(errno)));
    QFile f;
    if (!f.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        const int numero = errno;
        ::close(descriptor);
        throw EEntradaSalida(
            QStringLiteral("No se pudo abrir el archivo %1: %2").arg(archivo, Errores::delSistema(numero)));
    }
    if (f.size() > TAMANO_MAXIMO)
        throw EXML(QStringLiteral("El archivo %1 mide %2 bytes; el máximo que se lee es %3.")
                       .arg(archivo)
                       .arg(f.size())
                       .arg(TAMANO_MAXIMO));
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        const int numero = errno;
        throw EEntradaSalida(
            QStringLiteral("No se pudo leer el archivo %1: %2").arg(archivo, Errores::delSistema(numero)));
    }
    return carga(std::move(bytes), archivo);
}

TDocumentoXML TDocumentoXML::desdeBytes(const QByteArray& bytes)
{
    if (bytes.size() > TAMANO_MAXIMO)
        throw EXML(QStringLiteral("El documento XML mide %1 bytes; el máximo que se lee es %2.")
                       .arg(bytes.size())
                       .arg(TAMANO_MAXIMO));
    return carga(bytes, QString());
}

TDocumentoXML TDocumentoXML::carga(QByteArray bytes, const QString& archivo)
{
    auto datos = std::make_shared<Datos>();
    datos->bytes = std::move(bytes);
    datos->archivo = archivo;
    const pugi::xml_parse_result resultado =
        datos->arbol.load_buffer(datos->bytes.constData(), static_cast<size_t>(datos->bytes.size()),
                                 pugi::parse_default | pugi::parse_doctype, codificacionPropia(datos->bytes));
    if (!resultado) {
        QString donde;
        // The offset counts bytes of the text as parsed, which are the file's
        // own bytes only when it is UTF-8.
        if (resultado.encoding == pugi::encoding_utf8 && resultado.offset >= 0 &&
            resultado.offset <= datos->bytes.size()) {
            const QByteArray antes = datos->bytes.left(resultado.offset);
            const qsizetype ultimoSalto = antes.lastIndexOf('\n');
            donde = QStringLiteral(" (línea %1, columna %2)")
                        .arg(antes.count('\n') + 1)
                        .arg(QString::fromUtf8(antes.mid(ultimoSalto + 1)).size() + 1);
        }
        throw EXML(QStringLiteral("%1 no es un XML bien formado: %2%3.")
                       .arg(origen(archivo), textoEstado(resultado.status), donde));
    }
    if (resultado.encoding == pugi::encoding_utf8 && !esUtf8(datos->bytes))
        throw EXML(QStringLiteral("%1 no está en UTF-8, la codificación en que el SAT timbra los CFDI: contiene "
                                  "caracteres que no lo son.")
                       .arg(origen(archivo)));
    // The parser takes a NUL for the end of the text: whatever follows it
    // would be kept in the bytes without having been read. XML admits no NUL.
    if (const qsizetype nulo = datos->bytes.indexOf('\0');
        nulo >= 0 && (resultado.encoding == pugi::encoding_utf8 || resultado.encoding == pugi::encoding_latin1))
        throw EXML(QStringLiteral("%1 no es un XML bien formado: tiene un carácter nulo en el byte %2.")
                       .arg(origen(archivo))
                       .arg(nulo + 1));
    datos->codificacion = resultado.encoding;
    // The parser leaves entities declared there unexpanded, so a value
    // written "&nombre;" would be read as those letters; the seal check
    // refuses such a file too.
    for (xml_node n = datos->arbol.first_child(); n; n = n.next_sibling())
        if (n.type() == pugi::node_doctype)
            throw EXML(
                QStringLiteral("%1 declara un DTD (<!DOCTYPE …>), que ningún comprobante lleva.").arg(origen(archivo)));

    const xml_node raiz = datos->arbol.document_element();
    for (xml_node n = raiz.next_sibling(); n; n = n.next_sibling())
        if (n.type() == pugi::node_element)
            throw EXML(QStringLiteral("%1 no es un XML bien formado: tiene más de un elemento raíz (%2 y %3).")
                           .arg(origen(archivo), QString::fromUtf8(raiz.name()), QString::fromUtf8(n.name())));
    if (const xml_node repetido = atributoRepetido(raiz))
        throw EXML(QStringLiteral("%1 no es un XML bien formado: el elemento %2 repite un atributo.")
                       .arg(origen(archivo), QString::fromUtf8(repetido.name())));
    return TDocumentoXML(std::move(datos));
}

QByteArray TDocumentoXML::bytes() const
{
    return d ? d->bytes : QByteArray();
}

QString TDocumentoXML::archivo() const
{
    return d ? d->archivo : QString();
}

QString TDocumentoXML::codificacion() const
{
    switch (d ? d->codificacion : pugi::encoding_utf8) {
    case pugi::encoding_utf16_le:
    case pugi::encoding_utf16_be:
    case pugi::encoding_utf16:
        return QStringLiteral("UTF-16");
    case pugi::encoding_utf32_le:
    case pugi::encoding_utf32_be:
    case pugi::encoding_utf32:
        return QStringLiteral("UTF-32");
    case pugi::encoding_latin1:
        return QStringLiteral("ISO-8859-1");
    default:
        return QStringLiteral("UTF-8");
    }
}

TNodoXML TDocumentoXML::raiz() const
{
    if (!d)
        return {};
    return TNodoXML(d, d->arbol.document_element().internal_object());
}

QString TNodoXML::nombre() const
{
    return m_nodo ? QString::fromUtf8(xml_node(m_nodo).name()) : QString();
}

QString TNodoXML::nombreLocal() const
{
    return m_nodo ? QString::fromUtf8(local(xml_node(m_nodo).name())) : QString();
}

QString TNodoXML::espacio() const
{
    const char* e = m_nodo ? espacioDe(xml_node(m_nodo)) : nullptr;
    return e ? QString::fromUtf8(e) : QString();
}

bool TNodoXML::es(const char* espacio, const char* nombreLocal) const
{
    return m_nodo && enEspacio(xml_node(m_nodo), espacio, nombreLocal);
}

bool TNodoXML::tieneAtributo(const char* nombre) const
{
    return m_nodo && xml_node(m_nodo).attribute(nombre);
}

QString TNodoXML::atributo(const char* nombre) const
{
    return m_nodo ? QString::fromUtf8(xml_node(m_nodo).attribute(nombre).value()) : QString();
}

int TNodoXML::atributoEntero(const char* nombre) const
{
    if (!tieneAtributo(nombre))
        throw EConversion(QStringLiteral("Falta el atributo %1 en %2.").arg(QString::fromUtf8(nombre), this->nombre()));
    const QString texto = atributo(nombre);
    bool correcto = false;
    // The schemas collapse white space around integers.
    const int valor = texto.trimmed().toInt(&correcto, 10);
    if (!correcto)
        throw EConversion(QStringLiteral("El atributo %1 de %2 no es un número entero: \"%3\".")
                              .arg(QString::fromUtf8(nombre), this->nombre(), texto));
    return valor;
}

void TNodoXML::fijaAtributo(const char* nombre, const QString& valor)
{
    if (!m_nodo)
        throw EXML(QStringLiteral("No se puede escribir el atributo %1 en un elemento que no existe.")
                       .arg(QString::fromUtf8(nombre)));
    xml_node nodo(m_nodo);
    xml_attribute a = nodo.attribute(nombre);
    if (!a)
        a = nodo.append_attribute(nombre);
    a.set_value(valor.toUtf8().constData());
}

void TNodoXML::fijaAtributo(const char* nombre, int valor)
{
    fijaAtributo(nombre, QString::number(valor));
}

QList<TNodoXML> TNodoXML::hijos() const
{
    QList<TNodoXML> resultado;
    if (m_nodo)
        for (xml_node h = xml_node(m_nodo).first_child(); h; h = h.next_sibling())
            if (h.type() == pugi::node_element)
                resultado.append(vista(h.internal_object()));
    return resultado;
}

QList<TNodoXML> TNodoXML::hijos(const char* espacio, const char* nombreLocal) const
{
    QList<TNodoXML> resultado;
    if (m_nodo)
        for (xml_node h = xml_node(m_nodo).first_child(); h; h = h.next_sibling())
            if (enEspacio(h, espacio, nombreLocal))
                resultado.append(vista(h.internal_object()));
    return resultado;
}

QList<TNodoXML> TNodoXML::hijosPropios(const char* nombreLocal) const
{
    QList<TNodoXML> resultado;
    recorrePropios(xml_node(m_nodo), nombreLocal, [&](xml_node h) {
        resultado.append(vista(h.internal_object()));
        return true;
    });
    return resultado;
}

TNodoXML TNodoXML::hijo(const char* espacio, const char* nombreLocal) const
{
    if (m_nodo)
        for (xml_node h = xml_node(m_nodo).first_child(); h; h = h.next_sibling())
            if (enEspacio(h, espacio, nombreLocal))
                return vista(h.internal_object());
    return {};
}

TNodoXML TNodoXML::hijoPropio(const char* nombreLocal) const
{
    pugi::xml_node_struct* encontrado = nullptr;
    recorrePropios(xml_node(m_nodo), nombreLocal, [&](xml_node h) {
        encontrado = h.internal_object();
        return false;
    });
    return encontrado ? vista(encontrado) : TNodoXML();
}

TNodoXML TNodoXML::padre() const
{
    if (!m_nodo)
        return {};
    const xml_node p = xml_node(m_nodo).parent();
    return p.type() == pugi::node_element ? vista(p.internal_object()) : TNodoXML();
}

QString TNodoXML::xml() const
{
    if (!m_nodo)
        return {};
    pugi::xml_document aparte;
    xml_node copia = aparte.append_copy(xml_node(m_nodo));
    // Nearest declarations first: an outer one never overrides an inner one.
    for (xml_node e = xml_node(m_nodo).parent(); e.type() == pugi::node_element; e = e.parent())
        for (xml_attribute a : e.attributes()) {
            const char* n = a.name();
            if (std::strncmp(n, "xmlns", 5) == 0 && (n[5] == '\0' || n[5] == ':') && !copia.attribute(n))
                copia.append_attribute(n).set_value(a.value());
        }
    std::ostringstream salida;
    aparte.save(salida, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return QString::fromStdString(salida.str());
}

TDocumentoXML TNodoXML::documento() const
{
    return TDocumentoXML(m_documento);
}

TNodoXML TNodoXML::hijoPropioCreado(const char* nombreLocal) const
{
    const TNodoXML existente = hijoPropio(nombreLocal);
    return existente || !m_nodo ? existente : agregaHijoPropio(nombreLocal);
}

TNodoXML TNodoXML::agregaHijoPropio(const char* nombreLocal) const
{
    return insertaHijoPropio(nombreLocal, TNodoXML());
}

TNodoXML TNodoXML::insertaHijoPropio(const char* nombreLocal, const TNodoXML& antesDe) const
{
    if (!m_nodo)
        return {};
    xml_node padre(m_nodo);
    const std::string nombre = nombreHijoPropio(padre, nombreLocal);
    const xml_node nuevo = antesDe.m_nodo ? padre.insert_child_before(nombre.c_str(), xml_node(antesDe.m_nodo))
                                          : padre.append_child(nombre.c_str());
    return vista(nuevo.internal_object());
}

TNodoXML TListaXML::item(int indice) const
{
    if (indice < 0 || indice >= m_items.size())
        throw EXML(QStringLiteral("Índice %1 fuera de la lista de %2 elementos.").arg(indice).arg(m_items.size()));
    return m_items.at(indice);
}

TColeccionXML::TColeccionXML(const TNodoXML& nodo, const char* nombreItem)
    : TNodoXML(nodo), m_nombreItem(nombreItem), m_items(nodo, nombreItem)
{
}

TNodoXML TColeccionXML::agregaItem()
{
    TNodoXML despues;
    if (!m_items.nodos().isEmpty()) {
        // Right after the last item, so that items stay together.
        const xml_node ultimo(m_items.nodos().last().m_nodo);
        for (xml_node s = ultimo.next_sibling(); s; s = s.next_sibling())
            if (s.type() == pugi::node_element) {
                despues = vista(s.internal_object());
                break;
            }
    }
    const TNodoXML nuevo = insertaHijoPropio(m_nombreItem.constData(), despues);
    if (nuevo)
        m_items.nodos().append(nuevo);
    return nuevo;
}

TNodoXML TColeccionXML::insertaItem(int indice)
{
    if (indice == Count())
        return agregaItem();
    const TNodoXML antes = item(indice);
    const TNodoXML nuevo = insertaHijoPropio(m_nombreItem.constData(), antes);
    m_items.nodos().insert(indice, nuevo);
    return nuevo;
}
