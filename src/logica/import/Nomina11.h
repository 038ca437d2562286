#pragma once
#include "DocumentoXML.h"

// Typed view of the payroll complement 1.1 (namespace
// http://www.sat.gob.mx/nomina, schema nomina11.xsd), which version 3.2
// vouchers carry. Getters read the document when called, and the few setters
// (only those something calls; the import only reads) write it; nothing is
// copied. Amounts, dates and decimal quantities are text; the
// attributes the schema types as integers are read as int, and reading one that
// is absent, empty, not an integer or out of the 32-bit range raises
// EConversion (callers test tieneAtributo first where the attribute is
// optional). A child getter creates the child element when it is absent, so
// its lists count 0 rather than failing.
//
// Each class is the TXML node class of its element; the IXML names are the
// same types.
namespace Nomina11 {

inline constexpr char ESPACIO[] = "http://www.sat.gob.mx/nomina";

class TXMLNomina_Percepciones_Percepcion : public TNodoXML {
public:
    explicit TXMLNomina_Percepciones_Percepcion(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    int Get_TipoPercepcion() const { return atributoEntero("TipoPercepcion"); }
    QString Get_Clave() const { return atributo("Clave"); }
    QString Get_Concepto() const { return atributo("Concepto"); }
    QString Get_ImporteGravado() const { return atributo("ImporteGravado"); }
    QString Get_ImporteExento() const { return atributo("ImporteExento"); }
    void Set_TipoPercepcion(int valor) { fijaAtributo("TipoPercepcion", valor); }
    void Set_Clave(const QString& valor) { fijaAtributo("Clave", valor); }
};

class TXMLNomina_Percepciones : public TColeccionXML {
public:
    explicit TXMLNomina_Percepciones(const TNodoXML& nodo = {}) : TColeccionXML(nodo, "Percepcion") {}
    QString Get_TotalGravado() const { return atributo("TotalGravado"); }
    QString Get_TotalExento() const { return atributo("TotalExento"); }
    TXMLNomina_Percepciones_Percepcion Get_Percepcion(int indice) const
    {
        return TXMLNomina_Percepciones_Percepcion(item(indice));
    }
    void Set_TotalGravado(const QString& valor) { fijaAtributo("TotalGravado", valor); }
    TXMLNomina_Percepciones_Percepcion Add() { return TXMLNomina_Percepciones_Percepcion(agregaItem()); }
    TXMLNomina_Percepciones_Percepcion Insert(int indice)
    {
        return TXMLNomina_Percepciones_Percepcion(insertaItem(indice));
    }
};

class TXMLNomina_Deducciones_Deduccion : public TNodoXML {
public:
    explicit TXMLNomina_Deducciones_Deduccion(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    int Get_TipoDeduccion() const { return atributoEntero("TipoDeduccion"); }
    QString Get_Clave() const { return atributo("Clave"); }
    QString Get_Concepto() const { return atributo("Concepto"); }
    QString Get_ImporteGravado() const { return atributo("ImporteGravado"); }
    QString Get_ImporteExento() const { return atributo("ImporteExento"); }
};

class TXMLNomina_Deducciones : public TColeccionXML {
public:
    explicit TXMLNomina_Deducciones(const TNodoXML& nodo = {}) : TColeccionXML(nodo, "Deduccion") {}
    QString Get_TotalGravado() const { return atributo("TotalGravado"); }
    QString Get_TotalExento() const { return atributo("TotalExento"); }
    TXMLNomina_Deducciones_Deduccion Get_Deduccion(int indice) const
    {
        return TXMLNomina_Deducciones_Deduccion(item(indice));
    }
    TXMLNomina_Deducciones_Deduccion Add() { return TXMLNomina_Deducciones_Deduccion(agregaItem()); }
    TXMLNomina_Deducciones_Deduccion Insert(int indice)
    {
        return TXMLNomina_Deducciones_Deduccion(insertaItem(indice));
    }
};

class TXMLNomina_Incapacidades_Incapacidad : public TNodoXML {
public:
    explicit TXMLNomina_Incapacidades_Incapacidad(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_DiasIncapacidad() const { return atributo("DiasIncapacidad"); }
    int Get_TipoIncapacidad() const { return atributoEntero("TipoIncapacidad"); }
    QString Get_Descuento() const { return atributo("Descuento"); }
    void Set_DiasIncapacidad(const QString& valor) { fijaAtributo("DiasIncapacidad", valor); }
    void Set_TipoIncapacidad(int valor) { fijaAtributo("TipoIncapacidad", valor); }
};

class TXMLNomina_Incapacidades : public TColeccionXML {
public:
    explicit TXMLNomina_Incapacidades(const TNodoXML& nodo = {}) : TColeccionXML(nodo, "Incapacidad") {}
    TXMLNomina_Incapacidades_Incapacidad Get_Incapacidad(int indice) const
    {
        return TXMLNomina_Incapacidades_Incapacidad(item(indice));
    }
    TXMLNomina_Incapacidades_Incapacidad Add() { return TXMLNomina_Incapacidades_Incapacidad(agregaItem()); }
    TXMLNomina_Incapacidades_Incapacidad Insert(int indice)
    {
        return TXMLNomina_Incapacidades_Incapacidad(insertaItem(indice));
    }
};

class TXMLNomina_HorasExtras_HorasExtra : public TNodoXML {
public:
    explicit TXMLNomina_HorasExtras_HorasExtra(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    int Get_Dias() const { return atributoEntero("Dias"); }
    QString Get_TipoHoras() const { return atributo("TipoHoras"); }
    int Get_HorasExtra() const { return atributoEntero("HorasExtra"); }
    QString Get_ImportePagado() const { return atributo("ImportePagado"); }
    void Set_Dias(int valor) { fijaAtributo("Dias", valor); }
    void Set_TipoHoras(const QString& valor) { fijaAtributo("TipoHoras", valor); }
    void Set_HorasExtra(int valor) { fijaAtributo("HorasExtra", valor); }
};

class TXMLNomina_HorasExtras : public TColeccionXML {
public:
    explicit TXMLNomina_HorasExtras(const TNodoXML& nodo = {}) : TColeccionXML(nodo, "HorasExtra") {}
    TXMLNomina_HorasExtras_HorasExtra Get_HorasExtra(int indice) const
    {
        return TXMLNomina_HorasExtras_HorasExtra(item(indice));
    }
    TXMLNomina_HorasExtras_HorasExtra Add() { return TXMLNomina_HorasExtras_HorasExtra(agregaItem()); }
    TXMLNomina_HorasExtras_HorasExtra Insert(int indice)
    {
        return TXMLNomina_HorasExtras_HorasExtra(insertaItem(indice));
    }
};

class TXMLNomina : public TNodoXML {
public:
    explicit TXMLNomina(const TNodoXML& nodo = {}) : TNodoXML(nodo) {}
    QString Get_Version() const { return atributo("Version"); }
    QString Get_RegistroPatronal() const { return atributo("RegistroPatronal"); }
    QString Get_NumEmpleado() const { return atributo("NumEmpleado"); }
    QString Get_CURP() const { return atributo("CURP"); }
    int Get_TipoRegimen() const { return atributoEntero("TipoRegimen"); }
    QString Get_NumSeguridadSocial() const { return atributo("NumSeguridadSocial"); }
    QString Get_FechaPago() const { return atributo("FechaPago"); }
    QString Get_FechaInicialPago() const { return atributo("FechaInicialPago"); }
    QString Get_FechaFinalPago() const { return atributo("FechaFinalPago"); }
    QString Get_NumDiasPagados() const { return atributo("NumDiasPagados"); }
    QString Get_Departamento() const { return atributo("Departamento"); }
    int Get_CLABE() const { return atributoEntero("CLABE"); }
    int Get_Banco() const { return atributoEntero("Banco"); }
    QString Get_FechaInicioRelLaboral() const { return atributo("FechaInicioRelLaboral"); }
    int Get_Antiguedad() const { return atributoEntero("Antiguedad"); }
    QString Get_Puesto() const { return atributo("Puesto"); }
    QString Get_TipoContrato() const { return atributo("TipoContrato"); }
    QString Get_TipoJornada() const { return atributo("TipoJornada"); }
    QString Get_PeriodicidadPago() const { return atributo("PeriodicidadPago"); }
    QString Get_SalarioBaseCotApor() const { return atributo("SalarioBaseCotApor"); }
    int Get_RiesgoPuesto() const { return atributoEntero("RiesgoPuesto"); }
    QString Get_SalarioDiarioIntegrado() const { return atributo("SalarioDiarioIntegrado"); }
    TXMLNomina_Percepciones Get_Percepciones() const
    {
        return TXMLNomina_Percepciones(hijoPropioCreado("Percepciones"));
    }
    TXMLNomina_Deducciones Get_Deducciones() const { return TXMLNomina_Deducciones(hijoPropioCreado("Deducciones")); }
    TXMLNomina_Incapacidades Get_Incapacidades() const
    {
        return TXMLNomina_Incapacidades(hijoPropioCreado("Incapacidades"));
    }
    TXMLNomina_HorasExtras Get_HorasExtras() const { return TXMLNomina_HorasExtras(hijoPropioCreado("HorasExtras")); }
    void Set_TipoRegimen(int valor) { fijaAtributo("TipoRegimen", valor); }
    void Set_Departamento(const QString& valor) { fijaAtributo("Departamento", valor); }
    void Set_CLABE(int valor) { fijaAtributo("CLABE", valor); }
};

using IXMLNomina = TXMLNomina;
using IXMLNomina_Percepciones = TXMLNomina_Percepciones;
using IXMLNomina_Percepciones_Percepcion = TXMLNomina_Percepciones_Percepcion;
using IXMLNomina_Deducciones = TXMLNomina_Deducciones;
using IXMLNomina_Deducciones_Deduccion = TXMLNomina_Deducciones_Deduccion;
using IXMLNomina_Incapacidades = TXMLNomina_Incapacidades;
using IXMLNomina_Incapacidades_Incapacidad = TXMLNomina_Incapacidades_Incapacidad;
using IXMLNomina_HorasExtras = TXMLNomina_HorasExtras;
using IXMLNomina_HorasExtras_HorasExtra = TXMLNomina_HorasExtras_HorasExtra;

// The receipt that is the document's root ("Nomina" of the payroll 1.1
// namespace), or the element given (the complement read in place inside its
// voucher, its prefix declared there or on any ancestor). EXML otherwise.
IXMLNomina GetNomina(const TDocumentoXML& documento);
IXMLNomina GetNomina(const TNodoXML& nodo);
// Every payroll 1.1 complement of a voucher, in document order, from all of
// its Complemento elements.
QList<IXMLNomina> deComprobante(const TNodoXML& comprobante);

} // namespace Nomina11
