#pragma once
#include "ImpresionComprobante.h"

class TNodoXML;

#include <QList>
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <tuple>

// What a voucher prints, read once from its XML whatever its version: the
// reading and the drawing of the printed voucher meet here, so that neither
// needs to know how the other is done. Internal to the common package.
namespace ImpresionComprobante {

struct TPar {
    QString etiqueta;
    QString valor;
};

struct TImpuesto {
    QString clase; // "Traslado", "Retención", "Traslado local", "Retención local"
    QString impuesto;
    QString factor;
    QString tasa;
    QString base;
    QString importe;
};

struct TLinea {
    QStringList celdas;
    // Taxes, parts, customs entries...: one small line under the row.
    QString detalle;
};

struct TTabla {
    QString titulo;
    QStringList columnas;
    QList<qreal> anchos; // fractions of the width
    QList<bool> derecha;
    QList<TLinea> filas;
    QList<TPar> pie; // totals under the table, right-aligned
};

struct TSeccion {
    QString titulo;
    QList<TPar> pares;
    QList<TTabla> tablas;
};

struct TModelo {
    QString version;
    QString tipo;
    QString serieFolio;
    QString uuid;
    QString nombreEmisor;
    QString rfcEmisor;
    QList<TPar> emisor;
    QList<TPar> receptor;
    QList<TPar> comprobante;
    QList<TPar> pago;
    TSeccion relacionados;
    TTabla conceptos;
    TTabla impuestos;
    QList<TPar> totales;
    QString letra;
    QList<TSeccion> complementos;
    QList<TPar> timbre;
    QList<TPar> sellos; // long texts: seals and the stamp's cadena original
    QString qr;
    QString verificacion;
    // What the header's band says of a seal that does not verify, so that a
    // copy on paper cannot pass for an authentic voucher; empty otherwise.
    QString alerta;
};

// Reads `entrada` into `m`; false with the reason when the voucher cannot be
// read (not a CFDI 3.2, 3.3 or 4.0, or not well formed).
bool leeModelo(const TComprobante& entrada, TModelo& m, QString& error);

// What the readers of the voucher and of its complements share.
// An amount with thousands separators ("1,234.50"), or the text as written
// when it is none.
QString importe(const QString& texto);
// The currency a voucher names, as its code: 3.2 wrote free text ("Pesos",
// "M.N.", or nothing at all for pesos).
QString codigoMoneda(const QString& moneda);
// The same in `moneda`: pesos with their sign ("$1,234.50"), any other
// currency with its code ("1,234.50 EUR", "1,234.50 USD").
QString enMoneda(const QString& texto, const QString& moneda);
// Adds the pair when `valor` is not blank.
void agrega(QList<TPar>& pares, const QString& etiqueta, const QString& valor);
// The parts that are not blank, trimmed and joined.
QString une(const QStringList& partes, const QString& separador = QStringLiteral(", "));
// "002 IVA" for the SAT's key of a tax.
QString nombreImpuesto(const QString& clave);
// Taxes on one line: "Traslado 002 IVA Tasa 0.160000 base 100.00 importe 16.00; ...".
QString detalleImpuestos(const QList<TImpuesto>& impuestos);

// "2.50 %" for a rate written as a percentage, or nothing when there is none.
QString porcentaje(const QString& valor);
// "Etiqueta valor", or nothing when there is no value.
QString conEtiqueta(const QString& etiqueta, const QString& valor);
// A table of `columnas` (name, width, right-aligned).
TTabla tabla(const QString& titulo, const QList<std::tuple<QString, qreal, bool>>& columnas);
// Each complement named `nombre` in the namespace of any of its versions, in
// a section of its own titled `titulo` and its version, filled by `lee`.
void porVersion(TModelo& m, const TNodoXML& raiz, std::initializer_list<const char*> espacios, const char* nombre,
                const QString& titulo, void (*lee)(const TNodoXML&, TSeccion&));

// What the complements of a line (its ComplementoConcepto) add under it: the
// school's student...; one text each.
QStringList complementosDeConcepto(const TNodoXML& concepto);
// The payroll receipt (1.2 and 1.1), a section each.
void leeNomina(TModelo& m, const TNodoXML& raiz);
// Payments, foreign trade and waybill complements, a section each; they
// call the next ones.
void leeComplementosComerciales(TModelo& m, const TNodoXML& raiz);
// The complements that describe the sale or the voucher without moving
// money of their own (the retail chains' detail...), a section each.
void leeComplementosDetalle(TModelo& m, const TNodoXML& raiz);

} // namespace ImpresionComprobante
