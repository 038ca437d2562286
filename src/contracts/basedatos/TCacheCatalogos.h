#pragma once
#include "BaseDatosExport.h"
#include "TConexionSesion.h"
#include "TEntidad.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

// Records of the business databases that many vouchers share (units, taxes,
// payment forms and methods, customers, products, employees) found or made
// during one import job, so each is read once per database instead of once
// per voucher or line. Entries are keyed by table, database and key, so a
// record of one business is never handed to another; a key names how it was
// looked up, so two look-ups of one table by different rules never meet.
//
// Records made inside a file's unit of work exist only if that work is kept:
// entries added since iniciaArchivo are dropped by deshazArchivo, and every
// entry of a database by olvidaBase (its batch transaction was undone).
class BASEDATOS_EXPORT TCacheCatalogos {
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

    // A key under which the record `regla` finds for `valor` is kept: "rfc",
    // "descripcion"... Values read from XML never hold the separator.
    static QString clave(const char* regla, const QString& valor);
    // The same, for a record that belongs to one business (a customer, a
    // product).
    static QString clave(const char* regla, int negocio, const QString& valor);

    void iniciaArchivo() { m_delArchivo.clear(); }
    void confirmaArchivo() { m_delArchivo.clear(); }
    void deshazArchivo();
    void olvidaBase(const TConexionSesion& conexion);
    // Drops one entry: its record is about to change, and the database, not
    // a copy held here, says what it is afterwards.
    template <class R> void olvida(const TConexionSesion& conexion, const QString& clave)
    {
        m_registros.remove(llaveDe(R::tablaEsquema().nombre, conexion, clave));
    }
    int tamano() const { return static_cast<int>(m_registros.size()); }

private:
    static QString llaveDe(const QString& tabla, const TConexionSesion& conexion, const QString& clave);
    void agrega(const QString& llave, std::shared_ptr<TEntidad> registro);

    QHash<QString, std::shared_ptr<TEntidad>> m_registros;
    QList<QString> m_delArchivo;
};
