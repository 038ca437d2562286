#pragma once
#include "TSeccionEmpresa.h"

class QCheckBox;
class QLabel;
class QPushButton;

// The business's picture, and whether printed vouchers carry it.
class TSeccionLogo : public TSeccionEmpresa {
    Q_OBJECT
public:
    explicit TSeccionLogo(QWidget* padre);

    void carga() override;
    void enfoca() override;
    QList<QWidget*> ordenTabulacion() const override;
    // The print switch as stored (the business INI file).
    void cargaImpresion();

    // The picture chosen with BtPerfil and not stored yet; empty when none.
    const QString& imagenElegida() const { return nombreArchivo; }

signals:
    void negocioModificado();

private:
    void BtPerfilClick();
    void BtGuardarNegocioClick();
    void guardaImpresion();

    QLabel* ImgLogoNegocio;
    QCheckBox* ChkLogo;
    QPushButton* BtPerfil;
    QPushButton* BtGuardarNegocio;
    QString nombreArchivo;
    bool m_cargando = false;
};
