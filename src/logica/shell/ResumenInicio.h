#pragma once
#include "TConexionSesion.h"
#include "TDecimal.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <functional>

// What the start page of the main window says about the signed-in business,
// read without any window.
namespace ResumenInicio {

// The vouchers of one type and currency in a period. Amounts are summed by
// the database over its exact columns and never mixed across types or
// currencies: an income and a payroll receipt add up to nothing useful.
struct TTotalTipo {
    QString tipo;   // "Ingreso", "Nómina"...
    QString moneda; // "MXN" when the voucher names none
    int cantidad = 0;
    TDecimal total;
};
struct TPeriodo {
    int cantidad = 0;
    QList<TTotalTipo> porTipo; // in the order of the types, then currency
};
// The vouchers of the business issued in [desde, hasta), leaving out those
// cancelled at the SAT (never owed). Raises EBaseDatos.
TPeriodo periodo(const TConexionSesion& conexion, int idNegocio, const QDate& desde, const QDate& hasta);

// The signing certificate kept for the business.
struct TVigencia {
    enum TEstado { SinCertificado, Vigente, PorVencer, Vencido };
    TEstado estado = SinCertificado;
    QDate fin;
    int dias = 0; // until the end (negative once past)
};
// PorVencer within DIAS_AVISO days of `hoy`.
inline constexpr int DIAS_AVISO = 30;
TVigencia vigencia(const QDate& fin, const QDate& hoy);
QString textoVigencia(const TVigencia& v);

// The newest import that touched the business, from the reports the imports
// leave beside the program log (TReporteImportacion).
struct TUltimaImportacion {
    bool hubo = false;
    QDateTime fecha;
    int importados = 0;
    int yaExistian = 0;
    int noImportados = 0; // passed over or failed
};
// The newest report of `carpetaReportes` with rows of `rfc`, however many
// newer reports name only other businesses (an accountant's folder holds the
// reports of all). Each report is read once: what it says of each RFC is
// kept beside them, in Importaciones.indice (its owner's only).
TUltimaImportacion ultimaImportacion(const QString& carpetaReportes, const QString& rfc);
QString textoUltimaImportacion(const TUltimaImportacion& u);

// What the SAT's metadata and the stored vouchers of the business say
// differently (ConciliacionSat::hallazgos), by kind.
struct TConciliacion {
    int cancelados = 0;
    int sinXml = 0;
    int sinMetadatos = 0;
    int importeDistinto = 0;
    int total() const { return cancelados + sinXml + sinMetadatos + importeDistinto; }
};
// One reading of the findings; `locales` are the RFCs of the businesses
// registered on this computer. Raises EBaseDatos.
TConciliacion conciliacion(const TConexionSesion& conexion, const QString& rfc, int idNegocio,
                           const QSet<QString>& locales);
// The same with the local registry's businesses.
TConciliacion conciliacion(const TConexionSesion& conexion, const QString& rfc, int idNegocio);
// "Conciliación con el SAT: 2 cancelados, 5 sin XML, 1 sin metadatos y 0 con
// importe distinto. Revísala en Reportes…"; empty when there is nothing to
// say (no findings, or no metadata stored).
QString textoConciliacion(const TConciliacion& c);

// What the start page asks of one business: everything it reads is here, so
// that the reading can run on any thread, on that thread's own connection.
struct TPedido {
    TConexionSesion conexion;
    int idNegocio = -1;
    QDate hoy;
    QString carpetaReportes;
    QSet<QString> rfcsLocales; // the businesses registered on this computer
};
// All the page shows of the business, read in one go.
struct TResumen {
    QString rfc;
    QString razon;
    TVigencia vigencia;
    TPeriodo mes;
    TPeriodo anio;
    bool sinSeries = false;
    TConciliacion conciliacion;
    TUltimaImportacion ultima;
    // False when the database did not answer (logged already); `error` then
    // says why in the user's words when the database is on a server, where
    // the user can act on the cause.
    bool conDatos = true;
    QString error;
    // False when asked to stop before the end: the rest is not read.
    bool completo = true;
};
// Reads it on the calling thread's connection; `detener` is asked between
// the readings and stops the rest. Never raises: a database that does not
// answer leaves its figures out.
TResumen calcula(const TPedido& pedido, const std::function<bool()>& detener = {});

} // namespace ResumenInicio
