#include "TPanelMenu.h"

#include "Constantes.h"
#include "Controles.h"
#include "Errores.h"
#include "Logmanager.h"
#include "PiezasPrincipal.h"
#include "Sistema.h"
#include "TEtiquetaAccion.h"
#include "TMenuModulos.h"
#include "app/UtilsVentanas.h"
#include "negocio/AjustesCorreo.h"
#include "negocio/ContextoTrabajo.h"
#include "negocio/Utils.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QToolTip>
#include <QVBoxLayout>

using namespace Constantes;
using PiezasPrincipal::accion;
using PiezasPrincipal::separador;

namespace {

const int ANCHO_MENU = 188;
// What the e-mail may take beside the user's picture.
const int ANCHO_CORREO = 130;

int idUsuario()
{
    return Sistema::Usuario ? Sistema::Usuario->getIdusuario() : -1;
}

// The branch's name on one line, cut with "…" where it does not fit and
// whole in its tooltip. Only the drawing is cut: module windows are handed
// this label and find the branch by its text, which stays whole.
class TEtiquetaSucursal : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter pintor(this);
        const QRect area = contentsRect();
        pintor.setPen(palette().color(isEnabled() ? QPalette::Normal : QPalette::Disabled, foregroundRole()));
        pintor.drawText(area, int(alignment()), fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
    }
    bool event(QEvent* evento) override
    {
        if (evento->type() == QEvent::ToolTip && toolTip().isEmpty()) {
            if (fontMetrics().horizontalAdvance(text()) > contentsRect().width())
                QToolTip::showText(static_cast<QHelpEvent*>(evento)->globalPos(), text(), this);
            else
                QToolTip::hideText();
            return true;
        }
        return QLabel::event(evento);
    }
};

} // namespace

TPanelMenu::TPanelMenu(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PnlMenu"));
    setFixedWidth(ANCHO_MENU);
    auto* dPanel = new QVBoxLayout(this);
    dPanel->setContentsMargins(0, 0, 0, 0);
    RcMenu = new QFrame(this);
    RcMenu->setObjectName(QStringLiteral("RcMenu"));
    dPanel->addWidget(RcMenu);
    auto* diseno = new QVBoxLayout(RcMenu);
    diseno->setContentsMargins(8, 8, 10, 0);
    diseno->setSpacing(6);
    diseno->addWidget(creaEmpresa());
    diseno->addWidget(separador(RcMenu, QStringLiteral("LnSeparadorEmpresa")));
    diseno->addWidget(creaUsuario());
    diseno->addWidget(separador(RcMenu, QStringLiteral("LnSeparadorUsuario")));
    diseno->addWidget(creaSucursal());
    diseno->addWidget(separador(RcMenu, QStringLiteral("LnSucursal")));
    diseno->addWidget(creaSeries());
    diseno->addWidget(separador(RcMenu, QStringLiteral("LnSeriesFolios")));
    diseno->addWidget(creaAcciones());
    SbMenuPrincipal = new TMenuModulos(RcMenu);
    diseno->addWidget(SbMenuPrincipal, 1);

    const QString carpeta = Sistema::exePath;
    Utils::cargaImageRS(IMG_USUARIO_DEFAULT, ImgLogoUsuario, carpeta);
    Utils::cargaImageRS(IMG_EMPRESA_DEFAULT, ImgLogoEmpresa, carpeta);
    Utils::cargaImageRS(IMG_CANDADO_LOGGIN, ImgKey, carpeta);
    Utils::cargaImageRS(IMG_FACTURACION, ImgCSD, carpeta);
    aplicaEstilos();
}

QWidget* TPanelMenu::creaEmpresa()
{
    TxEmpresa = new QWidget(RcMenu);
    TxEmpresa->setObjectName(QStringLiteral("TxEmpresa"));
    auto* dEmpresa = new QVBoxLayout(TxEmpresa);
    dEmpresa->setContentsMargins(0, 0, 0, 0);
    dEmpresa->setSpacing(4);
    auto* filaNombre = new QHBoxLayout();
    TxNombreEmpresa = accion(TxEmpresa, QStringLiteral("TxNombreEmpresa"));
    TxNombreEmpresa->setFocusPolicy(Qt::NoFocus); // the same as "Editar", once is enough for the keyboard
    QFont negritas = TxNombreEmpresa->font();
    negritas.setBold(true);
    TxNombreEmpresa->setFont(negritas);
    TxListaNegocios = accion(TxEmpresa, QStringLiteral("TxListaNegocios"), QStringLiteral("▶"));
    TxListaNegocios->setToolTip(QStringLiteral("Cambiar de empresa"));
    filaNombre->addWidget(TxNombreEmpresa, 1);
    filaNombre->addWidget(TxListaNegocios, 0, Qt::AlignTop);
    dEmpresa->addLayout(filaNombre);
    ImgLogoEmpresa = accion(TxEmpresa, QStringLiteral("ImgLogoEmpresa"));
    ImgLogoEmpresa->setFixedSize(96, 64);
    ImgLogoEmpresa->setScaledContents(true);
    ImgLogoEmpresa->setFocusPolicy(Qt::NoFocus);
    dEmpresa->addWidget(ImgLogoEmpresa, 0, Qt::AlignHCenter);
    auto* filaEditar = new QHBoxLayout();
    TxEditar = accion(TxEmpresa, QStringLiteral("TxEditar"), QStringLiteral("Editar"));
    // Both small pictures beside "Editar" do what they show; the crown only
    // tells who administers the business.
    ImgKey = Controles::imagen(TxEmpresa, QStringLiteral("ImgKey"), 16);
    ImgKey->setToolTip(QStringLiteral("Cambiar mi contraseña"));
    Controles::alClic(ImgKey, [this] { emit perfilSolicitado(); });
    ImgCSD = Controles::imagen(TxEmpresa, QStringLiteral("ImgCSD"), 16);
    ImgCSD->setToolTip(QStringLiteral("Firma de Carta Manifiesto"));
    Controles::alClic(ImgCSD, [this] { emit cartaManifiestoSolicitada(); });
    ImgPermisosUsuario = Controles::imagen(TxEmpresa, QStringLiteral("ImgPermisosUsuario"), 16);
    filaEditar->addWidget(TxEditar);
    filaEditar->addStretch();
    filaEditar->addWidget(ImgKey);
    filaEditar->addWidget(ImgCSD);
    filaEditar->addWidget(ImgPermisosUsuario);
    dEmpresa->addLayout(filaEditar);
    connect(TxNombreEmpresa, &TEtiquetaAccion::activada, this, [this] { emit edicionSolicitada(false); });
    connect(ImgLogoEmpresa, &TEtiquetaAccion::activada, this, [this] { emit edicionSolicitada(true); });
    connect(TxEditar, &TEtiquetaAccion::activada, this, [this] { emit edicionSolicitada(false); });
    connect(TxListaNegocios, &TEtiquetaAccion::activada, this, &TPanelMenu::listaNegociosSolicitada);
    return TxEmpresa;
}

QWidget* TPanelMenu::creaAcciones()
{
    auto* acciones = new QWidget(RcMenu);
    acciones->setObjectName(QStringLiteral("TxAcciones"));
    auto* d = new QVBoxLayout(acciones);
    d->setContentsMargins(0, 0, 0, 0);
    d->setSpacing(4);
    TxInicio = accion(acciones, QStringLiteral("TxInicio"), QStringLiteral("Inicio"));
    TxImportarXML = accion(acciones, QStringLiteral("TxImportarXML"), QStringLiteral("Importar XML…"));
    TxConfigurarCorreo = accion(acciones, QStringLiteral("TxConfigurarCorreo"), QStringLiteral("Configurar correo…"));
    TxConfigurarCorreo->setToolTip(QStringLiteral("El servidor de correo con el que se envían las claves para "
                                                  "recuperar contraseñas"));
    for (TEtiquetaAccion* a : {TxInicio, TxImportarXML, TxConfigurarCorreo}) {
        Controles::colorTexto(a, RS_TEXTOAZUL);
        d->addWidget(a);
    }
    connect(TxInicio, &TEtiquetaAccion::activada, this, &TPanelMenu::inicioSolicitado);
    connect(TxImportarXML, &TEtiquetaAccion::activada, this, &TPanelMenu::importacionSolicitada);
    connect(TxConfigurarCorreo, &TEtiquetaAccion::activada, this, &TPanelMenu::correoSolicitado);
    return acciones;
}

QWidget* TPanelMenu::creaUsuario()
{
    TxUsuario = new QWidget(RcMenu);
    TxUsuario->setObjectName(QStringLiteral("TxUsuario"));
    auto* dUsuario = new QHBoxLayout(TxUsuario);
    dUsuario->setContentsMargins(0, 0, 0, 0);
    ImgLogoUsuario = accion(TxUsuario, QStringLiteral("ImgLogoUsuario"));
    ImgLogoUsuario->setFixedSize(32, 32);
    ImgLogoUsuario->setScaledContents(true);
    ImgLogoUsuario->setFocusPolicy(Qt::NoFocus);
    TxUserEmail = accion(TxUsuario, QStringLiteral("TxUserEmail"));
    dUsuario->addWidget(ImgLogoUsuario);
    dUsuario->addWidget(TxUserEmail, 1);
    connect(TxUserEmail, &TEtiquetaAccion::activada, this, &TPanelMenu::perfilSolicitado);
    connect(ImgLogoUsuario, &TEtiquetaAccion::activada, this, &TPanelMenu::perfilSolicitado);
    return TxUsuario;
}

QWidget* TPanelMenu::creaSucursal()
{
    TxSucursalPanel = new QWidget(RcMenu);
    TxSucursalPanel->setObjectName(QStringLiteral("TxSucursalPanel"));
    auto* dSucursal = new QHBoxLayout(TxSucursalPanel);
    dSucursal->setContentsMargins(0, 0, 0, 0);
    TxSucursalLeft = accion(TxSucursalPanel, QStringLiteral("TxSucursalLeft"), QStringLiteral("◀"));
    TxSucursalLeft->setToolTip(QStringLiteral("Sucursal anterior"));
    TxSucursal = new TEtiquetaSucursal(TxSucursalPanel);
    TxSucursal->setObjectName(QStringLiteral("TxSucursal"));
    TxSucursal->setAlignment(Qt::AlignCenter);
    TxSucursal->setTextFormat(Qt::PlainText);
    // Its text's width is no claim on the panel's.
    TxSucursal->setSizePolicy(QSizePolicy::Ignored, TxSucursal->sizePolicy().verticalPolicy());
    TxSucursalRight = accion(TxSucursalPanel, QStringLiteral("TxSucursalRight"), QStringLiteral("▶"));
    TxSucursalRight->setToolTip(QStringLiteral("Sucursal siguiente"));
    dSucursal->addWidget(TxSucursalLeft);
    dSucursal->addWidget(TxSucursal, 1);
    dSucursal->addWidget(TxSucursalRight);
    connect(TxSucursalLeft, &TEtiquetaAccion::activada, this,
            [this] { Utils::protegido([this] { mueveSucursal(-1); }); });
    connect(TxSucursalRight, &TEtiquetaAccion::activada, this,
            [this] { Utils::protegido([this] { mueveSucursal(1); }); });
    return TxSucursalPanel;
}

QWidget* TPanelMenu::creaSeries()
{
    TxSeriesPanel = new QWidget(RcMenu);
    TxSeriesPanel->setObjectName(QStringLiteral("TxSeriesPanel"));
    auto* dSeries = new QGridLayout(TxSeriesPanel);
    dSeries->setContentsMargins(0, 0, 0, 0);
    auto* titulo = new QLabel(QStringLiteral("Series:"), TxSeriesPanel);
    titulo->setObjectName(QStringLiteral("TxSeriesTitulo"));
    CmbSeries = new QComboBox(TxSeriesPanel);
    CmbSeries->setObjectName(QStringLiteral("CmbSeries"));
    CmbSeries->setMinimumWidth(0);
    CmbSeries->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    titulo->setBuddy(CmbSeries);
    auto* tituloFolio = new QLabel(QStringLiteral("Folio"), TxSeriesPanel);
    tituloFolio->setObjectName(QStringLiteral("TxFolioTitulo"));
    TxFolio = new QLabel(TxSeriesPanel);
    TxFolio->setObjectName(QStringLiteral("TxFolio"));
    dSeries->addWidget(titulo, 0, 0);
    dSeries->addWidget(CmbSeries, 0, 1);
    dSeries->addWidget(tituloFolio, 1, 0);
    dSeries->addWidget(TxFolio, 1, 1);
    dSeries->setColumnStretch(1, 1);
    connect(CmbSeries, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_actualizandoSeries)
            Utils::protegido([this] { actualizaSeries(); });
    });
    return TxSeriesPanel;
}

void TPanelMenu::aplicaEstilos()
{
    const QColor blanco = PiezasPrincipal::color(RS_TEXTOBLANCO);
    RcMenu->setStyleSheet(QStringLiteral("QFrame#RcMenu { background: %1; border: none; border-right: 2px solid %2; }")
                              .arg(blanco.name(), PiezasPrincipal::color(RS_SEPARADOR).name()));
    for (QLabel* t :
         {static_cast<QLabel*>(TxNombreEmpresa), static_cast<QLabel*>(TxListaNegocios), static_cast<QLabel*>(TxEditar),
          TxFolio, static_cast<QLabel*>(TxSucursalLeft), static_cast<QLabel*>(TxSucursalRight)})
        Controles::colorTexto(t, RS_TEXTOAZUL);
}

QWidget* TPanelMenu::anclaNegocios() const
{
    return TxListaNegocios;
}

QList<QWidget*> TPanelMenu::ordenTabulacion() const
{
    QList<QWidget*> orden = {TxListaNegocios, TxEditar,  ImgCSD,   TxUserEmail,   TxSucursalLeft,
                             TxSucursalRight, CmbSeries, TxInicio, TxImportarXML, TxConfigurarCorreo};
    for (TEtiquetaAccion* fila : SbMenuPrincipal->filas())
        orden << fila;
    return orden;
}

void TPanelMenu::muestraNegocio()
{
    if (!Sistema::Negocio)
        return;
    Controles::textoRecortado(TxNombreEmpresa, Sistema::Negocio->getNombre());
    // A long address is shortened in its middle, where it says least; the
    // whole one is in the tooltip.
    const QString correo = Sistema::Usuario ? Sistema::Usuario->getEmail() : QString();
    TxUserEmail->setText(TxUserEmail->fontMetrics().elidedText(correo, Qt::ElideMiddle, ANCHO_CORREO));
    TxUserEmail->setToolTip(correo + QStringLiteral("\nMi perfil"));
    if (!PiezasPrincipal::muestraImagen(ImgLogoEmpresa, Sistema::Negocio->getLogonegocio()))
        Utils::cargaImageRS(IMG_EMPRESA_DEFAULT, ImgLogoEmpresa, Sistema::exePath);
}

void TPanelMenu::muestraPermisos()
{
    // The crown marks who administers the business: the users right.
    Utils::cargaImageRS(Sistema::getPermiso(CODIGO_PERMISOS) ? IMG_CORONA : IMG_USUARIO, ImgPermisosUsuario,
                        Sistema::exePath);
    ImgPermisosUsuario->setToolTip(Sistema::getPermiso(CODIGO_PERMISOS) ? QStringLiteral("Administrador")
                                                                        : QStringLiteral("Usuario"));
    // Only an administrator sets the program's mail.
    TxConfigurarCorreo->setVisible(AjustesCorreo::puedeConfigurar());
    bool conFoto = false;
    if (Sistema::Usuario && Sistema::Conexion && Sistema::Usuario->getIdpersonaId() >= 0) {
        // Only a picture: a database that does not answer (this runs when the
        // profile saves a photo, with nothing to catch it) leaves the default.
        try {
            const auto foto =
                TImagen::buscaUno(TImagen::columna(TImagen::col_Idpersona) == Sistema::Usuario->getIdpersonaId(),
                                  *Sistema::Conexion, TImagen::columna(TImagen::col_Idimagen).descendente());
            conFoto = foto && PiezasPrincipal::muestraImagen(ImgLogoUsuario, foto->getImagenperfil());
        } catch (const std::exception& e) {
            Logmanager::Log(Errores::describe(e), 1, Sistema::exePath);
        }
    }
    if (!conFoto)
        Utils::cargaImageRS(IMG_USUARIO_DEFAULT, ImgLogoUsuario, Sistema::exePath);
}

std::shared_ptr<TSucursal> TPanelMenu::sucursalActual()
{
    if (Sistema::sucursalIndex < 0 || Sistema::sucursalIndex >= Sistema::Sucursales.size())
        return nullptr;
    return Sistema::Sucursales.at(Sistema::sucursalIndex);
}

void TPanelMenu::inicializaSucursal()
{
    Sistema::actualizaSucursales();
    // A session starts on the branch the last one left as default.
    Sistema::sucursalIndex = ContextoTrabajo::indiceSucursalDefault(Sistema::Sucursales);
    inicializaSeries(sucursalActual().get(), QString());
}

void TPanelMenu::inicializaSeries(const TSucursal* sucursal, const QString& tipo)
{
    // The branch may have been renamed since it was shown: its series are
    // read again from the reloaded branch, and so is its name.
    TxSucursal->setText(sucursal ? ContextoTrabajo::nombreMostrado(*sucursal) : QString());
    m_actualizandoSeries = true;
    CmbSeries->clear();
    if (sucursal && Sistema::Conexion) {
        CmbSeries->addItems(
            ContextoTrabajo::nombresSeries(ContextoTrabajo::seriesDeSucursal(*sucursal, tipo, *Sistema::Conexion)));
        // Filling an empty combo selects its first item; only the default may be.
        CmbSeries->setCurrentIndex(-1);
        if (const auto porDefecto = ContextoTrabajo::serieDefault(*sucursal, tipo, *Sistema::Conexion))
            CmbSeries->setCurrentIndex(CmbSeries->findText(porDefecto->getSerie()));
    }
    m_actualizandoSeries = false;
    actualizaSeries();
}

void TPanelMenu::actualizaSeries()
{
    const std::shared_ptr<TSucursal> sucursal = sucursalActual();
    if (CmbSeries->currentIndex() < 0 || !sucursal || !Sistema::Conexion) {
        TxFolio->clear();
        return;
    }
    const auto serie =
        ContextoTrabajo::eligeSerie(*sucursal, CmbSeries->currentText(), *Sistema::Conexion, idUsuario());
    TxFolio->setText(serie ? serie->getNofolioactual() : QString());
}

bool TPanelMenu::haySerie() const
{
    return CmbSeries->currentIndex() >= 0 && !CmbSeries->currentText().trimmed().isEmpty();
}

void TPanelMenu::mueveSucursal(int paso)
{
    if (!Sistema::Conexion)
        return;
    const std::shared_ptr<TSucursal> sucursal = ContextoTrabajo::mueveSucursal(paso, *Sistema::Conexion, idUsuario());
    if (!sucursal)
        return;
    inicializaSeries(sucursal.get(), QString());
}
