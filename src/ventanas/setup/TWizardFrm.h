#pragma once
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/TNuevoNegocio.h"

#include <QStringList>
#include <QWidget>

#include <optional>

class QLabel;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;
class TFranjaInferior;
class TPaginaIngreso;
class TPaginaNegocio;
class TPaginaPerfil;
class TPaginaRecuperacion;

// The set-up wizard: the first window after the splash. It holds the page
// flow only; each page is a class of its own. Its pages are moved by code
// (no tabs are shown): 0 first-run profile (TPaginaPerfil), 1 first-run
// business (TPaginaNegocio), 2 database configuration, 3 sign-in to a
// registered business (TPaginaIngreso), 4 password recovery
// (TPaginaRecuperacion); the bottom strip (TFranjaInferior) shows on every
// page. Creating a business is NuevoNegocio's work and signing in Ingreso's;
// the wizard makes a business created on the first run the session's.
//
// It knows no other window: closing it announces whether it ends with a
// sign-in or a first-run creation (nextStep set: ingresoTerminado) or
// without one (cerradoSinIngreso), and the start-up decides what follows.
class TWizardFrm : public QWidget {
    Q_OBJECT
public:
    explicit TWizardFrm(QWidget* parent = nullptr);

    // Rebuilds the tiles of the registered businesses; with none, goes to the
    // first-run page.
    void initEmpresas();
    // Prepares the first-run path (pages 0 and 1, create the first business).
    void initNuevaEmpresa();

    // The tiles currently shown (their RFCs, in order).
    const QStringList& listaEmpresas() const;
    // What pages 0 and 1 hold, as the creation takes it.
    NuevoNegocio::TDatos datosCaptura() const;
    // Whether a download, restore or rebuild is running.
    bool ocupado() const;

    bool nextStep = false;

signals:
    // Closed after a sign-in or after the first business was created; the
    // session holds the business.
    void ingresoTerminado();
    // Closed any other way.
    void cerradoSinIngreso();
    // The update check's verdict, for the main window's indicator.
    void actualizacionDisponible(bool disponible);
    // The updater was started; the program is to end so it can replace it.
    void actualizadorIniciado();
    // A long piece of work (download, restore, rebuild) ended.
    void procesoTerminado();

public slots:
    // The page the start calls for: with active businesses the list to sign
    // in to (page 3), otherwise the first run (page 0); then shows the
    // wizard. An error preparing the page is logged, the wizard shown anyway.
    void muestraInicio(int empresasActivas);
    // The start found the registry unreadable and kept it as `apartado`; the
    // user is told once the wizard shows (ofreceReconstruccion).
    void avisaRegistroDanado(const QString& apartado);
    // The start found no registry beside businesses' databases and wrote a
    // new one; the user is told and offered the rebuild as for a damaged one.
    void avisaRegistroFaltante();
    // The start could not read the registry (another program holds it, or
    // the user may not read it): the wizard opens on the sign-in page, never
    // on the first run, and says why.
    void avisaRegistroIlegible(TBaseDatosLocalFrm::TEstadoRegistro estado);
    // Tells the user that the registry was damaged and set aside, or missing,
    // and that the businesses' data stay in their folders, and offers to
    // register again the businesses of those folders (the rebuild, on its
    // worker thread); or why it could not be read.
    void ofreceReconstruccion();

public:
    static const QString AVISO_REGISTRO_FALTANTE;
    static const QString AVISO_REGISTRO_OCUPADO;
    static const QString AVISO_REGISTRO_SIN_PERMISO;

protected:
    void closeEvent(QCloseEvent* evento) override;
    // Each showing checks for a program update.
    void showEvent(QShowEvent* evento) override;

private:
    void creaBanner(QVBoxLayout* diseno);
    QWidget* creaPaginaNegocio();
    QWidget* creaPaginaConfiguracion();
    void conecta();
    void setUpTabOrder();
    void aplicaMarcas();
    void muestraPagina(int indice);
    // After the registry changed: the sign-in page, or the first run.
    void muestraPaginaInicial();
    // After the XML import: the sign-in page when a business is registered,
    // otherwise the first run.
    void muestraTrasImportacion();
    void alIngresar(bool correcto);
    void vuelveAlIngreso();
    // The first run's business, made the session's; the wizard closes.
    void creaNegocioNuevo();
    // Opens the window that adds a business kept on a database server; one
    // added shows on the sign-in page, chosen, with the e-mail used there.
    void conectaServidor();

    QStackedWidget* TabControl1;
    QLabel* Logo;
    QLabel* ImgTitularSistema;
    QPushButton* CornerButton17;
    QPushButton* CornerButton7;
    TPaginaPerfil* m_perfil;
    TPaginaNegocio* m_negocio;
    TPaginaIngreso* m_ingreso;
    TPaginaRecuperacion* m_recuperacion;
    TFranjaInferior* m_franja;
    QString m_registroApartado;
    bool m_registroFaltante = false;
    std::optional<TBaseDatosLocalFrm::TEstadoRegistro> m_registroIlegible;
};
