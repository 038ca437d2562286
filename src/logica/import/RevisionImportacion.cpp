#include "RevisionImportacion.h"

#include "Conexiones.h"
#include "Entidades.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Sistema.h"
#include "negocio/Credenciales.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/Utils.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace RevisionImportacion {

namespace {

TRevision revision(TResultado resultado, const QString& mensaje)
{
    return {resultado, mensaje};
}

TRevision danado(const QString& archivo, const QString& causa)
{
    return revision(TResultado::RegistroDanado,
                    QStringLiteral("El registro de negocios %1 no se puede leer (%2), y no se importó nada. Al "
                                   "iniciar, Velkor aparta un registro dañado y ofrece reconstruirlo.")
                        .arg(archivo, causa));
}

} // namespace

TRevision revisaRegistro()
{
    const QString archivo = TBaseDatosLocalFrm::archivoRegistro();
    if (!QFileInfo(archivo).isFile())
        return danado(archivo, QStringLiteral("no existe"));
    // Taking the write lock and letting it go at once: a program holding it
    // (a write in progress, an open exclusive transaction) refuses it, and
    // so does a file that is no database, each with its own code.
    const QString nombre = QStringLiteral("revision-importacion-") + QUuid::createUuid().toString(QUuid::Id128);
    bool libre = false;
    bool ocupado = false;
    QString causa;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nombre);
        db.setDatabaseName(archivo);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
        if (db.open()) {
            QSqlQuery consulta(db);
            libre = consulta.exec(QStringLiteral("BEGIN IMMEDIATE"));
            if (libre) {
                consulta.exec(QStringLiteral("ROLLBACK"));
            } else {
                const QSqlError error = consulta.lastError();
                // SQLITE_BUSY and SQLITE_LOCKED.
                ocupado =
                    error.nativeErrorCode() == QLatin1String("5") || error.nativeErrorCode() == QLatin1String("6");
                causa = error.text();
            }
            db.close();
        } else {
            causa = db.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase(nombre);
    if (ocupado)
        return revision(TResultado::RegistroOcupado,
                        QStringLiteral("Otro programa ocupa el registro de negocios %1 (%2). Ciérralo e inténtalo "
                                       "de nuevo; no se importó nada.")
                            .arg(archivo, causa));
    if (!libre)
        return danado(archivo, causa);
    if (!TBaseDatosLocalFrm::esLegible(archivo))
        return danado(archivo, QStringLiteral("no es un registro de negocios válido"));
    return {};
}

TRevision revisaCredenciales(const QString& correo, const QString& contrasena)
{
    bool conocido = false;
    for (const QString& linea : registroLocal().getEmpresasDetalle()) {
        const QString cadena = linea.section(QLatin1Char('|'), 2);
        TConexionSesion conexion;
        try {
            if (!Utils::evaluaConexion(conexion, cadena))
                continue;
            const std::unique_ptr<TUsuario> usuario = TUsuario::getInfoByEmail(correo, conexion);
            Conexiones::cierra(conexion);
            if (!usuario)
                continue;
            conocido = true;
            if (Credenciales::esSuPassword(*usuario, contrasena))
                return {};
        } catch (const std::exception& e) {
            // A business that cannot be read now is met again by the files
            // it issued, which then fail with the reason.
            Conexiones::cierra(conexion);
            Logmanager::Log(QStringLiteral("Importación: ") + Errores::describe(e), 1, Sistema::exePath);
        }
    }
    if (!conocido)
        return {};
    return revision(TResultado::ContrasenaAjena,
                    QStringLiteral("La contraseña no es la del usuario %1 en los negocios registrados en este "
                                   "equipo; no se importó nada.")
                        .arg(correo));
}

TRevision revisa(const QString& correo, const QString& contrasena)
{
    const TRevision registro = revisaRegistro();
    return registro.correcta() ? revisaCredenciales(correo, contrasena) : registro;
}

} // namespace RevisionImportacion
