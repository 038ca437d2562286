#pragma once
#include "ComunesExport.h"

#include <QString>
#include <initializer_list>

// Paths of the program folder and inside it, joined one way for every
// package: the parts go one after another with a single "/" between them (as
// QDir joins them), so a folder constant with or without its trailing "/"
// gives the same path, and an absolute part starts the path over.
namespace Rutas {

// The program folder, always ending in "/"; empty until the start-up (or a
// test) sets it. Sistema::exePath names this same text.
COMUNES_EXPORT QString& carpetaPrograma();
// Sets the program folder from any spelling of it (native separators, with or
// without the final "/").
COMUNES_EXPORT void fijaCarpetaPrograma(const QString& carpeta);

// `carpeta` followed by the parts; empty parts are skipped. An empty folder
// leaves the path relative.
COMUNES_EXPORT QString une(const QString& carpeta, std::initializer_list<QString> partes);
// A path inside the program folder; without parts, the folder itself.
COMUNES_EXPORT QString programa(std::initializer_list<QString> partes = {});
// The path as a folder: ending in "/".
COMUNES_EXPORT QString comoCarpeta(const QString& ruta);

// Records that the user's copy of an installed database (the SAT's
// catalogue) at `copia` is one they downloaded now: an upgrade of the program
// replaces it only with a catalogue made after this moment.
COMUNES_EXPORT void anotaDescargada(const QString& copia);

} // namespace Rutas
