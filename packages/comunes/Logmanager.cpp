#include "Logmanager.h"

#include "Errores.h"
#include "Rutas.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <mutex>
#include <unistd.h>

namespace {

// std::mutex is constant-initialised and trivially destroyed, so a line logged
// while the process is shutting down still finds it usable.
std::mutex g_candado;
Logmanager::TFallasLog g_fallas;

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
        // The system call itself, so the reason of a failure is known.
        const QByteArray ruta = QFile::encodeName(archivoLog(carpeta));
        const int fd = ::open(ruta.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
        ssize_t escritos = -1;
        int error = errno;
        if (fd >= 0) {
            // The log names paths, RFCs and businesses: a log an earlier
            // version left readable by others is closed to them.
            struct stat estado {};
            if (::fstat(fd, &estado) == 0 && (estado.st_mode & (S_IRWXG | S_IRWXO)))
                ::fchmod(fd, S_IRUSR | S_IWUSR);
            do {
                escritos = ::write(fd, linea.constData(), static_cast<size_t>(linea.size()));
            } while (escritos < 0 && errno == EINTR);
            error = escritos < 0 ? errno : ENOSPC; // a short append means the disk filled up
            ::close(fd);
        }
        if (escritos != linea.size()) {
            ++g_fallas.lineas;
            g_fallas.motivo = Errores::delSistema(error);
        }
    } catch (...) {
        // A log that cannot be written must never stop the caller.
    }
}

TFallasLog fallas()
{
    const std::lock_guard<std::mutex> bloqueo(g_candado);
    return g_fallas;
}

} // namespace Logmanager
