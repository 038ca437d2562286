#pragma once
#include "TConexionSesion.h"

// Brings a business database up to the schema this program expects; runs at
// every sign-in and after a business is created, so each step adds only
// what is missing.
class TDefaultDBValues {
public:
    explicit TDefaultDBValues(const TConexionSesion& conexion) : conn(conexion) {}

    void inicia();
    void inicializaIEPS();
    void creaTablasFaltantes();

    TConexionSesion conn;
};
