#pragma once
#include "TConexionSesion.h"
#include "TDecimal.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <exception>
#include <memory>

class QIODevice;
class QSqlQuery;

// The vouchers of one business as the reports show them, read straight from
// its database through the calling thread's connection. Amounts travel as
// text both ways and are summed by the database over its exact NUMERIC
// columns, so no amount ever passes through a double.

// How the list is sorted: by the engine, over the whole filter, so the first
// page is the first of every voucher and not of those already read. Equal
// keys keep the newest voucher first.
struct TOrdenComprobantes {
    // In the order the list shows its columns.
    enum TCampo {
        Fecha,
        Tipo,
        Serie,
        Folio,
        RfcReceptor,
        Receptor,
        Moneda,
        Subtotal,
        Trasladados,
        Retenidos,
        Total,
        Uuid,
        Version,
        Sello,
        EstadoSat, // cancelled ones first (ascending), by their cancellation date
        NumeroCampos
    };
    TCampo campo = Fecha;
    bool descendente = true;
};

// Which vouchers: a null date leaves that end open; an empty type or
// receiver text takes every voucher.
struct TFiltroComprobantes {
    int idNegocio = -1;
    QDate desde;
    QDate hasta;
    // Type letter as stored ("I", "E", "T", "N", "P").
    QString tipo;
    // Part of the receiver's RFC or name, letter case aside.
    QString receptor;
    // The seal check as stored ("Alterado"...), or SELLO_SIN_VERIFICAR for
    // vouchers not checked yet; empty takes every voucher.
    QString sello;
    // The vouchers cancelled at the SAT are always listed, and added to the
    // totals, counts and chart only when this says so: what was cancelled
    // was never owed.
    bool incluyeCancelados = false;
    TOrdenComprobantes orden;
};

struct TFilaComprobante {
    int id = -1;
    QDateTime fecha;
    QString tipo;
    QString serie;
    QString folio;
    QString rfcReceptor;
    QString receptor;
    QString moneda;
    TDecimal subtotal;
    TDecimal trasladados;
    TDecimal retenidos;
    TDecimal total;
    QString uuid;
    QString version;
    QString sello; // empty while not checked
    // Cancelled at the SAT, and when.
    bool cancelado = false;
    QDateTime fechaCancelacion;
};

struct TComprobanteGuardado {
    QByteArray xml;
    QString sello;
    QString motivoSello;
    // Cancelled at the SAT, and when.
    bool cancelado = false;
    QDateTime fechaCancelacion;
};

struct TTotalesComprobantes {
    int cantidad = 0;
    TDecimal subtotal;
    TDecimal trasladados;
    TDecimal retenidos;
    TDecimal total;
};

// What the vouchers of one type in one currency add up to. Amounts of
// different types (an income, a payroll, a payment) or currencies never add
// up to anything meaningful, so each pair keeps its own.
struct TTotalesTipo {
    QString tipo;   // letter as stored
    QString moneda; // as stored; empty when the voucher names none
    TTotalesComprobantes totales;
};

// The total issued in one month (`mes` is its first day).
struct TTotalMensual {
    QDate mes;
    TDecimal total;
    bool operator==(const TTotalMensual&) const = default;
};

// The months of one type in one currency, for one series of the chart.
struct TSerieMensual {
    QString tipo;
    QString moneda;
    QList<TTotalMensual> meses;
};

// The totals of a filter and its months, read in one pass over the vouchers.
struct TResumenComprobantes {
    // Only the count means anything across types; see porTipo.
    TTotalesComprobantes totales;
    // Ordered by type letter, then currency.
    QList<TTotalesTipo> porTipo;
    // Every voucher's total per month, from the filter's first month to its
    // last (or, with open ends, from the first voucher's month to the last
    // one's), months without vouchers at zero.
    QList<TTotalMensual> meses;
    // The same months, one series per type and currency (in porTipo's order).
    QList<TSerieMensual> series;
    // The vouchers of the filter cancelled at the SAT, whether the figures
    // above take them or not.
    int cancelados = 0;
    // How many the list shows: every voucher of the filter, cancelled or not.
    int listados = 0;
};

// One bar group of the monthly chart: a month, a quarter or a year.
struct TPeriodoGrafica {
    QDate inicio; // first day
    QString etiqueta;
    // False when the axis is too crowded to write every label.
    bool rotulado = true;
    bool operator==(const TPeriodoGrafica&) const = default;
};

// A mark of the chart's amount axis.
struct TMarcaImporte {
    double valor = 0;
    QString etiqueta;
    bool operator==(const TMarcaImporte&) const = default;
};

namespace ConsultaComprobantes {

// The filter's choice for vouchers whose seal was not checked yet.
inline const QString SELLO_SIN_VERIFICAR = QStringLiteral("Sin verificar");
// The seal states the filter offers, as stored.
QStringList estadosSello();

// The voucher types the filter offers: letter and name.
QList<QPair<QString, QString>> tiposComprobante();
// The type's name for its letter ("Ingreso" for "I"); an unknown letter as is.
QString nombreTipo(const QString& letra);
// How dates are written on screen: 31/01/2024.
inline const QString FORMATO_FECHA = QStringLiteral("dd/MM/yyyy");
// What the list says of a voucher's state at the SAT: "Cancelado el
// 15/03/2025", or nothing while it is in force.
QString textoEstadoSat(bool cancelado, const QDateTime& fecha);
// A currency as the totals name it: an empty one says so.
QString nombreMoneda(const QString& moneda);
// The name the CSV export proposes: Comprobantes_<RFC>_<desde>_<hasta>.csv,
// dates as yyyy-MM-dd; an open end reads "inicio" or "hoy" (`hoy` fills it).
QString nombreCsv(const QString& rfc, const QDate& desde, const QDate& hasta, const QDate& hoy);

// The groups of the chart for the months `primero` to `ultimo`: up to 24
// months one bar group each ("ene 2025"), up to 8 years by quarter
// ("T1 2025"), beyond by year ("2025"). Month names are Spanish whatever the
// machine's language. When there are more groups than a chart can write,
// only every few keep their label.
QList<TPeriodoGrafica> periodosGrafica(const QDate& primero, const QDate& ultimo);
// The totals of `meses` summed into the groups of periodosGrafica (same
// order, same count).
QList<TDecimal> totalesPorPeriodo(const QList<TPeriodoGrafica>& periodos, const QList<TTotalMensual>& meses);
// Evenly spaced round marks from zero up to at least `maximo`, labelled with
// "$" and thousands separators ("$1,500,000").
QList<TMarcaImporte> marcasImporte(double maximo);

// Raises EBaseDatos when the database cannot answer.
TResumenComprobantes resumen(const TConexionSesion& conexion, const TFiltroComprobantes& filtro);
TTotalesComprobantes totales(const TConexionSesion& conexion, const TFiltroComprobantes& filtro);
QList<TTotalMensual> totalesMensuales(const TConexionSesion& conexion, const TFiltroComprobantes& filtro);
// A stored voucher as its view and its PDF need it, read once: its XML as it
// arrived, its seal check (state and reason, empty while not checked) and its
// cancellation at the SAT. Everything empty when the business has no such voucher.
TComprobanteGuardado guardado(const TConexionSesion& conexion, int idNegocio, int idComprobante);
// Its XML alone.
QByteArray xml(const TConexionSesion& conexion, int idNegocio, int idComprobante);

// Every voucher of the filter as CSV (the cancelled ones too, with "Estado
// SAT" "Cancelado" and the date in "Fecha de cancelación"): UTF-8 with its byte-order mark (so a
// spreadsheet keeps the accents), a header line, comma-separated fields,
// CRLF line ends. Amounts are exact, with two decimals at least. Raises
// EEntradaSalida when the device cannot be written, EBaseDatos when the
// database cannot be read.
void exportaCsv(const TConexionSesion& conexion, const TFiltroComprobantes& filtro, QIODevice& destino);
// One field as the CSV carries it: quoted when it holds a comma, a quote or a
// line break. A text field that a spreadsheet would take for a formula
// (starting with "=", "+", "-", "@" or a control character) is preceded by an
// apostrophe: receiver names come from outside.
QString campoCsv(const QString& valor, bool esTexto);

// An amount as the screen shows it: thousands separated, two decimals at
// least ("1,234,567.50", "-0.000001").
QString textoImporte(const TDecimal& importe);

// Tells the user, through the prompter, what a query or a file of the
// reports failed with: the program's own errors in their Spanish words, any
// other as the library worded it. Every page of the reports shows failures
// through it.
void muestraError(const std::exception& e);

} // namespace ConsultaComprobantes

// The vouchers of a filter in pages, newest first. The query runs once.
// For a screen (PorPaginas) it sorts only the keys and each page reads its
// own rows, so a business with a hundred thousand vouchers costs one sort of
// keys and a page at a time; to read everything (Completo) it sorts whole
// rows once and streams them.
class TCursorComprobantes {
public:
    enum class TModo { PorPaginas, Completo };
    // Raises EBaseDatos when the query fails.
    TCursorComprobantes(const TConexionSesion& conexion, const TFiltroComprobantes& filtro,
                        TModo modo = TModo::PorPaginas);
    ~TCursorComprobantes();
    TCursorComprobantes(const TCursorComprobantes&) = delete;
    TCursorComprobantes& operator=(const TCursorComprobantes&) = delete;

    // Up to `cuantas` more rows; fewer (or none) at the end.
    QList<TFilaComprobante> siguientes(int cuantas);
    bool agotado() const { return m_agotado; }

private:
    QList<TFilaComprobante> lee(const QList<int>& claves) const;

    TConexionSesion m_conexion;
    TModo m_modo;
    std::unique_ptr<QSqlQuery> m_consulta;
    bool m_agotado = false;
};
