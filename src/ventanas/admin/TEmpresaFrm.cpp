#include "TEmpresaFrm.h"

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
#include "negocio/Utils.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

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
    if (!Utils::protegido([&] { datos = EdicionEmpresa::datosEliminacion(); }, TSeccionEmpresa::SIN_GUARDAR))
        return;
    if (Utils::mensajeConfirmacion(
            QStringLiteral("Antes de eliminar la empresa \"%1\", ¿deseas guardar un respaldo que pueda restaurar "
                           "después?\n\nAceptar: elegir la carpeta del respaldo.\nCancelar: seguir sin respaldo.")
                .arg(datos.nombre)) == TPrompter::OK &&
        !guardaRespaldo())
        return;
    if (Utils::mensajeConfirmacionEscrita(EdicionEmpresa::avisoEliminacion(datos), datos.rfc) != TPrompter::OK)
        return;
    eliminaEmpresa();
}

bool TEmpresaFrm::guardaRespaldo()
{
    const QString carpeta = SelectorArchivos::carpeta(this, QStringLiteral("Carpeta para el respaldo de la empresa"));
    if (carpeta.isEmpty())
        return false;
    QString archivo;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool hecho =
        Utils::protegido([&] { archivo = EdicionEmpresa::guardaRespaldo(carpeta); }, TSeccionEmpresa::SIN_GUARDAR);
    QApplication::restoreOverrideCursor();
    if (hecho)
        Utils::mensaje(QStringLiteral("El respaldo de la empresa quedó en:\n%1").arg(archivo));
    return hecho;
}

void TEmpresaFrm::eliminaEmpresa()
{
    EdicionEmpresa::TEliminacion eliminacion;
    // Archiving a business folder with many vouchers takes a while.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        eliminacion = EdicionEmpresa::elimina();
    } catch (const std::exception& e) {
        QApplication::restoreOverrideCursor();
        Utils::muestraError(e, TSeccionEmpresa::SIN_GUARDAR);
        return;
    }
    QApplication::restoreOverrideCursor();
    if (!eliminacion.archivado)
        Utils::mensaje(QStringLiteral("No se pudo guardar el archivo de la empresa (%1); su carpeta sigue en el disco.")
                           .arg(eliminacion.archivo),
                       MSG_WARNING);
    inicializaPaneles();
    close();
    emit empresaEliminada(eliminacion.empresasActivas);
}
