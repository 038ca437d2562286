#include "TAreaTrabajo.h"

#include "Constantes.h"
#include "ContratoModulos.h"
#include "Controles.h"
#include "Errores.h"
#include "Logmanager.h"
#include "PiezasPrincipal.h"
#include "Sistema.h"
#include "Style.h"
#include "TContenedorTexto.h"
#include "negocio/TPaquete.h"
#include "negocio/Utils.h"
#include "shell/Modulos.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

using namespace Constantes;

namespace {

const int ANCHO_MENU_LATERAL = 225;

} // namespace

TAreaTrabajo::TAreaTrabajo(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PnlPrincipal"));
    auto* dPanel = new QVBoxLayout(this);
    dPanel->setContentsMargins(0, 0, 0, 0);
    RcFondoPrincipal = new QWidget(this);
    RcFondoPrincipal->setObjectName(QStringLiteral("RcFondoPrincipal"));
    dPanel->addWidget(RcFondoPrincipal);
    auto* diseno = new QHBoxLayout(RcFondoPrincipal);
    diseno->setContentsMargins(0, 0, 0, 0);
    diseno->setSpacing(0);

    SBPrincipal = PiezasPrincipal::desplazable(RcFondoPrincipal, QStringLiteral("SBPrincipal"));
    TxVentanaPrincipal = new TContenedorTexto(SBPrincipal);
    TxVentanaPrincipal->setObjectName(QStringLiteral("TxVentanaPrincipal"));
    TxVentanaPrincipal->setAltura(50);
    SBPrincipal->setWidget(TxVentanaPrincipal);
    TxVentanaPrincipal->setAutoFillBackground(false);
    SBPrincipal->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    diseno->addWidget(SBPrincipal, 1);

    SBMenuLateral = PiezasPrincipal::desplazable(RcFondoPrincipal, QStringLiteral("SBMenuLateral"));
    SBMenuLateral->setFixedWidth(ANCHO_MENU_LATERAL);
    SBMenuLateral->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    TxMenuLateral = new TContenedorTexto(SBMenuLateral);
    TxMenuLateral->setObjectName(QStringLiteral("TxMenuLateral"));
    TxMenuLateral->setAltura(0);
    SBMenuLateral->setWidget(TxMenuLateral);
    TxMenuLateral->setAutoFillBackground(false);
    SBMenuLateral->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Shown only while a module has something there.
    SBMenuLateral->hide();
    diseno->addWidget(SBMenuLateral);
    fondoPaginas();
}

bool TAreaTrabajo::muestra(const QWidget* contenido) const
{
    return TxVentanaPrincipal->contiene(contenido);
}

void TAreaTrabajo::hospeda(QWidget* contenido, int altura)
{
    quitaReposo();
    if (m_activa)
        TxVentanaPrincipal->quita(m_activa);
    TxVentanaPrincipal->agrega(contenido);
    m_activa = contenido;
    quitaMenuLateral();
    TxVentanaPrincipal->setAltura(altura);
}

void TAreaTrabajo::hospedaCompleta(QWidget* contenido)
{
    hospeda(contenido, 0);
    TxVentanaPrincipal->llena(contenido->minimumSizeHint().height());
}

void TAreaTrabajo::muestraReposo(QWidget* pagina)
{
    limpia();
    m_reposo = pagina;
    TxVentanaPrincipal->agrega(pagina);
    TxVentanaPrincipal->llena(pagina->minimumSizeHint().height());
    fondoPaginas();
}

void TAreaTrabajo::quitaReposo()
{
    if (m_reposo && TxVentanaPrincipal->contiene(m_reposo))
        TxVentanaPrincipal->quita(m_reposo);
}

void TAreaTrabajo::abreConfiguracion(QWidget* configuracion)
{
    quitaReposo();
    if (m_activa)
        TxVentanaPrincipal->quita(m_activa);
    m_activa = configuracion;
    if (m_lateralActiva)
        quitaMenuLateral();
    if (configuracion) {
        TxVentanaPrincipal->setAltura(VENTANA_CONFIGURACION_HEIGHT);
        TxVentanaPrincipal->agrega(configuracion);
        const QPointer<QWidget> abierta(configuracion);
        if (!activa(configuracion, ContratoModulos::TEXTO_LIMPIA, configuracion))
            retiraFallido(abierta);
    }
}

void TAreaTrabajo::abrePrincipal(QWidget* principal, const QString& accion, QObject* emisor, QWidget* subMenu)
{
    quitaReposo();
    if (m_activa)
        TxVentanaPrincipal->quita(m_activa);
    quitaMenuLateral();
    // Named before it runs: its opening may let events run, and whatever
    // the user opens meanwhile must take it out as it takes out any other.
    m_activa = principal;
    const QPointer<QWidget> abierta(principal);
    if (principal) {
        principal->setVisible(true);
        TxVentanaPrincipal->agrega(principal);
        TxVentanaPrincipal->llena(principal->minimumSizeHint().height());
        if (!activa(principal, accion, emisor)) {
            retiraFallido(abierta);
            return;
        }
        if (!abierta || m_activa != abierta)
            return;
        principal->update();
    }
    // Measured once the content has run: it may fill its side menu there.
    if (subMenu)
        muestraMenuLateral(subMenu);
}

bool TAreaTrabajo::activa(QWidget* contenido, const QString& texto, QObject* emisor)
{
    // Read first: a content may be gone by the time its opening returns.
    const QMetaObject* clase = contenido->metaObject();
    QString detalle;
    QString registro;
    try {
        ContratoModulos::activaContenido(contenido, texto, emisor);
        return true;
    } catch (const std::exception& e) {
        detalle = Utils::textoError(e);
        registro = Errores::describe(e);
    } catch (...) {
        registro = QStringLiteral("una excepción de tipo desconocido");
    }
    const QString archivo = TPaquete::archivoDe(clase);
    const QString modulo = archivo.endsWith(ContratoModulos::EXTENSION_PAQUETE, Qt::CaseInsensitive)
                               ? Modulos::nombrePaquete(archivo)
                               : QString::fromLatin1(clase->className());
    Logmanager::Log(
        QStringLiteral("Paquete %1: %2 de %3 falló al abrir su ventana: %4")
            .arg(archivo, QLatin1String(ContratoModulos::OPERACION_CLIC), QLatin1String(clase->className()), registro),
        1, Sistema::exePath);
    QString aviso = QStringLiteral("El módulo «%1» falló al abrir su ventana").arg(modulo);
    aviso += detalle.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + detalle;
    Utils::mensaje(aviso, MSG_ERROR);
    return false;
}

void TAreaTrabajo::retiraFallido(const QPointer<QWidget>& contenido)
{
    // Left shown, a content that failed half-way would look usable.
    if (!contenido || m_activa != contenido)
        return;
    TxVentanaPrincipal->quita(contenido);
    m_activa = nullptr;
    TxVentanaPrincipal->setAltura(0);
}

void TAreaTrabajo::ajustaAltura(QWidget* contenido, int altura)
{
    if (contenido && m_activa == contenido)
        TxVentanaPrincipal->setAltura(altura);
}

void TAreaTrabajo::quitaMenuLateral()
{
    if (m_lateralActiva)
        TxMenuLateral->quita(m_lateralActiva);
    TxMenuLateral->setAltura(0);
    m_lateralActiva = nullptr;
    SBMenuLateral->hide();
}

void TAreaTrabajo::muestraMenuLateral(QWidget* submenu)
{
    TxMenuLateral->setAltura(qMax(submenu->height(), submenu->sizeHint().height()));
    TxMenuLateral->agrega(submenu);
    submenu->update();
    m_lateralActiva = submenu;
    SBMenuLateral->show();
}

void TAreaTrabajo::reinicia()
{
    Controles::fondo(RcFondoPrincipal, PiezasPrincipal::color(RS_TEXTOBLANCO));
    SBPrincipal->horizontalScrollBar()->setValue(0);
    SBPrincipal->verticalScrollBar()->setValue(0);
}

void TAreaTrabajo::fondoPaginas()
{
    Controles::fondo(RcFondoPrincipal, QBrush(Style::StyleFrm().getRectangleGradient(Sistema::claveMarca)));
}

void TAreaTrabajo::remueve()
{
    quitaReposo();
    if (m_activa) {
        TxVentanaPrincipal->quita(m_activa);
        TxVentanaPrincipal->setAltura(0);
    }
    if (m_lateralActiva) {
        TxMenuLateral->quita(m_lateralActiva);
        TxMenuLateral->setAltura(0);
        SBMenuLateral->hide();
    }
}

void TAreaTrabajo::limpia()
{
    quitaReposo();
    if (m_activa)
        TxVentanaPrincipal->quita(m_activa);
    m_activa = nullptr;
    TxVentanaPrincipal->setAltura(0);
    if (m_lateralActiva)
        TxMenuLateral->quita(m_lateralActiva);
    TxMenuLateral->setAltura(0);
    SBMenuLateral->hide();
}
