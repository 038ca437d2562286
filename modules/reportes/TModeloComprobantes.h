#pragma once
#include "ConsultaComprobantes.h"

#include <QAbstractTableModel>
#include <QList>

#include <memory>

// The voucher list of the reports: one page of rows at first, the next page
// each time the view reaches the end (canFetchMore/fetchMore), never all of
// them at once.
class TModeloComprobantes : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Columna {
        Fecha,
        Tipo,
        Serie,
        Folio,
        RfcReceptor,
        Receptor,
        Subtotal,
        Trasladados,
        Retenidos,
        Total,
        Uuid,
        Version,
        NumeroColumnas
    };
    static constexpr int FILAS_POR_PAGINA = 200;

    explicit TModeloComprobantes(QObject* parent = nullptr);
    ~TModeloComprobantes() override;

    // Runs the filter and loads its first page. Raises EBaseDatos; the list
    // is then empty.
    void consulta(const TConexionSesion& conexion, const TFiltroComprobantes& filtro);
    // Lets go of the query (and its transaction).
    void limpia();

    const TFilaComprobante& fila(int indice) const { return m_filas.at(indice); }

    int rowCount(const QModelIndex& padre = QModelIndex()) const override;
    int columnCount(const QModelIndex& padre = QModelIndex()) const override;
    QVariant data(const QModelIndex& indice, int rol = Qt::DisplayRole) const override;
    QVariant headerData(int seccion, Qt::Orientation orientacion, int rol = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& padre) const override;
    void fetchMore(const QModelIndex& padre) override;

private:
    std::unique_ptr<TCursorComprobantes> m_cursor;
    QList<TFilaComprobante> m_filas;
};
