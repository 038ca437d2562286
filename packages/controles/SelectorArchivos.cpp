#include "SelectorArchivos.h"

#include <QFileDialog>

namespace {
TColaArchivos* g_cola = nullptr;
} // namespace

QString SelectorArchivos::archivo(QWidget* padre, const QString& titulo, const QString& filtro)
{
    if (g_cola)
        return g_cola->responde(filtro);
    return QFileDialog::getOpenFileName(padre, titulo, QString(), filtro);
}

QString SelectorArchivos::carpeta(QWidget* padre, const QString& titulo)
{
    if (g_cola)
        return g_cola->responde(titulo);
    return QFileDialog::getExistingDirectory(padre, titulo);
}

TColaArchivos::TColaArchivos() : m_anterior(g_cola)
{
    g_cola = this;
}

TColaArchivos::~TColaArchivos()
{
    g_cola = m_anterior;
}

QString TColaArchivos::responde(const QString& pedido)
{
    m_pedidos << pedido;
    return m_respuestas.isEmpty() ? QString() : m_respuestas.takeFirst();
}
