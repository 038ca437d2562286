#pragma once
#include "TSeccionEmpresa.h"
#include "admin/TUsuariosNegocio.h"

#include <QPixmap>

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// The business's users and their rights, one module per column. A chosen row
// shows its user in the form below; adding fills the form, editing changes
// only the rights of the user shown. The work is UsuariosNegocio's.
class TSeccionUsuarios : public TSeccionEmpresa {
    Q_OBJECT
public:
    explicit TSeccionUsuarios(QWidget* padre);

    void carga() override;
    void enfoca() override;
    QStringList cambiosSinGuardar() const override;
    QList<QWidget*> ordenTabulacion() const override;

    // The rows shown (the grid's data).
    const QList<UsuariosNegocio::TFilaUsuario>& filas() const { return m_filas; }

private:
    void creaFormulario(QWidget* c);
    void cargaIconos();
    void muestraModulosOfrecidos();
    void muestraUsuario(int renglon);
    void BtAgregarUsuarioClick();
    void BtEditarUsuarioClick();
    void BtGuardarUsuarioClick();
    void BtCancelarClick();

    void inicializaGridPermisos();
    void actualizaGrid();
    void inicializaPanelUsuarios(bool marcados);
    void habilitaFormularioUsuario(bool habilitado);
    UsuariosNegocio::TPermisos permisosMarcados() const;
    void marcaPermisos(const UsuariosNegocio::TPermisos& permisos);
    bool isUsuarioValido();

    QTableWidget* GrPermisos;
    QWidget* TxUsuarioContenedor;
    QLineEdit* EdEmail;
    QLineEdit* EdNombre;
    QLineEdit* EdApellidoPaterno;
    QLineEdit* EdApellidoMaterno;
    QLineEdit* EdPassword;
    QLineEdit* EdRepitePassword;
    QPushButton* BtGuardarUsuario;
    QPushButton* BtCancelar;
    QPushButton* BtAgregarUsuario;
    QPushButton* BtEditarUsuario;
    // The module boxes, in the order of UsuariosNegocio::TPermisos.
    QList<QCheckBox*> m_modulos;
    QGridLayout* m_cuadriculaModulos;
    QLabel* TxSinPermisos;
    QList<QPixmap> m_iconos;
    QList<UsuariosNegocio::TFilaUsuario> m_filas;
    bool m_editandoUsuario = false;
    // The rights of the user shown, as stored: an edit that changed none
    // has nothing to lose.
    UsuariosNegocio::TPermisos m_permisosMostrados{};
};
