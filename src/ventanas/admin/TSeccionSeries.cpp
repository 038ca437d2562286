#include "TSeccionSeries.h"

#include "Constantes.h"
#include "Controles.h"
#include "TSeriesFoliosFrm.h"
#include "app/Ventanas.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Constantes;

TSeccionSeries::TSeccionSeries(QWidget* padre)
    : TSeccionEmpresa(padre, QStringLiteral("TxTopSeriesFolios"), QStringLiteral("TxTopSeriesFoliosTituloLeyenda"),
                      QStringLiteral("Series y folios"))
{
    QWidget* c = contenido();
    auto* d = new QVBoxLayout(c);
    GrSeriesFolios = tabla(c, QStringLiteral("GrSeriesFolios"));
    GrSeriesFolios->setColumnCount(4);
    GrSeriesFolios->setHorizontalHeaderLabels({GRID_SUCURSAL, GRID_SERIE, GRID_TIPO, GRID_FOLIO_ACTUAL});
    GrSeriesFolios->setColumnWidth(0, 150);
    for (int k = 1; k < 4; ++k)
        GrSeriesFolios->setColumnWidth(k, 86);
    GrSeriesFolios->horizontalHeader()->setStretchLastSection(true);
    GrSeriesFolios->setFixedHeight(150);
    GrSeriesFolios->setToolTip(
        QStringLiteral("Doble clic o Enter (también Ctrl+Mayús y «+ Agregar») edita la serie elegida."));
    d->addWidget(GrSeriesFolios);
    BtGuardarSeriesFolios = Controles::boton(c, QStringLiteral("BtGuardarSeriesFolios"), QStringLiteral("+ &Agregar"));
    d->addLayout(botones({BtGuardarSeriesFolios}));
    connect(BtGuardarSeriesFolios, &QPushButton::clicked, this, &TSeccionSeries::BtGuardarSeriesFoliosClick);
    // A double click, or Enter on a row, edits its series.
    connect(GrSeriesFolios, &QTableWidget::activated, this, [this](const QModelIndex& indice) {
        if (indice.row() >= 0 && indice.row() < m_filas.size())
            abreSerie(indice.row(), true);
    });
}

void TSeccionSeries::carga()
{
    m_filas = EdicionEmpresa::series();
    const int actual = GrSeriesFolios->currentRow();
    GrSeriesFolios->setRowCount(0);
    GrSeriesFolios->setRowCount(static_cast<int>(m_filas.size()));
    for (int r = 0; r < m_filas.size(); ++r) {
        const EdicionEmpresa::TFilaSerie& f = m_filas.at(r);
        const QStringList valores = {f.sucursal, f.serie, f.tipo, f.folio};
        for (int c = 0; c < valores.size(); ++c)
            GrSeriesFolios->setItem(r, c, new QTableWidgetItem(valores.at(c)));
    }
    // Read again after the series window, the row the user was on stays
    // current: Enter edits it again without an arrow key first.
    if (actual >= 0 && !m_filas.isEmpty())
        GrSeriesFolios->setCurrentCell(qMin(actual, GrSeriesFolios->rowCount() - 1), 0);
}

void TSeccionSeries::enfoca()
{
    GrSeriesFolios->setFocus();
}

QList<QWidget*> TSeccionSeries::ordenTabulacion() const
{
    return {GrSeriesFolios, BtGuardarSeriesFolios};
}

void TSeccionSeries::BtGuardarSeriesFoliosClick()
{
    // The keys held at the click (or the key press) that set the button off.
    const Qt::KeyboardModifiers teclas = QGuiApplication::keyboardModifiers();
    const bool gesto = teclas.testFlag(Qt::ShiftModifier) && teclas.testFlag(Qt::ControlModifier);
    // The row chosen is the one selected: the current row outlives a cleared
    // selection, and editing a series nobody chose would surprise the user.
    const QList<QTableWidgetItem*> elegidos = GrSeriesFolios->selectedItems();
    const int renglon = elegidos.isEmpty() ? -1 : elegidos.first()->row();
    abreSerie(renglon, gesto && renglon >= 0 && renglon < m_filas.size());
}

void TSeccionSeries::abreSerie(int renglon, bool editar)
{
    if (!SeriesFoliosFrm)
        return;
    SeriesFoliosFrm->isEditar = editar;
    SeriesFoliosFrm->fijaCombosSoloLectura(editar);
    // A dialog whose reads failed would show another series' values.
    if (!guarda([&] {
            if (editar)
                SeriesFoliosFrm->inicializa(m_filas.at(renglon).idSerie);
            else
                SeriesFoliosFrm->inicializa();
        }))
        return;
    if (SeriesFoliosFrm->exec() == QDialog::Accepted)
        emit seriesModificadas();
    guarda([this] { carga(); });
}
