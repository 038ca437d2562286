#pragma once
#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// Adds a series to a branch of the signed-in business or, in edit mode,
// changes the current folio of a series. Created once and reused: the opener
// sets isEditar and fijaCombosSoloLectura, calls one of the inicializa and
// then exec(), which gives Accepted when something was stored. Validation
// and saving live in Series (TSeries.h).
class TSeriesFoliosFrm : public QDialog {
    Q_OBJECT
public:
    explicit TSeriesFoliosFrm(QWidget* parent = nullptr);

    bool isEditar = false;
    // In edit mode the type and branch are shown, not changed.
    void fijaCombosSoloLectura(bool soloLectura);
    // An empty window for a new series.
    void inicializa();
    // The series with that id, to change its current folio.
    void inicializa(qint64 idSerie);

private:
    QWidget* RcFondo;
    QLabel* TxSeriesFolios;
    QLineEdit* EdSerie;
    QComboBox* CmbTipoSerie;
    QComboBox* CmbSucursal;
    QLabel* TxFolio;
    QLineEdit* EdFolio;
    QPushButton* BtGuardar;
    QPushButton* BtCancelar;

    void FormCreate();
    void llenaSucursales();
    void BtGuardarClick();

    qint64 idSerie = -1;
};
