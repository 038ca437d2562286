#pragma once
#include "BaseDatosExport.h"
#include "TConexionSesion.h"
#include "TEntidad.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <list>
#include <map>
#include <memory>

// Records of the business databases that many vouchers share (units, taxes,
// payment forms and methods, customers, products, employees) found or made
// during one import job, so each is read once per database instead of once
// per voucher or line. Entries are keyed by table, database and key, so a
// record of one business is never handed to another; a key names how it was
// looked up, so two look-ups of one table by different rules never meet.
//
// Each table keeps at most a number of entries, those used last: a shop
// selling ever new products would otherwise hold every one of them for as
// long as its database stays open. An entry let go only costs a look-up when
// it is met again: every `buscaOCrea` first looks the record up in the
// database, within the same transaction, so it finds what this job made.
//
// Records made inside a file's unit of work exist only if that work is kept:
// entries added since iniciaArchivo are dropped by deshazArchivo, and every
// entry of a database by olvidaBase (its batch transaction was undone).
class BASEDATOS_EXPORT TCacheCatalogos {
public:
    // Enough for the catalogue a shop sells from, with room to spare: a
    // realistic job meets every entry again before it is let go.
    static constexpr int LIMITE_POR_TABLA = 4096;

    explicit TCacheCatalogos(int limitePorTabla = LIMITE_POR_TABLA);
    // Entries point into their table's order of use.
    TCacheCatalogos(const TCacheCatalogos&) = delete;
    TCacheCatalogos& operator=(const TCacheCatalogos&) = delete;

    // The record cached under (tabla, the database of `conexion`, clave), or
    // the one `buscaOCrea` gives, which is cached (also when it is nullptr:
    // a catalogue entry the database lacks stays lacking).
    template <class R>
    std::shared_ptr<R> obten(const TConexionSesion& conexion, const QString& clave,
                             const std::function<std::shared_ptr<R>()>& buscaOCrea)
    {
        const QString& tabla = R::tablaEsquema().nombre;
        const QString llave = llaveDe(tabla, conexion, clave);
        if (const std::shared_ptr<TEntidad>* hallado = usa(llave))
            return std::static_pointer_cast<R>(*hallado);
        std::shared_ptr<R> registro = buscaOCrea();
        agrega(tabla, llave, registro);
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
        quita(llaveDe(R::tablaEsquema().nombre, conexion, clave));
    }
    int tamano() const { return static_cast<int>(m_registros.size()); }
    // The entries of R's table, of every database.
    template <class R> int tamano() const
    {
        const auto usos = m_usos.find(R::tablaEsquema().nombre);
        return usos == m_usos.end() ? 0 : static_cast<int>(usos->second.size());
    }

    // Whether R's table has let an entry go for want of room. A key that
    // folds what the database compares exactly (a unit's letter case) then
    // no longer vouches that the job met no other spelling of it.
    template <class R> bool soltoDe() const { return m_soltadas.contains(R::tablaEsquema().nombre); }

private:
    struct TEntrada {
        std::shared_ptr<TEntidad> registro;
        std::list<QString>* usos;            // its table's keys, the one used last first
        std::list<QString>::iterator enUsos; // its own key there
    };

    static QString llaveDe(const QString& tabla, const TConexionSesion& conexion, const QString& clave);
    // The record of `llave`, now the last used of its table; nullptr when
    // none is cached.
    const std::shared_ptr<TEntidad>* usa(const QString& llave);
    void agrega(const QString& tabla, const QString& llave, std::shared_ptr<TEntidad> registro);
    void quita(const QString& llave);
    QHash<QString, TEntrada>::iterator quita(QHash<QString, TEntrada>::iterator entrada);

    int m_limite;
    QHash<QString, TEntrada> m_registros;
    // By table; a map, so the lists never move.
    std::map<QString, std::list<QString>> m_usos;
    QList<QString> m_delArchivo;
    QSet<QString> m_soltadas; // tables that let an entry go for want of room
};
