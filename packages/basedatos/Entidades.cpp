#include "Entidades.h"

#define VELKOR_DEFINE_TABLA(Clase, Grupo) \
    const TTabla& Clase::tablaEsquema() \
    { \
        static const TTabla& tabla = Esquema::tabla(QStringLiteral(#Clase)); \
        return tabla; \
    }
VELKOR_ENTIDADES(VELKOR_DEFINE_TABLA)
#undef VELKOR_DEFINE_TABLA

void TConcepto::actualizaColumnaConcepto(const TConexionSesion& conexion)
{
    Esquema::completa(conexion, TGrupoEsquema::ConceptoClaves);
}

void TConcepto::actualizaColumnaPrecios(const TConexionSesion& conexion)
{
    Esquema::completa(conexion, TGrupoEsquema::ConceptoPrecios);
}

void TNominacomprobanteempleado::createTable(const TConexionSesion& conexion)
{
    Esquema::completa(conexion, TGrupoEsquema::NominaEmpleado);
}

void TNuevastablas::createTable(const TConexionSesion& conexion)
{
    Esquema::completa(conexion, TGrupoEsquema::Nuevas);
}

std::unique_ptr<TNegocio> TNegocio::getByRFC(const QString& rfc, const TConexionSesion& conexion)
{
    using F = TDatosfiscales;
    return buscaUno(columna(col_Datosfiscales).en(F::claves(F::columna(F::col_Rfc) == rfc.trimmed())), conexion);
}

std::unique_ptr<TNegocio> TNegocio::getByRFCSinLoad(const QString& rfc, const TConexionSesion& conexion)
{
    return getByRFC(rfc, conexion);
}

std::unique_ptr<TRegimen> TRegimen::getByDescripcion(const QString& descripcion, const TConexionSesion& conexion)
{
    return buscaUno(columna(col_Descripcion) == descripcion, conexion);
}

std::unique_ptr<TSucursal> TSucursal::getByNombreAndNegocio(const QString& nombre, const TNegocio& negocio,
                                                           const TConexionSesion& conexion)
{
    return buscaUno(columna(col_Nombre) == nombre.trimmed() && columna(col_Negocio) == negocio, conexion);
}

QList<TSucursal> TSucursal::getByNegocio(const TNegocio& negocio, const TConexionSesion& conexion)
{
    return busca(columna(col_Negocio) == negocio, conexion);
}

std::unique_ptr<TCodigopostal> TCodigopostal::getByCP(const QString& cp, const TConexionSesion& conexion)
{
    return buscaUno(columna(col_Cp) == cp.trimmed(), conexion);
}

std::unique_ptr<TUsuario> TUsuario::getInfoByEmail(const QString& email, const TConexionSesion& conexion)
{
    return buscaUno(columna(col_Email).igualSinMayusculas(email), conexion);
}

std::unique_ptr<TUsuarionegocio> TUsuarionegocio::getByUsuarioAndNegocio(const TUsuario& usuario,
                                                                         const TNegocio& negocio,
                                                                         const TConexionSesion& conexion)
{
    return buscaUno(columna(col_Idusuario) == usuario && columna(col_Idnegocio) == negocio, conexion);
}

std::unique_ptr<TCertificado> TCertificado::getByNegocio(const TNegocio& negocio, const TConexionSesion& conexion)
{
    return buscaUno(columna(col_Negocio) == negocio, conexion, columna(col_Idcertificado).descendente());
}

std::unique_ptr<TComprobante> TComprobante::getByUUIDAndNegocio(const QString& uuid, const TNegocio& negocio,
                                                                const TConexionSesion& conexion)
{
    return buscaUno(columna(col_Uuid) == uuid.trimmed().toUpper() && columna(col_Negocio) == negocio, conexion);
}
