#include "TContenidoEjemplo.h"

#include <QVBoxLayout>

TContenidoEjemplo::TContenidoEjemplo(const QString& titulo, QWidget* parent) : QWidget(parent)
{
    auto* diseno = new QVBoxLayout(this);
    auto* encabezado = new QLabel(titulo, this);
    QFont fuente = encabezado->font();
    fuente.setBold(true);
    encabezado->setFont(fuente);
    m_accion = new QLabel(this);
    m_accion->setObjectName(QStringLiteral("TxAccion"));
    diseno->addWidget(encabezado);
    diseno->addWidget(m_accion);
    diseno->addStretch();
}

void TContenidoEjemplo::click(QObject* emisor)
{
    ++m_clics;
    m_ultimoTexto = m_texto;
    m_emisor = emisor ? emisor->objectName() : QString();
    m_accion->setText(m_texto.isEmpty() ? QStringLiteral("Abierta sin acción") : QStringLiteral("Acción: ") + m_texto);
}
