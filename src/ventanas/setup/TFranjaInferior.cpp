#include "TFranjaInferior.h"

#include "Conexiones.h"
#include "Constantes.h"
#include "Controles.h"
#include "SelectorArchivos.h"
#include "Sistema.h"
#include "Style.h"
#include "app/TConfiguracionBaseDatosFrm.h"
#include "app/UtilsVentanas.h"
#include "app/Ventanas.h"
#include "import/TImportarXMLFrm.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/TNuevoNegocio.h"
#include "negocio/Utils.h"
#include "setup/TImportarBaseHilo.h"
#include "setup/TRespaldo.h"
#include "shell/TCatalogosHilo.h"
#include "shell/TVerificaUpdate.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <exception>
#include <memory>
#include <utility>

using namespace Constantes;
using Controles::texto;

namespace {

const QString FILTRO_RESPALDO = QStringLiteral("Respaldo (*") + RESPALDO_EXTENSION + QLatin1Char(')');
const QString PROGRESO_CATALOGO = QStringLiteral("Descargando el catálogo del SAT");
const QString PROGRESO_RESPALDO = QStringLiteral("Restaurando el respaldo");
const QString PROGRESO_REGISTRO = QStringLiteral("Reconstruyendo el registro de empresas");

} // namespace

TFranjaInferior::TFranjaInferior(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FranjaInferior"));
    auto* diseno = new QVBoxLayout(this);
    diseno->setContentsMargins(0, 0, 0, 0);
    diseno->setSpacing(0);
    creaPanelProgreso(diseno);
    creaEnlaces(diseno);
    aplicaEstilos();
}

TFranjaInferior::~TFranjaInferior()
{
    // A worker still running would outlive the strip it reports to.
    if (m_catalogo)
        m_catalogo->cancela();
    if (m_verificacion)
        m_verificacion->cancela();
    for (QThread* hilo :
         {static_cast<QThread*>(m_catalogo.data()), static_cast<QThread*>(m_verificacion.data()), m_trabajo.data()})
        if (hilo)
            hilo->wait();
}

void TFranjaInferior::creaPanelProgreso(QVBoxLayout* diseno)
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
    BtCancelarProceso =
        Controles::boton(Text8, QStringLiteral("BtCancelarProceso"), QStringLiteral("Cancelar descarga"));
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

void TFranjaInferior::creaEnlaces(QVBoxLayout* diseno)
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
                          const QString& nombreTx, const QString& contenido, void (TFranjaInferior::*accion)()) {
        img = Controles::imagen(franja, nombreImg, 16);
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
         QStringLiteral("Actualización disponible"), &TFranjaInferior::TxUpdateClick);
    liga(arriba, ImgCatalogo, QStringLiteral("ImgCatalogo"), TXCatalogos, QStringLiteral("TXCatalogos"),
         QStringLiteral("Actualización catálogos"), &TFranjaInferior::TXCatalogosClick);
    liga(arriba, ImgAbrirXML, QStringLiteral("ImgAbrirXML"), TxRestaurarRespaldoXML,
         QStringLiteral("TxRestaurarRespaldoXML"), QStringLiteral("Restaurar desde archivos XML"),
         &TFranjaInferior::ImgAbrirXMLClick);
    arriba->addStretch();
    liga(abajo, ImgAbrirConf, QStringLiteral("ImgAbrirConf"), Text2, QStringLiteral("Text2"),
         QStringLiteral("Restaurar un respaldo…"), &TFranjaInferior::restaurarRespaldo);
    liga(abajo, ImgRestaurarServidor, QStringLiteral("ImgRestaurarServidor"), TxRestaurarServidor,
         QStringLiteral("TxRestaurarServidor"), QStringLiteral("Restaurar en un servidor…"),
         &TFranjaInferior::restaurarEnServidor);
    liga(abajo, ImgBaseDatos, QStringLiteral("ImgBaseDatos"), TxBaseDatos, QStringLiteral("TxBaseDatos"),
         QStringLiteral("Volver a registrar las empresas de esta carpeta"), &TFranjaInferior::ImgBaseDatosClick);
    Text2->setToolTip(QStringLiteral("Restaura una empresa desde un archivo de respaldo (*.respal33)"));
    ImgAbrirConf->setToolTip(Text2->toolTip());
    TxRestaurarServidor->setToolTip(
        QStringLiteral("Restaura una empresa desde un archivo de respaldo en una base de datos vacía de un servidor"));
    ImgRestaurarServidor->setToolTip(TxRestaurarServidor->toolTip());
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

void TFranjaInferior::aplicaEstilos()
{
    const QString& carpeta = Sistema::exePath;
    Utils::cargaImageRS(IMG_ABRIR_CONFIGURACION, ImgAbrirConf, carpeta);
    Utils::cargaImageRS(IMG_BASE_DATOS, ImgRestaurarServidor, carpeta);
    Utils::cargaImageRS(IMG_ABRIR_XML, ImgAbrirXML, carpeta);
    Utils::cargaImageRS(IMG_BASE_DATOS, ImgBaseDatos, carpeta);
    Utils::cargaImageRS(IMG_UPDATE, ImgUpdate, carpeta);
    Utils::cargaImageRS(IMG_UPDATE, ImgCatalogo, carpeta);
    Controles::colorTexto(TxProgreso, RS_TEXTOSECCION);
    for (QLabel* liga : {TxUpdate, TXCatalogos, TxBaseDatos, Text2, TxRestaurarServidor, TxRestaurarRespaldoXML})
        Controles::colorTexto(liga, RS_TEXTOAZUL);
    Controles::estiloBoton(BtCancelarProceso, Style::StyleFrm().getButtonFactStyle(Sistema::claveMarca));
}

QList<QWidget*> TFranjaInferior::camposTabulacion() const
{
    return {BtCancelarProceso, TxUpdate, TXCatalogos, TxRestaurarRespaldoXML, Text2, TxRestaurarServidor, TxBaseDatos};
}

QString TFranjaInferior::trabajoEnCurso() const
{
    return m_trabajo && m_trabajo->isRunning() ? TxProgreso->text() : QString();
}

// --- Program update -------------------------------------------------------------

void TFranjaInferior::iniciaVerificacion()
{
    if (m_verificacion)
        return;
    auto* hilo = new TVerificaUpdate(this);
    connect(hilo, &TVerificaUpdate::terminado, this, &TFranjaInferior::muestraActualizacion);
    connect(hilo, &QThread::finished, hilo, &QObject::deleteLater);
    m_verificacion = hilo;
    hilo->start();
}

void TFranjaInferior::muestraActualizacion(int estado, const QString& ultima, const QStringList& notas)
{
    // Without a readable list the indicators say what they said before.
    if (estado == TVerificaUpdate::SinDatos || estado == TVerificaUpdate::Cancelado)
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

void TFranjaInferior::TxUpdateClick()
{
    if (TVerificaUpdate::iniciaActualizador())
        emit actualizadorIniciado();
}

// --- Long work --------------------------------------------------------------------

void TFranjaInferior::iniciaProceso(const QString& titulo, bool cancelable)
{
    m_ocupado = true;
    TxProgreso->setText(titulo);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    Text11->clear();
    BtCancelarProceso->setVisible(cancelable);
    BtCancelarProceso->setEnabled(cancelable);
    Text8->show();
    for (QLabel* enlace : {TXCatalogos, ImgCatalogo, TxBaseDatos, ImgBaseDatos, Text2, ImgAbrirConf,
                           TxRestaurarServidor, ImgRestaurarServidor, TxRestaurarRespaldoXML, ImgAbrirXML})
        enlace->setEnabled(false);
}

void TFranjaInferior::terminaProceso()
{
    m_ocupado = false;
    Text8->hide();
    for (QLabel* enlace : {TXCatalogos, ImgCatalogo, TxBaseDatos, ImgBaseDatos, Text2, ImgAbrirConf,
                           TxRestaurarServidor, ImgRestaurarServidor, TxRestaurarRespaldoXML, ImgAbrirXML})
        enlace->setEnabled(true);
    emit procesoTerminado();
}

void TFranjaInferior::TXCatalogosClick()
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
    connect(hilo, &TCatalogosHilo::terminado, this, &TFranjaInferior::compararCatalogos);
    connect(hilo, &QThread::finished, hilo, &QObject::deleteLater);
    hilo->start();
    BtCancelarProceso->setFocus();
}

void TFranjaInferior::compararCatalogos(int resultado, const QString& mensaje)
{
    // The catalogue itself was swapped by the thread's own end, on this
    // thread, before this runs.
    Text11->setText(CATALOGO_FINALIZADO);
    terminaProceso();
    const bool bien = resultado == TCatalogosHilo::Instalado || resultado == TCatalogosHilo::SinCambios ||
                      resultado == TCatalogosHilo::Cancelado;
    Utils::mensaje(mensaje, bien ? MSG_INFORMATION : MSG_WARNING);
}

void TFranjaInferior::ImgAbrirXMLClick()
{
    if (!ImportarXMLFrm)
        return;
    ImportarXMLFrm->initDatosXML();
    ImportarXMLFrm->exec();
    emit xmlImportado();
}

void TFranjaInferior::restaurarRespaldo()
{
    if (m_ocupado)
        return;
    const QString archivo = SelectorArchivos::archivo(this, QString(), FILTRO_RESPALDO);
    if (archivo.isEmpty())
        return;
    // The restore may replace this business's database file: connections of
    // this thread to it would go on reading the old one.
    const QString rfc = Respaldo::leeRFCZip(archivo);
    if (!rfc.isEmpty())
        for (const QString& nombre : {DB_SISTEMA_NOMBRE, DB_SISTEMA_NOMBRE_ANTERIOR})
            Conexiones::cierra(TConexionSesion::embebida(Sistema::exePath + DB_PATH + rfc + QLatin1Char('/') + nombre,
                                                         Sistema::exePath));
    ejecutaRestauracion(
        [archivo](const Respaldo::TAviso& aviso) { return int(Respaldo::restaurarRespaldo(archivo, aviso)); });
}

void TFranjaInferior::restaurarEnServidor()
{
    if (m_ocupado || !ConfiguracionBaseDatosFrm)
        return;
    const QString archivo = SelectorArchivos::archivo(this, QString(), FILTRO_RESPALDO);
    if (archivo.isEmpty())
        return;
    ConfiguracionBaseDatosFrm->reinicia();
    if (ConfiguracionBaseDatosFrm->exec() != QDialog::Accepted)
        return;
    const TConexionSesion servidor =
        NuevoNegocio::conexionDestino(ConfiguracionBaseDatosFrm->destino(Respaldo::leeRFCZip(archivo)));
    // The next new business starts on this computer again.
    ConfiguracionBaseDatosFrm->reinicia();
    if (!servidor.enServidor()) {
        // "Local" chosen: the usual restore into this program folder.
        ejecutaRestauracion(
            [archivo](const Respaldo::TAviso& aviso) { return int(Respaldo::restaurarRespaldo(archivo, aviso)); });
        return;
    }
    ejecutaRestauracion([archivo, servidor](const Respaldo::TAviso& aviso) {
        return int(Respaldo::restauraEnServidor(archivo, servidor, aviso));
    });
}

void TFranjaInferior::ejecutaRestauracion(std::function<int(const Respaldo::TAviso&)> restauracion)
{
    iniciaProceso(PROGRESO_RESPALDO, false);
    // The archive's size says nothing of how long it takes: a busy bar,
    // until a step that can tell says how far it went.
    ProgressBar1->setRange(0, 0);
    // Queued to this thread. The strip outlives the worker (its destructor
    // waits for it), and a report still queued when it goes is dropped with it.
    const Respaldo::TAviso aviso = [this](const Respaldo::TAvance& avance) {
        QMetaObject::invokeMethod(
            this, [this, avance] { muestraAvance(avance); }, Qt::QueuedConnection);
    };
    auto resultado = std::make_shared<int>(int(Respaldo::TResultado::Cancelado));
    // What the restore raises is carried to this thread and shown there: on
    // the worker it would end the program.
    auto error = std::make_shared<std::exception_ptr>();
    QThread* hilo = QThread::create([restauracion = std::move(restauracion), aviso, resultado, error] {
        try {
            *resultado = restauracion(aviso);
        } catch (const std::exception&) {
            *error = std::current_exception();
        }
        Conexiones::cierraHilo();
    });
    hilo->setParent(this);
    m_trabajo = hilo;
    connect(hilo, &QThread::finished, this, [this, resultado, error] {
        if (*error)
            Utils::protegido([error] { std::rethrow_exception(*error); });
        terminaRespaldo(*resultado);
    });
    connect(hilo, &QThread::finished, hilo, &QObject::deleteLater);
    hilo->start();
}

void TFranjaInferior::muestraAvance(const Respaldo::TAvance& avance)
{
    if (!m_ocupado)
        return;
    TxProgreso->setText(avance.paso.isEmpty() ? PROGRESO_RESPALDO : avance.paso);
    Text11->setText(avance.cuenta);
    if (avance.milesimas < 0) {
        ProgressBar1->setRange(0, 0);
    } else {
        ProgressBar1->setRange(0, 1000);
        ProgressBar1->setValue(avance.milesimas);
    }
}

void TFranjaInferior::terminaRespaldo(int resultado)
{
    terminaProceso();
    if (resultado == int(Respaldo::TResultado::Restaurado))
        emit registroCambiado();
}

void TFranjaInferior::ImgBaseDatosClick()
{
    if (m_ocupado)
        return;
    Respaldo::TRegistroConservado conservado;
    if (!Respaldo::reiniciaRegistro(&conservado))
        return;
    reconstruyeRegistro();
    m_conservado = conservado;
}

void TFranjaInferior::reconstruyeRegistro()
{
    // Started after the start-up set a damaged registry aside, it kept nothing.
    m_conservado = {};
    iniciaProceso(PROGRESO_REGISTRO, false);
    auto* hilo = new TImportarBaseHilo(this);
    m_trabajo = hilo;
    connect(hilo, &TImportarBaseHilo::avance, this, [this](int hechas, int total) {
        ProgressBar1->setRange(0, qMax(total, 1));
        ProgressBar1->setValue(hechas);
        Text11->setText(QStringLiteral("%1 de %2").arg(hechas).arg(total));
    });
    connect(hilo, &TImportarBaseHilo::terminado, this, &TFranjaInferior::terminaReconstruccion);
    connect(hilo, &QThread::finished, hilo, &QObject::deleteLater);
    hilo->start();
}

void TFranjaInferior::terminaReconstruccion(const QStringList& registradas, const QStringList& omitidas)
{
    terminaProceso();
    const Respaldo::TRegistroConservado conservado = std::exchange(m_conservado, {});
    const bool completo = (!registradas.isEmpty() || !conservado.servidores.isEmpty()) && omitidas.isEmpty() &&
                          conservado.anterior.isEmpty();
    Utils::mensaje(Respaldo::informeReconstruccion(registradas, omitidas, conservado),
                   completo ? MSG_INFORMATION : MSG_WARNING);
    emit registroCambiado();
}
