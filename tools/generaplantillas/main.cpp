// Build-time generator of the empty databases the resource package ships:
// the business database with the whole schema and the local registry of
// businesses, and the resource list naming them (DB_SISTEMA_NOMBRE_RESOURCE,
// RS_USRDB). Usage: generaplantillas <output folder> <program folder> <list.qrc>
#include "../ArchivoQrc.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Errores.h"
#include "Esquema.h"
#include "Rutas.h"
#include "negocio/TBaseDatosLocalFrm.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

namespace {

void reemplaza(const QString& temporal, const QString& destino)
{
    QFile::remove(destino);
    if (!QFile::rename(temporal, destino))
        throw EEntradaSalida(QStringLiteral("No se pudo escribir %1").arg(destino));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "uso: generaplantillas <carpeta de salida> <carpeta del programa> <archivo.qrc>\n");
        return 2;
    }
    const QString salida = QDir(args.at(1)).absolutePath();
    const QString programa = Rutas::comoCarpeta(QDir(args.at(2)).absolutePath());
    QDir().mkpath(salida);
    try {
        const QString negocio = Rutas::une(salida, {Constantes::DB_SISTEMA_NOMBRE_RESOURCE + QStringLiteral(".fdb")});
        const QString negocioTemporal = negocio + QStringLiteral(".%1.tmp").arg(QCoreApplication::applicationPid());
        QFile::remove(negocioTemporal);
        Conexiones::creaBaseDatos(negocioTemporal, programa);
        {
            const TConexionSesion conexion = TConexionSesion::embebida(negocioTemporal, programa);
            Esquema::completaTodo(conexion);
            Conexiones::cierra(conexion);
        }
        reemplaza(negocioTemporal, negocio);

        const QString registro = Rutas::une(salida, {Constantes::RS_USRDB + QStringLiteral(".db")});
        const QString registroTemporal = registro + QStringLiteral(".%1.tmp").arg(QCoreApplication::applicationPid());
        QFile::remove(registroTemporal);
        TBaseDatosLocalFrm::creaTablas(registroTemporal);
        reemplaza(registroTemporal, registro);

        if (!escribeQrc(args.at(3), PREFIJO_RECURSOS,
                        {{Constantes::DB_SISTEMA_NOMBRE_RESOURCE, negocio}, {Constantes::RS_USRDB, registro}}))
            throw EEntradaSalida(QStringLiteral("No se pudo escribir %1").arg(args.at(3)));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", qPrintable(Errores::describe(e)));
        return 1;
    }
    return 0;
}
