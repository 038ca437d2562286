#pragma once
#include "BaseDatosExport.h"

#include <QString>

// The engine a business database lives in.
enum class TMotor {
    Embebido,        // a file opened by the program's own engine
    MariaDB,         // a database on a MariaDB (or MySQL) server
    FirebirdServidor // a database file held by a Firebird server
};

// Where a business database lies and how to reach it. For an embedded
// database the server field carries the engine's client library (program
// folder + MOTOR_CLIENTE) and the database field the file path. For a
// server, the server field is its host, the port its port (empty: the
// engine's usual one), and the database field the database's name (MariaDB)
// or its path on the server (Firebird).
class BASEDATOS_EXPORT TConexionSesion {
public:
    QString getProvider() const { return m_provider; }
    void setProvider(const QString& v) { m_provider = v; }
    QString getUsername() const { return m_username; }
    void setUsername(const QString& v) { m_username = v; }
    QString getPassword() const { return m_password; }
    void setPassword(const QString& v) { m_password = v; }
    QString getServer() const { return m_server; }
    void setServer(const QString& v) { m_server = v; }
    QString getDatabase() const { return m_database; }
    void setDatabase(const QString& v) { m_database = v; }
    QString getPuerto() const { return m_puerto; }
    void setPuerto(const QString& v) { m_puerto = v; }
    int getId() const { return m_id; }
    void setId(int v) { m_id = v; }

    // Connection to an embedded database file with the program's engine.
    static TConexionSesion embebida(const QString& archivo, const QString& carpetaPrograma);
    // Connection to a database on a server (`motor` is not Embebido).
    static TConexionSesion servidor(TMotor motor, const QString& usuario, const QString& password, const QString& host,
                                    const QString& puerto, const QString& baseDatos);

    // By the provider: DB_MySQL is MariaDB, DB_FIREBIRD_SERVIDOR a Firebird
    // server, anything else the embedded engine.
    TMotor motor() const;
    bool enServidor() const { return motor() != TMotor::Embebido; }
    // The port to dial: the one given, or the engine's usual one.
    int puertoEfectivo() const;
    // How logs and messages name the database: the file, or
    // "usuario@host:puerto/base" for a server. Never the password.
    QString descripcion() const;

    bool operator==(const TConexionSesion&) const = default;

private:
    QString m_provider;
    QString m_username;
    QString m_password;
    QString m_server;
    QString m_database;
    QString m_puerto;
    int m_id = -1;
};
