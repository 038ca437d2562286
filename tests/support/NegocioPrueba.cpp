#include "NegocioPrueba.h"

#include "Constantes.h"
#include "Entidades.h"
#include "Sistema.h"
#include "TBaseDatosLocalFrm.h"
#include "TNuevoNegocio.h"

#include <QFile>

namespace NegocioPrueba {

void creaRegistro(const TCarpetaPrograma& programa)
{
    TBaseDatosLocalFrm::creaTablas(programa.archivo(Constantes::DB_USUARIOS));
}

TConexionSesion crea(const QString& rfc, const QString& email, const QString& password, const QString& razon)
{
    const QString csd = QStringLiteral(VELKOR_DATOS_PRUEBA "/csd/EKU9003173C9");
    NuevoNegocio::TDatos datos;
    datos.email = email;
    datos.password = password;
    datos.nombre = QStringLiteral("Dueño");
    datos.nombreEmpresa = razon;
    datos.certificado = csd + QStringLiteral(".cer");
    datos.llave = csd + QStringLiteral(".key");
    datos.passwordLlave = QStringLiteral("12345678a");
    datos.rfc = rfc;
    datos.razon = razon;
    datos.regimen = QStringLiteral("601 - General de Ley Personas Morales");
    QFile plantilla(TCarpetaPrograma::plantillaNegocio());
    if (!plantilla.open(QIODevice::ReadOnly))
        qFatal("No se pudo leer %s", qPrintable(plantilla.fileName()));
    const TConexionSesion conexion =
        NuevoNegocio::saveNuevoLocal(email, rfc, razon, NuevoNegocio::destinoLocal(rfc), plantilla.readAll());
    NuevoNegocio::saveNuevoNegocio(datos, conexion, QByteArray());
    limpiaSesion();
    return conexion;
}

void limpiaSesion()
{
    Sistema::freeNegocio();
    Sistema::freeUsuario();
    Sistema::freeConexion();
}

} // namespace NegocioPrueba
