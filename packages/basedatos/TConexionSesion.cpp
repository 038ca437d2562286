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
