#pragma once
#include "TSeccionEmpresa.h"

class QPushButton;
class QTableWidget;

// The active series of every branch. A double click or Enter on a row, or
// "+ Agregar" clicked with Ctrl+Shift held while a row is chosen, edits that
// series' folio; "+ Agregar" alone adds a series (the series window).
class TSeccionSeries : public TSeccionEmpresa {
    Q_OBJECT
public:
    explicit TSeccionSeries(QWidget* padre);

    void carga() override;
    void enfoca() override;
    QList<QWidget*> ordenTabulacion() const override;

    // The rows shown (the grid's data).
    const QList<EdicionEmpresa::TFilaSerie>& filas() const { return m_filas; }

signals:
    void seriesModificadas();

private:
    void BtGuardarSeriesFoliosClick();
    // Opens the series window: on the series of `renglon` to change its
    // folio, or empty for a new series.
    void abreSerie(int renglon, bool editar);

    QTableWidget* GrSeriesFolios;
    QPushButton* BtGuardarSeriesFolios;
    QList<EdicionEmpresa::TFilaSerie> m_filas;
};
