#pragma once
#include "negocio/TNuevoNegocio.h"

#include <QList>
#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class TTelefonoBean;
class TTelefonosFrm;

// The wizard's first-run page 0: the owner's e-mail, password, name and
// phones. "Siguiente" checks them (ReglasCaptura::revisaPerfil) and, when
// they pass, announces aceptada.
class TPaginaPerfil : public QWidget {
    Q_OBJECT
public:
    explicit TPaginaPerfil(QWidget* parent = nullptr);

    // Empties every field and the phone rows.
    void limpia();
    // The sign-in's e-mail and password fields lose their error marks.
    void quitaErrores();
    void enfoca();
    void aplicaMarca();
    // The keyboard stops, in reading order.
    QList<QWidget*> camposTabulacion() const;
    // The owner's part of what the creation takes.
    void llena(NuevoNegocio::TDatos& datos) const;
    const std::vector<std::unique_ptr<TTelefonoBean>>& telefonos() const;

signals:
    void aceptada();
    // "Conectar a una empresa en un servidor" was chosen: the business
    // already exists, on a server another workstation uses.
    void conectarServidor();
    // A phone row came or went.
    void tabulacionCambiada();

private:
    void BtSiguienteClick();
    void aplicaEstilos();

    QLabel* ImgBienvenida;
    QLabel* TxBienvenida;
    QLineEdit* EdCorreoElectronico;
    QLineEdit* EdPassword;
    QLineEdit* EdRepitePassword;
    QLineEdit* EdNombre;
    QLineEdit* EdApellidoPaterno;
    QLineEdit* EdApellidoMaterno;
    QLabel* ImgTelefono;
    TTelefonosFrm* TxTelefonoContenedor;
    QLabel* TxConectarServidor;
    QPushButton* BtSiguiente;
};
