#pragma once
#include "Entidades.h"
#include "shell/Modulos.h"
#include "TElementoMenuModulo.h"
#include "TElementoModulo.h"
#include "TMenuModulo.h"

#include <QHash>
#include <QMap>
#include <QPointer>
#include <QWidget>

#include <memory>

class QComboBox;
class QFrame;
class QLabel;
class QScrollArea;
class QVBoxLayout;
class TContenedorTexto;
class TEmpresaBean;
class TEtiquetaAccion;
class TPaginaNegocio;

// The main window: the signed-in business, user, branch and series; the
// menus of the module packages and the work area where module windows and
// the shell's own pages are shown; the business switch, the new-business page
// and the sign-out.
//
// Decisions live in window-free code (Modulos, Despacho, ContextoTrabajo,
// TConfiguracionNegocio, Reinicio, Ingreso); this window wires them to its
// widgets.
class TMainFrm : public QWidget {
    Q_OBJECT
public:
    explicit TMainFrm(QWidget* parent = nullptr);
    ~TMainFrm() override;

    // --- Banner
    QWidget* RcBanner;
    QLabel* ImgLogo;
    QLabel* ImgUpdate;
    TEtiquetaAccion* TxUser;

    // --- Left menu panel
    QWidget* PnlMenu;
    QWidget* RcMenu;
    QWidget* TxEmpresa;
    TEtiquetaAccion* TxNombreEmpresa;
    TEtiquetaAccion* TxListaNegocios;
    TEtiquetaAccion* ImgLogoEmpresa;
    TEtiquetaAccion* TxEditar;
    QLabel* ImgKey;
    QLabel* ImgCSD;
    QLabel* ImgPermisosUsuario;
    QFrame* LnSeparadorEmpresa;
    QWidget* TxUsuario;
    TEtiquetaAccion* ImgLogoUsuario;
    TEtiquetaAccion* TxUserEmail;
    QFrame* LnSeparadorUsuario;
    QWidget* TxSucursalPanel;
    TEtiquetaAccion* TxSucursalLeft;
    QLabel* TxSucursal;
    TEtiquetaAccion* TxSucursalRight;
    QFrame* LnSucursal;
    QWidget* TxSeriesPanel;
    QComboBox* CmbSeries;
    QLabel* TxFolio;
    QFrame* LnSeriesFolios;
    QScrollArea* SbMenuPrincipal;

    // --- Work area
    QWidget* PnlPrincipal;
    QWidget* RcFondoPrincipal;
    QScrollArea* SBPrincipal;
    TContenedorTexto* TxVentanaPrincipal;
    QScrollArea* SBMenuLateral;
    TContenedorTexto* TxMenuLateral;

    // --- Business list popup
    QFrame* PPNegocios;
    QScrollArea* ScEmpresas;
    QWidget* RcFondoEmp;
    QLabel* TxListado;
    QWidget* RcNuevoNegocio;
    TEtiquetaAccion* TxNuevaEmpresa;

    // --- State
    QPointer<QWidget> VentanaActiva;
    QPointer<QWidget> VentanaMenuLateralActiva;
    // The new-business page, made the first time it is asked for.
    QPointer<TPaginaNegocio> m_paginaNegocio;
    // Every package file tried, one per name, for the whole run.
    Modulos::TListaPaquetes lBpl;
    // Window routine name -> its descriptor, made once.
    QHash<QString, QPointer<TElementoModulo>> dVentanas;
    // Label of every header or single entry -> its package's menu group.
    QHash<QString, TMenuModulo*> dElementosExpandibles;
    TListaMenuModulo menuElementos;
    // The window is being closed to sign out: the program starts again.
    bool isWizard = false;
    // RFC -> tile of the businesses the popup lists.
    QMap<QString, TEmpresaBean*> lEmpresas;

    // Reads the session again. The wizard calls it before showing the window
    // after a sign-in, and while it is shown after adding a business, whose
    // page is then taken out of the work area.
    void actualizaSesion();
    // Shows the business's name and logo again (the company editor saved them).
    void muestraNegocio();
    // Reads the current branch's series again (the company editor changed them).
    void recargaSeries();

    // --- Shell pages
    // The letter-of-manifest page of the signed-in business.
    void muestraCartaManifiesto();
    // A hosted page grew or shrank; nothing happens when it is not shown.
    void ajustaAlturaPagina(QWidget* contenido, int altura);
    // The user's picture was stored anew.
    void actualizaFotoUsuario();
    // The update check's verdict: ImgUpdate shows while a newer program is
    // published; clicking it starts the updater after asking.
    void muestraActualizacion(bool disponible);

    // --- Module packages and menus
    void cargaModulos();
    QString convierteModulo(const QString& nombre) const;
    void imprimeMenu(TMenuModulo* menu);
    TMenuModulo* generaElementosMenu(const TListaMenuModulo& elementos, TPaqueteBean& paquete);
    void OnClick(QLabel* encabezado);
    void OnClickVentana(QLabel* etiqueta);
    void OnClickVentanaNombre(const QString& nombre);
    void TxVentanaPrincipalClick();
    void remueveVentanaActiva();
    void limpiaVentanaPrincipalYSubmenu();

    // --- Working context
    // The series combo for the branch, only of that voucher type unless it
    // is empty; selects the type's default series.
    void InicializaSeries(const TSucursal* sucursal, const QString& tipo);
    void actualizaSeries();
    void inicializaNegocios();
    void cambiaNegocio(const QString& nombre);

    // --- Event handlers
    void TxEditarClick(QObject* emisor);
    void TxUserEmailClick();
    void TxListaNegociosClick(QWidget* emisor);
    void TxNuevaEmpresaClick();
    void TxSucursalLeftClick();
    void TxSucursalRightClick();
    void TxUserClick();
    void CmbSeriesChange();
    void OnClickTx(QObject* emisor);
    void OnClickIm(QObject* emisor);

signals:
    // The updater was started from ImgUpdate; the program is to end.
    void actualizadorIniciado();

protected:
    void showEvent(QShowEvent* evento) override;
    void closeEvent(QCloseEvent* evento) override;

private:
    void FormCreate();
    void creaBanner(QVBoxLayout* diseno);
    QWidget* creaPanelMenu();
    QWidget* creaPanelPrincipal();
    void creaPopupNegocios();
    void aplicaEstilos();
    void ordenTabulacion();
    void FormShow();
    void inicializaVersion();
    bool inicializacionNegocio();
    void inicializaPermisosUsuario();
    void InicializaNegocio();
    void verificaCartaManifiesto();
    void inicializaPanelSucursal();
    void creaIni();
    void actualizaContextoModulos();
    void mueveSucursal(int paso);
    std::shared_ptr<TSucursal> sucursalActual() const;
    // Steps shared by the menu rows and the command channel.
    void abreVentana(const QString& nombre, bool exigeSerie);
    // The help module's parameters to the voucher windows ("99").
    void entregaAyuda();
    bool tienePermiso(const QString& codigo) const;
    void wireVentana(QLabel* etiqueta, const TElementoMenuModulo& elemento);
    TElementoModulo* creaVentanaModulo(const QMetaObject& clase, const QMetaMethod& rutina);
    void hospeda(QWidget* contenido, int altura);
    void quitaMenuLateral();
    void muestraMenuLateral(QWidget* submenu);
    void reiniciaAreaTrabajo();
    void terminaAplicacion();

    // What module windows are given: objects that live as long as this
    // window and are refreshed in place when the session changes, so a
    // window made for one business reads the current one.
    TNegocio m_negocioModulos;
    TUsuario m_usuarioModulos;
    TConexionSesion m_conexionModulos;
    TUsuarionegocio m_usuarioNegocioModulos;

    QVBoxLayout* m_menus = nullptr;
    QVBoxLayout* m_listaEmpresas = nullptr;
    std::vector<std::unique_ptr<TMenuModulo>> m_gruposMenu;
    bool m_actualizandoSeries = false;
};

extern TMainFrm* MainFrm;
