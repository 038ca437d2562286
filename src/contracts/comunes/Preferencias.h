#pragma once
#include "ComunesExport.h"

#include <QByteArray>
#include <QString>

// What the program remembers for the person at this computer account, not
// for the installation: the last folder chosen in a file dialog and where
// each window was. Kept in the account's configuration folder
// (Velkor/Preferencias.ini), readable by its owner only. A preference that
// cannot be read or written is simply not remembered: it never stops the
// user's work.
namespace Preferencias {

// Where the next file or folder dialog opens: the last folder chosen while
// it still exists, else the user's documents folder (else the home folder).
COMUNES_EXPORT QString carpetaInicial();
// A file or folder the user chose; a file's folder is what is kept.
COMUNES_EXPORT void recuerdaEleccion(const QString& ruta);

// A window's geometry and state as Qt saves them; empty when none was kept.
COMUNES_EXPORT QByteArray ventana(const QString& nombre);
COMUNES_EXPORT void guardaVentana(const QString& nombre, const QByteArray& estado);

} // namespace Preferencias
