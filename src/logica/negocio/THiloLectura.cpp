#include "THiloLectura.h"

#include <QMutex>
#include <QSet>

namespace {

QMutex g_mutex;
QSet<THiloLectura*> g_hilos;

} // namespace

THiloLectura::THiloLectura(QObject* parent) : QThread(parent)
{
    const QMutexLocker bloqueo(&g_mutex);
    g_hilos.insert(this);
}

THiloLectura::~THiloLectura()
{
    const QMutexLocker bloqueo(&g_mutex);
    g_hilos.remove(this);
}

void THiloLectura::detenTodos()
{
    {
        const QMutexLocker bloqueo(&g_mutex);
        for (THiloLectura* hilo : std::as_const(g_hilos))
            hilo->requestInterruption();
    }
    esperaTodos();
}

void THiloLectura::esperaTodos()
{
    const QMutexLocker bloqueo(&g_mutex);
    for (THiloLectura* hilo : std::as_const(g_hilos))
        hilo->wait();
}
