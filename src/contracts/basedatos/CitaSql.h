#pragma once
#include "BaseDatosExport.h"

#include <QString>

namespace Esquema {

// A table, column, index or generator name of the description
// (EsquemaEntidades.h) as SQL names it: in double quotes, so the engine takes
// it exactly as written even where it is a reserved word. Every statement
// built from the description, in the entity package or in a module's own
// query, quotes its names this one way.
BASEDATOS_EXPORT QString cita(const QString& identificador);

} // namespace Esquema
