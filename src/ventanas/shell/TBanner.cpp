#include "TBanner.h"

#include "Constantes.h"
#include "Controles.h"
#include "PiezasPrincipal.h"
#include "Sistema.h"
#include "Style.h"
#include "TEtiquetaAccion.h"
#include "app/UtilsVentanas.h"
#include "shell/TVerificaUpdate.h"

#include <QHBoxLayout>
#include <QLabel>

using namespace Constantes;

TBanner::TBanner(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("RcBanner"));
    setFixedHeight(45);
    auto* fila = new QHBoxLayout(this);
    fila->setContentsMargins(10, 4, 14, 4);
    ImgLogo = new QLabel(this);
    ImgLogo->setObjectName(QStringLiteral("ImgLogo"));
    ImgLogo->setFixedSize(120, 36);
    ImgLogo->setScaledContents(true);
    ImgUpdate = Controles::imagen(this, QStringLiteral("ImgUpdate"), 24);
    ImgUpdate->setToolTip(QStringLiteral("Actualización disponible"));
    // Its own keyboard stop: no text link beside it starts the update.
    ImgUpdate->setAccessibleName(ImgUpdate->toolTip());
    ImgUpdate->setCursor(Qt::PointingHandCursor);
    // Shown only once the update check found a newer program.
    ImgUpdate->hide();
    Controles::alClic(ImgUpdate, [this] {
        if (TVerificaUpdate::iniciaActualizador())
            emit actualizadorIniciado();
    });
    TxUser = PiezasPrincipal::accion(this, QStringLiteral("TxUser"), QStringLiteral("Cerrar Sesión"));
    fila->addWidget(ImgLogo);
    fila->addStretch();
    fila->addWidget(ImgUpdate);
    fila->addSpacing(12);
    fila->addWidget(TxUser);
    connect(TxUser, &TEtiquetaAccion::activada, this, &TBanner::cierreSolicitado);
    Utils::cargaImageRS(IMG_LOGO, ImgLogo, Sistema::exePath);
    Utils::cargaImageRS(IMG_UPDATE, ImgUpdate, Sistema::exePath);
    aplicaEstilos();
}

void TBanner::aplicaEstilos()
{
    // The dark brand's banner is plain black.
    if (Sistema::claveMarca == QLatin1String("QZP"))
        Controles::fondo(this, PiezasPrincipal::color(RS_NEGRO));
    else
        Controles::fondo(this, QBrush(Style::StyleFrm().getBannerGradient(Sistema::claveMarca)));
    Controles::colorTexto(TxUser, RS_TEXTOBLANCO);
}

void TBanner::muestraActualizacion(bool disponible)
{
    ImgUpdate->setVisible(disponible);
}

QWidget* TBanner::salida() const
{
    return TxUser;
}
