#include "TMainFrm.h"

#include "Constantes.h"
#include "ContratoModulos.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Preferencias.h"
#include "Prompter.h"
#include "Sistema.h"
#include "Style.h"
#include "TAreaTrabajo.h"
#include "TBanner.h"
#include "TBaseDatosCatalogosFrm.h"
#include "TContenedorTexto.h"
#include "TListaNegocios.h"
#include "TMenuModulos.h"
#include "TPaginaInicio.h"
#include "TPanelMenu.h"
#include "admin/TAjustesCorreoFrm.h"
#include "admin/TCartaManifiestoFrm.h"
#include "admin/TEmpresaFrm.h"
#include "admin/TPerfilFrm.h"
#include "admin/TSeccionEmpresa.h"
#include "import/TImportarXMLFrm.h"
#include "setup/TPaginaNegocio.h"
#include "app/Ventanas.h"
#include "negocio/TConfiguracionNegocio.h"
#include "negocio/RevisionSellos.h"
#include "negocio/TIngreso.h"
#include "negocio/Utils.h"
#include "shell/Despacho.h"
#include "shell/Reinicio.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QVersionNumber>

using namespace Constantes;
using Utils::protegido;

TMainFrm::TMainFrm(QWidget* parent)
    : QWidget(parent), m_area(new TAreaTrabajo(this)), m_negocios(new TListaNegocios(this)),
      VentanaActiva(m_area->activa()), VentanaMenuLateralActiva(m_area->lateralActiva()),
      lEmpresas(m_negocios->empresas()), m_banner(new TBanner(this)), m_panel(new TPanelMenu(this)),
      m_ventanas(this, *m_area, m_panel->sucursal())
{
    setObjectName(QStringLiteral("MainFrm"));
    setWindowTitle(NOMBRE_SISTEMA);
    resize(1080, 705);
    auto* diseno = new QVBoxLayout(this);
    diseno->setContentsMargins(0, 0, 0, 0);
    diseno->setSpacing(0);
    diseno->addWidget(m_banner);
    auto* cuerpo = new QHBoxLayout();
    cuerpo->setContentsMargins(0, 0, 0, 0);
    cuerpo->setSpacing(0);
    cuerpo->addWidget(m_panel);
    cuerpo->addWidget(m_area, 1);
    diseno->addLayout(cuerpo, 1);

    m_inicio = new TPaginaInicio(this);
    m_inicio->hide();
    conecta();
    // A clickable text reached with Tab shows where the keyboard is.
    setStyleSheet(QStringLiteral("TEtiquetaAccion:focus { border: 1px dotted %1; }")
                      .arg(Style::StyleFrm().color(RS_TEXTOAZUL).name()));
    ordenTabulacion();
    if (const QScreen* pantalla = QGuiApplication::primaryScreen())
        move(pantalla->availableGeometry().center() - rect().center());
}

TMainFrm::~TMainFrm()
{
    detieneRevisionSellos();
}

void TMainFrm::conecta()
{
    connect(m_banner, &TBanner::cierreSolicitado, this, [this] { protegido([this] { TxUserClick(); }); });
    connect(m_banner, &TBanner::actualizadorIniciado, this, &TMainFrm::actualizadorIniciado);
    connect(m_panel, &TPanelMenu::edicionSolicitada, this,
            [this](bool conLogo) { protegido([this, conLogo] { editaNegocio(conLogo); }); });
    connect(m_panel, &TPanelMenu::perfilSolicitado, this, [this] { protegido([this] { TxUserEmailClick(); }); });
    connect(m_panel, &TPanelMenu::listaNegociosSolicitada, this,
            [this] { protegido([this] { TxListaNegociosClick(); }); });
    connect(m_panel, &TPanelMenu::cartaManifiestoSolicitada, this,
            [this] { protegido([this] { muestraCartaManifiesto(); }); });
    connect(m_panel->menus(), &TMenuModulos::ventanaSolicitada, this,
            [this](QLabel* fila) { protegido([this, fila] { abreVentana(fila->objectName(), true); }); });
    connect(m_negocios, &TListaNegocios::negocioElegido, this,
            [this](const QString& nombre) { protegido([this, nombre] { cambiaNegocio(nombre); }); });
    connect(m_negocios, &TListaNegocios::nuevaEmpresaSolicitada, this,
            [this] { protegido([this] { TxNuevaEmpresaClick(); }); });
    connect(m_area->trabajo(), &TContenedorTexto::clicked, this, &TMainFrm::TxVentanaPrincipalClick);
    connect(m_panel, &TPanelMenu::inicioSolicitado, this, [this] {
        protegido([this] {
            if (dejaPagina())
                muestraInicio();
        });
    });
    connect(m_panel, &TPanelMenu::importacionSolicitada, this, [this] { protegido([this] { importaXML(); }); });
    connect(m_panel, &TPanelMenu::correoSolicitado, this, [this] {
        protegido([this] {
            TAjustesCorreoFrm::abre(this, Sistema::exePath,
                                    Sistema::Usuario ? Sistema::Usuario->getEmail() : QString());
        });
    });
    connect(m_inicio, &TPaginaInicio::importacionSolicitada, this, [this] { protegido([this] { importaXML(); }); });
    connect(m_inicio, &TPaginaInicio::seriesSolicitadas, this,
            [this] { protegido([this] { editaNegocio(false, true); }); });
    connect(m_inicio, &TPaginaInicio::reportesSolicitados, this,
            [this] { protegido([this] { OnClickVentanaNombre(QStringLiteral("GetVentanaReportesFrm")); }); });
}

void TMainFrm::ordenTabulacion()
{
    // Top to bottom down the left panel, the modules' menus in their order,
    // and the sign-out last.
    QList<QWidget*> orden = m_panel->ordenTabulacion();
    orden << m_banner->salida();
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
    m_panel->inicializaSucursal();
    creaIni();
    // Where the user left the window last time, maximised or not.
    if (!m_geometriaLeida) {
        m_geometriaLeida = true;
        const QByteArray geometria = Preferencias::ventana(objectName());
        if (!geometria.isEmpty())
            restoreGeometry(geometria);
    }
    muestraInicio();
}

void TMainFrm::actualizaSesion()
{
    if (!isVisible())
        return; // showing it reads everything
    // Back from adding a business: its page leaves the work area, and the
    // session is the one the user was working in.
    const bool desdeAlta = m_paginaNegocio && VentanaActiva == m_paginaNegocio;
    protegido([this] {
        InicializaNegocio();
        if (EmpresaFrm)
            EmpresaFrm->inicializa();
    });
    if (desdeAlta)
        protegido([this] { muestraInicio(); });
}

void TMainFrm::muestraNegocio()
{
    protegido([this] { InicializaNegocio(); });
}

void TMainFrm::recargaSeries()
{
    protegido([this] {
        Sistema::actualizaSucursales();
        m_panel->inicializaSeries(TPanelMenu::sucursalActual().get(), QString());
    });
}

void TMainFrm::inicializaVersion()
{
    QVersionNumber version = QVersionNumber::fromString(QStringLiteral(VELKOR_VERSION));
    QList<int> partes = version.segments();
    while (partes.size() < 4)
        partes << 0;
    m_banner->setToolTip(QStringLiteral("Versión ") + QVersionNumber(partes.mid(0, 4)).toString());
}

bool TMainFrm::inicializacionNegocio()
{
    if (!Sistema::Negocio || !Sistema::UsuarioNegocio) {
        terminaAplicacion();
        return false;
    }
    m_panel->muestraPermisos();
    InicializaNegocio();
    m_ventanas.actualizaContexto();
    Logmanager::Log(QStringLiteral("carga módulo"), 1, Sistema::exePath);
    cargaModulos();
    ordenTabulacion();
    verificaCartaManifiesto();
    isWizard = false;
    return true;
}

void TMainFrm::InicializaNegocio()
{
    m_panel->muestraNegocio();
    if (Sistema::Negocio)
        setWindowTitle(NOMBRE_SISTEMA + QStringLiteral(" — ") + Sistema::Negocio->getNombre());
    iniciaRevisionSellos();
}

void TMainFrm::iniciaRevisionSellos()
{
    detieneRevisionSellos();
    if (!Sistema::Negocio || !Sistema::Conexion)
        return;
    auto* hilo = new THiloRevisionSellos(*Sistema::Conexion, Sistema::Negocio->getIdnegocio(),
                                         Sistema::Usuario ? Sistema::Usuario->getIdusuario() : -1, this);
    connect(hilo, &THiloRevisionSellos::avance, this,
            [this, hilo](int hechos, int total, int alterados, int certificadoNoCorresponde) {
                if (m_revision == hilo)
                    m_inicio->muestraRevision(hechos, total, alterados, certificadoNoCorresponde);
            });
    connect(hilo, &QThread::finished, this, [this, hilo] {
        if (m_revision == hilo) {
            m_inicio->terminaRevision(hilo->hechos(), hilo->alterados(), hilo->certificadoNoCorresponde(),
                                      hilo->error());
            // The reports read the results the thread stored.
            if (hilo->hechos() > 0 && m_inicio->isVisible())
                m_inicio->actualiza();
        }
        hilo->deleteLater();
    });
    m_revision = hilo;
    hilo->start(QThread::LowPriority);
}

void TMainFrm::detieneRevisionSellos()
{
    if (!m_revision)
        return;
    // The batch in hand is kept; the rest waits for the next sign-in.
    m_revision->requestInterruption();
    m_revision->wait();
    m_revision = nullptr;
}

void TMainFrm::muestraInicio()
{
    m_inicio->actualiza();
    m_area->muestraReposo(m_inicio);
    // Left to the window, the keyboard would start on the first stop of
    // the left panel, the small arrow that changes the business.
    m_inicio->enfoca();
}

void TMainFrm::importaXML()
{
    if (!ImportarXMLFrm || !Sistema::Usuario)
        return;
    ImportarXMLFrm->initDatosXML(Sistema::Usuario->getEmail());
    ImportarXMLFrm->exec();
    // The vouchers (and perhaps businesses) it brought change the figures.
    if (m_area->muestra(m_inicio))
        m_inicio->actualiza();
}

void TMainFrm::verificaCartaManifiesto()
{
    m_panel->setEnabled(true);
    if (CartaManifiestoFrm && m_area->muestra(CartaManifiestoFrm->TxFondo))
        m_area->trabajo()->quita(CartaManifiestoFrm->TxFondo);
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
    detieneRevisionSellos();
    QCoreApplication::quit();
}

// --- Module packages ---------------------------------------------------------------------

void TMainFrm::cargaModulos()
{
    m_panel->menus()->cargaModulos(Sistema::exePath, m_ventanas);
}

void TMainFrm::OnClickVentanaNombre(const QString& nombre)
{
    Logmanager::Log(QStringLiteral("OnClickVentanaNombre: ") + nombre, 1, Sistema::exePath);
    abreVentana(nombre, false);
}

void TMainFrm::abreVentana(const QString& nombre, bool exigeSerie)
{
    const Despacho::TNombreVentana n = Despacho::separaNombre(nombre);
    if (exigeSerie && Despacho::requiereSerie(n.modulo) && !m_panel->haySerie()) {
        Utils::mensaje(MSG_FALTA_SERIE, MSG_WARNING);
        return;
    }
    if (!Modulos::permitido(Despacho::codigoPermiso(n.modulo))) {
        Utils::mensaje(ERROR_PERMISOS, MSG_ERROR);
        return;
    }
    if (TElementoModulo* descriptor = m_ventanas.ventana(n.ventana)) {
        if (!dejaPagina())
            return;
        if (n.accion == ContratoModulos::ACCION_CONFIGURACION)
            m_area->abreConfiguracion(qobject_cast<QWidget*>(descriptor->getConfiguracion()));
        else
            m_area->abrePrincipal(qobject_cast<QWidget*>(descriptor->getModuloPrincipal()), n.accion, this,
                                  qobject_cast<QWidget*>(descriptor->getSubMenu()));
    }
    m_area->reinicia();
}

void TMainFrm::TxVentanaPrincipalClick()
{
    TContenedorTexto* trabajo = m_area->trabajo();
    const QString texto = trabajo->text();
    const Despacho::TComando comando = Despacho::interpreta(texto);
    switch (comando.tipo) {
    case Despacho::TTipoComando::ActualizaSeries:
        // A module asks after saving a voucher; a failed refresh must not
        // spoil its save.
        try {
            m_panel->actualizaSeries();
        } catch (const std::exception& e) {
            Logmanager::Log(Errores::describe(e), 1, Sistema::exePath);
        }
        break;
    case Despacho::TTipoComando::FiltraSeries:
        trabajo->setText(comando.tipoComprobante);
        protegido([this, &comando] {
            m_panel->inicializaSeries(TPanelMenu::sucursalActual().get(), comando.tipoComprobante);
        });
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
    trabajo->setText(QString());
}

void TMainFrm::entregaAyuda()
{
    m_area->trabajo()->setText(QStringLiteral("N"));
    const TElementoModulo* ayuda = m_ventanas.ventana(Despacho::VENTANA_AYUDA);
    const TParametrosModulo parametros = ayuda ? ayuda->getparametros() : TParametrosModulo();
    if (!parametros.isEmpty()) {
        for (const QString& ventana : {Despacho::VENTANA_COMPROBANTE, Despacho::VENTANA_COMPROBANTE_40}) {
            // A dictionary of its own holding the help module's own lists.
            if (TElementoModulo* destino = m_ventanas.ventana(ventana))
                destino->setparametros(TParametrosModulo(parametros));
        }
    }
    OnClickVentanaNombre(Despacho::ABRE_COMPROBANTE_AYUDA);
}

void TMainFrm::remueveVentanaActiva()
{
    m_area->remueve();
}

// --- Businesses ----------------------------------------------------------------------------

void TMainFrm::TxListaNegociosClick()
{
    const std::shared_ptr<TDatosfiscales> fiscales = Sistema::Negocio ? Sistema::Negocio->getDatosfiscales() : nullptr;
    m_negocios->llena(fiscales ? fiscales->getRfc() : QString());
    m_negocios->abre(m_panel->anclaNegocios());
}

void TMainFrm::cambiaNegocio(const QString& nombre)
{
    if (!Sistema::Usuario)
        return;
    m_negocios->hide();
    if (!dejaPagina())
        return;
    remueveVentanaActiva();
    // The same user signs in to the other business; a user without an
    // account there stays where they were. The work area was emptied for the
    // switch, so a user who stays gets their business's home page back.
    Ingreso::TResultado resultado;
    try {
        resultado = Ingreso::reingresa(nombre.mid(2), Sistema::Usuario->getEmail());
    } catch (...) {
        muestraInicio();
        throw;
    }
    if (resultado != Ingreso::TResultado::Correcto) {
        muestraInicio();
        for (const QString& texto : Ingreso::mensajes(resultado))
            Utils::mensaje(texto, MSG_WARNING);
        return;
    }
    if (!inicializacionNegocio())
        return;
    m_panel->inicializaSucursal();
    creaIni();
    if (EmpresaFrm)
        EmpresaFrm->inicializa();
    muestraInicio();
}

void TMainFrm::TxNuevaEmpresaClick()
{
    m_negocios->hide();
    if (!dejaPagina())
        return;
    if (!m_paginaNegocio) {
        m_paginaNegocio = new TPaginaNegocio(TPaginaNegocio::TModo::Adicional, this);
        m_paginaNegocio->hide();
        connect(m_paginaNegocio, &TPaginaNegocio::negocioAgregado, this, &TMainFrm::actualizaSesion);
        connect(m_paginaNegocio, &TPaginaNegocio::cancelada, this, [this] {
            if (dejaPagina())
                muestraInicio();
        });
    }
    m_paginaNegocio->inicia();
    m_area->hospedaCompleta(m_paginaNegocio);
    m_paginaNegocio->enfoca();
}

// --- Shell pages -----------------------------------------------------------------------------

bool TMainFrm::dejaPagina()
{
    // Whichever way the user leaves a page of the shell, what was typed in
    // it and not saved is not lost without asking.
    if (EmpresaFrm && m_area->muestra(EmpresaFrm->TxFondo))
        return EmpresaFrm->dejaCambios();
    if (PerfilFrm && m_area->muestra(PerfilFrm->TxFondo))
        return PerfilFrm->dejaCambios();
    if (m_paginaNegocio && m_area->muestra(m_paginaNegocio))
        return TSeccionEmpresa::descartaCambios(m_paginaNegocio->camposEscritos());
    return true;
}

void TMainFrm::hospeda(QWidget* contenido, int altura)
{
    m_area->hospeda(contenido, altura);
    // A page that names its first field gets the focus there, not left on
    // the side panel's link that opened it.
    if (contenido->focusProxy())
        contenido->setFocus(Qt::OtherFocusReason);
}

void TMainFrm::TxEditarClick(QObject* emisor)
{
    editaNegocio(emisor && emisor->objectName() == QLatin1String("ImgLogoEmpresa"));
}

void TMainFrm::editaNegocio(bool conLogo, bool conSeries)
{
    if (!EmpresaFrm || !dejaPagina())
        return;
    EmpresaFrm->inicializa();
    hospeda(EmpresaFrm->TxFondo, EmpresaFrm->getHeight());
    EmpresaFrm->enfoca();
    m_area->fondoPaginas();
    if (conLogo)
        EmpresaFrm->inicializaLogoNegocio();
    if (conSeries)
        EmpresaFrm->inicializaSeries();
}

void TMainFrm::TxUserEmailClick()
{
    if (!PerfilFrm || !dejaPagina())
        return;
    PerfilFrm->inicializa();
    hospeda(PerfilFrm->TxFondo, PerfilFrm->getHeight());
    m_area->fondoPaginas();
}

void TMainFrm::muestraCartaManifiesto()
{
    if (!CartaManifiestoFrm || !dejaPagina())
        return;
    CartaManifiestoFrm->inicializa();
    hospeda(CartaManifiestoFrm->TxFondo, CartaManifiestoFrm->getHeight());
    m_area->fondoPaginas();
}

void TMainFrm::ajustaAlturaPagina(QWidget* contenido, int altura)
{
    m_area->ajustaAltura(contenido, altura);
}

void TMainFrm::actualizaFotoUsuario()
{
    m_panel->muestraPermisos();
}

// --- Sign-out --------------------------------------------------------------------------------

void TMainFrm::TxUserClick()
{
    if (!dejaPagina())
        return;
    if (Utils::mensajeConfirmacion(MSG_CERRAR_SESION) != TPrompter::OK)
        return;
    remueveVentanaActiva();
    remueveVentanaActiva();
    isWizard = true;
    close();
}

void TMainFrm::closeEvent(QCloseEvent* evento)
{
    // Signing out has asked already, before its own question.
    if (!isWizard && !dejaPagina()) {
        evento->ignore();
        return;
    }
    QWidget::closeEvent(evento);
    Preferencias::guardaVentana(objectName(), saveGeometry());
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
    m_banner->muestraActualizacion(disponible);
}
