#pragma once
#include "TSeccionEmpresa.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class TDireccionesFrm;

// The business's branches, shown one at a time; they are added and edited in
// the branch window.
class TSeccionSucursales : public TSeccionEmpresa {
    Q_OBJECT
public:
    explicit TSeccionSucursales(QWidget* padre);

    void carga() override;
    void enfoca() override;
    QList<QWidget*> ordenTabulacion() const override;

signals:
    // A branch (and with it, perhaps, its series) was stored.
    void seriesModificadas();
    // The branches were read again after the branch window: the head
    // office's address may have changed.
    void sucursalesReleidas();

private:
    void CmbSucursalesChange();
    void BtGuardarSucursalClick();
    void BtAgregarClick();

    QComboBox* CmbSucursales;
    QLineEdit* EdNombreSucursal;
    TDireccionesFrm* DireccionSucursal;
    QPushButton* BtGuardarSucursal;
    QPushButton* BtAgregar;
    bool m_cargando = false;
};
