#pragma once
#include "admin/TEdicionEmpresa.h"
#include "admin/TUsuariosNegocio.h"

#include <QList>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TDireccionesFrm;

// The company editor: one long page of seven sections that open like an
// accordion (name, certificate, fiscal data, image, series, branches,
// users), hosted in the main window through its content holder TxFondo.
// It only gathers what is typed and shows messages: the work is
// EdicionEmpresa's and UsuariosNegocio's. Opening a section reads it again
// from the database, so what another user saved meanwhile shows.
//
// It knows no other window but its two sub-windows: what changes for the
// main window is announced with signals, and so is the deletion of the
// business, after which the start-up hands over to the wizard.
class TEmpresaFrm : public QWidget {
    Q_OBJECT
public:
    explicit TEmpresaFrm(QWidget* parent = nullptr);

    // File choosers (certificate, key, image): the parent and the filter;
    // the chosen path or an empty text. Tests replace it.
    static std::function<QString(QWidget*, const QString&)> seleccionaArchivo;
    // Whether Shift and Control are both held (the series grid's edit
    // gesture). Tests replace it.
    static std::function<bool()> shiftYControl;

    QWidget* TxFondo;
    QWidget* TxTitulo;
    QLabel* ImgLapiz;
    QLabel* ImgBoteBasura;

    // The seven sections, in page order; each has its title label.
    QWidget* TxTopNombreNegocio;
    QWidget* TxTopCSD;
    QWidget* TxTopDatosFiscales;
    QWidget* TxTopLogoNegocio;
    QWidget* TxTopSeriesFolios;
    QWidget* TxTopSucursales;
    QWidget* TxUsuarios;
    QLabel* TxNombreNegocioTitulo;
    QLabel* TxTopCSDTiuloLeyenda;
    QLabel* TxTopDatosFiscalesTituloLeyenda;
    QLabel* TxTopLogoNegocioTituloLeyenda;
    QLabel* TxTopSeriesFoliosTituloLeyenda;
    QLabel* TxTopSucursalesTituloLeyenda;
    QLabel* TxUsuariosTituloLeyenda;

    QLineEdit* EdNombreNegocio;
    QPushButton* BtGuardar;

    QLineEdit* EdCSD;
    QPushButton* SearchEditButton2;
    QPushButton* ClearEditButton1;
    QLineEdit* EdKey;
    QPushButton* SearchEditButton1;
    QPushButton* ClearEditButton2;
    QLineEdit* EdCSDPass;
    QLabel* TxCaducidadCSD;
    QLabel* TxNoSerieCSDLeyenda;
    QLabel* TxNoSerieCSD;
    QPushButton* BtLimpiarCampos;
    QPushButton* BtGuardarCSD;

    QLineEdit* EdRFC;
    QLineEdit* EdRazon;
    QComboBox* CmbRegimenFiscal;
    TDireccionesFrm* DireccionMatriz;
    QPushButton* BtGuardarIF;

    QLabel* ImgLogoNegocio;
    QPushButton* BtPerfil;
    QPushButton* BtGuardarNegocio;
    QCheckBox* ChkLogo;

    QTableWidget* GrSeriesFolios;
    QPushButton* BtGuardarSeriesFolios;

    QComboBox* CmbSucursales;
    QLineEdit* EdNombreSucursal;
    TDireccionesFrm* DireccionSucursal;
    QPushButton* BtGuardarSucursal;
    QPushButton* BtAgregar;

    QTableWidget* GrPermisos;
    QWidget* TxUsuarioContenedor;
    QLineEdit* EdEmail;
    QLineEdit* EdNombre;
    QLineEdit* EdApellidoPaterno;
    QLineEdit* EdApellidoMaterno;
    QLineEdit* EdPassword;
    QLineEdit* EdRepitePassword;
    QCheckBox* ChBridgeTxt;
    QCheckBox* ChReportes;
    QCheckBox* ChProductos;
    QCheckBox* ChNomina;
    QCheckBox* ChFacturacion;
    QCheckBox* ChClientes;
    QCheckBox* ChRespaldos;
    QCheckBox* ChPermisos;
    QPushButton* BtGuardarUsuario;
    QPushButton* BtCancelar;
    QPushButton* BtAgregarUsuario;
    QPushButton* BtEditarUsuario;

    // Path of the picture last chosen with BtPerfil.
    QString nombreArchivo;

    // Reads the signed-in business again and closes every section.
    void inicializa();
    // The same, with the image (or name) section open.
    void inicializaLogoNegocio();
    void inicializaNombreEmpresa();
    void inicializaPaneles();
    // The page height: title, the seven sections and a margin; the holder
    // takes it.
    int getHeight();

    // The series rows and users rows shown (the grids' data).
    const QList<EdicionEmpresa::TFilaSerie>& filasSeries() const { return A; }
    const QList<UsuariosNegocio::TFilaUsuario>& filasUsuarios() const { return B; }

signals:
    // The business's name or logo changed.
    void negocioModificado();
    // The business's series or branches changed.
    void seriesModificadas();
    // The business was deleted; the registry still lists that many.
    void empresaEliminada(int empresasActivas);
    // A section opened or closed: the page is now this tall.
    void alturaCambiada(int altura);

public slots:
    void TxNombreNegocioTituloClick();
    void TxTopCSDTiuloLeyendaClick();
    void TxTopDatosFiscalesTituloLeyendaClick();
    void TxTopLogoNegocioTituloLeyendaClick();
    void TxTopSeriesFoliosTituloLeyendaClick();
    void TxTopSucursalesTituloLeyendaClick();
    void TxUsuariosTituloLeyendaClick();

    void BtGuardarClick();
    void SearchEditButton1Click();
    void SearchEditButton2Click();
    void ClearEditButton1Click();
    void ClearEditButton2Click();
    void BtLimpiarCamposClick();
    void BtGuardarCSDClick();
    void BtGuardarIFClick();
    void BtPerfilClick();
    void BtGuardarNegocioClick();
    void ChkLogoChange();
    void CmbSucursalesChange();
    void BtGuardarSucursalClick();
    void BtAgregarClick();
    void BtGuardarSeriesFoliosClick();
    void ImgBoteBasuraClick();

    // Users (the grid's row shows the user in the form).
    void muestraUsuario(int fila);
    void BtAgregarUsuarioClick();
    void BtEditarUsuarioClick();
    void BtGuardarUsuarioClick();
    void BtCancelarClick();

private:
    void FormCreate();
    QWidget* seccion(QWidget*& panel, QLabel*& titulo, const QString& nombre, const QString& nombreTitulo,
                     const QString& textoTitulo);
    void creaSeccionNombre();
    void creaSeccionCSD();
    void creaSeccionFiscal();
    void creaSeccionLogo();
    void creaSeccionSeries();
    void creaSeccionSucursales();
    void creaSeccionUsuarios();
    void cargaImagenes();
    void aplicaEstilos();
    void ordenTabulacion();

    // Opens `panel` (closing the others) or closes it when open; an opened
    // section is read again first.
    void alternaPanel(QWidget* panel);
    void abrePanel(QWidget* panel);
    void cargaSeccion(QWidget* panel);
    void actualizaAltura();

    void cargaNombre();
    void cargaCertificado();
    void cargaFiscal();
    void cargaLogo();
    void InicializaMatriz();
    void InicializaSucursales();
    void InicializaSeries();
    void initImpresion();
    void guardaImpresion();
    void eliminaEmpresa();

    void inicializaGridPermisos();
    void actualizaGrid();
    void inicializaPanelUsuarios(bool marcados);
    void habilitaFormularioUsuario(bool habilitado);
    UsuariosNegocio::TPermisos permisosMarcados() const;
    void marcaPermisos(const UsuariosNegocio::TPermisos& permisos);
    bool isUsuarioValido();

    // Runs a save; an error is shown (its own message) and what was stored
    // stays. True when it went through.
    bool guarda(const std::function<void()>& accion);

    QList<QWidget*> m_paneles;
    QList<QWidget*> m_contenidos;
    QList<QCheckBox*> m_modulos;
    QList<QPixmap> m_iconos;
    QList<EdicionEmpresa::TFilaSerie> A;
    QList<UsuariosNegocio::TFilaUsuario> B;
    bool m_editandoUsuario = false;
    bool m_cargando = false;
};
