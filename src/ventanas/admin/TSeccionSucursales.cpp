#include "TSeccionSucursales.h"

#include "Constantes.h"
#include "Controles.h"
#include "Sistema.h"
#include "TDireccionesFrm.h"
#include "TSucursalesFrm.h"
#include "app/Ventanas.h"
#include "negocio/Utils.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Constantes;

TSeccionSucursales::TSeccionSucursales(QWidget* padre)
    : TSeccionEmpresa(padre, QStringLiteral("TxTopSucursales"), QStringLiteral("TxTopSucursalesTituloLeyenda"),
                      QStringLiteral("Sucursales"))
{
    QWidget* c = contenido();
    auto* d = new QVBoxLayout(c);
    auto* formulario = Controles::nuevoFormulario();
    CmbSucursales = new QComboBox(c);
    CmbSucursales->setObjectName(QStringLiteral("CmbSucursales"));
    CmbSucursales->setEditable(false);
    CmbSucursales->setPlaceholderText(QStringLiteral("Elige una sucursal"));
    EdNombreSucursal = Controles::campo(c, QStringLiteral("EdNombreSucursal"), QStringLiteral("Nombre de la Sucursal"));
    EdNombreSucursal->setReadOnly(true);
    EdNombreSucursal->setMaxLength(255);
    // Read, not typed into: Tab passes it by.
    EdNombreSucursal->setFocusPolicy(Qt::ClickFocus);
    Controles::fila(formulario, CmbSucursales, QStringLiteral("&Sucursal"));
    Controles::fila(formulario, EdNombreSucursal, QStringLiteral("Nombre"));
    d->addLayout(formulario);
    // Shown only: branches are edited in the branch window.
    DireccionSucursal = new TDireccionesFrm(c);
    DireccionSucursal->setObjectName(QStringLiteral("DireccionSucursal"));
    DireccionSucursal->setEnabled(false);
    d->addWidget(DireccionSucursal);
    BtGuardarSucursal = Controles::boton(c, QStringLiteral("BtGuardarSucursal"), QStringLiteral("&Editar"));
    BtAgregar = Controles::boton(c, QStringLiteral("BtAgregar"), QStringLiteral("+ A&gregar"));
    d->addLayout(botones({BtGuardarSucursal, BtAgregar}));
    connect(CmbSucursales, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_cargando)
            CmbSucursalesChange();
    });
    connect(BtGuardarSucursal, &QPushButton::clicked, this, &TSeccionSucursales::BtGuardarSucursalClick);
    connect(BtAgregar, &QPushButton::clicked, this, &TSeccionSucursales::BtAgregarClick);
}

void TSeccionSucursales::carga()
{
    m_cargando = true;
    CmbSucursales->clear();
    EdNombreSucursal->clear();
    DireccionSucursal->inicializaDireccion(false);
    if (Sistema::Negocio)
        CmbSucursales->addItems(EdicionEmpresa::nombresSucursales());
    CmbSucursales->setCurrentIndex(-1);
    m_cargando = false;
}

void TSeccionSucursales::enfoca()
{
    CmbSucursales->setFocus();
}

QList<QWidget*> TSeccionSucursales::ordenTabulacion() const
{
    return {CmbSucursales, BtGuardarSucursal, BtAgregar};
}

void TSeccionSucursales::CmbSucursalesChange()
{
    if (CmbSucursales->currentIndex() < 0)
        return;
    guarda([this] {
        const auto elegida = EdicionEmpresa::sucursal(CmbSucursales->currentText());
        if (!elegida)
            return;
        EdNombreSucursal->setText(elegida->nombre);
        muestraDireccion(DireccionSucursal, elegida->direccion);
    });
}

void TSeccionSucursales::BtGuardarSucursalClick()
{
    if (CmbSucursales->currentIndex() < 0) {
        Utils::mensaje(ERR_SELECCIONA_SUCURSAL, MSG_WARNING);
        CmbSucursales->setFocus();
        return;
    }
    std::optional<EdicionEmpresa::TSucursalMostrada> elegida;
    if (!guarda([&] { elegida = EdicionEmpresa::sucursal(CmbSucursales->currentText()); }) || !elegida ||
        !SucursalesFrm)
        return;
    if (!guarda([&] { SucursalesFrm->inicializaEditar(elegida->id); }))
        return;
    if (SucursalesFrm->exec() == QDialog::Accepted)
        emit seriesModificadas();
    if (guarda([this] {
            EdicionEmpresa::recargaNegocio();
            carga();
        }))
        emit sucursalesReleidas();
}

void TSeccionSucursales::BtAgregarClick()
{
    if (!SucursalesFrm)
        return;
    SucursalesFrm->inicializaAgregar();
    if (SucursalesFrm->exec() == QDialog::Accepted)
        emit seriesModificadas();
    guarda([this] { carga(); });
}
