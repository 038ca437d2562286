#pragma once
#include "BaseDatosExport.h"

#include <QString>

// Where a business database lies and how to reach it. For an embedded
// database the server field carries the engine's client library (program
// folder + MOTOR_CLIENTE) and the database field the file path.
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
