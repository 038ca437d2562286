#include "TEmpresaFrm.h"

#include "Conexiones.h"
#include "Constantes.h"
#include "Controles.h"
#include "Prompter.h"
#include "SelectorArchivos.h"
#include "Sistema.h"
#include "Style.h"
#include "TSeccionCertificado.h"
#include "TSeccionFiscal.h"
#include "TSeccionLogo.h"
#include "TSeccionNombre.h"
#include "TSeccionSeries.h"
#include "TSeccionSucursales.h"
#include "TSeccionUsuarios.h"
#include "app/UtilsVentanas.h"
#include "negocio/TArchivoZip.h"
#include "negocio/Utils.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGridLayout>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include <atomic>
#include <exception>
#include <memory>

using namespace Constantes;

TEmpresaFrm::TEmpresaFrm(QWidget* parent) : QWidget(parent)
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
    creaTitulo();
    creaSecciones();
    dFondo->addStretch();
    aplicaEstilos();
    ordenTabulacion();
    inicializaPaneles();
}

void TEmpresaFrm::creaTitulo()
{
    auto* titulo = new QWidget(TxFondo);
    titulo->setObjectName(QStringLiteral("TxTitulo"));
    auto* d = new QGridLayout(titulo);
    d->setContentsMargins(0, 0, 0, 8);
    ImgLapiz = Controles::imagen(titulo, QStringLiteral("ImgLapiz"), 32);
    d->addWidget(ImgLapiz, 0, 0, 2, 1);
    QLabel* texto =
        Controles::texto(titulo, QStringLiteral("TxTituloEmpresa"), QStringLiteral("Configura tu Cuenta de Negocio"));
    QFont grande = texto->font();
    grande.setPointSizeF(grande.pointSizeF() * 1.4);
    grande.setBold(true);
    texto->setFont(grande);
    Controles::colorTexto(texto, RS_TEXTOSUBTITULOS);
    d->addWidget(texto, 0, 1);
    d->addWidget(Controles::texto(titulo, QStringLiteral("TxSubtituloEmpresa"),
                                  QStringLiteral("Edita la información de tu Negocio y Sucursal.")),
                 1, 1);
    d->setColumnStretch(1, 1);
    ImgBoteBasura = Controles::imagen(titulo, QStringLiteral("ImgBoteBasura"), 32);
    ImgBoteBasura->setToolTip(QStringLiteral("Eliminar la empresa"));
    ImgBoteBasura->setAccessibleName(QStringLiteral("Eliminar la empresa"));
    Controles::alClic(ImgBoteBasura, [this] { ImgBoteBasuraClick(); });
    d->addWidget(ImgBoteBasura, 0, 2, 2, 1, Qt::AlignRight | Qt::AlignTop);
    TxFondo->layout()->addWidget(titulo);
    Utils::cargaImageRS(IMG_LAPIZ, ImgLapiz, Sistema::exePath);
    Utils::cargaImageRS(IMG_BOTE, ImgBoteBasura, Sistema::exePath);
    if (ImgBoteBasura->pixmap().isNull())
        ImgBoteBasura->setText(QStringLiteral("🗑"));
}

void TEmpresaFrm::creaSecciones()
{
    m_nombre = new TSeccionNombre(TxFondo);
    m_fiscal = new TSeccionFiscal(TxFondo);
    auto* certificado = new TSeccionCertificado(TxFondo, m_fiscal);
    m_logo = new TSeccionLogo(TxFondo);
    m_series = new TSeccionSeries(TxFondo);
    auto* sucursales = new TSeccionSucursales(TxFondo);
    m_usuarios = new TSeccionUsuarios(TxFondo);
    m_secciones = {m_nombre, certificado, m_fiscal, m_logo, m_series, sucursales, m_usuarios};
    for (TSeccionEmpresa* seccion : std::as_const(m_secciones)) {
        TxFondo->layout()->addWidget(seccion);
        connect(seccion, &TSeccionEmpresa::tituloPulsado, this, [this, seccion] { alterna(seccion); });
    }
    connect(m_nombre, &TSeccionNombre::negocioModificado, this, &TEmpresaFrm::negocioModificado);
    connect(m_logo, &TSeccionLogo::negocioModificado, this, &TEmpresaFrm::negocioModificado);
    connect(m_series, &TSeccionSeries::seriesModificadas, this, &TEmpresaFrm::seriesModificadas);
    connect(sucursales, &TSeccionSucursales::seriesModificadas, this, &TEmpresaFrm::seriesModificadas);
    connect(sucursales, &TSeccionSucursales::sucursalesReleidas, this,
            [this] { TSeccionEmpresa::guarda([this] { m_fiscal->muestraMatriz(); }); });
}

void TEmpresaFrm::aplicaEstilos()
{
    const QString hoja = Style::StyleFrm().getButtonFactStyle(Sistema::claveMarca);
    // The small clear buttons of the certificate rows keep the plain look.
    for (QPushButton* b : TxFondo->findChildren<QPushButton*>())
        if (b->objectName() != QStringLiteral("ClearEditButton1") &&
            b->objectName() != QStringLiteral("ClearEditButton2"))
            Controles::estiloBoton(b, hoja);
}

void TEmpresaFrm::ordenTabulacion()
{
    QList<QWidget*> orden{ImgBoteBasura};
    for (TSeccionEmpresa* seccion : std::as_const(m_secciones))
        orden << seccion->titulo() << seccion->ordenTabulacion();
    Controles::ordenTabulacion(orden);
    // No focus proxy on the background: Tab from the main window reaches the
    // background before the bin and would jump to the proxy, leaving the bin
    // out of the keyboard's way.
}

void TEmpresaFrm::enfoca()
{
    m_secciones.constFirst()->titulo()->setFocus(Qt::OtherFocusReason);
}

// --- Accordion -----------------------------------------------------------------------------

void TEmpresaFrm::inicializaPaneles()
{
    for (TSeccionEmpresa* seccion : std::as_const(m_secciones))
        seccion->muestraContenido(false);
    actualizaAltura();
}

void TEmpresaFrm::alterna(TSeccionEmpresa* seccion)
{
    if (seccion->abierta())
        inicializaPaneles();
    else
        abre(seccion);
}

void TEmpresaFrm::abre(TSeccionEmpresa* seccion)
{
    if (!dejaCambios())
        return;
    inicializaPaneles();
    TSeccionEmpresa::guarda([seccion] {
        EdicionEmpresa::recargaNegocio();
        seccion->carga();
        seccion->enfoca();
    });
    seccion->muestraContenido(true);
    actualizaAltura();
}

bool TEmpresaFrm::dejaCambios()
{
    QStringList campos;
    QList<TSeccionEmpresa*> cambiadas;
    for (TSeccionEmpresa* seccion : std::as_const(m_secciones)) {
        const QStringList propios = seccion->cambiosSinGuardar();
        if (!propios.isEmpty()) {
            campos << propios;
            cambiadas << seccion;
        }
    }
    if (cambiadas.isEmpty())
        return true;
    if (!TSeccionEmpresa::descartaCambios(campos))
        return false;
    // A closed section keeps its fields: typing thrown away must not show,
    // nor be asked about again, when it opens.
    TSeccionEmpresa::guarda([&cambiadas] {
        EdicionEmpresa::recargaNegocio();
        for (TSeccionEmpresa* seccion : std::as_const(cambiadas))
            seccion->carga();
    });
    return true;
}

void TEmpresaFrm::actualizaAltura()
{
    const int altura = getHeight();
    TxFondo->setFixedHeight(altura);
    emit alturaCambiada(altura);
}

int TEmpresaFrm::getHeight()
{
    TxFondo->layout()->activate();
    return TxFondo->layout()->sizeHint().height();
}

// --- Loading -------------------------------------------------------------------------------

void TEmpresaFrm::inicializa()
{
    TSeccionEmpresa::guarda([this] {
        if (Sistema::Negocio)
            EdicionEmpresa::recargaNegocio();
        // Series and users are read when their section opens.
        for (TSeccionEmpresa* seccion : std::as_const(m_secciones))
            if (seccion != m_series && seccion != m_usuarios)
                seccion->carga();
    });
    inicializaPaneles();
}

void TEmpresaFrm::inicializaLogoNegocio()
{
    abre(m_logo);
}

void TEmpresaFrm::inicializaNombreEmpresa()
{
    abre(m_nombre);
}

void TEmpresaFrm::inicializaSeries()
{
    abre(m_series);
}

const QList<EdicionEmpresa::TFilaSerie>& TEmpresaFrm::filasSeries() const
{
    return m_series->filas();
}

const QList<UsuariosNegocio::TFilaUsuario>& TEmpresaFrm::filasUsuarios() const
{
    return m_usuarios->filas();
}

QString TEmpresaFrm::imagenElegida() const
{
    return m_logo->imagenElegida();
}

// --- Deleting the business -----------------------------------------------------------------

void TEmpresaFrm::ImgBoteBasuraClick()
{
    if (m_ocupado)
        return;
    // Deleting the business takes it from every user: only who administers
    // the users may.
    if (!Sistema::getPermiso(CODIGO_PERMISOS)) {
        Utils::mensaje(ERROR_PERMISOS, MSG_WARNING);
        return;
    }
    // The business is named, its vouchers counted and a backup offered
    // before anything happens; the deletion itself waits for its RFC typed,
    // so no stray Enter deletes a business.
    EdicionEmpresa::TDatosEliminacion datos;
    EdicionEmpresa::TEmpresaSesion empresa;
    if (!Utils::protegido(
            [&] {
                datos = EdicionEmpresa::datosEliminacion();
                empresa = EdicionEmpresa::empresaSesion();
            },
            TSeccionEmpresa::SIN_GUARDAR))
        return;
    if (Utils::mensajeConfirmacion(
            QStringLiteral("Antes de eliminar la empresa \"%1\", ¿deseas guardar un respaldo que pueda restaurar "
                           "después?\n\nAceptar: elegir la carpeta del respaldo.\nCancelar: seguir sin respaldo.")
                .arg(datos.nombre)) == TPrompter::OK &&
        !guardaRespaldo(empresa))
        return;
    if (Utils::mensajeConfirmacionEscrita(EdicionEmpresa::avisoEliminacion(datos), datos.rfc) != TPrompter::OK)
        return;
    eliminaEmpresa(empresa);
}

bool TEmpresaFrm::guardaRespaldo(const EdicionEmpresa::TEmpresaSesion& empresa)
{
    const QString carpeta = SelectorArchivos::carpeta(this, QStringLiteral("Carpeta para el respaldo de la empresa"));
    if (carpeta.isEmpty())
        return false;
    QString archivo;
    if (!enSegundoPlano(QStringLiteral("Respaldo de la empresa"), [&](const EdicionEmpresa::TAviso& aviso) {
            archivo = EdicionEmpresa::guardaRespaldo(carpeta, empresa, aviso);
        }))
        return false;
    Utils::mensaje(QStringLiteral("El respaldo de la empresa quedó en:\n%1").arg(archivo));
    return true;
}

void TEmpresaFrm::eliminaEmpresa(const EdicionEmpresa::TEmpresaSesion& empresa)
{
    EdicionEmpresa::TEliminacion eliminacion;
    if (!enSegundoPlano(QStringLiteral("Eliminar la empresa"), [&](const EdicionEmpresa::TAviso& aviso) {
            eliminacion = EdicionEmpresa::elimina(empresa, aviso);
        }))
        return;
    if (!eliminacion.archivado)
        Utils::mensaje(QStringLiteral("La empresa se eliminó, pero no se pudo guardar su copia; su base de datos sigue "
                                      "en su carpeta. %1")
                           .arg(eliminacion.falloCopia));
    inicializaPaneles();
    close();
    emit empresaEliminada(eliminacion.empresasActivas);
}

namespace {

// Escape and the close button ask to cancel as the button does: the dialog
// stays until the work has stopped, so the editor is never left open to a
// second action on a business still being archived.
class TDialogoAvance : public QProgressDialog {
public:
    using QProgressDialog::QProgressDialog;
    void reject() override { emit canceled(); }

protected:
    void closeEvent(QCloseEvent* evento) override
    {
        evento->ignore();
        emit canceled();
    }
};

} // namespace

bool TEmpresaFrm::enSegundoPlano(const QString& titulo,
                                 const std::function<void(const EdicionEmpresa::TAviso&)>& trabajo)
{
    m_ocupado = true;
    TxFondo->setEnabled(false);
    TDialogoAvance dialogo(TxFondo->window());
    dialogo.setObjectName(QStringLiteral("DlgAvanceEmpresa"));
    dialogo.setWindowTitle(titulo);
    dialogo.setWindowModality(Qt::ApplicationModal);
    dialogo.setLabelText(QStringLiteral("Preparando…"));
    auto* cancelar = new QPushButton(QStringLiteral("Cancelar"), &dialogo);
    cancelar->setObjectName(QStringLiteral("BtCancelarAvance"));
    dialogo.setCancelButton(cancelar);
    dialogo.setRange(0, 0);
    dialogo.setAutoClose(false);
    dialogo.setAutoReset(false);
    dialogo.setMinimumDuration(0);
    // QProgressDialog hides itself on a cancel, through a connection it
    // makes by name: here the work decides when it has stopped.
    disconnect(&dialogo, SIGNAL(canceled()), &dialogo, SLOT(cancel()));
    auto detener = std::make_shared<std::atomic_bool>(false);
    connect(&dialogo, &QProgressDialog::canceled, &dialogo, [&dialogo, cancelar, detener] {
        if (!cancelar->isEnabled())
            return;
        *detener = true;
        cancelar->setEnabled(false);
        dialogo.setLabelText(QStringLiteral("Cancelando…"));
    });
    const EdicionEmpresa::TAviso aviso = [&dialogo, cancelar, detener](const EdicionEmpresa::TAvance& avance) {
        QMetaObject::invokeMethod(
            &dialogo,
            [&dialogo, cancelar, detener, avance] {
                if (!*detener)
                    dialogo.setLabelText(avance.paso);
                cancelar->setEnabled(avance.cancelable && !*detener);
                if (avance.milesimas < 0) {
                    dialogo.setRange(0, 0);
                } else {
                    dialogo.setRange(0, 1000);
                    dialogo.setValue(avance.milesimas);
                }
            },
            Qt::QueuedConnection);
        return !*detener;
    };
    // What the work raises is carried to this thread and shown here: on the
    // worker it would end the program.
    auto error = std::make_shared<std::exception_ptr>();
    // This thread's connection is closed, so the archived database file holds
    // every page it committed.
    if (Sistema::Conexion)
        Conexiones::cierra(*Sistema::Conexion);
    QThread* hilo = QThread::create([&trabajo, aviso, error] {
        try {
            trabajo(aviso);
        } catch (...) {
            *error = std::current_exception();
        }
        Conexiones::cierraHilo();
    });
    QEventLoop espera;
    connect(hilo, &QThread::finished, &espera, &QEventLoop::quit);
    dialogo.show();
    hilo->start();
    espera.exec();
    hilo->wait();
    delete hilo;
    dialogo.hide();
    TxFondo->setEnabled(true);
    m_ocupado = false;
    if (!*error)
        return true;
    try {
        std::rethrow_exception(*error);
    } catch (const EArchivoCancelado& e) {
        Utils::mensaje(e.mensaje(), MSG_INFORMATION);
    } catch (const std::exception& e) {
        Utils::muestraError(e, TSeccionEmpresa::SIN_GUARDAR);
    } catch (...) {
        Utils::mensaje(TSeccionEmpresa::SIN_GUARDAR, MSG_ERROR);
    }
    return false;
}
