#pragma once
#include "TVentanasModulo.h"

#include <QMap>
#include <QPointer>
#include <QWidget>

class QLabel;
class TAreaTrabajo;
class TBanner;
class TContenedorTexto;
class TEmpresaBean;
class TListaNegocios;
class TMenuModulos;
class TPanelMenu;
class TPaginaInicio;
class THiloRevisionSellos;
class TPaginaNegocio;

// The main window: the banner, the left panel (business, user, branch,
// series and the modules' menus), the work area where module windows and
// the shell's own pages are shown, and the business list. It wires those
// pieces to each other and to the session: the business switch, the
// new-business page, the modules' commands and the sign-out.
//
// Decisions live in window-free code (Modulos, Despacho, ContextoTrabajo,
// TConfiguracionNegocio, Reinicio, Ingreso).
class TMainFrm : public QWidget {
    Q_OBJECT
    // Built before the members below that refer to its state.
    TAreaTrabajo* m_area;
    TListaNegocios* m_negocios;

public:
    explicit TMainFrm(QWidget* parent = nullptr);
    ~TMainFrm() override;

    // The content shown in the work area now, and its side menu, or null.
    QPointer<QWidget>& VentanaActiva;
    QPointer<QWidget>& VentanaMenuLateralActiva;
    // RFC -> tile of the businesses the list shows.
    const QMap<QString, TEmpresaBean*>& lEmpresas;
    // The window is being closed to sign out: the program starts again.
    bool isWizard = false;

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
    // The new-business page of the wizard, in the work area.
    void TxNuevaEmpresaClick();
    // The start page: the business's figures and the next steps.
    void muestraInicio();
    // The import of a folder of XML into the signed-in session.
    void importaXML();
    // The company editor, in the work area; through the business's logo
    // (ImgLogoEmpresa) it asks for a new logo at once.
    void TxEditarClick(QObject* emisor);

    // --- Module packages
    // Loads the packages not tried yet and shows their menus.
    void cargaModulos();
    // Opens what a component name ("GetVentanaXFrm" or "..._acción") names,
    // as a module's command does: no series is required.
    void OnClickVentanaNombre(const QString& nombre);
    // The module windows made so far, by window routine.
    TVentanasModulo& ventanasModulo() { return m_ventanas; }
    // Gives the shown contents back to their windows.
    void remueveVentanaActiva();
    // Signs the same user in to the business of a tile of the list
    // ("Tx" or "Im" + RFC); a user without an account there stays.
    void cambiaNegocio(const QString& nombre);

signals:
    // The updater was started from ImgUpdate; the program is to end.
    void actualizadorIniciado();

protected:
    void showEvent(QShowEvent* evento) override;
    void closeEvent(QCloseEvent* evento) override;

private:
    void conecta();
    void ordenTabulacion();
    void FormShow();
    void inicializaVersion();
    bool inicializacionNegocio();
    void InicializaNegocio();
    void verificaCartaManifiesto();
    void creaIni();
    // Steps shared by the menu rows and the command channel.
    void abreVentana(const QString& nombre, bool exigeSerie);
    // A module's command through the work area's text.
    void TxVentanaPrincipalClick();
    // The help module's parameters to the voucher windows ("99").
    void entregaAyuda();
    // False when the page shown holds unsaved typing the user keeps.
    bool dejaPagina();
    void hospeda(QWidget* contenido, int altura);
    void editaNegocio(bool conLogo, bool conSeries = false);
    void TxUserEmailClick();
    void TxListaNegociosClick();
    void TxUserClick();
    void terminaAplicacion();
    // The seals of the business's vouchers stored before they were checked on
    // import, checked on a thread while the user works.
    void iniciaRevisionSellos();
    void detieneRevisionSellos();

    TBanner* m_banner;
    TPanelMenu* m_panel;
    TVentanasModulo m_ventanas;
    // The new-business page, made the first time it is asked for.
    QPointer<TPaginaNegocio> m_paginaNegocio;
    TPaginaInicio* m_inicio;
    QPointer<THiloRevisionSellos> m_revision;
    bool m_geometriaLeida = false;
};

extern TMainFrm* MainFrm;
