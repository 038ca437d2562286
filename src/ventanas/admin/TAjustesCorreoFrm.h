#pragma once
#include "negocio/AjustesCorreo.h"

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// "Configurar correo": the outgoing mail server of this computer, through
// which the password recovery mails its keys. Only for an administrator of
// the signed-in business (AjustesCorreo::puedeConfigurar). "Probar" sends a
// test message with what is typed, without saving it; "Guardar" saves and
// closes; "Cancelar" and Escape close without saving.
class TAjustesCorreoFrm : public QDialog {
    Q_OBJECT
public:
    // The text of the entry that opens the window.
    static const QString TITULO;

    // Shows the window modally over `padre` for the program folder
    // `carpetaPrograma`, the test going by default to `correoUsuario` (the
    // signed-in user's e-mail). A user who may not change the mail gets
    // ERROR_PERMISOS and no window. True when the settings were saved.
    static bool abre(QWidget* padre, const QString& carpetaPrograma, const QString& correoUsuario);

    TAjustesCorreoFrm(const QString& carpetaPrograma, const QString& correoUsuario, QWidget* parent = nullptr);

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
