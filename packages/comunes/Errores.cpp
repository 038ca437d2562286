#include "Errores.h"

#include <cxxabi.h>

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

} // namespace Errores
