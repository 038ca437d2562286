#pragma once
#include "ComunesExport.h"
#include "TDecimal.h"
#include "VerificacionSello.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>

class QPagedPaintDevice;

// The printed representation of a stamped voucher (3.2, 3.3 or 4.0), drawn
// from its XML as it came: issuer and receiver, every line with its taxes, the
// tax breakdown, local taxes, withholdings and totals, the amount in words,
// payment form and method, currency, related vouchers, the payroll receipt,
// the donee legend, the stamp with both seals and its cadena original, the
// seal check and the SAT's QR code. Letter size; a long voucher flows over
// pages that repeat the header and carry page numbers, and a line taller than
// a page goes on over the next ones, so that no word of it is left out.
//
// Window-free (Qt Gui only); needs a QGuiApplication for the fonts.
namespace ImpresionComprobante {

// One voucher to draw.
struct TComprobante {
    QByteArray xml;
    // The business's logo (image bytes), drawn when not empty.
    QByteArray logo;
    // The seal check shown on paper; with `verificado` false it is made from
    // the XML when drawing. A seal that does not verify (Alterado,
    // Certificado no corresponde) is named in the same band as a
    // cancellation.
    bool verificado = false;
    VerificacionSello::TResultado verificacion;
    // Cancelled at the SAT: every page carries a red "CANCELADO ANTE EL SAT
    // el dd/MM/yyyy" band under its header, so a copy on paper cannot pass
    // for a voucher in force.
    bool cancelado = false;
    QDateTime fechaCancelacion;
};

// Draws the vouchers one after another, each from a new page, on `dispositivo`
// (a QPdfWriter or a printer). False with the reason when one cannot be read;
// nothing is drawn then.
COMUNES_EXPORT bool dibuja(const QList<TComprobante>& comprobantes, QPagedPaintDevice& dispositivo,
                           QString* error = nullptr);
// The same into a PDF file, written whole or not at all (owner-only).
COMUNES_EXPORT bool guardaPdf(const QList<TComprobante>& comprobantes, const QString& archivoPdf,
                              QString* error = nullptr);

// A PDF of many vouchers written one voucher at a time, each from a new page
// as `dibuja` lays them out, so that a list of any length holds only the
// voucher being drawn. It is written under a temporary name beside
// `archivoPdf` and takes that name only in `termina`: dropped before, it
// leaves nothing behind.
class COMUNES_EXPORT TArchivoPdf {
public:
    explicit TArchivoPdf(const QString& archivoPdf);
    ~TArchivoPdf();
    TArchivoPdf(const TArchivoPdf&) = delete;
    TArchivoPdf& operator=(const TArchivoPdf&) = delete;

    // False with the reason when the temporary file cannot be created.
    bool abre(QString* error = nullptr);
    // Reads and draws one voucher. False with the reason when it cannot be
    // read: nothing of it is drawn and the file goes on without it.
    bool agrega(const TComprobante& comprobante, QString* motivo = nullptr);
    int agregados() const;
    // Ends the file and puts it in place of `archivoPdf` (owner-only); false
    // with the reason when nothing was added or it could not be written.
    bool termina(QString* error = nullptr);

private:
    struct TDatos;
    std::unique_ptr<TDatos> d;
};

// The SAT's verification address for the voucher's QR code, per version;
// empty when the voucher is not stamped (or its total is not a number).
// 3.3 and 4.0 (Anexo 20, the two-dimensional code of the printed voucher):
// "https://verificacfdi.facturaelectronica.sat.gob.mx/default.aspx?id=UUID
// &re=RFC&rr=RFC&tt=TOTAL&fe=LAST8", the total without the zeros that carry
// no value but with one decimal at least ("1000.0", "2010.01") and fe the
// last 8 characters of the issuer's Sello as written. 3.2:
// "?re=RFC&rr=RFC&tt=0000001234.567800&id=UUID" (10 integer digits and 6
// decimals). The UUID is the stamp's as written. RFCs travel percent-encoded
// as UTF-8, so "&" cannot end the parameter early: "H&E951128469" becomes
// "H%26E951128469" and "Ñ" "%C3%91".
COMUNES_EXPORT QString direccionQr(const QByteArray& xml);

// The amount in words as printed on vouchers:
// "(DOS MIL CIENTO CUARENTA Y CINCO PESOS 00/100 M.N.)"; other currencies by
// their code ("... DÓLARES 50/100 USD"). Cents are rounded half up to two
// digits. MXN, USD and EUR are named ("PESOS", "DÓLARES", "EUROS"; "UN PESO",
// "UN MILLÓN DE PESOS", "VEINTIÚN PESOS"); any other code follows the number
// as it is ("(VEINTIUNO 00/100 GBP)"). The free text 3.2 allowed ("Pesos",
// "M.N.", empty) reads as MXN.
COMUNES_EXPORT QString importeConLetra(const TDecimal& importe, const QString& moneda = QStringLiteral("MXN"));

} // namespace ImpresionComprobante
