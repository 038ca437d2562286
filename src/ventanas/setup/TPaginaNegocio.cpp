#include "TPaginaNegocio.h"

#include "CombosCatalogo.h"
#include "Constantes.h"
#include "Controles.h"
#include "DisenoAsistente.h"
#include "Entidades.h"
#include "Errores.h"
#include "FiltroCampo.h"
#include "Logmanager.h"
#include "Sistema.h"
#include "Style.h"
#include "TDireccionesFrm.h"
#include "TPanelCertificado.h"
#include "app/TConfiguracionBaseDatosFrm.h"
#include "app/UtilsVentanas.h"
#include "app/Ventanas.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/Utils.h"
#include "setup/ReglasCaptura.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

using namespace Constantes;
using namespace DisenoAsistente;
using Controles::boton;
using Controles::campo;
using Controles::marcaError;
using Controles::quitaError;
using Controles::texto;

namespace {

const QString MENSAJE_EMPRESA_EXISTENTE = QStringLiteral("Ya existe la empresa");

// Brand texts; the placeholders are replaced at each preparation, so a brand
// read later still shows.
const QString INFO_EXCLUSIVA = QStringLiteral("Con el certificado de sello digital (CSD) de tu empresa, ") +
                               MARCA_SUST + QStringLiteral(" llena por ti el RFC y la razón social.");
const QString INFO_PAC = MARCA_SUST +
                         QStringLiteral(" timbra tus facturas con un proveedor autorizado de certificación "
                                        "(PAC), número de autorización del SAT: ") +
                         NUMERO_PAC + QStringLiteral(".");

void registra(const QString& texto)
{
    Logmanager::Log(texto, 1, Sistema::exePath);
}

// The text of a chosen list entry; the prompt (item 0) reads as empty.
QString elegido(const QString& textoMostrado, bool esElegido)
{
    return esElegido ? textoMostrado : QString();
}

NuevoNegocio::TDestino destino(const QString& rfc)
{
    return ConfiguracionBaseDatosFrm ? ConfiguracionBaseDatosFrm->destino(rfc) : NuevoNegocio::destinoLocal(rfc);
}

} // namespace

TPaginaNegocio::TPaginaNegocio(TModo modo, QWidget* parent) : QWidget(parent), m_modo(modo)
{
    setObjectName(QStringLiteral("TxTopSecundario"));
    setAutoFillBackground(false);
    auto* diseno = new QVBoxLayout(this);
    diseno->setContentsMargins(40, 16, 40, 16);
    diseno->addLayout(bienvenida(this, ImgBienvenidaSecundario, QStringLiteral("ImgBienvenidaSecundario"),
                                 TxBienvenidaSecundario, QStringLiteral("TxBienvenidaSecundario")));
    // Added from the main window there are no steps to count.
    auto* paso = texto(this, QStringLiteral("TxPaso2"), QStringLiteral("Paso 2 de 2"));
    paso->setVisible(m_modo == TModo::PrimeraVez);
    diseno->addWidget(paso);
    TxInfoExclusiva = texto(this, QStringLiteral("TxInfoExclusiva"));
    TxInfoExclusiva->setWordWrap(true);
    TxNumeroPAC = texto(this, QStringLiteral("TxNumeroPAC"));
    TxNumeroPAC->setWordWrap(true);
    diseno->addWidget(TxInfoExclusiva);
    diseno->addWidget(TxNumeroPAC);

    auto* formulario = Controles::nuevoFormulario();
    EdNombreEmpresa = campo(this, ReglasCaptura::NOMBRE_EMPRESA, ReglasCaptura::TITULO_NOMBRE_EMPRESA);
    Controles::fila(formulario, EdNombreEmpresa, EdNombreEmpresa->placeholderText());
    diseno->addLayout(formulario);
    // The paths are chosen with their search buttons, so the certificate is
    // always read before its RFC is taken. Enter in the key's password
    // finishes, as in every other field.
    TPanelCertificado::TOpciones opciones;
    opciones.enterPropio = false;
    m_certificado = new TPanelCertificado(this, opciones);
    connect(m_certificado, &TPanelCertificado::certificadoLeido, this, &TPaginaNegocio::muestraCertificado);
    diseno->addWidget(m_certificado);
    formulario = Controles::nuevoFormulario();

    // The RFC is the certificate's: typing another would create a business
    // that cannot sign its vouchers.
    EdRFC = campo(this, QStringLiteral("EdRFC"), QStringLiteral("RFC"));
    EdRFC->setReadOnly(true);
    EdRazon = campo(this, QStringLiteral("EdRazon"), QStringLiteral("Razón Social"));
    Controles::fila(formulario, EdRFC, EdRFC->placeholderText());
    Controles::fila(formulario, EdRazon, EdRazon->placeholderText());

    CmbRegimenFiscal = new QComboBox(this);
    CmbRegimenFiscal->setObjectName(ReglasCaptura::REGIMEN);
    CmbRegimenFiscal->setEditable(false);
    CmbRegimenFiscal->addItem(REGIMEN_FISCAL);
    // The longest regime would otherwise widen the page past the work area.
    CmbRegimenFiscal->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    CmbRegimenFiscal->setMinimumContentsLength(20);
    Controles::fila(formulario, CmbRegimenFiscal, REGIMEN_FISCAL);
    diseno->addLayout(formulario);

    diseno->addWidget(texto(this, QStringLiteral("TxDomicilioFiscal"), QStringLiteral("Domicilio Fiscal")));
    TxDireccion = new QWidget(this);
    TxDireccion->setObjectName(QStringLiteral("TxDireccion"));
    auto* dDireccion = new QVBoxLayout(TxDireccion);
    dDireccion->setContentsMargins(0, 0, 0, 0);
    diseno->addWidget(TxDireccion);

    // Where the business is stored is asked for here, once the business is
    // described, and the answer stays in sight until "Finalizar".
    diseno->addWidget(texto(this, QStringLiteral("TxTituloBaseDatos"), QStringLiteral("Base de Datos")));
    auto* ubicacion = new QHBoxLayout();
    TxUbicacionBase = texto(this, QStringLiteral("TxUbicacionBase"));
    TxUbicacionBase->setTextFormat(Qt::PlainText);
    TxUbicacionBase->setWordWrap(true);
    BtConfiguraConexion = boton(this, QStringLiteral("BtConfiguraConexion"), QStringLiteral("Configura tu Conexión"));
    ubicacion->addWidget(TxUbicacionBase, 1);
    ubicacion->addWidget(BtConfiguraConexion);
    diseno->addLayout(ubicacion);
    muestraUbicacion();

    diseno->addStretch();
    diseno->addSpacing(8);
    auto* botones = new QHBoxLayout();
    BtAnterior = boton(this, QStringLiteral("BtAnterior"), QStringLiteral("Anterior"));
    BtLimpiarCampos = boton(this, QStringLiteral("BtLimpiarCampos"), QStringLiteral("Limpiar Campos"));
    BtFinalizar = boton(this, QStringLiteral("BtFinalizar"), QStringLiteral("Finalizar"));
    BtCancelar = boton(this, QStringLiteral("BtCancelar"), QStringLiteral("Cancelar"));
    botones->addWidget(BtAnterior);
    botones->addStretch();
    botones->addWidget(BtLimpiarCampos);
    botones->addWidget(BtCancelar);
    botones->addWidget(BtFinalizar);
    diseno->addLayout(botones);
    BtAnterior->setVisible(m_modo == TModo::PrimeraVez);
    BtCancelar->setVisible(m_modo == TModo::Adicional);

    EdNombreEmpresa->setMaxLength(300);
    EdRFC->setMaxLength(13);
    EdRazon->setMaxLength(300);
    FiltroCampo::sinEscritura(CmbRegimenFiscal);
    for (QWidget* w : {static_cast<QWidget*>(EdNombreEmpresa), static_cast<QWidget*>(CmbRegimenFiscal)})
        FiltroCampo::quitaErrorAlEnfocar(w);
    for (const char* nombre : {"EdCSD", "EdKey", "EdCSDPass"})
        FiltroCampo::quitaErrorAlEnfocar(m_certificado->findChild<QWidget*>(QLatin1String(nombre)));
    FiltroCampo::alSalir(EdNombreEmpresa, [this] {
        if (EdNombreEmpresa->text().isEmpty())
            marcaError(EdNombreEmpresa);
        else
            quitaError(EdNombreEmpresa);
    });
    connect(BtAnterior, &QPushButton::clicked, this, &TPaginaNegocio::anterior);
    connect(BtLimpiarCampos, &QPushButton::clicked, this, &TPaginaNegocio::BtLimpiarCamposClick);
    connect(BtConfiguraConexion, &QPushButton::clicked, this, &TPaginaNegocio::BtConfiguraConexionClick);
    connect(BtFinalizar, &QPushButton::clicked, this, &TPaginaNegocio::BtFinalizarClick);
    connect(BtCancelar, &QPushButton::clicked, this, &TPaginaNegocio::cancelada);
    Controles::botonPredeterminado(this, BtFinalizar);
    if (m_modo == TModo::Adicional) {
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
        escape->setContext(Qt::WidgetWithChildrenShortcut);
        connect(escape, &QShortcut::activated, this, &TPaginaNegocio::cancelada);
    }
    // Hosted alone, the form keeps its own keyboard order.
    if (m_modo == TModo::Adicional)
        connect(this, &TPaginaNegocio::tabulacionCambiada, this,
                [this] { Controles::ordenTabulacion(camposTabulacion()); });
    aplicaEstilos();
    // The panel's rows and the page's own read as one form: one label width.
    const int ancho = anchoEtiquetas();
    m_certificado->alineaEtiquetas(ancho);
    for (QLabel* e : findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (e->buddy())
            e->setMinimumWidth(ancho);
}

int TPaginaNegocio::anchoEtiquetas() const
{
    int ancho = 0;
    for (const QLabel* e : findChildren<QLabel*>())
        if (e->buddy())
            ancho = qMax(ancho, e->sizeHint().width());
    return ancho;
}

void TPaginaNegocio::aplicaEstilos()
{
    Utils::cargaImageRS(IMG_BANDERA, ImgBienvenidaSecundario, Sistema::exePath);
    Controles::colorTexto(findChild<QLabel*>(QStringLiteral("TxPaso2")), RS_TEXTOSUBTITULOS);
    Controles::colorTexto(findChild<QLabel*>(QStringLiteral("TxDomicilioFiscal")), RS_TEXTOSECCION);
    Controles::colorTexto(findChild<QLabel*>(QStringLiteral("TxTituloBaseDatos")), RS_TEXTOSECCION);
    const QString hoja = Style::StyleFrm().getButtonFactStyle(Sistema::claveMarca);
    for (QPushButton* b : {BtAnterior, BtFinalizar, BtLimpiarCampos, BtCancelar, BtConfiguraConexion})
        Controles::estiloBoton(b, hoja);
}

void TPaginaNegocio::aplicaMarca()
{
    TxBienvenidaSecundario->setText(m_modo == TModo::PrimeraVez ? textoBienvenida()
                                                                : QStringLiteral("Agregar una empresa"));
    TxInfoExclusiva->setText(QString(INFO_EXCLUSIVA).replace(MARCA_SUST, Sistema::marca));
    TxNumeroPAC->setText(
        QString(INFO_PAC).replace(MARCA_SUST, Sistema::marca).replace(NUMERO_PAC, Sistema::numeroAutorizacionPac));
}

QList<QWidget*> TPaginaNegocio::camposTabulacion() const
{
    QList<QWidget*> orden{EdNombreEmpresa};
    orden << m_certificado->ordenTabulacion() << QList<QWidget*>{EdRFC, EdRazon, CmbRegimenFiscal};
    if (m_direccion)
        orden << m_direccion->camposTabulacion();
    orden << QList<QWidget*>{BtConfiguraConexion, BtAnterior, BtLimpiarCampos, BtCancelar, BtFinalizar};
    return orden;
}

QStringList TPaginaNegocio::camposEscritos() const
{
    QStringList campos;
    for (QWidget* w : camposTabulacion())
        if (const auto* e = qobject_cast<const QLineEdit*>(w); e && e->isModified() && !e->text().isEmpty())
            campos << e->placeholderText();
    return campos;
}

void TPaginaNegocio::enfoca()
{
    EdNombreEmpresa->setFocus();
}

void TPaginaNegocio::inicia()
{
    aplicaMarca();
    EdNombreEmpresa->clear();
    m_certificado->limpia();
    for (QLineEdit* e : {EdRFC, EdRazon})
        e->clear();
    CmbRegimenFiscal->setCurrentIndex(-1);
    quitaMarcas();
    if (!m_direccion) {
        m_direccion = new TDireccionesFrm(TxDireccion);
        m_direccion->setObjectName(QStringLiteral("DireccionesFrm"));
        TxDireccion->layout()->addWidget(m_direccion);
        m_direccion->setAnchoEtiquetas(anchoEtiquetas());
        emit tabulacionCambiada();
    }
    quitaError(m_direccion->getCmbCodigoPostal());
    m_direccion->inicializaDireccion(true);
    inicializaRegimen(QString());
    // A server chosen for the previous business holds that business now: the
    // next one starts on this computer.
    if (ConfiguracionBaseDatosFrm)
        ConfiguracionBaseDatosFrm->reinicia();
    muestraUbicacion();
}

void TPaginaNegocio::BtConfiguraConexionClick()
{
    if (!ConfiguracionBaseDatosFrm)
        return;
    ConfiguracionBaseDatosFrm->exec();
    muestraUbicacion();
}

void TPaginaNegocio::muestraUbicacion()
{
    const NuevoNegocio::TDestino d = destino(QString());
    if (d.motor == DB_SQLITE) {
        TxUbicacionBase->setText(QStringLiteral("Se guardará en este equipo"));
        return;
    }
    TxUbicacionBase->setText(QStringLiteral("Se guardará en el servidor %1, base %2").arg(d.servidor, d.baseDatos));
}

void TPaginaNegocio::inicializaRegimen(const QString& rfc)
{
    CombosCatalogo::inicializaRegimenFiscal(CmbRegimenFiscal, rfc);
}

void TPaginaNegocio::BtLimpiarCamposClick()
{
    m_certificado->limpia();
    for (QLineEdit* e : {EdRFC, EdRazon})
        e->clear();
    inicializaRegimen(QString());
}

void TPaginaNegocio::muestraCertificado(const QMap<QString, QString>& informacion)
{
    const ReglasCaptura::TCertificado leido = ReglasCaptura::datosCertificado(informacion);
    EdRFC->setText(leido.rfc);
    EdRazon->setText(leido.razon);
    inicializaRegimen(EdRFC->text());
}

void TPaginaNegocio::quitaMarcas()
{
    for (QWidget* w : {static_cast<QWidget*>(EdNombreEmpresa), static_cast<QWidget*>(CmbRegimenFiscal)})
        quitaError(w);
    for (auto campo : {TPanelCertificado::TCampo::Certificado, TPanelCertificado::TCampo::Llave,
                       TPanelCertificado::TCampo::Password})
        m_certificado->quitaError(campo);
}

// --- Validation and creation -------------------------------------------------------

bool TPaginaNegocio::isValido()
{
    QComboBox* cmbCodigoPostal = m_direccion ? m_direccion->getCmbCodigoPostal() : nullptr;
    quitaMarcas();
    quitaError(cmbCodigoPostal);

    ReglasCaptura::TCapturaNegocio captura;
    captura.nombre = EdNombreEmpresa->text();
    captura.certificado = m_certificado->certificado();
    captura.llave = m_certificado->llave();
    captura.passwordLlave = m_certificado->password();
    captura.regimenElegido = CmbRegimenFiscal->currentIndex() > 0;
    captura.promptRegimen = CmbRegimenFiscal->count() > 0 ? CmbRegimenFiscal->itemText(0) : REGIMEN_FISCAL;
    captura.conDireccion = cmbCodigoPostal != nullptr;
    if (cmbCodigoPostal) {
        captura.promptCodigoPostal = cmbCodigoPostal->count() > 0 ? cmbCodigoPostal->itemText(0) : CMB_CODIGOPOSTAL;
        captura.codigoPostalElegido = m_direccion->isCodigoPostalElegido();
        captura.codigoPostal = cmbCodigoPostal->currentText();
        captura.estado = m_direccion->getEstado();
    }
    const ReglasCaptura::TFaltas faltas = ReglasCaptura::revisaNegocio(captura);
    if (!faltas.isEmpty()) {
        // The cursor goes to the first field at fault before the marks are
        // painted: a field drops its mark as it takes the focus. A path is
        // chosen with its search button, not typed.
        const QString& primera = faltas.constFirst().campo;
        if (primera == ReglasCaptura::CERTIFICADO)
            m_certificado->enfoca(TPanelCertificado::TCampo::Certificado);
        else if (primera == ReglasCaptura::LLAVE)
            m_certificado->enfoca(TPanelCertificado::TCampo::Llave);
        else if (primera == ReglasCaptura::CODIGO_POSTAL)
            cmbCodigoPostal->setFocus();
        else
            findChild<QWidget*>(primera)->setFocus();
        for (const ReglasCaptura::TFalta& falta : faltas)
            marcaError(falta.campo == ReglasCaptura::CODIGO_POSTAL ? cmbCodigoPostal
                                                                   : findChild<QWidget*>(falta.campo));
        const QString mensaje = ReglasCaptura::textoFaltas(faltas);
        registra(QStringLiteral("Alta de empresa rechazada por la validación: ") + mensaje.trimmed());
        Utils::mensaje(MENSAJE_ERROR + mensaje, MSG_WARNING);
        return false;
    }
    if (!Utils::evaluaRelacionCertificados(m_certificado->certificado().trimmed(), m_certificado->llave().trimmed(),
                                           m_certificado->password())) {
        registra(
            QStringLiteral("Alta de empresa rechazada: el certificado y la llave privada no se aceptaron (RFC \"") +
            EdRFC->text() + QStringLiteral("\")."));
        return false;
    }
    return true;
}

void TPaginaNegocio::llena(NuevoNegocio::TDatos& datos) const
{
    datos.nombreEmpresa = EdNombreEmpresa->text().trimmed();
    datos.certificado = m_certificado->certificado().trimmed();
    datos.llave = m_certificado->llave().trimmed();
    datos.passwordLlave = m_certificado->password();
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
}

TUsuarionegocio TPaginaNegocio::creaNegocio(const NuevoNegocio::TDatos& datos, const QString& email,
                                            const TUsuario* usuario, TConexionSesion& conexion)
{
    return NuevoNegocio::creaNegocio(datos, email, destino(datos.rfc),
                                     Utils::bytesRecurso(DB_SISTEMA_NOMBRE_RESOURCE, Sistema::exePath), logoInicial(),
                                     usuario, conexion);
}

QByteArray TPaginaNegocio::logoInicial()
{
    return Utils::bytesRecurso(IMG_EMPRESA_DEFAULT, Sistema::exePath);
}

void TPaginaNegocio::BtFinalizarClick()
{
    if (!isValido())
        return;
    if (m_modo == TModo::PrimeraVez) {
        emit aceptada();
        return;
    }
    NuevoNegocio::TDatos datos;
    llena(datos);
    try {
        creaNegocioAdicional(datos);
    } catch (const std::exception& e) {
        registra(QStringLiteral("Alta de empresa fallida (RFC \"") + datos.rfc + QStringLiteral("\")."));
        Utils::muestraError(e);
    }
}

void TPaginaNegocio::creaNegocioAdicional(const NuevoNegocio::TDatos& datos)
{
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
    TConexionSesion conexion;
    creaNegocio(datos, usuario->getEmail(), usuario.get(), conexion);
    Utils::mensaje(EMPRESA_EXITO, MSG_INFORMATION);
    emit negocioAgregado();
}
