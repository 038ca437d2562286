#include "TCartaManifiestoFrm.h"

#include "admin/CartaManifiesto.h"
#include "Constantes.h"
#include "Controles.h"
#include "Entidades.h"
#include "Sistema.h"
#include "Style.h"
#include "negocio/Utils.h"
#include "app/UtilsVentanas.h"

#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

using namespace Constantes;

TCartaManifiestoFrm::TCartaManifiestoFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CartaManifiestoFrm"));
    setWindowTitle(QStringLiteral("Carta Manifiesto"));
    auto* diseno = new QVBoxLayout(this);
    diseno->setContentsMargins(0, 0, 0, 0);
    TxFondo = new QWidget(this);
    TxFondo->setObjectName(QStringLiteral("TxFondo"));
    diseno->addWidget(TxFondo);

    TxNegocio = Controles::texto(TxFondo, QStringLiteral("TxNegocio"), QStringLiteral("Firma de Carta Manifiesto"));
    QFont titulo = TxNegocio->font();
    titulo.setPointSize(titulo.pointSize() + 6);
    titulo.setBold(true);
    TxNegocio->setFont(titulo);
    ImgLapiz = Controles::imagen(TxFondo, QStringLiteral("ImgLapiz"), 24);
    auto* encabezado = new QHBoxLayout();
    encabezado->addWidget(TxNegocio);
    encabezado->addWidget(ImgLapiz);
    encabezado->addStretch();
    auto* separador = new QFrame(TxFondo);
    separador->setObjectName(QStringLiteral("LnSeparadorTitulo"));
    separador->setFrameShape(QFrame::HLine);
    separador->setFrameShadow(QFrame::Plain);

    TxLeyenda = Controles::texto(TxFondo, QStringLiteral("TxLeyenda"));
    TxLeyenda->setWordWrap(true);
    TxURL = Controles::texto(TxFondo, QStringLiteral("TxURL"));
    TxURL->setTextInteractionFlags(Qt::NoTextInteraction);
    BtNuevaEmpresa = Controles::boton(TxFondo, QStringLiteral("BtNuevaEmpresa"), QStringLiteral("&Nueva Empresa"));
    auto* botones = new QHBoxLayout();
    botones->addStretch();
    botones->addWidget(BtNuevaEmpresa);

    auto* contenido = new QVBoxLayout(TxFondo);
    contenido->setContentsMargins(16, 12, 16, 12);
    contenido->addLayout(encabezado);
    contenido->addWidget(separador);
    contenido->addWidget(TxLeyenda);
    contenido->addWidget(TxURL);
    contenido->addSpacing(12);
    contenido->addLayout(botones);
    contenido->addStretch();

    Controles::alClic(TxURL, [this] { TxURLClick(); });
    // Its text comes later; it is a keyboard stop all the same.
    TxURL->setFocusPolicy(Qt::TabFocus);
    connect(BtNuevaEmpresa, &QPushButton::clicked, this, &TCartaManifiestoFrm::nuevaEmpresaSolicitada);
    FormCreate();
}

void TCartaManifiestoFrm::FormCreate()
{
    TxLeyenda->setText(REGLA_LYENDA_FISCAL);
    Controles::colorTexto(TxNegocio, RS_TEXTOSECCION);
    Controles::colorTexto(TxURL, RS_TEXTOSECCION);
    Utils::cargaImageRS(IMG_LAPIZ, ImgLapiz, Sistema::exePath);
    Controles::estiloBotonesMarca({BtNuevaEmpresa});
    Controles::ordenTabulacion({TxURL, BtNuevaEmpresa});
    // Hosted, the page starts at its link (TMainFrm::hospeda), not where the
    // link that opened it was. Nothing before the link takes the keyboard,
    // so Tab into the page skips nothing.
    TxFondo->setFocusProxy(TxURL);
}

void TCartaManifiestoFrm::inicializa()
{
    QString rfc;
    QString nombre;
    if (Sistema::Negocio)
        if (const std::shared_ptr<TDatosfiscales> fiscales = Sistema::Negocio->getDatosfiscales()) {
            rfc = fiscales->getRfc();
            nombre = fiscales->getRazon();
        }
    url = CartaManifiesto::construyeUrl(Utils::getURLCartaManifiesto(Sistema::exePath),
                                        Utils::getTokenCartaManifiesto(Sistema::exePath), rfc, nombre);
    // The address itself is long and percent-encoded: the link names what it
    // does, the address shows on hover.
    TxURL->setText(url.isEmpty() ? QString() : CartaManifiesto::TEXTO_LIGA);
    TxURL->setToolTip(url);
}

int TCartaManifiestoFrm::getHeight() const
{
    return TxFondo->sizeHint().height();
}

void TCartaManifiestoFrm::TxURLClick()
{
    if (url.isEmpty())
        return;
    // The program stays open: ending it here would throw away the user's
    // session, and on a computer without a browser leave them with nothing.
    if (!QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode)))
        Utils::mensaje(CartaManifiesto::ERR_SIN_NAVEGADOR.arg(url), MSG_WARNING);
}
