#pragma once
#include "ComunesExport.h"
#include "DocumentoXML.h"

// Typed view of the payroll complement 1.2 (namespace
// http://www.sat.gob.mx/nomina12, schema nomina12.xsd), the whole receipt.
// Amounts, dates and catalogue keys are the text as written. The attributes the
// schema types as integers (HorasExtra/@Dias and @HorasExtra,
// SeparacionIndemnizacion/@NumAñosServicio, CompensacionSaldosAFavor/@Año,
// Incapacidad/@DiasIncapacidad) are converted and raise EConversion when absent
// or not integers. CuentaBancaria stays text: it is an account number whose
// leading zeros count and whose 18 digits do not fit an integer.
// Names with "ñ" or "ü" in the schema are spelt with "ni" and "u" in getters.
namespace Nomina12 {

inline constexpr char ESPACIO[] = "http://www.sat.gob.mx/nomina12";

class IXMLNomina_Emisor_EntidadSNCF : public TNodoXML {
public:
    explicit IXMLNomina_Emisor_EntidadSNCF(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_OrigenRecurso() const { return atributo("OrigenRecurso"); }
    QString Get_MontoRecursoPropio() const { return atributo("MontoRecursoPropio"); }
};

class IXMLNomina_Emisor : public TNodoXML {
public:
    explicit IXMLNomina_Emisor(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_Curp() const { return atributo("Curp"); }
    QString Get_RegistroPatronal() const { return atributo("RegistroPatronal"); }
    QString Get_RfcPatronOrigen() const { return atributo("RfcPatronOrigen"); }
    IXMLNomina_Emisor_EntidadSNCF Get_EntidadSNCF() const
    {
        return IXMLNomina_Emisor_EntidadSNCF(hijoPropio("EntidadSNCF"));
    }
};

class IXMLNomina_Receptor_SubContratacion : public TNodoXML {
public:
    explicit IXMLNomina_Receptor_SubContratacion(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_RfcLabora() const { return atributo("RfcLabora"); }
    QString Get_PorcentajeTiempo() const { return atributo("PorcentajeTiempo"); }
};

class IXMLNomina_Receptor_SubContratacionList : public TListaXML {
public:
    IXMLNomina_Receptor_SubContratacionList() = default;
    explicit IXMLNomina_Receptor_SubContratacionList(const TNodoXML& receptor) : TListaXML(receptor, "SubContratacion")
    {
    }
    IXMLNomina_Receptor_SubContratacion Get_SubContratacion(int indice) const
    {
        return IXMLNomina_Receptor_SubContratacion(item(indice));
    }
};

class IXMLNomina_Receptor : public TNodoXML {
public:
    explicit IXMLNomina_Receptor(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_Curp() const { return atributo("Curp"); }
    QString Get_NumSeguridadSocial() const { return atributo("NumSeguridadSocial"); }
    QString Get_FechaInicioRelLaboral() const { return atributo("FechaInicioRelLaboral"); }
    // "Antigüedad"
    QString Get_Antiguedad() const { return atributo("Antigüedad"); }
    QString Get_TipoContrato() const { return atributo("TipoContrato"); }
    QString Get_Sindicalizado() const { return atributo("Sindicalizado"); }
    QString Get_TipoJornada() const { return atributo("TipoJornada"); }
    QString Get_TipoRegimen() const { return atributo("TipoRegimen"); }
    QString Get_NumEmpleado() const { return atributo("NumEmpleado"); }
    QString Get_Departamento() const { return atributo("Departamento"); }
    QString Get_Puesto() const { return atributo("Puesto"); }
    QString Get_RiesgoPuesto() const { return atributo("RiesgoPuesto"); }
    QString Get_PeriodicidadPago() const { return atributo("PeriodicidadPago"); }
    QString Get_Banco() const { return atributo("Banco"); }
    QString Get_CuentaBancaria() const { return atributo("CuentaBancaria"); }
    QString Get_SalarioBaseCotApor() const { return atributo("SalarioBaseCotApor"); }
    QString Get_SalarioDiarioIntegrado() const { return atributo("SalarioDiarioIntegrado"); }
    QString Get_ClaveEntFed() const { return atributo("ClaveEntFed"); }
    IXMLNomina_Receptor_SubContratacionList Get_SubContratacion() const
    {
        return IXMLNomina_Receptor_SubContratacionList(*this);
    }
};

class IXMLNomina_Percepciones_Percepcion_AccionesOTitulos : public TNodoXML {
public:
    explicit IXMLNomina_Percepciones_Percepcion_AccionesOTitulos(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_ValorMercado() const { return atributo("ValorMercado"); }
    QString Get_PrecioAlOtorgarse() const { return atributo("PrecioAlOtorgarse"); }
};

class IXMLNomina_Percepciones_Percepcion_HorasExtra : public TNodoXML {
public:
    explicit IXMLNomina_Percepciones_Percepcion_HorasExtra(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    int Get_Dias() const { return atributoEntero("Dias"); }
    QString Get_TipoHoras() const { return atributo("TipoHoras"); }
    int Get_HorasExtra() const { return atributoEntero("HorasExtra"); }
    QString Get_ImportePagado() const { return atributo("ImportePagado"); }
};

class IXMLNomina_Percepciones_Percepcion_HorasExtraList : public TListaXML {
public:
    IXMLNomina_Percepciones_Percepcion_HorasExtraList() = default;
    explicit IXMLNomina_Percepciones_Percepcion_HorasExtraList(const TNodoXML& percepcion)
        : TListaXML(percepcion, "HorasExtra")
    {
    }
    IXMLNomina_Percepciones_Percepcion_HorasExtra Get_HorasExtra(int indice) const
    {
        return IXMLNomina_Percepciones_Percepcion_HorasExtra(item(indice));
    }
};

class IXMLNomina_Percepciones_Percepcion : public TNodoXML {
public:
    explicit IXMLNomina_Percepciones_Percepcion(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_TipoPercepcion() const { return atributo("TipoPercepcion"); }
    QString Get_Clave() const { return atributo("Clave"); }
    QString Get_Concepto() const { return atributo("Concepto"); }
    QString Get_ImporteGravado() const { return atributo("ImporteGravado"); }
    QString Get_ImporteExento() const { return atributo("ImporteExento"); }
    IXMLNomina_Percepciones_Percepcion_AccionesOTitulos Get_AccionesOTitulos() const
    {
        return IXMLNomina_Percepciones_Percepcion_AccionesOTitulos(hijoPropio("AccionesOTitulos"));
    }
    IXMLNomina_Percepciones_Percepcion_HorasExtraList Get_HorasExtra() const
    {
        return IXMLNomina_Percepciones_Percepcion_HorasExtraList(*this);
    }
};

class IXMLNomina_Percepciones_JubilacionPensionRetiro : public TNodoXML {
public:
    explicit IXMLNomina_Percepciones_JubilacionPensionRetiro(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_TotalUnaExhibicion() const { return atributo("TotalUnaExhibicion"); }
    QString Get_TotalParcialidad() const { return atributo("TotalParcialidad"); }
    QString Get_MontoDiario() const { return atributo("MontoDiario"); }
    QString Get_IngresoAcumulable() const { return atributo("IngresoAcumulable"); }
    QString Get_IngresoNoAcumulable() const { return atributo("IngresoNoAcumulable"); }
};

class IXMLNomina_Percepciones_SeparacionIndemnizacion : public TNodoXML {
public:
    explicit IXMLNomina_Percepciones_SeparacionIndemnizacion(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_TotalPagado() const { return atributo("TotalPagado"); }
    // "NumAñosServicio"
    int Get_NumAniosServicio() const { return atributoEntero("NumAñosServicio"); }
    QString Get_UltimoSueldoMensOrd() const { return atributo("UltimoSueldoMensOrd"); }
    QString Get_IngresoAcumulable() const { return atributo("IngresoAcumulable"); }
    QString Get_IngresoNoAcumulable() const { return atributo("IngresoNoAcumulable"); }
};

class IXMLNomina_Percepciones : public TColeccionXML {
public:
    explicit IXMLNomina_Percepciones(const TNodoXML& nodo = {}) : TColeccionXML(nodo, "Percepcion") {}
    QString Get_TotalSueldos() const { return atributo("TotalSueldos"); }
    QString Get_TotalSeparacionIndemnizacion() const { return atributo("TotalSeparacionIndemnizacion"); }
    QString Get_TotalJubilacionPensionRetiro() const { return atributo("TotalJubilacionPensionRetiro"); }
    QString Get_TotalGravado() const { return atributo("TotalGravado"); }
    QString Get_TotalExento() const { return atributo("TotalExento"); }
    IXMLNomina_Percepciones_Percepcion Get_Percepcion(int indice) const
    {
        return IXMLNomina_Percepciones_Percepcion(item(indice));
    }
    IXMLNomina_Percepciones_JubilacionPensionRetiro Get_JubilacionPensionRetiro() const
    {
        return IXMLNomina_Percepciones_JubilacionPensionRetiro(hijoPropio("JubilacionPensionRetiro"));
    }
    IXMLNomina_Percepciones_SeparacionIndemnizacion Get_SeparacionIndemnizacion() const
    {
        return IXMLNomina_Percepciones_SeparacionIndemnizacion(hijoPropio("SeparacionIndemnizacion"));
    }
};

class IXMLNomina_Deducciones_Deduccion : public TNodoXML {
public:
    explicit IXMLNomina_Deducciones_Deduccion(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_TipoDeduccion() const { return atributo("TipoDeduccion"); }
    QString Get_Clave() const { return atributo("Clave"); }
    QString Get_Concepto() const { return atributo("Concepto"); }
    QString Get_Importe() const { return atributo("Importe"); }
};

class IXMLNomina_Deducciones : public TColeccionXML {
public:
    explicit IXMLNomina_Deducciones(const TNodoXML& nodo = {}) : TColeccionXML(nodo, "Deduccion") {}
    QString Get_TotalOtrasDeducciones() const { return atributo("TotalOtrasDeducciones"); }
    QString Get_TotalImpuestosRetenidos() const { return atributo("TotalImpuestosRetenidos"); }
    IXMLNomina_Deducciones_Deduccion Get_Deduccion(int indice) const
    {
        return IXMLNomina_Deducciones_Deduccion(item(indice));
    }
};

class IXMLNomina_OtrosPagos_OtroPago_SubsidioAlEmpleo : public TNodoXML {
public:
    explicit IXMLNomina_OtrosPagos_OtroPago_SubsidioAlEmpleo(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_SubsidioCausado() const { return atributo("SubsidioCausado"); }
};

class IXMLNomina_OtrosPagos_OtroPago_CompensacionSaldosAFavor : public TNodoXML {
public:
    explicit IXMLNomina_OtrosPagos_OtroPago_CompensacionSaldosAFavor(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_SaldoAFavor() const { return atributo("SaldoAFavor"); }
    // "Año"
    int Get_Anio() const { return atributoEntero("Año"); }
    QString Get_RemanenteSalFav() const { return atributo("RemanenteSalFav"); }
};

class IXMLNomina_OtrosPagos_OtroPago : public TNodoXML {
public:
    explicit IXMLNomina_OtrosPagos_OtroPago(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_TipoOtroPago() const { return atributo("TipoOtroPago"); }
    QString Get_Clave() const { return atributo("Clave"); }
    QString Get_Concepto() const { return atributo("Concepto"); }
    QString Get_Importe() const { return atributo("Importe"); }
    IXMLNomina_OtrosPagos_OtroPago_SubsidioAlEmpleo Get_SubsidioAlEmpleo() const
    {
        return IXMLNomina_OtrosPagos_OtroPago_SubsidioAlEmpleo(hijoPropio("SubsidioAlEmpleo"));
    }
    IXMLNomina_OtrosPagos_OtroPago_CompensacionSaldosAFavor Get_CompensacionSaldosAFavor() const
    {
        return IXMLNomina_OtrosPagos_OtroPago_CompensacionSaldosAFavor(hijoPropio("CompensacionSaldosAFavor"));
    }
};

class IXMLNomina_OtrosPagos : public TColeccionXML {
public:
    explicit IXMLNomina_OtrosPagos(const TNodoXML& nodo = {}) : TColeccionXML(nodo, "OtroPago") {}
    IXMLNomina_OtrosPagos_OtroPago Get_OtroPago(int indice) const
    {
        return IXMLNomina_OtrosPagos_OtroPago(item(indice));
    }
};

class IXMLNomina_Incapacidades_Incapacidad : public TNodoXML {
public:
    explicit IXMLNomina_Incapacidades_Incapacidad(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    int Get_DiasIncapacidad() const { return atributoEntero("DiasIncapacidad"); }
    QString Get_TipoIncapacidad() const { return atributo("TipoIncapacidad"); }
    QString Get_ImporteMonetario() const { return atributo("ImporteMonetario"); }
};

class IXMLNomina_Incapacidades : public TColeccionXML {
public:
    explicit IXMLNomina_Incapacidades(const TNodoXML& nodo = {}) : TColeccionXML(nodo, "Incapacidad") {}
    IXMLNomina_Incapacidades_Incapacidad Get_Incapacidad(int indice) const
    {
        return IXMLNomina_Incapacidades_Incapacidad(item(indice));
    }
};

class IXMLNomina : public TNodoXML {
public:
    explicit IXMLNomina(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_Version() const { return atributo("Version"); }
    QString Get_TipoNomina() const { return atributo("TipoNomina"); }
    QString Get_FechaPago() const { return atributo("FechaPago"); }
    QString Get_FechaInicialPago() const { return atributo("FechaInicialPago"); }
    QString Get_FechaFinalPago() const { return atributo("FechaFinalPago"); }
    QString Get_NumDiasPagados() const { return atributo("NumDiasPagados"); }
    QString Get_TotalPercepciones() const { return atributo("TotalPercepciones"); }
    QString Get_TotalDeducciones() const { return atributo("TotalDeducciones"); }
    QString Get_TotalOtrosPagos() const { return atributo("TotalOtrosPagos"); }
    IXMLNomina_Emisor Get_Emisor() const { return IXMLNomina_Emisor(hijoPropio("Emisor")); }
    IXMLNomina_Receptor Get_Receptor() const { return IXMLNomina_Receptor(hijoPropio("Receptor")); }
    IXMLNomina_Percepciones Get_Percepciones() const { return IXMLNomina_Percepciones(hijoPropio("Percepciones")); }
    IXMLNomina_Deducciones Get_Deducciones() const { return IXMLNomina_Deducciones(hijoPropio("Deducciones")); }
    IXMLNomina_OtrosPagos Get_OtrosPagos() const { return IXMLNomina_OtrosPagos(hijoPropio("OtrosPagos")); }
    IXMLNomina_Incapacidades Get_Incapacidades() const { return IXMLNomina_Incapacidades(hijoPropio("Incapacidades")); }
};

// The receipt that is the document's root, or the element given (a complement
// read in place inside its voucher). EXML when it is not a payroll 1.2 Nomina.
COMUNES_EXPORT IXMLNomina GetNomina(const TDocumentoXML& documento);
COMUNES_EXPORT IXMLNomina GetNomina(const TNodoXML& nodo);
// Every payroll 1.2 complement of a voucher (any version), in document order,
// from all of its Complemento elements.
COMUNES_EXPORT QList<IXMLNomina> deComprobante(const TNodoXML& comprobante);

} // namespace Nomina12
