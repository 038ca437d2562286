#include "GuardadoComprobante.h"

#include "Cfdv32.h"
#include "Cfdv33.h"
#include "Cfdv40.h"
#include "Constantes.h"
#include "DocumentoXML.h"
#include "Importacion32.h"
#include "Nomina12.h"
#include "TSaveComprobante.h"
#include "TSaveComprobante4.h"

using Constantes::CFDI_32;
using Constantes::CFDI_33;
using Constantes::CFDI_40;

namespace GuardadoComprobante {

namespace {

// The payroll 1.2 complement, when there is one (the last, when several).
Nomina12::IXMLNomina nomina(const TDocumentoXML& documento)
{
    const QList<Nomina12::IXMLNomina> nominas = Nomina12::deComprobante(documento.raiz());
    return nominas.isEmpty() ? Nomina12::IXMLNomina() : nominas.last();
}

void prepara(TSaveComprobante& guardador, const TContexto& contexto)
{
    guardador.setNegocio(contexto.negocio);
    guardador.setUsuario(contexto.usuario);
    guardador.setConexion(contexto.conexion);
    guardador.setUni(contexto.catalogo);
    guardador.setCatalogos(contexto.catalogos);
    if (contexto.verificacion)
        guardador.setVerificacion(*contexto.verificacion);
}

} // namespace

void guarda(const TDocumentoXML& documento, const QString& version, const TContexto& contexto)
{
    if (version == CFDI_32) {
        Importacion32::guarda(Cfdv32::GetComprobante(documento), contexto);
    } else if (version == CFDI_33) {
        TSaveComprobante guardador(contexto.pathXml, QString());
        prepara(guardador, contexto);
        guardador.SaveBD(Cfdv33::GetComprobante(documento), nomina(documento));
    } else if (version == CFDI_40) {
        TSaveComprobante4 guardador(contexto.pathXml, QString());
        prepara(guardador, contexto);
        guardador.SaveBD(Cfdv40::GetComprobante(documento), nomina(documento));
    } else {
        throw EXML(QStringLiteral("No se reconoce la versión de CFDI \"%1\".").arg(version));
    }
}

} // namespace GuardadoComprobante
