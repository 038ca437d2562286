#pragma once
#include "ConsultaComprobantes.h"

#include <QString>
#include <QWidget>

class QChartView;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;
class TConexionSesion;
class TModeloComprobantes;
class TNegocio;

// The voucher browser of the current business: filters by date range, type
// and receiver, the list (paged), the totals of what the filter takes, the
// monthly chart, the CSV export and each voucher's stored XML.
//
// It reads the business and the connection the shell gave it every time it
// opens, so after a business switch it shows the new business.
class TContenidoReportes : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
public:
    // The action that opens it on the chart.
    static inline const QString ACCION_GRAFICA = QStringLiteral("Grafica");

    TContenidoReportes(const TNegocio* negocio, const TConexionSesion* conexion, QWidget* parent = nullptr);

    // The side menu: quick periods.
    QWidget* creaPeriodos(QWidget* padre);

    QString text() const { return m_texto; }
    void setText(const QString& texto) { m_texto = texto; }

    // The shell opened it: the list again (the chart first for
    // ACCION_GRAFICA).
    Q_INVOKABLE void click(QObject* emisor);
    // Runs the filter as the fields say.
    Q_INVOKABLE void busca();
    // Sets the dates to "mes" (this month), "mesAnterior", "anio" (this year)
    // or "todos" (no dates), and runs the filter.
    Q_INVOKABLE void eligePeriodo(const QString& periodo);
    // Writes the filter's vouchers to the file; false, after telling the
    // user, when it could not.
    Q_INVOKABLE bool exportaCsv(const QString& ruta);
    // Shows the stored XML of the listed voucher.
    Q_INVOKABLE void abreComprobante(int fila);

    TFiltroComprobantes filtro() const;

private:
    void actualizaTotales(const TTotalesComprobantes& totales);
    void actualizaGrafica(const QList<TTotalMensual>& meses);
    void eligeArchivoCsv();
    void muestraError(const std::exception& e);

    const TNegocio* m_negocio;
    const TConexionSesion* m_conexion;
    QString m_texto;
    TModeloComprobantes* m_modelo;

    QLabel* m_titulo;
    QCheckBox* m_porFecha;
    QDateEdit* m_desde;
    QDateEdit* m_hasta;
    QComboBox* m_tipo;
    QLineEdit* m_receptor;
    QPushButton* m_buscar;
    QPushButton* m_exportar;
    QTabWidget* m_paginas;
    QTableView* m_tabla;
    QLabel* m_mostrando;
    QChartView* m_grafica;
    QLabel* m_cantidad;
    QLabel* m_subtotal;
    QLabel* m_trasladados;
    QLabel* m_retenidos;
    QLabel* m_total;
    int m_totalFilas = 0;
};
