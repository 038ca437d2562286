#pragma once
#include "TConexionSesion.h"
#include "negocio/TNuevoNegocio.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QPointer>
#include <QThread>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStringList>
#include <QVBoxLayout>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QRadioButton;
class TCatalogosHilo;
class TVerificaUpdate;
class TDireccionesFrm;
class TTelefonoBean;
class TTelefonosFrm;
class TUsuarionegocio;

// The set-up wizard: the first window after the splash. Its pages are moved
// by code (the tabs are never shown): 0 first-run profile, 1 first-run
// business, 2 database configuration, 3 sign-in to a registered business,
// 4 password recovery. It only gathers what is typed and shows messages:
// creating a business is NuevoNegocio's work and signing in Ingreso's; the
// wizard makes a business created on the first run the session's.
//
// It knows no other window: closing it announces whether it ends with a
// sign-in or a first-run creation (nextStep set: ingresoTerminado) or
// without one (cerradoSinIngreso), and the start-up decides what follows.
class TWizardFrm : public QWidget {
    Q_OBJECT
public:
    explicit TWizardFrm(QWidget* parent = nullptr);
    ~TWizardFrm() override;

    // The certificate and key dialogs: the parent window and the filter
    // ("Certificado (*.cer)" or "Llave privada (*.key)"); the chosen path, or
    // an empty text when nothing was chosen. Tests replace it.
    static std::function<QString(QWidget*, const QString&)> seleccionaArchivo;
    // Today, for the certificate's expiry. Tests replace it.
    static std::function<QDate()> fechaActual;
    static const QString FILTRO_CERTIFICADO;
    static const QString FILTRO_LLAVE;
    // The backup dialog's filter, "Respaldo (*.respal33)".
    static const QString FILTRO_RESPALDO;

    QStackedWidget* TabControl1;
    QWidget* TabItem1;
    QWidget* TabItem2;
    QWidget* TabItem4;
    QWidget* TabItem5;
    QWidget* TabItem3;

    // Banner and welcome texts.
    QLabel* Logo;
    QLabel* ImgTitularSistema;
    QLabel* ImgBienvenida;
    QLabel* ImgBienvenidaSecundario;
    QLabel* ImgBienvenidaLoggin;
    QLabel* ImBienvenidaRecuperacion;
    QLabel* TxBienvenida;
    QLabel* TxBienvenidaSecundario;
    QLabel* TxBienvenidaLoggin;
    QLabel* TxBienvenidaRecuperacion;
    QLabel* TxInfoExclusiva;
    QLabel* TxNumeroPAC;

    // Page 0: the owner.
    QLineEdit* EdCorreoElectronico;
    QLineEdit* EdPassword;
    QLineEdit* EdRepitePassword;
    QLineEdit* EdNombre;
    QLineEdit* EdApellidoPaterno;
    QLineEdit* EdApellidoMaterno;
    QLabel* ImgTelefono;
    TTelefonosFrm* TxTelefonoContenedor;
    QLabel* TxTelefonoBottom; // TxTelefonoContenedor's "+ Agregar Teléfono"
    QPushButton* BtSiguiente;

    // Page 1: the business. TxTopSecundario holds the whole business form,
    // so the main window can host it.
    QWidget* TxTopSecundario;
    QLineEdit* EdNombreEmpresa;
    QLineEdit* EdCSD;
    QPushButton* SearchEditButton2;
    QPushButton* ClearEditButton1;
    QLineEdit* EdKey;
    QPushButton* SearchEditButton1;
    QLineEdit* EdCSDPass;
    QLabel* TxCaducidadCSD;
    QLabel* TxNoSerieCSDLeyenda;
    QLabel* TxNoSerieCSD;
    QLineEdit* EdRFC;
    QLineEdit* EdRazon;
    QComboBox* CmbRegimenFiscal;
    QWidget* TxDireccion;
    QPushButton* BtFinalizar;
    QPushButton* BtAnterior;
    QPushButton* BtLimpiarCampos;

    // Page 2: database configuration.
    QPushButton* CornerButton17;
    QPushButton* CornerButton7;

    // Page 3: sign-in.
    QScrollArea* SBSeleccionarEmpresa;
    QLabel* TxSeleccion;
    QLineEdit* EdCorreoElectronicoLoggin;
    QLineEdit* EdPasswordLoggin;
    QLabel* ImgCandado;
    QLabel* TxOlvidarContraseña;
    QPushButton* BtIngresar;

    // Page 4: password recovery.
    QLabel* TxRecuperaEmail;
    QPushButton* BtEnviaClave;
    QLineEdit* EdClaveRecuperacion;
    QPushButton* BtIngresarRecuperacion;
    QLineEdit* EdRecuperaPass;
    QLineEdit* EdRecuperaPassRepite;
    QPushButton* BtGuardar;
    QPushButton* BtCancelar;
    QLabel* TxLeyendaAyuda;

    // Progress of the long work (catalogue download, backup restore, registry
    // rebuild), above the bottom strip so it shows on every page.
    QWidget* Text8;
    QLabel* TxProgreso;
    QProgressBar* ProgressBar1;
    QLabel* Text11;
    QPushButton* BtCancelarProceso;

    // Bottom strip, on every page.
    QLabel* TxUpdate;
    QLabel* ImgUpdate;
    QLabel* TXCatalogos;
    QLabel* ImgCatalogo;
    QLabel* TxBaseDatos;
    QLabel* ImgBaseDatos;
    QLabel* Text2;
    QLabel* ImgAbrirConf;
    QLabel* TxRestaurarRespaldoXML;
    QLabel* ImgAbrirXML;
    QLabel* TxLeyenda;

    // Rebuilds the tiles of the registered businesses; with none, goes to the
    // first-run page.
    void initEmpresas();
    // Prepares the first-run path (pages 0 and 1, create the first business).
    void initNuevaEmpresa();
    // Prepares the business page; alone, it adds a business for the user
    // already signed in (isNuevaNegocio).
    void initNueva();

    // The tiles currently shown (their RFCs, in order).
    const QStringList& listaEmpresas() const { return m_listaEmpresas; }
    // The phone rows, in the order they were added.
    const std::vector<std::unique_ptr<TTelefonoBean>>& telefonos() const;
    // The address panel placed in TxDireccion (created by initNueva).
    TDireccionesFrm* direccion() const { return m_direccion; }

    bool isNuevaNegocio = false;
    bool nextStep = false;

    // Page 1 is complete and coherent; shows one message listing every
    // failing field, or the certificate check's own message.
    bool isValido();
    // The new business's database file, registry row and session connection,
    // where the database configuration window says (the local file unless
    // the user chose otherwise). Raises EVelkor.
    TConexionSesion saveNuevoLocal(const QString& email, const QString& rfc, const QString& razon);
    // Builds the sign-in connection of a stored connection string; true when
    // its database file exists.
    bool evaluaConexion(TConexionSesion& conexion, const QString& cadena);
    void cambiaConexion(TConexionSesion& destino, const TConexionSesion& origen);
    void updateBaseDatos(const TConexionSesion& conexion);
    // What pages 0 and 1 hold, as the creation takes it.
    NuevoNegocio::TDatos datosCaptura() const;

    // "Olvidé mi contraseña": the recovery page for the chosen business and
    // the e-mail typed. (No slot: the meta-object compiler reads no "ñ".)
    void TxOlvidarContraseñaClick();
    // Whether a download, restore or rebuild is running.
    bool ocupado() const { return m_ocupado; }

signals:
    // Closed after a sign-in or after the first business was created; the
    // session holds the business.
    void ingresoTerminado();
    // Closed any other way.
    void cerradoSinIngreso();
    // A business was added for the user already signed in; the session
    // stays on the business they were in.
    void negocioAgregado();
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
    // Tells the user that the registry was damaged and set aside and that the
    // businesses' data stay in their folders, and offers to register again
    // the businesses of those folders (the rebuild, on its worker thread).
    void ofreceReconstruccion();
    void BtSiguienteClick();
    void BtAnteriorClick();
    void BtCancelarClick();
    void BtFinalizarClick();
    void BtIngresarClick();
    void BtLimpiarCamposClick();
    void ClearEditButton1Click();
    void SearchEditButton1Click();
    void SearchEditButton2Click();
    void TxAgregaTelefonoClick();
    void CornerButton17Click();
    void CornerButton7Click();
    // "Restaurar desde archivos XML": the XML import, then the sign-in (or the
    // first run when no business is registered yet).
    void ImgAbrirXMLClick();

    // "Actualización disponible": starts the updater after asking.
    void TxUpdateClick();
    // "Actualización catálogos": downloads and installs the SAT catalogue.
    void TXCatalogosClick();
    // The catalogue download ended (TCatalogosHilo::TResultado).
    void compararCatalogos(int resultado, const QString& mensaje);
    void BtEnviaClaveClick();
    void BtIngresarRecuperacionClick();
    void BtGuardarClick();
    // "Restaurar archivo de configuración" (Text2 / ImgAbrirConf): a backup.
    void restaurarRespaldo();
    // "Restaurar archivo de configuración" (TxBaseDatos / ImgBaseDatos): the
    // registry rebuilt from the business folders.
    void ImgBaseDatosClick();

protected:
    void closeEvent(QCloseEvent* evento) override;
    // Each showing checks for a program update.
    void showEvent(QShowEvent* evento) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void FormCreate();
    void creaBanner(QVBoxLayout* diseno);
    void creaPaginaPerfil();
    void creaPaginaNegocio();
    void creaPaginaConfiguracion();
    void creaPaginaIngreso();
    void creaPaginaRecuperacion();
    void creaPanelProgreso(QVBoxLayout* diseno);
    void creaFranjaInferior(QVBoxLayout* diseno);
    void iniciaVerificacion();
    void muestraActualizacion(int estado, const QString& ultima, const QStringList& notas);
    // Shows the progress panel under `titulo` and disables the strip's links;
    // terminaProceso hides it and enables them again.
    void iniciaProceso(const QString& titulo, bool cancelable);
    void terminaProceso();
    // Starts the registry rebuild thread (the registry is already empty).
    void leeCarpetasDatos();
    void terminaHilo(const QStringList& registradas, const QStringList& omitidas);
    void terminaRespaldo(int resultado);
    // After the registry changed: the sign-in page, or the first run.
    void muestraPaginaInicial();
    // The recovery page's state before a key is accepted.
    void habilitaNuevoPassword(bool habilitar);
    void cargaImagenes();
    void aplicaEstilos();
    void setUpTabOrder();
    // The sign-in page's first stop the user still has to fill: the business
    // list while none is chosen, then the e-mail, then the password.
    void enfocaIngreso();
    // TxCaducidadCSD for the validity end `fin` (FORMATO_FECHA); an expired
    // certificate in the warning colour.
    void muestraVigencia(const QString& fin);
    void inicializaMarcas();
    void initErrores();
    void inicializaTelefono();
    void onClickRb(QRadioButton* sender);
    void getElementoEmpresa(const QString& entrada);
    void inicializaRegimen(const QString& rfc);
    bool validaNombreNegocio();
    NuevoNegocio::TDestino destino(const QString& rfc) const;
    // The new business's first logo, from the resource package.
    static QByteArray logoInicial();
    // Makes a business created on the first run the session's.
    static void publicaNegocio(const TConexionSesion& conexion, const TUsuarionegocio& liga);
    void creaNegocioNuevo(const NuevoNegocio::TDatos& datos);
    void creaNegocioAdicional(const NuevoNegocio::TDatos& datos);

    QWidget* m_contenedorEmpresas;
    QVBoxLayout* m_listaTiles;
    QButtonGroup* m_grupoEmpresas;
    QList<QWidget*> m_tiles;
    QStringList m_listaEmpresas;
    TDireccionesFrm* m_direccion = nullptr;
    QList<QWidget*> m_campoQuitaError;
    QString m_registroApartado;
    bool m_ocupado = false;
    QPointer<TVerificaUpdate> m_verificacion;
    QPointer<TCatalogosHilo> m_catalogo;
    QPointer<QThread> m_trabajo;
    QPointer<QThread> m_envio;
};
