#include "TTelefonoBean.h"

#include "Constantes.h"
#include "Controles.h"
#include "Entidades.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

TTelefonoBean::TTelefonoBean(QWidget* propietario, const QString& nombre)
{
    m_contenedor = new QWidget(propietario);
    m_contenedor->setObjectName(nombre);
    m_contenedor->setFixedHeight(ALTO);
    auto* fila = new QHBoxLayout(m_contenedor);
    fila->setContentsMargins(0, 0, 0, 0);
    fila->setSpacing(5);

    m_tipo = new QComboBox(m_contenedor);
    m_tipo->setObjectName(nombre + QStringLiteral("Tipo"));
    m_tipo->addItems(Constantes::TIPOS_TELEFONO);
    m_tipo->setCurrentIndex(0);
    m_tipo->setFixedWidth(ANCHO_TIPO);

    m_numero = new QLineEdit(m_contenedor);
    m_numero->setObjectName(nombre + QStringLiteral("Numero"));
    m_numero->setPlaceholderText(Constantes::NUMERO);
    Controles::largoColumna(m_numero, TTelefono::tablaEsquema(), TTelefono::col_Numero);

    m_extension = new QLineEdit(m_contenedor);
    m_extension->setObjectName(nombre + QStringLiteral("Extension"));
    m_extension->setPlaceholderText(Constantes::EXTENSION);
    Controles::largoColumna(m_extension, TTelefono::tablaEsquema(), TTelefono::col_Extencion);
    m_extension->setFixedWidth(ANCHO_EXTENSION);

    m_eliminar = new QLabel(m_contenedor);
    m_eliminar->setObjectName(QLatin1Char('T') + nombre);
    m_eliminar->setFixedWidth(ANCHO_ELIMINAR);
    m_eliminar->setScaledContents(true);
    m_eliminar->setCursor(Qt::PointingHandCursor);

    fila->addWidget(m_tipo);
    fila->addWidget(m_numero, 1);
    fila->addWidget(m_extension);
    fila->addWidget(m_eliminar);
}

TTelefonoBean::~TTelefonoBean()
{
    // The row is usually removed from a click on its own delete image, whose
    // event is still being delivered: the container goes once that is over.
    if (m_contenedor) {
        m_contenedor->hide();
        m_contenedor->deleteLater();
    }
}

QString TTelefonoBean::getNombre() const
{
    return m_contenedor ? m_contenedor->objectName() : QString();
}
