#include "RevisionImagen.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace RevisionImagen {

namespace {

QString demasiadoGrande()
{
    return QStringLiteral("La imagen pesa más de %1 MB y no se guardó. Elige una imagen más pequeña.")
        .arg(TAMANO_MAXIMO / (1024 * 1024));
}

} // namespace

QString revisa(const QByteArray& datos)
{
    if (datos.isEmpty())
        return QStringLiteral("El archivo está vacío; no es una imagen.");
    if (datos.size() > TAMANO_MAXIMO)
        return demasiadoGrande();
    QBuffer buffer;
    buffer.setData(datos);
    buffer.open(QIODevice::ReadOnly);
    QImageReader lector(&buffer);
    // The header alone can lie: only a full decode proves the picture can be shown later.
    if (lector.read().isNull())
        return QStringLiteral("El archivo no es una imagen que se pueda leer (PNG, JPG, BMP o GIF); no se guardó.");
    return {};
}

QString lee(const QString& ruta, QByteArray& datos)
{
    datos.clear();
    const QFileInfo info(ruta);
    // A FIFO or device would block the read; a directory is no picture.
    if (!info.isFile())
        return QStringLiteral("No se encontró el archivo de imagen «%1».").arg(ruta);
    if (info.size() > TAMANO_MAXIMO)
        return demasiadoGrande();
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly))
        return QStringLiteral("No se pudo leer el archivo de imagen «%1».").arg(ruta);
    QByteArray leidos = archivo.read(TAMANO_MAXIMO + 1);
    const QString error = revisa(leidos);
    if (error.isEmpty())
        datos = std::move(leidos);
    return error;
}

} // namespace RevisionImagen
