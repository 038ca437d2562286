#include "Logmanager.h"

#include "Rutas.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <mutex>

namespace {

// std::mutex is constant-initialised and trivially destroyed, so a line logged
// while the process is shutting down still finds it usable.
std::mutex g_candado;

QString unaLinea(QString texto)
{
    texto.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    for (const QChar salto :
         {QChar(u'\n'), QChar(u'\r'), QChar(QChar::LineSeparator), QChar(QChar::ParagraphSeparator)})
        texto.replace(salto, QChar(u' '));
    return texto;
}

} // namespace

namespace Logmanager {

QString archivoLog(const QString& carpeta)
{
    return Rutas::une(carpeta, {QStringLiteral("Velkor.log")});
}

void Log(const QString& texto, int nivel, const QString& carpeta)
{
    try {
        const QByteArray linea = (QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")) +
                                  QStringLiteral(" [%1] ").arg(nivel) + unaLinea(texto) + u'\n')
                                     .toUtf8();
        // Appending never creates folders: a log in a folder that is gone is
        // dropped rather than recreating part of a deleted program folder.
        if (!carpeta.isEmpty() && !QFileInfo(carpeta).isDir())
            return;

        const std::lock_guard<std::mutex> bloqueo(g_candado);
        // Opened and closed per line, unbuffered so the line reaches the file
        // in a single append: a crash never leaves half a line behind, and
        // another process of the program appending to the same log does not
        // interleave with it.
        QFile archivo(archivoLog(carpeta));
        if (!archivo.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
            return;
        archivo.write(linea);
        archivo.close();
    } catch (...) {
        // A log that cannot be written must never stop the caller.
    }
}

} // namespace Logmanager
