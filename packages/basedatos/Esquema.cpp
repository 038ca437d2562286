#include "Esquema.h"

#include "CitaSql.h"
#include "Conexiones.h"
#include "Dialecto.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Sistema.h"
#include "EsquemaEntidades.h"

#include <QCryptographicHash>
#include <algorithm>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// Raise it whenever EsquemaEntidades.h changes.
// 2: what whole CFDI 3.3 and 4.0 vouchers need (step Cfdi40), the payment-form
//    key index and the prefix index of a concept's description.
// 3: texts as wide as the SAT's schemas let a voucher write them.
// 4: the business's own secret (TNegocio.Secreto).
// 5: the seal check of each voucher (TComprobante.Verificacionsello).
// 6: the SAT's metadata (TMetadatosat).
// 7: a voucher's UUID unique per business.
// 8: a user's e-mail, a branch's active series name and its default series of
//    a type unique on server databases.
constexpr int VERSION_ESQUEMA = 8;
const QString TABLA_VERSION = QStringLiteral("VERSIONESQUEMA");
// On a server database: the schema version at which its unique rules were
// last tried (see creaUnicos).
const QString TABLA_REGLAS = QStringLiteral("REGLASUNICAS");
const QString LEER_ESTRUCTURA = QStringLiteral("leer la estructura de la base de datos");

QString nombreTabla(const char* clase)
{
    return QString::fromLatin1(clase).mid(1).toUpper(); // TComprobante -> COMPROBANTE
}

QString destino(const char* clase)
{
    return qstrcmp(clase, "_") == 0 ? QString() : nombreTabla(clase);
}

// "Negocio, Uuid" -> NEGOCIO, UUID
QStringList nombresColumnas(const char* lista)
{
    QStringList nombres;
    for (const QString& nombre : QString::fromLatin1(lista).split(QLatin1Char(',')))
        nombres << nombre.trimmed().toUpper();
    return nombres;
}

QList<TTabla> describeTablas()
{
    QList<TTabla> tablas;
#define VELKOR_COLUMNA_PROPIA(N, T, L, D)                                                                              \
    tabla.columnas.append(                                                                                             \
        TColumna{QStringLiteral(#N), QStringLiteral(#N).toUpper(), TTipoColumna::T, L, destino(#D), grupo});
#define VELKOR_COLUMNA_AGREGADA(N, T, L, D, G)                                                                         \
    tabla.columnas.append(TColumna{QStringLiteral(#N), QStringLiteral(#N).toUpper(), TTipoColumna::T, L, destino(#D),  \
                                   TGrupoEsquema::G});
#define VELKOR_TABLA_DESC(Clase, Grupo)                                                                                \
    {                                                                                                                  \
        TTabla tabla;                                                                                                  \
        tabla.clase = QStringLiteral(#Clase);                                                                          \
        tabla.nombre = nombreTabla(#Clase);                                                                            \
        const TGrupoEsquema grupo = TGrupoEsquema::Grupo;                                                              \
        VELKOR_TABLA_##Clase(VELKOR_COLUMNA_PROPIA, VELKOR_COLUMNA_AGREGADA) tablas.append(tabla);                     \
    }
    VELKOR_ENTIDADES(VELKOR_TABLA_DESC)
#undef VELKOR_TABLA_DESC
#undef VELKOR_COLUMNA_AGREGADA
#undef VELKOR_COLUMNA_PROPIA

#define VELKOR_INDICE_DESC(Clase, N)                                                                                   \
    for (TTabla & tabla : tablas)                                                                                      \
        if (tabla.clase == QLatin1String(#Clase))                                                                      \
            tabla.indices.append(QStringLiteral(#N).toUpper());
    VELKOR_INDICES(VELKOR_INDICE_DESC)
#undef VELKOR_INDICE_DESC

#define VELKOR_PREFIJO_DESC(Clase, N, Caracteres)                                                                      \
    for (TTabla & tabla : tablas)                                                                                      \
        if (tabla.clase == QLatin1String(#Clase))                                                                      \
            tabla.prefijos.insert(QStringLiteral(#N).toUpper(), Caracteres);
    VELKOR_INDICES_PREFIJO(VELKOR_PREFIJO_DESC)
#undef VELKOR_PREFIJO_DESC

#define VELKOR_UNICO_DESC(Clase, ...)                                                                                  \
    for (TTabla & tabla : tablas)                                                                                      \
        if (tabla.clase == QLatin1String(#Clase))                                                                      \
            tabla.unicos.append(nombresColumnas(#__VA_ARGS__));
    VELKOR_UNICOS(VELKOR_UNICO_DESC)
#undef VELKOR_UNICO_DESC

#define VELKOR_SIN_MAYUSCULAS_DESC(Clase, N)                                                                           \
    for (TTabla & tabla : tablas)                                                                                      \
        if (tabla.clase == QLatin1String(#Clase))                                                                      \
            tabla.unicosSinMayusculas.append(QStringLiteral(#N).toUpper());
    VELKOR_UNICOS_SIN_MAYUSCULAS(VELKOR_SIN_MAYUSCULAS_DESC)
#undef VELKOR_SIN_MAYUSCULAS_DESC

#define VELKOR_MARCADO_DESC(Clase, ...)                                                                                \
    for (TTabla & tabla : tablas)                                                                                      \
        if (tabla.clase == QLatin1String(#Clase))                                                                      \
            tabla.unicosMarcados.append(nombresColumnas(#__VA_ARGS__));
    VELKOR_UNICOS_MARCADOS(VELKOR_MARCADO_DESC)
#undef VELKOR_MARCADO_DESC
    return tablas;
}

// Firebird names are at most 31 characters; long pairs get a stable hash.
QString nombreRestriccion(const QString& prefijo, const QString& tabla, const QString& columna)
{
    const QString legible = prefijo + tabla + QLatin1Char('_') + columna;
    if (legible.size() <= 31)
        return legible;
    const QByteArray huella =
        QCryptographicHash::hash((tabla + QLatin1Char('.') + columna).toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(12)
            .toUpper();
    return prefijo + tabla.left(31 - prefijo.size() - 13) + QLatin1Char('_') + QString::fromLatin1(huella);
}

class TEjecutor {
public:
    explicit TEjecutor(const TConexionSesion& conexion)
        : m_db(Conexiones::baseDatos(conexion)), m_dialecto(TDialecto::de(conexion))
    {
    }

    void ejecuta(const QString& sql)
    {
        QSqlQuery q(m_db);
        if (!q.exec(m_dialecto.adapta(sql)))
            throw EBaseDatos(
                TDialecto::falla(QStringLiteral("actualizar la estructura de la base de datos"), q.lastError(), sql));
        ++m_cambios;
    }
    // Statements that changed the structure so far.
    int cambios() const { return m_cambios; }

    QSet<QString> nombres(const QString& sql)
    {
        QSet<QString> resultado;
        QSqlQuery q(m_db);
        q.setForwardOnly(true);
        if (!q.exec(sql))
            throw EBaseDatos(TDialecto::falla(LEER_ESTRUCTURA, q.lastError(), sql));
        while (q.next())
            resultado.insert(q.value(0).toString().trimmed());
        return resultado;
    }

    QSqlDatabase& db() { return m_db; }
    const TDialecto& dialecto() const { return m_dialecto; }

private:
    QSqlDatabase m_db;
    const TDialecto& m_dialecto;
    int m_cambios = 0;
};

struct TEstructura {
    QSet<QString> tablas;
    QSet<QString> columnas; // TABLA.COLUMNA
    QSet<QString> restricciones;
    QSet<QString> indices;
    QSet<QString> generadores;
    QHash<QString, int> largos; // TABLA.COLUMNA -> characters, for VARCHAR columns

    explicit TEstructura(TEjecutor& e)
    {
        if (e.dialecto().esMariaDB())
            leeMariaDB(e);
        else
            leeFirebird(e);
    }
    void leeFirebird(TEjecutor& e)
    {
        tablas = e.nombres(QStringLiteral("SELECT RDB$RELATION_NAME FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0"));
        columnas = e.nombres(
            QStringLiteral("SELECT TRIM(RDB$RELATION_NAME) || '.' || TRIM(RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS "
                           "WHERE RDB$SYSTEM_FLAG = 0"));
        restricciones = e.nombres(QStringLiteral("SELECT RDB$CONSTRAINT_NAME FROM RDB$RELATION_CONSTRAINTS"));
        indices = e.nombres(QStringLiteral("SELECT RDB$INDEX_NAME FROM RDB$INDICES"));
        generadores =
            e.nombres(QStringLiteral("SELECT RDB$GENERATOR_NAME FROM RDB$GENERATORS WHERE RDB$SYSTEM_FLAG = 0"));
        leeLargos(e, QStringLiteral(
                         "SELECT TRIM(RF.RDB$RELATION_NAME) || '.' || TRIM(RF.RDB$FIELD_NAME), F.RDB$CHARACTER_LENGTH "
                         "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
                         "WHERE RF.RDB$SYSTEM_FLAG = 0 AND F.RDB$FIELD_TYPE = 37"));
    }
    void leeMariaDB(TEjecutor& e)
    {
        const QString base = QStringLiteral(" WHERE TABLE_SCHEMA = DATABASE()");
        tablas = e.nombres(QStringLiteral("SELECT TABLE_NAME FROM information_schema.TABLES") + base +
                           QStringLiteral(" AND TABLE_TYPE = 'BASE TABLE'"));
        generadores = e.nombres(QStringLiteral("SELECT TABLE_NAME FROM information_schema.TABLES") + base +
                                QStringLiteral(" AND TABLE_TYPE = 'SEQUENCE'"));
        columnas =
            e.nombres(QStringLiteral("SELECT TABLE_NAME || '.' || COLUMN_NAME FROM information_schema.COLUMNS") + base);
        restricciones = e.nombres(QStringLiteral("SELECT CONSTRAINT_NAME FROM information_schema.TABLE_CONSTRAINTS "
                                                 "WHERE CONSTRAINT_SCHEMA = DATABASE()"));
        indices = e.nombres(QStringLiteral("SELECT INDEX_NAME FROM information_schema.STATISTICS") + base);
        // TEXT columns stand for the wide texts and are never narrower than
        // the description.
        leeLargos(e, QStringLiteral("SELECT TABLE_NAME || '.' || COLUMN_NAME, CHARACTER_MAXIMUM_LENGTH "
                                    "FROM information_schema.COLUMNS") +
                         base + QStringLiteral(" AND DATA_TYPE = 'varchar'"));
    }
    void leeLargos(TEjecutor& e, const QString& sql)
    {
        QSqlQuery q(e.db());
        q.setForwardOnly(true);
        if (!q.exec(sql))
            throw EBaseDatos(TDialecto::falla(LEER_ESTRUCTURA, q.lastError(), sql));
        while (q.next())
            largos.insert(q.value(0).toString().trimmed(), q.value(1).toInt());
    }
    bool tieneColumna(const TTabla& t, const TColumna& c) const
    {
        return columnas.contains(t.nombre + QLatin1Char('.') + c.nombre);
    }
};

// The highest version recorded in `tabla` (VERSIONESQUEMA, REGLASUNICAS),
// 0 when the table is not there.
int leeMaximo(TEjecutor& e, const TEstructura& estructura, const QString& tabla)
{
    if (!estructura.tablas.contains(tabla))
        return 0;
    QSqlQuery q(e.db());
    // A read that fails is no version at all: taking it for 0 would add
    // another row, and hide why the connection failed behind that insert.
    if (!q.exec(QStringLiteral("SELECT MAX(\"VERSION\") FROM %1").arg(tabla)) || !q.next())
        throw EBaseDatos(TDialecto::falla(LEER_ESTRUCTURA, q.lastError()));
    return q.value(0).toInt();
}

int leeVersion(TEjecutor& e, const TEstructura& estructura)
{
    return leeMaximo(e, estructura, TABLA_VERSION);
}

// A database a later version of the program brought further is left as it
// stands: completing it here would add what this version lacks, and this
// version's rows would miss what the later one requires of them.
// Returns the recorded version.
int rechazaPosterior(TEjecutor& e, const TEstructura& estructura, const TConexionSesion& conexion)
{
    const int registrada = leeVersion(e, estructura);
    if (registrada > VERSION_ESQUEMA)
        throw EBaseDatos(QStringLiteral("La base de datos %1 es de una versión más reciente del programa (estructura "
                                        "%2; esta versión llega a la %3). Actualiza el programa en esta computadora y "
                                        "vuelve a intentarlo. No se cambió nada.")
                             .arg(conexion.descripcion())
                             .arg(registrada)
                             .arg(VERSION_ESQUEMA));
    return registrada;
}

} // namespace

QString TColumna::tipoSql() const
{
    switch (tipo) {
    case TTipoColumna::Id:
        return QStringLiteral("INTEGER NOT NULL PRIMARY KEY");
    case TTipoColumna::Texto:
        return largo > 0 ? QStringLiteral("VARCHAR(%1)").arg(largo) : QStringLiteral("BLOB SUB_TYPE TEXT");
    case TTipoColumna::Entero:
        return QStringLiteral("INTEGER");
    case TTipoColumna::Grande:
        return QStringLiteral("BIGINT");
    case TTipoColumna::Decimal:
        return QStringLiteral("NUMERIC(18,6)");
    case TTipoColumna::Booleano:
        return QStringLiteral("SMALLINT");
    case TTipoColumna::Fecha:
        return QStringLiteral("DATE");
    case TTipoColumna::FechaHora:
        return QStringLiteral("TIMESTAMP");
    case TTipoColumna::Binario:
        return QStringLiteral("BLOB SUB_TYPE BINARY");
    case TTipoColumna::Ref:
        return QStringLiteral("INTEGER");
    }
    return QString();
}

QString TTabla::prefijo(const QString& expresion, int caracteres)
{
    return QStringLiteral("SUBSTRING(%1 FROM 1 FOR %2)").arg(expresion).arg(caracteres);
}

int TTabla::posicion(const QString& nombreColumna) const
{
    for (int i = 0; i < columnas.size(); ++i)
        if (columnas.at(i).nombre == nombreColumna || columnas.at(i).accesor == nombreColumna)
            return i;
    return -1;
}

namespace Esquema {

QString cita(const QString& identificador)
{
    return QLatin1Char('"') + identificador + QLatin1Char('"');
}

int version()
{
    return VERSION_ESQUEMA;
}

const QList<TTabla>& tablas()
{
    static const QList<TTabla> todas = describeTablas();
    return todas;
}

const TTabla& tabla(const QString& clase)
{
    static const QHash<QString, int> porClase = [] {
        QHash<QString, int> h;
        for (int i = 0; i < tablas().size(); ++i)
            h.insert(tablas().at(i).clase, i);
        return h;
    }();
    const auto it = porClase.constFind(clase);
    if (it == porClase.constEnd())
        throw EBaseDatos(QStringLiteral("No existe la tabla de %1.").arg(clase));
    return tablas().at(*it);
}

void ajustaSecuencias(const TConexionSesion& conexion)
{
    TEjecutor e(conexion);
    for (const TTabla& t : tablas()) {
        QSqlQuery q(e.db());
        if (!q.exec(
                QStringLiteral("SELECT COALESCE(MAX(%1), 0) FROM %2").arg(cita(t.clave().nombre), cita(t.nombre))) ||
            !q.next())
            throw EBaseDatos(
                TDialecto::falla(QStringLiteral("leer la clave mayor de %1").arg(t.nombre), q.lastError()));
        const qint64 mayor = q.value(0).toLongLong();
        q.finish();
        e.ejecuta(e.dialecto().reiniciaSecuencia(t.generador(), mayor));
    }
}

QStringList tablasPresentes(const TConexionSesion& conexion)
{
    TEjecutor e(conexion);
    QStringList nombres = TEstructura(e).tablas.values();
    nombres.sort();
    return nombres;
}

QStringList objetosPresentes(const TConexionSesion& conexion)
{
    TEjecutor e(conexion);
    const TEstructura estructura(e);
    QStringList nombres = (estructura.tablas + estructura.generadores).values();
    nombres.sort();
    return nombres;
}

void quitaNuevos(const TConexionSesion& conexion, const QStringList& antes)
{
    TEjecutor e(conexion);
    const TEstructura estructura(e);
    const QSet<QString> previos(antes.cbegin(), antes.cend());
    const auto nueva = [&](const QString& tabla) {
        return estructura.tablas.contains(tabla) && !previos.contains(tabla);
    };
    // A table that another one points at cannot be dropped: the keys that
    // tie a new table go first.
    for (const TTabla& t : tablas()) {
        if (!estructura.tablas.contains(t.nombre))
            continue;
        for (const TColumna& c : t.columnas) {
            const QString nombre = nombreRestriccion(QStringLiteral("FK_"), t.nombre, c.nombre);
            if (c.tipo == TTipoColumna::Ref && (nueva(t.nombre) || nueva(c.destino)) &&
                estructura.restricciones.contains(nombre))
                e.ejecuta(QStringLiteral("ALTER TABLE %1 DROP CONSTRAINT %2").arg(cita(t.nombre), cita(nombre)));
        }
    }
    for (const TTabla& t : tablas())
        if (nueva(t.nombre))
            e.ejecuta(QStringLiteral("DROP TABLE %1").arg(cita(t.nombre)));
    for (const QString& propia : {TABLA_VERSION, TABLA_REGLAS})
        if (nueva(propia))
            e.ejecuta(QStringLiteral("DROP TABLE %1").arg(cita(propia)));
    for (const TTabla& t : tablas())
        if (estructura.generadores.contains(t.generador()) && !previos.contains(t.generador()))
            e.ejecuta(QStringLiteral("DROP SEQUENCE %1").arg(cita(t.generador())));
}

int versionRegistrada(const TConexionSesion& conexion)
{
    TEjecutor e(conexion);
    const TEstructura estructura(e);
    return leeVersion(e, estructura);
}

namespace {

bool presentes(const TEstructura& estructura, const TTabla& t, const QStringList& columnas)
{
    for (const QString& columna : columnas) {
        const int i = t.posicion(columna);
        if (i < 0 || !estructura.tieneColumna(t, t.columnas.at(i)))
            return false;
    }
    return true;
}

// A unique index on a value computed from the row. Firebird indexes the
// expression itself; MariaDB only a column, so the value is kept in a
// virtual column out of sight of the program's statements, both made in
// one statement so a refused index leaves no column behind.
QString unicoCalculado(const TEjecutor& e, const QString& nombre, const QString& tabla, const QString& expresion,
                       int largo)
{
    if (e.dialecto().esMariaDB())
        return QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 VARCHAR(%3) AS (%4) VIRTUAL INVISIBLE, "
                              "ADD UNIQUE INDEX %2 (%2)")
            .arg(cita(tabla), cita(nombre))
            .arg(largo)
            .arg(expresion);
    return QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 COMPUTED BY (%3)").arg(cita(nombre), cita(tabla), expresion);
}

// MariaDB keeps a virtual column's expression and reads it back in sessions
// of any mode: its names go in backquotes, which every mode takes.
QString nombreEnExpresion(const TEjecutor& e, const QString& columna)
{
    return e.dialecto().esMariaDB() ? QLatin1Char('`') + columna + QLatin1Char('`') : cita(columna);
}

void creaUnicos(TEjecutor& e, const TEstructura& estructura, const TTabla& t, QSet<QString>& intentadas)
{
    // A database that already holds two rows breaking the rule (written
    // before it, by two workstations at once) keeps opening without it: the
    // look-up before each save still keeps new copies out. The refusal is
    // logged; the rule is tried again when the schema version rises, not at
    // every sign-in, which would scan the table each time and could wait on
    // another workstation's refused build of the same index.
    //
    // The rows are looked for before the engine is asked: Firebird refuses
    // such an index only when the statement's transaction commits, and its
    // driver then leaves that transaction open on this connection, so any
    // other connection that changes the table's structure waits for it
    // until this one closes (another workstation signing in, say).
    // `valores` are what the rule keeps unique, in the table's terms.
    const auto crea = [&](const QString& nombre, const QString& sql, const QStringList& valores) {
        if (estructura.indices.contains(nombre) || intentadas.contains(nombre))
            return;
        intentadas.insert(nombre);
        QString motivo;
        try {
            QStringList presentes;
            for (const QString& valor : valores)
                presentes << valor + QStringLiteral(" IS NOT NULL");
            const QString repetidos =
                QStringLiteral("SELECT 1 FROM %1 WHERE %2 GROUP BY %3 HAVING COUNT(*) > 1")
                    .arg(cita(t.nombre), presentes.join(QStringLiteral(" AND ")), valores.join(QStringLiteral(", ")));
            if (!e.nombres(e.dialecto().adapta(repetidos)).isEmpty())
                throw EBaseDatos(QStringLiteral("hay filas con el mismo valor que la regla pide distinto"));
            e.ejecuta(sql);
            // Firebird builds the index when the statement's own transaction
            // commits, and a refusal there may go unreported: the index is
            // looked for.
            const QString busca =
                e.dialecto().esMariaDB()
                    ? QStringLiteral("SELECT INDEX_NAME FROM information_schema.STATISTICS WHERE TABLE_SCHEMA = "
                                     "DATABASE() AND INDEX_NAME = '%1'")
                    : QStringLiteral("SELECT RDB$INDEX_NAME FROM RDB$INDICES WHERE RDB$INDEX_NAME = '%1'");
            if (e.nombres(busca.arg(nombre)).isEmpty())
                motivo = QStringLiteral("el motor no la dejó puesta");
        } catch (const EBaseDatos& error) {
            motivo = error.mensaje();
        }
        if (!motivo.isEmpty() && !Sistema::exePath.isEmpty())
            Logmanager::Log(
                QStringLiteral("La base de datos queda sin la regla %1 (lo común: filas que ya la rompen): %2")
                    .arg(nombre, motivo),
                3, Sistema::exePath);
    };
    for (const QStringList& columnas : t.unicos) {
        if (!presentes(estructura, t, columnas))
            continue;
        QStringList lista;
        QStringList valores;
        for (const QString& columna : columnas) {
            lista << e.dialecto().columnaIndice(t.columnas.at(t.posicion(columna)));
            valores << cita(columna);
        }
        const QString nombre = nombreRestriccion(QStringLiteral("UQ_"), t.nombre, columnas.value(1, columnas.first()));
        crea(nombre,
             QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (%3)")
                 .arg(cita(nombre), cita(t.nombre), lista.join(QStringLiteral(", "))),
             valores);
    }
    for (const QString& columna : t.unicosSinMayusculas) {
        if (!presentes(estructura, t, {columna}))
            continue;
        // As the look-ups compare (TCampo::igualSinMayusculas).
        const QString nombre = nombreRestriccion(QStringLiteral("UQM_"), t.nombre, columna);
        const QString valor = QStringLiteral("LOWER(%1)").arg(nombreEnExpresion(e, columna));
        crea(nombre, unicoCalculado(e, nombre, t.nombre, valor, t.columnas.at(t.posicion(columna)).largo), {valor});
    }
    for (const QStringList& columnas : t.unicosMarcados) {
        const QString estado = QStringLiteral("STATUS");
        if (!presentes(estructura, t, columnas + QStringList{estado}))
            continue;
        // Rows without the mark, or retired, compute NULL, which a unique
        // index lets any number of rows share.
        const QString grupo = nombreEnExpresion(e, columnas.at(1));
        const QString subgrupo = nombreEnExpresion(e, columnas.at(2));
        const QString valor = e.dialecto().esMariaDB()
                                  ? QStringLiteral("CONCAT(%1, '|', %2)").arg(grupo, subgrupo)
                                  : QStringLiteral("CAST(%1 AS VARCHAR(11)) || '|' || %2").arg(grupo, subgrupo);
        const QString nombre = nombreRestriccion(QStringLiteral("UQD_"), t.nombre, columnas.first());
        const QString marcado = QStringLiteral("CASE WHEN %1 = 1 AND %2 = 0 THEN %3 END")
                                    .arg(nombreEnExpresion(e, columnas.first()), nombreEnExpresion(e, estado), valor);
        crea(nombre, unicoCalculado(e, nombre, t.nombre, marcado, 60), {marcado});
    }
}

// The unique rules of one completion. Only a database several workstations
// write at once needs the engine to keep them; an embedded file takes one
// import at a time, which looks for the voucher before it stores it, and one
// window at a time saves its users and series.
class TReglasUnicas {
public:
    // `version`: the schema version the database records.
    TReglasUnicas(TEjecutor& e, const TEstructura& estructura, int version)
        : m_servidor(e.dialecto().motor() != TMotor::Embebido),
          // Every missing rule is tried once per schema version: on a
          // database older than this version, and on one that came to the
          // server already at it (an embedded file, a copy of the empty
          // business database) and never had them.
          m_todas(m_servidor && (version < VERSION_ESQUEMA || leeMaximo(e, estructura, TABLA_REGLAS) < VERSION_ESQUEMA))
    {
    }
    // Otherwise only after a step that changed the structure: its new
    // columns may be what a rule names.
    void prueba(TEjecutor& e, const TEstructura& estructura, const TTabla& t, bool cambiada)
    {
        if (m_servidor && (m_todas || cambiada))
            creaUnicos(e, estructura, t, m_intentadas);
    }
    void anota(TEjecutor& e, const TEstructura& estructura)
    {
        if (!m_todas)
            return;
        if (!estructura.tablas.contains(TABLA_REGLAS))
            e.ejecuta(QStringLiteral("CREATE TABLE REGLASUNICAS (\"VERSION\" INTEGER NOT NULL)") +
                      e.dialecto().opcionesTabla());
        if (leeMaximo(e, estructura, TABLA_REGLAS) < VERSION_ESQUEMA)
            e.ejecuta(QStringLiteral("INSERT INTO REGLASUNICAS (\"VERSION\") VALUES (%1)").arg(VERSION_ESQUEMA));
    }

private:
    bool m_servidor;
    bool m_todas;
    QSet<QString> m_intentadas; // once per completion, not at every step
};

// One step of the schema, on the structure as it stood before it; returns
// the structure after it. The structure is read again only when the step
// changed it, so opening a complete database reads it once for every step.
TEstructura completaPaso(TEjecutor& e, TEstructura antes, TGrupoEsquema grupo, TReglasUnicas& reglas)
{
    const int cambiosAntes = e.cambios();
    for (const TTabla& t : tablas()) {
        const bool propia = t.grupo() == grupo;
        if (propia && !antes.tablas.contains(t.nombre)) {
            QStringList definiciones;
            for (const TColumna& c : t.columnas)
                if (c.grupo == grupo)
                    definiciones << cita(c.nombre) + QLatin1Char(' ') + e.dialecto().tipo(c);
            e.ejecuta(
                QStringLiteral("CREATE TABLE %1 (%2)").arg(cita(t.nombre), definiciones.join(QStringLiteral(", "))) +
                e.dialecto().opcionesTabla());
        } else if (antes.tablas.contains(t.nombre)) {
            for (const TColumna& c : t.columnas) {
                if (c.grupo == grupo && !antes.tieneColumna(t, c)) {
                    e.ejecuta(QStringLiteral("ALTER TABLE %1 ADD %2 %3")
                                  .arg(cita(t.nombre), cita(c.nombre), e.dialecto().tipo(c)));
                    continue;
                }
                // A text column narrower than the description is widened in
                // place, whichever step made it (the first step is never run
                // again on a database that has it); the engine keeps its
                // values and its indexes.
                const int largo = antes.largos.value(t.nombre + QLatin1Char('.') + c.nombre, -1);
                if (c.tipo == TTipoColumna::Texto && c.largo > 0 && largo >= 0 && largo < c.largo)
                    e.ejecuta(e.dialecto().cambiaTipo(t.nombre, c));
            }
        }
        if (propia && !antes.generadores.contains(t.generador())) {
            e.ejecuta(QStringLiteral("CREATE SEQUENCE %1").arg(cita(t.generador())));
            if (antes.tablas.contains(t.nombre)) {
                // A table that existed without its generator keeps its keys.
                QSqlQuery q(e.db());
                if (q.exec(QStringLiteral("SELECT COALESCE(MAX(%1), 0) FROM %2")
                               .arg(cita(t.clave().nombre), cita(t.nombre))) &&
                    q.next())
                    e.ejecuta(e.dialecto().reiniciaSecuencia(t.generador(), q.value(0).toLongLong()));
            }
        }
    }

    // Keys and indexes of every step whose columns now exist, so a step that
    // creates a referenced table also links the tables that point at it.
    const int cambiosDespues = e.cambios();
    TEstructura despues = cambiosDespues > cambiosAntes ? TEstructura(e) : std::move(antes);
    for (const TTabla& t : tablas()) {
        if (!despues.tablas.contains(t.nombre))
            continue;
        for (const TColumna& c : t.columnas) {
            if (c.tipo != TTipoColumna::Ref || !despues.tieneColumna(t, c) || !despues.tablas.contains(c.destino))
                continue;
            const QString nombre = nombreRestriccion(QStringLiteral("FK_"), t.nombre, c.nombre);
            if (despues.restricciones.contains(nombre))
                continue;
            const TTabla& objetivo = *std::find_if(tablas().cbegin(), tablas().cend(),
                                                   [&](const TTabla& x) { return x.nombre == c.destino; });
            e.ejecuta(QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 FOREIGN KEY (%3) REFERENCES %4 (%5)")
                          .arg(cita(t.nombre), cita(nombre), cita(c.nombre), cita(objetivo.nombre),
                               cita(objetivo.clave().nombre)));
        }
        for (const QString& columna : t.indices) {
            const int i = t.posicion(columna);
            // Foreign keys carry an index of their own.
            if (i < 0 || t.columnas.at(i).tipo == TTipoColumna::Ref || !despues.tieneColumna(t, t.columnas.at(i)))
                continue;
            const QString nombre = nombreRestriccion(QStringLiteral("IX_"), t.nombre, columna);
            if (!despues.indices.contains(nombre))
                e.ejecuta(QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                              .arg(cita(nombre), cita(t.nombre), e.dialecto().columnaIndice(t.columnas.at(i))));
        }
        for (auto it = t.prefijos.cbegin(); it != t.prefijos.cend(); ++it) {
            const int i = t.posicion(it.key());
            if (i < 0 || !despues.tieneColumna(t, t.columnas.at(i)))
                continue;
            const QString nombre = nombreRestriccion(QStringLiteral("IXP_"), t.nombre, it.key());
            if (!despues.indices.contains(nombre))
                e.ejecuta(e.dialecto().indicePrefijo(nombre, t.nombre, t.columnas.at(i), it.value()));
        }
        reglas.prueba(e, despues, t, cambiosDespues > cambiosAntes);
    }

    if (!despues.tablas.contains(TABLA_VERSION))
        e.ejecuta(QStringLiteral("CREATE TABLE VERSIONESQUEMA (\"VERSION\" INTEGER NOT NULL)") +
                  e.dialecto().opcionesTabla());
    if (leeVersion(e, despues) < VERSION_ESQUEMA)
        e.ejecuta(QStringLiteral("INSERT INTO VERSIONESQUEMA (\"VERSION\") VALUES (%1)").arg(VERSION_ESQUEMA));
    return e.cambios() > cambiosDespues ? TEstructura(e) : despues;
}

} // namespace

void completa(const TConexionSesion& conexion, TGrupoEsquema grupo)
{
    TEjecutor e(conexion);
    TEstructura estructura(e);
    TReglasUnicas reglas(e, estructura, rechazaPosterior(e, estructura, conexion));
    reglas.anota(e, completaPaso(e, std::move(estructura), grupo, reglas));
}

void completaTodo(const TConexionSesion& conexion)
{
    TEjecutor e(conexion);
    TEstructura estructura(e);
    TReglasUnicas reglas(e, estructura, rechazaPosterior(e, estructura, conexion));
    for (TGrupoEsquema grupo : {TGrupoEsquema::Base, TGrupoEsquema::NominaEmpleado, TGrupoEsquema::ConceptoClaves,
                                TGrupoEsquema::ConceptoPrecios, TGrupoEsquema::Nuevas, TGrupoEsquema::Cfdi40})
        estructura = completaPaso(e, std::move(estructura), grupo, reglas);
    reglas.anota(e, estructura);
}

} // namespace Esquema
