#pragma once
#include "TConexionSesion.h"
#include "TEntidad.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

// Catalogue records of the business databases (units, taxes, payment forms
// and methods) found or made during one import job, so each is read once per
// database instead of once per line. Entries are keyed by table, database and
// key, so a record of one business is never handed to another.
//
// Records made inside a file's unit of work exist only if that work is kept:
// entries added since iniciaArchivo are dropped by deshazArchivo, and every
// entry of a database by olvidaBase (its batch transaction was undone).
class TCacheCatalogos {
public:
    // The record cached under (tabla, the database of `conexion`, clave), or
    // the one `buscaOCrea` gives, which is cached (also when it is nullptr:
    // a catalogue entry the database lacks stays lacking).
    template <class R>
    std::shared_ptr<R> obten(const TConexionSesion& conexion, const QString& clave,
                             const std::function<std::shared_ptr<R>()>& buscaOCrea)
    {
        const QString llave = llaveDe(R::tablaEsquema().nombre, conexion, clave);
        if (const auto hallado = m_registros.constFind(llave); hallado != m_registros.constEnd())
            return std::static_pointer_cast<R>(*hallado);
        std::shared_ptr<R> registro = buscaOCrea();
        agrega(llave, registro);
        return registro;
    }

    void iniciaArchivo() { m_delArchivo.clear(); }
    void confirmaArchivo() { m_delArchivo.clear(); }
    void deshazArchivo();
    void olvidaBase(const TConexionSesion& conexion);
    int tamano() const { return static_cast<int>(m_registros.size()); }

private:
    static QString llaveDe(const QString& tabla, const TConexionSesion& conexion, const QString& clave);
    void agrega(const QString& llave, std::shared_ptr<TEntidad> registro);

    QHash<QString, std::shared_ptr<TEntidad>> m_registros;
    QList<QString> m_delArchivo;
};
