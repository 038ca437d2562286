#include "Errores.h"

#include <cxxabi.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <typeinfo>

EVelkor::EVelkor(const QString& mensaje) : std::runtime_error(mensaje.toUtf8().toStdString()) {}

QString EVelkor::mensaje() const
{
    return QString::fromUtf8(what());
}

namespace {

// Support staff read the class name in the log, so a foreign exception gets its
// readable C++ name rather than the mangled one.
QString nombreTipo(const std::exception& e)
{
    const char* crudo = typeid(e).name();
    int estado = 0;
    std::unique_ptr<char, void (*)(void*)> legible(abi::__cxa_demangle(crudo, nullptr, nullptr, &estado), std::free);
    return QString::fromUtf8(estado == 0 && legible ? legible.get() : crudo);
}

} // namespace

namespace Errores {

QString describe(const std::exception& e)
{
    if (const auto* propio = dynamic_cast<const EVelkor*>(&e))
        return propio->clase() + QStringLiteral(" error raised, with message : ") + propio->mensaje();
    return nombreTipo(e) + QStringLiteral(" error raised, with message : ") + QString::fromUtf8(e.what());
}

QString delSistema(int numero)
{
    switch (numero) {
    case ENOSPC:
        return QStringLiteral("No hay espacio suficiente en el disco");
    case EDQUOT:
        return QStringLiteral("Se agotó el espacio en disco asignado a este usuario");
    case EFBIG:
        return QStringLiteral("El archivo llegó al tamaño máximo que el sistema permite");
    case EACCES:
    case EPERM:
        return QStringLiteral("No tienes permiso");
    case EROFS:
        return QStringLiteral("El disco es de solo lectura");
    case ENOENT:
        return QStringLiteral("No existe");
    case ENOTDIR:
        return QStringLiteral("Una parte de la ruta no es una carpeta");
    case EISDIR:
        return QStringLiteral("Es una carpeta");
    case ENAMETOOLONG:
        return QStringLiteral("El nombre es demasiado largo");
    case ELOOP:
        return QStringLiteral("La ruta tiene demasiados enlaces");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Hay demasiados archivos abiertos");
    // No number at all: the call failed without saying why (a short write,
    // a library that sets none).
    case 0:
    case EIO:
        return QStringLiteral("Error de lectura o escritura en el disco");
    case ENOMEM:
        return QStringLiteral("No hay memoria suficiente");
    case EEXIST:
        return QStringLiteral("Ya existe");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("Está en uso");
    case ENOTEMPTY:
        return QStringLiteral("La carpeta no está vacía");
    case EXDEV:
        return QStringLiteral("El origen y el destino están en discos distintos");
    case EINVAL:
        return QStringLiteral("El sistema no admite esa ruta para esta operación");
    default:
        break;
    }
    // The system's own text is English; its number is enough to look it up.
    return QStringLiteral("Error del sistema número %1").arg(numero);
}

} // namespace Errores
