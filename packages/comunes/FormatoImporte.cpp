#include "FormatoImporte.h"

namespace FormatoImporte {

QString conMiles(const TDecimal& importe)
{
    QString t = importe.texto(2);
    const bool negativo = t.startsWith(QLatin1Char('-'));
    const qsizetype punto = t.indexOf(QLatin1Char('.'));
    for (qsizetype i = (punto < 0 ? t.size() : punto) - 3; i > (negativo ? 1 : 0); i -= 3)
        t.insert(i, QLatin1Char(','));
    return t;
}

QString pesos(const TDecimal& importe)
{
    const QString t = conMiles(importe);
    return t.startsWith(QLatin1Char('-')) ? QStringLiteral("-$") + t.mid(1) : QStringLiteral("$") + t;
}

} // namespace FormatoImporte
