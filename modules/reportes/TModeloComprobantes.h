#pragma once
#include "ConsultaComprobantes.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QList>

#include <memory>
#include <optional>

// The voucher list of the reports: one page of rows at first, the next page
// each time the view reaches the end (canFetchMore/fetchMore), never all of
// them at once. Sorting by a column asks the database again in that order.
class TModeloComprobantes : public QAbstractTableModel {
    Q_OBJECT
public:
    // The columns are the sort fields, in the same order.
    using Columna = TOrdenComprobantes::TCampo;
    using enum TOrdenComprobantes::TCampo;
    static constexpr int FILAS_POR_PAGINA = 200;
    // The warning colours of the row of a voucher that cannot be trusted: one
    // altered, or one whose certificate is not its own.
    static inline const QColor COLOR_ALTERADO_FONDO = QColor(0xFD, 0xE2, 0xE1);
    static inline const QColor COLOR_ALTERADO_TEXTO = QColor(0x9B, 0x1C, 0x1C);
    // A voucher cancelled at the SAT: its row is struck through in a muted
    // grey (the "Estado SAT" cell, which says why, is not struck). An
    // untrusted one that was also cancelled keeps the warning colours, struck
    // through.
    static inline const QColor COLOR_CANCELADO_FONDO = QColor(0xEC, 0xEE, 0xF1);
    static inline const QColor COLOR_CANCELADO_TEXTO = QColor(0x4B, 0x55, 0x63);

    // Whether a stored seal check ("Alterado"...) says the voucher cannot be
    // trusted, and why in a sentence; empty when it can.
    static QString advertenciaSello(const QString& sello);

    explicit TModeloComprobantes(QObject* parent = nullptr);
    ~TModeloComprobantes() override;

    // Runs the filter and loads its first page. Raises EBaseDatos; the list
    // is then empty.
    void consulta(const TConexionSesion& conexion, const TFiltroComprobantes& filtro);
    // Lets go of the query (and its transaction).
    void limpia();
    // The filter of the last query, with its order.
    const TFiltroComprobantes& filtro() const { return m_filtro; }

    const TFilaComprobante& fila(int indice) const { return m_filas.at(indice); }

    int rowCount(const QModelIndex& padre = QModelIndex()) const override;
    int columnCount(const QModelIndex& padre = QModelIndex()) const override;
    QVariant data(const QModelIndex& indice, int rol = Qt::DisplayRole) const override;
    QVariant headerData(int seccion, Qt::Orientation orientacion, int rol = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& padre) const override;
    void fetchMore(const QModelIndex& padre) override;
    // Runs the last query again sorted by that column. Raises EBaseDatos.
    void sort(int columna, Qt::SortOrder orden = Qt::AscendingOrder) override;

private:
    std::optional<TConexionSesion> m_conexion;
    TFiltroComprobantes m_filtro;
    std::unique_ptr<TCursorComprobantes> m_cursor;
    QList<TFilaComprobante> m_filas;
};
