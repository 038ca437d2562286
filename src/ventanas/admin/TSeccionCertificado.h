#pragma once
#include "TSeccionEmpresa.h"

class QPushButton;
class TPanelCertificado;
class TSeccionFiscal;

// A new seal certificate for the business. The legal name stored with it is
// the fiscal section's, which a chosen certificate fills.
class TSeccionCertificado : public TSeccionEmpresa {
    Q_OBJECT
public:
    TSeccionCertificado(QWidget* padre, TSeccionFiscal* fiscal);

    void carga() override;
    void enfoca() override;
    QList<QWidget*> ordenTabulacion() const override;
    QStringList cambiosSinGuardar() const override;

private:
    void BtLimpiarCamposClick();
    void BtGuardarCSDClick();

    TSeccionFiscal* m_fiscal;
    TPanelCertificado* m_panel;
    QPushButton* BtLimpiarCampos;
    QPushButton* BtGuardarCSD;
};
