#pragma once
#include <QString>

// One phone as a form gathers it (the owner's on the first run, the profile's):
// no widget, so the work that stores it needs none either.
struct TDatosTelefono {
    int tipo = 0; // index in TIPOS_TELEFONO; 0 is no kind chosen
    QString numero;
    QString extension;
};
