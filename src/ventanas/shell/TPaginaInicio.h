#pragma once
#include <QDate>
#include <QPointer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class THiloResumenInicio;
namespace ResumenInicio {
struct TPeriodo;
struct TResumen;
} // namespace ResumenInicio

// The page the main window's work area shows after sign-in: the business and
// its certificate's validity, its vouchers of this month and this year by
// type, the last import, what the SAT's metadata says differently, and buttons for the next steps. The figures are
// ResumenInicio's; the buttons only announce what was asked.
class TPaginaInicio : public QWidget {
    Q_OBJECT
public:
    explicit TPaginaInicio(QWidget* parent = nullptr);

    // Reads the signed-in business's figures again, on a thread of their
    // own: the page says it is calculating until they arrive. Figures that
    // arrive once another reading was asked for, or once the session is
    // another business's, are dropped. A database that cannot answer leaves
    // the figures out and says so; it never stops the window.
    void actualiza();
    // Whether the figures asked for last have not arrived yet.
    bool calculando() const;
    void enfoca();
    // The check of the seals of vouchers stored before they were checked on
    // import: its progress while it runs, then how it ended.
    void muestraRevision(int hechos, int total, int alterados, int certificadoNoCorresponde);
    void terminaRevision(int hechos, int alterados, int certificadoNoCorresponde, const QString& error);

signals:
    void importacionSolicitada();
    void seriesSolicitadas();
    void reportesSolicitados();

private:
    void muestraPeriodo(QLabel* tabla, QLabel* titulo, const QString& nombre, const ResumenInicio::TPeriodo& periodo);
    void muestra(const ResumenInicio::TResumen& resumen, const QDate& hoy);

    QLabel* TxTituloInicio;
    QLabel* TxRfcInicio;
    QLabel* TxVigencia;
    QLabel* TxCalculando;
    QWidget* m_periodos;
    QLabel* TxTituloMes;
    QLabel* m_tablaMes;
    QLabel* TxTituloAnio;
    QLabel* m_tablaAnio;
    QLabel* TxUltimaImportacion;
    QLabel* TxSugerencia;
    QLabel* TxConciliacion;
    QLabel* TxRevisionSellos;
    QProgressBar* m_barraRevision;
    QPushButton* BtImportarXML;
    QPushButton* BtDefinirSerie;
    QPushButton* BtAbrirReportes;
    // The reading asked for last, and its number: an earlier one's figures
    // are dropped.
    QPointer<THiloResumenInicio> m_hilo;
    quint64 m_pedido = 0;
    bool m_calculando = false;
};
