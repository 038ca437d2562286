#pragma once
#include "TConexionSesion.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class TSerie;
class TSucursal;

// The working context of the signed-in session: which branch the user works
// in and which series of it is the default of each voucher type. Both are
// stored in the business database, so the next session starts where this one
// left off. No window is touched here; the main window shows the results.
namespace ContextoTrabajo {

// The index `paso` places (+1 right, -1 left) from `actual` among `cantidad`
// branches, wrapping at both ends; -1 when there are none.
int siguienteIndice(int actual, int cantidad, int paso);

// The position of the branch marked as default in the list (0 when none is).
int indiceSucursalDefault(const QList<std::shared_ptr<TSucursal>>& sucursales);

// A branch as the branch label shows it: "&" becomes "_" (the label would
// take it for a shortcut mark); an unnamed branch reads SUCURSAL_SIN_NOMBRE.
QString nombreMostrado(const TSucursal& sucursal);

// Moves the session (Sistema::Sucursales, sucursalIndex) to the neighbouring
// branch and stores it as the default one, the previous losing the mark, in
// one transaction. Reloads the branch list when it is empty; nullptr when the
// business has no branch (nothing changes then).
std::shared_ptr<TSucursal> mueveSucursal(int paso, const TConexionSesion& conexion, int idUsuario);

// The branch's active series, in the order they were created; only those of
// the voucher type `tipo` ("I", "E", ...) unless it is empty.
QList<TSerie> seriesDeSucursal(const TSucursal& sucursal, const QString& tipo, const TConexionSesion& conexion);
QStringList nombresSeries(const QList<TSerie>& series);

// The default series of that type at the branch; with an empty type, the
// first default series of any type. nullptr when there is none.
std::unique_ptr<TSerie> serieDefault(const TSucursal& sucursal, const QString& tipo, const TConexionSesion& conexion);

// Makes the branch's series with that name the default of its voucher type:
// the type's previous default loses the mark, in one transaction. Choosing
// the current default stores nothing. The chosen series as stored, or nullptr
// when the branch has no series of that name.
std::unique_ptr<TSerie> eligeSerie(const TSucursal& sucursal, const QString& nombre, const TConexionSesion& conexion,
                                   int idUsuario);

} // namespace ContextoTrabajo
