#pragma once
#include <QDialog>

// STUB (interface only): the branch window is built in the branch 'sucursales';
// at merge its version replaces this file whole.
class TSucursalesFrm : public QDialog {
    Q_OBJECT
public:
    explicit TSucursalesFrm(QWidget* parent = nullptr);
    void inicializaAgregar();
    void inicializaEditar(qint64 idSucursal);
};
