#pragma once
#include "TConexionSesion.h"

#include <QString>

// The check behind "Probar Conexión": whether a new business can live in a
// database on a server as the user typed it. It connects (giving up after
// PLAZO_SEGUNDOS), checks that the database holds no table, and that the
// account may create one (it creates and drops a table of its own). It
// leaves no connection open and nothing behind in the database. Runs on the
// calling thread: a window runs it off its own thread.
namespace PruebaServidor {

constexpr int PLAZO_SEGUNDOS = 5;

enum class TResultado {
    Correcta,
    DatosIncompletos, // no host, no database or no user
    NoResponde,       // nothing answers at that host and port, or not in time
    AccesoNegado,     // the server refused the user or the password
    BaseInexistente,  // the server has no such database
    BaseNoVacia,      // the database already holds tables
    SinPermisoTablas, // the account may not create tables there
    Error             // anything else; the text gives the engine's reason
};

struct TPrueba {
    TResultado resultado = TResultado::Error;
    // What to tell the user, in Spanish, naming the server and database
    // (never the password); for Correcta, the confirmation.
    QString texto;
    bool correcta() const { return resultado == TResultado::Correcta; }
};

TPrueba prueba(const TConexionSesion& conexion);

} // namespace PruebaServidor
