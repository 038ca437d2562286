#include "DireccionImportada.h"

#include "Entidades.h"
#include "TBaseDatosCatalogosFrm.h"

namespace DireccionImportada {

std::optional<NuevoNegocio::TDireccion> desdeUbicacion(const Cfdv32::IXMLT_Ubicacion& ubicacion,
                                                       const TBaseDatosCatalogosFrm& catalogo,
                                                       const TConexionSesion* conexion)
{
    if (!ubicacion.existe())
        return std::nullopt;
    NuevoNegocio::TDireccion direccion;
    direccion.calle = ubicacion.Get_calle();
    direccion.noExterior = ubicacion.Get_noExterior();
    direccion.noInterior = ubicacion.Get_noInterior();
    direccion.colonia = ubicacion.Get_colonia();
    direccion.referencia = ubicacion.Get_referencia();

    const QString cp = ubicacion.Get_codigoPostal().trimmed();
    if (cp.isEmpty())
        return direccion;
    direccion.pais = TDireccion::PAIS_MEXICO;
    QStringList filas = catalogo.getCodigoPostalByCP(cp);
    if (filas.isEmpty())
        filas = catalogo.getCodigoPostalAndEstadoByCp(cp);
    std::optional<TCodigopostal> codigo = TCodigopostal::desdeCatalogo(filas);
    direccion.codigoPostalDelCatalogo = codigo.has_value();
    if (!codigo && conexion) {
        if (const std::unique_ptr<TCodigopostal> guardado = TCodigopostal::getByCP(cp, *conexion))
            codigo = *guardado;
    }
    if (codigo) {
        direccion.codigoPostal = cp;
        direccion.estado = codigo->getEstado();
        direccion.municipio = codigo->getMunicipio();
        direccion.localidad = codigo->getLocalidad();
    }
    return direccion;
}

} // namespace DireccionImportada
