#pragma once
#include "ComunesExport.h"

#include <QString>

// The program folder of an installed program (the Debian package's
// /opt/velkor), which is read-only and shared by every user of the computer.
namespace Rutas {

// Marks a folder installed by the package: beside the executable, it makes
// the program folder the user's own (see preparaCarpetaPrograma).
inline const QString MARCA_INSTALACION = QStringLiteral("velkor.instalado");

// The data folder of the user running the program: XDG_DATA_HOME/Velkor,
// ~/.local/share/Velkor unless set otherwise.
COMUNES_EXPORT QString carpetaDatosUsuario();

// Sets the program folder for an executable that lives in `carpetaEjecutable`.
// A build or a copied folder is its own program folder, as always. An
// installed one is read-only and every user of the computer runs it, so the
// program folder becomes the user's data folder: each entry of the installed
// folder is reached there through a symbolic link (made or mended at every
// start, so a later version's new entries appear), and Motor/ is a folder of
// the user's own with links to the engine's parts, since the installation
// key, the businesses' secrets and the engine's log are written there. The
// databases of the installed db/ (the SAT's catalogue) are copied into the
// user's db/ once, since the engine writes into what it opens.
// What the user keeps in the data folder (db/, Facturas/, the log, the
// reports, Velkor.ini) is never touched. False, with why in `error`, when
// the data folder cannot be made.
COMUNES_EXPORT bool preparaCarpetaPrograma(const QString& carpetaEjecutable, QString* error = nullptr);

} // namespace Rutas
