#include "ContextoTrabajo.h"

#include "Conexiones.h"
#include "Constantes.h"
#include "Entidades.h"
#include "Sistema.h"

namespace ContextoTrabajo {

int siguienteIndice(int actual, int cantidad, int paso)
{
    if (cantidad <= 0)
        return -1;
    const int siguiente = (actual + paso) % cantidad;
    return siguiente < 0 ? siguiente + cantidad : siguiente;
}

int indiceSucursalDefault(const QList<std::shared_ptr<TSucursal>>& sucursales)
{
    for (int i = 0; i < sucursales.size(); ++i)
        if (sucursales.at(i)->getNumerosucursal() == TSucursal::SUCURSAL_DEFAULT)
            return i;
    return 0;
}

QString nombreMostrado(const TSucursal& sucursal)
{
    const QString nombre = sucursal.getNombre();
    return nombre.isEmpty() ? Constantes::SUCURSAL_SIN_NOMBRE
                            : QString(nombre).replace(QLatin1Char('&'), QLatin1Char('_'));
}

std::shared_ptr<TSucursal> mueveSucursal(int paso, const TConexionSesion& conexion, int idUsuario)
{
    if (Sistema::Sucursales.isEmpty())
        Sistema::actualizaSucursales();
    const int cantidad = static_cast<int>(Sistema::Sucursales.size());
    if (cantidad == 0)
        return nullptr;
    const int anterior = qBound(0, Sistema::sucursalIndex, cantidad - 1);
    const int nuevo = siguienteIndice(anterior, cantidad, paso);

    const TUnidadTrabajo unidad(conexion, idUsuario);
    TTransaccion transaccion(conexion);
    TSucursal deja = *Sistema::Sucursales.at(anterior);
    deja.setNumerosucursal(TSucursal::SUCURSAL_NO_DEFAULT);
    deja = TSucursal::saveOrUpdate(deja, unidad);
    TSucursal llega = nuevo == anterior ? deja : *Sistema::Sucursales.at(nuevo);
    llega.setNumerosucursal(TSucursal::SUCURSAL_DEFAULT);
    llega = TSucursal::saveOrUpdate(llega, unidad);
    transaccion.commit();

    Sistema::Sucursales[anterior] = std::make_shared<TSucursal>(deja);
    Sistema::Sucursales[nuevo] = std::make_shared<TSucursal>(llega);
    Sistema::sucursalIndex = nuevo;
    return Sistema::Sucursales.at(nuevo);
}

QList<TSerie> seriesDeSucursal(const TSucursal& sucursal, const QString& tipo, const TConexionSesion& conexion)
{
    TCondicion donde = TSerie::columna(TSerie::col_Sucursal) == sucursal && TSerie::columna(TSerie::col_Status) == 0;
    if (!tipo.isEmpty())
        donde = donde && TSerie::columna(TSerie::col_Tipodecomprobante) == tipo;
    return TSerie::busca(donde, conexion);
}

QStringList nombresSeries(const QList<TSerie>& series)
{
    QStringList nombres;
    for (const TSerie& s : series)
        nombres << s.getSerie();
    return nombres;
}

std::unique_ptr<TSerie> serieDefault(const TSucursal& sucursal, const QString& tipo, const TConexionSesion& conexion)
{
    TCondicion donde = TSerie::columna(TSerie::col_Sucursal) == sucursal && TSerie::columna(TSerie::col_Status) == 0 &&
                       TSerie::columna(TSerie::col_Isdefault) == true;
    if (!tipo.isEmpty())
        donde = donde && TSerie::columna(TSerie::col_Tipodecomprobante) == tipo;
    return TSerie::buscaUno(donde, conexion);
}

std::unique_ptr<TSerie> eligeSerie(const TSucursal& sucursal, const QString& nombre, const TConexionSesion& conexion,
                                   int idUsuario)
{
    std::unique_ptr<TSerie> elegida = TSerie::buscaUno(
        TSerie::columna(TSerie::col_Sucursal) == sucursal && TSerie::columna(TSerie::col_Serie) == nombre, conexion);
    if (!elegida || elegida->getIsdefault())
        return elegida;
    const TUnidadTrabajo unidad(conexion, idUsuario);
    TTransaccion transaccion(conexion);
    // Every other default of the type goes, so a type never ends up with two.
    const QList<TSerie> anteriores =
        TSerie::busca(TSerie::columna(TSerie::col_Sucursal) == sucursal &&
                          TSerie::columna(TSerie::col_Tipodecomprobante) == elegida->getTipodecomprobante() &&
                          TSerie::columna(TSerie::col_Isdefault) == true,
                      conexion);
    for (TSerie anterior : anteriores) {
        anterior.setIsdefault(false);
        TSerie::saveOrUpdate(anterior, unidad);
    }
    elegida->setIsdefault(true);
    *elegida = TSerie::saveOrUpdate(*elegida, unidad);
    transaccion.commit();
    return elegida;
}

} // namespace ContextoTrabajo
