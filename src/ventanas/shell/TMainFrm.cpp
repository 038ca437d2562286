#include "TMainFrm.h"

#include "Constantes.h"
#include "negocio/ContextoTrabajo.h"
#include "ContratoModulos.h"
#include "shell/Despacho.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Prompter.h"
#include "RegistroClases.h"
#include "shell/Reinicio.h"
#include "Sistema.h"
#include "Style.h"
#include "TBaseDatosCatalogosFrm.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "admin/TCartaManifiestoFrm.h"
#include "negocio/TConfiguracionNegocio.h"
#include "TContenedorTexto.h"
#include "TEmpresaBean.h"
#include "admin/TEmpresaFrm.h"
#include "TEtiquetaAccion.h"
#include "negocio/TIngreso.h"
#include "admin/TPerfilFrm.h"
#include "shell/TVerificaUpdate.h"
#include "setup/TPaginaNegocio.h"
#include "negocio/Utils.h"
#include "negocio/UtilsPaquetes.h"
#include "app/UtilsVentanas.h"
#include "Controles.h"
#include "app/Ventanas.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QVersionNumber>

#include <functional>
#include <utility>

using namespace Constantes;

namespace {

const int ANCHO_MENU = 188;
const int ANCHO_MENU_LATERAL = 225;
const int ALTO_FILA_MENU = 22;
const int ALTO_MAXIMO_LISTA = 500;
const int MARGEN_LISTA = 25;

const QString TEXTO_SIN_EMPRESAS = QStringLiteral("No hay otras empresas");

QColor color(const QString& nombre)
{
    return Style::StyleFrm().color(nombre);
}

using Controles::colorTexto;
using Controles::fondo;
using Controles::imagen;

TEtiquetaAccion* accion(QWidget* padre, const QString& nombre, const QString& texto = QString())
{
    auto* etiqueta = new TEtiquetaAccion(texto, padre);
    etiqueta->setObjectName(nombre);
    return etiqueta;
}

QFrame* separador(QWidget* padre, const QString& nombre)
{
    auto* linea = new QFrame(padre);
    linea->setObjectName(nombre);
    linea->setFixedHeight(1);
    fondo(linea, color(RS_SEPARADOR));
    return linea;
}

QScrollArea* desplazable(QWidget* padre, const QString& nombre)
{
    // The area and what it holds (setWidget paints it) let the background
    // beneath show through.
    auto* area = new QScrollArea(padre);
    area->setObjectName(nombre);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->viewport()->setAutoFillBackground(false);
    // What it holds takes the keyboard, not the area itself.
    area->setFocusPolicy(Qt::NoFocus);
    return area;
}

// A picture stored in the database, or nothing when the bytes are not one.
bool muestraImagen(QLabel* destino, const QByteArray& bytes)
{
    QPixmap mapa;
    if (bytes.isEmpty() || !mapa.loadFromData(bytes))
        return false;
    destino->setPixmap(mapa);
    return true;
}

// Event handlers run the entity package; what fails is told to the user and
// logged instead of reaching the event loop.
void protegido(const std::function<void()>& trabajo)
{
    try {
        trabajo();
    } catch (const std::exception& e) {
        Logmanager::Log(Errores::describe(e), 1, Sistema::exePath);
        const auto* propio = dynamic_cast<const EVelkor*>(&e);
        Utils::mensaje(propio ? propio->mensaje() : QString::fromLocal8Bit(e.what()), MSG_ERROR);
    }
}

int idUsuario()
{
    return Sistema::Usuario ? Sistema::Usuario->getIdusuario() : -1;
}

} // namespace

TMainFrm::TMainFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("MainFrm"));
    setWindowTitle(NOMBRE_SISTEMA);
    resize(1080, 705);
    auto* diseno = new QVBoxLayout(this);
    diseno->setContentsMargins(0, 0, 0, 0);
    diseno->setSpacing(0);
    creaBanner(diseno);
    auto* cuerpo = new QHBoxLayout();
    cuerpo->setContentsMargins(0, 0, 0, 0);
    cuerpo->setSpacing(0);
    cuerpo->addWidget(creaPanelMenu());
    cuerpo->addWidget(creaPanelPrincipal(), 1);
    diseno->addLayout(cuerpo, 1);
    creaPopupNegocios();
    FormCreate();
}

// Menu groups hold plain pointers to widgets of the menu panel, which go
// with the window.
TMainFrm::~TMainFrm()
{
    qDeleteAll(lEmpresas);
    lEmpresas.clear();
}

// --- Construction ------------------------------------------------------------------

void TMainFrm::creaBanner(QVBoxLayout* diseno)
{
    RcBanner = new QWidget(this);
    RcBanner->setObjectName(QStringLiteral("RcBanner"));
    RcBanner->setFixedHeight(45);
    auto* fila = new QHBoxLayout(RcBanner);
    fila->setContentsMargins(10, 4, 14, 4);
    ImgLogo = new QLabel(RcBanner);
    ImgLogo->setObjectName(QStringLiteral("ImgLogo"));
    ImgLogo->setFixedSize(120, 36);
    ImgLogo->setScaledContents(true);
    ImgUpdate = imagen(RcBanner, QStringLiteral("ImgUpdate"), 24);
    ImgUpdate->setToolTip(QStringLiteral("Actualización disponible"));
    ImgUpdate->setCursor(Qt::PointingHandCursor);
    // Shown only once the update check found a newer program.
    ImgUpdate->hide();
    Controles::alClic(ImgUpdate, [this] {
        if (TVerificaUpdate::iniciaActualizador())
            emit actualizadorIniciado();
    });
    TxUser = accion(RcBanner, QStringLiteral("TxUser"), QStringLiteral("Cerrar Sesión"));
    fila->addWidget(ImgLogo);
    fila->addStretch();
    fila->addWidget(ImgUpdate);
    fila->addSpacing(12);
    fila->addWidget(TxUser);
    diseno->addWidget(RcBanner);
    connect(TxUser, &TEtiquetaAccion::activada, this, [this] { protegido([this] { TxUserClick(); }); });
}

QWidget* TMainFrm::creaPanelMenu()
{
    PnlMenu = new QWidget(this);
    PnlMenu->setObjectName(QStringLiteral("PnlMenu"));
    PnlMenu->setFixedWidth(ANCHO_MENU);
    auto* dPanel = new QVBoxLayout(PnlMenu);
    dPanel->setContentsMargins(0, 0, 0, 0);
    RcMenu = new QFrame(PnlMenu);
    RcMenu->setObjectName(QStringLiteral("RcMenu"));
    dPanel->addWidget(RcMenu);
    auto* diseno = new QVBoxLayout(RcMenu);
    diseno->setContentsMargins(8, 8, 10, 0);
    diseno->setSpacing(6);

    // The business.
    TxEmpresa = new QWidget(RcMenu);
    TxEmpresa->setObjectName(QStringLiteral("TxEmpresa"));
    auto* dEmpresa = new QVBoxLayout(TxEmpresa);
    dEmpresa->setContentsMargins(0, 0, 0, 0);
    dEmpresa->setSpacing(4);
    auto* filaNombre = new QHBoxLayout();
    TxNombreEmpresa = accion(TxEmpresa, QStringLiteral("TxNombreEmpresa"));
    TxNombreEmpresa->setWordWrap(true);
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
    ImgKey = imagen(TxEmpresa, QStringLiteral("ImgKey"), 16);
    ImgKey->setToolTip(QStringLiteral("Contraseña"));
    ImgCSD = imagen(TxEmpresa, QStringLiteral("ImgCSD"), 16);
    ImgCSD->setToolTip(QStringLiteral("Firma de Carta Manifiesto"));
    Controles::alClic(ImgCSD, [this] { protegido([this] { muestraCartaManifiesto(); }); });
    ImgPermisosUsuario = imagen(TxEmpresa, QStringLiteral("ImgPermisosUsuario"), 16);
    filaEditar->addWidget(TxEditar);
    filaEditar->addStretch();
    filaEditar->addWidget(ImgKey);
    filaEditar->addWidget(ImgCSD);
    filaEditar->addWidget(ImgPermisosUsuario);
    dEmpresa->addLayout(filaEditar);
    diseno->addWidget(TxEmpresa);
    LnSeparadorEmpresa = separador(RcMenu, QStringLiteral("LnSeparadorEmpresa"));
    diseno->addWidget(LnSeparadorEmpresa);

    // The user.
    TxUsuario = new QWidget(RcMenu);
    TxUsuario->setObjectName(QStringLiteral("TxUsuario"));
    auto* dUsuario = new QHBoxLayout(TxUsuario);
    dUsuario->setContentsMargins(0, 0, 0, 0);
    ImgLogoUsuario = accion(TxUsuario, QStringLiteral("ImgLogoUsuario"));
    ImgLogoUsuario->setFixedSize(32, 32);
    ImgLogoUsuario->setScaledContents(true);
    ImgLogoUsuario->setFocusPolicy(Qt::NoFocus);
    TxUserEmail = accion(TxUsuario, QStringLiteral("TxUserEmail"));
    TxUserEmail->setWordWrap(true);
    TxUserEmail->setToolTip(QStringLiteral("Mi perfil"));
    dUsuario->addWidget(ImgLogoUsuario);
    dUsuario->addWidget(TxUserEmail, 1);
    diseno->addWidget(TxUsuario);
    LnSeparadorUsuario = separador(RcMenu, QStringLiteral("LnSeparadorUsuario"));
    diseno->addWidget(LnSeparadorUsuario);

    // The branch.
    TxSucursalPanel = new QWidget(RcMenu);
    TxSucursalPanel->setObjectName(QStringLiteral("TxSucursalPanel"));
    auto* dSucursal = new QHBoxLayout(TxSucursalPanel);
    dSucursal->setContentsMargins(0, 0, 0, 0);
    TxSucursalLeft = accion(TxSucursalPanel, QStringLiteral("TxSucursalLeft"), QStringLiteral("◀"));
    TxSucursalLeft->setToolTip(QStringLiteral("Sucursal anterior"));
    TxSucursal = new QLabel(TxSucursalPanel);
    TxSucursal->setObjectName(QStringLiteral("TxSucursal"));
    TxSucursal->setAlignment(Qt::AlignCenter);
    TxSucursal->setWordWrap(true);
    TxSucursalRight = accion(TxSucursalPanel, QStringLiteral("TxSucursalRight"), QStringLiteral("▶"));
    TxSucursalRight->setToolTip(QStringLiteral("Sucursal siguiente"));
    dSucursal->addWidget(TxSucursalLeft);
    dSucursal->addWidget(TxSucursal, 1);
    dSucursal->addWidget(TxSucursalRight);
    diseno->addWidget(TxSucursalPanel);
    LnSucursal = separador(RcMenu, QStringLiteral("LnSucursal"));
    diseno->addWidget(LnSucursal);

    // The series.
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
    diseno->addWidget(TxSeriesPanel);
    LnSeriesFolios = separador(RcMenu, QStringLiteral("LnSeriesFolios"));
    diseno->addWidget(LnSeriesFolios);

    // The modules' menus.
    SbMenuPrincipal = desplazable(RcMenu, QStringLiteral("SbMenuPrincipal"));
    SbMenuPrincipal->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* menus = new QWidget(SbMenuPrincipal);
    menus->setObjectName(QStringLiteral("TxMenus"));
    m_menus = new QVBoxLayout(menus);
    m_menus->setContentsMargins(0, 0, 0, 0);
    m_menus->setSpacing(0);
    m_menus->addStretch();
    SbMenuPrincipal->setWidget(menus);
    menus->setAutoFillBackground(false);
    diseno->addWidget(SbMenuPrincipal, 1);

    connect(TxNombreEmpresa, &TEtiquetaAccion::activada, this,
            [this] { protegido([this] { TxEditarClick(TxNombreEmpresa); }); });
    connect(ImgLogoEmpresa, &TEtiquetaAccion::activada, this,
            [this] { protegido([this] { TxEditarClick(ImgLogoEmpresa); }); });
    connect(TxEditar, &TEtiquetaAccion::activada, this, [this] { protegido([this] { TxEditarClick(TxEditar); }); });
    connect(TxListaNegocios, &TEtiquetaAccion::activada, this,
            [this] { protegido([this] { TxListaNegociosClick(TxListaNegocios); }); });
    connect(TxUserEmail, &TEtiquetaAccion::activada, this, [this] { protegido([this] { TxUserEmailClick(); }); });
    connect(ImgLogoUsuario, &TEtiquetaAccion::activada, this, [this] { protegido([this] { TxUserEmailClick(); }); });
    connect(TxSucursalLeft, &TEtiquetaAccion::activada, this, [this] { protegido([this] { TxSucursalLeftClick(); }); });
    connect(TxSucursalRight, &TEtiquetaAccion::activada, this,
            [this] { protegido([this] { TxSucursalRightClick(); }); });
    connect(CmbSeries, &QComboBox::currentIndexChanged, this, [this] { protegido([this] { CmbSeriesChange(); }); });
    return PnlMenu;
}

QWidget* TMainFrm::creaPanelPrincipal()
{
    PnlPrincipal = new QWidget(this);
    PnlPrincipal->setObjectName(QStringLiteral("PnlPrincipal"));
    auto* dPanel = new QVBoxLayout(PnlPrincipal);
    dPanel->setContentsMargins(0, 0, 0, 0);
    RcFondoPrincipal = new QWidget(PnlPrincipal);
    RcFondoPrincipal->setObjectName(QStringLiteral("RcFondoPrincipal"));
    dPanel->addWidget(RcFondoPrincipal);
    auto* diseno = new QHBoxLayout(RcFondoPrincipal);
    diseno->setContentsMargins(0, 0, 0, 0);
    diseno->setSpacing(0);

    SBPrincipal = desplazable(RcFondoPrincipal, QStringLiteral("SBPrincipal"));
    TxVentanaPrincipal = new TContenedorTexto(SBPrincipal);
    TxVentanaPrincipal->setObjectName(QStringLiteral("TxVentanaPrincipal"));
    TxVentanaPrincipal->setAltura(50);
    SBPrincipal->setWidget(TxVentanaPrincipal);
    TxVentanaPrincipal->setAutoFillBackground(false);
    SBPrincipal->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    diseno->addWidget(SBPrincipal, 1);

    SBMenuLateral = desplazable(RcFondoPrincipal, QStringLiteral("SBMenuLateral"));
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

    connect(TxVentanaPrincipal, &TContenedorTexto::clicked, this, &TMainFrm::TxVentanaPrincipalClick);
    return PnlPrincipal;
}

void TMainFrm::creaPopupNegocios()
{
    PPNegocios = new QFrame(this, Qt::Popup);
    PPNegocios->setObjectName(QStringLiteral("PPNegocios"));
    PPNegocios->setFixedWidth(280);
    auto* dPopup = new QVBoxLayout(PPNegocios);
    dPopup->setContentsMargins(0, 0, 0, 0);
    ScEmpresas = desplazable(PPNegocios, QStringLiteral("ScEmpresas"));
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
    m_listaEmpresas = new QVBoxLayout(TxListado);
    m_listaEmpresas->setContentsMargins(0, 0, 0, 0);
    m_listaEmpresas->setSpacing(0);
    m_listaEmpresas->setAlignment(Qt::AlignTop);
    dFondo->addWidget(TxListado, 1);
    RcNuevoNegocio = new QWidget(RcFondoEmp);
    RcNuevoNegocio->setObjectName(QStringLiteral("RcNuevoNegocio"));
    RcNuevoNegocio->setFixedHeight(MARGEN_LISTA + 5);
    auto* dNuevo = new QHBoxLayout(RcNuevoNegocio);
    dNuevo->setContentsMargins(8, 0, 8, 0);
    TxNuevaEmpresa = accion(RcNuevoNegocio, QStringLiteral("TxNuevaEmpresa"), QStringLiteral("Agregar nueva empresa"));
    dNuevo->addWidget(TxNuevaEmpresa, 1, Qt::AlignCenter);
    dFondo->addWidget(RcNuevoNegocio);
    ScEmpresas->setWidget(RcFondoEmp);
    connect(TxNuevaEmpresa, &TEtiquetaAccion::activada, this, [this] { protegido([this] { TxNuevaEmpresaClick(); }); });
}

void TMainFrm::FormCreate()
{
    const QString carpeta = Sistema::exePath;
    Utils::cargaImageRS(IMG_LOGO, ImgLogo, carpeta);
    Utils::cargaImageRS(IMG_USUARIO_DEFAULT, ImgLogoUsuario, carpeta);
    Utils::cargaImageRS(IMG_EMPRESA_DEFAULT, ImgLogoEmpresa, carpeta);
    Utils::cargaImageRS(IMG_UPDATE, ImgUpdate, carpeta);
    Utils::cargaImageRS(IMG_CANDADO_LOGGIN, ImgKey, carpeta);
    Utils::cargaImageRS(IMG_FACTURACION, ImgCSD, carpeta);
    aplicaEstilos();
    ordenTabulacion();
    if (const QScreen* pantalla = QGuiApplication::primaryScreen())
        move(pantalla->availableGeometry().center() - rect().center());
}

void TMainFrm::aplicaEstilos()
{
    const Style::TStyleFrm& estilo = Style::StyleFrm();
    // The dark brand's banner is plain black.
    if (Sistema::claveMarca == QLatin1String("QZP"))
        fondo(RcBanner, color(RS_NEGRO));
    else
        fondo(RcBanner, QBrush(estilo.getBannerGradient(Sistema::claveMarca)));
    fondo(RcFondoPrincipal, QBrush(estilo.getRectangleGradient(Sistema::claveMarca)));
    RcMenu->setStyleSheet(QStringLiteral("QFrame#RcMenu { background: %1; border: none; border-right: 2px solid %2; }")
                              .arg(color(RS_TEXTOBLANCO).name(), color(RS_SEPARADOR).name()));
    fondo(RcNuevoNegocio, color(RS_TEXTOAZUL));
    RcFondoEmp->setStyleSheet(QStringLiteral("QFrame#RcFondoEmp { background: %1; border: 1px solid %2; }")
                                  .arg(color(RS_TEXTOBLANCO).name(), color(RS_TEXTOAZUL).name()));
    for (QLabel* t : {static_cast<QLabel*>(TxNuevaEmpresa), static_cast<QLabel*>(TxUser)})
        colorTexto(t, RS_TEXTOBLANCO);
    for (QLabel* t :
         {static_cast<QLabel*>(TxNombreEmpresa), static_cast<QLabel*>(TxListaNegocios), static_cast<QLabel*>(TxEditar),
          TxFolio, static_cast<QLabel*>(TxSucursalLeft), static_cast<QLabel*>(TxSucursalRight)})
        colorTexto(t, RS_TEXTOAZUL);
    // A clickable text reached with Tab shows where the keyboard is.
    setStyleSheet(QStringLiteral("TEtiquetaAccion:focus { border: 1px dotted %1; }").arg(color(RS_TEXTOAZUL).name()));
}

void TMainFrm::ordenTabulacion()
{
    // Top to bottom down the left panel, the modules' menus in their order,
    // and the sign-out last.
    QList<QWidget*> orden = {TxListaNegocios, TxEditar,        ImgCSD,   TxUserEmail,
                             TxSucursalLeft,  TxSucursalRight, CmbSeries};
    for (TEtiquetaAccion* fila : SbMenuPrincipal->widget()->findChildren<TEtiquetaAccion*>())
        orden << fila;
    orden << TxUser;
    for (int i = 1; i < orden.size(); ++i)
        QWidget::setTabOrder(orden.at(i - 1), orden.at(i));
}

// --- Showing and the session ---------------------------------------------------------

void TMainFrm::showEvent(QShowEvent* evento)
{
    QWidget::showEvent(evento);
    // Restoring a minimized window is no new showing.
    if (!evento->spontaneous())
        protegido([this] { FormShow(); });
}

void TMainFrm::FormShow()
{
    inicializaVersion();
    if (!inicializacionNegocio())
        return;
    inicializaPanelSucursal();
    creaIni();
}

void TMainFrm::actualizaSesion()
{
    if (!isVisible())
        return; // showing it reads everything
    // Back from adding a business: its page leaves the work area, and the
    // session is the one the user was working in.
    if (m_paginaNegocio && VentanaActiva == m_paginaNegocio)
        limpiaVentanaPrincipalYSubmenu();
    protegido([this] {
        InicializaNegocio();
        if (EmpresaFrm)
            EmpresaFrm->inicializa();
    });
}

void TMainFrm::muestraNegocio()
{
    protegido([this] { InicializaNegocio(); });
}

void TMainFrm::recargaSeries()
{
    protegido([this] {
        Sistema::actualizaSucursales();
        InicializaSeries(sucursalActual().get(), QString());
    });
}

void TMainFrm::inicializaVersion()
{
    QVersionNumber version = QVersionNumber::fromString(QStringLiteral(VELKOR_VERSION));
    QList<int> partes = version.segments();
    while (partes.size() < 4)
        partes << 0;
    setWindowTitle(QStringLiteral("Versión: ") + QVersionNumber(partes.mid(0, 4)).toString());
}

bool TMainFrm::inicializacionNegocio()
{
    if (!Sistema::Negocio || !Sistema::UsuarioNegocio) {
        terminaAplicacion();
        return false;
    }
    inicializaPermisosUsuario();
    InicializaNegocio();
    actualizaContextoModulos();
    Logmanager::Log(QStringLiteral("carga módulo"), 1, Sistema::exePath);
    cargaModulos();
    ordenTabulacion();
    verificaCartaManifiesto();
    isWizard = false;
    return true;
}

void TMainFrm::inicializaPermisosUsuario()
{
    // The crown marks who administers the business: the users right.
    Utils::cargaImageRS(Sistema::getPermiso(CODIGO_PERMISOS) ? IMG_CORONA : IMG_USUARIO, ImgPermisosUsuario,
                        Sistema::exePath);
    ImgPermisosUsuario->setToolTip(Sistema::getPermiso(CODIGO_PERMISOS) ? QStringLiteral("Administrador")
                                                                        : QStringLiteral("Usuario"));
    bool conFoto = false;
    if (Sistema::Usuario && Sistema::Conexion && Sistema::Usuario->getIdpersonaId() >= 0) {
        const auto foto =
            TImagen::buscaUno(TImagen::columna(TImagen::col_Idpersona) == Sistema::Usuario->getIdpersonaId(),
                              *Sistema::Conexion, TImagen::columna(TImagen::col_Idimagen).descendente());
        conFoto = foto && muestraImagen(ImgLogoUsuario, foto->getImagenperfil());
    }
    if (!conFoto)
        Utils::cargaImageRS(IMG_USUARIO_DEFAULT, ImgLogoUsuario, Sistema::exePath);
}

void TMainFrm::InicializaNegocio()
{
    if (!Sistema::Negocio)
        return;
    TxNombreEmpresa->setText(Sistema::Negocio->getNombre());
    TxUserEmail->setText(Sistema::Usuario ? Sistema::Usuario->getEmail() : QString());
    if (!muestraImagen(ImgLogoEmpresa, Sistema::Negocio->getLogonegocio()))
        Utils::cargaImageRS(IMG_EMPRESA_DEFAULT, ImgLogoEmpresa, Sistema::exePath);
}

void TMainFrm::actualizaContextoModulos()
{
    m_negocioModulos = Sistema::Negocio ? *Sistema::Negocio : TNegocio();
    m_usuarioModulos = Sistema::Usuario ? *Sistema::Usuario : TUsuario();
    m_conexionModulos = Sistema::Conexion ? *Sistema::Conexion : TConexionSesion();
    m_usuarioNegocioModulos = Sistema::UsuarioNegocio ? *Sistema::UsuarioNegocio : TUsuarionegocio();
}

void TMainFrm::verificaCartaManifiesto()
{
    PnlMenu->setEnabled(true);
    if (CartaManifiestoFrm && TxVentanaPrincipal->contiene(CartaManifiestoFrm->TxFondo))
        TxVentanaPrincipal->quita(CartaManifiestoFrm->TxFondo);
}

std::shared_ptr<TSucursal> TMainFrm::sucursalActual() const
{
    if (Sistema::sucursalIndex < 0 || Sistema::sucursalIndex >= Sistema::Sucursales.size())
        return nullptr;
    return Sistema::Sucursales.at(Sistema::sucursalIndex);
}

void TMainFrm::inicializaPanelSucursal()
{
    Sistema::actualizaSucursales();
    // A session starts on the branch the last one left as default.
    Sistema::sucursalIndex = ContextoTrabajo::indiceSucursalDefault(Sistema::Sucursales);
    const std::shared_ptr<TSucursal> sucursal = sucursalActual();
    TxSucursal->setText(sucursal ? ContextoTrabajo::nombreMostrado(*sucursal) : QString());
    InicializaSeries(sucursal.get(), QString());
}

void TMainFrm::creaIni()
{
    const std::shared_ptr<TDatosfiscales> fiscales = Sistema::Negocio ? Sistema::Negocio->getDatosfiscales() : nullptr;
    if (!fiscales)
        return;
    try {
        Sistema::imprimeLogo = TConfiguracionNegocio(Sistema::exePath, fiscales->getRfc()).asegura();
    } catch (const EVelkor& e) {
        // Without its INI file the business still works; the logo is not printed.
        Sistema::imprimeLogo = false;
        Logmanager::Log(Errores::describe(e), 1, Sistema::exePath);
    }
}

void TMainFrm::terminaAplicacion()
{
    QCoreApplication::quit();
}

// --- Module packages and menus ---------------------------------------------------------

void TMainFrm::cargaModulos()
{
    Modulos::cargaModulos(lBpl, Sistema::exePath, [this](const TListaMenuModulo& menu, TPaqueteBean& paquete) {
        menuElementos = menu;
        imprimeMenu(generaElementosMenu(menu, paquete));
    });
}

QString TMainFrm::convierteModulo(const QString& nombre) const
{
    return Modulos::convierteModulo(nombre);
}

void TMainFrm::imprimeMenu(TMenuModulo* menu)
{
    if (!menu || !menu->getContenedor())
        return;
    m_menus->insertWidget(m_menus->count() - 1, menu->getContenedor());
    // Made while the window may already be shown: a layout would only show
    // it later, and its submenu must be showable at once.
    menu->getContenedor()->show();
}

namespace {

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

TMenuModulo* TMainFrm::generaElementosMenu(const TListaMenuModulo& elementos, TPaqueteBean& paquete)
{
    auto grupo = std::make_unique<TMenuModulo>();
    auto* contenedor = new QWidget(SbMenuPrincipal->widget());
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
                wireVentana(etiqueta, elemento);
            else
                connect(etiqueta, &TEtiquetaAccion::activada, this,
                        [this, etiqueta] { protegido([this, etiqueta] { OnClick(etiqueta); }); });
            dEncabezado->addWidget(fila);
            encabezado->setFixedHeight(ALTO_FILA_MENU);
            dElementosExpandibles.insert(etiqueta->text(), grupo.get());
        } else {
            dSubMenu->addWidget(fila);
            subMenu->setFixedHeight(subMenu->maximumHeight() + ALTO_FILA_MENU);
            wireVentana(etiqueta, elemento);
        }
    }
    dContenedor->addWidget(encabezado);
    contenedor->setFixedHeight(encabezado->maximumHeight());
    m_gruposMenu.push_back(std::move(grupo));
    return m_gruposMenu.back().get();
}

void TMainFrm::wireVentana(QLabel* etiqueta, const TElementoMenuModulo& elemento)
{
    if (!elemento.getClase().isEmpty() && !elemento.getVentana().isEmpty()) {
        const QMetaObject* clase = RegistroClases::busca(elemento.getClase());
        const QMetaMethod rutina = clase ? Utils::buscaMetodo(*clase, elemento.getVentana()) : QMetaMethod();
        const QString problema =
            !clase ? QStringLiteral("la clase %1 no está registrada").arg(elemento.getClase())
            : !clase->inherits(&QWidget::staticMetaObject)
                ? QStringLiteral("la clase %1 no es una ventana").arg(elemento.getClase())
            : !rutina.isValid()
                ? QStringLiteral("la clase %1 no publica %2").arg(elemento.getClase(), elemento.getVentana())
                : QString();
        if (!problema.isEmpty()) {
            Logmanager::Log(QStringLiteral("Menú %1 sin ventana: %2").arg(elemento.getNombreMenu(), problema), 1,
                            Sistema::exePath);
            return;
        }
        // One descriptor per routine, made the first time a row names it.
        if (!dVentanas.value(elemento.getVentana())) {
            TElementoModulo* descriptor = creaVentanaModulo(*clase, rutina);
            if (!descriptor) {
                Logmanager::Log(QStringLiteral("Menú %1 sin ventana: %2 no dio su ventana")
                                    .arg(elemento.getNombreMenu(), elemento.getVentana()),
                                1, Sistema::exePath);
                return;
            }
            dVentanas.insert(elemento.getVentana(), descriptor);
        }
    }
    etiqueta->setObjectName(elemento.getNombreComponente());
    connect(static_cast<TEtiquetaAccion*>(etiqueta), &TEtiquetaAccion::activada, this,
            [this, etiqueta] { protegido([this, etiqueta] { OnClickVentana(etiqueta); }); });
}

TElementoModulo* TMainFrm::creaVentanaModulo(const QMetaObject& clase, const QMetaMethod& rutina)
{
    const bool firma = Utils::tieneFirma(
        rutina, QMetaType::fromType<TElementoModulo*>(),
        {QMetaType::fromType<QString>(), QMetaType::fromType<const TNegocio*>(), QMetaType::fromType<const TUsuario*>(),
         QMetaType::fromType<const TConexionSesion*>(), QMetaType::fromType<const TUsuarionegocio*>(),
         QMetaType::fromType<QWidget*>(), QMetaType::fromType<QWidget*>(), QMetaType::fromType<QLabel*>()});
    if (!firma)
        return nullptr;
    QObject* instancia = nullptr;
    try {
        instancia = clase.newInstance(Q_ARG(QWidget*, this));
    } catch (...) {
        instancia = nullptr;
    }
    if (!instancia)
        return nullptr;
    // A module window only lends its contents to the work area.
    static_cast<QWidget*>(instancia)->hide();
    TElementoModulo* descriptor = nullptr;
    try {
        const bool llamada =
            rutina.invoke(instancia, Qt::DirectConnection, Q_RETURN_ARG(TElementoModulo*, descriptor),
                          Q_ARG(QString, Sistema::exePath), Q_ARG(const TNegocio*, &m_negocioModulos),
                          Q_ARG(const TUsuario*, &m_usuarioModulos), Q_ARG(const TConexionSesion*, &m_conexionModulos),
                          Q_ARG(const TUsuarionegocio*, &m_usuarioNegocioModulos), Q_ARG(QWidget*, TxVentanaPrincipal),
                          Q_ARG(QWidget*, TxMenuLateral), Q_ARG(QLabel*, TxSucursal));
        if (!llamada)
            descriptor = nullptr;
    } catch (const std::exception& e) {
        Logmanager::Log(Errores::describe(e), 1, Sistema::exePath);
        descriptor = nullptr;
    } catch (...) {
        descriptor = nullptr;
    }
    if (!descriptor)
        delete instancia;
    return descriptor;
}

bool TMainFrm::tienePermiso(const QString& codigo) const
{
    // A module no right covers is open to every user.
    return codigo.isEmpty() || Sistema::getPermiso(codigo);
}

void TMainFrm::OnClick(QLabel* encabezado)
{
    if (!tienePermiso(convierteModulo(encabezado->text()))) {
        Utils::mensaje(ERROR_PERMISOS, MSG_ERROR);
        return;
    }
    TMenuModulo* grupo = dElementosExpandibles.value(encabezado->text());
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

void TMainFrm::OnClickVentana(QLabel* etiqueta)
{
    abreVentana(etiqueta->objectName(), true);
}

void TMainFrm::OnClickVentanaNombre(const QString& nombre)
{
    Logmanager::Log(QStringLiteral("OnClickVentanaNombre: ") + nombre, 1, Sistema::exePath);
    abreVentana(nombre, false);
}

void TMainFrm::abreVentana(const QString& nombre, bool exigeSerie)
{
    const Despacho::TNombreVentana n = Despacho::separaNombre(nombre);
    if (exigeSerie && Despacho::requiereSerie(n.modulo) &&
        (CmbSeries->currentIndex() < 0 || CmbSeries->currentText().trimmed().isEmpty())) {
        Utils::mensaje(MSG_FALTA_SERIE, MSG_WARNING);
        return;
    }
    if (!tienePermiso(Despacho::codigoPermiso(n.modulo))) {
        Utils::mensaje(ERROR_PERMISOS, MSG_ERROR);
        return;
    }
    if (TElementoModulo* descriptor = dVentanas.value(n.ventana)) {
        if (VentanaActiva)
            TxVentanaPrincipal->quita(VentanaActiva);
        if (n.accion == ContratoModulos::ACCION_CONFIGURACION) {
            auto* configuracion = qobject_cast<QWidget*>(descriptor->getConfiguracion());
            if (configuracion) {
                TxVentanaPrincipal->setAltura(VENTANA_CONFIGURACION_HEIGHT);
                TxVentanaPrincipal->agrega(configuracion);
                ContratoModulos::activaContenido(configuracion, ContratoModulos::TEXTO_LIMPIA, configuracion);
            }
            VentanaActiva = configuracion;
            if (VentanaMenuLateralActiva)
                quitaMenuLateral();
        } else {
            auto* principal = qobject_cast<QWidget*>(descriptor->getModuloPrincipal());
            if (principal) {
                principal->setVisible(true);
                TxVentanaPrincipal->agrega(principal);
                TxVentanaPrincipal->llena(principal->minimumSizeHint().height());
                ContratoModulos::activaContenido(principal, n.accion, this);
                principal->update();
            }
            VentanaActiva = principal;
            quitaMenuLateral();
            if (auto* subMenu = qobject_cast<QWidget*>(descriptor->getSubMenu()))
                muestraMenuLateral(subMenu);
        }
    }
    reiniciaAreaTrabajo();
}

void TMainFrm::quitaMenuLateral()
{
    if (VentanaMenuLateralActiva)
        TxMenuLateral->quita(VentanaMenuLateralActiva);
    TxMenuLateral->setAltura(0);
    VentanaMenuLateralActiva = nullptr;
    SBMenuLateral->hide();
}

void TMainFrm::muestraMenuLateral(QWidget* submenu)
{
    TxMenuLateral->setAltura(qMax(submenu->height(), submenu->sizeHint().height()));
    TxMenuLateral->agrega(submenu);
    submenu->update();
    VentanaMenuLateralActiva = submenu;
    SBMenuLateral->show();
}

void TMainFrm::reiniciaAreaTrabajo()
{
    fondo(RcFondoPrincipal, color(RS_TEXTOBLANCO));
    SBPrincipal->horizontalScrollBar()->setValue(0);
    SBPrincipal->verticalScrollBar()->setValue(0);
}

void TMainFrm::TxVentanaPrincipalClick()
{
    const QString texto = TxVentanaPrincipal->text();
    const Despacho::TComando comando = Despacho::interpreta(texto);
    switch (comando.tipo) {
    case Despacho::TTipoComando::ActualizaSeries:
        // A module asks after saving a voucher; a failed refresh must not
        // spoil its save.
        try {
            actualizaSeries();
        } catch (const std::exception& e) {
            Logmanager::Log(Errores::describe(e), 1, Sistema::exePath);
        }
        break;
    case Despacho::TTipoComando::FiltraSeries:
        TxVentanaPrincipal->setText(comando.tipoComprobante);
        protegido([this, &comando] { InicializaSeries(sucursalActual().get(), comando.tipoComprobante); });
        break;
    case Despacho::TTipoComando::AyudaComprobante:
        protegido([this] { entregaAyuda(); });
        break;
    case Despacho::TTipoComando::Desconocido:
        if (!texto.isEmpty())
            Logmanager::Log(QStringLiteral("Comando de módulo ignorado (%1): %2").arg(comando.motivo, texto), 1,
                            Sistema::exePath);
        break;
    }
    TxVentanaPrincipal->setText(QString());
}

void TMainFrm::entregaAyuda()
{
    TxVentanaPrincipal->setText(QStringLiteral("N"));
    const TElementoModulo* ayuda = dVentanas.value(Despacho::VENTANA_AYUDA);
    const TParametrosModulo parametros = ayuda ? ayuda->getparametros() : TParametrosModulo();
    if (!parametros.isEmpty()) {
        for (const QString& ventana : {Despacho::VENTANA_COMPROBANTE, Despacho::VENTANA_COMPROBANTE_40}) {
            // A dictionary of its own holding the help module's own lists.
            if (TElementoModulo* destino = dVentanas.value(ventana))
                destino->setparametros(TParametrosModulo(parametros));
        }
    }
    OnClickVentanaNombre(Despacho::ABRE_COMPROBANTE_AYUDA);
}

void TMainFrm::remueveVentanaActiva()
{
    if (VentanaActiva) {
        TxVentanaPrincipal->quita(VentanaActiva);
        TxVentanaPrincipal->setAltura(0);
    }
    if (VentanaMenuLateralActiva) {
        TxMenuLateral->quita(VentanaMenuLateralActiva);
        TxMenuLateral->setAltura(0);
        SBMenuLateral->hide();
    }
}

void TMainFrm::limpiaVentanaPrincipalYSubmenu()
{
    if (VentanaActiva)
        TxVentanaPrincipal->quita(VentanaActiva);
    VentanaActiva = nullptr;
    TxVentanaPrincipal->setAltura(0);
    if (VentanaMenuLateralActiva)
        TxMenuLateral->quita(VentanaMenuLateralActiva);
    TxMenuLateral->setAltura(0);
    SBMenuLateral->hide();
}

// --- Branch and series -------------------------------------------------------------------

void TMainFrm::InicializaSeries(const TSucursal* sucursal, const QString& tipo)
{
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

void TMainFrm::actualizaSeries()
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

void TMainFrm::CmbSeriesChange()
{
    if (!m_actualizandoSeries)
        actualizaSeries();
}

void TMainFrm::mueveSucursal(int paso)
{
    if (!Sistema::Conexion)
        return;
    const std::shared_ptr<TSucursal> sucursal = ContextoTrabajo::mueveSucursal(paso, *Sistema::Conexion, idUsuario());
    if (!sucursal)
        return;
    TxSucursal->setText(ContextoTrabajo::nombreMostrado(*sucursal));
    InicializaSeries(sucursal.get(), QString());
}

void TMainFrm::TxSucursalLeftClick()
{
    mueveSucursal(-1);
}

void TMainFrm::TxSucursalRightClick()
{
    mueveSucursal(1);
}

// --- Businesses ----------------------------------------------------------------------------

void TMainFrm::TxListaNegociosClick(QWidget* emisor)
{
    inicializaNegocios();
    const QWidget* ancla = emisor ? emisor : TxListaNegocios;
    PPNegocios->move(ancla->mapToGlobal(QPoint(ancla->width(), 0)));
    PPNegocios->show();
}

void TMainFrm::inicializaNegocios()
{
    for (TEmpresaBean* empresa : std::as_const(lEmpresas)) {
        m_listaEmpresas->removeWidget(empresa->getFondo());
        delete empresa;
    }
    lEmpresas.clear();

    const std::shared_ptr<TDatosfiscales> fiscales = Sistema::Negocio ? Sistema::Negocio->getDatosfiscales() : nullptr;
    const QString actual = fiscales ? fiscales->getRfc() : QString();
    int altura = 0;
    const QStringList filas = registroLocal().getEmpresasDetalle();
    for (const QString& fila : filas) {
        const QStringList partes = fila.split(QLatin1Char('|'));
        const QString rfc = partes.value(0);
        if (rfc.isEmpty() || rfc == actual || lEmpresas.contains(rfc))
            continue;
        auto* empresa = new TEmpresaBean(rfc, partes.value(1), TxListado);
        connect(empresa->getTexto(), &TEtiquetaAccion::activada, this,
                [this, empresa] { protegido([this, empresa] { OnClickTx(empresa->getTexto()); }); });
        connect(empresa->getImagen(), &TEtiquetaAccion::activada, this,
                [this, empresa] { protegido([this, empresa] { OnClickIm(empresa->getImagen()); }); });
        m_listaEmpresas->addWidget(empresa->getFondo());
        lEmpresas.insert(rfc, empresa);
        altura += TEmpresaBean::ALTO;
    }
    TxListado->setText(lEmpresas.isEmpty() ? TEXTO_SIN_EMPRESAS : QString());
    TxListado->setFixedHeight(altura + MARGEN_LISTA);
    RcFondoEmp->setFixedHeight(altura + MARGEN_LISTA + RcNuevoNegocio->height() + 2);
    const int visible = qMin(RcFondoEmp->height(), ALTO_MAXIMO_LISTA);
    ScEmpresas->setFixedHeight(visible);
    PPNegocios->setFixedHeight(visible);
}

void TMainFrm::OnClickTx(QObject* emisor)
{
    cambiaNegocio(emisor->objectName());
}

void TMainFrm::OnClickIm(QObject* emisor)
{
    cambiaNegocio(emisor->objectName());
}

void TMainFrm::cambiaNegocio(const QString& nombre)
{
    if (!Sistema::Usuario)
        return;
    remueveVentanaActiva();
    PPNegocios->hide();
    // The same user signs in to the other business; a user without an
    // account there stays where they were.
    const Ingreso::TResultado resultado =
        Ingreso::reingresa(nombre.mid(2), Sistema::Usuario->getEmail(), Sistema::Usuario->getPassword());
    if (resultado != Ingreso::TResultado::Correcto) {
        for (const QString& texto : Ingreso::mensajes(resultado))
            Utils::mensaje(texto, MSG_WARNING);
        return;
    }
    if (!inicializacionNegocio())
        return;
    inicializaPanelSucursal();
    creaIni();
    if (EmpresaFrm)
        EmpresaFrm->inicializa();
}

void TMainFrm::TxNuevaEmpresaClick()
{
    PPNegocios->hide();
    if (!m_paginaNegocio) {
        m_paginaNegocio = new TPaginaNegocio(TPaginaNegocio::TModo::Adicional, this);
        m_paginaNegocio->hide();
        connect(m_paginaNegocio, &TPaginaNegocio::negocioAgregado, this, &TMainFrm::actualizaSesion);
    }
    m_paginaNegocio->inicia();
    hospeda(m_paginaNegocio, m_paginaNegocio->sizeHint().height());
}

// --- Shell pages -----------------------------------------------------------------------------

void TMainFrm::hospeda(QWidget* contenido, int altura)
{
    if (VentanaActiva)
        TxVentanaPrincipal->quita(VentanaActiva);
    TxVentanaPrincipal->agrega(contenido);
    VentanaActiva = contenido;
    quitaMenuLateral();
    TxVentanaPrincipal->setAltura(altura);
}

void TMainFrm::TxEditarClick(QObject* emisor)
{
    if (!EmpresaFrm)
        return;
    EmpresaFrm->inicializa();
    hospeda(EmpresaFrm->TxFondo, EmpresaFrm->getHeight());
    fondo(RcFondoPrincipal, QBrush(Style::StyleFrm().getRectangleGradient(Sistema::claveMarca)));
    if (emisor == ImgLogoEmpresa)
        EmpresaFrm->inicializaLogoNegocio();
}

void TMainFrm::TxUserEmailClick()
{
    if (!PerfilFrm)
        return;
    PerfilFrm->inicializa();
    hospeda(PerfilFrm->TxFondo, PerfilFrm->getHeight());
    fondo(RcFondoPrincipal, QBrush(Style::StyleFrm().getRectangleGradient(Sistema::claveMarca)));
}

void TMainFrm::muestraCartaManifiesto()
{
    if (!CartaManifiestoFrm)
        return;
    CartaManifiestoFrm->inicializa();
    hospeda(CartaManifiestoFrm->TxFondo, CartaManifiestoFrm->getHeight());
    fondo(RcFondoPrincipal, QBrush(Style::StyleFrm().getRectangleGradient(Sistema::claveMarca)));
}

void TMainFrm::ajustaAlturaPagina(QWidget* contenido, int altura)
{
    if (contenido && VentanaActiva == contenido)
        TxVentanaPrincipal->setAltura(altura);
}

void TMainFrm::actualizaFotoUsuario()
{
    inicializaPermisosUsuario();
}

// --- Sign-out --------------------------------------------------------------------------------

void TMainFrm::TxUserClick()
{
    if (Utils::mensajeConfirmacion(MSG_CERRAR_SESION) != TPrompter::OK)
        return;
    remueveVentanaActiva();
    remueveVentanaActiva();
    isWizard = true;
    close();
}

void TMainFrm::closeEvent(QCloseEvent* evento)
{
    QWidget::closeEvent(evento);
    if (isWizard) {
        if (!Reinicio::reinicia(Sistema::exePath))
            Logmanager::Log(QStringLiteral("No se pudo iniciar de nuevo ") + Reinicio::programa(Sistema::exePath), 1,
                            Sistema::exePath);
    } else {
        BaseDatosCatalogosFrm().cierra();
    }
    terminaAplicacion();
}

void TMainFrm::muestraActualizacion(bool disponible)
{
    ImgUpdate->setVisible(disponible);
}
