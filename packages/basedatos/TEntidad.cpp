#include "TEntidad.h"

#include "Conexiones.h"
#include "Errores.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

QString cita(const QString& identificador)
{
    return QLatin1Char('"') + identificador + QLatin1Char('"');
}

QString listaColumnas(const TTabla& tabla)
{
    QStringList nombres;
    for (const TColumna& c : tabla.columnas)
        nombres << cita(c.nombre);
    return nombres.join(QStringLiteral(", "));
}

// Values come back from the driver in its own types (text blobs as bytes,
// numerics as doubles or strings): bring them to the column's type once.
QVariant normaliza(const TColumna& columna, const QVariant& valor)
{
    if (valor.isNull())
        return QVariant();
    switch (columna.tipo) {
    case TTipoColumna::Id:
    case TTipoColumna::Entero:
    case TTipoColumna::Ref:
        return valor.toInt();
    case TTipoColumna::Grande: return valor.toLongLong();
    case TTipoColumna::Decimal: return valor.toDouble();
    case TTipoColumna::Booleano: return valor.toInt() != 0 ? 1 : 0;
    case TTipoColumna::Texto:
        return valor.typeId() == QMetaType::QByteArray ? QString::fromUtf8(valor.toByteArray()) : valor.toString();
    case TTipoColumna::Fecha: return valor.toDate();
    case TTipoColumna::FechaHora: return valor.toDateTime();
    case TTipoColumna::Binario: return valor.toByteArray();
    }
    return valor;
}

void ejecuta(QSqlQuery& q, const QString& que)
{
    if (!q.exec())
        throw EBaseDatos(QStringLiteral("No se pudo %1: %2").arg(que, q.lastError().text()));
}

void prepara(QSqlQuery& q, const QString& sql)
{
    if (!q.prepare(sql))
        throw EBaseDatos(QStringLiteral("No se pudo preparar la consulta (%1): %2").arg(sql, q.lastError().text()));
}

}  // namespace

TEntidad::TEntidad(const TTabla& tabla)
    : m_tabla(&tabla), m_valores(tabla.columnas.size()), m_referencias(tabla.columnas.size())
{
    m_valores[0] = -1;
    // New records are active (0) unless said otherwise: listings and the
    // registry rebuild only see active rows.
    for (int i = 1; i < tabla.columnas.size(); ++i) {
        const TColumna& c = tabla.columnas.at(i);
        if (c.tipo == TTipoColumna::Entero && (c.nombre == QLatin1String("STATUS") || c.nombre == QLatin1String("ESTATUS")))
            m_valores[i] = 0;
    }
}

TEntidad::~TEntidad() = default;

int TEntidad::id() const
{
    return enteroEn(0, -1);
}

void TEntidad::fijaId(int id)
{
    m_valores[0] = id;
}

void TEntidad::fijaValor(int columna, const QVariant& valor)
{
    m_valores[columna] = valor;
    m_referencias[columna].reset();
}

QString TEntidad::textoEn(int columna) const
{
    return m_valores.at(columna).toString();
}

int TEntidad::enteroEn(int columna, int nulo) const
{
    const QVariant& v = m_valores.at(columna);
    return v.isNull() ? nulo : v.toInt();
}

qint64 TEntidad::grandeEn(int columna) const
{
    return m_valores.at(columna).toLongLong();
}

double TEntidad::decimalEn(int columna) const
{
    return m_valores.at(columna).toDouble();
}

bool TEntidad::booleanoEn(int columna) const
{
    return m_valores.at(columna).toInt() != 0;
}

QDate TEntidad::fechaEn(int columna) const
{
    return m_valores.at(columna).toDate();
}

QDateTime TEntidad::fechaHoraEn(int columna) const
{
    return m_valores.at(columna).toDateTime();
}

QByteArray TEntidad::binarioEn(int columna) const
{
    return m_valores.at(columna).toByteArray();
}

std::shared_ptr<TEntidad> TEntidad::referenciaEn(int columna,
                                                 std::unique_ptr<TEntidad> (*lee)(int, const TConexionSesion&)) const
{
    if (m_referencias.at(columna))
        return m_referencias.at(columna);
    const QVariant& v = m_valores.at(columna);
    if (v.isNull() || !m_origen)
        return nullptr;
    m_referencias[columna] = std::shared_ptr<TEntidad>(lee(v.toInt(), *m_origen).release());
    return m_referencias.at(columna);
}

void TEntidad::fijaReferencia(int columna, std::shared_ptr<TEntidad> referencia)
{
    if (referencia && referencia->id() < 0)
        throw EBaseDatos(QStringLiteral("Se intentó ligar un registro de %1 que todavía no se ha guardado.")
                             .arg(referencia->tabla().clase));
    m_valores[columna] = referencia ? QVariant(referencia->id()) : QVariant();
    m_referencias[columna] = std::move(referencia);
}

void TPersistencia::guarda(TEntidad& entidad, const TConexionSesion& conexion)
{
    const TTabla& tabla = entidad.tabla();
    TTransaccion transaccion(conexion);
    QSqlDatabase db = Conexiones::baseDatos(conexion);
    QSqlQuery q(db);

    if (entidad.id() < 0) {
        prepara(q, QStringLiteral("SELECT NEXT VALUE FOR %1 FROM RDB$DATABASE").arg(cita(tabla.generador())));
        ejecuta(q, QStringLiteral("obtener la clave nueva de %1").arg(tabla.nombre));
        if (!q.next())
            throw EBaseDatos(QStringLiteral("No se obtuvo la clave nueva de %1.").arg(tabla.nombre));
        const int id = q.value(0).toInt();
        q.finish();

        QStringList marcas;
        for (int i = 0; i < tabla.columnas.size(); ++i)
            marcas << QStringLiteral("?");
        prepara(q, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(cita(tabla.nombre), listaColumnas(tabla), marcas.join(QStringLiteral(", "))));
        q.addBindValue(id);
        for (int i = 1; i < tabla.columnas.size(); ++i)
            q.addBindValue(entidad.m_valores.at(i));
        ejecuta(q, QStringLiteral("guardar el registro nuevo de %1").arg(tabla.nombre));
        transaccion.commit();
        entidad.fijaId(id);
    } else {
        QStringList asignaciones;
        for (int i = 1; i < tabla.columnas.size(); ++i)
            asignaciones << cita(tabla.columnas.at(i).nombre) + QStringLiteral(" = ?");
        prepara(q, QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                       .arg(cita(tabla.nombre), asignaciones.join(QStringLiteral(", ")), cita(tabla.clave().nombre)));
        for (int i = 1; i < tabla.columnas.size(); ++i)
            q.addBindValue(entidad.m_valores.at(i));
        q.addBindValue(entidad.id());
        ejecuta(q, QStringLiteral("actualizar el registro de %1").arg(tabla.nombre));
        if (q.numRowsAffected() == 0)
            throw EBaseDatos(QStringLiteral("No existe el registro %1 de %2; no se pudo actualizar.")
                                 .arg(entidad.id()).arg(tabla.nombre));
        transaccion.commit();
    }
    entidad.m_origen = conexion;
}

bool TPersistencia::lee(TEntidad& entidad, int id, const TConexionSesion& conexion)
{
    bool encontrada = false;
    busca(entidad.tabla(), cita(entidad.tabla().clave().nombre) + QStringLiteral(" = ?"), {id}, conexion, QString(),
          [&](const QVector<QVariant>& valores) {
              carga(entidad, valores, conexion);
              encontrada = true;
          });
    return encontrada;
}

void TPersistencia::busca(const TTabla& tabla, const QString& donde, const QVariantList& parametros,
                          const TConexionSesion& conexion, const QString& orden,
                          const std::function<void(const QVector<QVariant>&)>& fila)
{
    QSqlDatabase db = Conexiones::baseDatos(conexion);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(listaColumnas(tabla), cita(tabla.nombre));
    if (!donde.isEmpty())
        sql += QStringLiteral(" WHERE ") + donde;
    sql += QStringLiteral(" ORDER BY ") + (orden.isEmpty() ? cita(tabla.clave().nombre) : orden);
    prepara(q, sql);
    for (const QVariant& p : parametros)
        q.addBindValue(p);
    ejecuta(q, QStringLiteral("leer %1").arg(tabla.nombre));
    QVector<QVariant> valores(tabla.columnas.size());
    while (q.next()) {
        for (int i = 0; i < valores.size(); ++i)
            valores[i] = normaliza(tabla.columnas.at(i), q.value(i));
        fila(valores);
    }
}

void TPersistencia::carga(TEntidad& entidad, const QVector<QVariant>& valores, const TConexionSesion& conexion)
{
    entidad.m_valores = valores;
    entidad.m_referencias.fill(nullptr);
    entidad.m_origen = conexion;
}
