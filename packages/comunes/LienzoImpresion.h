#pragma once
#include "ModeloImpresion.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QTextOption>

#include <memory>

class QPagedPaintDevice;
class QPainter;
class QPaintDevice;
class QTextLayout;

// The pages of the printed voucher: a canvas that starts each page with the
// voucher's header and footer, and the blocks drawn on it (paragraphs, pairs,
// tables) that go on to the next page where one ends. Internal to the common
// package.
namespace ImpresionComprobante {

inline const QColor COLOR_TITULO(0x1f, 0x3a, 0x5f);
inline const QColor COLOR_FONDO(0xe8, 0xee, 0xf4);
inline const QColor COLOR_LINEA(0xb0, 0xbc, 0xc8);
inline const QColor COLOR_TENUE(0x55, 0x55, 0x55);
inline const QColor COLOR_CANCELADO(0xb9, 0x1c, 0x1c);

QFont fuente(qreal puntos, bool negrita = false);

// A text wrapped to a width: at word boundaries, and anywhere when a word
// (a seal, a long reference) is wider than the line.
class TParrafo {
public:
    TParrafo(const QString& texto, const QFont& f, qreal ancho, const QPaintDevice* dispositivo,
             Qt::Alignment alineacion = Qt::AlignLeft, int negritas = 0,
             QTextOption::WrapMode corte = QTextOption::WrapAtWordBoundaryOrAnywhere);
    ~TParrafo();
    qreal alto() const { return m_alto; }
    // The width of its widest line.
    qreal anchoNatural() const;
    int lineas() const;
    qreal altoLinea(int i) const;
    // From the first line's top to its baseline: texts of different sizes
    // side by side share a baseline when each is lowered by what it lacks of
    // the tallest one's.
    qreal ascenso() const;
    // Lines [desde, hasta) with the first one's top at `origen`.
    void dibuja(QPainter* p, const QPointF& origen, int desde = 0, int hasta = -1) const;

private:
    std::unique_ptr<QTextLayout> m_layout;
    qreal m_alto = 0;
};

// The smallest type a number takes to stay on one line.
inline constexpr qreal PUNTOS_MINIMOS = 5;

// An amount, a quantity or a rate ("12,345.123456", "$1,000.00",
// "1,000.00 EUR", "16.00 %").
bool esNumero(const QString& texto);
// A number is never broken over lines: "12,345.12" above "3456" reads as
// another quantity. It takes the largest type from `puntos` down to
// PUNTOS_MINIMOS that holds it in `ancho`; wider even then, it is laid out
// whole on a line of its own width (anchoNatural), for the caller to make
// room for it.
std::unique_ptr<TParrafo> numero(const QString& texto, qreal puntos, bool negrita, qreal ancho,
                                 const QPaintDevice* dispositivo, Qt::Alignment alineacion = Qt::AlignRight);

struct TEncabezado {
    QString emisor;
    QString rfc;
    QString tipo;
    QString serieFolio;
    QString uuid;
    QString version;
    QImage logo;
    // The band of a voucher cancelled at the SAT or whose seal does not
    // verify; empty for one in force and authentic.
    QString aviso;
};

// Every voucher is laid out twice: once to count its pages, once to draw
// them, so that each footer can say "Página N de M".
class TLienzo {
public:
    // `p` null: only measures.
    TLienzo(QPagedPaintDevice& dispositivo, QPainter* p, const TEncabezado& encabezado, int paginas);

    qreal mm(qreal milimetros) const;
    const QPaintDevice* dispositivo() const;
    QPainter* pintor() const { return p; }
    int paginas() const { return m_pagina_actual; }
    const QRectF& area() const { return m_area; }
    qreal y = 0;

    // Room for `alto` on this page, or a new page.
    bool asegura(qreal alto);
    void nuevaPagina();
    void texto(const TParrafo& t, qreal x, const QColor& color = Qt::black);
    // A paragraph that may continue on the next pages line by line.
    void parrafo(const QString& texto, const QFont& f, qreal sangria = 0, const QColor& color = Qt::black,
                 int negritas = 0, QTextOption::WrapMode corte = QTextOption::WrapAtWordBoundaryOrAnywhere);
    void titulo(const QString& texto);
    void linea(qreal desdeX, qreal hastaX, qreal enY, const QColor& color = COLOR_LINEA);

private:
    void inicia();

    QPagedPaintDevice& m_dispositivo;
    QPainter* p;
    const TEncabezado& m_encabezado;
    int m_paginas;
    int m_pagina_actual = 1;
    QRectF m_pagina;
    QRectF m_area;
};

// Label/value pairs in `columnas` columns from `y` on, the label in bold;
// `mide` only adds their height to `y`.
void dibujaPares(TLienzo& l, const QList<TPar>& pares, int columnas, qreal x, qreal ancho, qreal& y, bool mide = false);
// Short pairs share a row; a long text takes a row of its own.
void pares(TLienzo& l, const QList<TPar>& lista, int columnas = 2);
// Two boxes of pairs side by side (issuer | receiver), kept on one page.
void ladoALado(TLienzo& l, const QString& tituloA, const QList<TPar>& a, const QString& tituloB, const QList<TPar>& b);
// A table whose header is drawn again on every page it reaches; a row taller
// than a page goes on over the next ones, so no line of it is lost.
void tabla(TLienzo& l, const TTabla& t);

} // namespace ImpresionComprobante
