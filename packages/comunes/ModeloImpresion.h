#pragma once
#include "ImpresionComprobante.h"

#include <QList>
#include <QString>
#include <QStringList>

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

} // namespace ImpresionComprobante
