#pragma once
#include "TConexionSesion.h"

#include <QString>
#include <QStringList>

// The import window's twin for the command line (velkor-importar): the same
// registry and business databases of the program folder, the same walk
// (TRecorridoXML), the same per-file import committed in batches
// (TImportadorXML, TLoteImportacion) and the same report
// (TReporteImportacion). Messages are Spanish; the summary goes to standard
// output, errors to standard error, and a progress bar to standard error
// when it is a terminal.
namespace ImportacionConsola {

// Exit statuses.
enum TSalida {
    Correcta = 0,      // every file imported, already present or passed over
    ConFallos = 1,     // the job ended, and some file failed or some metadata row was not stored
    Uso = 2,           // a bad invocation: no folder, no e-mail, unknown option
    SinCarpeta = 3,    // the folder does not exist or is no folder
    SinAcceso = 4,     // the e-mail is a user of a registered business and the password is not its own
    Ocupada = 5,       // another program holds the registry or is importing into this program folder
    ErrorPrograma = 6, // the program folder cannot be used (registry damaged, resources missing...)
    Detenida = 130     // stopped by SIGINT/SIGTERM/SIGHUP after the file in hand
};

// The options, as parsed.
struct TOpciones {
    QString carpeta; // a folder, or one file (a package, a metadata file, a voucher)
    QString correo;
    // Where the findings of the SAT's metadata go, after the import (if a
    // folder was given too).
    QString conciliacion;
    QString contrasena;
    bool conContrasena = false; // given on the command line
    // --servidor: where new businesses get their databases; the password
    // comes from VARIABLE_CLAVE_SERVIDOR. No provider: this program folder.
    QString urlServidor;
    TConexionSesion servidor;
    bool ayuda = false;
};

// The environment variable that holds the database server's password: never
// on the command line, where every user of the computer could read it.
inline const char* const VARIABLE_CLAVE_SERVIDOR = "VELKOR_CLAVE_SERVIDOR";

// mysql://USUARIO@HOST[:PUERTO] or firebird://USUARIO@HOST[:PUERTO]/CARPETA
// with `password`; a text in `error` when the address is not one of them.
TConexionSesion servidorDeUrl(const QString& url, const QString& password, QString& error);

// Parses the arguments (without the program name); a text in `error` when
// they are not usable.
TOpciones interpreta(const QStringList& argumentos, QString& error);
QString ayuda();

// Runs the program over `carpetaPrograma` (ends in "/"). The termination
// signals must be blocked already (TSenalesTerminacion::bloquea).
int ejecuta(const QStringList& argumentos, const QString& carpetaPrograma);

} // namespace ImportacionConsola
