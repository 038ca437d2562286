#include "TSaveComprobante.h"

#include "GuardadoCfdi.h"

TSaveComprobante::TSaveComprobante(const QString& pathXml, const QString& pathPdf)
    : m_ajustes(std::make_unique<GuardadoCfdi::TAjustes>())
{
    m_ajustes->pathXml = pathXml;
    m_ajustes->pathPdf = pathPdf;
}

TSaveComprobante::~TSaveComprobante() = default;

void TSaveComprobante::setConexion(const TConexionSesion& conexion)
{
    m_ajustes->conexion = conexion;
}

void TSaveComprobante::setNegocio(const TNegocio& negocio)
{
    m_ajustes->negocio = negocio;
}

void TSaveComprobante::setUsuario(int idUsuario)
{
    m_ajustes->usuario = idUsuario;
}

void TSaveComprobante::setUsuario(const TUsuario& usuario)
{
    m_ajustes->usuario = usuario.getIdusuario();
}

void TSaveComprobante::setUni(const TBaseDatosCatalogosFrm& catalogo)
{
    m_ajustes->catalogo = &catalogo;
}

void TSaveComprobante::setCatalogos(TCacheCatalogos& catalogos)
{
    m_ajustes->catalogos = &catalogos;
}

void TSaveComprobante::setVerificacion(const VerificacionSello::TResultado& verificacion)
{
    m_ajustes->verificacion = VerificacionSello::texto(verificacion.estado);
    m_ajustes->motivoVerificacion = verificacion.motivo;
}

TComprobante TSaveComprobante::SaveBD(const Cfdv33::IXMLComprobante& comprobante, const Nomina12::IXMLNomina& nomina)
{
    GuardadoCfdi::TLectura lectura = GuardadoCfdi::leeComun(comprobante);
    // Version 3.3 has at most one group of related vouchers.
    if (const auto grupo = comprobante.Get_CfdiRelacionados(); grupo.existe())
        lectura.relacionados << grupo;
    return GuardadoCfdi::guarda(ajustes(), lectura, nomina);
}

void TSaveComprobante::guardarNomina(const Nomina12::IXMLNomina& nomina, const TComprobante& comprobante,
                                     const TNegocio& negocio)
{
    GuardadoCfdi::guardaNomina(ajustes(), nomina, comprobante, negocio);
}
