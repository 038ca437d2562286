#include "TTelefonosFrm.h"

#include "Constantes.h"
#include "Controles.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <algorithm>

TTelefonosFrm::TTelefonosFrm(QWidget* parent) : QWidget(parent), m_maximo(Constantes::MAX_TELEFONOS)
{
    setObjectName(QStringLiteral("TxTelefonoContenedor"));
    m_filas = new QVBoxLayout(this);
    m_filas->setContentsMargins(0, 0, 0, 0);
    m_filas->setSpacing(0);
    // Column names over the rows, at the widths the rows give their fields.
    m_encabezado = new QWidget(this);
    m_encabezado->setObjectName(QStringLiteral("TxTelefonoEncabezado"));
    m_encabezado->setFixedHeight(ALTO_ENCABEZADO);
    auto* columnas = new QHBoxLayout(m_encabezado);
    columnas->setContentsMargins(0, 0, 0, 0);
    columnas->setSpacing(5);
    const auto columna = [this, columnas](const QString& nombre, const QString& texto, int ancho) {
        QLabel* e = Controles::texto(m_encabezado, nombre, texto);
        if (ancho > 0)
            e->setFixedWidth(ancho);
        columnas->addWidget(e, ancho > 0 ? 0 : 1);
    };
    columna(QStringLiteral("TxTelefonoTipo"), Constantes::TIPOS_TELEFONO.first(), TTelefonoBean::ANCHO_TIPO);
    columna(QStringLiteral("TxTelefonoNumero"), Constantes::NUMERO, 0);
    columna(QStringLiteral("TxTelefonoExtension"), Constantes::EXTENSION, TTelefonoBean::ANCHO_EXTENSION);
    columnas->addSpacing(TTelefonoBean::ANCHO_ELIMINAR);
    m_encabezado->hide();
    m_filas->addWidget(m_encabezado);
    TxTelefonoBottom = Controles::texto(this, QStringLiteral("TxTelefonoBottom"), QStringLiteral("+ Agregar Teléfono"));
    TxTelefonoBottom->setFixedHeight(ALTO_SIN_TELEFONOS);
    TxTelefonoBottom->setCursor(Qt::PointingHandCursor);
    m_filas->addWidget(TxTelefonoBottom);
    setFixedHeight(ALTO_SIN_TELEFONOS);
    // The user goes on in the row they asked for, not on the link.
    Controles::alClic(TxTelefonoBottom, [this] {
        const size_t antes = lTelefono.size();
        agregaTelefono();
        if (lTelefono.size() > antes)
            lTelefono.back()->getTipo()->setFocus(Qt::TabFocusReason);
    });
}

// The rows go before the panel's widgets: a row frees its container, which
// must still be alive then.
TTelefonosFrm::~TTelefonosFrm()
{
    lTelefono.clear();
}

void TTelefonosFrm::setImagenEliminar(const QPixmap& imagen)
{
    m_imagenEliminar = imagen;
    for (const auto& telefono : lTelefono)
        telefono->getEliminar()->setPixmap(imagen);
}

void TTelefonosFrm::setMaximo(int maximo)
{
    m_maximo = maximo;
    TxTelefonoBottom->setEnabled(!llena());
}

bool TTelefonosFrm::llena() const
{
    return m_maximo != SIN_LIMITE && lTelefono.size() >= static_cast<size_t>(m_maximo);
}

void TTelefonosFrm::inicializaTelefono()
{
    lTelefono.clear();
    TxTelefonoBottom->setEnabled(true);
    cTelefonos = 0;
    ajustaAltura();
    emit filasCambiadas();
}

void TTelefonosFrm::telefonoBeanFactory(TTelefonoBean& telefono)
{
    QLabel* eliminar = telefono.getEliminar();
    if (!m_imagenEliminar.isNull())
        eliminar->setPixmap(m_imagenEliminar);
    // The picture is the only way to its action: named, it takes a stop of
    // its own after the row's fields, and Enter or Space runs it.
    eliminar->setToolTip(QStringLiteral("Quitar este teléfono"));
    eliminar->setAccessibleName(eliminar->toolTip());
    Controles::alClic(eliminar, [this, eliminar] { onClickElminaTelefono(eliminar); });
}

void TTelefonosFrm::agregaTelefono()
{
    if (llena())
        return;
    nuevaFila();
}

void TTelefonosFrm::muestraTelefono(const TDatosTelefono& telefono)
{
    nuevaFila();
    const std::unique_ptr<TTelefonoBean>& fila = lTelefono.back();
    fila->getTipo()->setCurrentIndex(telefono.tipo);
    fila->getNumero()->setText(telefono.numero);
    fila->getExtension()->setText(telefono.extension);
}

void TTelefonosFrm::nuevaFila()
{
    ++cTelefonos;
    auto telefono = std::make_unique<TTelefonoBean>(this, QStringLiteral("Cont") + QString::number(cTelefonos));
    telefonoBeanFactory(*telefono);
    m_filas->insertWidget(m_filas->indexOf(TxTelefonoBottom), telefono->getContenedor());
    lTelefono.push_back(std::move(telefono));
    ajustaAltura();
    if (llena())
        TxTelefonoBottom->setEnabled(false);
    emit filasCambiadas();
}

void TTelefonosFrm::onClickElminaTelefono(QObject* sender)
{
    // The delete image is named as its row with a leading "T".
    eliminaTelefono(sender->objectName().mid(1));
}

void TTelefonosFrm::eliminaTelefono(const QString& nombre)
{
    const auto fila = std::find_if(lTelefono.begin(), lTelefono.end(),
                                   [&](const std::unique_ptr<TTelefonoBean>& t) { return t->getNombre() == nombre; });
    if (fila == lTelefono.end())
        return;
    // A row removed from the keyboard leaves the focus on the panel, not
    // lost with the row.
    const bool conFoco = (*fila)->getContenedor()->isAncestorOf(QApplication::focusWidget());
    lTelefono.erase(fila);
    ajustaAltura();
    TxTelefonoBottom->setEnabled(true);
    if (conFoco)
        TxTelefonoBottom->setFocus(Qt::TabFocusReason);
    emit filasCambiadas();
}

QList<TDatosTelefono> TTelefonosFrm::getTelefonos() const
{
    QList<TDatosTelefono> lista;
    for (const auto& fila : lTelefono) {
        TDatosTelefono telefono;
        telefono.tipo = qMax(0, fila->getTipo()->currentIndex());
        telefono.numero = fila->getNumero()->text().trimmed();
        telefono.extension = fila->getExtension()->text().trimmed();
        lista.append(telefono);
    }
    return lista;
}

QList<QWidget*> TTelefonosFrm::camposTabulacion() const
{
    QList<QWidget*> campos;
    for (const auto& fila : lTelefono)
        campos << fila->getTipo() << fila->getNumero() << fila->getExtension() << fila->getEliminar();
    campos << TxTelefonoBottom;
    return campos;
}

void TTelefonosFrm::ajustaAltura()
{
    if (lTelefono.empty()) {
        m_encabezado->hide();
        setFixedHeight(ALTO_SIN_TELEFONOS);
        return;
    }
    m_encabezado->show();
    setFixedHeight(ALTO_ENCABEZADO + (static_cast<int>(lTelefono.size()) + 1) * TTelefonoBean::ALTO);
}
