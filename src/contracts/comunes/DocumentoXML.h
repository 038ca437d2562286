#pragma once
#include "ComunesExport.h"
#include "Errores.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringConverter>

#include <memory>

namespace pugi {
struct xml_node_struct;
}

// A file that is not well-formed XML, or a document whose root is not the
// element a binding was asked for.
VELKOR_ERROR(EXML, EVelkor)

class TNodoXML;

// One loaded XML document: the bytes exactly as they came and the tree parsed
// from them. Copies share the same document, and every view taken from it
// (TNodoXML and the typed bindings built on it) keeps it alive, so a view may
// outlive the TDocumentoXML it came from.
//
// Accepted as the SAT and the stamping providers really issue files: a UTF-8
// byte-order mark, no XML declaration, bytes before the first '<' or after the
// root, UTF-16 with its mark, ISO-8859-1 when declared. Refused with EXML:
// anything that is not well-formed (also truncated files), more than one root
// element, an attribute written twice on one element, bytes that are not valid
// UTF-8 in a UTF-8 document, and files over TAMANO_MAXIMO.
class COMUNES_EXPORT TDocumentoXML {
public:
    static constexpr qint64 TAMANO_MAXIMO = 128LL * 1024 * 1024;

    // No document: raiz() is an empty view.
    TDocumentoXML();

    // EEntradaSalida when the file cannot be read, EXML when it is refused.
    static TDocumentoXML desdeArchivo(const QString& archivo);
    // EXML when the bytes are refused.
    static TDocumentoXML desdeBytes(const QByteArray& bytes);

    bool cargado() const { return static_cast<bool>(d); }
    // The original bytes, never changed: the seal of a voucher covers its
    // values, so the stored voucher is the file as it came.
    QByteArray bytes() const;
    // The file it was loaded from; empty for desdeBytes.
    QString archivo() const;
    // The encoding its bytes were read in: "UTF-8", "UTF-16", "UTF-32" or
    // "ISO-8859-1" (by byte-order mark, byte pattern or declaration).
    QString codificacion() const;
    // The encoding desdeBytes reads these bytes in, with its byte order: by
    // byte-order mark or byte pattern, else ISO-8859-1 when the declaration at
    // the very start says so; any other label ("utf-16", "windows-1252") is
    // read as UTF-8. Another parser of the same bytes (the seal check) reads
    // them in this one, so both see the characters the import sees.
    static QStringConverter::Encoding codificacionDe(const QByteArray& bytes);
    // The document element.
    TNodoXML raiz() const;

    struct Datos;

private:
    explicit TDocumentoXML(std::shared_ptr<Datos> datos) : d(std::move(datos)) {}
    static TDocumentoXML carga(QByteArray bytes, const QString& archivo);

    std::shared_ptr<Datos> d;

    friend class TNodoXML;
};

// A view of one element of a loaded document. Getters read the document when
// they are called; nothing is copied out. A view of an element that is not in
// the document (an optional element left out) is empty: its attributes read as
// empty text, its lists count 0 and its children are empty views.
//
// Elements are matched by namespace URI and local name, never by prefix: the
// prefix of each element is resolved from the xmlns declarations in scope (the
// element itself and its ancestors), so "cfdi:", "x:" or a default namespace
// all read the same. Attributes of the SAT schemas carry no prefix and are read
// by name, exactly as the schema spells them (no case folding).
class COMUNES_EXPORT TNodoXML {
public:
    TNodoXML() = default;

    bool existe() const { return m_nodo != nullptr; }
    explicit operator bool() const { return existe(); }
    bool operator==(const TNodoXML& otro) const { return m_nodo == otro.m_nodo; }

    // Qualified name as written ("cfdi:Emisor"), the part after the prefix
    // ("Emisor") and the namespace URI bound to the prefix (empty when none).
    QString nombre() const;
    QString nombreLocal() const;
    QString espacio() const;
    bool es(const char* espacio, const char* nombreLocal) const;

    bool tieneAtributo(const char* nombre) const;
    // The value as written (after XML unescaping); empty when absent.
    QString atributo(const char* nombre) const;
    // EConversion when the attribute is absent, empty, not an integer or
    // outside the 32-bit range.
    int atributoEntero(const char* nombre) const;
    // EXML on an empty view.
    void fijaAtributo(const char* nombre, const QString& valor);
    void fijaAtributo(const char* nombre, int valor);

    // Child elements in document order: all of them, those of a namespace and
    // local name, or those in this element's own namespace with that local
    // name. In a document that is not a voucher of 3.3 or later, children
    // that carry no namespace at all count as "own" when no child of that name
    // is in the namespace (emitters of version 3.2 wrote <Traslado xmlns="">).
    QList<TNodoXML> hijos() const;
    QList<TNodoXML> hijos(const char* espacio, const char* nombreLocal) const;
    QList<TNodoXML> hijosPropios(const char* nombreLocal) const;
    // The first of those, or an empty view.
    TNodoXML hijo(const char* espacio, const char* nombreLocal) const;
    TNodoXML hijoPropio(const char* nombreLocal) const;
    TNodoXML padre() const;

    // The element as self-contained XML text: every namespace declaration in
    // scope that the element does not carry itself is added to it, so the text
    // loads on its own (a complement whose prefix is declared on the root).
    // Attribute values are written back unchanged.
    QString xml() const;
    TDocumentoXML documento() const;

protected:
    // For bindings that write: the first own child with that local name,
    // created at the end when absent; a new own child at the end; a new own
    // child just before `antesDe` (at the end when `antesDe` is empty). The
    // child takes this element's prefix. Empty views stay empty.
    TNodoXML hijoPropioCreado(const char* nombreLocal) const;
    TNodoXML agregaHijoPropio(const char* nombreLocal) const;
    TNodoXML insertaHijoPropio(const char* nombreLocal, const TNodoXML& antesDe) const;

private:
    TNodoXML(std::shared_ptr<TDocumentoXML::Datos> documento, pugi::xml_node_struct* nodo)
        : m_documento(std::move(documento)), m_nodo(nodo)
    {
    }
    TNodoXML vista(pugi::xml_node_struct* nodo) const { return TNodoXML(m_documento, nodo); }

    std::shared_ptr<TDocumentoXML::Datos> m_documento;
    pugi::xml_node_struct* m_nodo = nullptr;

    friend class TDocumentoXML;
    friend class TColeccionXML;
};

// The items of an element that repeats under one parent (InformacionAduanera
// of a line, Parte, SubContratacion...), in document order, as they were when
// the list was taken; each item's getters still read the document.
class COMUNES_EXPORT TListaXML {
public:
    TListaXML() = default;
    TListaXML(const TNodoXML& padre, const char* nombreLocal) : m_items(padre.hijosPropios(nombreLocal)) {}
    int Count() const { return static_cast<int>(m_items.size()); }

protected:
    // EXML when the index is out of range.
    TNodoXML item(int indice) const;
    QList<TNodoXML> m_items;
};

// An element that holds a list of items and may carry attributes of its own
// (Conceptos, Traslados, Percepciones...). The items are taken when the view
// is made.
class COMUNES_EXPORT TColeccionXML : public TNodoXML {
public:
    TColeccionXML() = default;
    TColeccionXML(const TNodoXML& nodo, const char* nombreItem);
    int Count() const { return m_items.Count(); }

protected:
    TNodoXML item(int indice) const { return m_items.item(indice); }
    // A new item after the last one (or at the end); a new item at `indice`
    // (0..Count). Both keep this view's items up to date.
    TNodoXML agregaItem();
    TNodoXML insertaItem(int indice);

private:
    class TItems : public TListaXML {
    public:
        using TListaXML::item;
        using TListaXML::TListaXML;
        QList<TNodoXML>& nodos() { return m_items; }
    };
    QByteArray m_nombreItem;
    TItems m_items;
};
