#pragma once
#include "BaseDatosExport.h"
#include "Errores.h"
#include "Esquema.h"
#include "TConexionSesion.h"
#include "TDecimal.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>

class TEntidad;

// A new row the engine refused because a unique key already holds its
// values: another process stored the same record first.
class BASEDATOS_EXPORT EDuplicado : public EBaseDatos {
public:
    EDuplicado(const QString& mensaje, const QString& tabla) : EBaseDatos(mensaje), m_tabla(tabla) {}
    QString clase() const override { return QStringLiteral("EDuplicado"); }
    // The table of the refused row (COMPROBANTE).
    QString tabla() const { return m_tabla; }

private:
    QString m_tabla;
};

// A condition on the rows of a table, built from the table's typed columns
// (TComprobante::columna(TComprobante::col_Uuid) == uuid), so a look-up never
// names a column by hand and a misspelt column does not compile. Values are
// bound as parameters, in the form their column needs (amounts as exact
// text). An empty condition takes every row.
class BASEDATOS_EXPORT TCondicion {
public:
    TCondicion() = default;
    TCondicion(QString sql, QVariantList parametros) : m_sql(std::move(sql)), m_parametros(std::move(parametros)) {}

    bool vacia() const { return m_sql.isEmpty(); }
    const QString& sql() const { return m_sql; }
    const QVariantList& parametros() const { return m_parametros; }

    TCondicion operator&&(const TCondicion& otra) const;
    TCondicion operator||(const TCondicion& otra) const;

private:
    QString m_sql;
    QVariantList m_parametros;
};

// The keys of the rows of one table that meet a condition (TNegocio's
// fiscal data by RFC), for TCampo::en.
struct TSubconsulta {
    QString sql;
    QVariantList parametros;
};

// A sort order over typed columns.
class BASEDATOS_EXPORT TOrden {
public:
    TOrden() = default;
    explicit TOrden(QString sql) : m_sql(std::move(sql)) {}
    bool vacio() const { return m_sql.isEmpty(); }
    const QString& sql() const { return m_sql; }
    TOrden luego(const TOrden& otro) const;

private:
    QString m_sql;
};

// One column of one table, as look-ups name it. The value compared with it is
// checked against the column's type when the condition is built: an amount
// must be a TDecimal, a reference a stored record or its id.
class BASEDATOS_EXPORT TCampo {
public:
    TCampo(const TTabla& tabla, int indice) : m_tabla(&tabla), m_indice(indice) {}

    const TColumna& columna() const { return m_tabla->columnas.at(m_indice); }

    template <class V> TCondicion operator==(const V& v) const { return compara("=", variante(v)); }
    template <class V> TCondicion operator!=(const V& v) const { return compara("<>", variante(v)); }
    template <class V> TCondicion operator<(const V& v) const { return compara("<", variante(v)); }
    template <class V> TCondicion operator<=(const V& v) const { return compara("<=", variante(v)); }
    template <class V> TCondicion operator>(const V& v) const { return compara(">", variante(v)); }
    template <class V> TCondicion operator>=(const V& v) const { return compara(">=", variante(v)); }
    TCondicion esNulo() const;
    TCondicion noEsNulo() const;
    // Texts equal when letter case and surrounding blanks are ignored.
    TCondicion igualSinMayusculas(const QString& texto) const;
    // Texts that contain `texto`, letter case ignored.
    TCondicion contiene(const QString& texto) const;
    TCondicion en(const TSubconsulta& subconsulta) const;

    TOrden ascendente() const;
    TOrden descendente() const;

private:
    TCondicion compara(const char* operador, const QVariant& valor) const;
    static QVariant variante(const QString& v) { return v; }
    static QVariant variante(const char* v) { return QString::fromUtf8(v); }
    static QVariant variante(int v) { return v; }
    static QVariant variante(qint64 v) { return v; }
    static QVariant variante(bool v) { return v ? 1 : 0; }
    static QVariant variante(const TDecimal& v) { return QVariant::fromValue(v); }
    static QVariant variante(const QDate& v) { return v; }
    static QVariant variante(const QDateTime& v) { return v; }
    static QVariant variante(const TEntidad& v);

    const TTabla* m_tabla;
    int m_indice;
};

// One row of one table of the business database. The values follow the
// table's description; entity classes add typed accessors over them.
// A record read from a database remembers where it came from, so a
// reference (the business of a branch, the address of a customer) is read
// only when it is first asked for.
class BASEDATOS_EXPORT TEntidad {
public:
    virtual ~TEntidad();

    const TTabla& tabla() const { return *m_tabla; }
    // The key; -1 until the record is stored (saving a record with id -1
    // inserts it).
    int id() const;
    void fijaId(int id);

    QVariant valor(int columna) const { return m_valores.at(columna); }
    // An amount column takes a TDecimal (QVariant::fromValue) or its text;
    // anything else is refused when the record is stored.
    void fijaValor(int columna, const QVariant& valor);
    // Where the record was read from or stored to, if anywhere.
    const std::optional<TConexionSesion>& origen() const { return m_origen; }

protected:
    explicit TEntidad(const TTabla& tabla);

    QString textoEn(int columna) const;
    int enteroEn(int columna, int nulo = 0) const;
    qint64 grandeEn(int columna) const;
    // An empty amount reads as zero.
    TDecimal decimalEn(int columna) const;
    bool booleanoEn(int columna) const;
    QDate fechaEn(int columna) const;
    QDateTime fechaHoraEn(int columna) const;
    QByteArray binarioEn(int columna) const;

    // The referenced record: the one set, or read on first use from the
    // database this record came from. nullptr when none is referenced.
    std::shared_ptr<TEntidad> referenciaEn(int columna,
                                           std::unique_ptr<TEntidad> (*lee)(int, const TConexionSesion&)) const;
    // A stored record (or nullptr for none). Raises EBaseDatos for a record
    // that was never stored: its id would point nowhere.
    void fijaReferencia(int columna, std::shared_ptr<TEntidad> referencia);

private:
    friend class TPersistencia;
    const TTabla* m_tabla;
    QVector<QVariant> m_valores;
    mutable QVector<std::shared_ptr<TEntidad>> m_referencias;
    std::optional<TConexionSesion> m_origen;
};

// A text longer than its column, met by a save.
struct TRecorte {
    QString tabla;   // COMPROBANTE
    QString columna; // NOMBREEMISOR
    int largo = 0;   // characters the column keeps
    int caracteres = 0;
};

// While one is open on a thread, a save on that thread stores a text longer
// than its column cut to the column and notes it here, so whoever opened it
// can say what was cut (the import keeps the whole text in the stored XML).
// With none open such a save is refused with an EBaseDatos that names the
// table and the column, before anything is written. The innermost one open
// takes the notes.
class BASEDATOS_EXPORT TRecortes {
public:
    TRecortes();
    ~TRecortes();
    TRecortes(const TRecortes&) = delete;
    TRecortes& operator=(const TRecortes&) = delete;

    const QList<TRecorte>& lista() const { return m_lista; }
    void limpia() { m_lista.clear(); }

    static TRecortes* actual();
    void anota(const TRecorte& recorte) { m_lista.append(recorte); }
    // The text as that column keeps it: cut at a character when longer (and
    // noted, when one is open), for a caller that looks a record up by it.
    static QString cabe(const TTabla& tabla, const TColumna& columna, const QString& texto);

private:
    TRecortes* m_anterior;
    QList<TRecorte> m_lista;
};

// Saves on one database on behalf of one user. Every save stamps the audit
// columns its table declares (Ultimamodificacionpor with the user,
// Fechamodificacion with the time of the save, Fechacreacion on the first
// save when the caller left it empty), so no caller has to remember them.
// A save joins the thread's open transaction on that database (TTransaccion),
// whose prepared statements it reuses, or commits on its own.
class BASEDATOS_EXPORT TUnidadTrabajo {
public:
    TUnidadTrabajo(const TConexionSesion& conexion, int usuario) : m_conexion(conexion), m_usuario(usuario) {}

    const TConexionSesion& conexion() const { return m_conexion; }
    int usuario() const { return m_usuario; }

    // Inserts (id -1; the new key is set) or updates the record. Raises
    // EBaseDatos when the statement fails or the record to update is gone,
    // EConversion for an amount that is not exact.
    void guarda(TEntidad& entidad) const;

private:
    TConexionSesion m_conexion;
    int m_usuario;
};

// Generic reading of records, driven by their table's description.
class BASEDATOS_EXPORT TPersistencia {
public:
    static bool lee(TEntidad& entidad, int id, const TConexionSesion& conexion);
    // Calls `fila` with the values of each row that meets the condition, in
    // the order given (key order when none); the first `limite` only, when
    // not negative.
    static void busca(const TTabla& tabla, const TCondicion& donde, const TConexionSesion& conexion,
                      const TOrden& orden, const std::function<void(const QVector<QVariant>&)>& fila, int limite = -1);
    static int cuenta(const TTabla& tabla, const TCondicion& donde, const TConexionSesion& conexion);
    static TSubconsulta claves(const TTabla& tabla, const TCondicion& donde);
    static void carga(TEntidad& entidad, const QVector<QVariant>& valores, const TConexionSesion& conexion);
    // Writes a row as it is, its key and every column as `valores` holds
    // them in the table's order (as busca gives them): a copy of a record
    // of another database. Nothing is stamped. Inside the caller's
    // transaction when one is open. The table's sequence is not moved: see
    // Esquema::ajustaSecuencias.
    static void copia(const TTabla& tabla, const QVector<QVariant>& valores, const TConexionSesion& conexion);

private:
    friend class TUnidadTrabajo;
    static void guarda(TEntidad& entidad, const TUnidadTrabajo& unidad);
};

// Typed look-ups and saves shared by every entity class.
template <class T> class TEntidadDe : public TEntidad {
public:
    static std::unique_ptr<T> getById(int id, const TConexionSesion& conexion)
    {
        auto entidad = std::make_unique<T>();
        if (id < 0 || !TPersistencia::lee(*entidad, id, conexion))
            return nullptr;
        return entidad;
    }

    // Stores the record and returns the stored one, with its id.
    static T saveOrUpdate(const T& entidad, const TUnidadTrabajo& unidad)
    {
        T guardada(entidad);
        unidad.guarda(guardada);
        return guardada;
    }

    static QList<T> busca(const TCondicion& donde, const TConexionSesion& conexion, const TOrden& orden = TOrden())
    {
        QList<T> resultado;
        TPersistencia::busca(T::tablaEsquema(), donde, conexion, orden, [&](const QVector<QVariant>& valores) {
            T entidad;
            TPersistencia::carga(entidad, valores, conexion);
            resultado.append(entidad);
        });
        return resultado;
    }

    // The first `limite` matches, in key order unless `orden` says otherwise:
    // a long table read a batch at a time.
    static QList<T> primeros(int limite, const TCondicion& donde, const TConexionSesion& conexion,
                             const TOrden& orden = TOrden())
    {
        QList<T> resultado;
        TPersistencia::busca(
            T::tablaEsquema(), donde, conexion, orden,
            [&](const QVector<QVariant>& valores) {
                T entidad;
                TPersistencia::carga(entidad, valores, conexion);
                resultado.append(entidad);
            },
            limite);
        return resultado;
    }

    // The first match (in key order unless `orden` says otherwise), or nullptr.
    static std::unique_ptr<T> buscaUno(const TCondicion& donde, const TConexionSesion& conexion,
                                       const TOrden& orden = TOrden())
    {
        std::unique_ptr<T> primera;
        TPersistencia::busca(T::tablaEsquema(), donde, conexion, orden, [&](const QVector<QVariant>& valores) {
            if (primera)
                return;
            primera = std::make_unique<T>();
            TPersistencia::carga(*primera, valores, conexion);
        });
        return primera;
    }

    static int cuenta(const TCondicion& donde, const TConexionSesion& conexion)
    {
        return TPersistencia::cuenta(T::tablaEsquema(), donde, conexion);
    }

    // The keys of the matching rows, for a condition on another table.
    static TSubconsulta claves(const TCondicion& donde) { return TPersistencia::claves(T::tablaEsquema(), donde); }

protected:
    TEntidadDe() : TEntidad(T::tablaEsquema()) {}

    template <class R> std::shared_ptr<R> referencia(int columna) const
    {
        return std::static_pointer_cast<R>(referenciaEn(columna, [](int id, const TConexionSesion& c) {
            return std::unique_ptr<TEntidad>(R::getById(id, c).release());
        }));
    }
};
