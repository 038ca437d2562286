#pragma once
#include "TConexionSesion.h"
#include "negocio/TNuevoNegocio.h"

#include <QList>
#include <QMap>
#include <QWidget>

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class TDireccionesFrm;
class TPanelCertificado;

// The business form: name, certificate, key and password, RFC, razón
// social, regime and fiscal address, and where the business will be stored
// ("Configura tu Conexión" opens the database configuration window; one line
// under it says what was chosen). The wizard shows it as its first-run
// page 1; the main window hosts one of its own to add a business for the
// user already signed in.
//
// On "Finalizar" the form is checked (ReglasCaptura::revisaNegocio, then the
// certificate and key pair). On the first run it then announces aceptada and
// the wizard creates the business with the owner's page; an additional
// business it creates itself through NuevoNegocio and announces
// negocioAgregado.
class TPaginaNegocio : public QWidget {
    Q_OBJECT
public:
    enum class TModo { PrimeraVez, Adicional };
    explicit TPaginaNegocio(TModo modo, QWidget* parent = nullptr);

    TModo modo() const { return m_modo; }
    // Empties the form for a new business (the address panel is made on the
    // first call); the business goes to this computer again.
    void inicia();
    void enfoca();
    void aplicaMarca();
    QList<QWidget*> camposTabulacion() const;
    // The labels of the fields the user typed in since the form was
    // emptied: what leaving the page would throw away.
    QStringList camposEscritos() const;
    TDireccionesFrm* direccion() const { return m_direccion; }
    // The business's part of what the creation takes.
    void llena(NuevoNegocio::TDatos& datos) const;

    // Creates the business (NuevoNegocio::creaNegocio) where the database
    // configuration window says (the local file unless the user chose
    // otherwise), with the resource package's template and first logo.
    // Raises EVelkor.
    static TUsuarionegocio creaNegocio(const NuevoNegocio::TDatos& datos, const QString& email, const TUsuario* usuario,
                                       TConexionSesion& conexion);
    // The new business's first logo, from the resource package.
    static QByteArray logoInicial();

signals:
    // First run: the form passed its checks.
    void aceptada();
    // Adicional: the business was created; the session stays where it was.
    void negocioAgregado();
    // Adicional: the user gave up adding a business ("Cancelar" or Escape).
    void cancelada();
    void anterior();
    // The address panel was made: the keyboard stops changed.
    void tabulacionCambiada();

private:
    void BtFinalizarClick();
    void BtLimpiarCamposClick();
    void BtConfiguraConexionClick();
    // Writes where the database configuration window says the business goes.
    void muestraUbicacion();
    // Complete and coherent; shows one message listing every failing
    // field, or the certificate check's own message.
    bool isValido();
    void creaNegocioAdicional(const NuevoNegocio::TDatos& datos);
    void inicializaRegimen(const QString& rfc);
    void aplicaEstilos();

    TModo m_modo;
    QLabel* ImgBienvenidaSecundario;
    QLabel* TxBienvenidaSecundario;
    QLabel* TxInfoExclusiva;
    QLabel* TxNumeroPAC;
    QLineEdit* EdNombreEmpresa;
    QLineEdit* EdRFC;
    QLineEdit* EdRazon;
    QComboBox* CmbRegimenFiscal;
    QWidget* TxDireccion;
    TDireccionesFrm* m_direccion = nullptr;
    QPushButton* BtFinalizar;
    QPushButton* BtAnterior;
    QPushButton* BtCancelar;
    QPushButton* BtLimpiarCampos;
    QPushButton* BtConfiguraConexion;
    QLabel* TxUbicacionBase;

    void muestraCertificado(const QMap<QString, QString>& informacion);
    void quitaMarcas();
    // The widest label of the page's form and the certificate panel's.
    int anchoEtiquetas() const;
    TPanelCertificado* m_certificado;
};
