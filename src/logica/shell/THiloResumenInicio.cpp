#include "THiloResumenInicio.h"

#include "Conexiones.h"

THiloResumenInicio::THiloResumenInicio(ResumenInicio::TPedido pedido) : m_pedido(std::move(pedido))
{
    qRegisterMetaType<ResumenInicio::TResumen>();
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

THiloResumenInicio::~THiloResumenInicio()
{
    requestInterruption();
    wait();
}

void THiloResumenInicio::run()
{
    const ResumenInicio::TResumen resumen =
        ResumenInicio::calcula(m_pedido, [this] { return isInterruptionRequested(); });
    Conexiones::cierraHilo();
    if (resumen.completo)
        emit calculado(resumen);
}
