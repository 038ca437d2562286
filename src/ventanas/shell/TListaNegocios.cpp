#include "TListaNegocios.h"

#include "Constantes.h"
#include "Controles.h"
#include "PiezasPrincipal.h"
#include "TEmpresaBean.h"
#include "TEtiquetaAccion.h"
#include "negocio/TBaseDatosLocalFrm.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Constantes;
using PiezasPrincipal::color;

namespace {

const int ALTO_MAXIMO_LISTA = 500;
const int MARGEN_LISTA = 25;
const QString TEXTO_SIN_EMPRESAS = QStringLiteral("No hay otras empresas");

} // namespace

TListaNegocios::TListaNegocios(QWidget* parent) : QFrame(parent, Qt::Popup)
{
    setObjectName(QStringLiteral("PPNegocios"));
    setFixedWidth(280);
    auto* dPopup = new QVBoxLayout(this);
    dPopup->setContentsMargins(0, 0, 0, 0);
    ScEmpresas = PiezasPrincipal::desplazable(this, QStringLiteral("ScEmpresas"));
    ScEmpresas->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    dPopup->addWidget(ScEmpresas);
    RcFondoEmp = new QFrame(ScEmpresas);
    RcFondoEmp->setObjectName(QStringLiteral("RcFondoEmp"));
    auto* dFondo = new QVBoxLayout(RcFondoEmp);
    dFondo->setContentsMargins(1, 1, 1, 1);
    dFondo->setSpacing(0);
    TxListado = new QLabel(TEXTO_SIN_EMPRESAS, RcFondoEmp);
    TxListado->setObjectName(QStringLiteral("TxListado"));
    TxListado->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_lista = new QVBoxLayout(TxListado);
    m_lista->setContentsMargins(0, 0, 0, 0);
    m_lista->setSpacing(0);
    m_lista->setAlignment(Qt::AlignTop);
    dFondo->addWidget(TxListado, 1);
    RcNuevoNegocio = new QWidget(RcFondoEmp);
    RcNuevoNegocio->setObjectName(QStringLiteral("RcNuevoNegocio"));
    RcNuevoNegocio->setFixedHeight(MARGEN_LISTA + 5);
    auto* dNuevo = new QHBoxLayout(RcNuevoNegocio);
    dNuevo->setContentsMargins(8, 0, 8, 0);
    TxNuevaEmpresa = PiezasPrincipal::accion(RcNuevoNegocio, QStringLiteral("TxNuevaEmpresa"),
                                             QStringLiteral("Agregar nueva empresa"));
    dNuevo->addWidget(TxNuevaEmpresa, 1, Qt::AlignCenter);
    dFondo->addWidget(RcNuevoNegocio);
    ScEmpresas->setWidget(RcFondoEmp);
    connect(TxNuevaEmpresa, &TEtiquetaAccion::activada, this, &TListaNegocios::nuevaEmpresaSolicitada);
    ScEmpresas->installEventFilter(this);
    aplicaEstilos();
}

TListaNegocios::~TListaNegocios()
{
    qDeleteAll(m_empresas);
}

void TListaNegocios::aplicaEstilos()
{
    Controles::fondo(RcNuevoNegocio, color(RS_TEXTOAZUL));
    RcFondoEmp->setStyleSheet(QStringLiteral("QFrame#RcFondoEmp { background: %1; border: 1px solid %2; }")
                                  .arg(color(RS_TEXTOBLANCO).name(), color(RS_TEXTOAZUL).name()));
    Controles::colorTexto(TxNuevaEmpresa, RS_TEXTOBLANCO);
}

void TListaNegocios::vacia()
{
    for (TEmpresaBean* empresa : std::as_const(m_empresas)) {
        m_lista->removeWidget(empresa->getFondo());
        delete empresa;
    }
    m_empresas.clear();
}

void TListaNegocios::llena(const QString& rfcActual)
{
    vacia();
    int altura = 0;
    QList<QWidget*> orden;
    const QStringList filas = registroLocal().getEmpresasDetalle();
    for (const QString& fila : filas) {
        const QStringList partes = fila.split(QLatin1Char('|'));
        const QString rfc = partes.value(0);
        if (rfc.isEmpty() || rfc == rfcActual || m_empresas.contains(rfc))
            continue;
        auto* empresa = new TEmpresaBean(rfc, partes.value(1), TxListado);
        for (TEtiquetaAccion* etiqueta : {empresa->getTexto(), empresa->getImagen()})
            connect(etiqueta, &TEtiquetaAccion::activada, this,
                    [this, etiqueta] { emit negocioElegido(etiqueta->objectName()); });
        m_lista->addWidget(empresa->getFondo());
        m_empresas.insert(rfc, empresa);
        orden << empresa->getTexto();
        altura += TEmpresaBean::ALTO;
    }
    // The stops go down the list as it reads, the link to add one last.
    Controles::ordenTabulacion(orden + QList<QWidget*>{TxNuevaEmpresa});
    m_primera = orden.isEmpty() ? static_cast<QWidget*>(TxNuevaEmpresa) : orden.first();
    TxListado->setText(m_empresas.isEmpty() ? TEXTO_SIN_EMPRESAS : QString());
    TxListado->setFixedHeight(altura + MARGEN_LISTA);
    RcFondoEmp->setFixedHeight(altura + MARGEN_LISTA + RcNuevoNegocio->height() + 2);
    const int visible = qMin(RcFondoEmp->height(), ALTO_MAXIMO_LISTA);
    ScEmpresas->setFixedHeight(visible);
    setFixedHeight(visible);
}

void TListaNegocios::abre(const QWidget* ancla)
{
    move(ancla->mapToGlobal(QPoint(ancla->width(), 0)));
    show();
    // The keyboard starts on the first business, not on the arrow that
    // opened the list.
    QWidget* primera = m_primera ? m_primera : TxNuevaEmpresa;
    primera->setFocus(Qt::PopupFocusReason);
    ScEmpresas->ensureWidgetVisible(primera);
}

bool TListaNegocios::eventFilter(QObject* objeto, QEvent* evento)
{
    // Up and down go through the list as Shift+Tab and Tab do, where the
    // area would only scroll.
    if (objeto == ScEmpresas && evento->type() == QEvent::KeyPress) {
        const int tecla = static_cast<QKeyEvent*>(evento)->key();
        if (tecla == Qt::Key_Down || tecla == Qt::Key_Up) {
            focusNextPrevChild(tecla == Qt::Key_Down);
            if (QWidget* foco = focusWidget())
                ScEmpresas->ensureWidgetVisible(foco);
            return true;
        }
    }
    return QFrame::eventFilter(objeto, evento);
}
