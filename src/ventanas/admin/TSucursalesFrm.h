#pragma once
#include "Entidades.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class TDireccionesFrm;

// Adds a branch to the signed-in business or edits one, with its address.
// Created once and reused: the opener calls inicializaAgregar or
// inicializaEditar and then exec(), which gives Accepted when something was
// stored. Validation and saving live in Sucursales (TSucursales.h).
class TSucursalesFrm : public QDialog {
    Q_OBJECT
public:
    explicit TSucursalesFrm(QWidget* parent = nullptr);

    // An empty window for a new branch.
    void inicializaAgregar();
    // The stored branch with that id, to be edited; an id that is not a
    // branch of the business leaves the window as for a new one.
    void inicializaEditar(qint64 idSucursal);

    bool isAgregar = true;

protected:
    void keyPressEvent(QKeyEvent* evento) override;

private:
    QWidget* RcFondo;
    QLabel* TxSucursales;
    QLineEdit* EdNombreSucursal;
    QCheckBox* ChkCopiaMatriz;
    QWidget* TxDireccion;
    TDireccionesFrm* DireccionesFrm;
    QPushButton* BtEditar;
    QPushButton* BtCancelar;

    void FormCreate();
    void inicializaDireccionSucursal(const TSucursal& sucursal);
    void ChkCopiaMatrizChange();
    void BtEditarClick();
    void ordenTabulacion();

    // The branch being edited, as it was read.
    std::optional<TSucursal> sucursal;
};
