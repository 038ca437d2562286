#include "Archivos.h"

#include "Errores.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace Archivos {

namespace {

constexpr QFileDevice::Permissions SOLO_DUENO = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions CARPETA_SOLO_DUENO = SOLO_DUENO | QFileDevice::ExeOwner;

// Written beside and then published under its name: a stop half way (a
// crash, a power cut) leaves the old content or none under the name, never an
// empty or cut file that a later start would take for a damaged one. mkstemp
// makes the file 0600 whatever the creation mask, so its content is never
// readable by others, not even for a moment. rename() replaces what is there;
// link() keeps it and fails with EEXIST.
bool escribeAparte(const QString& ruta, const QByteArray& bytes, bool reemplaza)
{
    const QByteArray destino = QFile::encodeName(ruta);
    QByteArray temporal = destino + ".XXXXXX";
    // Why comes from the system's error number, read before anything else can
    // change it: Qt's own texts are English.
    int numero = 0;
    bool existia = false;
    const int fd = ::mkstemp(temporal.data());
    if (fd < 0) {
        numero = errno;
    } else {
        for (qsizetype escrito = 0; escrito < bytes.size() && numero == 0;) {
            const ssize_t n = ::write(fd, bytes.constData() + escrito, static_cast<size_t>(bytes.size() - escrito));
            if (n >= 0)
                escrito += n;
            else if (errno != EINTR)
                numero = errno;
        }
        if (numero == 0 && ::fsync(fd) != 0)
            numero = errno;
        if (::close(fd) != 0 && numero == 0)
            numero = errno;
        if (numero == 0 && reemplaza && ::rename(temporal.constData(), destino.constData()) != 0)
            numero = errno;
        if (numero == 0 && !reemplaza && ::link(temporal.constData(), destino.constData()) != 0) {
            existia = errno == EEXIST;
            if (!existia)
                numero = errno;
        }
        if (numero != 0 || !reemplaza)
            ::unlink(temporal.constData());
    }
    if (numero != 0)
        throw EEntradaSalida(
            QStringLiteral("No se pudo escribir el archivo \"%1\": %2").arg(ruta, Errores::delSistema(numero)));
    return !existia;
}

} // namespace

void creaPrivado(const QString& ruta, const QByteArray& bytes)
{
    escribeAparte(ruta, bytes, true);
}

bool creaPrivadoNuevo(const QString& ruta, const QByteArray& bytes)
{
    return escribeAparte(ruta, bytes, false);
}

bool termina(QSaveFile& archivo)
{
    // A write that failed earlier left the file short; its number is gone.
    int numero = 0;
    if (archivo.error() == QFileDevice::NoError) {
        errno = 0;
        if (archivo.flush() && archivo.error() == QFileDevice::NoError && ::fsync(archivo.handle()) == 0) {
            errno = 0;
            if (archivo.commit())
                return true;
        }
        numero = errno;
    }
    archivo.cancelWriting();
    errno = numero;
    return false;
}

void creaCarpetaPrivada(const QString& ruta)
{
    // Made here, or found made (earlier, or this very moment by another
    // process of the program starting beside this one): either way it is
    // closed to everyone but its owner.
    errno = 0;
    bool hecha = QDir().mkdir(ruta, CARPETA_SOLO_DUENO);
    int error = errno;
    hecha = hecha || QFileInfo(ruta).isDir();
    if (hecha) {
        errno = 0;
        hecha = QFile::setPermissions(ruta, CARPETA_SOLO_DUENO);
        error = errno;
    }
    if (!hecha)
        throw EEntradaSalida(
            QStringLiteral("No se pudo crear la carpeta \"%1\": %2.").arg(ruta, Errores::delSistema(error)));
}

void soloDueno()
{
    ::umask(S_IRWXG | S_IRWXO);
}

int cierraArbol(const QString& carpeta)
{
    const QByteArray raiz = QFile::encodeName(carpeta);
    struct stat datos {};
    if (::lstat(raiz.constData(), &datos) != 0 || !S_ISDIR(datos.st_mode) || (datos.st_mode & (S_IRWXG | S_IRWXO)) == 0)
        return 0;
    int fallidas = 0;
    QDirIterator recorrido(carpeta, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                           QDirIterator::Subdirectories);
    while (recorrido.hasNext()) {
        const QByteArray ruta = QFile::encodeName(recorrido.next());
        if (::lstat(ruta.constData(), &datos) != 0 || S_ISLNK(datos.st_mode))
            continue;
        const mode_t modo = S_ISDIR(datos.st_mode) ? S_IRWXU : S_IRUSR | S_IWUSR;
        if ((datos.st_mode & 07777) != modo && ::chmod(ruta.constData(), modo) != 0)
            ++fallidas;
    }
    if (fallidas == 0 && ::chmod(raiz.constData(), S_IRWXU) != 0)
        ++fallidas;
    return fallidas;
}

void hazPrivado(const QString& ruta)
{
    if (!QFile::setPermissions(ruta, SOLO_DUENO))
        throw EEntradaSalida(QStringLiteral("No se pudo proteger el archivo \"%1\".").arg(ruta));
}

} // namespace Archivos
