#pragma once
#include <QDialog>

// STUB (interface only): the series window is built in the branch 'series';
// at merge its version replaces this file whole.
class TSeriesFoliosFrm : public QDialog {
    Q_OBJECT
public:
    explicit TSeriesFoliosFrm(QWidget* parent = nullptr);
    bool isEditar = false;
    void fijaCombosSoloLectura(bool soloLectura);
    void inicializa();
    void inicializa(qint64 idSerie);
};
