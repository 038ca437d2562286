#include "TEntidad.h"

#include "AtributosCfdi.h"
#include "CitaSql.h"
#include "Conexiones.h"
#include "Dialecto.h"
#include "Errores.h"
#include "Reloj.h"

#include <QSqlError>
#include <QSqlQuery>

#include <vector>

using Esquema::cita;

namespace {

// The driver passes NUMERIC through a double both ways, which cannot hold
// most amounts exactly ("0.10" reads back as 0.09999999999999999). Amounts
// therefore travel as text, which the engine converts exactly.
const QString PARAMETRO_DECIMAL = QStringLiteral("CAST(? AS VARCHAR(40))");
const QString PARAMETRO_DECIMAL_COMPARADO = QStringLiteral("CAST(CAST(? AS VARCHAR(40)) AS DECIMAL(18,6))");
// The engine describes a bare text parameter with the column's width and
// refuses a longer text instead of finding no row.
const QString PARAMETRO_TEXTO = QStringLiteral("CAST(? AS VARCHAR(8191))");

const QString COLUMNA_USUARIO = QStringLiteral("ULTIMAMODIFICACIONPOR");
const QString COLUMNA_MODIFICACION = QStringLiteral("FECHAMODIFICACION");
const QString COLUMNA_CREACION = QStringLiteral("FECHACREACION");

QString leida(const TColumna& c)
{
    return c.tipo == TTipoColumna::Decimal ? QStringLiteral("CAST(%1 AS VARCHAR(40))").arg(cita(c.nombre))
                                           : cita(c.nombre);
}

QString marcaEscritura(const TColumna& c)
{
    return c.tipo == TTipoColumna::Decimal ? PARAMETRO_DECIMAL : QStringLiteral("?");
}

// What every save and read of a table says, written once per table: a bulk
// import saves a dozen records per voucher, and building the same text for
// each one cost as much as the engine's own work.
struct TSentencias {
    QString insercion;
    QString insercionConClave; // the key bound as the first value
    QString claveNueva;        // the expression drawing a key from the sequence
    QString actualizacion;
    QString lectura; // the columns read, in order
    QString ordenClave;
    int usuario = -1;
    int modificacion = -1;
    int creacion = -1;
    QList<int> estados; // STATUS / ESTATUS, 0 (active) on a new record

    explicit TSentencias(const TTabla& tabla)
    {
        QStringList columnas{cita(tabla.clave().nombre)};
        QStringList marcas{QStringLiteral("NEXT VALUE FOR ") + cita(tabla.generador())};
        QStringList asignaciones;
        QStringList leidas{leida(tabla.clave())};
        for (int i = 1; i < tabla.columnas.size(); ++i) {
            const TColumna& c = tabla.columnas.at(i);
            columnas << cita(c.nombre);
            marcas << marcaEscritura(c);
            asignaciones << cita(c.nombre) + QStringLiteral(" = ") + marcaEscritura(c);
            leidas << leida(c);
            if (c.nombre == COLUMNA_USUARIO)
                usuario = i;
            else if (c.nombre == COLUMNA_MODIFICACION)
                modificacion = i;
            else if (c.nombre == COLUMNA_CREACION)
                creacion = i;
            if (c.tipo == TTipoColumna::Entero &&
                (c.nombre == QLatin1String("STATUS") || c.nombre == QLatin1String("ESTATUS")))
                estados << i;
        }
        const QString clave = cita(tabla.clave().nombre);
        // The new key comes back from the same statement where the engine
        // can hand it back; elsewhere it is drawn from the sequence first.
        insercion =
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING %4")
                .arg(cita(tabla.nombre), columnas.join(QStringLiteral(", ")), marcas.join(QStringLiteral(", ")), clave);
        marcas.first() = QStringLiteral("?");
        insercionConClave =
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(cita(tabla.nombre), columnas.join(QStringLiteral(", ")), marcas.join(QStringLiteral(", ")));
        claveNueva = QStringLiteral("NEXT VALUE FOR ") + cita(tabla.generador());
        actualizacion = QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                            .arg(cita(tabla.nombre), asignaciones.join(QStringLiteral(", ")), clave);
        lectura = leidas.join(QStringLiteral(", "));
        ordenClave = clave;
    }
};

const TSentencias& sentencias(const TTabla& tabla)
{
    // Every table the entities use is one of the schema's, which lives as
    // long as the program.
    static const std::vector<TSentencias> todas = [] {
        std::vector<TSentencias> v;
        for (const TTabla& t : Esquema::tablas())
            v.emplace_back(t);
        return v;
    }();
    const qsizetype i = &tabla - Esquema::tablas().constData();
    if (i < 0 || i >= qsizetype(todas.size()))
        throw EBaseDatos(QStringLiteral("La tabla %1 no es del esquema.").arg(tabla.nombre));
    return todas.at(size_t(i));
}

TDecimal comoDecimal(const QVariant& valor, const TColumna& c)
{
    if (valor.metaType() == QMetaType::fromType<TDecimal>())
        return valor.value<TDecimal>();
    if (valor.typeId() == QMetaType::QString || valor.typeId() == QMetaType::QByteArray)
        return TDecimal::desdeTexto(valor.toString());
    if (valor.typeId() == QMetaType::Int || valor.typeId() == QMetaType::LongLong)
        return TDecimal::desdeEntero(valor.toLongLong());
    throw EConversion(QStringLiteral("La columna %1 guarda cantidades exactas; el valor %2 no lo es.")
                          .arg(c.nombre, valor.toString()));
}

// A value as the driver must receive it for its column.
QVariant paraEscribir(const TColumna& c, const QVariant& valor)
{
    if (valor.isNull() || !valor.isValid())
        return QVariant();
    if (c.tipo == TTipoColumna::Decimal)
        return comoDecimal(valor, c).texto();
    return valor;
}

// Values come back from the driver in its own types (text blobs as bytes,
// amounts as the text they were cast to): bring them to the column's type.
QVariant normaliza(const TColumna& columna, const QVariant& valor)
{
    if (valor.isNull())
        return QVariant();
    switch (columna.tipo) {
    case TTipoColumna::Id:
    case TTipoColumna::Entero:
    case TTipoColumna::Ref:
        return valor.toInt();
    case TTipoColumna::Grande:
        return valor.toLongLong();
    case TTipoColumna::Decimal:
        return QVariant::fromValue(TDecimal::desdeTexto(valor.toString()));
    case TTipoColumna::Booleano:
        return valor.toInt() != 0 ? 1 : 0;
    case TTipoColumna::Texto:
        return valor.typeId() == QMetaType::QByteArray ? QString::fromUtf8(valor.toByteArray()) : valor.toString();
    case TTipoColumna::Fecha:
        return valor.toDate();
    case TTipoColumna::FechaHora:
        // A stored time the local clock skips would otherwise show blank and
        // be saved back as NULL.
        return Reloj::deReloj(valor.toDateTime());
    case TTipoColumna::Binario:
        return valor.toByteArray();
    }
    return valor;
}

// `que` names the work with %1 for the table: the text is only built when
// it is shown.
void ejecuta(QSqlQuery& q, const QString& que, const TTabla& tabla)
{
    if (q.exec())
        return;
    const QString mensaje = TDialecto::falla(que.arg(tabla.nombre), q.lastError());
    if (TDialecto::esDuplicado(q.lastError()))
        throw EDuplicado(mensaje, tabla.nombre);
    throw EBaseDatos(mensaje);
}

QString sqlBusqueda(const TTabla& tabla, const QString& columnas, const TCondicion& donde)
{
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(columnas, cita(tabla.nombre));
    if (!donde.vacia())
        sql += QStringLiteral(" WHERE ") + donde.sql();
    return sql;
}

} // namespace

// --- Conditions ------------------------------------------------------------

TCondicion TCondicion::operator&&(const TCondicion& otra) const
{
    if (vacia())
        return otra;
    if (otra.vacia())
        return *this;
    return TCondicion(QStringLiteral("(%1) AND (%2)").arg(m_sql, otra.m_sql), m_parametros + otra.m_parametros);
}

TCondicion TCondicion::operator||(const TCondicion& otra) const
{
    if (vacia() || otra.vacia())
        return TCondicion(); // one side takes every row
    return TCondicion(QStringLiteral("(%1) OR (%2)").arg(m_sql, otra.m_sql), m_parametros + otra.m_parametros);
}

TOrden TOrden::luego(const TOrden& otro) const
{
    if (vacio())
        return otro;
    if (otro.vacio())
        return *this;
    return TOrden(m_sql + QStringLiteral(", ") + otro.m_sql);
}

QVariant TCampo::variante(const TEntidad& v)
{
    if (v.id() < 0)
        throw EBaseDatos(
            QStringLiteral("Se buscó por un registro de %1 que todavía no se ha guardado.").arg(v.tabla().clase));
    return v.id();
}

TCondicion TCampo::compara(const char* operador, const QVariant& valor) const
{
    const TColumna& c = columna();
    const QString izquierda = cita(c.nombre);
    if (c.tipo == TTipoColumna::Decimal)
        return TCondicion(
            QStringLiteral("%1 %2 %3").arg(izquierda, QLatin1String(operador), PARAMETRO_DECIMAL_COMPARADO),
            {comoDecimal(valor, c).texto()});
    if (valor.metaType() == QMetaType::fromType<TDecimal>())
        throw EConversion(QStringLiteral("La columna %1 no guarda cantidades.").arg(c.nombre));
    if (c.tipo == TTipoColumna::Texto && c.largo > 0) {
        const TCondicion condicion(QStringLiteral("%1 %2 %3").arg(izquierda, QLatin1String(operador), PARAMETRO_TEXTO),
                                   {valor.toString()});
        // The engine only uses an index on an expression when the condition
        // repeats that expression.
        const int caracteres = m_tabla->prefijos.value(c.nombre);
        if (caracteres == 0 || qstrcmp(operador, "=") != 0)
            return condicion;
        return TCondicion(QStringLiteral("%1 = %2").arg(TTabla::prefijo(izquierda, caracteres),
                                                        TTabla::prefijo(PARAMETRO_TEXTO, caracteres)),
                          {valor.toString()}) &&
               condicion;
    }
    return TCondicion(QStringLiteral("%1 %2 ?").arg(izquierda, QLatin1String(operador)), {valor});
}

TCondicion TCampo::esNulo() const
{
    return TCondicion(cita(columna().nombre) + QStringLiteral(" IS NULL"), {});
}

TCondicion TCampo::noEsNulo() const
{
    return TCondicion(cita(columna().nombre) + QStringLiteral(" IS NOT NULL"), {});
}

TCondicion TCampo::igualSinMayusculas(const QString& texto) const
{
    return TCondicion(QStringLiteral("LOWER(%1) = LOWER(%2)").arg(cita(columna().nombre), PARAMETRO_TEXTO),
                      {texto.trimmed()});
}

TCondicion TCampo::contiene(const QString& texto) const
{
    // Letter case ignored and the text taken literally, so no LIKE
    // wildcards need escaping.
    return TCondicion(
        QStringLiteral("POSITION(LOWER(%2) IN LOWER(%1)) > 0").arg(cita(columna().nombre), PARAMETRO_TEXTO), {texto});
}

TCondicion TCampo::en(const TSubconsulta& subconsulta) const
{
    return TCondicion(QStringLiteral("%1 IN (%2)").arg(cita(columna().nombre), subconsulta.sql),
                      subconsulta.parametros);
}

TOrden TCampo::ascendente() const
{
    return TOrden(cita(columna().nombre));
}

TOrden TCampo::descendente() const
{
    return TOrden(cita(columna().nombre) + QStringLiteral(" DESC"));
}

// --- Records -----------------------------------------------------------------

TEntidad::TEntidad(const TTabla& tabla)
    : m_tabla(&tabla), m_valores(tabla.columnas.size()), m_referencias(tabla.columnas.size())
{
    m_valores[0] = -1;
    // New records are active (0) unless said otherwise: listings and the
    // registry rebuild only see active rows.
    for (const int i : sentencias(tabla).estados)
        m_valores[i] = 0;
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

TDecimal TEntidad::decimalEn(int columna) const
{
    const QVariant& v = m_valores.at(columna);
    return v.isNull() || !v.isValid() ? TDecimal() : comoDecimal(v, m_tabla->columnas.at(columna));
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

// --- Saving and reading ------------------------------------------------------

namespace {

thread_local TRecortes* recortesAbiertos = nullptr;

// The engine counts a text's characters as Unicode does, not as UTF-16 units.
qsizetype caracteres(const QString& texto)
{
    qsizetype n = 0;
    for (auto it = texto.cbegin(); it != texto.cend(); ++it, ++n)
        if (it->isHighSurrogate() && it + 1 != texto.cend() && (it + 1)->isLowSurrogate())
            ++it;
    return n;
}

QString primeros(const QString& texto, int cuantos)
{
    qsizetype i = 0;
    for (int n = 0; n < cuantos && i < texto.size(); ++n)
        i += texto.at(i).isHighSurrogate() && i + 1 < texto.size() && texto.at(i + 1).isLowSurrogate() ? 2 : 1;
    return texto.left(i);
}

// A text longer than its column: cut and noted while the caller collects
// cuts, refused otherwise. The engine's own refusal names neither the value
// nor the column in words a user can act on.
void ajustaTexto(const TTabla& tabla, const TColumna& c, QVariant& valor)
{
    if (c.tipo != TTipoColumna::Texto || c.largo <= 0 || valor.isNull())
        return;
    const QString texto = valor.toString();
    if (texto.size() <= c.largo)
        return;
    const qsizetype n = caracteres(texto);
    if (n <= c.largo)
        return;
    if (!recortesAbiertos)
        throw EBaseDatos(QStringLiteral("No se pudo guardar el registro de %1: el valor de %2 tiene %3 caracteres y "
                                        "la columna %4 guarda %5.")
                             .arg(tabla.nombre, AtributosCfdi::nombra(tabla.nombre, c.nombre))
                             .arg(n)
                             .arg(c.nombre)
                             .arg(c.largo));
    valor = TRecortes::cabe(tabla, c, texto);
}

// Qt builds a text and looks it up for every value bound, and keeps the values
// bound between executions of a statement. The rows of one voucher repeat most
// of theirs (the voucher, the tax, the user, the status), so a value equal to
// the one already bound, in the same type, is left as it is.
void enlaza(QSqlQuery& q, int i, const QVariant& valor)
{
    const QVariant anterior = q.boundValue(i);
    if (anterior.isValid() && anterior.metaType() == valor.metaType() && anterior.isNull() == valor.isNull() &&
        (valor.isNull() || anterior == valor))
        return;
    q.bindValue(i, valor);
}

} // namespace

TRecortes::TRecortes() : m_anterior(recortesAbiertos)
{
    recortesAbiertos = this;
}

TRecortes::~TRecortes()
{
    recortesAbiertos = m_anterior;
}

TRecortes* TRecortes::actual()
{
    return recortesAbiertos;
}

QString TRecortes::cabe(const TTabla& tabla, const TColumna& columna, const QString& texto)
{
    if (columna.tipo != TTipoColumna::Texto || columna.largo <= 0 || texto.size() <= columna.largo)
        return texto;
    const qsizetype n = caracteres(texto);
    if (n <= columna.largo)
        return texto;
    if (recortesAbiertos)
        recortesAbiertos->anota(TRecorte{tabla.nombre, columna.nombre, columna.largo, int(n)});
    return primeros(texto, columna.largo);
}

void TUnidadTrabajo::guarda(TEntidad& entidad) const
{
    TPersistencia::guarda(entidad, *this);
}

void TPersistencia::guarda(TEntidad& entidad, const TUnidadTrabajo& unidad)
{
    const TTabla& tabla = entidad.tabla();
    const TConexionSesion& conexion = unidad.conexion();
    const bool nueva = entidad.id() < 0;

    const TSentencias& sql = sentencias(tabla);
    const QDateTime ahora = QDateTime::currentDateTime();
    if (sql.usuario > 0)
        entidad.m_valores[sql.usuario] = unidad.usuario();
    if (sql.modificacion > 0)
        entidad.m_valores[sql.modificacion] = ahora;
    if (sql.creacion > 0 && nueva && entidad.m_valores.at(sql.creacion).isNull())
        entidad.m_valores[sql.creacion] = ahora;
    // Amounts are checked before anything is written.
    QVariantList valores;
    valores.reserve(tabla.columnas.size());
    for (int i = 1; i < tabla.columnas.size(); ++i) {
        ajustaTexto(tabla, tabla.columnas.at(i), entidad.m_valores[i]);
        valores << paraEscribir(tabla.columnas.at(i), entidad.m_valores.at(i));
    }

    TTransaccion transaccion(conexion);
    if (nueva) {
        const TDialecto& dialecto = TDialecto::de(conexion);
        int id = -1;
        if (dialecto.claveDevuelta()) {
            const auto q = Conexiones::consultaPreparada(conexion, sql.insercion);
            for (int i = 0; i < valores.size(); ++i)
                enlaza(*q, i, valores.at(i));
            ejecuta(*q, QStringLiteral("guardar el registro nuevo de %1"), tabla);
            if (!q->next())
                throw EBaseDatos(QStringLiteral("No se obtuvo la clave nueva de %1.").arg(tabla.nombre));
            id = q->value(0).toInt();
            q->finish();
        } else {
            const auto k = Conexiones::consultaPreparada(conexion, dialecto.sinTabla(sql.claveNueva));
            ejecuta(*k, QStringLiteral("tomar la clave nueva de %1"), tabla);
            if (!k->next())
                throw EBaseDatos(QStringLiteral("No se obtuvo la clave nueva de %1.").arg(tabla.nombre));
            id = k->value(0).toInt();
            k->finish();
            const auto q = Conexiones::consultaPreparada(conexion, sql.insercionConClave);
            enlaza(*q, 0, id);
            for (int i = 0; i < valores.size(); ++i)
                enlaza(*q, i + 1, valores.at(i));
            ejecuta(*q, QStringLiteral("guardar el registro nuevo de %1"), tabla);
            q->finish();
        }
        transaccion.commit();
        entidad.fijaId(id);
    } else {
        const auto q = Conexiones::consultaPreparada(conexion, sql.actualizacion);
        for (int i = 0; i < valores.size(); ++i)
            enlaza(*q, i, valores.at(i));
        enlaza(*q, int(valores.size()), entidad.id());
        ejecuta(*q, QStringLiteral("actualizar el registro de %1"), tabla);
        const int afectados = q->numRowsAffected();
        q->finish();
        if (afectados == 0)
            throw EBaseDatos(QStringLiteral("No existe el registro %1 de %2; no se pudo actualizar.")
                                 .arg(entidad.id())
                                 .arg(tabla.nombre));
        transaccion.commit();
    }
    entidad.m_origen = conexion;
}

bool TPersistencia::lee(TEntidad& entidad, int id, const TConexionSesion& conexion)
{
    bool encontrada = false;
    const TTabla& tabla = entidad.tabla();
    busca(tabla, TCondicion(cita(tabla.clave().nombre) + QStringLiteral(" = ?"), {id}), conexion, TOrden(),
          [&](const QVector<QVariant>& valores) {
              carga(entidad, valores, conexion);
              encontrada = true;
          });
    return encontrada;
}

void TPersistencia::busca(const TTabla& tabla, const TCondicion& donde, const TConexionSesion& conexion,
                          const TOrden& orden, const std::function<void(const QVector<QVariant>&)>& fila, int limite)
{
    const TSentencias& sentencia = sentencias(tabla);
    QString sql = sqlBusqueda(tabla, sentencia.lectura, donde) + QStringLiteral(" ORDER BY ") +
                  (orden.vacio() ? sentencia.ordenClave : orden.sql());
    if (limite >= 0)
        sql += QStringLiteral(" FETCH FIRST %1 ROWS ONLY").arg(limite);
    const auto q = Conexiones::consultaPreparada(conexion, sql);
    for (int i = 0; i < donde.parametros().size(); ++i)
        enlaza(*q, i, donde.parametros().at(i));
    ejecuta(*q, QStringLiteral("leer %1"), tabla);
    // Rows are gathered first: `fila` may read further records through the
    // same connection, and a reused statement must be done before that.
    QList<QVector<QVariant>> filas;
    QVector<QVariant> valores(tabla.columnas.size());
    while (q->next()) {
        for (int i = 0; i < valores.size(); ++i)
            valores[i] = normaliza(tabla.columnas.at(i), q->value(i));
        filas.append(valores);
    }
    q->finish();
    for (const QVector<QVariant>& v : std::as_const(filas))
        fila(v);
}

int TPersistencia::cuenta(const TTabla& tabla, const TCondicion& donde, const TConexionSesion& conexion)
{
    const auto q = Conexiones::consultaPreparada(conexion, sqlBusqueda(tabla, QStringLiteral("COUNT(*)"), donde));
    for (int i = 0; i < donde.parametros().size(); ++i)
        enlaza(*q, i, donde.parametros().at(i));
    ejecuta(*q, QStringLiteral("contar %1"), tabla);
    const int total = q->next() ? q->value(0).toInt() : 0;
    q->finish();
    return total;
}

TSubconsulta TPersistencia::claves(const TTabla& tabla, const TCondicion& donde)
{
    return {sqlBusqueda(tabla, cita(tabla.clave().nombre), donde), donde.parametros()};
}

void TPersistencia::copia(const TTabla& tabla, const QVector<QVariant>& valores, const TConexionSesion& conexion)
{
    const TSentencias& sql = sentencias(tabla);
    if (valores.size() != tabla.columnas.size())
        throw EBaseDatos(QStringLiteral("El registro de %1 no tiene las columnas de su tabla.").arg(tabla.nombre));
    const auto q = Conexiones::consultaPreparada(conexion, sql.insercionConClave);
    for (int i = 0; i < valores.size(); ++i)
        enlaza(*q, i, paraEscribir(tabla.columnas.at(i), valores.at(i)));
    ejecuta(*q, QStringLiteral("copiar un registro de %1"), tabla);
    q->finish();
}

void TPersistencia::carga(TEntidad& entidad, const QVector<QVariant>& valores, const TConexionSesion& conexion)
{
    entidad.m_valores = valores;
    entidad.m_referencias.fill(nullptr);
    entidad.m_origen = conexion;
}
