#pragma once
#include "TSeccionEmpresa.h"

class QLineEdit;
class QPushButton;

// The business's name, as the main window's header shows it.
class TSeccionNombre : public TSeccionEmpresa {
    Q_OBJECT
public:
    explicit TSeccionNombre(QWidget* padre);

    void carga() override;
    void enfoca() override;
    QList<QWidget*> ordenTabulacion() const override;
    QStringList cambiosSinGuardar() const override;

signals:
    void negocioModificado();

private:
    void BtGuardarClick();

    QLineEdit* EdNombreNegocio;
    QPushButton* BtGuardar;
};
