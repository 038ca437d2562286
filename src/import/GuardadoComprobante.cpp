#include "GuardadoComprobante.h"

#include "Cfdi.h"
#include "DocumentoXML.h"
#include "Entidades.h"
#include "TCacheCatalogos.h"

namespace GuardadoComprobante {

void guarda(const TDocumentoXML& documento, const QString& version, const TContexto& contexto)
{
    Q_UNUSED(version);
    const TUnidadTrabajo unidad(contexto.conexion, contexto.usuario);
    TComprobante comprobante;
    comprobante.setNegocio(contexto.negocio);
    comprobante.setUuid(contexto.uuid);
    comprobante.setComprobantexml(documento.bytes());
    comprobante.setPathxml(contexto.pathXml);
    TComprobante::saveOrUpdate(comprobante, unidad);
}

} // namespace GuardadoComprobante
