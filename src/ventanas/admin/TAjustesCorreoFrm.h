#pragma once
#include "negocio/AjustesCorreo.h"

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// "Configurar correo": the outgoing mail server of the signed-in business,
// through which the password recovery of that business mails its keys. Only
// for an administrator of that business (AjustesCorreo::puedeConfigurar).
// "Probar" sends a test message with what is typed, without saving it;
// "Guardar" saves as the business's own and closes; "Cancelar" and Escape
// close without saving.
class TAjustesCorreoFrm : public QDialog {
    Q_OBJECT
public:
    // The text of the entry that opens the window.
    static const QString TITULO;

    // Shows the window modally over `padre` for the program folder
    // `carpetaPrograma` and the business open in the session, the test going
    // by default to `correoUsuario` (the signed-in user's e-mail). A user who
    // may not change that business's mail gets ERROR_PERMISOS and no window.
    // True when the settings were saved.
    static bool abre(QWidget* padre, const QString& carpetaPrograma, const QString& correoUsuario);

    // The settings of the business `rfc`: its own, or the program-wide ones
    // without their password when it has none.
    TAjustesCorreoFrm(const QString& carpetaPrograma, const QString& rfc, const QString& correoUsuario,
                      QWidget* parent = nullptr);

    // No closing while the test message is on its way.
    void reject() override;

private:
    void BtProbarClick();
    void BtGuardarClick();
    void CbSeguridadChange(int indice);
    // The settings as typed; an empty password field keeps the stored one.
    AjustesCorreo::TAjustes ajustes() const;
    // Marks the fields `revisa` found wanting.
    void marcaFaltantes(const AjustesCorreo::TAjustes& ajustes);
    void ocupado(bool enviando);

    QString m_carpeta;
    QString m_rfc;
    AjustesCorreo::TAjustes m_guardados;
    bool m_enviando = false;
    int m_seguridadAnterior = 0;

    QLabel* TxTitulo;
    QLabel* TxExplicacion;
    QLineEdit* EdServidor;
    QComboBox* CbSeguridad;
    QSpinBox* SpPuerto;
    QLineEdit* EdCuenta;
    QLineEdit* EdPassword;
    QLineEdit* EdRemitente;
    QLineEdit* EdCorreoPrueba;
    QPushButton* BtProbar;
    QLabel* TxEstado;
    QPushButton* BtCancelar;
    QPushButton* BtGuardar;
};
