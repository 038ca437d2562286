#pragma once
#include "Cfdv32.h"
#include "negocio/TNuevoNegocio.h"

#include <optional>

class TBaseDatosCatalogosFrm;
class TConexionSesion;

// An address written in a version 3.2 voucher (the issuer's DomicilioFiscal,
// the receiver's Domicilio), as the program keeps addresses: street, numbers,
// colony and reference as written; locality, municipality and state never
// from the file but from the SAT catalogue's rows for its postal code, as
// "key - name"; the country (TDireccion's Mexico text) whenever the file
// gives a postal code. A postal code stays on the address only when the
// business database (when one is given) or the catalogue knows it.
namespace DireccionImportada {

// nullopt for an absent element.
std::optional<NuevoNegocio::TDireccion> desdeUbicacion(const Cfdv32::IXMLT_Ubicacion& ubicacion,
                                                       const TBaseDatosCatalogosFrm& catalogo,
                                                       const TConexionSesion* conexion = nullptr);

} // namespace DireccionImportada
