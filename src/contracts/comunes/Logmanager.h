#pragma once
#include "ComunesExport.h"

#include <QString>

namespace Logmanager {
// Name of the log file kept in the program folder.
COMUNES_EXPORT QString archivoLog(const QString& carpeta);

// Appends one line (time stamp, level, text) to the log in `carpeta`. Level 1 is
// progress and diagnostics, 3 the import's per-file errors. Safe from any
// thread; a log that cannot be written never stops the caller.
COMUNES_EXPORT void Log(const QString& texto, int nivel, const QString& carpeta);

// The lines this process could not write (a full disk, a log it may not
// write), and why the last one failed, so a job can tell its user that its
// log is incomplete.
struct TFallasLog {
    int lineas = 0;
    QString motivo;
};
COMUNES_EXPORT TFallasLog fallas();
} // namespace Logmanager
