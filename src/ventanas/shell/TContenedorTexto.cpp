#include "TContenedorTexto.h"

#include <QLayout>
#include <QScrollArea>
#include <QVBoxLayout>

TContenedorTexto::TContenedorTexto(QWidget* parent) : QWidget(parent), m_diseno(new QVBoxLayout(this))
{
    m_diseno->setContentsMargins(0, 0, 0, 0);
    m_diseno->setSpacing(0);
    m_diseno->setAlignment(Qt::AlignTop);
}

void TContenedorTexto::click()
{
    emit clicked();
}

void TContenedorTexto::setAltura(int altura)
{
    m_altura = qMax(0, altura);
    setFixedHeight(m_altura);
}

void TContenedorTexto::llena(int minimo)
{
    m_altura = qMax(0, minimo);
    setMinimumHeight(m_altura);
    setMaximumHeight(QWIDGETSIZE_MAX);
}

void TContenedorTexto::agrega(QWidget* contenido)
{
    if (!contenido || contiene(contenido))
        return;
    TOrigen origen;
    origen.padre = contenido->parentWidget();
    origen.rellenaFondo = contenido->autoFillBackground();
    // A scroll area's widget hangs from its viewport; it must go back through
    // the area, which would not show it otherwise.
    if (origen.padre)
        if (auto* area = qobject_cast<QScrollArea*>(origen.padre->parentWidget()); area && area->widget() == contenido)
            origen.area = area;
    if (origen.area)
        origen.area->takeWidget();
    m_prestados.insert(contenido, origen);
    m_diseno->addWidget(contenido);
    contenido->show();
}

void TContenedorTexto::quita(QWidget* contenido)
{
    const auto prestado = m_prestados.constFind(contenido);
    if (!contenido || prestado == m_prestados.constEnd())
        return;
    const TOrigen origen = *prestado;
    m_prestados.erase(prestado);
    m_diseno->removeWidget(contenido);
    contenido->hide();
    if (origen.area) {
        origen.area->setWidget(contenido);
        contenido->setAutoFillBackground(origen.rellenaFondo);
    } else {
        contenido->setParent(origen.padre);
        if (origen.padre && origen.padre->layout())
            origen.padre->layout()->addWidget(contenido);
    }
}

bool TContenedorTexto::contiene(const QWidget* contenido) const
{
    return m_prestados.contains(const_cast<QWidget*>(contenido));
}
