#pragma once
#include <QStringList>

// The permission codes (CODIGO_...) of the module packages this program run
// has loaded. A right for a module that is not installed means nothing to the
// person granting it, so the users' form offers only these and the
// administration right.
namespace ModulosInstalados {

void registra(const QString& codigo);
QStringList codigos();
// Forgets them all (a new program run, in tests).
void olvida();

} // namespace ModulosInstalados
