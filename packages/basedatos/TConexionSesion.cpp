#include "TConexionSesion.h"

#include "Constantes.h"
#include "Rutas.h"

TConexionSesion TConexionSesion::embebida(const QString& archivo, const QString& carpetaPrograma)
{
    TConexionSesion conexion;
    conexion.setProvider(Constantes::DB_INTERBASE);
    conexion.setUsername(Constantes::DB_USER);
    conexion.setPassword(Constantes::DB_PASSWORD);
    conexion.setServer(Rutas::une(carpetaPrograma, {Constantes::MOTOR_CLIENTE}));
    conexion.setDatabase(archivo);
    return conexion;
}

TConexionSesion TConexionSesion::servidor(TMotor motor, const QString& usuario, const QString& password,
                                          const QString& host, const QString& puerto, const QString& baseDatos)
{
    TConexionSesion conexion;
    conexion.setProvider(motor == TMotor::MariaDB ? Constantes::DB_MySQL : Constantes::DB_FIREBIRD_SERVIDOR);
    conexion.setUsername(usuario);
    conexion.setPassword(password);
    conexion.setServer(host);
    conexion.setPuerto(puerto);
    conexion.setDatabase(baseDatos);
    return conexion;
}

TMotor TConexionSesion::motor() const
{
    if (m_provider == Constantes::DB_MySQL)
        return TMotor::MariaDB;
    if (m_provider == Constantes::DB_FIREBIRD_SERVIDOR)
        return TMotor::FirebirdServidor;
    return TMotor::Embebido;
}

int TConexionSesion::puertoEfectivo() const
{
    bool ok = false;
    const int puerto = m_puerto.trimmed().toInt(&ok);
    if (ok && puerto > 0)
        return puerto;
    switch (motor()) {
    case TMotor::MariaDB:
        return Constantes::PUERTO_MARIADB.toInt();
    case TMotor::FirebirdServidor:
        return Constantes::PUERTO_FIREBIRD.toInt();
    case TMotor::Embebido:
        break;
    }
    return 0;
}

QString TConexionSesion::descripcion() const
{
    if (!enServidor())
        return m_database;
    return QStringLiteral("%1@%2:%3/%4").arg(m_username, m_server).arg(puertoEfectivo()).arg(m_database);
}
