#include "NegocioPrueba.h"

#include "Constantes.h"
#include "FirmaPermisos.h"
#include "Sistema.h"
#include "negocio/SecretoNegocio.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/TNuevoNegocio.h"

namespace NegocioPrueba {

namespace {

// The SAT publishes these test CSDs under the name of their file set.
QString archivoCsd(const QString& rfc)
{
    if (rfc == RFC_ACCEM)
        return QStringLiteral(VELKOR_DATOS_PRUEBA "/csd/CSD01_") + rfc;
    return QStringLiteral(VELKOR_DATOS_PRUEBA "/csd/") + RFC_ESCUELA;
}

QByteArray plantilla()
{
    const QByteArray bytes = TCarpetaPrograma::lee(TCarpetaPrograma::plantillaNegocio());
    if (bytes.isEmpty())
        qFatal("No se pudo leer %s", qPrintable(TCarpetaPrograma::plantillaNegocio()));
    return bytes;
}

TConexionSesion creaCon(const QString& rfc, const QString& nombre, const QString& razon, const QString& email,
                        const QString& password)
{
    NuevoNegocio::TDatos d;
    d.email = email;
    d.password = password;
    d.nombre = QStringLiteral("Dueño");
    d.nombreEmpresa = nombre;
    d.certificado = certificado(rfc);
    d.llave = llave(rfc);
    d.passwordLlave = PASSWORD_CSD;
    d.rfc = rfc;
    d.razon = razon;
    d.regimen = QStringLiteral("601 - General de Ley Personas Morales");
    const TConexionSesion conexion =
        NuevoNegocio::saveNuevoLocal(d.email, d.rfc, d.razon, NuevoNegocio::destinoLocal(d.rfc), plantilla());
    NuevoNegocio::saveNuevoNegocio(d, conexion, QByteArray());
    limpiaSesion();
    return conexion;
}

} // namespace

QString certificado(const QString& rfc)
{
    return archivoCsd(rfc) + QStringLiteral(".cer");
}

QString llave(const QString& rfc)
{
    return archivoCsd(rfc) + QStringLiteral(".key");
}

void creaRegistro(const TCarpetaPrograma& carpeta)
{
    TBaseDatosLocalFrm::creaTablas(carpeta.archivo(Constantes::DB_USUARIOS));
}

TConexionSesion crea(const QString& rfc, const QString& email, const QString& password, const QString& razon)
{
    return creaCon(rfc, razon, razon, email, password);
}

void registra(const QString& rfc, const QString& nombre, const QString& email, const QString& password,
              const QString& razon)
{
    creaCon(rfc, nombre, razon.isEmpty() ? nombre.toUpper() : razon, email, password);
}

void limpiaSesion()
{
    Sistema::freeNegocio();
    Sistema::freeUsuario();
    Sistema::freeConexion();
}

void fijaPermisos(const QString& banderas)
{
    QString rfc;
    if (Sistema::Negocio)
        if (const auto fiscales = Sistema::Negocio->getDatosfiscales())
            rfc = fiscales->getRfc();
    const QString texto =
        rfc + Constantes::USR_PASS + QLatin1Char('|') + banderas + QStringLiteral("|TRUE|TRUE|TRUE|TRUE");
    // A business kept in memory only gets its secret here.
    const TConexionSesion conexion = Sistema::Conexion ? *Sistema::Conexion : TConexionSesion();
    if (FirmaPermisos::secretoDe(*Sistema::Negocio, Sistema::exePath).motivo != FirmaPermisos::TMotivo::Valido)
        SecretoNegocio::creaSecreto(*Sistema::Negocio, conexion);
    Sistema::UsuarioNegocio->setNivelpermiso(
        SecretoNegocio::firmaPermisos(*Sistema::Negocio, *Sistema::Usuario, texto, conexion));
}

TSucursal agregaSucursal(const QString& nombre)
{
    TSucursal sucursal;
    sucursal.setNombre(nombre);
    sucursal.setTipo(TSucursal::TIPO_SUCURSAL);
    sucursal.setNumerosucursal(TSucursal::SUCURSAL_NO_DEFAULT);
    sucursal.setNegocio(Sistema::Negocio);
    return TSucursal::saveOrUpdate(sucursal, TUnidadTrabajo(*Sistema::Conexion, Sistema::Usuario->getIdusuario()));
}

TSerie agregaSerie(const TSucursal& sucursal, const QString& serie, const QString& tipo, const QString& folio,
                   bool porDefecto)
{
    TSerie s;
    s.setSerie(serie);
    s.setTipodecomprobante(tipo);
    s.setNofolioactual(folio);
    s.setIsdefault(porDefecto);
    s.setSucursal(sucursal);
    return TSerie::saveOrUpdate(s, TUnidadTrabajo(*Sistema::Conexion, Sistema::Usuario->getIdusuario()));
}

} // namespace NegocioPrueba
