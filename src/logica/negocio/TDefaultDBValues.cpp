#include "TDefaultDBValues.h"

#include "Esquema.h"

void TDefaultDBValues::inicia()
{
    inicializaIEPS();
    creaTablasFaltantes();
}

void TDefaultDBValues::inicializaIEPS()
{
    // The IEPS rates are no longer seeded here: vouchers bring their own.
}

void TDefaultDBValues::creaTablasFaltantes()
{
    // Every step at once: the structure is read once for all of them, not
    // once a step, which a sign-in and each business an import creates
    // would wait for.
    Esquema::completaTodo(conn);
}
