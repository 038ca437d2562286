#include "TiposComprobante.h"

namespace TiposComprobante {

const QList<QPair<QString, QString>>& lista()
{
    static const QList<QPair<QString, QString>> tipos = {{QStringLiteral("I"), QStringLiteral("Ingreso")},
                                                         {QStringLiteral("E"), QStringLiteral("Egreso")},
                                                         {QStringLiteral("T"), QStringLiteral("Traslado")},
                                                         {QStringLiteral("N"), QStringLiteral("Nómina")},
                                                         {QStringLiteral("P"), QStringLiteral("Pago")}};
    return tipos;
}

QString nombre(const QString& letra)
{
    for (const auto& [clave, nombreTipo] : lista())
        if (clave.compare(letra.trimmed(), Qt::CaseInsensitive) == 0)
            return nombreTipo;
    return letra;
}

} // namespace TiposComprobante
