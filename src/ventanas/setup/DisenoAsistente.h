#pragma once
#include "Controles.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
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

// Label beside field; the labels take the width of the longest.
inline QFormLayout* nuevoFormulario()
{
    auto* formulario = new QFormLayout();
    formulario->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    formulario->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return formulario;
}

// One row: the field's label (its prompt) and the field, or the row
// `contenido` holding it.
inline void fila(QFormLayout* formulario, QLineEdit* campo, QLayout* contenido = nullptr)
{
    QLabel* e = Controles::etiqueta(campo->parentWidget(), campo, campo->placeholderText());
    if (contenido)
        formulario->addRow(e, contenido);
    else
        formulario->addRow(e, campo);
}

inline void fila(QFormLayout* formulario, QWidget* campo, const QString& texto)
{
    formulario->addRow(Controles::etiqueta(campo->parentWidget(), campo, texto), campo);
}

// The brand's welcome text, as every page shows it.
QString textoBienvenida();

} // namespace DisenoAsistente
