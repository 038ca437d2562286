#include "TWizardFrm.h"

#include "CombosCatalogo.h"
#include "Constantes.h"
#include "Controles.h"
#include "Entidades.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Signerutils.h"
#include "Sistema.h"
#include "Style.h"
#include "TBaseDatosCatalogosFrm.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "app/TConfiguracionBaseDatosFrm.h"
#include "TDireccionesFrm.h"
#include "import/TImportarXMLFrm.h"
#include "shell/TCatalogosHilo.h"
#include "setup/TImportarBaseHilo.h"
#include "negocio/TIngreso.h"
#include "setup/TRecuperacion.h"
#include "setup/TRespaldo.h"
#include "shell/TVerificaUpdate.h"
#include "Conexiones.h"
#include "Prompter.h"
#include "TTelefonosFrm.h"
#include "negocio/Utils.h"
#include "app/UtilsVentanas.h"
#include "app/Ventanas.h"

#include <QBuffer>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QRadioButton>
#include <QShortcut>
#include <QShowEvent>

using namespace Constantes;
using Controles::boton;
using Controles::campo;
using Controles::colorTexto;
using Controles::fondo;
using Controles::imagen;
using Controles::marcaError;
using Controles::quitaError;
using Controles::texto;

const QString TWizardFrm::FILTRO_CERTIFICADO = QStringLiteral("Certificado (*.cer)");
const QString TWizardFrm::FILTRO_LLAVE = QStringLiteral("Llave privada (*.key)");
const QString TWizardFrm::FILTRO_RESPALDO = QStringLiteral("Respaldo (*") + RESPALDO_EXTENSION + QLatin1Char(')');

std::function<QString(QWidget*, const QString&)> TWizardFrm::seleccionaArchivo = [](QWidget* padre,
                                                                                    const QString& filtro) {
    return QFileDialog::getOpenFileName(padre, QString(), QString(), filtro);
};

std::function<QDate()> TWizardFrm::fechaActual = [] { return QDate::currentDate(); };

namespace {

const QString MENSAJE_EMPRESA_EXISTENTE = QStringLiteral("Ya existe la empresa");

// Texts of the long work shown in the progress panel and its ends.
const QString PROGRESO_CATALOGO = QStringLiteral("Descargando el catálogo del SAT");
const QString PROGRESO_RESPALDO = QStringLiteral("Restaurando el respaldo");
const QString PROGRESO_REGISTRO = QStringLiteral("Reconstruyendo el registro de empresas");
const QString PROGRESO_CORREO = QStringLiteral("Enviando la clave de recuperación");
const QString CONFIRMA_RECONSTRUYE =
    QStringLiteral("¿Desea volver a registrar ahora las empresas que hay en la carpeta \"db\" del programa?");
const QString REGISTRO_RECONSTRUIDO = QStringLiteral("Se registraron de nuevo %1 empresa(s) en este equipo.");
const QString REGISTRO_SIN_EMPRESAS =
    QStringLiteral("No se encontró ninguna empresa con usuarios activos en la carpeta \"db\" del programa.");
const QString REGISTRO_OMITIDAS =
    QStringLiteral("No se pudieron leer estas bases de datos (los detalles están en el registro de actividad):");
const QString CLAVE_ENVIADA = QStringLiteral("Se envió la clave de recuperación a %1. Revisa tu correo.");

// Brand texts of the business page; the placeholders are replaced at each
// preparation, so a brand read later still shows.
const QString INFO_EXCLUSIVA = QStringLiteral("Con el certificado de sello digital (CSD) de tu empresa, ") +
                               MARCA_SUST + QStringLiteral(" llena por ti el RFC y la razón social.");
const QString INFO_PAC = MARCA_SUST +
                         QStringLiteral(" timbra tus facturas con un proveedor autorizado de certificación "
                                        "(PAC), número de autorización del SAT: ") +
                         NUMERO_PAC + QStringLiteral(".");

QWidget* pagina(QStackedWidget* paginas, const QString& nombre)
{
    auto* p = new QWidget(paginas);
    p->setObjectName(nombre);
    p->setAutoFillBackground(true);
    paginas->addWidget(p);
    return p;
}

// The welcome line of a page: the flag image and the brand's welcome text.
QHBoxLayout* bienvenida(QWidget* padre, QLabel*& imagenBienvenida, const QString& nombreImagen,
                        QLabel*& textoBienvenida, const QString& nombreTexto)
{
    auto* fila = new QHBoxLayout();
    imagenBienvenida = imagen(padre, nombreImagen, 40);
    textoBienvenida = texto(padre, nombreTexto);
    textoBienvenida->setWordWrap(true);
    fila->addWidget(imagenBienvenida);
    fila->addWidget(textoBienvenida, 1);
    return fila;
}

constexpr int ESPACIO_FILA = 6;

void registra(const QString& texto)
{
    Logmanager::Log(texto, 1, Sistema::exePath);
}

// Label beside field; the labels take the width of the longest.
QFormLayout* nuevoFormulario()
{
    auto* formulario = new QFormLayout();
    formulario->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    formulario->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return formulario;
}

// One row: the field's label (its prompt, unless told otherwise) and the
// field, or the row `contenido` holding it.
void fila(QFormLayout* formulario, QLineEdit* campo, QLayout* contenido = nullptr)
{
    QLabel* e = Controles::etiqueta(campo->parentWidget(), campo, campo->placeholderText());
    if (contenido)
        formulario->addRow(e, contenido);
    else
        formulario->addRow(e, campo);
}

void fila(QFormLayout* formulario, QWidget* campo, const QString& texto)
{
    formulario->addRow(Controles::etiqueta(campo->parentWidget(), campo, texto), campo);
}

// The text of a chosen list entry; the prompt (item 0) reads as empty.
QString elegido(const QString& textoMostrado, bool esElegido)
{
    return esElegido ? textoMostrado : QString();
}

QString textoError(const std::exception& e)
{
    if (const auto* propio = dynamic_cast<const EVelkor*>(&e))
        return propio->mensaje();
    return QString::fromLocal8Bit(e.what());
}

} // namespace

TWizardFrm::TWizardFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("WizardFrm"));
    setWindowTitle(QStringLiteral("Wizard de Configuración"));
    resize(900, 680);
    auto* diseno = new QVBoxLayout(this);
    diseno->setContentsMargins(0, 0, 0, 0);
    diseno->setSpacing(0);

    creaBanner(diseno);
    TabControl1 = new QStackedWidget(this);
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    diseno->addWidget(TabControl1, 1);
    creaPaginaPerfil();
    creaPaginaNegocio();
    creaPaginaConfiguracion();
    creaPaginaIngreso();
    creaPaginaRecuperacion();
    creaPanelProgreso(diseno);
    creaFranjaInferior(diseno);
    FormCreate();
}

TWizardFrm::~TWizardFrm()
{
    // A worker still running would outlive the window it reports to.
    if (m_catalogo)
        m_catalogo->cancela();
    for (QThread* hilo : {static_cast<QThread*>(m_catalogo.data()), static_cast<QThread*>(m_verificacion.data()),
                          m_trabajo.data(), m_envio.data()})
        if (hilo)
            hilo->wait();
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
    ImgTitularSistema = imagen(banner, QStringLiteral("ImgTitularSistema"), 32);
    fila->addWidget(Logo);
    fila->addStretch();
    fila->addWidget(ImgTitularSistema);
    diseno->addWidget(banner);
}

void TWizardFrm::creaPaginaPerfil()
{
    TabItem1 = pagina(TabControl1, QStringLiteral("TabItem1"));
    auto* diseno = new QVBoxLayout(TabItem1);
    diseno->setContentsMargins(40, 16, 40, 16);
    diseno->addLayout(bienvenida(TabItem1, ImgBienvenida, QStringLiteral("ImgBienvenida"), TxBienvenida,
                                 QStringLiteral("TxBienvenida")));
    diseno->addWidget(texto(TabItem1, QStringLiteral("TxPaso1"), QStringLiteral("Paso 1 de 2")));
    diseno->addWidget(texto(TabItem1, QStringLiteral("TxEditaPerfil"), QStringLiteral("Edita tu Perfil")));

    auto* formulario = nuevoFormulario();
    EdCorreoElectronico = campo(TabItem1, QStringLiteral("EdCorreoElectronico"), QStringLiteral("Correo Electrónico"));
    fila(formulario, EdCorreoElectronico);
    auto* nota = texto(TabItem1, QStringLiteral("TxNotaCorreo"),
                       QStringLiteral("Tu correo electrónico es tu nombre de usuario para entrar al sistema."));
    nota->setWordWrap(true);
    formulario->addRow(QString(), nota);
    EdPassword = campo(TabItem1, QStringLiteral("EdPassword"), QStringLiteral("Contraseña"), true);
    EdRepitePassword = campo(TabItem1, QStringLiteral("EdRepitePassword"), QStringLiteral("Repetir Contraseña"), true);
    fila(formulario, EdPassword);
    fila(formulario, EdRepitePassword);
    auto* pista = texto(TabItem1, QStringLiteral("TxPistaContrasena"),
                        QStringLiteral("Para utilizar el sistema sin contraseña, deja los campos en blanco."));
    pista->setWordWrap(true);
    formulario->addRow(QString(), pista);
    EdNombre = campo(TabItem1, QStringLiteral("EdNombre"), QStringLiteral("Nombre"));
    EdApellidoPaterno = campo(TabItem1, QStringLiteral("EdApellidoPaterno"), QStringLiteral("Apellido Paterno"));
    EdApellidoMaterno = campo(TabItem1, QStringLiteral("EdApellidoMaterno"), QStringLiteral("Apellido Materno"));
    fila(formulario, EdNombre);
    fila(formulario, EdApellidoPaterno);
    fila(formulario, EdApellidoMaterno);
    diseno->addLayout(formulario);

    auto* encabezado = new QHBoxLayout();
    ImgTelefono = imagen(TabItem1, QStringLiteral("ImgTelefono"), 20);
    encabezado->addWidget(ImgTelefono);
    encabezado->addWidget(texto(TabItem1, QStringLiteral("TxTelefonos"), QStringLiteral("Teléfonos")), 1);
    diseno->addLayout(encabezado);
    TxTelefonoContenedor = new TTelefonosFrm(TabItem1);
    TxTelefonoBottom = TxTelefonoContenedor->TxTelefonoBottom;
    diseno->addWidget(TxTelefonoContenedor);

    diseno->addStretch();
    auto* botones = new QHBoxLayout();
    BtSiguiente = boton(TabItem1, QStringLiteral("BtSiguiente"), QStringLiteral("Siguiente"));
    botones->addStretch();
    botones->addWidget(BtSiguiente);
    diseno->addLayout(botones);
    connect(BtSiguiente, &QPushButton::clicked, this, &TWizardFrm::BtSiguienteClick);
}

void TWizardFrm::creaPaginaNegocio()
{
    TabItem2 = pagina(TabControl1, QStringLiteral("TabItem2"));
    auto* dPagina = new QVBoxLayout(TabItem2);
    dPagina->setContentsMargins(0, 0, 0, 0);
    auto* desplazable = new QScrollArea(TabItem2);
    desplazable->setObjectName(QStringLiteral("SBNegocio"));
    desplazable->setWidgetResizable(true);
    desplazable->setFrameShape(QFrame::NoFrame);
    dPagina->addWidget(desplazable);

    // The business form lives in one holder, which the main window hosts to
    // add a business for the user already signed in.
    TxTopSecundario = new QWidget(desplazable);
    TxTopSecundario->setObjectName(QStringLiteral("TxTopSecundario"));
    desplazable->setWidget(TxTopSecundario);
    desplazable->viewport()->setAutoFillBackground(false);
    TxTopSecundario->setAutoFillBackground(false);
    QWidget* p = TxTopSecundario;
    auto* diseno = new QVBoxLayout(p);
    diseno->setContentsMargins(40, 16, 40, 16);
    diseno->addLayout(bienvenida(p, ImgBienvenidaSecundario, QStringLiteral("ImgBienvenidaSecundario"),
                                 TxBienvenidaSecundario, QStringLiteral("TxBienvenidaSecundario")));
    diseno->addWidget(texto(p, QStringLiteral("TxPaso2"), QStringLiteral("Paso 2 de 2")));
    TxInfoExclusiva = texto(p, QStringLiteral("TxInfoExclusiva"));
    TxInfoExclusiva->setWordWrap(true);
    TxNumeroPAC = texto(p, QStringLiteral("TxNumeroPAC"));
    TxNumeroPAC->setWordWrap(true);
    diseno->addWidget(TxInfoExclusiva);
    diseno->addWidget(TxNumeroPAC);

    auto* formulario = nuevoFormulario();
    EdNombreEmpresa = campo(p, QStringLiteral("EdNombreEmpresa"), QStringLiteral("Nombre de la Empresa"));
    fila(formulario, EdNombreEmpresa);

    // The paths are chosen with their search buttons, so the certificate is
    // always read before its RFC is taken.
    auto* filaCer = new QHBoxLayout();
    filaCer->setSpacing(ESPACIO_FILA);
    EdCSD = campo(p, QStringLiteral("EdCSD"), QStringLiteral("Certificado"));
    EdCSD->setReadOnly(true);
    SearchEditButton2 = boton(p, QStringLiteral("SearchEditButton2"), QStringLiteral("Buscar…"));
    ClearEditButton1 = boton(p, QStringLiteral("ClearEditButton1"), QStringLiteral("✕"));
    ClearEditButton1->setFixedWidth(32);
    ClearEditButton1->setToolTip(QStringLiteral("Quitar el certificado"));
    filaCer->addWidget(EdCSD, 1);
    filaCer->addWidget(SearchEditButton2);
    filaCer->addWidget(ClearEditButton1);
    fila(formulario, EdCSD, filaCer);

    auto* filaKey = new QHBoxLayout();
    filaKey->setSpacing(ESPACIO_FILA);
    EdKey = campo(p, QStringLiteral("EdKey"), QStringLiteral("Llave Privada"));
    EdKey->setReadOnly(true);
    SearchEditButton1 = boton(p, QStringLiteral("SearchEditButton1"), QStringLiteral("Buscar…"));
    filaKey->addWidget(EdKey, 1);
    filaKey->addWidget(SearchEditButton1);
    // Lines the key's search button up with the certificate's.
    filaKey->addSpacing(ClearEditButton1->width() + ESPACIO_FILA);
    fila(formulario, EdKey, filaKey);

    EdCSDPass = campo(p, QStringLiteral("EdCSDPass"), QStringLiteral("Contraseña de la llave privada"), true);
    fila(formulario, EdCSDPass);

    auto* filaDatosCer = new QHBoxLayout();
    TxCaducidadCSD = texto(p, QStringLiteral("TxCaducidadCSD"));
    TxNoSerieCSDLeyenda = texto(p, QStringLiteral("TxNoSerieCSDLeyenda"));
    TxNoSerieCSD = texto(p, QStringLiteral("TxNoSerieCSD"));
    filaDatosCer->addWidget(TxCaducidadCSD);
    filaDatosCer->addStretch();
    filaDatosCer->addWidget(TxNoSerieCSDLeyenda);
    filaDatosCer->addWidget(TxNoSerieCSD);
    formulario->addRow(QString(), filaDatosCer);

    // The RFC is the certificate's: typing another would create a business
    // that cannot sign its vouchers.
    EdRFC = campo(p, QStringLiteral("EdRFC"), QStringLiteral("RFC"));
    EdRFC->setReadOnly(true);
    EdRazon = campo(p, QStringLiteral("EdRazon"), QStringLiteral("Razón Social"));
    fila(formulario, EdRFC);
    fila(formulario, EdRazon);

    CmbRegimenFiscal = new QComboBox(p);
    CmbRegimenFiscal->setObjectName(QStringLiteral("CmbRegimenFiscal"));
    CmbRegimenFiscal->setEditable(false);
    CmbRegimenFiscal->addItem(REGIMEN_FISCAL);
    fila(formulario, CmbRegimenFiscal, REGIMEN_FISCAL);
    diseno->addLayout(formulario);

    diseno->addWidget(texto(p, QStringLiteral("TxDomicilioFiscal"), QStringLiteral("Domicilio Fiscal")));
    TxDireccion = new QWidget(p);
    TxDireccion->setObjectName(QStringLiteral("TxDireccion"));
    auto* dDireccion = new QVBoxLayout(TxDireccion);
    dDireccion->setContentsMargins(0, 0, 0, 0);
    diseno->addWidget(TxDireccion);

    diseno->addStretch();
    auto* botones = new QHBoxLayout();
    BtAnterior = boton(p, QStringLiteral("BtAnterior"), QStringLiteral("Anterior"));
    BtLimpiarCampos = boton(p, QStringLiteral("BtLimpiarCampos"), QStringLiteral("Limpiar Campos"));
    BtFinalizar = boton(p, QStringLiteral("BtFinalizar"), QStringLiteral("Finalizar"));
    botones->addWidget(BtAnterior);
    botones->addStretch();
    botones->addWidget(BtLimpiarCampos);
    botones->addWidget(BtFinalizar);
    diseno->addLayout(botones);

    connect(SearchEditButton2, &QPushButton::clicked, this, &TWizardFrm::SearchEditButton2Click);
    connect(ClearEditButton1, &QPushButton::clicked, this, &TWizardFrm::ClearEditButton1Click);
    connect(SearchEditButton1, &QPushButton::clicked, this, &TWizardFrm::SearchEditButton1Click);
    connect(BtAnterior, &QPushButton::clicked, this, &TWizardFrm::BtAnteriorClick);
    connect(BtLimpiarCampos, &QPushButton::clicked, this, &TWizardFrm::BtLimpiarCamposClick);
    connect(BtFinalizar, &QPushButton::clicked, this, &TWizardFrm::BtFinalizarClick);
}

void TWizardFrm::creaPaginaConfiguracion()
{
    TabItem4 = pagina(TabControl1, QStringLiteral("TabItem4"));
    auto* diseno = new QVBoxLayout(TabItem4);
    diseno->setContentsMargins(40, 16, 40, 16);
    diseno->addWidget(
        texto(TabItem4, QStringLiteral("TxTituloConfiguracion"), QStringLiteral("4. Configuración de Base de Datos")));
    diseno->addStretch();
    auto* botones = new QHBoxLayout();
    CornerButton7 = boton(TabItem4, QStringLiteral("CornerButton7"), QStringLiteral("Anterior"));
    CornerButton17 = boton(TabItem4, QStringLiteral("CornerButton17"), QStringLiteral("Configura tu Conexión"));
    botones->addWidget(CornerButton7);
    botones->addStretch();
    botones->addWidget(CornerButton17);
    diseno->addLayout(botones);
    connect(CornerButton17, &QPushButton::clicked, this, &TWizardFrm::CornerButton17Click);
    connect(CornerButton7, &QPushButton::clicked, this, &TWizardFrm::CornerButton7Click);
}

void TWizardFrm::creaPaginaIngreso()
{
    TabItem5 = pagina(TabControl1, QStringLiteral("TabItem5"));
    auto* diseno = new QVBoxLayout(TabItem5);
    diseno->setContentsMargins(40, 16, 40, 16);
    diseno->addLayout(bienvenida(TabItem5, ImgBienvenidaLoggin, QStringLiteral("ImgBienvenidaLoggin"),
                                 TxBienvenidaLoggin, QStringLiteral("TxBienvenidaLoggin")));
    diseno->addWidget(
        texto(TabItem5, QStringLiteral("TxSeleccionaEmpresa"), QStringLiteral("Por favor selecciona una empresa")));

    SBSeleccionarEmpresa = new QScrollArea(TabItem5);
    SBSeleccionarEmpresa->setObjectName(QStringLiteral("SBSeleccionarEmpresa"));
    SBSeleccionarEmpresa->setWidgetResizable(true);
    SBSeleccionarEmpresa->setFrameShape(QFrame::NoFrame);
    SBSeleccionarEmpresa->setFixedHeight(30);
    m_contenedorEmpresas = new QWidget(SBSeleccionarEmpresa);
    m_contenedorEmpresas->setObjectName(QStringLiteral("TxListaEmpresas"));
    m_listaTiles = new QVBoxLayout(m_contenedorEmpresas);
    m_listaTiles->setContentsMargins(0, 0, 0, 0);
    m_listaTiles->setSpacing(0);
    m_listaTiles->addStretch();
    SBSeleccionarEmpresa->setWidget(m_contenedorEmpresas);
    diseno->addWidget(SBSeleccionarEmpresa);
    m_grupoEmpresas = new QButtonGroup(this);
    m_grupoEmpresas->setObjectName(RB_GRUPO_EMPRESA);

    auto* seleccion = new QHBoxLayout();
    seleccion->addWidget(
        texto(TabItem5, QStringLiteral("TxEmpresaSeleccionada"), QStringLiteral("Empresa Seleccionada")));
    TxSeleccion = texto(TabItem5, QStringLiteral("TxSeleccion"));
    seleccion->addWidget(TxSeleccion, 1);
    diseno->addLayout(seleccion);

    auto* formulario = nuevoFormulario();
    EdCorreoElectronicoLoggin =
        campo(TabItem5, QStringLiteral("EdCorreoElectronicoLoggin"), QStringLiteral("Correo Electrónico"));
    fila(formulario, EdCorreoElectronicoLoggin);
    auto* filaPassword = new QHBoxLayout();
    ImgCandado = imagen(TabItem5, QStringLiteral("ImgCandado"), 20);
    EdPasswordLoggin = campo(TabItem5, QStringLiteral("EdPasswordLoggin"), QStringLiteral("Contraseña"), true);
    filaPassword->addWidget(ImgCandado);
    filaPassword->addWidget(EdPasswordLoggin, 1);
    fila(formulario, EdPasswordLoggin, filaPassword);
    diseno->addLayout(formulario);

    auto* filaIngreso = new QHBoxLayout();
    TxOlvidarContraseña =
        texto(TabItem5, QStringLiteral("TxOlvidarContraseña"), QStringLiteral("Olvidé mi contraseña"));
    BtIngresar = boton(TabItem5, QStringLiteral("BtIngresar"), QStringLiteral("Ingresar"));
    BtIngresar->setDefault(true);
    filaIngreso->addWidget(TxOlvidarContraseña);
    filaIngreso->addStretch();
    filaIngreso->addWidget(BtIngresar);
    diseno->addLayout(filaIngreso);
    Controles::alClic(TxOlvidarContraseña, [this] { TxOlvidarContraseñaClick(); });
    TxOlvidarContraseña->setCursor(Qt::PointingHandCursor);

    diseno->addStretch();

    connect(BtIngresar, &QPushButton::clicked, this, &TWizardFrm::BtIngresarClick);
    connect(EdCorreoElectronicoLoggin, &QLineEdit::returnPressed, this, &TWizardFrm::BtIngresarClick);
    connect(EdPasswordLoggin, &QLineEdit::returnPressed, this, &TWizardFrm::BtIngresarClick);
}

void TWizardFrm::creaPaginaRecuperacion()
{
    TabItem3 = pagina(TabControl1, QStringLiteral("TabItem3"));
    auto* diseno = new QVBoxLayout(TabItem3);
    diseno->setContentsMargins(40, 16, 40, 16);
    diseno->addLayout(bienvenida(TabItem3, ImBienvenidaRecuperacion, QStringLiteral("ImBienvenidaRecuperacion"),
                                 TxBienvenidaRecuperacion, QStringLiteral("TxBienvenidaRecuperacion")));
    diseno->addWidget(
        texto(TabItem3, QStringLiteral("TxRecuperaContrasena"), QStringLiteral("Recupera tu Contraseña")));

    auto* formulario = nuevoFormulario();
    TxRecuperaEmail = texto(TabItem3, QStringLiteral("TxRecuperaEmail"));
    TxRecuperaEmail->setTextInteractionFlags(Qt::TextSelectableByMouse);
    formulario->addRow(texto(TabItem3, QStringLiteral("TxUsuario"), QStringLiteral("Usuario")), TxRecuperaEmail);
    auto* filaEnvio = new QHBoxLayout();
    auto* notaEnvio = texto(TabItem3, QStringLiteral("TxNotaEnvio"),
                            QStringLiteral("Te enviaremos a este correo una clave para "
                                           "recuperar tu contraseña."));
    notaEnvio->setWordWrap(true);
    BtEnviaClave = boton(TabItem3, QStringLiteral("BtEnviaClave"), QStringLiteral("&Enviar Clave"));
    filaEnvio->addWidget(notaEnvio, 1);
    filaEnvio->addWidget(BtEnviaClave);
    formulario->addRow(QString(), filaEnvio);

    formulario->addRow(texto(TabItem3, QStringLiteral("TxIngresaClave"),
                             QStringLiteral("Ingresa tu Clave de Recuperación de Contraseña")));
    auto* filaClave = new QHBoxLayout();
    filaClave->setSpacing(ESPACIO_FILA);
    EdClaveRecuperacion =
        campo(TabItem3, QStringLiteral("EdClaveRecuperacion"), QStringLiteral("Clave de Recuperación de Contraseña"));
    BtIngresarRecuperacion = boton(TabItem3, QStringLiteral("BtIngresarRecuperacion"), QStringLiteral("&Ingresar"));
    filaClave->addWidget(EdClaveRecuperacion, 1);
    filaClave->addWidget(BtIngresarRecuperacion);
    formulario->addRow(Controles::etiqueta(TabItem3, EdClaveRecuperacion, QStringLiteral("C&lave")), filaClave);

    formulario->addRow(texto(TabItem3, QStringLiteral("TxIngresaContrasena"), QStringLiteral("Ingresa tu Contraseña")));
    EdRecuperaPass = campo(TabItem3, QStringLiteral("EdRecuperaPass"), QStringLiteral("Contraseña"), true);
    EdRecuperaPassRepite =
        campo(TabItem3, QStringLiteral("EdRecuperaPassRepite"), QStringLiteral("Repite Contraseña"), true);
    fila(formulario, EdRecuperaPass);
    fila(formulario, EdRecuperaPassRepite);
    TxLeyendaAyuda = texto(TabItem3, QStringLiteral("TxLeyendaAyuda"),
                           QStringLiteral("Para utilizar el sistema sin contraseña, deja los campos en blanco."));
    TxLeyendaAyuda->setWordWrap(true);
    formulario->addRow(QString(), TxLeyendaAyuda);
    diseno->addLayout(formulario);

    diseno->addStretch();
    auto* botones = new QHBoxLayout();
    BtCancelar = boton(TabItem3, QStringLiteral("BtCancelar"), QStringLiteral("Cancelar"));
    BtGuardar = boton(TabItem3, QStringLiteral("BtGuardar"), QStringLiteral("&Guardar"));
    botones->addWidget(BtCancelar);
    botones->addStretch();
    botones->addWidget(BtGuardar);
    diseno->addLayout(botones);
    for (QLineEdit* e : {EdClaveRecuperacion, EdRecuperaPass, EdRecuperaPassRepite})
        e->setMaxLength(100);
    // Escape leaves the page as Cancelar does.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), TabItem3);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &TWizardFrm::BtCancelarClick);
    connect(BtCancelar, &QPushButton::clicked, this, &TWizardFrm::BtCancelarClick);
    connect(BtEnviaClave, &QPushButton::clicked, this, &TWizardFrm::BtEnviaClaveClick);
    connect(BtIngresarRecuperacion, &QPushButton::clicked, this, &TWizardFrm::BtIngresarRecuperacionClick);
    connect(EdClaveRecuperacion, &QLineEdit::returnPressed, this, &TWizardFrm::BtIngresarRecuperacionClick);
    connect(BtGuardar, &QPushButton::clicked, this, &TWizardFrm::BtGuardarClick);
    connect(EdRecuperaPass, &QLineEdit::returnPressed, this, &TWizardFrm::BtGuardarClick);
    connect(EdRecuperaPassRepite, &QLineEdit::returnPressed, this, &TWizardFrm::BtGuardarClick);
}

void TWizardFrm::creaPanelProgreso(QVBoxLayout* diseno)
{
    Text8 = new QWidget(this);
    Text8->setObjectName(QStringLiteral("Text8"));
    auto* panel = new QVBoxLayout(Text8);
    panel->setContentsMargins(10, 4, 10, 4);
    panel->setSpacing(2);
    TxProgreso = texto(Text8, QStringLiteral("TxProgreso"), QStringLiteral("Progreso"));
    ProgressBar1 = new QProgressBar(Text8);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    Text11 = texto(Text8, QStringLiteral("Text11"));
    Text11->setMinimumWidth(60);
    BtCancelarProceso = boton(Text8, QStringLiteral("BtCancelarProceso"), QStringLiteral("Cancelar descarga"));
    panel->addWidget(TxProgreso);
    auto* fila = new QHBoxLayout();
    fila->addWidget(ProgressBar1, 1);
    fila->addWidget(Text11);
    fila->addWidget(BtCancelarProceso);
    panel->addLayout(fila);
    Text8->hide();
    diseno->addWidget(Text8);
    connect(BtCancelarProceso, &QPushButton::clicked, this, [this] {
        if (m_catalogo)
            m_catalogo->cancela();
        BtCancelarProceso->setEnabled(false);
    });
}

void TWizardFrm::creaFranjaInferior(QVBoxLayout* diseno)
{
    auto* franja = new QWidget(this);
    franja->setObjectName(QStringLiteral("RcInferior"));
    auto* filas = new QVBoxLayout(franja);
    filas->setContentsMargins(10, 4, 10, 4);
    filas->setSpacing(2);
    auto* arriba = new QHBoxLayout();
    auto* abajo = new QHBoxLayout();
    filas->addLayout(arriba);
    filas->addLayout(abajo);
    const auto liga = [&](QHBoxLayout* fila, QLabel*& img, const QString& nombreImg, QLabel*& tx,
                          const QString& nombreTx, const QString& contenido, void (TWizardFrm::*accion)()) {
        img = imagen(franja, nombreImg, 16);
        tx = texto(franja, nombreTx, contenido);
        fila->addWidget(img);
        fila->addWidget(tx);
        fila->addSpacing(16);
        for (QLabel* enlace : {img, tx}) {
            Controles::alClic(enlace, [this, accion] { (this->*accion)(); });
            enlace->setCursor(Qt::PointingHandCursor);
        }
        // The text is the keyboard stop; the picture only repeats it.
        img->setFocusPolicy(Qt::NoFocus);
    };
    liga(arriba, ImgUpdate, QStringLiteral("ImgUpdate"), TxUpdate, QStringLiteral("TxUpdate"),
         QStringLiteral("Actualización disponible"), &TWizardFrm::TxUpdateClick);
    liga(arriba, ImgCatalogo, QStringLiteral("ImgCatalogo"), TXCatalogos, QStringLiteral("TXCatalogos"),
         QStringLiteral("Actualización catálogos"), &TWizardFrm::TXCatalogosClick);
    liga(arriba, ImgAbrirXML, QStringLiteral("ImgAbrirXML"), TxRestaurarRespaldoXML,
         QStringLiteral("TxRestaurarRespaldoXML"), QStringLiteral("Restaurar desde archivos XML"),
         &TWizardFrm::ImgAbrirXMLClick);
    arriba->addStretch();
    // Both restore links carry the same words; their pictures and tooltips
    // tell them apart.
    liga(abajo, ImgAbrirConf, QStringLiteral("ImgAbrirConf"), Text2, QStringLiteral("Text2"),
         QStringLiteral("Restaurar archivo de configuración de base de datos"), &TWizardFrm::restaurarRespaldo);
    liga(abajo, ImgBaseDatos, QStringLiteral("ImgBaseDatos"), TxBaseDatos, QStringLiteral("TxBaseDatos"),
         QStringLiteral("Restaurar archivo de configuración de base de datos"), &TWizardFrm::ImgBaseDatosClick);
    Text2->setToolTip(QStringLiteral("Restaura una empresa desde un archivo de respaldo (*.respal33)"));
    ImgAbrirConf->setToolTip(Text2->toolTip());
    TxBaseDatos->setToolTip(
        QStringLiteral("Vuelve a registrar en este equipo las empresas que hay en la carpeta \"db\" del programa"));
    ImgBaseDatos->setToolTip(TxBaseDatos->toolTip());
    abajo->addStretch();
    TxLeyenda = texto(franja, QStringLiteral("TxLeyenda"),
                      QStringLiteral("Por favor, reinicie la aplicación para que los cambios tomen efecto"));
    TxLeyenda->hide();
    abajo->addWidget(TxLeyenda);
    // Only the update check may announce an update.
    ImgUpdate->hide();
    TxUpdate->hide();
    diseno->addWidget(franja);
}

void TWizardFrm::FormCreate()
{
    cargaImagenes();
    aplicaEstilos();
    for (QLineEdit* e :
         {EdCorreoElectronico, EdPassword, EdRepitePassword, EdCorreoElectronicoLoggin, EdPasswordLoggin})
        e->setMaxLength(100);
    EdNombreEmpresa->setMaxLength(300);
    EdRFC->setMaxLength(13);
    EdRazon->setMaxLength(300);
    nextStep = false;
    m_listaEmpresas.clear();
    // The scrolling boxes are no keyboard stops of their own: Tab goes to
    // their fields, and the box scrolls to show the one focused.
    SBSeleccionarEmpresa->setFocusPolicy(Qt::NoFocus);
    if (auto* desplazable = findChild<QScrollArea*>(QStringLiteral("SBNegocio")))
        desplazable->setFocusPolicy(Qt::NoFocus);
    connect(TxTelefonoContenedor, &TTelefonosFrm::filasCambiadas, this, &TWizardFrm::setUpTabOrder);
    habilitaNuevoPassword(false);
    setUpTabOrder();

    for (QWidget* w : {static_cast<QWidget*>(EdCorreoElectronico), static_cast<QWidget*>(EdCorreoElectronicoLoggin),
                       static_cast<QWidget*>(CmbRegimenFiscal), static_cast<QWidget*>(EdNombreEmpresa),
                       static_cast<QWidget*>(EdCSD), static_cast<QWidget*>(EdKey), static_cast<QWidget*>(EdCSDPass)})
        w->installEventFilter(this);
    m_campoQuitaError = {EdCorreoElectronico, EdNombreEmpresa, EdCSD, EdKey, EdCSDPass, CmbRegimenFiscal};
}

void TWizardFrm::cargaImagenes()
{
    const QString& carpeta = Sistema::exePath;
    Utils::cargaImageRS(IMG_LOGO, Logo, carpeta);
    for (QLabel* img : {ImgBienvenida, ImgBienvenidaSecundario, ImgBienvenidaLoggin, ImBienvenidaRecuperacion})
        Utils::cargaImageRS(IMG_BANDERA, img, carpeta);
    Utils::cargaImageRS(IMG_CORONA, ImgTitularSistema, carpeta);
    Utils::cargaImageRS(IMG_ABRIR_CONFIGURACION, ImgAbrirConf, carpeta);
    Utils::cargaImageRS(IMG_ABRIR_XML, ImgAbrirXML, carpeta);
    Utils::cargaImageRS(IMG_TELEFONO, ImgTelefono, carpeta);
    Utils::cargaImageRS(IMG_BASE_DATOS, ImgBaseDatos, carpeta);
    Utils::cargaImageRS(IMG_UPDATE, ImgUpdate, carpeta);
    Utils::cargaImageRS(IMG_UPDATE, ImgCatalogo, carpeta);
    Utils::cargaImageRS(IMG_CANDADO_LOGGIN, ImgCandado, carpeta);
    TxTelefonoContenedor->setImagenEliminar(Utils::imagenRS(IMG_DELETE, carpeta));
}

void TWizardFrm::aplicaEstilos()
{
    const Style::TStyleFrm& estilo = Style::StyleFrm();
    if (auto* banner = findChild<QWidget*>(QStringLiteral("RcBanner")))
        fondo(banner, QBrush(estilo.getBannerGradient(Sistema::claveMarca)));
    for (QWidget* p : {TabItem1, TabItem2, TabItem4, TabItem5, TabItem3})
        fondo(p, QBrush(estilo.getRectangleGradient(Sistema::claveMarca)));

    for (const QString& nombre : {QStringLiteral("TxPaso1"), QStringLiteral("TxEditaPerfil"), QStringLiteral("TxPaso2"),
                                  QStringLiteral("TxTituloConfiguracion"), QStringLiteral("TxSeleccionaEmpresa"),
                                  QStringLiteral("TxRecuperaContrasena")})
        colorTexto(findChild<QLabel*>(nombre), RS_TEXTOSUBTITULOS);
    for (const QString& nombre : {QStringLiteral("TxIngresaClave"), QStringLiteral("TxIngresaContrasena")})
        colorTexto(findChild<QLabel*>(nombre), RS_TEXTOSECCION);
    colorTexto(TxProgreso, RS_TEXTOSECCION);
    for (QLabel* seccion :
         {findChild<QLabel*>(QStringLiteral("TxTelefonos")), findChild<QLabel*>(QStringLiteral("TxDomicilioFiscal")),
          findChild<QLabel*>(QStringLiteral("TxEmpresaSeleccionada")), TxSeleccion})
        colorTexto(seccion, RS_TEXTOSECCION);
    for (QLabel* liga :
         {TxTelefonoBottom, TxOlvidarContraseña, TxUpdate, TXCatalogos, TxBaseDatos, Text2, TxRestaurarRespaldoXML})
        colorTexto(liga, RS_TEXTOAZUL);

    // The style sheet gives the buttons their white text.
    const QString hoja = estilo.getButtonFactStyle(Sistema::claveMarca);
    for (QPushButton* b :
         {BtIngresar, BtSiguiente, BtAnterior, BtFinalizar, BtLimpiarCampos, BtEnviaClave, BtIngresarRecuperacion,
          BtCancelar, BtGuardar, BtCancelarProceso, CornerButton17, CornerButton7})
        Controles::estiloBoton(b, hoja);
}

void TWizardFrm::setUpTabOrder()
{
    // One chain through every page, each page's part in its reading order
    // and its buttons last; the pages not shown are skipped by Tab.
    QList<QWidget*> orden = {EdCorreoElectronico, EdPassword,       EdRepitePassword, EdNombre,
                             EdApellidoPaterno,   EdApellidoMaterno};
    orden << TxTelefonoContenedor->camposTabulacion();
    orden << BtSiguiente;
    orden << QList<QWidget*>{EdNombreEmpresa, EdCSD, SearchEditButton2, ClearEditButton1, EdKey, SearchEditButton1,
                             EdCSDPass,       EdRFC, EdRazon,           CmbRegimenFiscal};
    if (m_direccion)
        orden << m_direccion->camposTabulacion();
    orden << QList<QWidget*>{BtAnterior, BtLimpiarCampos, BtFinalizar, CornerButton7, CornerButton17};
    for (QAbstractButton* radio : m_grupoEmpresas->buttons())
        orden << radio;
    orden << QList<QWidget*>{EdCorreoElectronicoLoggin,
                             EdPasswordLoggin,
                             TxOlvidarContraseña,
                             BtIngresar,
                             BtEnviaClave,
                             EdClaveRecuperacion,
                             BtIngresarRecuperacion,
                             EdRecuperaPass,
                             EdRecuperaPassRepite,
                             BtCancelar,
                             BtGuardar,
                             BtCancelarProceso,
                             TxUpdate,
                             TXCatalogos,
                             TxRestaurarRespaldoXML,
                             Text2,
                             TxBaseDatos};
    Controles::ordenTabulacion(orden);
}

void TWizardFrm::inicializaMarcas()
{
    const QString bienvenidaMarca = QString(MENSAJE_BIENVENIDA).replace(MARCA_SUST, Sistema::marca);
    for (QLabel* t : {TxBienvenida, TxBienvenidaSecundario, TxBienvenidaLoggin, TxBienvenidaRecuperacion})
        t->setText(bienvenidaMarca);
    TxInfoExclusiva->setText(QString(INFO_EXCLUSIVA).replace(MARCA_SUST, Sistema::marca));
    TxNumeroPAC->setText(
        QString(INFO_PAC).replace(MARCA_SUST, Sistema::marca).replace(NUMERO_PAC, Sistema::numeroAutorizacionPac));
}

void TWizardFrm::initErrores()
{
    for (QWidget* w : {EdCorreoElectronico, EdPassword, EdRepitePassword, EdCorreoElectronicoLoggin, EdPasswordLoggin})
        quitaError(w);
}

// --- Input rules ---------------------------------------------------------------

bool TWizardFrm::eventFilter(QObject* objeto, QEvent* evento)
{
    const bool esCorreo = objeto == EdCorreoElectronico || objeto == EdCorreoElectronicoLoggin;
    switch (evento->type()) {
    case QEvent::KeyPress: {
        const QString tecla = static_cast<QKeyEvent*>(evento)->text();
        // Editing keys (backspace, arrows, shortcuts) carry no text or a
        // control character and always pass.
        if (tecla.isEmpty() || tecla.at(0).unicode() < 32 || tecla.at(0).unicode() == 127)
            break;
        if (objeto == CmbRegimenFiscal)
            return true;
        if (esCorreo) {
            for (const QChar c : tecla)
                if (Utils::soloAlphaNumericos(c).isNull())
                    return true;
        }
        break;
    }
    case QEvent::KeyRelease:
        if (esCorreo) {
            auto* edicion = static_cast<QLineEdit*>(objeto);
            const QString minusculas = edicion->text().toLower();
            if (minusculas != edicion->text()) {
                const int posicion = edicion->cursorPosition();
                edicion->setText(minusculas);
                edicion->setCursorPosition(posicion);
            }
        }
        break;
    case QEvent::FocusIn:
        if (m_campoQuitaError.contains(objeto))
            quitaError(static_cast<QWidget*>(objeto));
        break;
    case QEvent::FocusOut:
        if (objeto == EdNombreEmpresa)
            validaNombreNegocio();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(objeto, evento);
}

// --- Page transitions ------------------------------------------------------------

void TWizardFrm::BtSiguienteClick()
{
    initErrores();
    if (EdCorreoElectronico->text().isEmpty()) {
        marcaError(EdCorreoElectronico);
        registra(QStringLiteral("Perfil rechazado: ") + ERR_MAIL_REQUERIDO);
        Utils::mensaje(ERR_MAIL_REQUERIDO, MSG_WARNING);
        return;
    }
    const bool correoValido = Utils::validaUsuario(EdCorreoElectronico->text().trimmed());
    if (correoValido && Utils::validaContrasena(EdPassword->text(), EdRepitePassword->text())) {
        TabControl1->setCurrentIndex(1);
        EdNombreEmpresa->setFocus();
        return;
    }
    if (correoValido) {
        marcaError(EdPassword);
        marcaError(EdRepitePassword);
        registra(QStringLiteral("Perfil rechazado: ") + ERR_CONTRASENA);
        Utils::mensaje(ERR_CONTRASENA, MSG_WARNING);
    } else {
        marcaError(EdCorreoElectronico);
        registra(QStringLiteral("Perfil rechazado: ") + ERR_MAIL_NO_VALIDO);
        Utils::mensaje(ERR_MAIL_NO_VALIDO, MSG_WARNING);
    }
}

void TWizardFrm::BtAnteriorClick()
{
    TabControl1->setCurrentIndex(0);
    EdCorreoElectronico->setFocus();
}

void TWizardFrm::BtCancelarClick()
{
    // Nothing typed on the recovery page outlives it.
    for (QLineEdit* e : {EdClaveRecuperacion, EdRecuperaPass, EdRecuperaPassRepite})
        e->clear();
    habilitaNuevoPassword(false);
    TabControl1->setCurrentIndex(3);
    enfocaIngreso();
}

void TWizardFrm::CornerButton17Click()
{
    if (ConfiguracionBaseDatosFrm)
        ConfiguracionBaseDatosFrm->exec();
}

void TWizardFrm::CornerButton7Click()
{
    TabControl1->setCurrentIndex(4);
}

void TWizardFrm::ImgAbrirXMLClick()
{
    if (!ImportarXMLFrm)
        return;
    ImportarXMLFrm->resize(288, 215);
    ImportarXMLFrm->initDatosXML();
    ImportarXMLFrm->exec();
    // The import may have created the first businesses of this computer.
    if (registroLocal().getNumeroEmpresas() >= 1) {
        TabControl1->setCurrentIndex(3);
        initEmpresas();
    } else {
        TabControl1->setCurrentIndex(0);
        initNuevaEmpresa();
    }
}

// --- Bottom strip: updates, catalogue, backups, registry ------------------------------

void TWizardFrm::showEvent(QShowEvent* evento)
{
    QWidget::showEvent(evento);
    if (!evento->spontaneous())
        iniciaVerificacion();
}

void TWizardFrm::iniciaVerificacion()
{
    if (m_verificacion)
        return;
    auto* hilo = new TVerificaUpdate(this);
    connect(hilo, &TVerificaUpdate::terminado, this, &TWizardFrm::muestraActualizacion);
    connect(hilo, &QThread::finished, hilo, &QObject::deleteLater);
    m_verificacion = hilo;
    hilo->start();
}

void TWizardFrm::muestraActualizacion(int estado, const QString& ultima, const QStringList& notas)
{
    // Without a readable list the indicators say what they said before.
    if (estado == TVerificaUpdate::SinDatos)
        return;
    const bool disponible = estado == TVerificaUpdate::Disponible;
    const QString detalle =
        QStringLiteral("Versión publicada: %1 (instalada: %2)").arg(ultima, TVerificaUpdate::getVersionSistema()) +
        (notas.isEmpty() ? QString() : SALTO + notas.join(SALTO));
    for (QLabel* indicador : {TxUpdate, ImgUpdate}) {
        indicador->setVisible(disponible);
        indicador->setToolTip(detalle);
    }
    emit actualizacionDisponible(disponible);
}

void TWizardFrm::TxUpdateClick()
{
    if (TVerificaUpdate::iniciaActualizador())
        emit actualizadorIniciado();
}

void TWizardFrm::iniciaProceso(const QString& titulo, bool cancelable)
{
    m_ocupado = true;
    TxProgreso->setText(titulo);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    Text11->clear();
    BtCancelarProceso->setVisible(cancelable);
    BtCancelarProceso->setEnabled(cancelable);
    Text8->show();
    // One piece of work at a time: each of them writes the program folder.
    for (QLabel* enlace : {TXCatalogos, ImgCatalogo, TxBaseDatos, ImgBaseDatos, Text2, ImgAbrirConf,
                           TxRestaurarRespaldoXML, ImgAbrirXML})
        enlace->setEnabled(false);
}

void TWizardFrm::terminaProceso()
{
    m_ocupado = false;
    Text8->hide();
    for (QLabel* enlace : {TXCatalogos, ImgCatalogo, TxBaseDatos, ImgBaseDatos, Text2, ImgAbrirConf,
                           TxRestaurarRespaldoXML, ImgAbrirXML})
        enlace->setEnabled(true);
    emit procesoTerminado();
}

void TWizardFrm::TXCatalogosClick()
{
    if (m_ocupado)
        return;
    TCatalogosHilo* hilo = TCatalogosHilo::crea(this);
    if (!hilo)
        return;
    m_catalogo = hilo;
    iniciaProceso(PROGRESO_CATALOGO, true);
    connect(hilo, &TCatalogosHilo::progreso, this, [this](int porcentaje) {
        ProgressBar1->setValue(porcentaje);
        Text11->setText(QString::number(ProgressBar1->value()) + QStringLiteral(" %"));
    });
    connect(hilo, &TCatalogosHilo::terminado, this, &TWizardFrm::compararCatalogos);
    connect(hilo, &QThread::finished, hilo, &QObject::deleteLater);
    hilo->start();
    BtCancelarProceso->setFocus();
}

void TWizardFrm::compararCatalogos(int resultado, const QString& mensaje)
{
    // The catalogue itself was swapped by the thread's own end, on this
    // thread, before this runs.
    Text11->setText(CATALOGO_FINALIZADO);
    terminaProceso();
    const bool bien = resultado == TCatalogosHilo::Instalado || resultado == TCatalogosHilo::SinCambios ||
                      resultado == TCatalogosHilo::Cancelado;
    Utils::mensaje(mensaje, bien ? MSG_INFORMATION : MSG_WARNING);
}

void TWizardFrm::restaurarRespaldo()
{
    if (m_ocupado)
        return;
    const QString archivo = seleccionaArchivo ? seleccionaArchivo(this, FILTRO_RESPALDO) : QString();
    if (archivo.isEmpty())
        return;
    // The restore may replace this business's database file: connections of
    // this thread to it would go on reading the old one.
    const QString rfc = Respaldo::leeRFCZip(archivo);
    if (!rfc.isEmpty())
        for (const QString& nombre : {DB_SISTEMA_NOMBRE, DB_SISTEMA_NOMBRE_ANTERIOR})
            Conexiones::cierra(TConexionSesion::embebida(Sistema::exePath + DB_PATH + rfc + QLatin1Char('/') + nombre,
                                                         Sistema::exePath));
    iniciaProceso(PROGRESO_RESPALDO, false);
    // The archive's size says nothing of how long it takes: a busy bar.
    ProgressBar1->setRange(0, 0);
    auto resultado = std::make_shared<int>(int(Respaldo::TResultado::Cancelado));
    QThread* hilo = QThread::create([archivo, resultado] {
        *resultado = int(Respaldo::restaurarRespaldo(archivo));
        Conexiones::cierraHilo();
    });
    hilo->setParent(this);
    m_trabajo = hilo;
    connect(hilo, &QThread::finished, this, [this, resultado] { terminaRespaldo(*resultado); });
    connect(hilo, &QThread::finished, hilo, &QObject::deleteLater);
    hilo->start();
}

void TWizardFrm::terminaRespaldo(int resultado)
{
    terminaProceso();
    if (resultado == int(Respaldo::TResultado::Restaurado))
        muestraPaginaInicial();
}

void TWizardFrm::ImgBaseDatosClick()
{
    if (m_ocupado)
        return;
    if (!Respaldo::reiniciaRegistro())
        return;
    leeCarpetasDatos();
}

void TWizardFrm::leeCarpetasDatos()
{
    iniciaProceso(PROGRESO_REGISTRO, false);
    auto* hilo = new TImportarBaseHilo(this);
    m_trabajo = hilo;
    connect(hilo, &TImportarBaseHilo::avance, this, [this](int hechas, int total) {
        ProgressBar1->setRange(0, qMax(total, 1));
        ProgressBar1->setValue(hechas);
        Text11->setText(QStringLiteral("%1 de %2").arg(hechas).arg(total));
    });
    connect(hilo, &TImportarBaseHilo::terminado, this, &TWizardFrm::terminaHilo);
    connect(hilo, &QThread::finished, hilo, &QObject::deleteLater);
    hilo->start();
}

void TWizardFrm::terminaHilo(const QStringList& registradas, const QStringList& omitidas)
{
    terminaProceso();
    QString texto = registradas.isEmpty()
                        ? REGISTRO_SIN_EMPRESAS
                        : REGISTRO_RECONSTRUIDO.arg(registradas.size()) + SALTO + registradas.join(SALTO);
    if (!omitidas.isEmpty()) {
        QStringList nombres;
        for (const QString& archivo : omitidas)
            nombres << QDir(Sistema::exePath).relativeFilePath(archivo);
        texto += SALTO + SALTO + REGISTRO_OMITIDAS + SALTO + nombres.join(SALTO);
    }
    Utils::mensaje(texto, registradas.isEmpty() || !omitidas.isEmpty() ? MSG_WARNING : MSG_INFORMATION);
    muestraPaginaInicial();
}

void TWizardFrm::muestraPaginaInicial()
{
    if (registroLocal().getNumeroEmpresas() >= 1) {
        TabControl1->setCurrentIndex(3);
        initEmpresas();
    } else if (TabControl1->currentIndex() >= 2) {
        // The first-run pages keep what was typed on them.
        TabControl1->setCurrentIndex(0);
        initNuevaEmpresa();
    }
}

// --- Password recovery -----------------------------------------------------------------

void TWizardFrm::habilitaNuevoPassword(bool habilitar)
{
    for (QWidget* w : {static_cast<QWidget*>(EdRecuperaPass), static_cast<QWidget*>(EdRecuperaPassRepite),
                       static_cast<QWidget*>(BtGuardar)})
        w->setEnabled(habilitar);
}

void TWizardFrm::TxOlvidarContraseñaClick()
{
    initErrores();
    if (TxSeleccion->text().isEmpty() || EdCorreoElectronicoLoggin->text().trimmed().isEmpty()) {
        const bool sinEmpresa = TxSeleccion->text().isEmpty();
        if (!sinEmpresa)
            marcaError(EdCorreoElectronicoLoggin);
        for (const QString& texto :
             Ingreso::mensajes(sinEmpresa ? Ingreso::TResultado::SinEmpresa : Ingreso::TResultado::SinCorreo))
            Utils::mensaje(texto, MSG_WARNING);
        enfocaIngreso();
        return;
    }
    TxRecuperaEmail->setText(EdCorreoElectronicoLoggin->text().trimmed());
    for (QLineEdit* e : {EdClaveRecuperacion, EdRecuperaPass, EdRecuperaPassRepite})
        e->clear();
    habilitaNuevoPassword(false);
    TabControl1->setCurrentIndex(4);
    BtEnviaClave->setFocus();
}

void TWizardFrm::BtEnviaClaveClick()
{
    if (m_envio)
        return;
    const QString email = TxRecuperaEmail->text();
    // The resource package is read here, on this thread; only the mail goes
    // to the worker, so a slow server never freezes the window.
    const Recuperacion::TMarcaCorreo marca = Recuperacion::marcaCorreo();
    auto enviado = std::make_shared<bool>(false);
    QThread* hilo = QThread::create([email, marca, enviado] { *enviado = Recuperacion::enviaClave(email, marca); });
    hilo->setParent(this);
    m_envio = hilo;
    const QString titulo = BtEnviaClave->text();
    BtEnviaClave->setEnabled(false);
    BtEnviaClave->setText(QStringLiteral("Enviando…"));
    connect(hilo, &QThread::finished, this, [this, enviado, email, titulo] {
        BtEnviaClave->setText(titulo);
        BtEnviaClave->setEnabled(true);
        if (*enviado) {
            Utils::mensaje(CLAVE_ENVIADA.arg(email), MSG_INFORMATION);
            EdClaveRecuperacion->setFocus();
        }
    });
    connect(hilo, &QThread::finished, hilo, &QObject::deleteLater);
    hilo->start();
}

void TWizardFrm::BtIngresarRecuperacionClick()
{
    if (!Recuperacion::validaClave(EdClaveRecuperacion->text(), TxRecuperaEmail->text())) {
        habilitaNuevoPassword(false);
        EdClaveRecuperacion->setFocus();
        EdClaveRecuperacion->selectAll();
        return;
    }
    habilitaNuevoPassword(true);
    EdRecuperaPass->setFocus();
}

void TWizardFrm::BtGuardarClick()
{
    if (!BtGuardar->isEnabled())
        return;
    quitaError(EdRecuperaPass);
    quitaError(EdRecuperaPassRepite);
    const Recuperacion::TResultado resultado =
        Recuperacion::guardaPassword(TxSeleccion->text(), TxRecuperaEmail->text(), EdClaveRecuperacion->text(),
                                     EdRecuperaPass->text(), EdRecuperaPassRepite->text());
    switch (resultado) {
    case Recuperacion::TResultado::Correcto:
        EdPasswordLoggin->clear();
        BtCancelarClick();
        break;
    case Recuperacion::TResultado::ContrasenaDistinta:
        marcaError(EdRecuperaPass);
        marcaError(EdRecuperaPassRepite);
        EdRecuperaPass->setFocus();
        break;
    case Recuperacion::TResultado::ClaveNoValida:
        habilitaNuevoPassword(false);
        EdClaveRecuperacion->setFocus();
        break;
    default:
        break;
    }
}

// --- Business tiles and sign-in ------------------------------------------------------

void TWizardFrm::initEmpresas()
{
    inicializaMarcas();
    for (QWidget* tile : std::as_const(m_tiles))
        delete tile;
    m_tiles.clear();
    m_listaEmpresas.clear();
    // The chosen tile may be gone; a stale choice would sign in to it again.
    TxSeleccion->clear();
    SBSeleccionarEmpresa->update();

    const QStringList empresas = registroLocal().getEmpresas();
    if (empresas.isEmpty()) {
        TabControl1->setCurrentIndex(0);
        initNuevaEmpresa();
        return;
    }
    SBSeleccionarEmpresa->setFixedHeight(30 * static_cast<int>(qMin<qsizetype>(empresas.size(), 3)));
    for (const QString& entrada : empresas)
        getElementoEmpresa(entrada);
    // With a single business there is nothing to choose.
    if (empresas.size() == 1) {
        auto* radio = qobject_cast<QRadioButton*>(m_grupoEmpresas->buttons().constFirst());
        radio->setChecked(true);
    }
    setUpTabOrder();
    enfocaIngreso();
}

void TWizardFrm::enfocaIngreso()
{
    const QList<QAbstractButton*> radios = m_grupoEmpresas->buttons();
    if (TxSeleccion->text().isEmpty() && !radios.isEmpty())
        radios.constFirst()->setFocus();
    else if (EdCorreoElectronicoLoggin->text().isEmpty())
        EdCorreoElectronicoLoggin->setFocus();
    else if (EdPasswordLoggin->text().isEmpty())
        EdPasswordLoggin->setFocus();
    else
        BtIngresar->setFocus();
}

void TWizardFrm::getElementoEmpresa(const QString& entrada)
{
    const int separador = entrada.indexOf(QLatin1Char('|'));
    const QString rfc = separador < 0 ? entrada : entrada.left(separador);
    const QString nombre = separador < 0 ? QString() : entrada.mid(separador + 1).trimmed();
    QString componente = rfc;
    componente.replace(QLatin1Char('&'), QLatin1Char('_'));

    auto* tile = new QWidget(m_contenedorEmpresas);
    tile->setObjectName(REC_CONTENEDOR + componente);
    tile->setFixedHeight(30);
    fondo(tile, Style::StyleFrm().color(RS_TEXTOBLANCO));
    auto* fila = new QHBoxLayout(tile);
    fila->setContentsMargins(4, 0, 4, 0);
    // "&" would mark a keyboard shortcut and vanish from the text shown.
    auto* radio = new QRadioButton(QString(rfc).replace(QLatin1Char('&'), QStringLiteral("&&")), tile);
    radio->setObjectName(componente);
    radio->setFixedWidth(121);
    m_grupoEmpresas->addButton(radio);
    // Chosen by mouse, Space or the arrows alike.
    connect(radio, &QRadioButton::toggled, this, [this, radio](bool elegido) {
        if (elegido)
            onClickRb(radio);
    });
    auto* textoNombre = new QLabel(nombre, tile);
    textoNombre->setWordWrap(true);
    auto* vacio = new QLabel(tile);
    vacio->setFixedWidth(85);
    fila->addWidget(radio);
    fila->addWidget(textoNombre, 1);
    fila->addWidget(vacio);
    m_listaTiles->insertWidget(m_listaTiles->count() - 1, tile);
    m_tiles.append(tile);
    m_listaEmpresas.append(rfc);
}

void TWizardFrm::onClickRb(QRadioButton* sender)
{
    TxSeleccion->setText(sender->objectName());
}

void TWizardFrm::BtIngresarClick()
{
    nextStep = false;
    initErrores();
    Ingreso::TResultado resultado;
    try {
        resultado = Ingreso::ingresa(TxSeleccion->text(), EdCorreoElectronicoLoggin->text(), EdPasswordLoggin->text());
    } catch (const std::exception& e) {
        Utils::mensaje(textoError(e), MSG_ERROR);
        return;
    }
    for (const QString& texto : Ingreso::mensajes(resultado))
        Utils::mensaje(texto, MSG_WARNING);
    switch (resultado) {
    case Ingreso::TResultado::Correcto:
        nextStep = true;
        close();
        break;
    case Ingreso::TResultado::BaseInexistente:
    case Ingreso::TResultado::EmpresaNoValida:
    case Ingreso::TResultado::EmpresaYUsuario:
        // The entry was disabled: its tile goes.
        initEmpresas();
        break;
    default:
        break;
    }
}

bool TWizardFrm::evaluaConexion(TConexionSesion& conexion, const QString& cadena)
{
    return Utils::evaluaConexion(conexion, cadena);
}

void TWizardFrm::cambiaConexion(TConexionSesion& destino, const TConexionSesion& origen)
{
    destino.setId(origen.getId());
    destino.setProvider(origen.getProvider());
    destino.setUsername(origen.getUsername());
    destino.setPassword(origen.getPassword());
    destino.setServer(origen.getServer());
    destino.setDatabase(origen.getDatabase());
    destino.setPuerto(origen.getPuerto());
}

void TWizardFrm::updateBaseDatos(const TConexionSesion& conexion)
{
    Ingreso::updateBaseDatos(conexion);
}

void TWizardFrm::closeEvent(QCloseEvent* evento)
{
    // Closed without a sign-in the program ends, yet a restore, a rebuild or
    // a mail may still ask or tell the user through this thread: they would
    // wait for an answer that never comes.
    for (const QThread* hilo : {m_trabajo.data(), m_envio.data()}) {
        if (!nextStep && hilo && hilo->isRunning()) {
            Utils::mensaje(QStringLiteral("Espera a que termine el proceso en curso: ") +
                               (hilo == m_envio ? PROGRESO_CORREO : TxProgreso->text()) + QLatin1Char('.'),
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
        if (empresasActivas >= 1) {
            TabControl1->setCurrentIndex(3);
            initEmpresas();
        } else {
            TabControl1->setCurrentIndex(0);
            initNuevaEmpresa();
        }
    } catch (const std::exception& e) {
        Logmanager::Log(Errores::describe(e), 1, Sistema::exePath);
    }
    show();
    // Told once the wizard is up, not from inside the splash's end.
    if (!m_registroApartado.isEmpty())
        QMetaObject::invokeMethod(this, &TWizardFrm::ofreceReconstruccion, Qt::QueuedConnection);
}

void TWizardFrm::avisaRegistroDanado(const QString& apartado)
{
    m_registroApartado = apartado;
}

void TWizardFrm::ofreceReconstruccion()
{
    if (m_registroApartado.isEmpty())
        return;
    const QString nombre = QFileInfo(m_registroApartado).fileName();
    m_registroApartado.clear();
    // The start already left a new, empty registry in its place.
    const QString aviso = QString(AVISO_REGISTRO_DANADO).replace(ARCHIVO_SUST, nombre);
    if (Utils::mensajeConfirmacion(aviso + SALTO + SALTO + CONFIRMA_RECONSTRUYE) == TPrompter::OK && !m_ocupado)
        leeCarpetasDatos();
}

// --- First run and new business ------------------------------------------------------

void TWizardFrm::initNuevaEmpresa()
{
    inicializaMarcas();
    initErrores();
    for (QLineEdit* e :
         {EdCorreoElectronico, EdPassword, EdRepitePassword, EdNombre, EdApellidoPaterno, EdApellidoMaterno})
        e->clear();
    inicializaTelefono();
    initNueva();
    isNuevaNegocio = false;
    BtAnterior->show();
    EdCorreoElectronico->setFocus();
}

void TWizardFrm::initNueva()
{
    for (QLineEdit* e : {EdNombreEmpresa, EdCSD, EdKey, EdCSDPass, EdRFC, EdRazon})
        e->clear();
    for (QLabel* t : {TxCaducidadCSD, TxNoSerieCSDLeyenda, TxNoSerieCSD})
        t->clear();
    muestraVigencia(QString());
    CmbRegimenFiscal->setCurrentIndex(-1);
    for (QWidget* w :
         {static_cast<QWidget*>(EdNombreEmpresa), static_cast<QWidget*>(EdCSD), static_cast<QWidget*>(EdKey),
          static_cast<QWidget*>(EdCSDPass), static_cast<QWidget*>(CmbRegimenFiscal)})
        quitaError(w);
    nextStep = false;
    if (!m_direccion) {
        m_direccion = new TDireccionesFrm(TxDireccion);
        m_direccion->setObjectName(QStringLiteral("DireccionesFrm"));
        TxDireccion->layout()->addWidget(m_direccion);
        int anchoEtiquetas = 0;
        for (const QLabel* e : TxTopSecundario->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
            if (e->buddy())
                anchoEtiquetas = qMax(anchoEtiquetas, e->sizeHint().width());
        m_direccion->setAnchoEtiquetas(anchoEtiquetas);
        setUpTabOrder();
    }
    quitaError(m_direccion->getCmbCodigoPostal());
    m_direccion->inicializaDireccion(true);
    inicializaRegimen(QString());
    isNuevaNegocio = true;
    BtAnterior->hide();
}

void TWizardFrm::inicializaRegimen(const QString& rfc)
{
    CombosCatalogo::inicializaRegimenFiscal(CmbRegimenFiscal, rfc);
}

bool TWizardFrm::validaNombreNegocio()
{
    if (EdNombreEmpresa->text().isEmpty()) {
        marcaError(EdNombreEmpresa);
        return false;
    }
    quitaError(EdNombreEmpresa);
    return true;
}

void TWizardFrm::BtLimpiarCamposClick()
{
    for (QLineEdit* e : {EdCSD, EdKey, EdCSDPass, EdRFC, EdRazon})
        e->clear();
    for (QLabel* t : {TxCaducidadCSD, TxNoSerieCSDLeyenda, TxNoSerieCSD})
        t->clear();
    inicializaRegimen(QString());
}

void TWizardFrm::ClearEditButton1Click()
{
    for (QLabel* t : {TxCaducidadCSD, TxNoSerieCSDLeyenda, TxNoSerieCSD})
        t->clear();
    for (QLineEdit* e : {EdCSD, EdKey, EdCSDPass})
        e->clear();
}

void TWizardFrm::SearchEditButton1Click()
{
    quitaError(EdKey);
    const QString ruta = seleccionaArchivo ? seleccionaArchivo(this, FILTRO_LLAVE) : QString();
    if (!ruta.isEmpty())
        EdKey->setText(ruta);
}

void TWizardFrm::SearchEditButton2Click()
{
    quitaError(EdCSD);
    const QString ruta = seleccionaArchivo ? seleccionaArchivo(this, FILTRO_CERTIFICADO) : QString();
    if (ruta.isEmpty())
        return;
    EdCSD->setText(ruta);
    // Nothing is taken from a certificate that is not a readable CSD of a
    // valid RFC and SAT number: its RFC would name the business folder.
    const Signerutils::TSigner& signer = Signerutils::Signer();
    const Signerutils::TRevision revision = signer.revisaCertificado(ruta);
    if (revision != Signerutils::TRevision::Correcto) {
        EdCSD->clear();
        Utils::mensaje(signer.explicaRevision(revision, ruta), MSG_WARNING);
        return;
    }
    const QMap<QString, QString> info = signer.getInformacionCertificado(ruta);
    muestraVigencia(info.value(CERT_VALIDTOSTR));
    TxNoSerieCSDLeyenda->setText(CN_NO_SERIE);
    TxNoSerieCSD->setText(info.value(CERT_SERIALNUMBER).trimmed());
    EdRFC->setText(Signerutils::rfcDelSujeto(info.value(CERT_OID_45)));
    EdRazon->setText(info.value(CERT_OID_41).trimmed());
    inicializaRegimen(EdRFC->text());
}

void TWizardFrm::muestraVigencia(const QString& fin)
{
    // An expired certificate is accepted (a business may still keep its older
    // vouchers), but the user has to see that it can no longer seal.
    const QDate fecha = QDate::fromString(fin, FORMATO_FECHA);
    const bool vencido = fecha.isValid() && fecha < fechaActual();
    TxCaducidadCSD->setText(fin.isEmpty() ? QString() : (vencido ? CN_VENCIDO : CN_CADUCIDAD) + fin);
    TxCaducidadCSD->setPalette(QPalette());
    if (vencido)
        colorTexto(TxCaducidadCSD, RS_TEXTOADVERTENCIA);
}

// --- Phone rows ----------------------------------------------------------------------

void TWizardFrm::inicializaTelefono()
{
    TxTelefonoContenedor->inicializaTelefono();
}

void TWizardFrm::TxAgregaTelefonoClick()
{
    TxTelefonoContenedor->agregaTelefono();
}

const std::vector<std::unique_ptr<TTelefonoBean>>& TWizardFrm::telefonos() const
{
    return TxTelefonoContenedor->telefonos();
}

// --- Validation and creation -------------------------------------------------------

bool TWizardFrm::isValido()
{
    QComboBox* cmbCodigoPostal = m_direccion ? m_direccion->getCmbCodigoPostal() : nullptr;
    for (QWidget* w : {static_cast<QWidget*>(EdNombreEmpresa), static_cast<QWidget*>(EdCSD),
                       static_cast<QWidget*>(EdKey), static_cast<QWidget*>(EdCSDPass),
                       static_cast<QWidget*>(CmbRegimenFiscal), static_cast<QWidget*>(cmbCodigoPostal)})
        quitaError(w);

    const auto requerido = [](const QString& nombre) {
        return QString(CAMPO_REQUERIDO).replace(CAMPO, nombre, Qt::CaseInsensitive);
    };
    QString mensaje;
    if (EdNombreEmpresa->text().isEmpty()) {
        marcaError(EdNombreEmpresa);
        mensaje = requerido(EdNombreEmpresa->placeholderText());
    }
    for (QLineEdit* e : {EdCSD, EdKey, EdCSDPass}) {
        if (e->text().isEmpty()) {
            marcaError(e);
            mensaje += SALTO + requerido(e->placeholderText());
        }
    }

    if (cmbCodigoPostal) {
        const QString prompt = cmbCodigoPostal->count() > 0 ? cmbCodigoPostal->itemText(0) : CMB_CODIGOPOSTAL;
        const QString cp = cmbCodigoPostal->currentText();
        if (!m_direccion->isCodigoPostalElegido()) {
            marcaError(cmbCodigoPostal);
            mensaje += SALTO + requerido(prompt);
        } else if (cp.size() >= 5) {
            const QString estado = m_direccion->getEstado();
            const TBaseDatosCatalogosFrm& catalogo = BaseDatosCatalogosFrm();
            if (estado != CMB_ESTADO) {
                if (!catalogo.existeCodigoPostalByCPAndEstado(cp, estado.left(3))) {
                    marcaError(cmbCodigoPostal);
                    mensaje += SALTO + ERR_CODIGOPOSTA_NO_EXISTE_EDO;
                }
            } else if (!catalogo.existeCodigoPostalByCP(cp)) {
                marcaError(cmbCodigoPostal);
                mensaje += SALTO + ERR_CODIGOPOSTA_NO_EXISTE;
            }
        } else {
            marcaError(cmbCodigoPostal);
            mensaje += SALTO + QString(CAMPO_NO_VALIDO).replace(CAMPO, prompt, Qt::CaseInsensitive);
        }
    }

    if (CmbRegimenFiscal->currentIndex() <= 0) {
        marcaError(CmbRegimenFiscal);
        mensaje += SALTO + requerido(CmbRegimenFiscal->count() > 0 ? CmbRegimenFiscal->itemText(0) : REGIMEN_FISCAL);
    }

    if (!mensaje.isEmpty()) {
        registra(QStringLiteral("Alta de empresa rechazada por la validación: ") + mensaje.trimmed());
        Utils::mensaje(MENSAJE_ERROR + mensaje, MSG_WARNING);
        return false;
    }
    if (!Utils::evaluaRelacionCertificados(EdCSD->text().trimmed(), EdKey->text().trimmed(), EdCSDPass->text())) {
        registra(
            QStringLiteral("Alta de empresa rechazada: el certificado y la llave privada no se aceptaron (RFC \"") +
            EdRFC->text() + QStringLiteral("\")."));
        return false;
    }
    return true;
}

NuevoNegocio::TDatos TWizardFrm::datosCaptura() const
{
    NuevoNegocio::TDatos datos;
    datos.email = EdCorreoElectronico->text().trimmed();
    datos.password = EdPassword->text();
    datos.nombre = EdNombre->text().trimmed();
    datos.apellidoPaterno = EdApellidoPaterno->text().trimmed();
    datos.apellidoMaterno = EdApellidoMaterno->text().trimmed();
    datos.telefonos = TxTelefonoContenedor->getTelefonos();
    datos.nombreEmpresa = EdNombreEmpresa->text().trimmed();
    datos.certificado = EdCSD->text().trimmed();
    datos.llave = EdKey->text().trimmed();
    datos.passwordLlave = EdCSDPass->text();
    datos.rfc = EdRFC->text().trimmed();
    datos.razon = EdRazon->text().trimmed();
    datos.regimen = CmbRegimenFiscal->currentIndex() > 0 ? CmbRegimenFiscal->currentText() : QString();
    if (m_direccion) {
        const TDireccionesFrm& d = *m_direccion;
        datos.direccion.calle = d.getCalle().trimmed();
        datos.direccion.noExterior = d.getNoExterior().trimmed();
        datos.direccion.noInterior = d.getNoInterior().trimmed();
        datos.direccion.referencia = d.getReferencia().trimmed();
        datos.direccion.colonia = elegido(d.getColonia().trimmed(), d.isColoniaElegida());
        datos.direccion.localidad = elegido(d.getLocalidad().trimmed(), d.isLocalidadElegida());
        datos.direccion.municipio = elegido(d.getMunicipio().trimmed(), d.isMunicipioElegido());
        datos.direccion.estado = elegido(d.getEstado(), d.isEstadoElegido());
        datos.direccion.pais = elegido(d.getPais(), d.isPaisElegido());
        datos.direccion.codigoPostal = elegido(d.getCodigoPostal().trimmed(), d.isCodigoPostalElegido());
    }
    return datos;
}

NuevoNegocio::TDestino TWizardFrm::destino(const QString& rfc) const
{
    if (!ConfiguracionBaseDatosFrm)
        return NuevoNegocio::destinoLocal(rfc);
    NuevoNegocio::TDestino d;
    d.motor = ConfiguracionBaseDatosFrm->getMotorBaseDatos();
    d.usuario = ConfiguracionBaseDatosFrm->getUsuario();
    d.password = ConfiguracionBaseDatosFrm->getPassword();
    d.servidor = ConfiguracionBaseDatosFrm->getServidor();
    d.baseDatos = ConfiguracionBaseDatosFrm->getBaseDatos(rfc);
    d.puerto = ConfiguracionBaseDatosFrm->getPuerto();
    return d;
}

TConexionSesion TWizardFrm::saveNuevoLocal(const QString& email, const QString& rfc, const QString& razon)
{
    const std::unique_ptr<QBuffer> plantilla = Utils::getResource(DB_SISTEMA_NOMBRE_RESOURCE, Sistema::exePath);
    return NuevoNegocio::saveNuevoLocal(email, rfc, razon, destino(rfc), plantilla ? plantilla->data() : QByteArray());
}

QByteArray TWizardFrm::logoInicial()
{
    const std::unique_ptr<QBuffer> logo = Utils::getResource(IMG_EMPRESA_DEFAULT, Sistema::exePath);
    return logo ? logo->data() : QByteArray();
}

void TWizardFrm::publicaNegocio(const TConexionSesion& conexion, const TUsuarionegocio& liga)
{
    Sistema::dbSistema = conexion.getDatabase();
    if (!Sistema::Conexion || !(*Sistema::Conexion == conexion))
        Sistema::Conexion = std::make_shared<TConexionSesion>(conexion);
    Sistema::initNuevoNegocio(liga);
}

void TWizardFrm::BtFinalizarClick()
{
    if (!isValido())
        return;
    const NuevoNegocio::TDatos datos = datosCaptura();
    try {
        if (isNuevaNegocio)
            creaNegocioAdicional(datos);
        else
            creaNegocioNuevo(datos);
    } catch (const std::exception& e) {
        registra(QStringLiteral("Alta de empresa fallida (RFC \"") + datos.rfc + QStringLiteral("\"): ") +
                 Errores::describe(e));
        Utils::mensaje(textoError(e), MSG_ERROR);
    }
}

void TWizardFrm::creaNegocioNuevo(const NuevoNegocio::TDatos& datos)
{
    nextStep = false;
    const TConexionSesion conexion = saveNuevoLocal(datos.email, datos.rfc, datos.razon);
    publicaNegocio(conexion, NuevoNegocio::saveNuevoNegocio(datos, conexion, logoInicial()));
    nextStep = true;
    close();
}

void TWizardFrm::creaNegocioAdicional(const NuevoNegocio::TDatos& datos)
{
    nextStep = false;
    if (!registroLocal().getEmpresaDetalle(datos.rfc).isEmpty()) {
        registra(QStringLiteral("Alta de empresa rechazada: ya existe la empresa con RFC \"") + datos.rfc +
                 QStringLiteral("\"."));
        Utils::mensaje(MENSAJE_EMPRESA_EXISTENTE, MSG_WARNING);
        return;
    }
    const std::shared_ptr<TUsuario> usuario = Sistema::Usuario;
    if (!usuario)
        throw EVelkor(QStringLiteral("Entra primero a una empresa para agregar otra con tu usuario."));
    // The user keeps working in the business they were in: the new one is
    // created beside the session and not published to it.
    const TConexionSesion conexion = saveNuevoLocal(usuario->getEmail(), datos.rfc, datos.razon);
    NuevoNegocio::saveNuevoNegocio(datos, conexion, logoInicial(), usuario.get());
    Utils::mensaje(EMPRESA_EXITO, MSG_INFORMATION);
    emit negocioAgregado();
}
