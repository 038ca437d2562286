#include "TEtiquetaAccion.h"

#include <QKeyEvent>
#include <QMouseEvent>

TEtiquetaAccion::TEtiquetaAccion(QWidget* parent) : TEtiquetaAccion(QString(), parent) {}

TEtiquetaAccion::TEtiquetaAccion(const QString& texto, QWidget* parent) : QLabel(texto, parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void TEtiquetaAccion::mouseReleaseEvent(QMouseEvent* evento)
{
    QLabel::mouseReleaseEvent(evento);
    if (evento->button() == Qt::LeftButton && rect().contains(evento->position().toPoint()) && isEnabled())
        emit activada();
}

void TEtiquetaAccion::keyPressEvent(QKeyEvent* evento)
{
    switch (evento->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (isEnabled())
            emit activada();
        evento->accept();
        return;
    default:
        QLabel::keyPressEvent(evento);
    }
}
