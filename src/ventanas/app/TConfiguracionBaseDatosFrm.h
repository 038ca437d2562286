#pragma once
#include <QDialog>
#include <QString>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// The database configuration window: where a new business's data will live,
// the program's own local file (the default) or a database on a MySQL server.
// Shown modally by the wizard; its controls keep their values between
// showings (the wizard reads them after it closes), except that each showing
// selects the local file again. A server configuration can only be saved
// after a successful connection test.
class TConfiguracionBaseDatosFrm : public QDialog {
    Q_OBJECT
public:
    explicit TConfiguracionBaseDatosFrm(QWidget* parent = nullptr);

    // DB_SQLITE for the local file, otherwise the selected engine's name.
    QString getMotorBaseDatos() const;
    // For the local file: program folder + DB_PATH + rfc + "/" +
    // DB_SISTEMA_NOMBRE; otherwise the typed database name, trimmed.
    QString getBaseDatos(const QString& rfc) const;
    // The server fields as typed.
    QString getUsuario() const;
    QString getPassword() const;
    QString getPuerto() const;
    QString getServidor() const;
    // The enciphered connection string of the last successful test; empty
    // after each showing.
    QString getConexionString() const { return conexionString; }

public slots:
    void ComboBox1Change();
    void CornerButton1Click();
    void CornerButton2Click();
    void CornerButton3Click();

protected:
    void showEvent(QShowEvent* evento) override;

private:
    QFrame* Rectangle1;
    QLabel* Text7;
    QLabel* Text8;
    QLabel* Text9;
    QComboBox* ComboBox1;
    QLineEdit* Edit1;           // user
    QLineEdit* Edit2;           // password
    QLineEdit* Edit3;           // port
    QLineEdit* Edit4;           // server
    QLineEdit* Edit5;           // database
    QPushButton* CornerButton1; // "Guardar"
    QPushButton* CornerButton2; // "Cancelar"
    QPushButton* CornerButton3; // "Probar Conexión"

    void FormCreate();
    void Init();
    void InicializaCamposDB(bool local);
    bool esLocal() const;

    QString conexionString;
};
