#pragma once
#include "TSeccionEmpresa.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class TDireccionesFrm;

// The fiscal data: the RFC (the certificate's, shown only), the legal name,
// the regime, and the head office's address (edited in the branch window).
class TSeccionFiscal : public TSeccionEmpresa {
    Q_OBJECT
public:
    explicit TSeccionFiscal(QWidget* padre);

    void carga() override;
    void enfoca() override;
    QList<QWidget*> ordenTabulacion() const override;
    QStringList cambiosSinGuardar() const override;

    // The legal name as typed; the certificate section stores it with a new
    // certificate and fills it from one chosen.
    QString razon() const;
    void fijaRazon(const QString& razon);
    // Empties the RFC and the legal name.
    void limpia();
    // Reads the head office's address again.
    void muestraMatriz();

private:
    void BtGuardarIFClick();

    QLineEdit* EdRFC;
    QLineEdit* EdRazon;
    QComboBox* CmbRegimenFiscal;
    TDireccionesFrm* DireccionMatriz;
    QPushButton* BtGuardarIF;
    // The regime's row as last read or stored: another one picked is typing
    // not saved.
    int m_regimenGuardado = -1;
};
