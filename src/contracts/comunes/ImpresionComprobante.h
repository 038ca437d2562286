#pragma once
#include "ComunesExport.h"
#include "TDecimal.h"
#include "VerificacionSello.h"

#include <QByteArray>
#include <QList>
#include <QString>

class QPagedPaintDevice;

// The printed representation of a stamped voucher (3.2, 3.3 or 4.0), drawn
// from its XML as it came: issuer and receiver, every line with its taxes, the
// tax breakdown, local taxes, withholdings and totals, the amount in words,
// payment form and method, currency, related vouchers, the payroll receipt,
// the donee legend, the stamp with both seals and its cadena original, the
// seal check and the SAT's QR code. Letter size; a long voucher flows over
// pages that repeat the header and carry page numbers.
//
// Window-free (Qt Gui only); needs a QGuiApplication for the fonts.
namespace ImpresionComprobante {

// One voucher to draw.
struct TComprobante {
    QByteArray xml;
    // The business's logo (image bytes), drawn when not empty.
    QByteArray logo;
    // The seal check shown on paper; with `verificado` false it is made from
    // the XML when drawing.
    bool verificado = false;
    VerificacionSello::TResultado verificacion;
};

// Draws the vouchers one after another, each from a new page, on `dispositivo`
// (a QPdfWriter or a printer). False with the reason when one cannot be read;
// nothing is drawn then.
COMUNES_EXPORT bool dibuja(const QList<TComprobante>& comprobantes, QPagedPaintDevice& dispositivo,
                           QString* error = nullptr);
// The same into a PDF file, written whole or not at all (owner-only).
COMUNES_EXPORT bool guardaPdf(const QList<TComprobante>& comprobantes, const QString& archivoPdf,
                              QString* error = nullptr);

// The SAT's verification address for the voucher's QR code, per version;
// empty when the voucher is not stamped.
COMUNES_EXPORT QString direccionQr(const QByteArray& xml);

// The amount in words as printed on vouchers:
// "(DOS MIL CIENTO CUARENTA Y CINCO PESOS 00/100 M.N.)"; other currencies by
// their code ("... DÓLARES 50/100 USD").
COMUNES_EXPORT QString importeConLetra(const TDecimal& importe, const QString& moneda = QStringLiteral("MXN"));

} // namespace ImpresionComprobante
