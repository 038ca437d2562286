#include "TSeccionNombre.h"

#include "Constantes.h"
#include "Controles.h"
#include "Entidades.h"
#include "Sistema.h"
#include "negocio/Utils.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Constantes;

TSeccionNombre::TSeccionNombre(QWidget* padre)
    : TSeccionEmpresa(padre, QStringLiteral("TxTopNombreNegocio"), QStringLiteral("TxNombreNegocioTitulo"),
                      QStringLiteral("Configura tu Cuenta de Negocio"))
{
    QWidget* c = contenido();
    auto* d = new QVBoxLayout(c);
    auto* formulario = Controles::nuevoFormulario();
    EdNombreNegocio = Controles::campo(c, QStringLiteral("EdNombreNegocio"), QStringLiteral("Nombre del Negocio"));
    EdNombreNegocio->setMaxLength(300);
    Controles::largoColumna(EdNombreNegocio, TNegocio::tablaEsquema(), TNegocio::col_Nombre);
    Controles::fila(formulario, EdNombreNegocio, QStringLiteral("&Nombre del Negocio"));
    d->addLayout(formulario);
    BtGuardar = Controles::boton(c, QStringLiteral("BtGuardar"), QStringLiteral("Guardar"));
    d->addLayout(botones({BtGuardar}));
    connect(BtGuardar, &QPushButton::clicked, this, &TSeccionNombre::BtGuardarClick);
    connect(EdNombreNegocio, &QLineEdit::returnPressed, this, &TSeccionNombre::BtGuardarClick);
}

void TSeccionNombre::carga()
{
    EdNombreNegocio->setText(Sistema::Negocio ? Sistema::Negocio->getNombre() : QString());
    Controles::quitaError(EdNombreNegocio);
}

void TSeccionNombre::enfoca()
{
    EdNombreNegocio->setFocus();
}

QList<QWidget*> TSeccionNombre::ordenTabulacion() const
{
    return {EdNombreNegocio, BtGuardar};
}

QStringList TSeccionNombre::cambiosSinGuardar() const
{
    return modificados({EdNombreNegocio});
}

void TSeccionNombre::BtGuardarClick()
{
    if (EdNombreNegocio->text().trimmed().isEmpty()) {
        Controles::marcaError(EdNombreNegocio);
        Utils::mensaje(ERR_NOMBRE_NEGOCIO_VACIO, MSG_ERROR);
        EdNombreNegocio->setFocus();
        return;
    }
    if (guarda([this] { EdicionEmpresa::guardaNombre(EdNombreNegocio->text()); })) {
        EdNombreNegocio->setModified(false);
        Utils::mensaje(INFORMACION_GUARDADA_EXITO, MSG_INFORMATION);
        emit negocioModificado();
    }
}
