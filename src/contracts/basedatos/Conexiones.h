#pragma once
#include "BaseDatosExport.h"
#include "Errores.h"
#include "TConexionSesion.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <memory>

enum class TFallaServidor; // Dialecto.h

// A database on a server that would not open: the message is the one
// EBaseDatos always carried, falla() why, told from the engine's error.
class BASEDATOS_EXPORT EServidorNoAbre : public EBaseDatos {
public:
    EServidorNoAbre(const QString& mensaje, TFallaServidor falla) : EBaseDatos(mensaje), m_falla(falla) {}
    QString clase() const override { return QStringLiteral("EServidorNoAbre"); }
    TFallaServidor falla() const { return m_falla; }

private:
    TFallaServidor m_falla;
};

// A database creaBaseServidor was to make that someone made meanwhile: on
// MariaDB one of that name, on a Firebird server a file of that path that
// someone has open.
class BASEDATOS_EXPORT EBaseExistente : public EBaseDatos {
public:
    using EBaseDatos::EBaseDatos;
    QString clase() const override { return QStringLiteral("EBaseExistente"); }
};

// One named Qt connection per database file and thread, opened on first use
// and reused: every statement of a thread on a database goes through the same
// connection, so a thread can never wait on a row lock of its own.
namespace Conexiones {

// The open connection of the calling thread; raises EBaseDatos when the
// database cannot be opened, EServidorNoAbre for one on a server.
BASEDATOS_EXPORT QSqlDatabase baseDatos(const TConexionSesion& conexion);
// A statement on the calling thread's connection to that database, prepared
// from `sql`. Inside an open TTransaccion the statement is prepared once and
// reused until the transaction ends: the engine ties a prepared statement to
// the transaction it was prepared in. Outside one it serves this use only.
// Raises EBaseDatos when the statement does not prepare.
BASEDATOS_EXPORT std::shared_ptr<QSqlQuery> consultaPreparada(const TConexionSesion& conexion, const QString& sql);

// Whether the calling thread holds a transaction open on that database:
// closing its connection then would undo that work.
BASEDATOS_EXPORT bool enTransaccion(const TConexionSesion& conexion);
// Whether the calling thread's connection to that database on a server was
// dropped (the network or the server went away): an open one is tried with a
// trivial statement, inside its open transaction too, whose work is then
// gone; one that is not open is opened. False for an embedded database, and
// for a server that answers with any other error.
BASEDATOS_EXPORT bool perdida(const TConexionSesion& conexion);
// Closes the calling thread's connection to that database (if open),
// rolling back a transaction it holds open.
BASEDATOS_EXPORT void cierra(const TConexionSesion& conexion);
// Closes every connection of the calling thread; worker threads call it
// before they end.
BASEDATOS_EXPORT void cierraHilo();

// Closes the calling thread's connections and shuts the embedded engine down,
// waiting for it. Runs by itself when a process that used the engine exits,
// before the libraries are unloaded: left to the engine's own exit handling,
// its shutdown thread may unload its plugins while the process is already
// unloading them, which crashes the process and can leave the engine's
// shared locks held for every other process of the program. After it, no
// database can be opened in this process.
BASEDATOS_EXPORT void apagaMotor();

// Creates an empty embedded database file (UTF-8 text, the program's page size),
// readable by its owner only (0600). Raises EBaseDatos when the file exists or
// cannot be created, EEntradaSalida when it cannot be restricted.
BASEDATOS_EXPORT void creaBaseDatos(const QString& archivo, const QString& carpetaPrograma);

// Creates an empty database on the server `servidor` reaches (its database
// field is not used) and returns the connection to it: on MariaDB the
// database `nombre`, UTF-8 with binary comparison; on a Firebird server the
// file `nombre` (a path on the server). Raises EBaseDatos saying why in the
// user's words (the account may not create databases, the name is taken,
// the server does not answer), EBaseExistente when the name is taken by one
// someone else made.
BASEDATOS_EXPORT TConexionSesion creaBaseServidor(const TConexionSesion& servidor, const QString& nombre);
// Removes a database creaBaseServidor made, when what was to fill it failed
// before anything of worth was stored. Failures are logged, never raised.
BASEDATOS_EXPORT void eliminaBaseServidor(const TConexionSesion& conexion);

} // namespace Conexiones

// One holder at a time, across workstations, of the lock a database server
// keeps for one of its databases (the import of a business). The server
// holds it for the holder's own connection, so a holder that dies (killed,
// its computer off) lets it go as soon as the server notices; it is never
// left for someone to remove by hand. It may be let go from another thread
// than the one that took it (an import's last thread).
class BASEDATOS_EXPORT TCandadoServidor {
public:
    explicit TCandadoServidor(const TConexionSesion& conexion);
    ~TCandadoServidor();
    TCandadoServidor(const TCandadoServidor&) = delete;
    TCandadoServidor& operator=(const TCandadoServidor&) = delete;

    // Takes it without waiting: false when another holds it. Raises
    // EBaseDatos when the server cannot be reached.
    bool toma();
    bool tomado() const { return m_tomado; }
    // Whether the server still holds it for this holder: a dropped
    // connection lets it go, for anyone to take.
    bool vigente();

private:
    void suelta();
    TConexionSesion m_conexion;
    QString m_nombre;           // of the Qt connection (MariaDB)
    QSqlDatabase m_db;          // that connection, closed whatever thread lets go
    quintptr m_base = 0;        // attachment (Firebird)
    quintptr m_transaccion = 0; // the transaction holding the row (Firebird)
    bool m_tomado = false;
};

// A unit of work: saves made while it lives share one transaction, committed
// by commit() or rolled back when it leaves scope uncommitted. Saves made
// outside one commit on their own. Nesting on the same database joins the
// outer transaction.
class BASEDATOS_EXPORT TTransaccion {
public:
    explicit TTransaccion(const TConexionSesion& conexion);
    ~TTransaccion();
    TTransaccion(const TTransaccion&) = delete;
    TTransaccion& operator=(const TTransaccion&) = delete;
    void commit();
    void rollback();
    // Whether this object began the transaction (false when it joined one).
    bool propia() const { return m_propia; }
    const TConexionSesion& conexion() const { return m_conexion; }

private:
    TConexionSesion m_conexion;
    bool m_propia = false;
    bool m_terminada = false;
};

// A part of a unit of work that can be undone alone: inside the thread's open
// transaction on that database it is a savepoint, so a failed part (one
// imported file) leaves the rest of the transaction as it was; without an open
// transaction it is a transaction of its own. Undone when it leaves scope
// without confirma().
class BASEDATOS_EXPORT TPuntoGuardado {
public:
    explicit TPuntoGuardado(const TConexionSesion& conexion);
    ~TPuntoGuardado();
    TPuntoGuardado(const TPuntoGuardado&) = delete;
    TPuntoGuardado& operator=(const TPuntoGuardado&) = delete;
    // Keeps the part's work (in the enclosing transaction, when there is one).
    void confirma();
    void deshaz();

private:
    void ejecuta(const QString& sql);
    TTransaccion m_transaccion;
    QString m_nombre; // the savepoint, when inside an open transaction
    int m_numero = 0; // of m_nombre, given back to the thread's pool at the end
    bool m_terminado = false;
};
