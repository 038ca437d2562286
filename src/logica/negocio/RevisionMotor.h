#pragma once
#include <QString>

// The look every start of the program takes at the program folder's Motor/
// before anything reaches a database or a secret. Motor/ holds the embedded
// engine's configuration and the installation's key (Secretos::ARCHIVO_LLAVE).
// Without the configuration the engine would still open databases, under its
// own defaults, and every second process of the program (the restart at
// sign-out, velkor-importar) would be refused the files the first one holds.
// Without the key, the first secret asked for makes a new one, and every
// text the old one enciphered (connection strings, server and mail
// passwords, the businesses' own secrets) could never be read again.
namespace RevisionMotor {

enum class TEstado {
    // Nothing to say: a first start, with no key yet, is complete too.
    Completa,
    // The engine's configuration is missing; the key may be lost as well
    // (the message says so). The program must not go on.
    SinConfiguracion,
    // The configuration is there, the key is not, and texts enciphered under
    // the lost key are kept.
    LlavePerdida,
};

struct TRevision {
    TEstado estado = TEstado::Completa;
    // What is wrong and what to do, in Spanish; empty when Completa.
    QString mensaje;
};

// Motor/ of the current program folder (Rutas::carpetaPrograma()). Reads
// the registry of businesses and Velkor.ini, writes nothing.
TRevision revisa();

// The start of the windowed program: nothing is shown when Motor/ is
// complete. A missing configuration is told and the start refused. A lost
// key is told and the user asked whether to go on with a new one, made at
// once on OK. False: the program must end.
bool permiteInicio();

// The start of a command-line tool: the text to print and end with when the
// tool must not go on; empty when it may. A lost key is never replaced here:
// the user is sent to a backup or to the windowed program.
QString motivoParaNoIniciar();

} // namespace RevisionMotor
