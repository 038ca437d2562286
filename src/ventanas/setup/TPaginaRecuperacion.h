#pragma once
#include <QList>
#include <QPointer>
#include <QString>
#include <QThread>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// The wizard's page 4: a recovery key sent by mail to the user of the chosen
// business, then a new password. The mail goes on a worker thread.
class TPaginaRecuperacion : public QWidget {
    Q_OBJECT
public:
    // The progress text of the mail, for the wizard's closing notice.
    static const QString PROGRESO_CORREO;

    explicit TPaginaRecuperacion(QWidget* parent = nullptr);
    ~TPaginaRecuperacion() override;

    // Starts over for the business `rfc` and the user `email`.
    void inicia(const QString& rfc, const QString& email);
    void aplicaMarca();
    QList<QWidget*> camposTabulacion() const;
    // Whether the mail is still on its way.
    bool enviando() const { return m_envio && m_envio->isRunning(); }

signals:
    // Left without a new password (Cancelar, Escape).
    void cancelada();
    // The new password was saved.
    void guardada();

private:
    void BtCancelarClick();
    void BtEnviaClaveClick();
    void BtIngresarRecuperacionClick();
    void BtGuardarClick();
    // The page's state before a key is accepted.
    void habilitaNuevoPassword(bool habilitar);
    void limpia();
    void aplicaEstilos();

    QString m_rfc;
    QLabel* ImBienvenidaRecuperacion;
    QLabel* TxBienvenidaRecuperacion;
    QLabel* TxRecuperaEmail;
    QLabel* TxNotaEnvio;
    QPushButton* BtEnviaClave;
    QLineEdit* EdClaveRecuperacion;
    QPushButton* BtIngresarRecuperacion;
    QLineEdit* EdRecuperaPass;
    QLineEdit* EdRecuperaPassRepite;
    QPushButton* BtGuardar;
    QPushButton* BtCancelar;
    QLabel* TxLeyendaAyuda;
    QPointer<QThread> m_envio;
};
