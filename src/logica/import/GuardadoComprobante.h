#pragma once
#include "TConexionSesion.h"
#include "VerificacionSello.h"

#include <QString>

class TBaseDatosCatalogosFrm;
class TCacheCatalogos;
class TDocumentoXML;
class TNegocio;

// Stores one voucher, whatever its version, in its business's database:
// version 3.2 is mapped here field by field (Importacion32), versions 3.3
// and 4.0 are handed whole, with their payroll complement, to the entity
// package's savers. Runs inside the caller's unit of work on that database
// and raises on any error, so the caller can undo the whole file.
namespace GuardadoComprobante {

struct TContexto {
    const TNegocio& negocio;
    TConexionSesion conexion;
    int usuario;                            // stamped on every record
    const TBaseDatosCatalogosFrm& catalogo; // the SAT catalogue
    TCacheCatalogos& catalogos;             // the job's catalogue records
    QString uuid;                           // upper case
    QString pathXml;                        // the copy, relative to the program folder
    // The voucher's seal check, stored with it; none leaves it to be checked.
    const VerificacionSello::TResultado* verificacion = nullptr;
};

void guarda(const TDocumentoXML& documento, const QString& version, const TContexto& contexto);

} // namespace GuardadoComprobante
