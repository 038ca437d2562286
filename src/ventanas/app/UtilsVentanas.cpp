#include "UtilsVentanas.h"

#include "negocio/Utils.h"

#include <QBuffer>
#include <QLabel>

namespace Utils {

QPixmap imagenRS(const QString& nombre, const QString& carpetaPrograma)
{
    const std::unique_ptr<QBuffer> flujo = getResource(nombre, carpetaPrograma);
    QPixmap mapa;
    if (!flujo || !mapa.loadFromData(flujo->data()))
        return {};
    return mapa;
}

void cargaImageRS(const QString& nombre, QLabel* imagen, const QString& carpetaPrograma)
{
    if (!imagen)
        return;
    const QPixmap mapa = imagenRS(nombre, carpetaPrograma);
    if (!mapa.isNull())
        imagen->setPixmap(mapa);
}

} // namespace Utils
