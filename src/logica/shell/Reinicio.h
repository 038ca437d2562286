#pragma once
#include <QString>
#include <QStringList>

#include <functional>

// Starting the program file again after a sign-out, so the user comes back
// to the splash and the wizard in a fresh process.
namespace Reinicio {

// The program file of a program folder (ending in "/").
QString programa(const QString& carpetaPrograma);

// Starts `programa` detached from this process (a session of its own), in
// `carpeta`, with the termination signals unblocked again (this process
// reads them itself and blocks them in every thread, which a child would
// inherit) and none of this process's files open. True when it started;
// false when the program could not be run.
bool iniciaDesacoplado(const QString& programa, const QStringList& argumentos, const QString& carpeta);

// How the sign-out starts the program file; tests put a recorder here. By
// default iniciaDesacoplado in the program folder.
extern std::function<bool(const QString& programa)> solicitud;

// Asks for the program of that folder to be started; false when it was not.
bool reinicia(const QString& carpetaPrograma);

} // namespace Reinicio
