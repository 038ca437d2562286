#pragma once
#include <QString>

#include <cstdio>
#include <optional>

// What the command-line programs share: their texts go out as UTF-8, and a
// password is read without showing it.
namespace Consola {

// Writes the text to `salida` at once.
void escribe(FILE* salida, const QString& texto);
// A password typed at a terminal is not echoed ("Contraseña: " on standard
// error); one given through a pipe is its first line. Either way it never
// shows in the process list. The termination signals must be blocked
// (TSenalesTerminacion::bloquea): Ctrl-C at the prompt gives std::nullopt.
std::optional<QString> leeContrasena();

} // namespace Consola
