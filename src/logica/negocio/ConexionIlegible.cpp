#include "ConexionIlegible.h"

#include "Constantes.h"
#include "Logmanager.h"
#include "Rutas.h"
#include "Sistema.h"
#include "TBaseDatosLocalFrm.h"
#include "TCadenaConexion.h"
#include "TNuevoNegocio.h"

#include <QFileInfo>

using namespace Constantes;

namespace ConexionIlegible {

bool es(const QString& guardada)
{
    return !TCadenaConexion::deGuardada(guardada).legible();
}

QString baseEnSuCarpeta(const QString& rfc)
{
    for (const QString& ruta :
         {NuevoNegocio::archivoLocal(rfc), Rutas::programa({DB_PATH, rfc, DB_SISTEMA_NOMBRE_ANTERIOR})})
        if (QFileInfo(ruta).isFile())
            return ruta;
    return {};
}

void registraDeNuevo(TBaseDatosLocalFrm& registro, const QString& rfc, const QString& nombre, const QString& base)
{
    // In one step: a registration disabled before its replacement was
    // written would drop the business from the list until a registry rebuild.
    QString error;
    if (!registro.reemplazaConexion(rfc, nombre, TCadenaConexion(DB_SQLITE, {}, {}, {}, base, {}), &error))
        Logmanager::Log(QStringLiteral("No se pudo volver a registrar la empresa %1 con su base de datos %2: %3")
                            .arg(rfc, base, error),
                        3, Sistema::exePath);
    else
        Logmanager::Log(
            QStringLiteral("La empresa %1 quedó registrada de nuevo con su base de datos %2.").arg(rfc, base), 1,
            Sistema::exePath);
}

} // namespace ConexionIlegible
