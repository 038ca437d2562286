#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// What the voucher view shows of a stored CFDI (3.2, 3.3 or 4.0), read from
// its XML. Every amount and date is the text the file wrote, untouched: the
// view must agree to the digit with the document the SAT holds.
struct TParteComprobante {
    QString rfc;
    QString nombre;
};

struct TLineaComprobante {
    QString cantidad;
    QString unidad;
    QString descripcion;
    QString valorUnitario;
    QString importe;
};

struct TImpuestoComprobante {
    bool retenido = false;
    QString impuesto; // name ("IVA") when the file writes its SAT code
    QString tasa;     // rate or quota as written; empty for a withholding of 3.3/4.0
    QString importe;
};

struct TVistaComprobante {
    QString version;
    QString tipo; // name ("Ingreso")
    QString serie;
    QString folio;
    QString fecha; // dd/MM/yyyy HH:mm:ss
    QString moneda;
    TParteComprobante emisor;
    TParteComprobante receptor;
    QList<TLineaComprobante> lineas;
    QList<TImpuestoComprobante> impuestos;
    QString subtotal;
    QString descuento;
    QString trasladados;
    QString retenidos;
    QString total;
    QString uuid;
    QString fechaTimbrado; // dd/MM/yyyy HH:mm:ss
    QString certificadoSat;
    // The seal check as stored with the voucher, and its reason.
    QString sello;
    QString motivoSello;
    // Its cancellation at the SAT, as stored with the voucher.
    bool cancelado = false;
    QDateTime fechaCancelacion;
};

namespace LecturaComprobante {

// Raises EXML when the bytes are not a CFDI 3.x or 4.0 voucher.
TVistaComprobante lee(const QByteArray& xml);

} // namespace LecturaComprobante
