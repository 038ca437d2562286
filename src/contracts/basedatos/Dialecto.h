#pragma once
#include "BaseDatosExport.h"
#include "Esquema.h"
#include "TConexionSesion.h"

#include <QSqlError>
#include <QString>

// Why a database on a server would not open.
enum class TFallaServidor {
    NoResponde,      // the server is off or out of reach
    CuentaRechazada, // the server refused the account or its password
    BaseInexistente, // the server answers but no longer has the database
    Otra,
};

// What differs between the engines a business database may live in. Every
// statement the program writes is composed in one common form, which both
// engines read the same way:
// - names in double quotes (Esquema::cita);
// - a text the engine must take exactly, an amount among them, as
//   CAST(x AS VARCHAR(n)), and an amount compared as
//   CAST(CAST(? AS VARCHAR(40)) AS DECIMAL(18,6));
// - SUBSTRING(x FROM 1 FOR n), POSITION(a IN b), LOWER, COALESCE;
// - a limit on the rows read as FETCH FIRST n ROWS ONLY after the order;
// - keys drawn from the table's sequence with NEXT VALUE FOR.
// adapta() turns that form into what the connection's engine takes; what
// has no common form (types, structure, savepoints, a statement without a
// table, the engine's errors) is asked of the dialect by name.
class BASEDATOS_EXPORT TDialecto {
public:
    static const TDialecto& de(TMotor motor);
    static const TDialecto& de(const TConexionSesion& conexion) { return de(conexion.motor()); }

    TMotor motor() const { return m_motor; }
    bool esMariaDB() const { return m_motor == TMotor::MariaDB; }

    // The statement in the engine's own form.
    QString adapta(const QString& sql) const;
    // The column's type in CREATE TABLE and ALTER TABLE ADD.
    QString tipo(const TColumna& columna) const;
    // SELECT `expresiones` where the engine needs a table to select from.
    QString sinTabla(const QString& expresiones) const;
    // Ends a savepoint keeping its work.
    QString liberaPunto(const QString& nombre) const;
    // Whether a savepoint statement may be prepared (MariaDB's prepared
    // protocol refuses it: it runs as plain text there).
    bool puntoPreparable() const { return !esMariaDB(); }
    // Whether an INSERT hands its new key back through RETURNING. Where it
    // does not, the key is drawn from the sequence before the INSERT.
    bool claveDevuelta() const { return !esMariaDB(); }
    // What CREATE TABLE adds after its column list.
    QString opcionesTabla() const;
    // Widens a text column in place, keeping its values.
    QString cambiaTipo(const QString& tabla, const TColumna& columna) const;
    // Makes the sequence's next value `ultimo` + 1.
    QString reiniciaSecuencia(const QString& secuencia, qint64 ultimo) const;
    // A column as an index lists it: MariaDB indexes at most 3072 bytes of
    // a key, so a wide text is indexed by its first characters.
    QString columnaIndice(const TColumna& columna) const;
    // An index on the first `caracteres` characters of a text column; the
    // look-up that uses it is TTabla::prefijo's.
    QString indicePrefijo(const QString& nombre, const QString& tabla, const TColumna& columna, int caracteres) const;
    // Why a statement failed, in the user's words. The engine's own words
    // tell a user nothing they can act on (and a server's address is among
    // them): they go to the log alone.
    static QString causa(const QSqlError& error);
    // Logs the engine's words for the `trabajo` that failed ("leer los
    // comprobantes"), with `detalle` (the statement) when there is one, and
    // returns what the user reads: "No se pudo <trabajo>: <causa>."
    static QString falla(const QString& trabajo, const QSqlError& error, const QString& detalle = {});
    // Whether the engine refused a row because a unique key already holds
    // its value (a voucher another workstation stored first).
    static bool esDuplicado(const QSqlError& error);
    // Whether the connection to a server is lost, or none could be made (the
    // server stopped or is not there, the network failed): the work in
    // progress is gone, what was committed stays.
    static bool esConexionPerdida(const QSqlError& error);
    // The same, from the text an open that failed gives.
    static bool esConexionPerdida(const QString& texto);
    // Why a database file that is there would not open, in the user's words,
    // from the engine's text: damaged or cut short, not writable for this
    // user, held by an engine set up otherwise.
    static QString causaAlAbrir(const QString& texto);
    // Why opening a database on a server failed, from the engine's error.
    static TFallaServidor fallaServidor(const QSqlError& error);

private:
    explicit TDialecto(TMotor motor) : m_motor(motor) {}
    TMotor m_motor;
};
