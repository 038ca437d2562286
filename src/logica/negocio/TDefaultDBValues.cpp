#include "TDefaultDBValues.h"

#include "Entidades.h"

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
    TNominacomprobanteempleado::createTable(conn);
    TConcepto::actualizaColumnaConcepto(conn);
    TConcepto::actualizaColumnaPrecios(conn);
    TNuevastablas::createTable(conn);
    TComprobante::actualizaCfdi40(conn);
}
