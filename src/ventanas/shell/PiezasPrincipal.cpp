#include "PiezasPrincipal.h"

#include "Constantes.h"
#include "Controles.h"
#include "Style.h"
#include "TEtiquetaAccion.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>

namespace PiezasPrincipal {

QColor color(const QString& nombre)
{
    return Style::StyleFrm().color(nombre);
}

TEtiquetaAccion* accion(QWidget* padre, const QString& nombre, const QString& texto)
{
    auto* etiqueta = new TEtiquetaAccion(texto, padre);
    etiqueta->setObjectName(nombre);
    return etiqueta;
}

QFrame* separador(QWidget* padre, const QString& nombre)
{
    auto* linea = new QFrame(padre);
    linea->setObjectName(nombre);
    linea->setFixedHeight(1);
    Controles::fondo(linea, color(Constantes::RS_SEPARADOR));
    return linea;
}

QScrollArea* desplazable(QWidget* padre, const QString& nombre)
{
    // The area and what it holds (setWidget paints it) let the background
    // beneath show through.
    auto* area = new QScrollArea(padre);
    area->setObjectName(nombre);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->viewport()->setAutoFillBackground(false);
    // What it holds takes the keyboard, not the area itself.
    area->setFocusPolicy(Qt::NoFocus);
    return area;
}

bool muestraImagen(QLabel* destino, const QByteArray& bytes)
{
    QPixmap mapa;
    if (bytes.isEmpty() || !mapa.loadFromData(bytes))
        return false;
    destino->setPixmap(mapa);
    return true;
}

} // namespace PiezasPrincipal
