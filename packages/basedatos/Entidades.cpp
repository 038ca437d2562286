#include "Entidades.h"

#define VELKOR_DEFINE_TABLA(Clase) \
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
    return buscaUno(QStringLiteral("\"DATOSFISCALES\" IN (SELECT \"IDDATOSFISCALES\" FROM \"DATOSFISCALES\" "
                                   "WHERE \"RFC\" = ?)"),
                    {rfc.trimmed()}, conexion);
}

std::unique_ptr<TNegocio> TNegocio::getByRFCSinLoad(const QString& rfc, const TConexionSesion& conexion)
{
    return getByRFC(rfc, conexion);
}

std::unique_ptr<TRegimen> TRegimen::getByDescripcion(const QString& descripcion, const TConexionSesion& conexion)
{
    return buscaUno(QStringLiteral("\"DESCRIPCION\" = ?"), {descripcion}, conexion);
}

std::unique_ptr<TCodigopostal> TCodigopostal::getByCP(const QString& cp, const TConexionSesion& conexion)
{
    return buscaUno(QStringLiteral("\"CP\" = ?"), {cp.trimmed()}, conexion);
}

std::unique_ptr<TUsuario> TUsuario::getInfoByEmail(const QString& email, const TConexionSesion& conexion)
{
    return buscaUno(QStringLiteral("LOWER(\"EMAIL\") = ?"), {email.trimmed().toLower()}, conexion);
}

std::unique_ptr<TUsuarionegocio> TUsuarionegocio::getByUsuarioAndNegocio(const TUsuario& usuario,
                                                                         const TNegocio& negocio,
                                                                         const TConexionSesion& conexion)
{
    return buscaUno(QStringLiteral("\"IDUSUARIO\" = ? AND \"IDNEGOCIO\" = ?"),
                    {usuario.getIdusuario(), negocio.getIdnegocio()}, conexion);
}

std::unique_ptr<TCertificado> TCertificado::getByNegocio(const TNegocio& negocio, const TConexionSesion& conexion)
{
    return buscaUno(QStringLiteral("\"NEGOCIO\" = ?"), {negocio.getIdnegocio()}, conexion,
                    QStringLiteral("\"IDCERTIFICADO\" DESC"));
}
