#pragma once
#include "negocio/EmpresaEnServidor.h"
#include "negocio/TNuevoNegocio.h"

#include <QDialog>
#include <QPointer>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QThread;

// A workstation's way to a business that already lives on a database server:
// the server's settings (engine, host, port, database, account) and the
// e-mail and password of a user of that business. "Conectar" hands them to
// EmpresaEnServidor::conecta on a worker thread, so a slow server never
// freezes the window; its answer reaches the user through the prompter. A
// business added closes the window (accepted) and is announced by
// empresaConectada.
//
// While the check runs the window cannot be closed: the check may already be
// registering the business, and the user would never learn its outcome. A
// window destroyed anyway (its owner goes) waits for the check to end.
class TConectarServidorFrm : public QDialog {
    Q_OBJECT
public:
    // The window's title, also the text of the links that open it.
    inline static const QString TITULO = QStringLiteral("Conectar a una empresa en un servidor");

    explicit TConectarServidorFrm(QWidget* parent = nullptr);
    ~TConectarServidorFrm() override;

    // The server as typed, as the connection takes it.
    NuevoNegocio::TDestino destino() const;
    // The e-mail of the business's user as typed (trimmed).
    QString correo() const;
    // Whether a check is running.
    bool conectando() const { return !m_hilo.isNull(); }

public slots:
    // Refused while a check runs (Esc and the window's close button too).
    void done(int resultado) override;

signals:
    // The business of that RFC was added to this program folder's registry.
    void empresaConectada(const QString& rfc);

private:
    struct TRespuesta;

    void cambiaMotor();
    void revisaCampos();
    void BtConectarClick();
    void terminaConexion(const TRespuesta& respuesta);
    void muestraOcupado(bool ocupado);
    void aplicaEstilos();

    QLabel* TxExplicacion;
    QComboBox* CmbMotor;
    QLineEdit* EdServidor;
    QLineEdit* EdPuerto;
    QLineEdit* EdBaseDatos;
    QLineEdit* EdUsuarioServidor;
    QLineEdit* EdPasswordServidor;
    QLineEdit* EdCorreo;
    QLineEdit* EdPassword;
    QPushButton* BtCancelar;
    QPushButton* BtConectar;

    QPointer<QThread> m_hilo;
};
