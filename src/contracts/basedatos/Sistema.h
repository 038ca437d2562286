#pragma once
#include "BaseDatosExport.h"
#include "FirmaPermisos.h"
#include "TConexionSesion.h"

#include <QList>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>

class TNegocio;
class TUsuario;
class TUsuarionegocio;
class TSucursal;

// The session: who is signed in to which business, and the program's own
// folder and brand. Filled by the sign-in, lives to the end of the process.
namespace Sistema {

extern BASEDATOS_EXPORT std::shared_ptr<TNegocio> Negocio;
extern BASEDATOS_EXPORT std::shared_ptr<TConexionSesion> Conexion;
extern BASEDATOS_EXPORT std::shared_ptr<TUsuario> Usuario;
extern BASEDATOS_EXPORT std::shared_ptr<TUsuarionegocio> UsuarioNegocio;
// Branches of the current business, in the order of the branch list.
extern BASEDATOS_EXPORT QList<std::shared_ptr<TSucursal>> Sucursales;
extern BASEDATOS_EXPORT int sucursalIndex;

// Program folder, always ending in "/". The common package keeps it
// (Rutas::carpetaPrograma), so paths in it are joined alike in every package.
extern BASEDATOS_EXPORT QString& exePath;
extern BASEDATOS_EXPORT QString dbSistema;
extern BASEDATOS_EXPORT QString dbUsuariosSistema;
extern BASEDATOS_EXPORT QString marca;
extern BASEDATOS_EXPORT QString claveMarca;
extern BASEDATOS_EXPORT QString nameSistema;
extern BASEDATOS_EXPORT QString numeroAutorizacionPac;
extern BASEDATOS_EXPORT bool imprimeLogo;
// The RFCs of the businesses registered on this computer, read when asked.
// The registry is the program's, out of a module's reach: the program sets
// this at start. Empty in a process that set nothing.
extern BASEDATOS_EXPORT std::function<QSet<QString>()> rfcsRegistrados;

// Makes the business of a newly created user-business link the session's
// (business, user and link), on the session connection.
BASEDATOS_EXPORT void initNuevoNegocio(const TUsuarionegocio& liga);
BASEDATOS_EXPORT void freeNegocio();
BASEDATOS_EXPORT void freeUsuario();
BASEDATOS_EXPORT void freeConexion();
// Whether the signed-in user holds the module right with that code
// (CODIGO_FACTURACION, CODIGO_PERMISOS, ...), read from the link's signed
// permission text (FirmaPermisos). A text grants nothing unless it is signed
// with the session business's secret for the link's user and that business,
// and its first field is the business's RFC followed by USR_PASS, letter
// case and blanks aside. The first refusal of each text is logged with its
// reason.
BASEDATOS_EXPORT bool getPermiso(const QString& codigo);
// The plain permission text of a link of the session's business for its
// user `usuario`, or why it grants nothing, by the same rules as getPermiso.
BASEDATOS_EXPORT FirmaPermisos::TLectura permisosDe(const TUsuarionegocio& liga, const TUsuario& usuario);
// Whether `usuario`, through its link `liga`, holds the module right with
// that code in `negocio` on `conexion`, a business that need not be the
// session's (a job over every registered business), by the same rules as
// getPermiso. Refusals are not logged.
BASEDATOS_EXPORT bool getPermisoEn(const QString& codigo, const TNegocio& negocio, const TUsuarionegocio& liga,
                                   const TUsuario& usuario, const TConexionSesion& conexion);
// Whether one field of a permission text grants its right: any text that
// reads as a boolean ("-1", "TRUE"); anything else is no right.
BASEDATOS_EXPORT bool leeBooleano(const QString& campo);
// Reloads the current business's branches into Sucursales.
BASEDATOS_EXPORT void actualizaSucursales();

} // namespace Sistema
