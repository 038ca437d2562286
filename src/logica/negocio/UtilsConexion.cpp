#include "Utils.h"

#include "Conexiones.h"
#include "Constantes.h"
#include "Dialecto.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Reloj.h"
#include "Sistema.h"
#include "TCadenaConexion.h"

#include <QFileInfo>
#include <QTime>

namespace Utils {

namespace {

bool existeArchivo(const QString& ruta)
{
    return !ruta.isEmpty() && QFileInfo(ruta).isFile();
}

} // namespace

QString generaStrConexion(const QStringList& registro)
{
    return TCadenaConexion::deRegistro(registro).plano();
}

QStringList transformaStringConexion(const QString& cadena)
{
    return TCadenaConexion::deGuardada(cadena).campos();
}

bool validaConexionString(const QString& cadena)
{
    const TCadenaConexion campos = TCadenaConexion::deGuardada(cadena);
    // Its provider reads empty: a string nobody can read names no database.
    if (!campos.legible())
        return false;
    const QString proveedor = campos.getProveedor();
    if (proveedor == Constantes::DB_SQLITE) {
        if (existeArchivo(campos.baseDatosEn(Sistema::exePath)))
            return true;
        mensaje(Constantes::ERR_EXISTE_NEGOCIO, Constantes::MSG_WARNING);
        return false;
    }
    // A server database is accepted as written: the sign-in opens every
    // business as an embedded file anyway, so probing a server here would
    // only delay the user.
    if (proveedor == Constantes::DB_MySQL)
        return true;
    return false;
}

bool evaluaConexion(TConexionSesion& conexion, const QString& cadena)
{
    TFallaServidor falla = TFallaServidor::Otra;
    return evaluaConexion(conexion, cadena, falla);
}

QString fallaServidor(TFallaServidor falla)
{
    switch (falla) {
    case TFallaServidor::NoResponde:
        return QStringLiteral("El servidor no responde: revisa que esté encendido y que este equipo llegue a él por "
                              "la red.");
    case TFallaServidor::CuentaRechazada:
        return QStringLiteral("El servidor no aceptó la cuenta o la contraseña guardadas en este equipo (quizá la "
                              "contraseña de la cuenta cambió): escribe la cuenta y la contraseña nuevas en "
                              "\"Conectar a una empresa en un servidor\", en la página de ingreso.");
    case TFallaServidor::BaseInexistente:
        return QStringLiteral("El servidor responde, pero ya no tiene esa base de datos (se borró o se movió): pide "
                              "al administrador del servidor que la devuelva a su lugar, o restaura un respaldo de la "
                              "empresa con \"Restaurar en un servidor…\".");
    case TFallaServidor::Otra:
        break;
    }
    return QStringLiteral("El servidor no abrió la base de datos; el detalle quedó en la bitácora del programa.");
}

TConexionSesion conexionGuardada(const QString& cadena)
{
    const TCadenaConexion campos = TCadenaConexion::deGuardada(cadena);
    TConexionSesion servidor;
    servidor.setProvider(campos.getProveedor());
    // A registry written before servers were supported may say "MySQL" for
    // a business kept in a file here: it stays a file.
    const bool archivoAntiguo =
        campos.getServidor().trimmed().isEmpty() && existeArchivo(campos.baseDatosEn(Sistema::exePath));
    if (servidor.enServidor() && !archivoAntiguo)
        return TConexionSesion::servidor(servidor.motor(), campos.getUsuario(), campos.getPassword(),
                                         campos.getServidor(), campos.getPuerto(), campos.getBaseDatos());
    // Any other provider is a file of the embedded engine: strings restored
    // from backups say "SQLITE".
    TConexionSesion archivo = TConexionSesion::embebida(campos.baseDatosEn(Sistema::exePath), Sistema::exePath);
    archivo.setPuerto(campos.getPuerto());
    return archivo;
}

bool evaluaConexion(TConexionSesion& conexion, const QString& cadena, TFallaServidor& falla)
{
    conexion = conexionGuardada(cadena);
    if (conexion.enServidor()) {
        try {
            Conexiones::baseDatos(conexion);
            return true;
        } catch (const EServidorNoAbre& error) {
            Logmanager::Log(error.mensaje(), 3, Sistema::exePath);
            falla = error.falla();
            return false;
        } catch (const EBaseDatos& error) {
            Logmanager::Log(error.mensaje(), 3, Sistema::exePath);
            falla = TFallaServidor::Otra;
            return false;
        }
    }
    return existeArchivo(conexion.getDatabase());
}

QDateTime stringToDateTimeSQL(const QString& texto)
{
    QString normal = texto;
    normal.replace(QLatin1Char('T'), QLatin1Char(' '));
    const qsizetype espacio = normal.indexOf(QLatin1Char(' '));
    // Date and time are parsed apart so a wall-clock time that falls in a
    // daylight-saving gap of the machine's zone is not taken for bad text.
    const QDate fecha = espacio < 0 ? QDate() : QDate::fromString(normal.left(espacio), QStringLiteral("yyyy-MM-dd"));
    const QTime hora = espacio < 0 ? QTime() : QTime::fromString(normal.mid(espacio + 1), QStringLiteral("HH:mm:ss"));
    if (!fecha.isValid() || !hora.isValid())
        throw EConversion(QStringLiteral("\"%1\" no es una fecha y hora válida (aaaa-mm-dd hh:mm:ss).").arg(texto));
    return Reloj::deReloj(fecha, hora);
}

QDate stringToDate(const QString& texto)
{
    const QDate fecha = QDate::fromString(texto, QStringLiteral("yyyy-MM-dd"));
    if (!fecha.isValid())
        throw EConversion(QStringLiteral("\"%1\" no es una fecha válida (aaaa-mm-dd).").arg(texto));
    return fecha;
}

} // namespace Utils
