#include "Preferencias.h"

#include "Archivos.h"
#include "Errores.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString CLAVE_CARPETA = QStringLiteral("Archivos/ultimaCarpeta");

QString archivo()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("Velkor/Preferencias.ini"));
}

QVariant lee(const QString& clave)
{
    return QSettings(archivo(), QSettings::IniFormat).value(clave);
}

void escribe(const QString& clave, const QVariant& valor)
{
    const QString ruta = archivo();
    if (!QDir().mkpath(QFileInfo(ruta).absolutePath()))
        return;
    {
        QSettings ini(ruta, QSettings::IniFormat);
        ini.setValue(clave, valor);
        ini.sync();
    }
    // QSettings writes with the account's default mode; the folders a user
    // works in are nobody else's business.
    try {
        Archivos::hazPrivado(ruta);
    } catch (const EVelkor&) {
    }
}

} // namespace

QString Preferencias::carpetaInicial()
{
    const QString ultima = lee(CLAVE_CARPETA).toString();
    if (!ultima.isEmpty() && QFileInfo(ultima).isDir())
        return ultima;
    const QString documentos = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documentos.isEmpty() && QFileInfo(documentos).isDir())
        return documentos;
    return QDir::homePath();
}

void Preferencias::recuerdaEleccion(const QString& ruta)
{
    if (ruta.isEmpty())
        return;
    const QFileInfo elegido(ruta);
    escribe(CLAVE_CARPETA, elegido.isDir() ? elegido.absoluteFilePath() : elegido.absolutePath());
}

QByteArray Preferencias::ventana(const QString& nombre)
{
    return lee(QStringLiteral("Ventanas/") + nombre).toByteArray();
}

void Preferencias::guardaVentana(const QString& nombre, const QByteArray& estado)
{
    escribe(QStringLiteral("Ventanas/") + nombre, estado);
}
