#include "VigenciaCertificado.h"

#include "Constantes.h"
#include "Reloj.h"

#include <QDate>

bool VigenciaCertificado::vencido(const QString& fin)
{
    const QDate fecha = QDate::fromString(fin, Constantes::FORMATO_FECHA);
    return fecha.isValid() && fecha < Reloj::hoy();
}

QString VigenciaCertificado::texto(const QString& fin)
{
    if (fin.isEmpty())
        return QString();
    return (vencido(fin) ? Constantes::CN_VENCIDO : Constantes::CN_CADUCIDAD) + fin;
}
