#pragma once
#include "BaseDatosExport.h"
#include "Entidades.h"
#include "TDecimal.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>

class QIODevice;
class TConexionSesion;
class TUnidadTrabajo;

// One thing the SAT's metadata and a business's stored vouchers disagree on.
struct BASEDATOS_EXPORT THallazgoSat {
    enum class TTipo {
        Cancelado,      // stored, and the SAT says it was cancelled
        FaltaXml,       // the SAT lists it and its XML is not stored
        SinMetadatos,   // stored, in a month the metadata covers, and the SAT does not list it
        ImporteDistinto // stored, and its Total is not the SAT's Monto
    };
    TTipo tipo = TTipo::Cancelado;
    QString rfc; // the business's
    QString uuid;
    QString fecha;            // the emission date (the metadata's as written, or the stored one)
    QString fechaCancelacion; // as the SAT wrote it
    QString rfcEmisor;
    QString nombreEmisor;
    QString rfcReceptor;
    QString nombreReceptor;
    QString total; // the stored Total, exact; empty when not stored
    QString monto; // the SAT's Monto, exact; empty when not listed

    // "Cancelado", "Falta el XML", "Sin metadatos", "Importe distinto".
    static QString nombre(TTipo tipo);
};

// The SAT's metadata kept beside a business's vouchers (TMetadatosat), and
// what the two say differently. A stored voucher the SAT lists as cancelled
// is marked so (TComprobante Estatus ESTADO_FACTURA_CANCELADA, with its
// Fechacancelacion), which keeps it out of the totals; the row and the mark
// always agree, whichever arrives first.
namespace ConciliacionSat {

// What storing one row did.
struct BASEDATOS_EXPORT TGuardadoFila {
    bool nueva = false;       // the business did not have it
    bool actualizada = false; // it replaced an older row
    bool marcada = false;     // a stored voucher became cancelled
    bool desmarcada = false;  // a stored voucher marked cancelled is in force again
};

// Stores the row in the business `idNegocio` of the unit's database: a row
// with the same UUID (letter case aside) is replaced only by one whose
// package is as new or newer (Fechapaquete; at the same date a cancellation
// wins), and the voucher with that UUID, when stored, takes its status.
// Raises EBaseDatos.
TGuardadoFila guarda(const TMetadatosat& fila, int idNegocio, const TUnidadTrabajo& unidad);

// The cancelled rows of a business, by upper-case UUID, with their
// cancellation date as written: what a voucher stored later must be marked
// with. One query.
QHash<QString, QString> cancelados(int idNegocio, const TConexionSesion& conexion);
// Marks the stored voucher `uuid` of the business cancelled on that date (as
// the SAT wrote it), for a voucher stored after its metadata row. False when
// it is not stored or already marked. Raises EBaseDatos.
bool marcaCancelado(const QString& uuid, int idNegocio, const QString& fechaCancelacion, const TUnidadTrabajo& unidad);
// A voucher's Fechacancelacion for the SAT's cancellation date as written
// ("yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss" or "yyyy-MM-dd"); invalid
// when written otherwise.
QDateTime fechaCancelacion(const QString& comoSeEscribio);

// Every finding for the business `idNegocio` whose RFC is `rfc`, by kind
// (Cancelado, FaltaXml, SinMetadatos, ImporteDistinto), then by date and
// UUID. "Sin metadatos" is only said of vouchers the business issued, in a
// month in which the SAT listed another voucher it issued. A listed voucher
// the business received is missing only when its issuer is no business of
// this program folder, since the import keeps a voucher with its issuer:
// neither one of `emisoresLocales` (the RFCs registered now) nor known as
// the row was stored (Emisorlocal). Raises EBaseDatos.
QList<THallazgoSat> hallazgos(const QString& rfc, int idNegocio, const TConexionSesion& conexion,
                              const QSet<QString>& emisoresLocales);

// How many of each kind, in TTipo's order.
QList<int> cuentaPorTipo(const QList<THallazgoSat>& hallazgos);
// cuentaPorTipo(hallazgos(...)), counted by the database: no voucher or
// metadata row is read into memory, so a business of a hundred thousand
// vouchers is counted in a fraction of the time and memory. Raises
// EBaseDatos.
QList<int> cuentaHallazgos(const QString& rfc, int idNegocio, const TConexionSesion& conexion,
                           const QSet<QString>& emisoresLocales);

// The findings as CSV, as the import's report writes it: UTF-8 with a
// byte-order mark, CRLF, fields quoted where they must be. The header is
// written when `encabezado` is true. Raises EEntradaSalida.
void escribeCsv(QIODevice& destino, const QList<THallazgoSat>& hallazgos, bool encabezado);
// The header line's fields.
QStringList columnasCsv();

} // namespace ConciliacionSat
