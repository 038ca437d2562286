#include "TWizardFrm.h"

#include "Constantes.h"
#include "Controles.h"
#include "Entidades.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Prompter.h"
#include "Sistema.h"
#include "Style.h"
#include "TConectarServidorFrm.h"
#include "TFranjaInferior.h"
#include "TPaginaIngreso.h"
#include "TPaginaNegocio.h"
#include "TPaginaPerfil.h"
#include "TPaginaRecuperacion.h"
#include "app/TConfiguracionBaseDatosFrm.h"
#include "app/UtilsVentanas.h"
#include "app/Ventanas.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/TIngreso.h"
#include "negocio/Utils.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <utility>

using namespace Constantes;

namespace {

const QString CONFIRMA_RECONSTRUYE =
    QStringLiteral("¿Deseas volver a registrar ahora las empresas que hay en la carpeta \"db\" del programa?");

const QString REGISTRO = QStringLiteral("el registro de empresas (db/Usuarios.db)");

// The page indices of TabControl1.
enum TPagina { PERFIL = 0, NEGOCIO = 1, CONFIGURACION = 2, INGRESO = 3, RECUPERACION = 4 };

} // namespace

const QString TWizardFrm::AVISO_REGISTRO_FALTANTE =
    QStringLiteral("No se encontró ") + REGISTRO +
    QStringLiteral(", por eso se creó uno nuevo y vacío.\n\n"
                   "Los datos de cada empresa no se perdieron: siguen en su carpeta dentro de \"db\".");
const QString TWizardFrm::AVISO_REGISTRO_OCUPADO =
    QStringLiteral("Otro programa está usando ") + REGISTRO + QStringLiteral("; ciérralo y vuelve a abrir Velkor.");
const QString TWizardFrm::AVISO_REGISTRO_SIN_PERMISO =
    QStringLiteral("No tienes permiso para leer o escribir ") + REGISTRO +
    QStringLiteral("; pide permiso a quien administra este equipo y vuelve a abrir Velkor.");

TWizardFrm::TWizardFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("WizardFrm"));
    setWindowTitle(QStringLiteral("Asistente de configuración"));
    resize(900, 680);
    auto* diseno = new QVBoxLayout(this);
    diseno->setContentsMargins(0, 0, 0, 0);
    diseno->setSpacing(0);

    creaBanner(diseno);
    TabControl1 = new QStackedWidget(this);
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    diseno->addWidget(TabControl1, 1);
    m_perfil = new TPaginaPerfil(TabControl1);
    TabControl1->addWidget(m_perfil);
    TabControl1->addWidget(creaPaginaNegocio());
    TabControl1->addWidget(creaPaginaConfiguracion());
    m_ingreso = new TPaginaIngreso(TabControl1);
    TabControl1->addWidget(m_ingreso);
    m_recuperacion = new TPaginaRecuperacion(TabControl1);
    TabControl1->addWidget(m_recuperacion);
    m_franja = new TFranjaInferior(this);
    diseno->addWidget(m_franja);
    conecta();
    setUpTabOrder();
}

// --- Construction --------------------------------------------------------------

void TWizardFrm::creaBanner(QVBoxLayout* diseno)
{
    auto* banner = new QWidget(this);
    banner->setObjectName(QStringLiteral("RcBanner"));
    banner->setFixedHeight(45);
    auto* fila = new QHBoxLayout(banner);
    fila->setContentsMargins(10, 4, 10, 4);
    Logo = new QLabel(banner);
    Logo->setObjectName(QStringLiteral("Logo"));
    Logo->setFixedSize(120, 36);
    Logo->setScaledContents(true);
    ImgTitularSistema = Controles::imagen(banner, QStringLiteral("ImgTitularSistema"), 32);
    fila->addWidget(Logo);
    fila->addStretch();
    fila->addWidget(ImgTitularSistema);
    diseno->addWidget(banner);
    Utils::cargaImageRS(IMG_LOGO, Logo, Sistema::exePath);
    Utils::cargaImageRS(IMG_CORONA, ImgTitularSistema, Sistema::exePath);
    Controles::fondo(banner, QBrush(Style::StyleFrm().getBannerGradient(Sistema::claveMarca)));
}

QWidget* TWizardFrm::creaPaginaNegocio()
{
    auto* pagina = new QWidget(TabControl1);
    pagina->setObjectName(QStringLiteral("TabItem2"));
    pagina->setAutoFillBackground(true);
    Controles::fondo(pagina, QBrush(Style::StyleFrm().getRectangleGradient(Sistema::claveMarca)));
    auto* dPagina = new QVBoxLayout(pagina);
    dPagina->setContentsMargins(0, 0, 0, 0);
    auto* desplazable = new QScrollArea(pagina);
    desplazable->setObjectName(QStringLiteral("SBNegocio"));
    desplazable->setWidgetResizable(true);
    desplazable->setFrameShape(QFrame::NoFrame);
    // No keyboard stop of its own: Tab goes to its fields, and the box
    // scrolls to show the one focused.
    desplazable->setFocusPolicy(Qt::NoFocus);
    dPagina->addWidget(desplazable);
    m_negocio = new TPaginaNegocio(TPaginaNegocio::TModo::PrimeraVez, desplazable);
    desplazable->setWidget(m_negocio);
    desplazable->viewport()->setAutoFillBackground(false);
    return pagina;
}

QWidget* TWizardFrm::creaPaginaConfiguracion()
{
    auto* pagina = new QWidget(TabControl1);
    pagina->setObjectName(QStringLiteral("TabItem4"));
    pagina->setAutoFillBackground(true);
    const Style::TStyleFrm& estilo = Style::StyleFrm();
    Controles::fondo(pagina, QBrush(estilo.getRectangleGradient(Sistema::claveMarca)));
    auto* diseno = new QVBoxLayout(pagina);
    diseno->setContentsMargins(40, 16, 40, 16);
    QLabel* titulo = Controles::texto(pagina, QStringLiteral("TxTituloConfiguracion"),
                                      QStringLiteral("4. Configuración de Base de Datos"));
    Controles::colorTexto(titulo, RS_TEXTOSUBTITULOS);
    diseno->addWidget(titulo);
    diseno->addStretch();
    auto* botones = new QHBoxLayout();
    CornerButton7 = Controles::boton(pagina, QStringLiteral("CornerButton7"), QStringLiteral("Anterior"));
    CornerButton17 =
        Controles::boton(pagina, QStringLiteral("CornerButton17"), QStringLiteral("Configura tu Conexión"));
    botones->addWidget(CornerButton7);
    botones->addStretch();
    botones->addWidget(CornerButton17);
    diseno->addLayout(botones);
    for (QPushButton* b : {CornerButton17, CornerButton7})
        Controles::estiloBoton(b, estilo.getButtonFactStyle(Sistema::claveMarca));
    connect(CornerButton17, &QPushButton::clicked, this, [] {
        if (ConfiguracionBaseDatosFrm)
            ConfiguracionBaseDatosFrm->exec();
    });
    connect(CornerButton7, &QPushButton::clicked, this, [this] { TabControl1->setCurrentIndex(RECUPERACION); });
    return pagina;
}

void TWizardFrm::conecta()
{
    connect(m_perfil, &TPaginaPerfil::aceptada, this, [this] {
        TabControl1->setCurrentIndex(NEGOCIO);
        m_negocio->enfoca();
    });
    connect(m_negocio, &TPaginaNegocio::anterior, this, [this] {
        TabControl1->setCurrentIndex(PERFIL);
        m_perfil->enfoca();
    });
    connect(m_negocio, &TPaginaNegocio::aceptada, this, &TWizardFrm::creaNegocioNuevo);
    connect(m_ingreso, &TPaginaIngreso::ingreso, this, &TWizardFrm::alIngresar);
    connect(m_ingreso, &TPaginaIngreso::empresasCambiadas, this, &TWizardFrm::initEmpresas);
    connect(m_ingreso, &TPaginaIngreso::olvidoContrasena, this, [this](const QString& rfc, const QString& email) {
        m_recuperacion->inicia(rfc, email);
        TabControl1->setCurrentIndex(RECUPERACION);
    });
    connect(m_perfil, &TPaginaPerfil::conectarServidor, this, &TWizardFrm::conectaServidor);
    connect(m_ingreso, &TPaginaIngreso::conectarServidor, this, &TWizardFrm::conectaServidor);
    connect(m_recuperacion, &TPaginaRecuperacion::cancelada, this, &TWizardFrm::vuelveAlIngreso);
    connect(m_recuperacion, &TPaginaRecuperacion::guardada, this, [this] {
        m_ingreso->limpiaPassword();
        vuelveAlIngreso();
    });
    connect(m_perfil, &TPaginaPerfil::tabulacionCambiada, this, &TWizardFrm::setUpTabOrder);
    connect(m_negocio, &TPaginaNegocio::tabulacionCambiada, this, &TWizardFrm::setUpTabOrder);
    connect(m_franja, &TFranjaInferior::actualizacionDisponible, this, &TWizardFrm::actualizacionDisponible);
    connect(m_franja, &TFranjaInferior::actualizadorIniciado, this, &TWizardFrm::actualizadorIniciado);
    connect(m_franja, &TFranjaInferior::procesoTerminado, this, &TWizardFrm::procesoTerminado);
    connect(m_franja, &TFranjaInferior::registroCambiado, this, &TWizardFrm::muestraPaginaInicial);
    connect(m_franja, &TFranjaInferior::xmlImportado, this, &TWizardFrm::muestraTrasImportacion);
}

void TWizardFrm::setUpTabOrder()
{
    // One chain through every page, each page's part in its reading order
    // and its buttons last; the pages not shown are skipped by Tab.
    QList<QWidget*> orden = m_perfil->camposTabulacion();
    orden << m_negocio->camposTabulacion();
    orden << QList<QWidget*>{CornerButton7, CornerButton17};
    orden << m_ingreso->camposTabulacion();
    orden << m_recuperacion->camposTabulacion();
    orden << m_franja->camposTabulacion();
    Controles::ordenTabulacion(orden);
}

// --- Page flow ---------------------------------------------------------------------

const QStringList& TWizardFrm::listaEmpresas() const
{
    return m_ingreso->listaEmpresas();
}

bool TWizardFrm::ocupado() const
{
    return m_franja->ocupado();
}

NuevoNegocio::TDatos TWizardFrm::datosCaptura() const
{
    NuevoNegocio::TDatos datos;
    m_perfil->llena(datos);
    m_negocio->llena(datos);
    return datos;
}

void TWizardFrm::muestraPagina(int indice)
{
    TabControl1->setCurrentIndex(indice);
    if (indice == INGRESO)
        initEmpresas();
    else
        initNuevaEmpresa();
}

void TWizardFrm::initEmpresas()
{
    aplicaMarcas();
    if (!m_ingreso->cargaEmpresas()) {
        TabControl1->setCurrentIndex(PERFIL);
        initNuevaEmpresa();
        return;
    }
    setUpTabOrder();
    m_ingreso->enfoca();
}

void TWizardFrm::aplicaMarcas()
{
    // The brand may be read after the wizard was made: each preparation
    // writes its texts again.
    m_perfil->aplicaMarca();
    m_negocio->aplicaMarca();
    m_ingreso->aplicaMarca();
    m_recuperacion->aplicaMarca();
}

void TWizardFrm::initNuevaEmpresa()
{
    aplicaMarcas();
    m_ingreso->quitaErrores();
    m_perfil->limpia();
    m_negocio->inicia();
    nextStep = false;
    m_perfil->enfoca();
}

void TWizardFrm::muestraPaginaInicial()
{
    if (registroLocal().getNumeroEmpresas() >= 1)
        muestraPagina(INGRESO);
    else if (TabControl1->currentIndex() >= CONFIGURACION)
        // The first-run pages keep what was typed on them.
        muestraPagina(PERFIL);
}

void TWizardFrm::muestraTrasImportacion()
{
    muestraPagina(registroLocal().getNumeroEmpresas() >= 1 ? INGRESO : PERFIL);
}

void TWizardFrm::vuelveAlIngreso()
{
    TabControl1->setCurrentIndex(INGRESO);
    m_ingreso->enfoca();
}

void TWizardFrm::alIngresar(bool correcto)
{
    nextStep = correcto;
    if (correcto)
        close();
}

void TWizardFrm::creaNegocioNuevo()
{
    nextStep = false;
    const NuevoNegocio::TDatos datos = datosCaptura();
    try {
        TConexionSesion conexion;
        const TUsuarionegocio liga = TPaginaNegocio::creaNegocio(datos, datos.email, nullptr, conexion);
        Sistema::dbSistema = conexion.getDatabase();
        if (!Sistema::Conexion || !(*Sistema::Conexion == conexion))
            Sistema::Conexion = std::make_shared<TConexionSesion>(conexion);
        Sistema::initNuevoNegocio(liga);
        // A switch to another business of this user checks the password
        // again, and this session began without a sign-in to take it from.
        Ingreso::recuerdaPassword(datos.password);
    } catch (const std::exception& e) {
        Logmanager::Log(QStringLiteral("Alta de empresa fallida (RFC \"") + datos.rfc + QStringLiteral("\")."), 1,
                        Sistema::exePath);
        Utils::muestraError(e);
        return;
    }
    nextStep = true;
    close();
}

void TWizardFrm::conectaServidor()
{
    // Opened without waiting: the wizard's own loop keeps running while the
    // window is up, and the window goes when it closes.
    auto* ventana = new TConectarServidorFrm(this);
    ventana->setAttribute(Qt::WA_DeleteOnClose);
    connect(ventana, &TConectarServidorFrm::empresaConectada, this, [this, ventana](const QString& rfc) {
        muestraPagina(INGRESO);
        m_ingreso->eligeEmpresa(rfc, ventana->correo());
        m_ingreso->enfoca();
    });
    ventana->open();
}

// --- Showing and closing -------------------------------------------------------------

void TWizardFrm::showEvent(QShowEvent* evento)
{
    QWidget::showEvent(evento);
    if (!evento->spontaneous())
        m_franja->iniciaVerificacion();
}

void TWizardFrm::closeEvent(QCloseEvent* evento)
{
    // Closed without a sign-in the program ends, yet a restore, a rebuild or
    // a mail may still ask or tell the user through this thread: they would
    // wait for an answer that never comes.
    if (!nextStep) {
        QString proceso = m_franja->trabajoEnCurso();
        if (proceso.isEmpty() && m_recuperacion->enviando())
            proceso = TPaginaRecuperacion::PROGRESO_CORREO;
        if (!proceso.isEmpty()) {
            Utils::mensaje(QStringLiteral("Espera a que termine el proceso en curso: ") + proceso + QLatin1Char('.'),
                           MSG_WARNING);
            evento->ignore();
            return;
        }
    }
    QWidget::closeEvent(evento);
    if (nextStep)
        emit ingresoTerminado();
    else
        emit cerradoSinIngreso();
}

void TWizardFrm::muestraInicio(int empresasActivas)
{
    try {
        if (m_registroIlegible)
        // The list reads empty, yet businesses may be registered: the
        // first run would have the user make them again.
        {
            aplicaMarcas();
            vuelveAlIngreso();
        } else
            muestraPagina(empresasActivas >= 1 ? INGRESO : PERFIL);
    } catch (const std::exception& e) {
        Logmanager::Log(Errores::describe(e), 1, Sistema::exePath);
    }
    show();
    // Told once the wizard is up, not from inside the splash's end.
    if (!m_registroApartado.isEmpty() || m_registroFaltante || m_registroIlegible)
        QMetaObject::invokeMethod(this, &TWizardFrm::ofreceReconstruccion, Qt::QueuedConnection);
}

void TWizardFrm::avisaRegistroDanado(const QString& apartado)
{
    m_registroApartado = apartado;
}

void TWizardFrm::avisaRegistroFaltante()
{
    m_registroFaltante = true;
}

void TWizardFrm::avisaRegistroIlegible(TBaseDatosLocalFrm::TEstadoRegistro estado)
{
    m_registroIlegible = estado;
}

void TWizardFrm::ofreceReconstruccion()
{
    if (const auto ilegible = std::exchange(m_registroIlegible, std::nullopt)) {
        Utils::mensaje(*ilegible == TBaseDatosLocalFrm::TEstadoRegistro::Ocupado ? AVISO_REGISTRO_OCUPADO
                                                                                 : AVISO_REGISTRO_SIN_PERMISO,
                       MSG_WARNING);
        return;
    }
    if (m_registroApartado.isEmpty() && !m_registroFaltante)
        return;
    // The start already left a new, empty registry in its place.
    const QString aviso =
        std::exchange(m_registroFaltante, false)
            ? AVISO_REGISTRO_FALTANTE
            : QString(AVISO_REGISTRO_DANADO).replace(ARCHIVO_SUST, QFileInfo(m_registroApartado).fileName());
    m_registroApartado.clear();
    if (Utils::mensajeConfirmacion(aviso + SALTO + SALTO + CONFIRMA_RECONSTRUYE) == TPrompter::OK &&
        !m_franja->ocupado())
        m_franja->reconstruyeRegistro();
}
