#include "TMenuModulos.h"

#include "Constantes.h"
#include "PiezasPrincipal.h"
#include "Sistema.h"
#include "TEtiquetaAccion.h"
#include "TVentanasModulo.h"
#include "app/UtilsVentanas.h"
#include "negocio/Utils.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace Constantes;
using PiezasPrincipal::color;

namespace {

const int ALTO_FILA_MENU = 22;

// One menu row: a white strip with the separator on its right, the entry's
// icon in its cell and the entry's text.
QWidget* filaMenu(QWidget* padre, const TElementoMenuModulo& elemento, bool encabezado, TEtiquetaAccion*& etiqueta)
{
    auto* fila = new QFrame(padre);
    fila->setObjectName(QStringLiteral("Fila") + elemento.getNombreMenu());
    fila->setFixedHeight(ALTO_FILA_MENU);
    fila->setStyleSheet(QStringLiteral(".QFrame { background: %1; border: none; border-right: 2px solid %2; }")
                            .arg(color(RS_TEXTOBLANCO).name(), color(RS_SEPARADOR).name()));
    auto* diseno = new QHBoxLayout(fila);
    diseno->setContentsMargins(0, 0, 0, 0);
    diseno->setSpacing(0);
    auto* celda = new QLabel(fila);
    celda->setFixedSize(encabezado ? 30 : 43, ALTO_FILA_MENU);
    celda->setCursor(Qt::PointingHandCursor);
    auto* icono = new QLabel(celda);
    icono->setScaledContents(true);
    icono->setGeometry(encabezado ? QRect(7, 2, 20, 20) : QRect(25, 4, 15, 15));
    Utils::cargaImageRS(elemento.getImagen(), icono, Sistema::exePath);
    etiqueta = new TEtiquetaAccion(elemento.getNombreMenu(), fila);
    etiqueta->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    etiqueta->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    etiqueta->setToolTip(elemento.getNombreMenu());
    QFont negritas = etiqueta->font();
    negritas.setBold(true);
    etiqueta->setFont(negritas);
    diseno->addWidget(celda);
    diseno->addWidget(etiqueta, 1);
    return fila;
}

QVBoxLayout* apilado(QWidget* w)
{
    auto* diseno = new QVBoxLayout(w);
    diseno->setContentsMargins(0, 0, 0, 0);
    diseno->setSpacing(0);
    diseno->setAlignment(Qt::AlignTop);
    return diseno;
}

} // namespace

TMenuModulos::TMenuModulos(QWidget* parent) : QScrollArea(parent)
{
    setObjectName(QStringLiteral("SbMenuPrincipal"));
    // The area and what it holds let the panel's background show through.
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* menus = new QWidget(this);
    menus->setObjectName(QStringLiteral("TxMenus"));
    m_menus = new QVBoxLayout(menus);
    m_menus->setContentsMargins(0, 0, 0, 0);
    m_menus->setSpacing(0);
    m_menus->addStretch();
    setWidget(menus);
    menus->setAutoFillBackground(false);
}

void TMenuModulos::cargaModulos(const QString& carpetaPrograma, TVentanasModulo& ventanas)
{
    Modulos::cargaModulos(m_paquetes, carpetaPrograma,
                          [this, &ventanas](const TListaMenuModulo& menu, TPaqueteBean& paquete) {
                              imprimeMenu(generaElementosMenu(menu, paquete, ventanas));
                          });
}

QList<TEtiquetaAccion*> TMenuModulos::filas() const
{
    return widget()->findChildren<TEtiquetaAccion*>();
}

void TMenuModulos::imprimeMenu(TMenuModulo* menu)
{
    if (!menu || !menu->getContenedor())
        return;
    m_menus->insertWidget(m_menus->count() - 1, menu->getContenedor());
    // Made while the window may already be shown: a layout would only show
    // it later, and its submenu must be showable at once.
    menu->getContenedor()->show();
}

TMenuModulo* TMenuModulos::generaElementosMenu(const TListaMenuModulo& elementos, TPaqueteBean& paquete,
                                               TVentanasModulo& ventanas)
{
    auto grupo = std::make_unique<TMenuModulo>();
    auto* contenedor = new QWidget(widget());
    contenedor->setObjectName(QStringLiteral("Menu") + paquete.getNombreBPL());
    contenedor->setFixedHeight(5);
    QVBoxLayout* dContenedor = apilado(contenedor);
    auto* encabezado = new QWidget(contenedor);
    encabezado->setObjectName(QStringLiteral("Encabezado") + paquete.getNombreBPL());
    QVBoxLayout* dEncabezado = apilado(encabezado);
    encabezado->setFixedHeight(0);
    auto* subMenu = new QWidget(contenedor);
    subMenu->setObjectName(QStringLiteral("SubMenu") + paquete.getNombreBPL());
    QVBoxLayout* dSubMenu = apilado(subMenu);
    subMenu->setFixedHeight(0);
    subMenu->hide();
    grupo->setContenedor(contenedor);
    grupo->setEncabezado(encabezado);
    grupo->setSubMenu(subMenu);
    grupo->setVentana(new QWidget(contenedor));
    grupo->getVentana()->hide();
    grupo->setIsExpanded(false);

    for (const TElementoMenuModulo& elemento : elementos) {
        const int tipo = elemento.getTipo();
        const bool esEncabezado = tipo == TIPO_MENU_PRINCIPAL || tipo == TIPO_MENU_UNICO;
        TEtiquetaAccion* etiqueta = nullptr;
        QWidget* fila = filaMenu(esEncabezado ? encabezado : subMenu, elemento, esEncabezado, etiqueta);
        if (esEncabezado) {
            if (tipo == TIPO_MENU_UNICO)
                conectaFila(etiqueta, elemento, ventanas);
            else
                connect(etiqueta, &TEtiquetaAccion::activada, this,
                        [this, etiqueta] { Utils::protegido([this, etiqueta] { alterna(etiqueta); }); });
            dEncabezado->addWidget(fila);
            encabezado->setFixedHeight(ALTO_FILA_MENU);
            m_expandibles.insert(etiqueta->text(), grupo.get());
        } else {
            dSubMenu->addWidget(fila);
            subMenu->setFixedHeight(subMenu->maximumHeight() + ALTO_FILA_MENU);
            conectaFila(etiqueta, elemento, ventanas);
        }
    }
    dContenedor->addWidget(encabezado);
    contenedor->setFixedHeight(encabezado->maximumHeight());
    m_grupos.push_back(std::move(grupo));
    return m_grupos.back().get();
}

void TMenuModulos::conectaFila(TEtiquetaAccion* etiqueta, const TElementoMenuModulo& elemento,
                               TVentanasModulo& ventanas)
{
    // A row whose window cannot be made stays inert.
    if (!ventanas.preparaFila(elemento))
        return;
    etiqueta->setObjectName(elemento.getNombreComponente());
    connect(etiqueta, &TEtiquetaAccion::activada, this, [this, etiqueta] { emit ventanaSolicitada(etiqueta); });
}

void TMenuModulos::alterna(QLabel* encabezado)
{
    if (!Modulos::permitido(Modulos::convierteModulo(encabezado->text()))) {
        Utils::mensaje(ERROR_PERMISOS, MSG_ERROR);
        return;
    }
    TMenuModulo* grupo = m_expandibles.value(encabezado->text());
    if (!grupo)
        return;
    QWidget* contenedor = grupo->getContenedor();
    QWidget* subMenu = grupo->getSubMenu();
    auto* diseno = static_cast<QVBoxLayout*>(contenedor->layout());
    grupo->setIsExpanded(!grupo->getIsExpanded());
    if (grupo->getIsExpanded()) {
        diseno->addWidget(subMenu);
        subMenu->show();
        contenedor->setFixedHeight(grupo->getEncabezado()->maximumHeight() + subMenu->maximumHeight());
    } else {
        diseno->removeWidget(subMenu);
        subMenu->hide();
        contenedor->setFixedHeight(grupo->getEncabezado()->maximumHeight());
    }
}
