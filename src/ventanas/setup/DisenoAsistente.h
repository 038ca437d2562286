#pragma once
#include "Controles.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QString>
#include <QWidget>

// The layout pieces the set-up pages share.
namespace DisenoAsistente {

constexpr int ESPACIO_FILA = 6;

// The welcome line of a page: the flag image and the brand's welcome text.
inline QHBoxLayout* bienvenida(QWidget* padre, QLabel*& imagenBienvenida, const QString& nombreImagen,
                               QLabel*& textoBienvenida, const QString& nombreTexto)
{
    auto* fila = new QHBoxLayout();
    imagenBienvenida = Controles::imagen(padre, nombreImagen, 40);
    textoBienvenida = Controles::texto(padre, nombreTexto);
    textoBienvenida->setWordWrap(true);
    fila->addWidget(imagenBienvenida);
    fila->addWidget(textoBienvenida, 1);
    return fila;
}

// The brand's welcome text, as every page shows it.
QString textoBienvenida();

} // namespace DisenoAsistente
