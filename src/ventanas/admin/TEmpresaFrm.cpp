#include "TEmpresaFrm.h"

#include "CombosCatalogo.h"
#include "Constantes.h"
#include "Controles.h"
#include "Entidades.h"
#include "Errores.h"
#include "Prompter.h"
#include "admin/RevisionImagen.h"
#include "Signerutils.h"
#include "Sistema.h"
#include "Style.h"
#include "TDireccionesFrm.h"
#include "TSeriesFoliosFrm.h"
#include "TSucursalesFrm.h"
#include "negocio/Utils.h"
#include "app/UtilsVentanas.h"
#include "app/Ventanas.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Constantes;
using Controles::boton;
using Controles::campo;
using Controles::colorTexto;
using Controles::marcaError;
using Controles::quitaError;
using Controles::texto;

std::function<QString(QWidget*, const QString&)> TEmpresaFrm::seleccionaArchivo = [](QWidget* padre,
                                                                                     const QString& filtro) {
    return QFileDialog::getOpenFileName(padre, QString(), QString(), filtro);
};

std::function<bool()> TEmpresaFrm::shiftYControl = [] {
    const Qt::KeyboardModifiers teclas = QGuiApplication::queryKeyboardModifiers();
    return teclas.testFlag(Qt::ShiftModifier) && teclas.testFlag(Qt::ControlModifier);
};

namespace {

const QString FILTRO_CERTIFICADO = QStringLiteral("Certificado (*.cer)");
const QString FILTRO_LLAVE = QStringLiteral("Llave privada (*.key)");
const QString FILTRO_IMAGEN = QStringLiteral("Imágenes (*.png *.jpg *.jpeg *.bmp *.gif)");
constexpr int ALTO_CERRADO = 50;
constexpr int ANCHO_ICONO = 25;

QFormLayout* nuevoFormulario()
{
    auto* formulario = new QFormLayout();
    formulario->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    formulario->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return formulario;
}

void fila(QFormLayout* formulario, QWidget* campo, const QString& etiqueta, QLayout* contenido = nullptr)
{
    QLabel* e = Controles::etiqueta(campo->parentWidget(), campo, etiqueta);
    if (contenido)
        formulario->addRow(e, contenido);
    else
        formulario->addRow(e, campo);
}

QHBoxLayout* botones(const QList<QPushButton*>& lista)
{
    auto* f = new QHBoxLayout();
    f->addStretch();
    for (QPushButton* b : lista)
        f->addWidget(b);
    return f;
}

QTableWidget* tabla(QWidget* padre, const QString& nombre)
{
    auto* t = new QTableWidget(padre);
    t->setObjectName(nombre);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setAlternatingRowColors(true);
    t->verticalHeader()->hide();
    t->setTabKeyNavigation(false);
    return t;
}

void muestraDireccion(TDireccionesFrm* panel, const EdicionEmpresa::TDireccionMostrada& d)
{
    panel->inicializaDireccion(false);
    panel->inicializaPais(d.pais);
    panel->inicializaEstado(d.estado);
    panel->inicializaMunicipio(d.municipio);
    if (!d.localidad.isEmpty()) {
        panel->inicializaLocalidad(d.localidad);
        panel->inicializaCodigoPostal(d.codigoPostal);
    } else {
        panel->inicializaCodigoPostalSinLocalidad(d.codigoPostal);
    }
    panel->inicializaColonia(d.colonia);
    panel->setCalle(d.calle);
    panel->setNoExterior(d.noExterior);
    panel->setNoInterior(d.noInterior);
    panel->setReferencia(d.referencia);
}

QString textoError(const std::exception& e)
{
    if (const auto* propio = dynamic_cast<const EVelkor*>(&e))
        return propio->mensaje();
    return QStringLiteral("No se pudo guardar; lo guardado antes sigue igual. ") + QString::fromLocal8Bit(e.what());
}

} // namespace

TEmpresaFrm::TEmpresaFrm(QWidget* parent) : QWidget(parent)
{
    FormCreate();
}

// --- Building the page ---------------------------------------------------------------------

void TEmpresaFrm::FormCreate()
{
    setObjectName(QStringLiteral("EmpresaFrm"));
    setWindowTitle(QStringLiteral("Empresa"));
    auto* diseno = new QVBoxLayout(this);
    diseno->setContentsMargins(0, 0, 0, 0);
    TxFondo = new QWidget(this);
    TxFondo->setObjectName(QStringLiteral("TxFondo"));
    diseno->addWidget(TxFondo);
    auto* dFondo = new QVBoxLayout(TxFondo);
    dFondo->setContentsMargins(24, 12, 24, 18);
    dFondo->setSpacing(4);
    dFondo->setSizeConstraint(QLayout::SetMinimumSize);

    TxTitulo = new QWidget(TxFondo);
    TxTitulo->setObjectName(QStringLiteral("TxTitulo"));
    auto* dTitulo = new QGridLayout(TxTitulo);
    dTitulo->setContentsMargins(0, 0, 0, 8);
    ImgLapiz = Controles::imagen(TxTitulo, QStringLiteral("ImgLapiz"), 32);
    dTitulo->addWidget(ImgLapiz, 0, 0, 2, 1);
    QLabel* titulo =
        texto(TxTitulo, QStringLiteral("TxTituloEmpresa"), QStringLiteral("Configura tu Cuenta de Negocio"));
    QFont grande = titulo->font();
    grande.setPointSizeF(grande.pointSizeF() * 1.4);
    grande.setBold(true);
    titulo->setFont(grande);
    dTitulo->addWidget(titulo, 0, 1);
    dTitulo->addWidget(texto(TxTitulo, QStringLiteral("TxSubtituloEmpresa"),
                             QStringLiteral("Edita la información de tu Negocio y Sucursal.")),
                       1, 1);
    dTitulo->setColumnStretch(1, 1);
    ImgBoteBasura = Controles::imagen(TxTitulo, QStringLiteral("ImgBoteBasura"), 32);
    ImgBoteBasura->setToolTip(QStringLiteral("Eliminar la empresa"));
    ImgBoteBasura->setAccessibleName(QStringLiteral("Eliminar la empresa"));
    Controles::alClic(ImgBoteBasura, [this] { ImgBoteBasuraClick(); });
    dTitulo->addWidget(ImgBoteBasura, 0, 2, 2, 1, Qt::AlignRight | Qt::AlignTop);
    dFondo->addWidget(TxTitulo);

    creaSeccionNombre();
    creaSeccionCSD();
    creaSeccionFiscal();
    creaSeccionLogo();
    creaSeccionSeries();
    creaSeccionSucursales();
    creaSeccionUsuarios();
    for (QWidget* panel : std::as_const(m_paneles))
        dFondo->addWidget(panel);
    dFondo->addStretch();

    cargaImagenes();
    aplicaEstilos();
    ordenTabulacion();
    inicializaPaneles();
}

QWidget* TEmpresaFrm::seccion(QWidget*& panel, QLabel*& titulo, const QString& nombre, const QString& nombreTitulo,
                              const QString& textoTitulo)
{
    panel = new QWidget(TxFondo);
    panel->setObjectName(nombre);
    auto* d = new QVBoxLayout(panel);
    d->setContentsMargins(0, 0, 0, 0);
    d->setSpacing(0);
    titulo = texto(panel, nombreTitulo, QStringLiteral("▸  ") + textoTitulo);
    titulo->setFixedHeight(ALTO_CERRADO);
    QFont negrita = titulo->font();
    negrita.setBold(true);
    titulo->setFont(negrita);
    d->addWidget(titulo);
    auto* contenido = new QWidget(panel);
    contenido->setObjectName(nombre + QStringLiteral("Contenido"));
    d->addWidget(contenido);
    auto* linea = new QFrame(panel);
    linea->setFrameShape(QFrame::HLine);
    linea->setFrameShadow(QFrame::Sunken);
    d->addWidget(linea);
    QWidget* objetivo = panel;
    Controles::alClic(titulo, [this, objetivo] { alternaPanel(objetivo); });
    m_paneles.append(panel);
    m_contenidos.append(contenido);
    return contenido;
}

void TEmpresaFrm::creaSeccionNombre()
{
    QWidget* c = seccion(TxTopNombreNegocio, TxNombreNegocioTitulo, QStringLiteral("TxTopNombreNegocio"),
                         QStringLiteral("TxNombreNegocioTitulo"), QStringLiteral("Configura tu Cuenta de Negocio"));
    auto* d = new QVBoxLayout(c);
    auto* formulario = nuevoFormulario();
    EdNombreNegocio = campo(c, QStringLiteral("EdNombreNegocio"), QStringLiteral("Nombre del Negocio"));
    EdNombreNegocio->setMaxLength(300);
    fila(formulario, EdNombreNegocio, QStringLiteral("&Nombre del Negocio"));
    d->addLayout(formulario);
    BtGuardar = boton(c, QStringLiteral("BtGuardar"), QStringLiteral("Guardar"));
    d->addLayout(botones({BtGuardar}));
    connect(BtGuardar, &QPushButton::clicked, this, &TEmpresaFrm::BtGuardarClick);
    connect(EdNombreNegocio, &QLineEdit::returnPressed, this, &TEmpresaFrm::BtGuardarClick);
}

void TEmpresaFrm::creaSeccionCSD()
{
    QWidget* c =
        seccion(TxTopCSD, TxTopCSDTiuloLeyenda, QStringLiteral("TxTopCSD"), QStringLiteral("TxTopCSDTiuloLeyenda"),
                QStringLiteral("Ingresa tu CSD para facturar electrónicamente"));
    auto* d = new QVBoxLayout(c);
    auto* formulario = nuevoFormulario();
    EdCSD = campo(c, QStringLiteral("EdCSD"), QStringLiteral("Certificado"));
    EdCSD->setReadOnly(true);
    SearchEditButton2 = boton(c, QStringLiteral("SearchEditButton2"), QStringLiteral("&Buscar…"));
    ClearEditButton1 = boton(c, QStringLiteral("ClearEditButton1"), QStringLiteral("✕"));
    ClearEditButton1->setToolTip(QStringLiteral("Quitar el certificado"));
    ClearEditButton1->setAccessibleName(QStringLiteral("Quitar el certificado"));
    ClearEditButton1->setFixedWidth(32);
    auto* filaCer = new QHBoxLayout();
    filaCer->addWidget(EdCSD, 1);
    filaCer->addWidget(SearchEditButton2);
    filaCer->addWidget(ClearEditButton1);
    fila(formulario, EdCSD, QStringLiteral("Certificado"), filaCer);

    EdKey = campo(c, QStringLiteral("EdKey"), QStringLiteral("Llave Privada"));
    EdKey->setReadOnly(true);
    SearchEditButton1 = boton(c, QStringLiteral("SearchEditButton1"), QStringLiteral("B&uscar…"));
    ClearEditButton2 = boton(c, QStringLiteral("ClearEditButton2"), QStringLiteral("✕"));
    ClearEditButton2->setToolTip(QStringLiteral("Quitar la llave privada"));
    ClearEditButton2->setAccessibleName(QStringLiteral("Quitar la llave privada"));
    ClearEditButton2->setFixedWidth(32);
    auto* filaKey = new QHBoxLayout();
    filaKey->addWidget(EdKey, 1);
    filaKey->addWidget(SearchEditButton1);
    filaKey->addWidget(ClearEditButton2);
    fila(formulario, EdKey, QStringLiteral("Llave Privada"), filaKey);

    EdCSDPass = campo(c, QStringLiteral("EdCSDPass"), QStringLiteral("Contraseña de la llave privada"), true);
    EdCSDPass->setMaxLength(150);
    fila(formulario, EdCSDPass, QStringLiteral("&Contraseña de la llave"));
    auto* filaDatos = new QHBoxLayout();
    TxCaducidadCSD = texto(c, QStringLiteral("TxCaducidadCSD"));
    TxNoSerieCSDLeyenda = texto(c, QStringLiteral("TxNoSerieCSDLeyenda"));
    TxNoSerieCSD = texto(c, QStringLiteral("TxNoSerieCSD"));
    filaDatos->addWidget(TxCaducidadCSD);
    filaDatos->addStretch();
    filaDatos->addWidget(TxNoSerieCSDLeyenda);
    filaDatos->addWidget(TxNoSerieCSD);
    formulario->addRow(QString(), filaDatos);
    d->addLayout(formulario);
    BtLimpiarCampos = boton(c, QStringLiteral("BtLimpiarCampos"), QStringLiteral("&Limpiar Campos"));
    BtGuardarCSD = boton(c, QStringLiteral("BtGuardarCSD"), QStringLiteral("Guardar"));
    d->addLayout(botones({BtLimpiarCampos, BtGuardarCSD}));

    connect(SearchEditButton2, &QPushButton::clicked, this, &TEmpresaFrm::SearchEditButton2Click);
    connect(SearchEditButton1, &QPushButton::clicked, this, &TEmpresaFrm::SearchEditButton1Click);
    connect(ClearEditButton1, &QPushButton::clicked, this, &TEmpresaFrm::ClearEditButton1Click);
    connect(ClearEditButton2, &QPushButton::clicked, this, &TEmpresaFrm::ClearEditButton2Click);
    connect(BtLimpiarCampos, &QPushButton::clicked, this, &TEmpresaFrm::BtLimpiarCamposClick);
    connect(BtGuardarCSD, &QPushButton::clicked, this, &TEmpresaFrm::BtGuardarCSDClick);
    connect(EdCSDPass, &QLineEdit::returnPressed, this, &TEmpresaFrm::BtGuardarCSDClick);
}

void TEmpresaFrm::creaSeccionFiscal()
{
    QWidget* c =
        seccion(TxTopDatosFiscales, TxTopDatosFiscalesTituloLeyenda, QStringLiteral("TxTopDatosFiscales"),
                QStringLiteral("TxTopDatosFiscalesTituloLeyenda"), QStringLiteral("Información Fiscal (Matriz)"));
    auto* d = new QVBoxLayout(c);
    auto* formulario = nuevoFormulario();
    EdRFC = campo(c, QStringLiteral("EdRFC"), QStringLiteral("RFC"));
    EdRFC->setReadOnly(true);
    EdRFC->setMaxLength(13);
    EdRazon = campo(c, QStringLiteral("EdRazon"), QStringLiteral("Razón Social"));
    EdRazon->setMaxLength(255);
    CmbRegimenFiscal = new QComboBox(c);
    CmbRegimenFiscal->setObjectName(QStringLiteral("CmbRegimenFiscal"));
    CmbRegimenFiscal->setEditable(false);
    fila(formulario, EdRFC, QStringLiteral("RFC"));
    fila(formulario, EdRazon, QStringLiteral("&Razón Social"));
    fila(formulario, CmbRegimenFiscal, QStringLiteral("Ré&gimen Fiscal"));
    d->addLayout(formulario);
    d->addWidget(texto(c, QStringLiteral("TxDomicilioMatriz"), QStringLiteral("Domicilio de la matriz")));
    // Shown only: the head office's address is edited in the branch window.
    DireccionMatriz = new TDireccionesFrm(c);
    DireccionMatriz->setObjectName(QStringLiteral("DireccionMatriz"));
    DireccionMatriz->setEnabled(false);
    d->addWidget(DireccionMatriz);
    BtGuardarIF = boton(c, QStringLiteral("BtGuardarIF"), QStringLiteral("Guardar"));
    d->addLayout(botones({BtGuardarIF}));
    connect(BtGuardarIF, &QPushButton::clicked, this, &TEmpresaFrm::BtGuardarIFClick);
    connect(EdRazon, &QLineEdit::returnPressed, this, &TEmpresaFrm::BtGuardarIFClick);
}

void TEmpresaFrm::creaSeccionLogo()
{
    QWidget* c = seccion(TxTopLogoNegocio, TxTopLogoNegocioTituloLeyenda, QStringLiteral("TxTopLogoNegocio"),
                         QStringLiteral("TxTopLogoNegocioTituloLeyenda"), QStringLiteral("Imagen del Negocio"));
    auto* d = new QHBoxLayout(c);
    ImgLogoNegocio = new QLabel(c);
    ImgLogoNegocio->setObjectName(QStringLiteral("ImgLogoNegocio"));
    ImgLogoNegocio->setFixedSize(170, 80);
    ImgLogoNegocio->setAlignment(Qt::AlignCenter);
    ImgLogoNegocio->setFrameShape(QFrame::StyledPanel);
    d->addWidget(ImgLogoNegocio);
    auto* derecha = new QVBoxLayout();
    derecha->addWidget(texto(c, QStringLiteral("TxTamanoLogo"), QStringLiteral("Tamaño en pixeles preferido 170x80")));
    ChkLogo = new QCheckBox(QStringLiteral("&Imprimir logo"), c);
    ChkLogo->setObjectName(QStringLiteral("ChkLogo"));
    derecha->addWidget(ChkLogo);
    BtPerfil = boton(c, QStringLiteral("BtPerfil"), QStringLiteral("Imagen de &Negocio"));
    BtGuardarNegocio = boton(c, QStringLiteral("BtGuardarNegocio"), QStringLiteral("Guardar"));
    derecha->addLayout(botones({BtPerfil, BtGuardarNegocio}));
    d->addLayout(derecha, 1);
    connect(BtPerfil, &QPushButton::clicked, this, &TEmpresaFrm::BtPerfilClick);
    connect(BtGuardarNegocio, &QPushButton::clicked, this, &TEmpresaFrm::BtGuardarNegocioClick);
    connect(ChkLogo, &QCheckBox::toggled, this, [this] {
        if (!m_cargando)
            ChkLogoChange();
    });
}

void TEmpresaFrm::creaSeccionSeries()
{
    QWidget* c = seccion(TxTopSeriesFolios, TxTopSeriesFoliosTituloLeyenda, QStringLiteral("TxTopSeriesFolios"),
                         QStringLiteral("TxTopSeriesFoliosTituloLeyenda"), QStringLiteral("Series y folios"));
    auto* d = new QVBoxLayout(c);
    GrSeriesFolios = tabla(c, QStringLiteral("GrSeriesFolios"));
    GrSeriesFolios->setColumnCount(4);
    GrSeriesFolios->setHorizontalHeaderLabels({GRID_SUCURSAL, GRID_SERIE, GRID_TIPO, GRID_FOLIO_ACTUAL});
    GrSeriesFolios->setColumnWidth(0, 150);
    for (int k = 1; k < 4; ++k)
        GrSeriesFolios->setColumnWidth(k, 86);
    GrSeriesFolios->horizontalHeader()->setStretchLastSection(true);
    GrSeriesFolios->setFixedHeight(150);
    GrSeriesFolios->setToolTip(QStringLiteral("Doble clic (o Ctrl+Mayús y «+ Agregar») edita la serie elegida."));
    d->addWidget(GrSeriesFolios);
    BtGuardarSeriesFolios = boton(c, QStringLiteral("BtGuardarSeriesFolios"), QStringLiteral("+ &Agregar"));
    d->addLayout(botones({BtGuardarSeriesFolios}));
    connect(BtGuardarSeriesFolios, &QPushButton::clicked, this, &TEmpresaFrm::BtGuardarSeriesFoliosClick);
    connect(GrSeriesFolios, &QTableWidget::cellDoubleClicked, this, [this](int renglon) {
        if (!SeriesFoliosFrm || renglon < 0 || renglon >= A.size())
            return;
        SeriesFoliosFrm->isEditar = true;
        SeriesFoliosFrm->fijaCombosSoloLectura(true);
        SeriesFoliosFrm->inicializa(A.at(renglon).idSerie);
        if (SeriesFoliosFrm->exec() == QDialog::Accepted)
            emit seriesModificadas();
        InicializaSeries();
    });
}

void TEmpresaFrm::creaSeccionSucursales()
{
    QWidget* c = seccion(TxTopSucursales, TxTopSucursalesTituloLeyenda, QStringLiteral("TxTopSucursales"),
                         QStringLiteral("TxTopSucursalesTituloLeyenda"), QStringLiteral("Sucursales"));
    auto* d = new QVBoxLayout(c);
    auto* formulario = nuevoFormulario();
    CmbSucursales = new QComboBox(c);
    CmbSucursales->setObjectName(QStringLiteral("CmbSucursales"));
    CmbSucursales->setEditable(false);
    CmbSucursales->setPlaceholderText(QStringLiteral("Elige una sucursal"));
    EdNombreSucursal = campo(c, QStringLiteral("EdNombreSucursal"), QStringLiteral("Nombre de la Sucursal"));
    EdNombreSucursal->setReadOnly(true);
    EdNombreSucursal->setMaxLength(255);
    fila(formulario, CmbSucursales, QStringLiteral("&Sucursal"));
    fila(formulario, EdNombreSucursal, QStringLiteral("Nombre"));
    d->addLayout(formulario);
    // Shown only: branches are edited in the branch window.
    DireccionSucursal = new TDireccionesFrm(c);
    DireccionSucursal->setObjectName(QStringLiteral("DireccionSucursal"));
    DireccionSucursal->setEnabled(false);
    d->addWidget(DireccionSucursal);
    BtGuardarSucursal = boton(c, QStringLiteral("BtGuardarSucursal"), QStringLiteral("&Editar"));
    BtAgregar = boton(c, QStringLiteral("BtAgregar"), QStringLiteral("+ A&gregar"));
    d->addLayout(botones({BtGuardarSucursal, BtAgregar}));
    connect(CmbSucursales, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_cargando)
            CmbSucursalesChange();
    });
    connect(BtGuardarSucursal, &QPushButton::clicked, this, &TEmpresaFrm::BtGuardarSucursalClick);
    connect(BtAgregar, &QPushButton::clicked, this, &TEmpresaFrm::BtAgregarClick);
}

void TEmpresaFrm::creaSeccionUsuarios()
{
    QWidget* c = seccion(TxUsuarios, TxUsuariosTituloLeyenda, QStringLiteral("TxUsuarios"),
                         QStringLiteral("TxUsuariosTituloLeyenda"), QStringLiteral("Administra tus Usuarios"));
    auto* d = new QVBoxLayout(c);
    GrPermisos = tabla(c, QStringLiteral("GrPermisos"));
    GrPermisos->setFixedHeight(150);
    d->addWidget(GrPermisos);
    inicializaGridPermisos();

    TxUsuarioContenedor = new QWidget(c);
    TxUsuarioContenedor->setObjectName(QStringLiteral("TxUsuarioContenedor"));
    auto* dForm = new QGridLayout(TxUsuarioContenedor);
    dForm->setContentsMargins(0, 0, 0, 0);
    EdEmail = campo(TxUsuarioContenedor, QStringLiteral("EdEmail"), QStringLiteral("EMail"));
    EdEmail->setMaxLength(100);
    EdNombre = campo(TxUsuarioContenedor, QStringLiteral("EdNombre"), QStringLiteral("Nombre"));
    EdApellidoPaterno =
        campo(TxUsuarioContenedor, QStringLiteral("EdApellidoPaterno"), QStringLiteral("Apellido Paterno"));
    EdApellidoMaterno =
        campo(TxUsuarioContenedor, QStringLiteral("EdApellidoMaterno"), QStringLiteral("Apellido Materno"));
    EdPassword = campo(TxUsuarioContenedor, QStringLiteral("EdPassword"), QStringLiteral("Password"), true);
    EdRepitePassword =
        campo(TxUsuarioContenedor, QStringLiteral("EdRepitePassword"), QStringLiteral("Repite Password"), true);
    const QList<std::pair<QLineEdit*, QString>> campos = {{EdEmail, QStringLiteral("E&Mail")},
                                                          {EdNombre, QStringLiteral("Nom&bre")},
                                                          {EdApellidoPaterno, QStringLiteral("Apellido &Paterno")},
                                                          {EdApellidoMaterno, QStringLiteral("Apellido Ma&terno")},
                                                          {EdPassword, QStringLiteral("Pass&word")},
                                                          {EdRepitePassword, QStringLiteral("Repite Passw&ord")}};
    for (int k = 0; k < campos.size(); ++k) {
        dForm->addWidget(Controles::etiqueta(TxUsuarioContenedor, campos[k].first, campos[k].second), k % 3,
                         (k / 3) * 2);
        dForm->addWidget(campos[k].first, k % 3, (k / 3) * 2 + 1);
    }
    const QStringList textos = {QStringLiteral(" Bridge Txt"),  QStringLiteral(" Reportes"),
                                QStringLiteral(" Productos"),   QStringLiteral(" Nomina"),
                                QStringLiteral(" Facturación"), QStringLiteral(" Clientes"),
                                QStringLiteral(" Respaldos"),   QStringLiteral(" Permisos")};
    const QStringList nombres = {QStringLiteral("ChBridgeTxt"),   QStringLiteral("ChReportes"),
                                 QStringLiteral("ChProductos"),   QStringLiteral("ChNomina"),
                                 QStringLiteral("ChFacturacion"), QStringLiteral("ChClientes"),
                                 QStringLiteral("ChRespaldos"),   QStringLiteral("ChPermisos")};
    auto* modulos = new QGridLayout();
    for (int k = 0; k < UsuariosNegocio::NUMERO_MODULOS; ++k) {
        auto* caja = new QCheckBox(textos.at(k), TxUsuarioContenedor);
        caja->setObjectName(nombres.at(k));
        modulos->addWidget(caja, k / 4, k % 4);
        m_modulos.append(caja);
    }
    ChBridgeTxt = m_modulos[0];
    ChReportes = m_modulos[1];
    ChProductos = m_modulos[2];
    ChNomina = m_modulos[3];
    ChFacturacion = m_modulos[4];
    ChClientes = m_modulos[5];
    ChRespaldos = m_modulos[6];
    ChPermisos = m_modulos[7];
    dForm->addLayout(modulos, 3, 0, 1, 4);
    d->addWidget(TxUsuarioContenedor);

    BtGuardarUsuario = boton(c, QStringLiteral("BtGuardarUsuario"), CONCEPTO_GUARDAR);
    BtCancelar = boton(c, QStringLiteral("BtCancelar"), QStringLiteral("Cancelar"));
    BtAgregarUsuario = boton(c, QStringLiteral("BtAgregarUsuario"), QStringLiteral("+ Agregar"));
    BtEditarUsuario = boton(c, QStringLiteral("BtEditarUsuario"), QStringLiteral("Editar"));
    d->addLayout(botones({BtAgregarUsuario, BtEditarUsuario, BtCancelar, BtGuardarUsuario}));

    connect(GrPermisos, &QTableWidget::currentCellChanged, this, [this](int renglon) { muestraUsuario(renglon); });
    connect(GrPermisos, &QTableWidget::cellClicked, this, [this](int renglon) { muestraUsuario(renglon); });
    connect(BtAgregarUsuario, &QPushButton::clicked, this, &TEmpresaFrm::BtAgregarUsuarioClick);
    connect(BtEditarUsuario, &QPushButton::clicked, this, &TEmpresaFrm::BtEditarUsuarioClick);
    connect(BtGuardarUsuario, &QPushButton::clicked, this, &TEmpresaFrm::BtGuardarUsuarioClick);
    connect(BtCancelar, &QPushButton::clicked, this, &TEmpresaFrm::BtCancelarClick);
    // Escape leaves a form being filled, as Cancelar does.
    auto* salida = new QShortcut(QKeySequence(Qt::Key_Escape), TxUsuarioContenedor);
    salida->setContext(Qt::WidgetWithChildrenShortcut);
    connect(salida, &QShortcut::activated, this, &TEmpresaFrm::BtCancelarClick);
    habilitaFormularioUsuario(false);
}

void TEmpresaFrm::cargaImagenes()
{
    Utils::cargaImageRS(IMG_LAPIZ, ImgLapiz, Sistema::exePath);
    Utils::cargaImageRS(IMG_BOTE, ImgBoteBasura, Sistema::exePath);
    if (ImgBoteBasura->pixmap().isNull())
        ImgBoteBasura->setText(QStringLiteral("🗑"));
    Utils::cargaImageRS(IMG_EMPRESA_DEFAULT, ImgLogoNegocio, Sistema::exePath);
    m_iconos.clear();
    for (const QString& nombre : {IMG_BRIDGE_TXT, IMG_REPORTES, IMG_PRODUCTOSERVICIOS, IMG_NOMINA, IMG_FACTURACION,
                                  IMG_CLIENTES, IMG_RESPALDO, IMG_CANDADO_LOGGIN})
        m_iconos.append(Utils::imagenRS(nombre, Sistema::exePath)
                            .scaled(ANCHO_ICONO - 5, ANCHO_ICONO - 5, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    // Each module column says which module it is when the icon is pointed at.
    for (int k = 0; k < UsuariosNegocio::NUMERO_MODULOS; ++k)
        if (QTableWidgetItem* cabecera = GrPermisos->horizontalHeaderItem(k + 1))
            cabecera->setToolTip(m_modulos.at(k)->text().trimmed());
}

void TEmpresaFrm::aplicaEstilos()
{
    const Style::TStyleFrm& estilo = Style::StyleFrm();
    for (QLabel* t :
         {TxNombreNegocioTitulo, TxTopCSDTiuloLeyenda, TxTopDatosFiscalesTituloLeyenda, TxTopLogoNegocioTituloLeyenda,
          TxTopSeriesFoliosTituloLeyenda, TxTopSucursalesTituloLeyenda, TxUsuariosTituloLeyenda})
        colorTexto(t, RS_TEXTOAZUL);
    colorTexto(findChild<QLabel*>(QStringLiteral("TxTituloEmpresa")), RS_TEXTOSUBTITULOS);
    const QString hoja = estilo.getButtonFactStyle(Sistema::claveMarca);
    for (QPushButton* b : TxFondo->findChildren<QPushButton*>())
        if (b != ClearEditButton1 && b != ClearEditButton2)
            Controles::estiloBoton(b, hoja);
}

void TEmpresaFrm::ordenTabulacion()
{
    QList<QWidget*> orden{ImgBoteBasura,
                          TxNombreNegocioTitulo,
                          EdNombreNegocio,
                          BtGuardar,
                          TxTopCSDTiuloLeyenda,
                          SearchEditButton2,
                          ClearEditButton1,
                          SearchEditButton1,
                          ClearEditButton2,
                          EdCSDPass,
                          BtLimpiarCampos,
                          BtGuardarCSD,
                          TxTopDatosFiscalesTituloLeyenda,
                          EdRazon,
                          CmbRegimenFiscal,
                          BtGuardarIF,
                          TxTopLogoNegocioTituloLeyenda,
                          ChkLogo,
                          BtPerfil,
                          BtGuardarNegocio,
                          TxTopSeriesFoliosTituloLeyenda,
                          GrSeriesFolios,
                          BtGuardarSeriesFolios,
                          TxTopSucursalesTituloLeyenda,
                          CmbSucursales,
                          BtGuardarSucursal,
                          BtAgregar,
                          TxUsuariosTituloLeyenda,
                          GrPermisos,
                          EdEmail,
                          EdNombre,
                          EdApellidoPaterno,
                          EdApellidoMaterno,
                          EdPassword,
                          EdRepitePassword};
    for (QCheckBox* caja : std::as_const(m_modulos))
        orden << caja;
    orden << BtAgregarUsuario << BtEditarUsuario << BtCancelar << BtGuardarUsuario;
    // The read-only fields are read, not typed into: Tab passes them by.
    for (QWidget* w : {static_cast<QWidget*>(EdCSD), static_cast<QWidget*>(EdKey), static_cast<QWidget*>(EdRFC),
                       static_cast<QWidget*>(EdNombreSucursal)})
        w->setFocusPolicy(Qt::ClickFocus);
    Controles::ordenTabulacion(orden);
}

// --- Accordion -----------------------------------------------------------------------------

void TEmpresaFrm::inicializaPaneles()
{
    for (int k = 0; k < m_paneles.size(); ++k)
        m_contenidos.at(k)->hide();
    actualizaAltura();
}

void TEmpresaFrm::alternaPanel(QWidget* panel)
{
    const int k = m_paneles.indexOf(panel);
    if (k < 0)
        return;
    if (!m_contenidos.at(k)->isHidden()) {
        inicializaPaneles();
        return;
    }
    abrePanel(panel);
}

void TEmpresaFrm::abrePanel(QWidget* panel)
{
    const int k = m_paneles.indexOf(panel);
    if (k < 0)
        return;
    inicializaPaneles();
    try {
        cargaSeccion(panel);
    } catch (const std::exception& e) {
        Utils::mensaje(textoError(e), MSG_ERROR);
    }
    m_contenidos.at(k)->show();
    actualizaAltura();
}

void TEmpresaFrm::cargaSeccion(QWidget* panel)
{
    EdicionEmpresa::recargaNegocio();
    if (panel == TxTopNombreNegocio) {
        cargaNombre();
        EdNombreNegocio->setFocus();
    } else if (panel == TxTopCSD) {
        cargaCertificado();
        SearchEditButton2->setFocus();
    } else if (panel == TxTopDatosFiscales) {
        cargaFiscal();
        EdRazon->setFocus();
    } else if (panel == TxTopLogoNegocio) {
        cargaLogo();
        BtPerfil->setFocus();
    } else if (panel == TxTopSeriesFolios) {
        InicializaSeries();
        GrSeriesFolios->setFocus();
    } else if (panel == TxTopSucursales) {
        InicializaSucursales();
        CmbSucursales->setFocus();
    } else if (panel == TxUsuarios) {
        inicializaPanelUsuarios(false);
        habilitaFormularioUsuario(false);
        actualizaGrid();
        GrPermisos->setFocus();
    }
}

void TEmpresaFrm::actualizaAltura()
{
    for (int k = 0; k < m_paneles.size(); ++k) {
        const QString marca = m_contenidos.at(k)->isHidden() ? QStringLiteral("▸  ") : QStringLiteral("▾  ");
        auto* titulo = m_paneles.at(k)->findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        if (titulo)
            titulo->setText(marca + titulo->text().mid(3));
    }
    const int altura = getHeight();
    TxFondo->setFixedHeight(altura);
    emit alturaCambiada(altura);
}

int TEmpresaFrm::getHeight()
{
    TxFondo->layout()->activate();
    return TxFondo->layout()->sizeHint().height();
}

void TEmpresaFrm::TxNombreNegocioTituloClick()
{
    alternaPanel(TxTopNombreNegocio);
}
void TEmpresaFrm::TxTopCSDTiuloLeyendaClick()
{
    alternaPanel(TxTopCSD);
}
void TEmpresaFrm::TxTopDatosFiscalesTituloLeyendaClick()
{
    alternaPanel(TxTopDatosFiscales);
}
void TEmpresaFrm::TxTopLogoNegocioTituloLeyendaClick()
{
    alternaPanel(TxTopLogoNegocio);
}
void TEmpresaFrm::TxTopSeriesFoliosTituloLeyendaClick()
{
    alternaPanel(TxTopSeriesFolios);
}
void TEmpresaFrm::TxTopSucursalesTituloLeyendaClick()
{
    alternaPanel(TxTopSucursales);
}
void TEmpresaFrm::TxUsuariosTituloLeyendaClick()
{
    alternaPanel(TxUsuarios);
}

// --- Loading -------------------------------------------------------------------------------

void TEmpresaFrm::inicializa()
{
    try {
        if (Sistema::Negocio)
            EdicionEmpresa::recargaNegocio();
        cargaNombre();
        cargaCertificado();
        cargaFiscal();
        cargaLogo();
        InicializaSucursales();
        initImpresion();
    } catch (const std::exception& e) {
        Utils::mensaje(textoError(e), MSG_ERROR);
    }
    inicializaPaneles();
}

void TEmpresaFrm::inicializaLogoNegocio()
{
    abrePanel(TxTopLogoNegocio);
}

void TEmpresaFrm::inicializaNombreEmpresa()
{
    abrePanel(TxTopNombreNegocio);
}

void TEmpresaFrm::cargaNombre()
{
    EdNombreNegocio->setText(Sistema::Negocio ? Sistema::Negocio->getNombre() : QString());
    quitaError(EdNombreNegocio);
}

void TEmpresaFrm::cargaCertificado()
{
    for (QLineEdit* e : {EdCSD, EdKey, EdCSDPass})
        e->clear();
    for (QLabel* t : {TxCaducidadCSD, TxNoSerieCSDLeyenda, TxNoSerieCSD})
        t->clear();
    if (!Sistema::Negocio)
        return;
    if (const auto guardado = EdicionEmpresa::certificado()) {
        TxNoSerieCSDLeyenda->setText(CN_NO_SERIE);
        TxNoSerieCSD->setText(guardado->numero);
        TxCaducidadCSD->setText(CN_CADUCIDAD + guardado->expiracion.toString(FORMATO_FECHA));
    }
}

void TEmpresaFrm::cargaFiscal()
{
    m_cargando = true;
    EdRFC->setText(EdicionEmpresa::rfc());
    EdRazon->setText(EdicionEmpresa::razon());
    CombosCatalogo::inicializaRegimenFiscal(CmbRegimenFiscal, EdRFC->text());
    if (Sistema::Negocio) {
        const QString regimen = EdicionEmpresa::regimenActual();
        const int indice = CmbRegimenFiscal->findText(regimen);
        if (indice >= 0)
            CmbRegimenFiscal->setCurrentIndex(indice);
        else if (!regimen.isEmpty()) {
            // A regime the catalogue lacks still shows, so saving keeps it.
            CmbRegimenFiscal->addItem(regimen);
            CmbRegimenFiscal->setCurrentIndex(CmbRegimenFiscal->count() - 1);
        }
        InicializaMatriz();
    }
    m_cargando = false;
}

void TEmpresaFrm::cargaLogo()
{
    nombreArchivo.clear();
    QPixmap logo;
    if (Sistema::Negocio && logo.loadFromData(Sistema::Negocio->getLogonegocio()))
        ImgLogoNegocio->setPixmap(logo.scaled(ImgLogoNegocio->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    else
        Utils::cargaImageRS(IMG_EMPRESA_DEFAULT, ImgLogoNegocio, Sistema::exePath);
    initImpresion();
}

void TEmpresaFrm::InicializaMatriz()
{
    muestraDireccion(DireccionMatriz, EdicionEmpresa::matriz());
}

void TEmpresaFrm::InicializaSucursales()
{
    m_cargando = true;
    CmbSucursales->clear();
    EdNombreSucursal->clear();
    DireccionSucursal->inicializaDireccion(false);
    if (Sistema::Negocio)
        CmbSucursales->addItems(EdicionEmpresa::nombresSucursales());
    CmbSucursales->setCurrentIndex(-1);
    m_cargando = false;
}

void TEmpresaFrm::CmbSucursalesChange()
{
    if (CmbSucursales->currentIndex() < 0)
        return;
    guarda([this] {
        const auto elegida = EdicionEmpresa::sucursal(CmbSucursales->currentText());
        if (!elegida)
            return;
        EdNombreSucursal->setText(elegida->nombre);
        muestraDireccion(DireccionSucursal, elegida->direccion);
    });
}

void TEmpresaFrm::InicializaSeries()
{
    A = EdicionEmpresa::series();
    GrSeriesFolios->setRowCount(0);
    GrSeriesFolios->setRowCount(static_cast<int>(A.size()));
    for (int r = 0; r < A.size(); ++r) {
        const EdicionEmpresa::TFilaSerie& f = A.at(r);
        const QStringList valores = {f.sucursal, f.serie, f.tipo, f.folio};
        for (int c = 0; c < valores.size(); ++c)
            GrSeriesFolios->setItem(r, c, new QTableWidgetItem(valores.at(c)));
    }
}

void TEmpresaFrm::initImpresion()
{
    m_cargando = true;
    ChkLogo->setChecked(Sistema::imprimeLogo);
    m_cargando = false;
}

// --- Saves ---------------------------------------------------------------------------------

bool TEmpresaFrm::guarda(const std::function<void()>& accion)
{
    try {
        accion();
        return true;
    } catch (const std::exception& e) {
        Utils::mensaje(textoError(e), MSG_ERROR);
        return false;
    }
}

void TEmpresaFrm::BtGuardarClick()
{
    if (EdNombreNegocio->text().trimmed().isEmpty()) {
        marcaError(EdNombreNegocio);
        Utils::mensaje(ERR_NOMBRE_NEGOCIO_VACIO, MSG_ERROR);
        EdNombreNegocio->setFocus();
        return;
    }
    if (guarda([this] { EdicionEmpresa::guardaNombre(EdNombreNegocio->text()); })) {
        Utils::mensaje(INFORMACION_GUARDADA_EXITO, MSG_INFORMATION);
        emit negocioModificado();
    }
}

void TEmpresaFrm::SearchEditButton1Click()
{
    quitaError(EdKey);
    const QString ruta = seleccionaArchivo ? seleccionaArchivo(this, FILTRO_LLAVE) : QString();
    if (!ruta.isEmpty())
        EdKey->setText(ruta);
}

void TEmpresaFrm::SearchEditButton2Click()
{
    const QString ruta = seleccionaArchivo ? seleccionaArchivo(this, FILTRO_CERTIFICADO) : QString();
    if (ruta.isEmpty())
        return;
    EdCSD->setText(ruta);
    QString rechazo;
    if (!guarda([&] { rechazo = EdicionEmpresa::revisaCertificadoElegido(ruta); }))
        return;
    if (!rechazo.isEmpty()) {
        EdCSD->clear();
        Utils::mensaje(rechazo, rechazo == ERR_CSD_DIFERENTE_RFC ? MSG_ERROR : MSG_WARNING);
        return;
    }
    const QMap<QString, QString> info = Signerutils::Signer().getInformacionCertificado(ruta);
    TxCaducidadCSD->setText(CN_CADUCIDAD + info.value(CERT_VALIDTOSTR));
    TxNoSerieCSDLeyenda->setText(CN_NO_SERIE);
    TxNoSerieCSD->setText(info.value(CERT_SERIALNUMBER).trimmed());
    EdRazon->setText(info.value(CERT_OID_41).trimmed());
}

void TEmpresaFrm::ClearEditButton1Click()
{
    EdCSD->clear();
}

void TEmpresaFrm::ClearEditButton2Click()
{
    EdKey->clear();
}

void TEmpresaFrm::BtLimpiarCamposClick()
{
    for (QLineEdit* e : {EdCSD, EdKey, EdCSDPass, EdRFC, EdRazon})
        e->clear();
    for (QLabel* t : {TxCaducidadCSD, TxNoSerieCSDLeyenda, TxNoSerieCSD})
        t->clear();
}

void TEmpresaFrm::BtGuardarCSDClick()
{
    quitaError(EdKey);
    quitaError(EdCSDPass);
    if (EdCSD->text().trimmed().isEmpty()) {
        Utils::mensaje(QString(CAMPO_REQUERIDO).replace(CAMPO, QStringLiteral("Certificado")), MSG_WARNING);
        SearchEditButton2->setFocus();
        return;
    }
    if (EdKey->text().trimmed().isEmpty()) {
        marcaError(EdKey);
        Utils::mensaje(ERR_LLAVE_PRIVADA_REQUERIDO, MSG_WARNING);
        SearchEditButton1->setFocus();
        return;
    }
    if (EdCSDPass->text().isEmpty()) {
        marcaError(EdCSDPass);
        Utils::mensaje(ERR_PASS_CERTIFICADO_REQUERIDO, MSG_WARNING);
        EdCSDPass->setFocus();
        return;
    }
    if (guarda([this] {
            EdicionEmpresa::guardaCertificado(EdCSD->text(), EdKey->text(), EdCSDPass->text(), EdRazon->text());
        })) {
        Utils::mensaje(INFORMACION_GUARDADA_EXITO, MSG_INFORMATION);
        cargaCertificado();
    }
}

void TEmpresaFrm::BtGuardarIFClick()
{
    const QString regimen = CmbRegimenFiscal->currentIndex() > 0 ? CmbRegimenFiscal->currentText() : QString();
    if (guarda([&] { EdicionEmpresa::guardaDatosFiscales(regimen, EdRazon->text()); }))
        Utils::mensaje(INFORMACION_GUARDADA_EXITO, MSG_INFORMATION);
}

void TEmpresaFrm::BtPerfilClick()
{
    const QString ruta = seleccionaArchivo ? seleccionaArchivo(this, FILTRO_IMAGEN) : QString();
    if (ruta.isEmpty())
        return;
    // Refused at once: a picture that cannot be stored is never shown as if it were.
    QByteArray datos;
    const QString error = RevisionImagen::lee(ruta, datos);
    if (!error.isEmpty()) {
        Utils::mensaje(error, MSG_WARNING);
        return;
    }
    nombreArchivo = ruta;
    QPixmap vista;
    vista.loadFromData(datos);
    ImgLogoNegocio->setPixmap(vista.scaled(ImgLogoNegocio->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void TEmpresaFrm::BtGuardarNegocioClick()
{
    if (nombreArchivo.isEmpty())
        return;
    if (guarda([this] { EdicionEmpresa::guardaLogo(nombreArchivo); })) {
        nombreArchivo.clear();
        Utils::mensaje(INFORMACION_GUARDADA_EXITO, MSG_INFORMATION);
        emit negocioModificado();
    } else {
        cargaLogo();
    }
}

void TEmpresaFrm::ChkLogoChange()
{
    guardaImpresion();
}

void TEmpresaFrm::guardaImpresion()
{
    bool guardado = false;
    if (!guarda([&] { guardado = EdicionEmpresa::guardaImpresion(ChkLogo->isChecked()); }))
        guardado = true; // the error is already told
    else if (!guardado)
        Utils::mensaje(QStringLiteral("No se encontró el archivo de configuración de la empresa; no se guardó el "
                                      "cambio de impresión del logo."),
                       MSG_WARNING);
    initImpresion();
}

// --- Branches and series -------------------------------------------------------------------

void TEmpresaFrm::BtGuardarSucursalClick()
{
    if (CmbSucursales->currentIndex() < 0) {
        Utils::mensaje(ERR_SELECCIONA_SUCURSAL, MSG_WARNING);
        CmbSucursales->setFocus();
        return;
    }
    std::optional<EdicionEmpresa::TSucursalMostrada> elegida;
    if (!guarda([&] { elegida = EdicionEmpresa::sucursal(CmbSucursales->currentText()); }) || !elegida ||
        !SucursalesFrm)
        return;
    SucursalesFrm->inicializaEditar(elegida->id);
    if (SucursalesFrm->exec() == QDialog::Accepted)
        emit seriesModificadas();
    guarda([this] {
        EdicionEmpresa::recargaNegocio();
        InicializaSucursales();
        InicializaMatriz();
    });
}

void TEmpresaFrm::BtAgregarClick()
{
    if (!SucursalesFrm)
        return;
    SucursalesFrm->inicializaAgregar();
    if (SucursalesFrm->exec() == QDialog::Accepted)
        emit seriesModificadas();
    guarda([this] { InicializaSucursales(); });
}

void TEmpresaFrm::BtGuardarSeriesFoliosClick()
{
    if (!SeriesFoliosFrm)
        return;
    const int renglon = GrSeriesFolios->currentRow();
    const bool editar = shiftYControl() && renglon >= 0 && renglon < A.size();
    SeriesFoliosFrm->isEditar = editar;
    SeriesFoliosFrm->fijaCombosSoloLectura(editar);
    if (editar)
        SeriesFoliosFrm->inicializa(A.at(renglon).idSerie);
    else
        SeriesFoliosFrm->inicializa();
    if (SeriesFoliosFrm->exec() == QDialog::Accepted)
        emit seriesModificadas();
    guarda([this] { InicializaSeries(); });
}

// --- Deleting the business -----------------------------------------------------------------

void TEmpresaFrm::ImgBoteBasuraClick()
{
    // Deleting the business takes it from every user: only who administers
    // the users may.
    if (!Sistema::getPermiso(CODIGO_PERMISOS)) {
        Utils::mensaje(ERROR_PERMISOS, MSG_WARNING);
        return;
    }
    if (Utils::mensajeConfirmacion(QStringLiteral("¿Desea eliminar la empresa?")) != TPrompter::OK)
        return;
    eliminaEmpresa();
}

void TEmpresaFrm::eliminaEmpresa()
{
    EdicionEmpresa::TEliminacion eliminacion;
    // Archiving a business folder with many vouchers takes a while.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString error;
    try {
        eliminacion = EdicionEmpresa::elimina();
    } catch (const std::exception& e) {
        error = textoError(e);
    }
    QApplication::restoreOverrideCursor();
    if (!error.isEmpty()) {
        Utils::mensaje(error, MSG_ERROR);
        return;
    }
    if (!eliminacion.archivado)
        Utils::mensaje(QStringLiteral("No se pudo guardar el archivo de la empresa (%1); su carpeta sigue en el disco.")
                           .arg(eliminacion.archivo),
                       MSG_WARNING);
    inicializaPaneles();
    close();
    emit empresaEliminada(eliminacion.empresasActivas);
}

// --- Users ---------------------------------------------------------------------------------

void TEmpresaFrm::inicializaGridPermisos()
{
    GrPermisos->setColumnCount(1 + UsuariosNegocio::NUMERO_MODULOS);
    // The column holds the users' e-mails: headed as what it holds.
    QStringList cabeceras{QStringLiteral("Usuario")};
    for (int k = 0; k < UsuariosNegocio::NUMERO_MODULOS; ++k)
        cabeceras << QString();
    GrPermisos->setHorizontalHeaderLabels(cabeceras);
    GrPermisos->setColumnWidth(0, 295);
    for (int k = 1; k <= UsuariosNegocio::NUMERO_MODULOS; ++k)
        GrPermisos->setColumnWidth(k, ANCHO_ICONO);
    GrPermisos->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    GrPermisos->setIconSize(QSize(ANCHO_ICONO - 5, ANCHO_ICONO - 5));
    GrPermisos->setRowCount(0);
}

void TEmpresaFrm::actualizaGrid()
{
    GrPermisos->setRowCount(0);
    B = UsuariosNegocio::usuarios();
    const QSignalBlocker bloqueo(GrPermisos);
    GrPermisos->setRowCount(static_cast<int>(B.size()));
    for (int r = 0; r < B.size(); ++r) {
        GrPermisos->setItem(r, 0, new QTableWidgetItem(B.at(r).email));
        for (int k = 0; k < UsuariosNegocio::NUMERO_MODULOS; ++k) {
            auto* celda = new QTableWidgetItem();
            if (B.at(r).permisos[k]) {
                celda->setIcon(QIcon(m_iconos.value(k)));
                celda->setToolTip(m_modulos.at(k)->text().trimmed());
            }
            GrPermisos->setItem(r, k + 1, celda);
        }
    }
    GrPermisos->setCurrentCell(-1, -1);
}

void TEmpresaFrm::muestraUsuario(int renglon)
{
    // A row is shown only while browsing: a form being filled stays as typed.
    if (renglon < 0 || renglon >= B.size() || TxUsuarioContenedor->isEnabled())
        return;
    guarda([&] {
        const auto usuario = UsuariosNegocio::muestra(B.at(renglon).email);
        if (!usuario)
            return;
        EdEmail->setText(usuario->email);
        EdNombre->setText(usuario->nombre);
        EdApellidoPaterno->setText(usuario->apellidoPaterno);
        EdApellidoMaterno->setText(usuario->apellidoMaterno);
        EdPassword->clear();
        EdRepitePassword->clear();
        marcaPermisos(usuario->permisos);
        BtEditarUsuario->setEnabled(true);
    });
}

void TEmpresaFrm::inicializaPanelUsuarios(bool marcados)
{
    EdEmail->setReadOnly(false);
    for (QLineEdit* e : {EdEmail, EdNombre, EdApellidoPaterno, EdApellidoMaterno, EdPassword, EdRepitePassword})
        e->clear();
    marcaPermisos(UsuariosNegocio::todos(marcados));
    BtEditarUsuario->setEnabled(false);
    m_editandoUsuario = false;
}

void TEmpresaFrm::habilitaFormularioUsuario(bool habilitado)
{
    TxUsuarioContenedor->setEnabled(habilitado);
    BtGuardarUsuario->setEnabled(habilitado);
    BtCancelar->setEnabled(habilitado);
    BtAgregarUsuario->setEnabled(!habilitado);
    if (habilitado)
        BtEditarUsuario->setEnabled(false);
}

UsuariosNegocio::TPermisos TEmpresaFrm::permisosMarcados() const
{
    UsuariosNegocio::TPermisos permisos{};
    for (int k = 0; k < UsuariosNegocio::NUMERO_MODULOS; ++k)
        permisos[k] = m_modulos.at(k)->isChecked();
    return permisos;
}

void TEmpresaFrm::marcaPermisos(const UsuariosNegocio::TPermisos& permisos)
{
    for (int k = 0; k < UsuariosNegocio::NUMERO_MODULOS; ++k)
        m_modulos.at(k)->setChecked(permisos[k]);
}

void TEmpresaFrm::BtAgregarUsuarioClick()
{
    if (!Sistema::getPermiso(CODIGO_PERMISOS)) {
        Utils::mensaje(ERROR_PERMISOS, MSG_WARNING);
        return;
    }
    GrPermisos->clearSelection();
    inicializaPanelUsuarios(true);
    habilitaFormularioUsuario(true);
    BtGuardarUsuario->setText(CONCEPTO_GUARDAR);
    EdEmail->setFocus();
}

void TEmpresaFrm::BtEditarUsuarioClick()
{
    const UsuariosNegocio::TResultado permitido = UsuariosNegocio::puedeEditar(EdEmail->text());
    if (permitido != UsuariosNegocio::TResultado::Correcto) {
        Utils::mensaje(UsuariosNegocio::mensaje(permitido), MSG_WARNING);
        return;
    }
    m_editandoUsuario = true;
    habilitaFormularioUsuario(true);
    // Only the rights change in an edit: the user edited is the one shown.
    for (QLineEdit* e : {EdEmail, EdNombre, EdApellidoPaterno, EdApellidoMaterno})
        e->setReadOnly(true);
    EdPassword->setEnabled(false);
    EdRepitePassword->setEnabled(false);
    BtGuardarUsuario->setText(ACTUALIZAR);
    m_modulos.first()->setFocus();
}

bool TEmpresaFrm::isUsuarioValido()
{
    UsuariosNegocio::TNuevoUsuario datos;
    datos.email = EdEmail->text();
    datos.password = EdPassword->text();
    datos.repitePassword = EdRepitePassword->text();
    UsuariosNegocio::TResultado resultado = UsuariosNegocio::TResultado::Correcto;
    if (!guarda([&] { resultado = UsuariosNegocio::revisaNuevo(datos); }))
        return false;
    if (resultado == UsuariosNegocio::TResultado::Correcto)
        return true;
    Utils::mensaje(UsuariosNegocio::mensaje(resultado, datos.email), MSG_WARNING);
    if (resultado == UsuariosNegocio::TResultado::PasswordsDistintas) {
        marcaError(EdRepitePassword);
        EdRepitePassword->setFocus();
    } else {
        marcaError(EdEmail);
        EdEmail->setFocus();
    }
    return false;
}

void TEmpresaFrm::BtGuardarUsuarioClick()
{
    UsuariosNegocio::TResultado resultado = UsuariosNegocio::TResultado::Correcto;
    if (m_editandoUsuario) {
        if (!guarda([&] { resultado = UsuariosNegocio::actualizaPermisos(EdEmail->text(), permisosMarcados()); }))
            return;
        if (resultado != UsuariosNegocio::TResultado::Correcto) {
            Utils::mensaje(UsuariosNegocio::mensaje(resultado, EdEmail->text()), MSG_WARNING);
            return;
        }
        Utils::mensaje(MSG_USUARIO_ACTUALIZADO_EXITO, MSG_INFORMATION);
    } else {
        // What was typed stays until it can be stored.
        if (!isUsuarioValido())
            return;
        UsuariosNegocio::TNuevoUsuario datos{EdEmail->text(),           EdNombre->text(),   EdApellidoPaterno->text(),
                                             EdApellidoMaterno->text(), EdPassword->text(), EdRepitePassword->text(),
                                             permisosMarcados()};
        if (!guarda([&] { resultado = UsuariosNegocio::agrega(datos); }))
            return;
        if (resultado != UsuariosNegocio::TResultado::Correcto) {
            Utils::mensaje(UsuariosNegocio::mensaje(resultado, datos.email), MSG_WARNING);
            return;
        }
        Utils::mensaje(MSG_USUARIO_GUARDADO_EXITO, MSG_INFORMATION);
    }
    BtCancelarClick();
    guarda([this] { actualizaGrid(); });
}

void TEmpresaFrm::BtCancelarClick()
{
    for (QLineEdit* e : {EdNombre, EdApellidoPaterno, EdApellidoMaterno})
        e->setReadOnly(false);
    EdPassword->setEnabled(true);
    EdRepitePassword->setEnabled(true);
    quitaError(EdEmail);
    quitaError(EdRepitePassword);
    inicializaPanelUsuarios(false);
    habilitaFormularioUsuario(false);
    BtGuardarUsuario->setText(CONCEPTO_GUARDAR);
    GrPermisos->setFocus();
}
