#pragma once
#include "Entidades.h"

#include <QWidget>

#include <memory>

class QComboBox;
class QFrame;
class QLabel;
class TEtiquetaAccion;
class TMenuModulos;

// The main window's left panel (PnlMenu): the signed-in business and user,
// the branch and its series with the current folio, and the modules' menus.
class TPanelMenu : public QWidget {
    Q_OBJECT
public:
    explicit TPanelMenu(QWidget* parent = nullptr);

    TMenuModulos* menus() const { return SbMenuPrincipal; }
    // The branch's label, which module windows receive.
    QLabel* sucursal() const { return TxSucursal; }
    // Where the business list opens.
    QWidget* anclaNegocios() const;
    // Top to bottom, the modules' menus in their order.
    QList<QWidget*> ordenTabulacion() const;

    // The business's name and logo and the user's e-mail.
    void muestraNegocio();
    // The user's picture and whether they administer the business.
    void muestraPermisos();
    // The session's default branch and its series.
    void inicializaSucursal();
    // The branch's name and the series combo for it, only of that voucher
    // type unless it is empty; selects the type's default series.
    void inicializaSeries(const TSucursal* sucursal, const QString& tipo);
    // The chosen series becomes its type's default; its folio shows.
    void actualizaSeries();
    // Whether a series with a name is chosen.
    bool haySerie() const;
    // The branch shown now, or null.
    static std::shared_ptr<TSucursal> sucursalActual();

signals:
    // The company editor was asked for; `conLogo` when through the logo.
    void edicionSolicitada(bool conLogo);
    void perfilSolicitado();
    void listaNegociosSolicitada();
    void cartaManifiestoSolicitada();
    // The shell's own pages and tools.
    void inicioSolicitado();
    void importacionSolicitada();
    void correoSolicitado();

private:
    QWidget* creaEmpresa();
    QWidget* creaUsuario();
    QWidget* creaAcciones();
    QWidget* creaSucursal();
    QWidget* creaSeries();
    void aplicaEstilos();
    void mueveSucursal(int paso);

    QWidget* RcMenu;
    TEtiquetaAccion* TxInicio;
    TEtiquetaAccion* TxImportarXML;
    TEtiquetaAccion* TxConfigurarCorreo;
    QWidget* TxEmpresa;
    TEtiquetaAccion* TxNombreEmpresa;
    TEtiquetaAccion* TxListaNegocios;
    TEtiquetaAccion* ImgLogoEmpresa;
    TEtiquetaAccion* TxEditar;
    QLabel* ImgKey;
    QLabel* ImgCSD;
    QLabel* ImgPermisosUsuario;
    QWidget* TxUsuario;
    TEtiquetaAccion* ImgLogoUsuario;
    TEtiquetaAccion* TxUserEmail;
    QWidget* TxSucursalPanel;
    TEtiquetaAccion* TxSucursalLeft;
    QLabel* TxSucursal;
    TEtiquetaAccion* TxSucursalRight;
    QWidget* TxSeriesPanel;
    QComboBox* CmbSeries;
    QLabel* TxFolio;
    TMenuModulos* SbMenuPrincipal;
    bool m_actualizandoSeries = false;
};
