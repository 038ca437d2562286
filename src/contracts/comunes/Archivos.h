#pragma once
#include "ComunesExport.h"

#include <QByteArray>
#include <QString>

class QSaveFile;

// Files that hold a business's data (its database, the local registry of
// businesses) and the folders they live in are kept from the computer's
// other users: readable and writable by their owner only.
namespace Archivos {

// Writes the bytes as the whole content of the file, created or replaced,
// with mode 0600, through a file beside it renamed over it: the name holds
// the old content or the whole new one, whatever stops the program. Raises
// EEntradaSalida when the file cannot be written.
COMUNES_EXPORT void creaPrivado(const QString& ruta, const QByteArray& bytes);
// The same, only where there is no file yet: one another process made in the
// meantime is kept as it is. Returns whether this call made the file.
COMUNES_EXPORT bool creaPrivadoNuevo(const QString& ruta, const QByteArray& bytes);
// Puts what was written to `archivo` (open for writing) under its name, or
// drops it and keeps the file that was there. QSaveFile::commit() alone (Qt
// 6.4) publishes the file even when the bytes still in its buffer cannot be
// written then (a full disk): a good file became an empty or cut one. Returns
// false with errno holding the system's reason, 0 when no call gave one.
COMUNES_EXPORT bool termina(QSaveFile& archivo);
// Creates the folder (one level: the parent must exist) with mode 0700, or
// restricts it to that mode when it already exists. Raises EEntradaSalida.
COMUNES_EXPORT void creaCarpetaPrivada(const QString& ruta);
// From now on every file and folder this process creates (the log, the
// vouchers' copies, restored businesses, what a library writes) is its
// owner's only: the creation mask becomes 077. Called once at start-up,
// before any file is written; what already existed keeps its mode.
COMUNES_EXPORT void soloDueno();
// Closes to others what an earlier version left readable: when the folder
// `carpeta` grants anything to its group or to others, every folder below it
// becomes 0700 and every file 0600, the folder itself last, so a walk cut
// short is taken up again next time; symbolic links are neither followed
// nor changed. A folder already closed is not walked. The entries it could
// not change; none when the folder does not exist.
COMUNES_EXPORT int cierraArbol(const QString& carpeta);
// Restricts a file another library created (the engine's database files)
// to mode 0600. Raises EEntradaSalida.
COMUNES_EXPORT void hazPrivado(const QString& ruta);

} // namespace Archivos
