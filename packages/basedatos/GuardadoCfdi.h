#pragma once
#include "Cfdv33.h"
#include "Cfdv40.h"
#include "Entidades.h"
#include "Nomina12.h"

#include <optional>

class TBaseDatosCatalogosFrm;
class TCacheCatalogos;

// The work shared by the savers of CFDI 3.3 (TSaveComprobante) and 4.0
// (TSaveComprobante4). Each version is first read into one shape (TLectura);
// what 4.0 adds is filled by its own saver, and one routine stores the shape.
namespace GuardadoCfdi {

// What a saver is given besides the voucher.
struct TAjustes {
    TConexionSesion conexion;
    std::optional<TNegocio> negocio;
    int usuario = -1;
    const TBaseDatosCatalogosFrm* catalogo = nullptr;
    // Shared records an import job already found or made; without it each
    // voucher looks them up itself.
    TCacheCatalogos* catalogos = nullptr;
    QString pathXml;
    QString pathPdf;
    // The seal check, stored with the voucher; empty when it was not checked.
    QString verificacion;
    QString motivoVerificacion;
};

// One tax of a line, of the voucher or of the local-taxes complement, as
// written. `tipo` is TImpuesto::TIPO_IMPUESTO_TRASLADADO or _RETENIDO;
// `clave` the SAT code of a federal tax ("002"), empty for a local one,
// whose name is `nombre`.
struct TImpuestoLeido {
    QString tipo{};
    QString clave{};
    QString nombre{};
    QString tipoFactor{};
    QString tasa{};
    QString base{};
    QString importe{};
};

struct TLinea {
    Cfdv33::TConceptoComun concepto{};
    QString objetoImp{};
    QStringList cuentasPrediales{};
    QString rfcTerceros{};
    QString nombreTerceros{};
    QString regimenTerceros{};
    QString domicilioTerceros{};
};

struct TReceptor {
    QString rfc{};
    QString nombre{};
    QString usoCfdi{};
    QString residenciaFiscal{};
    QString numRegIdTrib{};
    QString regimen{};   // 4.0
    QString domicilio{}; // 4.0: the postal code of the fiscal address
};

struct TLectura {
    Cfdv33::TComprobanteComun comprobante{};
    Cfdv33::IXMLComprobante_Emisor emisor{};
    TReceptor receptor{};
    QList<Cfdv33::IXMLComprobante_CfdiRelacionados> relacionados{};
    QList<TLinea> lineas{};
    QString totalTrasladados{};
    QString totalRetenidos{};
    QList<TImpuestoLeido> impuestos{}; // of the voucher, withholdings first
    // 4.0 only.
    QString exportacion{};
    QString facAtrAdquirente{};
    Cfdv40::IXMLComprobante_InformacionGlobal informacionGlobal{};
};

// Stores a voucher read into `lectura` with its payroll complement (an empty
// view for none) and returns the stored voucher. Raises EBaseDatos when no
// transaction is open on the business database: a voucher is stored whole or
// not at all, so it always joins the caller's unit of work.
TComprobante guarda(const TAjustes& ajustes, const TLectura& lectura, const Nomina12::IXMLNomina& nomina);
void guardaNomina(const TAjustes& ajustes, const Nomina12::IXMLNomina& nomina, const TComprobante& comprobante,
                  const TNegocio& negocio);

// The parts of a line that differ by version.
TLinea linea(const Cfdv33::IXMLComprobante_Conceptos_Concepto& concepto);
TLinea linea(const Cfdv40::IXMLComprobante_Conceptos_Concepto& concepto);
// Only 4.0 gives the base of a transferred tax of the voucher.
inline QString base(const Cfdv33::IXMLComprobante_Impuestos_Traslados_Traslado&)
{
    return {};
}
inline QString base(const Cfdv40::IXMLComprobante_Impuestos_Traslados_Traslado& traslado)
{
    return traslado.Get_Base();
}

// What both versions write alike.
template <class Comprobante> TLectura leeComun(const Comprobante& c)
{
    TLectura l{.comprobante = c, .emisor = c.Get_Emisor()};
    const auto receptor = c.Get_Receptor();
    l.receptor.rfc = receptor.Get_Rfc().trimmed();
    l.receptor.nombre = receptor.Get_Nombre();
    l.receptor.usoCfdi = receptor.Get_UsoCFDI();
    l.receptor.residenciaFiscal = receptor.Get_ResidenciaFiscal();
    l.receptor.numRegIdTrib = receptor.Get_NumRegIdTrib();

    const auto conceptos = c.Get_Conceptos();
    for (int i = 0; i < conceptos.Count(); ++i)
        l.lineas.append(linea(conceptos.Get_Concepto(i)));

    const auto impuestos = c.Get_Impuestos();
    l.totalTrasladados = impuestos.Get_TotalImpuestosTrasladados();
    l.totalRetenidos = impuestos.Get_TotalImpuestosRetenidos();
    const auto retenciones = impuestos.Get_Retenciones();
    for (int i = 0; i < retenciones.Count(); ++i) {
        const auto r = retenciones.Get_Retencion(i);
        l.impuestos.append(
            {.tipo = TImpuesto::TIPO_IMPUESTO_RETENIDO, .clave = r.Get_Impuesto(), .importe = r.Get_Importe()});
    }
    const auto traslados = impuestos.Get_Traslados();
    for (int i = 0; i < traslados.Count(); ++i) {
        const auto t = traslados.Get_Traslado(i);
        l.impuestos.append({.tipo = TImpuesto::TIPO_IMPUESTO_TRASLADADO,
                            .clave = t.Get_Impuesto(),
                            .tipoFactor = t.Get_TipoFactor(),
                            .tasa = t.Get_TasaOCuota(),
                            .base = base(t),
                            .importe = t.Get_Importe()});
    }
    return l;
}

} // namespace GuardadoCfdi
