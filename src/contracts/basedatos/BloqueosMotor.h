#pragma once
#include "BaseDatosExport.h"

#include <QString>

namespace Conexiones {

// The folder where the embedded engine keeps its lock files for the calling
// operating-system user: velkor-firebird-<uid> under `raiz`, created private
// (0700) when missing. A folder there is used only when it is a real folder
// of the user's own with mode 0700; otherwise the next name (…-2, …-3) is
// tried. Every process of the program on one computer must use the same
// folder to share a database (SuperClassic), so the default root is the
// fixed /tmp, never a per-session folder ($XDG_RUNTIME_DIR, $TMPDIR) that a
// process started outside the desktop session would not see. Raises
// EBaseDatos when no folder can be had. The engine is pointed at it
// (FIREBIRD_LOCK) before the first database is opened or created.
BASEDATOS_EXPORT QString carpetaBloqueos(const QString& raiz = QStringLiteral("/tmp"));

} // namespace Conexiones
