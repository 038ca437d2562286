#pragma once
#include "ComunesExport.h"

#include <QString>

struct QMetaObject;

// Process-wide registry of classes by name. Loadable packages (the resource
// package, the module packages) register their classes when loaded and remove
// them when unloaded; the shell finds a class by name and its operations
// through Qt's meta-object system.
namespace RegistroClases {
COMUNES_EXPORT void registra(const QString& nombre, const QMetaObject* clase);
COMUNES_EXPORT void quita(const QString& nombre);
COMUNES_EXPORT const QMetaObject* busca(const QString& nombre);
} // namespace RegistroClases

// Registers a class while a package is loaded: a static object of the package.
class COMUNES_EXPORT TRegistroClase {
public:
    TRegistroClase(const QString& nombre, const QMetaObject* clase);
    ~TRegistroClase();
    TRegistroClase(const TRegistroClase&) = delete;
    TRegistroClase& operator=(const TRegistroClase&) = delete;

private:
    QString m_nombre;
};
