#pragma once
#include <QMap>
#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class TTelefonosFrm;

// The signed-in user's profile page: names, password, phones, e-mails and
// picture. The main window hosts its content holder TxFondo after
// inicializa, sized to getHeight. What the page stores is decided in Perfil
// (TPerfil.h); the page announces what the main window shows in turn
// through its signals.
class TPerfilFrm : public QWidget {
    Q_OBJECT
public:
    explicit TPerfilFrm(QWidget* parent = nullptr);

    // The page's content, moved into the main window's work area when shown.
    QWidget* TxFondo;

    // Fills the page from the database again (rows, picture, names; the
    // password fields empty).
    void inicializa();
    // The height the page needs in the work area.
    int getHeight() const;
    // Before the page is left: asks once whether to throw away the names,
    // e-mails and passwords typed and not saved (the next showing reads the
    // stored ones). False when the user keeps the typing.
    bool dejaCambios() const;

    // A new empty e-mail row (or one holding `email`).
    void agregaEmail(const QString& email = QString());
    void eleminaLineaEmail(const QString& clave);

signals:
    // The stored picture changed: the main window shows it as the user's.
    void fotoPerfilCambiada();
    // The page grew or shrank (rows added or removed).
    void alturaCambiada(int altura);
    // The user asked for the letter of manifest.
    void cartaManifiestoSolicitada();

private:
    void FormCreate();
    void BtGuardarClick();
    void BtPerfilClick();
    void elminiaListaEmail();
    void muestraImagen(const QByteArray& datos);
    void ordenTabulacion();
    void avisaAltura();

    QLabel* TxPerfil;
    QLabel* ImgLapiz;
    QLabel* TxDatosPersonales;
    QLabel* TxLeyendaUsoExclusivo;
    QLabel* TxEmailPerfil;
    QLineEdit* EdNombre;
    QLineEdit* EdApellidoPaterno;
    QLineEdit* EdApellidoMaterno;
    QLineEdit* EdContraseñaAnterior;
    QLineEdit* EdNuevaContraseña;
    QLineEdit* EdRepetirContraseña;
    QLabel* TxSinContraseña;
    QLabel* ImgTelefono;
    TTelefonosFrm* TxTelefono;
    QLabel* ImgMail;
    QWidget* TxEmail;
    QLabel* TxAgregarCorreo;
    QLabel* ImgPerfil;
    QPushButton* BtPerfil;
    QPushButton* BtGuardar;
    QLabel* TxCartaManifiesto;

    // The e-mail rows by key (ABC + n), in the order they were added.
    QMap<int, QLineEdit*> listaEmail;
    QVBoxLayout* m_filasEmail;
    int contEmail = 0;
    QMap<int, QWidget*> listaLineaEmail;
    QString pathImagenPefil;
};
