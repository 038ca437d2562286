#include "TSucursales.h"

#include "Conexiones.h"
#include "Constantes.h"
#include "Entidades.h"
#include "Errores.h"
#include "TBaseDatosCatalogosFrm.h"

using namespace Constantes;

namespace Sucursales {

namespace {

QString errorCodigoPostal(const NuevoNegocio::TDireccion& direccion)
{
    const QString cp = direccion.codigoPostal.trimmed();
    if (cp.isEmpty())
        return QString(CAMPO_REQUERIDO).replace(CAMPO, CMB_CODIGOPOSTAL);
    const TBaseDatosCatalogosFrm& catalogo = BaseDatosCatalogosFrm();
    if (direccion.estado.trimmed().isEmpty())
        return catalogo.existeCodigoPostalByCP(cp) ? QString() : ERR_CODIGOPOSTA_NO_EXISTE;
    // The state shows as "CMX - Ciudad de México": its key is the first three characters.
    return catalogo.existeCodigoPostalByCPAndEstado(cp, direccion.estado.trimmed().left(3))
               ? QString()
               : ERR_CODIGOPOSTA_NO_EXISTE_EDO;
}

QString errorNombre(const QString& nombre, const TSucursal* editada, const TNegocio& negocio,
                    const TConexionSesion& conexion)
{
    if (nombre.trimmed().isEmpty())
        return ERR_NOMBRE_SUCURSAL_VACIO;
    const std::unique_ptr<TSucursal> misma = TSucursal::getByNombreAndNegocio(nombre, negocio, conexion);
    if (misma && (!editada || misma->getIdsucursal() != editada->getIdsucursal()))
        return ERR_SUCURSAL_YA_EXISTENTE;
    return {};
}

} // namespace

std::unique_ptr<TSucursal> matriz(const TNegocio& negocio, const TConexionSesion& conexion)
{
    return TSucursal::buscaUno(TSucursal::columna(TSucursal::col_Negocio) == negocio &&
                                   TSucursal::columna(TSucursal::col_Tipo) == TSucursal::TIPO_MATRIZ,
                               conexion);
}

QString valida(const TDatos& datos, const TSucursal* editada, const TNegocio& negocio, const TConexionSesion& conexion)
{
    const QString codigo = errorCodigoPostal(datos.direccion);
    const QString nombre = errorNombre(datos.nombre, editada, negocio, conexion);
    QStringList errores;
    if (editada) {
        // Editing names one problem at a time: the name first.
        if (!nombre.isEmpty())
            errores << nombre;
        else if (!codigo.isEmpty())
            errores << codigo;
    } else {
        for (const QString& error : {nombre, codigo})
            if (!error.isEmpty())
                errores << error;
    }
    return errores.isEmpty() ? QString() : MENSAJE_ERROR + errores.join(SALTO);
}

TSucursal guardaNueva(const TDatos& datos, const TNegocio& negocio, const TConexionSesion& conexion, int usuario)
{
    TTransaccion transaccion(conexion);
    const TUnidadTrabajo unidad(conexion, usuario);
    TSucursal sucursal;
    sucursal.setNombre(datos.nombre.trimmed());
    sucursal.setTipo(TSucursal::TIPO_SUCURSAL);
    sucursal.setNumerosucursal(TSucursal::SUCURSAL_NO_DEFAULT);
    sucursal.setDireccion(NuevoNegocio::guardaDireccion(datos.direccion, unidad));
    sucursal.setNegocio(negocio);
    sucursal = TSucursal::saveOrUpdate(sucursal, unidad);
    transaccion.commit();
    return sucursal;
}

TSucursal actualiza(int idSucursal, const TDatos& datos, TNegocio& negocio, const TConexionSesion& conexion,
                    int usuario)
{
    TTransaccion transaccion(conexion);
    const TUnidadTrabajo unidad(conexion, usuario);
    std::unique_ptr<TSucursal> guardada = TSucursal::getById(idSucursal, conexion);
    if (!guardada)
        throw EBaseDatos(QStringLiteral("La sucursal ya no existe; vuelve a abrir la lista de sucursales."));
    TSucursal sucursal = *guardada;
    sucursal.setNombre(datos.nombre.trimmed());
    const std::shared_ptr<TDireccion> anterior = sucursal.getDireccion();
    sucursal.setDireccion(NuevoNegocio::guardaDireccion(datos.direccion, unidad, anterior.get()));
    sucursal.setNegocio(negocio);
    sucursal = TSucursal::saveOrUpdate(sucursal, unidad);

    // The fiscal address follows the head office: a fiscal address of its
    // own takes the same values and the fiscal data is stored with it, so the
    // change reaches the database together with the branch.
    if (sucursal.getTipo() == TSucursal::TIPO_MATRIZ) {
        if (const std::shared_ptr<TDatosfiscales> fiscales = negocio.getDatosfiscales()) {
            TDatosfiscales datosFiscales = *fiscales;
            const std::shared_ptr<TDireccion> fiscal = datosFiscales.getDireccion();
            if (!fiscal || fiscal->getIddireccion() != sucursal.getDireccionId()) {
                datosFiscales.setDireccion(NuevoNegocio::guardaDireccion(datos.direccion, unidad, fiscal.get()));
                TDatosfiscales::saveOrUpdate(datosFiscales, unidad);
            }
        }
    }
    transaccion.commit();
    // Read again, so the business's fiscal data and address are the stored ones.
    if (std::unique_ptr<TNegocio> leido = TNegocio::getById(negocio.getIdnegocio(), conexion))
        negocio = *leido;
    return sucursal;
}

} // namespace Sucursales
