#pragma once
#include "ResumenInicio.h"
#include "negocio/THiloLectura.h"

// The start page's figures read on a thread of their own, on that thread's
// own connection: a large business never holds the window. Nobody waits for
// it while the program runs; it deletes itself once finished, and whoever
// asked drops a result that comes after they moved on (another business,
// the window gone).
class THiloResumenInicio : public THiloLectura {
    Q_OBJECT
public:
    explicit THiloResumenInicio(ResumenInicio::TPedido pedido);
    ~THiloResumenInicio() override;

    const ResumenInicio::TPedido& pedido() const { return m_pedido; }

signals:
    // Emitted from the thread, once, with everything read; not when it was
    // asked to stop.
    void calculado(const ResumenInicio::TResumen& resumen);

protected:
    void run() override;

private:
    const ResumenInicio::TPedido m_pedido;
};
