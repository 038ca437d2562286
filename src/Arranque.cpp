#include "Arranque.h"

#include "Archivos.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/TIngreso.h"
#include "negocio/Utils.h"
#include "admin/TCartaManifiestoFrm.h"
#include "app/TConfiguracionBaseDatosFrm.h"
#include "admin/TEmpresaFrm.h"
#include "import/TImportarXMLFrm.h"
#include "shell/TMainFrm.h"
#include "admin/TPerfilFrm.h"
#include "admin/TSeriesFoliosFrm.h"
#include "app/TSplashFrm.h"
#include "admin/TSucursalesFrm.h"
#include "setup/TWizardFrm.h"
#include "Sistema.h"
#include "shell/TContenedorTexto.h"
#include "shell/THiloResumenInicio.h"
#include "app/Ventanas.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QThreadPool>
#include <QTranslator>

namespace Arranque {

namespace {

void conecta()
{
    QObject::connect(SplashFrm, &TSplashFrm::registroDanado, WizardFrm, &TWizardFrm::avisaRegistroDanado);
    QObject::connect(SplashFrm, &TSplashFrm::registroFaltante, WizardFrm, &TWizardFrm::avisaRegistroFaltante);
    QObject::connect(SplashFrm, &TSplashFrm::registroIlegible, WizardFrm, &TWizardFrm::avisaRegistroIlegible);
    QObject::connect(SplashFrm, &TSplashFrm::terminado, WizardFrm, &TWizardFrm::muestraInicio);
    QObject::connect(WizardFrm, &TWizardFrm::ingresoTerminado, MainFrm, [] {
        MainFrm->actualizaSesion();
        MainFrm->show();
    });
    QObject::connect(WizardFrm, &TWizardFrm::cerradoSinIngreso, WizardFrm, [] { terminaSiEsLaUltima(WizardFrm); });
    QObject::connect(EmpresaFrm, &TEmpresaFrm::negocioModificado, MainFrm, &TMainFrm::muestraNegocio);
    QObject::connect(EmpresaFrm, &TEmpresaFrm::seriesModificadas, MainFrm, &TMainFrm::recargaSeries);
    QObject::connect(EmpresaFrm, &TEmpresaFrm::alturaCambiada, MainFrm,
                     [](int altura) { MainFrm->ajustaAlturaPagina(EmpresaFrm->TxFondo, altura); });
    // A deleted business leaves nothing to work in: back to the wizard, on
    // the business list or, with none left, on the first run.
    QObject::connect(EmpresaFrm, &TEmpresaFrm::empresaEliminada, WizardFrm, [](int empresasActivas) {
        MainFrm->remueveVentanaActiva();
        MainFrm->hide();
        Sistema::freeNegocio();
        Sistema::freeUsuario();
        Sistema::freeConexion();
        Ingreso::olvidaSesion();
        WizardFrm->muestraInicio(empresasActivas);
    });
    QObject::connect(PerfilFrm, &TPerfilFrm::fotoPerfilCambiada, MainFrm, &TMainFrm::actualizaFotoUsuario);
    QObject::connect(PerfilFrm, &TPerfilFrm::alturaCambiada, MainFrm,
                     [](int altura) { MainFrm->ajustaAlturaPagina(PerfilFrm->TxFondo, altura); });
    QObject::connect(PerfilFrm, &TPerfilFrm::cartaManifiestoSolicitada, MainFrm, &TMainFrm::muestraCartaManifiesto);
    QObject::connect(CartaManifiestoFrm, &TCartaManifiestoFrm::nuevaEmpresaSolicitada, MainFrm,
                     &TMainFrm::TxNuevaEmpresaClick);
    QObject::connect(WizardFrm, &TWizardFrm::actualizacionDisponible, MainFrm, &TMainFrm::muestraActualizacion);
    // The updater replaces the program's files: the program ends at once.
    QObject::connect(WizardFrm, &TWizardFrm::actualizadorIniciado, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    QObject::connect(MainFrm, &TMainFrm::actualizadorIniciado, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

template <class T> void libera(T*& ventana)
{
    delete ventana;
    ventana = nullptr;
}

// What earlier versions wrote readable by other accounts (copies of the
// vouchers, business folders, import reports, the settings) is closed once.
// Tens of thousands of copies take a while, so it runs beside the start; a
// folder already closed is not walked again.
void cierraAnteriores(const QString& carpetaPrograma)
{
    QThreadPool::globalInstance()->start([carpetaPrograma] { Utils::cierraDatosAnteriores(carpetaPrograma); });
}

} // namespace

void instalaTraducciones()
{
    static bool instaladas = false;
    if (instaladas || !QCoreApplication::instance())
        return;
    instaladas = true;
    const QLocale espanol(QLocale::Spanish, QLocale::Mexico);
    // Dates and names Qt's own windows show (the file dialog's columns)
    // follow Mexican usage too, whatever the machine is set to.
    QLocale::setDefault(espanol);
    const QString carpeta = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const QString& catalogo : {QStringLiteral("qtbase"), QStringLiteral("qt")}) {
        // Owned by the application, so it lives as long as the texts it gives.
        auto* traductor = new QTranslator(QCoreApplication::instance());
        if (traductor->load(espanol, catalogo, QStringLiteral("_"), carpeta))
            QCoreApplication::installTranslator(traductor);
        else
            delete traductor;
    }
}

void creaVentanas(const QString& carpetaPrograma)
{
    Archivos::soloDueno();
    cierraAnteriores(carpetaPrograma);
    instalaTraducciones();
    SplashFrm = new TSplashFrm(carpetaPrograma);
    BaseDatosLocalFrm = &registroLocal();
    Sistema::rfcsRegistrados = [] { return registroLocal().rfcs(); };
    WizardFrm = new TWizardFrm();
    ConfiguracionBaseDatosFrm = new TConfiguracionBaseDatosFrm();
    ImportarXMLFrm = new TImportarXMLFrm();
    MainFrm = new TMainFrm();
    EmpresaFrm = new TEmpresaFrm();
    PerfilFrm = new TPerfilFrm();
    SeriesFoliosFrm = new TSeriesFoliosFrm();
    SucursalesFrm = new TSucursalesFrm();
    CartaManifiestoFrm = new TCartaManifiestoFrm();
    conecta();
    SplashFrm->show();
}

void destruyeVentanas()
{
    // The splash hands over when it is destroyed; at the end nothing must be
    // handed over any more.
    if (SplashFrm)
        SplashFrm->cancelaSiguiente();
    libera(SplashFrm);
    libera(CartaManifiestoFrm);
    libera(SucursalesFrm);
    libera(SeriesFoliosFrm);
    libera(PerfilFrm);
    libera(EmpresaFrm);
    libera(MainFrm);
    libera(ImportarXMLFrm);
    libera(ConfiguracionBaseDatosFrm);
    libera(WizardFrm);
    // A start page's reading the windows no longer wait for must not outlive
    // the session and the engine that come to an end next.
    THiloResumenInicio::detenTodos();
    // The holder is the logic's own and outlives the windows.
    BaseDatosLocalFrm = nullptr;
}

void terminaSiEsLaUltima(const QWidget* cerrada)
{
    const QWidgetList ventanas = QApplication::topLevelWidgets();
    for (const QWidget* w : ventanas)
        if (w != cerrada && w->isVisible())
            return;
    QCoreApplication::quit();
}

} // namespace Arranque
