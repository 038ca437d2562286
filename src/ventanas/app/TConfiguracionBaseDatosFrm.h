#pragma once
#include <QDialog>
#include <QString>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QThread;
class TConexionSesion;
namespace NuevoNegocio {
struct TDestino;
}
namespace PruebaServidor {
struct TPrueba;
}

// The database configuration window: where a new business's data will live,
// the program's own local file (the default), a database on a MySQL or
// MariaDB server, or a database file held by a Firebird server. Shown
// modally by the new-business page; its controls keep their values after
// "Guardar" (the page reads them once it closes), while each showing and
// each "Cancelar" select the local file again. A server configuration can
// only be saved after a successful connection test of the fields as they
// are: any later edit asks for a new test.
//
// The test (PruebaServidor) runs on a thread of its own, so the window keeps
// answering while a server takes its time to reply; the fields are locked
// meanwhile. Its verdict goes to the user through Utils::mensaje, unless the
// window was cancelled or shown again before it came.
class TConfiguracionBaseDatosFrm : public QDialog {
    Q_OBJECT
public:
    explicit TConfiguracionBaseDatosFrm(QWidget* parent = nullptr);
    // Waits for a running test: it gives up after PruebaServidor's own
    // time limit.
    ~TConfiguracionBaseDatosFrm() override;

    // DB_SQLITE for the local file, DB_MySQL for a MySQL or MariaDB server,
    // DB_FIREBIRD_SERVIDOR for a Firebird server.
    QString getMotorBaseDatos() const;
    // For the local file: program folder + DB_PATH + rfc + "/" +
    // DB_SISTEMA_NOMBRE; otherwise the typed database name (MariaDB) or file
    // path on the server (Firebird), trimmed.
    QString getBaseDatos(const QString& rfc) const;
    // The server fields: user and password as typed, port and host trimmed
    // (an empty port is the engine's usual one).
    QString getUsuario() const;
    QString getPassword() const;
    QString getPuerto() const;
    QString getServidor() const;
    // All of the above as the destination of the business with that RFC.
    NuevoNegocio::TDestino destino(const QString& rfc) const;
    // The enciphered connection string of the last successful test; empty
    // after each showing and after any edit.
    QString getConexionString() const { return conexionString; }
    // Whether a connection test is running.
    bool probando() const { return m_prueba != nullptr; }

    // Back to the local file, forgetting the server fields.
    void reinicia();

public slots:
    void ComboBox1Change();
    void CornerButton1Click();
    void CornerButton2Click();
    void CornerButton3Click();
    void reject() override;

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
    QLabel* m_etiquetaBase;     // Edit5's label: names a file for Firebird
    QPushButton* CornerButton1; // "Guardar"
    QPushButton* CornerButton2; // "Cancelar"
    QPushButton* CornerButton3; // "Probar Conexión"

    void FormCreate();
    void Init();
    void InicializaCamposDB(bool local);
    bool esLocal() const;
    TConexionSesion conexionServidor() const;
    // A field changed: a test of the old values no longer says anything.
    void invalidaPrueba();
    void bloqueaCampos(bool bloqueados);
    void concluyePrueba(quint64 ronda, const QString& descripcion, const QString& cifrada,
                        const PruebaServidor::TPrueba& prueba);

    QString conexionString;
    QThread* m_prueba = nullptr;
    // Counts the changes of the fields; a test's verdict is shown only while
    // the fields are those it tested.
    quint64 m_ronda = 0;
};
