#include "SelectorArchivos.h"

#include "Preferencias.h"

#include <QDir>
#include <QFileDialog>

namespace {

TColaArchivos* g_cola = nullptr;

template <typename Dialogo> QString elige(const QString& pedido, const QString& inicio, Dialogo dialogo)
{
    const QString elegido = g_cola ? g_cola->responde(pedido, inicio) : dialogo(inicio);
    Preferencias::recuerdaEleccion(elegido);
    return elegido;
}

} // namespace

QString SelectorArchivos::archivo(QWidget* padre, const QString& titulo, const QString& filtro)
{
    return elige(filtro, Preferencias::carpetaInicial(),
                 [&](const QString& inicio) { return QFileDialog::getOpenFileName(padre, titulo, inicio, filtro); });
}

QStringList SelectorArchivos::archivos(QWidget* padre, const QString& titulo, const QString& filtro)
{
    const QString inicio = Preferencias::carpetaInicial();
    const QStringList elegidos = g_cola ? g_cola->responde(filtro, inicio).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                        : QFileDialog::getOpenFileNames(padre, titulo, inicio, filtro);
    if (!elegidos.isEmpty())
        Preferencias::recuerdaEleccion(elegidos.first());
    return elegidos;
}

QString SelectorArchivos::carpeta(QWidget* padre, const QString& titulo)
{
    return elige(titulo, Preferencias::carpetaInicial(),
                 [&](const QString& inicio) { return QFileDialog::getExistingDirectory(padre, titulo, inicio); });
}

QString SelectorArchivos::guardar(QWidget* padre, const QString& titulo, const QString& nombre, const QString& filtro)
{
    return elige(filtro, QDir(Preferencias::carpetaInicial()).filePath(nombre),
                 [&](const QString& inicio) { return QFileDialog::getSaveFileName(padre, titulo, inicio, filtro); });
}

TColaArchivos::TColaArchivos() : m_anterior(g_cola)
{
    g_cola = this;
}

TColaArchivos::~TColaArchivos()
{
    g_cola = m_anterior;
}

QString TColaArchivos::responde(const QString& pedido, const QString& inicio)
{
    m_pedidos << pedido;
    m_inicios << inicio;
    return m_respuestas.isEmpty() ? QString() : m_respuestas.takeFirst();
}
