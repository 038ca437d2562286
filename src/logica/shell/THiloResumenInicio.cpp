#include "THiloResumenInicio.h"

#include "Conexiones.h"

#include <QMutex>
#include <QSet>

namespace {

QMutex g_mutex;
QSet<THiloResumenInicio*> g_hilos;

} // namespace

THiloResumenInicio::THiloResumenInicio(ResumenInicio::TPedido pedido) : m_pedido(std::move(pedido))
{
    qRegisterMetaType<ResumenInicio::TResumen>();
    connect(this, &QThread::finished, this, &QObject::deleteLater);
    const QMutexLocker bloqueo(&g_mutex);
    g_hilos.insert(this);
}

THiloResumenInicio::~THiloResumenInicio()
{
    requestInterruption();
    wait();
    const QMutexLocker bloqueo(&g_mutex);
    g_hilos.remove(this);
}

void THiloResumenInicio::detenTodos()
{
    {
        const QMutexLocker bloqueo(&g_mutex);
        for (THiloResumenInicio* hilo : std::as_const(g_hilos))
            hilo->requestInterruption();
    }
    esperaTodos();
}

void THiloResumenInicio::esperaTodos()
{
    const QMutexLocker bloqueo(&g_mutex);
    for (THiloResumenInicio* hilo : std::as_const(g_hilos))
        hilo->wait();
}

void THiloResumenInicio::run()
{
    const ResumenInicio::TResumen resumen =
        ResumenInicio::calcula(m_pedido, [this] { return isInterruptionRequested(); });
    Conexiones::cierraHilo();
    if (resumen.completo)
        emit calculado(resumen);
}
