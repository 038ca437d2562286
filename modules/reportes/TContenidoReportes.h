#pragma once
#include "ConsultaComprobantes.h"
#include "TPdfComprobantes.h"

#include <QString>
#include <QWidget>

class QChartView;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QStandardItemModel;
class QTabWidget;
class QTableView;
class QTimer;
class TConciliacionSat;
class TConexionSesion;
class TModeloComprobantes;
class TNegocio;

// The voucher browser of the current business: filters by date range, type
// and receiver (applied as they change), the list (paged, sorted by the
// database by the column whose header was clicked), the totals of what the
// filter takes per type and currency, the monthly chart, the CSV export and
// each voucher's view. Vouchers cancelled at the SAT are listed, marked,
// and summed only when the user asks for them; the reconciliation with the
// SAT's metadata has a page of its own.
//
// It reads the business and the connection the shell gave it every time it
// opens, so after a business switch it shows the new business.
class TContenidoReportes : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
public:
    // The action that opens it on the chart.
    static inline const QString ACCION_GRAFICA = QStringLiteral("Grafica");
    // The action that opens it on the reconciliation with the SAT.
    static inline const QString ACCION_CONCILIACION = QStringLiteral("Conciliacion");
    // Its pages, in the tabs' order.
    enum TPagina { PaginaComprobantes, PaginaGrafica, PaginaConciliacion };

    TContenidoReportes(const TNegocio* negocio, const TConexionSesion* conexion, QWidget* parent = nullptr);

    // The side menu: quick periods.
    QWidget* creaPeriodos(QWidget* padre);

    QString text() const { return m_texto; }
    void setText(const QString& texto) { m_texto = texto; }

    // The shell opened it: the list again (the chart first for
    // ACCION_GRAFICA, the reconciliation for ACCION_CONCILIACION).
    Q_INVOKABLE void click(QObject* emisor);
    // Runs the filter as the fields say.
    Q_INVOKABLE void busca();
    // How long typing waits before the filter runs, so a large business does
    // not run a query for every key.
    static constexpr int ESPERA_TECLEO_MS = 350;
    // Sets the dates to "mes" (this month), "mesAnterior", "anio" (this year)
    // or "todos" (no dates), and runs the filter.
    Q_INVOKABLE void eligePeriodo(const QString& periodo);
    // Writes the filter's vouchers to the file; false, after telling the
    // user, when it could not.
    Q_INVOKABLE bool exportaCsv(const QString& ruta);
    // Shows the listed voucher (read from its stored XML).
    Q_INVOKABLE void abreComprobante(int fila);
    // The name the CSV export proposes for the filter as it stands.
    Q_INVOKABLE QString nombreCsv() const;
    // The listed voucher's printed representation, written to `ruta`; false,
    // after telling the user, when it could not.
    Q_INVOKABLE bool guardaPdf(int fila, const QString& ruta);
    // Every voucher of the filter in one PDF (`ruta` a file), or one PDF per
    // voucher named by its UUID (`ruta` a folder). Shows the progress; the
    // user may stop it, and what was written stays.
    Q_INVOKABLE bool guardaPdfLista(const QString& ruta, bool unoPorComprobante);
    // Copies SAT certificates into the program folder, so that stamps signed
    // with them are checked; tells the user what was added and what not.
    Q_INVOKABLE int agregaCertificadosSat(const QStringList& archivos);

    TFiltroComprobantes filtro() const;

private:
    void actualizaTotales(const TResumenComprobantes& resumen);
    void actualizaGrafica(const QList<TSerieMensual>& series);
    void eligeArchivoCsv();
    void ordena(int columna, Qt::SortOrder orden);
    void eligePdfLista(bool unoPorComprobante);
    void eligeCertificadosSat();
    // Reads the reconciliation when its page is shown and was not read since
    // the window was opened.
    void cargaConciliacion();

    const TNegocio* m_negocio;
    const TConexionSesion* m_conexion;
    QString m_texto;
    TModeloComprobantes* m_modelo;
    TPdfComprobantes m_pdf;

    QLabel* m_titulo;
    QCheckBox* m_porFecha;
    QDateEdit* m_desde;
    QDateEdit* m_hasta;
    QComboBox* m_tipo;
    QComboBox* m_sello;
    QLineEdit* m_receptor;
    QTimer* m_espera;
    QPushButton* m_exportar;
    QTabWidget* m_paginas;
    QStackedWidget* m_area;
    QTableView* m_tabla;
    QLabel* m_vacio;
    QPushButton* m_ver;
    QPushButton* m_imprimir;
    QPushButton* m_guardarPdf;
    QPushButton* m_pdfLista;
    QPushButton* m_certificadosSat;
    QLabel* m_mostrando;
    QChartView* m_grafica;
    QStandardItemModel* m_modeloTotales;
    QTableView* m_totales;
    QLabel* m_notaCancelados;
    QCheckBox* m_sumarCancelados;
    TConciliacionSat* m_conciliacion;
    bool m_conciliacionLeida = false;
    int m_totalFilas = 0;
};
