#include "RegistroClases.h"

#include <QHash>
#include <QMetaObject>
#include <QMutex>

namespace {

struct TRegistro {
    QMutex candado;
    QHash<QString, const QMetaObject*> clases;
};

// Packages register from their static objects, which may run before or after
// this library's own statics are built or destroyed; a registry that is never
// destroyed is there for every one of them.
TRegistro& registro()
{
    static TRegistro* const unico = new TRegistro;
    return *unico;
}

} // namespace

namespace RegistroClases {

void registra(const QString& nombre, const QMetaObject* clase)
{
    TRegistro& r = registro();
    const QMutexLocker bloqueo(&r.candado);
    r.clases.insert(nombre, clase);
}

void quita(const QString& nombre)
{
    TRegistro& r = registro();
    const QMutexLocker bloqueo(&r.candado);
    r.clases.remove(nombre);
}

const QMetaObject* busca(const QString& nombre)
{
    TRegistro& r = registro();
    const QMutexLocker bloqueo(&r.candado);
    return r.clases.value(nombre, nullptr);
}

} // namespace RegistroClases

TRegistroClase::TRegistroClase(const QString& nombre, const QMetaObject* clase) : m_nombre(nombre)
{
    RegistroClases::registra(m_nombre, clase);
}

TRegistroClase::~TRegistroClase()
{
    RegistroClases::quita(m_nombre);
}
