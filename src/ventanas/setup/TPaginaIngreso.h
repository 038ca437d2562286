#pragma once
#include <QList>
#include <QStringList>
#include <QWidget>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QVBoxLayout;

// The wizard's page 3: one tile per registered business, the e-mail and
// the password. Signing in is Ingreso's work; the page shows its messages.
class TPaginaIngreso : public QWidget {
    Q_OBJECT
public:
    explicit TPaginaIngreso(QWidget* parent = nullptr);

    // Rebuilds the tiles from the registry; false when none is registered.
    bool cargaEmpresas();
    // The tiles shown (their RFCs, in order).
    const QStringList& listaEmpresas() const { return m_listaEmpresas; }
    // The chosen tile's name (its RFC with '_' for '&'); empty while none.
    QString seleccion() const;
    // Chooses the tile of `rfc` and, when given, writes `email` in its field;
    // false when no tile has that RFC.
    bool eligeEmpresa(const QString& rfc, const QString& email = QString());
    void limpiaPassword();
    void quitaErrores();
    // The first stop the user still has to fill: the business list while
    // none is chosen, then the e-mail, then the password.
    void enfoca();
    void aplicaMarca();
    QList<QWidget*> camposTabulacion() const;

signals:
    // A sign-in was tried; `correcto` when the session holds the business.
    void ingreso(bool correcto);
    // The sign-in disabled the chosen entry: the tiles are to be read again.
    void empresasCambiadas();
    void olvidoContrasena(const QString& rfc, const QString& email);
    // "Conectar a una empresa en un servidor" was chosen.
    void conectarServidor();

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void BtIngresarClick();
    // "Olvidé mi contraseña": checks a business is chosen and an e-mail
    // typed, then announces olvidoContrasena. (No slot: the meta-object
    // compiler reads no "ñ".)
    void TxOlvidarContraseñaClick();
    void agregaEmpresa(const QString& entrada);
    void aplicaEstilos();

    QLabel* ImgBienvenidaLoggin;
    QLabel* TxBienvenidaLoggin;
    QScrollArea* SBSeleccionarEmpresa;
    QLabel* TxSeleccion;
    QLineEdit* EdCorreoElectronicoLoggin;
    QLineEdit* EdPasswordLoggin;
    QLabel* ImgCandado;
    QLabel* TxOlvidarContraseña;
    QPushButton* BtIngresar;
    QLabel* TxConectarServidor;

    QWidget* m_contenedorEmpresas;
    QVBoxLayout* m_listaTiles;
    QButtonGroup* m_grupoEmpresas;
    QList<QWidget*> m_tiles;
    QStringList m_listaEmpresas;
};
