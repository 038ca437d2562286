#pragma once
#include "BaseDatosExport.h"
#include "Esquema.h"
#include "TConexionSesion.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>

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
    void fijaValor(int columna, const QVariant& valor);
    // Where the record was read from or stored to, if anywhere.
    const std::optional<TConexionSesion>& origen() const { return m_origen; }

protected:
    explicit TEntidad(const TTabla& tabla);

    QString textoEn(int columna) const;
    int enteroEn(int columna, int nulo = 0) const;
    qint64 grandeEn(int columna) const;
    double decimalEn(int columna) const;
    bool booleanoEn(int columna) const;
    QDate fechaEn(int columna) const;
    QDateTime fechaHoraEn(int columna) const;
    QByteArray binarioEn(int columna) const;

    // The referenced record: the one set, or read on first use from the
    // database this record came from. nullptr when none is referenced.
    std::shared_ptr<TEntidad> referenciaEn(int columna, std::unique_ptr<TEntidad> (*lee)(int, const TConexionSesion&)) const;
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

// Generic reading and storing of records, driven by their table's description.
class BASEDATOS_EXPORT TPersistencia {
public:
    // Inserts (id -1) or updates the record, setting its id. Joins the
    // thread's open transaction on that database, or commits on its own.
    static void guarda(TEntidad& entidad, const TConexionSesion& conexion);
    static bool lee(TEntidad& entidad, int id, const TConexionSesion& conexion);
    // Fills one record per row of "SELECT <columns> FROM <table> WHERE <donde>
    // ORDER BY <orden>"; `donde` uses column names and ? placeholders.
    static void busca(const TTabla& tabla, const QString& donde, const QVariantList& parametros,
                      const TConexionSesion& conexion, const QString& orden,
                      const std::function<void(const QVector<QVariant>&)>& fila);
    static void carga(TEntidad& entidad, const QVector<QVariant>& valores, const TConexionSesion& conexion);
};

// Typed look-ups and saves shared by every entity class.
template <class T>
class TEntidadDe : public TEntidad {
public:
    static std::unique_ptr<T> getById(int id, const TConexionSesion& conexion)
    {
        auto entidad = std::make_unique<T>();
        if (id < 0 || !TPersistencia::lee(*entidad, id, conexion))
            return nullptr;
        return entidad;
    }

    // Stores the record and returns the stored one, with its id.
    static T saveOrUpdate(const T& entidad, const TConexionSesion& conexion)
    {
        T guardada(entidad);
        TPersistencia::guarda(guardada, conexion);
        return guardada;
    }

    static QList<T> busca(const QString& donde, const QVariantList& parametros,
                          const TConexionSesion& conexion, const QString& orden = QString())
    {
        QList<T> resultado;
        TPersistencia::busca(T::tablaEsquema(), donde, parametros, conexion, orden,
                             [&](const QVector<QVariant>& valores) {
                                 T entidad;
                                 TPersistencia::carga(entidad, valores, conexion);
                                 resultado.append(entidad);
                             });
        return resultado;
    }

    // The first match (in key order unless `orden` says otherwise), or nullptr.
    static std::unique_ptr<T> buscaUno(const QString& donde, const QVariantList& parametros,
                                       const TConexionSesion& conexion, const QString& orden = QString())
    {
        const QList<T> encontradas = busca(donde, parametros, conexion, orden);
        if (encontradas.isEmpty())
            return nullptr;
        return std::make_unique<T>(encontradas.first());
    }

protected:
    TEntidadDe() : TEntidad(T::tablaEsquema()) {}

    template <class R>
    std::shared_ptr<R> referencia(int columna) const
    {
        return std::static_pointer_cast<R>(referenciaEn(columna, [](int id, const TConexionSesion& c) {
            return std::unique_ptr<TEntidad>(R::getById(id, c).release());
        }));
    }
};
