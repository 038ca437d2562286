#include "Dialecto.h"

#include "CitaSql.h"
#include "Logmanager.h"
#include "Sistema.h"

#include <QRegularExpression>

const TDialecto& TDialecto::de(TMotor motor)
{
    static const TDialecto embebido(TMotor::Embebido);
    static const TDialecto mariadb(TMotor::MariaDB);
    static const TDialecto servidor(TMotor::FirebirdServidor);
    switch (motor) {
    case TMotor::MariaDB:
        return mariadb;
    case TMotor::FirebirdServidor:
        return servidor;
    case TMotor::Embebido:
        break;
    }
    return embebido;
}

QString TDialecto::adapta(const QString& sql) const
{
    if (!esMariaDB())
        return sql;
    // MariaDB casts to text with CHAR(n), which (unlike Firebird's) keeps
    // the text as it is, without padding it to n.
    QString adaptada = sql;
    adaptada.replace(QLatin1String(" AS VARCHAR("), QLatin1String(" AS CHAR("));
    return adaptada;
}

QString TDialecto::tipo(const TColumna& columna) const
{
    if (!esMariaDB())
        return columna.tipoSql();
    switch (columna.tipo) {
    case TTipoColumna::Texto:
        // A row holds at most 64 KB of VARCHAR, four bytes a character: the
        // wide texts of a voucher live outside the row. Lengths are checked
        // by the program before a save, so TEXT's larger room never shows.
        if (columna.largo <= 0 || columna.largo > 16000)
            return QStringLiteral("LONGTEXT");
        return columna.largo > 255 ? QStringLiteral("TEXT") : QStringLiteral("VARCHAR(%1)").arg(columna.largo);
    case TTipoColumna::Decimal:
        return QStringLiteral("DECIMAL(18,6)");
    case TTipoColumna::FechaHora:
        return QStringLiteral("DATETIME(3)");
    case TTipoColumna::Binario:
        return QStringLiteral("LONGBLOB");
    default:
        return columna.tipoSql();
    }
}

QString TDialecto::sinTabla(const QString& expresiones) const
{
    if (esMariaDB())
        return QStringLiteral("SELECT ") + expresiones;
    return QStringLiteral("SELECT %1 FROM RDB$DATABASE").arg(expresiones);
}

QString TDialecto::liberaPunto(const QString& nombre) const
{
    // Firebird would also release the savepoints made after this one; ONLY
    // keeps them, as nested parts of the work expect.
    if (esMariaDB())
        return QStringLiteral("RELEASE SAVEPOINT ") + nombre;
    return QStringLiteral("RELEASE SAVEPOINT %1 ONLY").arg(nombre);
}

QString TDialecto::opcionesTabla() const
{
    // Binary order and comparison, as Firebird's UTF8 has them: an RFC or
    // a UUID differing only in case is another value.
    if (esMariaDB())
        return QStringLiteral(" ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_bin");
    return QString();
}

QString TDialecto::cambiaTipo(const QString& tabla, const TColumna& columna) const
{
    if (esMariaDB())
        return QStringLiteral("ALTER TABLE %1 MODIFY COLUMN %2 %3")
            .arg(Esquema::cita(tabla), Esquema::cita(columna.nombre), tipo(columna));
    return QStringLiteral("ALTER TABLE %1 ALTER COLUMN %2 TYPE %3")
        .arg(Esquema::cita(tabla), Esquema::cita(columna.nombre), tipo(columna));
}

QString TDialecto::reiniciaSecuencia(const QString& secuencia, qint64 ultimo) const
{
    // Firebird 3 hands out the value after the one restarted with; MariaDB
    // that very value.
    return QStringLiteral("ALTER SEQUENCE %1 RESTART WITH %2")
        .arg(Esquema::cita(secuencia))
        .arg(esMariaDB() ? ultimo + 1 : ultimo);
}

QString TDialecto::columnaIndice(const TColumna& columna) const
{
    if (esMariaDB() && columna.tipo == TTipoColumna::Texto && (columna.largo <= 0 || columna.largo > 255))
        return Esquema::cita(columna.nombre) + QStringLiteral("(768)");
    return Esquema::cita(columna.nombre);
}

QString TDialecto::indicePrefijo(const QString& nombre, const QString& tabla, const TColumna& columna,
                                 int caracteres) const
{
    if (esMariaDB())
        return QStringLiteral("CREATE INDEX %1 ON %2 (%3(%4))")
            .arg(Esquema::cita(nombre), Esquema::cita(tabla), Esquema::cita(columna.nombre))
            .arg(qMin(caracteres, 768));
    return QStringLiteral("CREATE INDEX %1 ON %2 COMPUTED BY (%3)")
        .arg(Esquema::cita(nombre), Esquema::cita(tabla), TTabla::prefijo(Esquema::cita(columna.nombre), caracteres));
}

namespace {

bool contiene(const QString& texto, std::initializer_list<const char*> frases)
{
    const QString minusculas = texto.toLower();
    for (const char* frase : frases)
        if (minusculas.contains(QLatin1String(frase)))
            return true;
    return false;
}

bool dice(const QSqlError& error, std::initializer_list<const char*> frases)
{
    return contiene(error.text(), frases);
}

// A file the engine found cut short or not a database: read errors too, which
// are not the disk refusing a write.
bool archivoDanado(const QString& texto)
{
    return contiene(texto, {"not a valid database", "file size is less than expected", "i/o error during \"read\"",
                            "database file appears corrupt", "wrong page type"});
}

QString textoDanado()
{
    return QStringLiteral("el archivo de la base de datos está dañado o incompleto; recupera la empresa desde un "
                          "respaldo");
}

QString codigo(const QSqlError& error)
{
    return error.nativeErrorCode();
}

} // namespace

bool TDialecto::esDuplicado(const QSqlError& error)
{
    return codigo(error) == QLatin1String("1062") ||
           dice(error, {"unique key", "primary or unique", "duplicate entry", "duplicate value"});
}

bool TDialecto::esConexionPerdida(const QSqlError& error)
{
    static const QStringList codigos{QStringLiteral("2002"), QStringLiteral("2003"), QStringLiteral("2005"),
                                     QStringLiteral("2006"), QStringLiteral("2013"), QStringLiteral("2055")};
    return codigos.contains(codigo(error)) || esConexionPerdida(error.text());
}

bool TDialecto::esConexionPerdida(const QString& texto)
{
    // MariaDB's client library and Firebird's remote layer, always in English,
    // and what Conexiones::baseDatos and causa() say in their place.
    static const QRegularExpression frases(
        QStringLiteral("el\\sservidor\\sno\\sresponde|se\\sperdió\\sla\\sconexión|can't\\sconnect|lost\\sconnection|"
                       "unknown\\s(mysql\\s)?"
                       "server\\shost|server\\shas\\sgone|"
                       "unable\\sto\\scomplete\\snetwork\\srequest|failed\\sto\\slocate\\shost|"
                       "connection\\srejected|error\\s(reading|writing)\\sdata|connection\\s(shutdown|lost)|"
                       "timed?\\s?out"),
        QRegularExpression::CaseInsensitiveOption);
    return frases.match(texto).hasMatch();
}

QString TDialecto::causaAlAbrir(const QString& texto)
{
    if (archivoDanado(texto))
        return textoDanado();
    if (contiene(texto, {"no permission", "permission denied"}))
        return QStringLiteral("no tienes permiso de escritura sobre el archivo de la base de datos");
    if (contiene(texto, {"incompatible with current"}))
        return QStringLiteral("otro programa la tiene abierta con otra configuración del motor de base de datos; "
                              "revisa que la carpeta Motor del programa esté completa y cierra los demás programas");
    if (contiene(texto, {"lock", "in use"}))
        return QStringLiteral("otro programa la tiene abierta; ciérralo y vuelve a intentarlo");
    return QStringLiteral("el motor de base de datos no la pudo abrir (el detalle está en la bitácora del programa)");
}

TFallaServidor TDialecto::fallaServidor(const QSqlError& error)
{
    // MariaDB's own numbers: 1045 a wrong account or password, 1044 an
    // account that may not use that database, 1049 no such database.
    const QString numero = codigo(error);
    if (numero == QLatin1String("1045") || numero == QLatin1String("1044"))
        return TFallaServidor::CuentaRechazada;
    if (numero == QLatin1String("1049"))
        return TFallaServidor::BaseInexistente;
    if (esConexionPerdida(error))
        return TFallaServidor::NoResponde;
    // Qt's Firebird driver hands over only the SQLCODE, -902 for all of
    // these alike; the client library's words (always English) tell them.
    if (dice(error, {"user name and password are not defined"}))
        return TFallaServidor::CuentaRechazada;
    if (dice(error, {"i/o error during \"open\""}) && dice(error, {"no such file"}))
        return TFallaServidor::BaseInexistente;
    return TFallaServidor::Otra;
}

QString TDialecto::causa(const QSqlError& error)
{
    if (esConexionPerdida(error))
        return QStringLiteral("se perdió la conexión con el servidor de base de datos; lo guardado hasta antes "
                              "sigue ahí: revisa el servidor y vuelve a intentarlo");
    if (dice(error, {"lock conflict", "deadlock", "update conflicts", "lock wait timeout"}))
        return QStringLiteral("otro proceso está guardando el mismo registro; intenta de nuevo");
    if (dice(error, {"string right truncation", "data too long"}))
        return QStringLiteral("un texto es más largo de lo que cabe en su columna");
    if (dice(error, {"numeric", "arithmetic", "out of range"}))
        return QStringLiteral("una cantidad no cabe en su columna");
    if (dice(error, {"foreign key"}))
        return QStringLiteral("el registro señala a otro que no existe, o otro registro lo necesita");
    if (esDuplicado(error))
        return QStringLiteral("ya existe un registro con esos datos");
    if (archivoDanado(error.text()))
        return textoDanado();
    if (dice(error, {"i/o error", "no space", "disk", "table is full"}))
        return QStringLiteral("el disco no aceptó la escritura; revisa el espacio libre");
    return QStringLiteral("el motor de base de datos no lo aceptó (el detalle está en la bitácora del programa)");
}

QString TDialecto::falla(const QString& trabajo, const QSqlError& error, const QString& detalle)
{
    // Without a program folder (a tool that only reads) there is no log.
    if (!Sistema::exePath.isEmpty())
        Logmanager::Log(
            QStringLiteral("No se pudo %1%2: %3")
                .arg(trabajo, detalle.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(detalle), error.text()),
            3, Sistema::exePath);
    return QStringLiteral("No se pudo %1: %2.").arg(trabajo, causa(error));
}
