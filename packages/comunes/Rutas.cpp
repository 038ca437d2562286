#include "Rutas.h"

#include <QDir>

namespace Rutas {

QString& carpetaPrograma()
{
    // Never destroyed: a log line written while the process ends still
    // finds the folder.
    static QString* const carpeta = new QString;
    return *carpeta;
}

void fijaCarpetaPrograma(const QString& carpeta)
{
    carpetaPrograma() = comoCarpeta(QDir::fromNativeSeparators(carpeta));
}

QString une(const QString& carpeta, std::initializer_list<QString> partes)
{
    QString ruta = QDir::fromNativeSeparators(carpeta);
    for (const QString& parte : partes) {
        const QString siguiente = QDir::fromNativeSeparators(parte);
        if (siguiente.isEmpty())
            continue;
        // QDir reads an empty path as ".", which would turn a relative path
        // into "./...".
        ruta = ruta.isEmpty() ? siguiente : QDir(ruta).filePath(siguiente);
    }
    return ruta;
}

QString programa(std::initializer_list<QString> partes)
{
    return une(carpetaPrograma(), partes);
}

QString comoCarpeta(const QString& ruta)
{
    if (ruta.isEmpty() || ruta.endsWith(QLatin1Char('/')))
        return ruta;
    return ruta + QLatin1Char('/');
}

} // namespace Rutas
