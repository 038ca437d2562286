#pragma once
#include "BaseDatosExport.h"
#include "Cfdv33.h"
#include "Entidades.h"
#include "Nomina12.h"
#include "VerificacionSello.h"

#include <memory>

class TBaseDatosCatalogosFrm;
class TCacheCatalogos;
namespace GuardadoCfdi {
struct TAjustes;
}

// Stores a whole CFDI 3.3 voucher in its issuer's business database, with
// everything it says: header and seals, stamp, issuer regime, receiver (as a
// customer of the business, found by RFC and reused, and as the voucher's own
// copy), lines with their products, units, taxes, customs entries, parts and
// property accounts, the voucher's tax breakdown, related vouchers, the local
// taxes and donee complements, and payroll 1.2. Complements it does not map
// (payments, waybill, foreign trade...) stay in the stored XML, which is the
// file's bytes unchanged.
//
// A voucher is stored whole or not at all: SaveBD and guardarNomina run inside
// the caller's unit of work on the business database (a TPuntoGuardado around
// the file, or a TTransaccion) and every save joins it, so any failure leaves
// the caller free to undo the whole file. Called without an open transaction
// they raise EBaseDatos and store nothing. Errors are EBaseDatos, EConversion
// (an amount or date that is not exact or valid) and EXML.
class BASEDATOS_EXPORT TSaveComprobante {
public:
    // pathXml: the copy of the file in the invoice folder, kept as the
    // voucher's and its payroll receipt's Pathxml. pathPdf: its printed copy
    // (Pathpdf) when there is one; empty when there is none.
    TSaveComprobante(const QString& pathXml, const QString& pathPdf);
    virtual ~TSaveComprobante();
    TSaveComprobante(const TSaveComprobante&) = delete;
    TSaveComprobante& operator=(const TSaveComprobante&) = delete;

    // The business database; every look-up and save goes through it.
    void setConexion(const TConexionSesion& conexion);
    // The issuing business, a stored record of that database.
    void setNegocio(const TNegocio& negocio);
    // The acting user, stamped on every record (Ultimamodificacionpor); -1
    // until set.
    void setUsuario(int idUsuario);
    void setUsuario(const TUsuario& usuario);
    // The SAT catalogue, for the texts of catalogue rows the business database
    // lacks (descriptions of payment forms and methods, the state and
    // municipality of a postal code). Without it those rows are made from the
    // keys alone.
    void setUni(const TBaseDatosCatalogosFrm& catalogo);
    // The records an import job shares between its vouchers (customers,
    // products, units, taxes...), found or made once per business database.
    // The caller undoes its entries with the vouchers' work.
    void setCatalogos(TCacheCatalogos& catalogos);
    // The seal check of the voucher, stored with it (Verificacionsello,
    // Motivoverificacion); a voucher saved without one is left to be checked.
    void setVerificacion(const VerificacionSello::TResultado& verificacion);

    // Stores the voucher and, when `nomina` is not empty, its payroll receipt;
    // returns the stored voucher.
    TComprobante SaveBD(const Cfdv33::IXMLComprobante& comprobante,
                        const Nomina12::IXMLNomina& nomina = Nomina12::IXMLNomina());
    // Stores a payroll 1.2 receipt of a stored voucher (of any version): the
    // receipt with its totals, the employee (found by CURP, created when new)
    // and its link, perceptions, deductions, other payments and incapacities.
    void guardarNomina(const Nomina12::IXMLNomina& nomina, const TComprobante& comprobante, const TNegocio& negocio);

protected:
    const GuardadoCfdi::TAjustes& ajustes() const { return *m_ajustes; }

private:
    std::unique_ptr<GuardadoCfdi::TAjustes> m_ajustes;
};
