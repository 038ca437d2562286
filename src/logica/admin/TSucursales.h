#pragma once
#include "negocio/TNuevoNegocio.h"

#include <QString>
#include <memory>

class TNegocio;
class TSucursal;
class TConexionSesion;

// Adding and editing a branch of the signed-in business, without any window:
// the branch window gathers what is typed and shows the message it gets back.
namespace Sucursales {

// What the branch window holds. The address comes as the address panel
// shows it; a list left on its prompt is an empty text.
struct TDatos {
    QString nombre;
    NuevoNegocio::TDireccion direccion;
};

// The business's head office, or nullptr when it has none.
std::unique_ptr<TSucursal> matriz(const TNegocio& negocio, const TConexionSesion& conexion);

// The validation message of the branch, empty when it may be stored:
// MENSAJE_ERROR followed by the failed checks joined with SALTO. `editada`
// is the branch being edited, nullptr when adding. Adding reports a name
// error and then a postal-code error; editing reports a name error alone,
// before any postal-code error.
QString valida(const TDatos& datos, const TSucursal* editada, const TNegocio& negocio, const TConexionSesion& conexion);

// Stores a new branch (not the default one) with its address. Everything or
// nothing is stored; raises on failure.
TSucursal guardaNueva(const TDatos& datos, const TNegocio& negocio, const TConexionSesion& conexion, int usuario);

// Stores the branch's new name and address. When it is the head office, the
// business's fiscal address takes the same values and is stored too, and
// `negocio` is brought up to date. Everything or nothing is stored; raises on
// failure (and when the branch is gone).
TSucursal actualiza(int idSucursal, const TDatos& datos, TNegocio& negocio, const TConexionSesion& conexion,
                    int usuario);

} // namespace Sucursales
