#include "ModeloImpresion.h"

#include "Cfdi.h"
#include "Cfdv32.h"
#include "Cfdv33.h"
#include "Constantes.h"
#include "DocumentoXML.h"
#include "Errores.h"

#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryFile>
#include <QTextLayout>
#include <QUrl>

#include <qrencode.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace ImpresionComprobante {

namespace {

// ---------------------------------------------------------------------------
// Drawing. Every voucher is laid out twice: once to count its pages, once to
// draw them, so that each footer can say "Página N de M".

const QColor COLOR_TITULO(0x1f, 0x3a, 0x5f);
const QColor COLOR_FONDO(0xe8, 0xee, 0xf4);
const QColor COLOR_LINEA(0xb0, 0xbc, 0xc8);
const QColor COLOR_TENUE(0x55, 0x55, 0x55);
const QColor COLOR_CANCELADO(0xb9, 0x1c, 0x1c);

QFont fuente(qreal puntos, bool negrita = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(puntos);
    f.setBold(negrita);
    // Ligatures ("ﬁ") would reach the PDF's text as one character, and a
    // search for "fiscal" in a viewer would miss it.
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

// A text wrapped to a width: at word boundaries, and anywhere when a word
// (a seal, a long reference) is wider than the line.
class TParrafo {
public:
    TParrafo(const QString& texto, const QFont& f, qreal ancho, const QPaintDevice* dispositivo,
             Qt::Alignment alineacion = Qt::AlignLeft, int negritas = 0,
             QTextOption::WrapMode corte = QTextOption::WrapAtWordBoundaryOrAnywhere)
        : m_layout(std::make_unique<QTextLayout>(texto, f, dispositivo))
    {
        QTextOption opcion(alineacion);
        opcion.setWrapMode(corte);
        m_layout->setTextOption(opcion);
        if (negritas > 0) {
            QTextLayout::FormatRange r;
            r.start = 0;
            r.length = negritas;
            r.format.setFontWeight(QFont::Bold);
            m_layout->setFormats({r});
        }
        m_layout->beginLayout();
        qreal y = 0;
        for (QTextLine l = m_layout->createLine(); l.isValid(); l = m_layout->createLine()) {
            l.setLineWidth(ancho);
            l.setPosition(QPointF(0, y));
            y += l.height();
        }
        m_layout->endLayout();
        m_alto = y;
    }
    qreal alto() const { return m_alto; }
    int lineas() const { return m_layout->lineCount(); }
    qreal altoLinea(int i) const { return m_layout->lineAt(i).height(); }
    // Lines [desde, hasta) with the first one's top at `origen`.
    void dibuja(QPainter* p, const QPointF& origen, int desde = 0, int hasta = -1) const
    {
        if (!p || lineas() == 0)
            return;
        if (hasta < 0)
            hasta = lineas();
        const QPointF inicio = origen - QPointF(0, m_layout->lineAt(desde).y());
        for (int i = desde; i < hasta; ++i)
            m_layout->lineAt(i).draw(p, inicio);
    }

private:
    std::unique_ptr<QTextLayout> m_layout;
    qreal m_alto = 0;
};

struct TEncabezado {
    QString emisor;
    QString rfc;
    QString tipo;
    QString serieFolio;
    QString uuid;
    QString version;
    QImage logo;
    // The band of a voucher cancelled at the SAT; empty when in force.
    QString cancelacion;
};

class TLienzo {
public:
    // `p` null: only measures.
    TLienzo(QPagedPaintDevice& dispositivo, QPainter* p, const TEncabezado& encabezado, int paginas)
        : m_dispositivo(dispositivo), p(p), m_encabezado(encabezado), m_paginas(paginas)
    {
        const qreal propio = 12.0; // mm
        const QMarginsF ya = dispositivo.pageLayout().margins(QPageLayout::Millimeter);
        const qreal ancho = dispositivo.width();
        const qreal alto = dispositivo.height();
        const qreal izquierda = mm(std::max(0.0, propio - ya.left()));
        const qreal derecha = mm(std::max(0.0, propio - ya.right()));
        const qreal arriba = mm(std::max(0.0, propio - ya.top()));
        const qreal abajo = mm(std::max(0.0, propio - ya.bottom()));
        m_pagina = QRectF(izquierda, arriba, ancho - izquierda - derecha, alto - arriba - abajo);
        m_area = m_pagina.adjusted(0, mm(encabezado.cancelacion.isEmpty() ? 22 : 31), 0, -mm(9));
        inicia();
    }

    qreal mm(qreal milimetros) const { return milimetros * m_dispositivo.logicalDpiY() / 25.4; }
    const QPaintDevice* dispositivo() const { return &m_dispositivo; }
    QPainter* pintor() const { return p; }
    int paginas() const { return m_pagina_actual; }
    const QRectF& area() const { return m_area; }
    qreal y = 0;

    // Room for `alto` on this page, or a new page.
    bool asegura(qreal alto)
    {
        if (y + alto <= m_area.bottom() || y <= m_area.top() + 0.5)
            return false;
        nuevaPagina();
        return true;
    }
    qreal restante() const { return m_area.bottom() - y; }

    void nuevaPagina()
    {
        if (p)
            m_dispositivo.newPage();
        ++m_pagina_actual;
        inicia();
    }

    void texto(const TParrafo& t, qreal x, const QColor& color = Qt::black)
    {
        if (p) {
            p->setPen(color);
            t.dibuja(p, QPointF(x, y));
        }
    }

    // A paragraph that may continue on the next pages line by line.
    void parrafo(const QString& texto, const QFont& f, qreal sangria = 0, const QColor& color = Qt::black,
                 int negritas = 0, QTextOption::WrapMode corte = QTextOption::WrapAtWordBoundaryOrAnywhere)
    {
        const TParrafo t(texto, f, m_area.width() - sangria, dispositivo(), Qt::AlignLeft, negritas, corte);
        int desde = 0;
        while (desde < t.lineas()) {
            int hasta = desde;
            qreal alto = 0;
            while (hasta < t.lineas() && y + alto + t.altoLinea(hasta) <= m_area.bottom())
                alto += t.altoLinea(hasta++);
            if (hasta == desde) {
                if (y > m_area.top() + 0.5) {
                    nuevaPagina();
                    continue;
                }
                alto = t.altoLinea(hasta++);
            }
            if (p) {
                p->setPen(color);
                t.dibuja(p, QPointF(m_area.left() + sangria, y), desde, hasta);
            }
            y += alto;
            desde = hasta;
        }
    }

    void titulo(const QString& texto)
    {
        const TParrafo t(texto, fuente(8.5, true), m_area.width() - mm(4), dispositivo());
        const qreal alto = t.alto() + mm(1.6);
        // A title never ends a page alone.
        asegura(alto + mm(8));
        y += mm(2);
        if (p)
            p->fillRect(QRectF(m_area.left(), y, m_area.width(), alto), COLOR_TITULO);
        y += mm(0.8);
        texto_(t, m_area.left() + mm(2), Qt::white);
        y += alto - mm(0.8) + mm(1);
    }

    void linea(qreal desdeX, qreal hastaX, qreal enY, const QColor& color = COLOR_LINEA)
    {
        if (p) {
            p->setPen(QPen(color, mm(0.2)));
            p->drawLine(QPointF(desdeX, enY), QPointF(hastaX, enY));
        }
    }

private:
    void texto_(const TParrafo& t, qreal x, const QColor& color) { texto(t, x, color); }

    void inicia()
    {
        y = m_area.top();
        if (!p)
            return;
        p->save();
        const QRectF caja = m_pagina;
        qreal x = caja.left();
        const qreal altoEnc = mm(18);
        if (!m_encabezado.logo.isNull()) {
            const QSizeF limite(mm(40), altoEnc);
            QSizeF s = QSizeF(m_encabezado.logo.size()).scaled(limite, Qt::KeepAspectRatio);
            p->drawImage(QRectF(QPointF(x, caja.top()), s), m_encabezado.logo);
            x += s.width() + mm(4);
        }
        const qreal anchoDerecha = mm(78);
        const qreal anchoIzquierda = caja.right() - anchoDerecha - mm(4) - x;
        const TParrafo nombre(m_encabezado.emisor, fuente(11, true), anchoIzquierda, dispositivo());
        const TParrafo rfc(QStringLiteral("RFC: ") + m_encabezado.rfc, fuente(8.5), anchoIzquierda, dispositivo());
        p->setPen(COLOR_TITULO);
        nombre.dibuja(p, QPointF(x, caja.top()));
        p->setPen(Qt::black);
        rfc.dibuja(p, QPointF(x, caja.top() + nombre.alto() + mm(1)));

        const qreal xd = caja.right() - anchoDerecha;
        const TParrafo tipo(m_encabezado.tipo.toUpper(), fuente(12, true), anchoDerecha, dispositivo(), Qt::AlignRight);
        p->setPen(COLOR_TITULO);
        tipo.dibuja(p, QPointF(xd, caja.top()));
        qreal yd = caja.top() + tipo.alto() + mm(0.5);
        p->setPen(Qt::black);
        const QStringList lineas{
            m_encabezado.serieFolio.isEmpty() ? QString() : QStringLiteral("Serie y folio: ") + m_encabezado.serieFolio,
            m_encabezado.uuid.isEmpty() ? QStringLiteral("Sin timbre fiscal")
                                        : QStringLiteral("Folio fiscal: ") + m_encabezado.uuid,
            QStringLiteral("CFDI ") + m_encabezado.version};
        for (const QString& l : lineas) {
            if (l.isEmpty())
                continue;
            const TParrafo t(l, fuente(7.5), anchoDerecha, dispositivo(), Qt::AlignRight);
            t.dibuja(p, QPointF(xd, yd));
            yd += t.alto();
        }
        linea(caja.left(), caja.right(), caja.top() + mm(20), COLOR_TITULO);
        if (!m_encabezado.cancelacion.isEmpty()) {
            const QRectF banda(caja.left(), caja.top() + mm(21.5), caja.width(), mm(7));
            p->fillRect(banda, COLOR_CANCELADO);
            const TParrafo aviso(m_encabezado.cancelacion, fuente(12, true), banda.width() - mm(4), dispositivo(),
                                 Qt::AlignHCenter);
            p->setPen(Qt::white);
            aviso.dibuja(p, QPointF(banda.left() + mm(2), banda.center().y() - aviso.alto() / 2));
        }

        const qreal yp = m_area.bottom() + mm(3);
        linea(caja.left(), caja.right(), yp - mm(1));
        p->setPen(COLOR_TENUE);
        const TParrafo leyenda(QStringLiteral("Este documento es una representación impresa de un CFDI"), fuente(6.5),
                               caja.width() * 0.7, dispositivo());
        leyenda.dibuja(p, QPointF(caja.left(), yp));
        const TParrafo numero(QStringLiteral("Página %1 de %2").arg(m_pagina_actual).arg(m_paginas), fuente(6.5),
                              caja.width() * 0.3, dispositivo(), Qt::AlignRight);
        numero.dibuja(p, QPointF(caja.right() - caja.width() * 0.3, yp));
        p->restore();
    }

    QPagedPaintDevice& m_dispositivo;
    QPainter* p;
    const TEncabezado& m_encabezado;
    int m_paginas;
    int m_pagina_actual = 1;
    QRectF m_pagina;
    QRectF m_area;
};

// Label/value pairs in `columnas` columns, the label in bold.
void dibujaPares(TLienzo& l, const QList<TPar>& pares, int columnas, qreal x, qreal ancho, qreal& y, bool mide = false)
{
    const qreal separacion = l.mm(3);
    const qreal anchoColumna = (ancho - separacion * (columnas - 1)) / columnas;
    for (int i = 0; i < pares.size(); i += columnas) {
        qreal alto = 0;
        std::vector<std::unique_ptr<TParrafo>> fila;
        for (int c = 0; c < columnas && i + c < pares.size(); ++c) {
            const TPar& par = pares[i + c];
            const QString etiqueta = par.etiqueta + QStringLiteral(": ");
            fila.push_back(std::make_unique<TParrafo>(etiqueta + par.valor, fuente(7.5), anchoColumna, l.dispositivo(),
                                                      Qt::AlignLeft, etiqueta.size()));
            alto = std::max(alto, fila.back()->alto());
        }
        if (!mide && l.pintor()) {
            l.pintor()->setPen(Qt::black);
            for (size_t c = 0; c < fila.size(); ++c)
                fila[c]->dibuja(l.pintor(), QPointF(x + c * (anchoColumna + separacion), y));
        }
        y += alto + l.mm(0.6);
    }
}

// Short pairs share a row; a long text (a legend, a list of folios) takes a
// row of its own rather than a tall narrow column.
void pares(TLienzo& l, const QList<TPar>& lista, int columnas = 2)
{
    auto dibujaFila = [&](const QList<TPar>& fila, int n) {
        qreal alto = 0;
        dibujaPares(l, fila, n, l.area().left(), l.area().width(), alto, true);
        l.asegura(alto);
        dibujaPares(l, fila, n, l.area().left(), l.area().width(), l.y);
    };
    QList<TPar> fila;
    for (const TPar& par : lista) {
        if (columnas > 1 && par.etiqueta.size() + par.valor.size() > 90) {
            if (!fila.isEmpty())
                dibujaFila(fila, columnas);
            fila.clear();
            dibujaFila({par}, 1);
            continue;
        }
        fila.append(par);
        if (fila.size() == columnas) {
            dibujaFila(fila, columnas);
            fila.clear();
        }
    }
    if (!fila.isEmpty())
        dibujaFila(fila, columnas);
}

// Two boxes of pairs side by side (issuer | receiver), kept on one page.
void ladoALado(TLienzo& l, const QString& tituloA, const QList<TPar>& a, const QString& tituloB, const QList<TPar>& b)
{
    const qreal separacion = l.mm(4);
    const qreal ancho = (l.area().width() - separacion) / 2;
    const qreal relleno = l.mm(2);
    qreal altoA = 0, altoB = 0;
    dibujaPares(l, a, 1, 0, ancho - 2 * relleno, altoA, true);
    dibujaPares(l, b, 1, 0, ancho - 2 * relleno, altoB, true);
    const TParrafo tA(tituloA, fuente(8.5, true), ancho, l.dispositivo());
    const TParrafo tB(tituloB, fuente(8.5, true), ancho, l.dispositivo());
    const qreal cabecera = std::max(tA.alto(), tB.alto()) + l.mm(1.6);
    const qreal alto = cabecera + std::max(altoA, altoB) + 2 * relleno;
    l.asegura(alto + l.mm(2));
    l.y += l.mm(2);
    const qreal x0 = l.area().left();
    const qreal x1 = x0 + ancho + separacion;
    if (QPainter* p = l.pintor()) {
        for (qreal x : {x0, x1}) {
            p->fillRect(QRectF(x, l.y, ancho, cabecera), COLOR_TITULO);
            p->setPen(QPen(COLOR_LINEA, l.mm(0.2)));
            p->drawRect(QRectF(x, l.y, ancho, alto));
        }
        p->setPen(Qt::white);
        tA.dibuja(p, QPointF(x0 + relleno, l.y + l.mm(0.8)));
        tB.dibuja(p, QPointF(x1 + relleno, l.y + l.mm(0.8)));
    }
    qreal ya = l.y + cabecera + relleno;
    qreal yb = ya;
    dibujaPares(l, a, 1, x0 + relleno, ancho - 2 * relleno, ya);
    dibujaPares(l, b, 1, x1 + relleno, ancho - 2 * relleno, yb);
    l.y += alto;
}

void tabla(TLienzo& l, const TTabla& t)
{
    const QRectF area = l.area();
    const qreal relleno = l.mm(1);
    QList<qreal> xs;
    qreal x = area.left();
    for (qreal a : t.anchos) {
        xs << x;
        x += a * area.width();
    }
    auto anchoCelda = [&](int c) { return t.anchos[c] * area.width() - 2 * relleno; };
    auto alineacion = [&](int c) { return c < t.derecha.size() && t.derecha[c] ? Qt::AlignRight : Qt::AlignLeft; };

    std::vector<std::unique_ptr<TParrafo>> cabecera;
    qreal altoCabecera = 0;
    for (int c = 0; c < t.columnas.size(); ++c) {
        cabecera.push_back(
            std::make_unique<TParrafo>(t.columnas[c], fuente(7, true), anchoCelda(c), l.dispositivo(), alineacion(c)));
        altoCabecera = std::max(altoCabecera, cabecera.back()->alto());
    }
    altoCabecera += 2 * relleno;
    auto dibujaCabecera = [&]() {
        if (QPainter* p = l.pintor()) {
            p->fillRect(QRectF(area.left(), l.y, area.width(), altoCabecera), COLOR_FONDO);
            p->setPen(COLOR_TITULO);
            for (int c = 0; c < t.columnas.size(); ++c)
                cabecera[c]->dibuja(p, QPointF(xs[c] + relleno, l.y + relleno));
        }
        l.y += altoCabecera;
    };

    if (!t.titulo.isEmpty())
        l.titulo(t.titulo);
    if (!t.columnas.isEmpty()) {
        l.asegura(altoCabecera * 2);
        dibujaCabecera();
    }
    for (int f = 0; f < t.filas.size(); ++f) {
        const TLinea& fila = t.filas[f];
        std::vector<std::unique_ptr<TParrafo>> celdas;
        qreal alto = 0;
        for (int c = 0; c < t.columnas.size() && c < fila.celdas.size(); ++c) {
            celdas.push_back(
                std::make_unique<TParrafo>(fila.celdas[c], fuente(7), anchoCelda(c), l.dispositivo(), alineacion(c)));
            alto = std::max(alto, celdas.back()->alto());
        }
        std::unique_ptr<TParrafo> detalle;
        if (!fila.detalle.isEmpty()) {
            const qreal sangria = t.anchos.value(0) * area.width();
            detalle = std::make_unique<TParrafo>(fila.detalle, fuente(6.2), area.width() - sangria - 2 * relleno,
                                                 l.dispositivo());
            alto += detalle->alto() + l.mm(0.3);
        }
        alto += 2 * relleno;
        // A row too tall for any page is drawn from the top of a new one and
        // may run into the footer margin rather than be cut.
        if (l.asegura(alto) && !t.columnas.isEmpty())
            dibujaCabecera();
        if (QPainter* p = l.pintor()) {
            if (f % 2 == 1)
                p->fillRect(QRectF(area.left(), l.y, area.width(), alto), QColor(0xf6, 0xf8, 0xfa));
            p->setPen(Qt::black);
            qreal altoCeldas = 0;
            for (size_t c = 0; c < celdas.size(); ++c) {
                celdas[c]->dibuja(p, QPointF(xs[c] + relleno, l.y + relleno));
                altoCeldas = std::max(altoCeldas, celdas[c]->alto());
            }
            if (detalle) {
                p->setPen(COLOR_TENUE);
                detalle->dibuja(p, QPointF(area.left() + t.anchos.value(0) * area.width() + relleno,
                                           l.y + relleno + altoCeldas + l.mm(0.3)));
            }
        }
        l.y += alto;
        l.linea(area.left(), area.right(), l.y);
    }
    // Totals under the table: label and amount against the right edge.
    const qreal anchoPie = area.width() * 0.45;
    for (const TPar& par : t.pie) {
        const TParrafo etiqueta(par.etiqueta, fuente(7, true), anchoPie * 0.6, l.dispositivo(), Qt::AlignRight);
        const TParrafo valor(par.valor, fuente(7), anchoPie * 0.4 - relleno, l.dispositivo(), Qt::AlignRight);
        const qreal alto = std::max(etiqueta.alto(), valor.alto()) + l.mm(0.8);
        l.asegura(alto);
        if (QPainter* p = l.pintor()) {
            p->setPen(Qt::black);
            etiqueta.dibuja(p, QPointF(area.right() - anchoPie, l.y + l.mm(0.4)));
            valor.dibuja(p, QPointF(area.right() - anchoPie * 0.4, l.y + l.mm(0.4)));
        }
        l.y += alto;
    }
}

// Amount in words and payment on the left, totals on the right.
void totales(TLienzo& l, const TModelo& m)
{
    const QRectF area = l.area();
    const qreal anchoDerecha = area.width() * 0.40;
    const qreal anchoIzquierda = area.width() - anchoDerecha - l.mm(6);
    const TParrafo letra(m.letra, fuente(7.5, true), anchoIzquierda, l.dispositivo());
    qreal altoPago = 0;
    dibujaPares(l, m.pago, 2, 0, anchoIzquierda, altoPago, true);
    const qreal altoLetra = m.letra.isEmpty() ? 0 : letra.alto() + l.mm(1.5);
    const qreal altoIzquierda = altoLetra + altoPago;

    std::vector<std::pair<std::unique_ptr<TParrafo>, std::unique_ptr<TParrafo>>> filas;
    qreal altoDerecha = 0;
    for (const TPar& par : m.totales) {
        const bool total = par.etiqueta == QStringLiteral("Total");
        filas.emplace_back(std::make_unique<TParrafo>(par.etiqueta, fuente(total ? 9 : 7.5, true), anchoDerecha * 0.55,
                                                      l.dispositivo()),
                           std::make_unique<TParrafo>(par.valor, fuente(total ? 9 : 7.5, total),
                                                      anchoDerecha * 0.45 - l.mm(2), l.dispositivo(), Qt::AlignRight));
        altoDerecha += std::max(filas.back().first->alto(), filas.back().second->alto()) + l.mm(0.8);
    }
    l.asegura(std::max(altoIzquierda, altoDerecha) + l.mm(3));
    l.y += l.mm(3);
    const qreal y0 = l.y;
    if (QPainter* p = l.pintor()) {
        p->setPen(Qt::black);
        letra.dibuja(p, QPointF(area.left(), y0));
        qreal y = y0;
        const qreal x = area.right() - anchoDerecha;
        p->fillRect(QRectF(x, y0 - l.mm(1), anchoDerecha, altoDerecha + l.mm(1.5)), COLOR_FONDO);
        for (const auto& [etiqueta, valor] : filas) {
            p->setPen(COLOR_TITULO);
            etiqueta->dibuja(p, QPointF(x + l.mm(2), y));
            p->setPen(Qt::black);
            valor->dibuja(p, QPointF(x + anchoDerecha * 0.55, y));
            y += std::max(etiqueta->alto(), valor->alto()) + l.mm(0.8);
        }
    }
    qreal y = y0 + altoLetra;
    dibujaPares(l, m.pago, 2, area.left(), anchoIzquierda, y);
    l.y = y0 + std::max(altoIzquierda, altoDerecha) + l.mm(1);
}

void dibujaQr(QPainter* p, const QString& texto, const QRectF& caja)
{
    const QByteArray datos = texto.toUtf8();
    QRcode* codigo = QRcode_encodeString(datos.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (!codigo)
        return;
    const int n = codigo->width;
    // Four modules of quiet zone around the symbol, as ISO/IEC 18004 asks.
    const qreal modulo = caja.width() / (n + 8);
    p->fillRect(caja, Qt::white);
    for (int fila = 0; fila < n; ++fila) {
        int desde = -1;
        for (int c = 0; c <= n; ++c) {
            const bool oscuro = c < n && (codigo->data[fila * n + c] & 1);
            if (oscuro && desde < 0)
                desde = c;
            if (!oscuro && desde >= 0) {
                p->fillRect(QRectF(caja.left() + (desde + 4) * modulo, caja.top() + (fila + 4) * modulo,
                                   (c - desde) * modulo, modulo),
                            Qt::black);
                desde = -1;
            }
        }
    }
    QRcode_free(codigo);
}

void timbre(TLienzo& l, const TModelo& m)
{
    l.titulo(m.timbre.isEmpty() ? QStringLiteral("Sin timbre fiscal digital")
                                : QStringLiteral("Timbre fiscal digital"));
    QList<TPar> datos = m.timbre;
    datos.append({QStringLiteral("Verificación del sello"), m.verificacion});
    const qreal lado = m.qr.isEmpty() ? 0 : l.mm(32);
    const qreal x = l.area().left() + (lado > 0 ? lado + l.mm(4) : 0);
    const qreal ancho = l.area().right() - x;
    qreal alto = 0;
    dibujaPares(l, datos, 1, x, ancho, alto, true);
    l.asegura(std::max(alto, lado));
    const qreal y0 = l.y;
    if (lado > 0 && l.pintor())
        dibujaQr(l.pintor(), m.qr, QRectF(l.area().left(), y0, lado, lado));
    qreal y = y0;
    dibujaPares(l, datos, 1, x, ancho, y);
    l.y = y0 + std::max(alto, lado) + l.mm(1);
    for (const TPar& s : m.sellos) {
        l.asegura(l.mm(8));
        l.y += l.mm(1);
        l.parrafo(s.etiqueta, fuente(7, true), 0, COLOR_TITULO);
        // Base64 breaks at its slashes into ragged lines: seals fill each line.
        l.parrafo(s.valor, fuente(6.2), 0, Qt::black, 0, QTextOption::WrapAnywhere);
    }
}

void dibujaModelo(TLienzo& l, const TModelo& m)
{
    ladoALado(l, QStringLiteral("Emisor"), m.emisor, QStringLiteral("Receptor"), m.receptor);
    l.titulo(QStringLiteral("Datos del comprobante"));
    pares(l, m.comprobante, 3);
    if (!m.relacionados.pares.isEmpty()) {
        l.titulo(m.relacionados.titulo);
        pares(l, m.relacionados.pares, 1);
    }
    tabla(l, m.conceptos);
    if (!m.impuestos.filas.isEmpty())
        tabla(l, m.impuestos);
    totales(l, m);
    for (const TSeccion& s : m.complementos) {
        l.titulo(s.titulo);
        pares(l, s.pares, 3);
        for (const TTabla& t : s.tablas) {
            TTabla sub = t;
            if (!sub.titulo.isEmpty()) {
                // Subtables of a section: a lighter caption than a section title.
                const TParrafo titulo(sub.titulo, fuente(7.5, true), l.area().width(), l.dispositivo());
                // With the table's header and first row, never alone at the foot.
                l.asegura(titulo.alto() + l.mm(14));
                l.y += l.mm(1.5);
                l.texto(titulo, l.area().left(), COLOR_TITULO);
                l.y += titulo.alto() + l.mm(0.5);
                sub.titulo.clear();
            }
            tabla(l, sub);
        }
    }
    timbre(l, m);
}

TEncabezado encabezado(const TModelo& m, const TComprobante& comprobante)
{
    const QByteArray& logo = comprobante.logo;
    TEncabezado e{m.nombreEmisor.isEmpty() ? m.rfcEmisor : m.nombreEmisor,
                  m.rfcEmisor,
                  m.tipo,
                  m.serieFolio,
                  m.uuid,
                  m.version,
                  {},
                  {}};
    if (!logo.isEmpty())
        e.logo = QImage::fromData(logo);
    if (comprobante.cancelado)
        e.cancelacion = comprobante.fechaCancelacion.isValid()
                            ? QStringLiteral("CANCELADO ANTE EL SAT el %1")
                                  .arg(comprobante.fechaCancelacion.toString(QStringLiteral("dd/MM/yyyy")))
                            : QStringLiteral("CANCELADO ANTE EL SAT");
    return e;
}

// ---------------------------------------------------------------------------
// Amount in words.

const char* const UNIDADES[] = {
    "",           "UN",         "DOS",        "TRES",         "CUATRO",      "CINCO",      "SEIS",
    "SIETE",      "OCHO",       "NUEVE",      "DIEZ",         "ONCE",        "DOCE",       "TRECE",
    "CATORCE",    "QUINCE",     "DIECISÉIS",  "DIECISIETE",   "DIECIOCHO",   "DIECINUEVE", "VEINTE",
    "VEINTIÚN",   "VEINTIDÓS",  "VEINTITRÉS", "VEINTICUATRO", "VEINTICINCO", "VEINTISÉIS", "VEINTISIETE",
    "VEINTIOCHO", "VEINTINUEVE"};
const char* const DECENAS[] = {"",          "",        "",        "TREINTA", "CUARENTA",
                               "CINCUENTA", "SESENTA", "SETENTA", "OCHENTA", "NOVENTA"};
const char* const CENTENAS[] = {"",           "CIENTO",      "DOSCIENTOS",  "TRESCIENTOS", "CUATROCIENTOS",
                                "QUINIENTOS", "SEISCIENTOS", "SETECIENTOS", "OCHOCIENTOS", "NOVECIENTOS"};

// 1..99. Before a noun ("pesos", "mil", "millones") one is "UN"
// ("VEINTIÚN PESOS"); standing alone it is "UNO" ("VEINTIUNO").
QString decenas(int n, bool apocope)
{
    if (n == 1)
        return apocope ? QStringLiteral("UN") : QStringLiteral("UNO");
    if (n == 21)
        return apocope ? QStringLiteral("VEINTIÚN") : QStringLiteral("VEINTIUNO");
    if (n < 30)
        return QString::fromUtf8(UNIDADES[n]);
    const QString d = QString::fromUtf8(DECENAS[n / 10]);
    return n % 10 == 0 ? d : d + QStringLiteral(" Y ") + decenas(n % 10, apocope);
}

QString centenas(int n, bool apocope)
{
    if (n == 100)
        return QStringLiteral("CIEN");
    const QString c = QString::fromUtf8(CENTENAS[n / 100]);
    const int resto = n % 100;
    if (resto == 0)
        return c;
    return c.isEmpty() ? decenas(resto, apocope) : c + QLatin1Char(' ') + decenas(resto, apocope);
}

// 1..999,999.
QString miles(qint64 n, bool apocope)
{
    const int m = int(n / 1000);
    const int resto = int(n % 1000);
    QString texto;
    if (m == 1)
        texto = QStringLiteral("MIL");
    else if (m > 1)
        texto = centenas(m, true) + QStringLiteral(" MIL");
    if (resto > 0)
        texto = texto.isEmpty() ? centenas(resto, apocope) : texto + QLatin1Char(' ') + centenas(resto, apocope);
    return texto;
}

QString enLetras(qint64 n, bool apocope)
{
    if (n == 0)
        return QStringLiteral("CERO");
    const qint64 millones = n / 1'000'000;
    const qint64 resto = n % 1'000'000;
    QString texto;
    if (millones == 1)
        texto = QStringLiteral("UN MILLÓN");
    else if (millones > 1)
        texto = miles(millones, true) + QStringLiteral(" MILLONES");
    if (resto > 0)
        texto = texto.isEmpty() ? miles(resto, apocope) : texto + QLatin1Char(' ') + miles(resto, apocope);
    return texto;
}

// The currency the voucher names: 3.2 wrote free text ("Pesos", "M.N.").
QString codigoMoneda(const QString& moneda)
{
    const QString m = moneda.trimmed().toUpper();
    if (m.isEmpty() || m == QStringLiteral("MXN") || m == QStringLiteral("MN") || m == QStringLiteral("M.N.") ||
        m == QStringLiteral("MXP") || m.startsWith(QStringLiteral("PESO")))
        return QStringLiteral("MXN");
    if (m == QStringLiteral("USD") || m.startsWith(QStringLiteral("DOLAR")) || m.startsWith(QStringLiteral("DÓLAR")))
        return QStringLiteral("USD");
    if (m == QStringLiteral("EUR") || m.startsWith(QStringLiteral("EURO")))
        return QStringLiteral("EUR");
    return m;
}

QString tt32(const TDecimal& total)
{
    // A 3.2 total may be below zero; the figures keep their width and the
    // sign goes in front, so the address never shows another amount.
    const qint64 m = std::abs(total.millonesimos());
    return QStringLiteral("%1%2.%3")
        .arg(total.millonesimos() < 0 ? QStringLiteral("-") : QString())
        .arg(m / TDecimal::ESCALA, 10, 10, QLatin1Char('0'))
        .arg(m % TDecimal::ESCALA, 6, 10, QLatin1Char('0'));
}

// 3.3 and 4.0: the total without the zeros that carry no value, one decimal
// kept ("1000.0", "2010.01").
QString tt33(const TDecimal& total)
{
    QString t = total.texto();
    if (!t.contains(QLatin1Char('.')))
        t += QStringLiteral(".0");
    return t;
}

QString rfcEnDireccion(const QString& rfc)
{
    // "&" would end the parameter and "Ñ" is no URL character: both travel
    // percent-encoded as UTF-8 (RFC 3986), as any browser would send them.
    return QString::fromLatin1(QUrl::toPercentEncoding(rfc.trimmed()));
}

} // namespace

QString importeConLetra(const TDecimal& importe, const QString& moneda)
{
    const qint64 m = importe.millonesimos();
    const qint64 centavosTotales = (std::abs(m) + 5'000) / 10'000;
    const qint64 enteros = centavosTotales / 100;
    const int centavos = int(centavosTotales % 100);
    const QString codigo = codigoMoneda(moneda);
    QString singular, plural, sufijo;
    if (codigo == QStringLiteral("MXN")) {
        singular = QStringLiteral("PESO");
        plural = QStringLiteral("PESOS");
        sufijo = QStringLiteral("M.N.");
    } else if (codigo == QStringLiteral("USD")) {
        singular = QStringLiteral("DÓLAR");
        plural = QStringLiteral("DÓLARES");
        sufijo = codigo;
    } else if (codigo == QStringLiteral("EUR")) {
        singular = QStringLiteral("EURO");
        plural = QStringLiteral("EUROS");
        sufijo = codigo;
    } else
        sufijo = codigo;
    const bool conNombre = !plural.isEmpty();
    QString texto = enLetras(enteros, conNombre);
    if (conNombre) {
        // "UN MILLÓN DE PESOS", "DOS MILLONES DE PESOS".
        if (enteros >= 1'000'000 && enteros % 1'000'000 == 0)
            texto += QStringLiteral(" DE");
        texto += QLatin1Char(' ') + (enteros == 1 ? singular : plural);
    }
    if (m < 0 && centavosTotales > 0)
        texto = QStringLiteral("MENOS ") + texto;
    return QStringLiteral("(%1 %2/100 %3)").arg(texto).arg(centavos, 2, 10, QLatin1Char('0')).arg(sufijo);
}

QString direccionQr(const QByteArray& xml)
{
    try {
        const TDocumentoXML documento = TDocumentoXML::desdeBytes(xml);
        const TNodoXML raiz = documento.raiz();
        const QString version = Cfdi::versionPorContenido(raiz);
        const QString uuid = Cfdi::uuid(raiz);
        if (version.isEmpty() || uuid.isEmpty())
            return {};
        if (version == Constantes::CFDI_32) {
            const Cfdv32::IXMLComprobante c = Cfdv32::GetComprobante(documento);
            TDecimal total;
            if (!TDecimal::intenta(c.Get_total(), total))
                return {};
            return QStringLiteral("?re=%1&rr=%2&tt=%3&id=%4")
                .arg(rfcEnDireccion(c.Get_Emisor().Get_rfc()), rfcEnDireccion(c.Get_Receptor().Get_rfc()), tt32(total),
                     uuid);
        }
        const Cfdv33::TComprobanteComun c(raiz);
        TDecimal total;
        if (!TDecimal::intenta(c.Get_Total(), total))
            return {};
        const QString sello = c.Get_Sello().trimmed();
        return QStringLiteral("https://verificacfdi.facturaelectronica.sat.gob.mx/default.aspx"
                              "?id=%1&re=%2&rr=%3&tt=%4&fe=%5")
            .arg(uuid, rfcEnDireccion(c.hijoPropio("Emisor").atributo("Rfc")),
                 rfcEnDireccion(c.hijoPropio("Receptor").atributo("Rfc")), tt33(total), sello.right(8));
    } catch (const std::exception&) {
        return {};
    }
}

namespace {

// The one layout of a voucher on paper, for the printer and every PDF.
void dibujaComprobante(const TModelo& m, const TComprobante& comprobante, QPagedPaintDevice& dispositivo,
                       QPainter& pintor, bool paginaNueva)
{
    const TEncabezado e = encabezado(m, comprobante);
    TLienzo medida(dispositivo, nullptr, e, 0);
    dibujaModelo(medida, m);
    if (paginaNueva)
        dispositivo.newPage();
    TLienzo lienzo(dispositivo, &pintor, e, medida.paginas());
    dibujaModelo(lienzo, m);
}

const QString SIN_COMPROBANTES = QStringLiteral("No hay comprobantes que imprimir.");
const QString SIN_DIBUJO = QStringLiteral("No se pudo empezar a dibujar en el dispositivo.");

} // namespace

bool dibuja(const QList<TComprobante>& comprobantes, QPagedPaintDevice& dispositivo, QString* error)
{
    // A printer cannot take back a page: every voucher is read before the
    // first is drawn. The callers hand one voucher or a few.
    std::vector<TModelo> modelos(comprobantes.size());
    for (qsizetype i = 0; i < comprobantes.size(); ++i) {
        QString motivo;
        if (!leeModelo(comprobantes[i], modelos[i], motivo)) {
            if (error)
                *error = comprobantes.size() > 1 ? QStringLiteral("Comprobante %1: %2").arg(i + 1).arg(motivo) : motivo;
            return false;
        }
    }
    if (modelos.empty()) {
        if (error)
            *error = SIN_COMPROBANTES;
        return false;
    }
    QPainter pintor;
    if (!pintor.begin(&dispositivo)) {
        if (error)
            *error = SIN_DIBUJO;
        return false;
    }
    pintor.setRenderHint(QPainter::Antialiasing);
    for (size_t i = 0; i < modelos.size(); ++i)
        dibujaComprobante(modelos[i], comprobantes[qsizetype(i)], dispositivo, pintor, i > 0);
    pintor.end();
    return true;
}

bool guardaPdf(const QList<TComprobante>& comprobantes, const QString& archivoPdf, QString* error)
{
    TArchivoPdf archivo(archivoPdf);
    if (!archivo.abre(error))
        return false;
    for (qsizetype i = 0; i < comprobantes.size(); ++i) {
        QString motivo;
        if (!archivo.agrega(comprobantes[i], &motivo)) {
            if (error)
                *error = comprobantes.size() > 1 ? QStringLiteral("Comprobante %1: %2").arg(i + 1).arg(motivo) : motivo;
            return false;
        }
    }
    return archivo.termina(error);
}

// Members in this order so that the painter ends before its writer, and the
// writer before the file under it.
struct TArchivoPdf::TDatos {
    QString destino;
    std::unique_ptr<QTemporaryFile> temporal;
    std::unique_ptr<QPdfWriter> pdf;
    QPainter pintor;
    int agregados = 0;
};

TArchivoPdf::TArchivoPdf(const QString& archivoPdf) : d(std::make_unique<TDatos>())
{
    d->destino = archivoPdf;
}

TArchivoPdf::~TArchivoPdf() = default;

bool TArchivoPdf::abre(QString* error)
{
    const QFileInfo destino(d->destino);
    d->temporal = std::make_unique<QTemporaryFile>(destino.absolutePath() + QStringLiteral("/.") + destino.fileName() +
                                                   QStringLiteral(".XXXXXX"));
    // Qt's own texts for these failures are English: the system's error
    // number says why in Spanish.
    if (!d->temporal->open()) {
        const int numero = errno;
        if (error)
            *error = QStringLiteral("No se pudo crear el archivo temporal junto a %1: %2")
                         .arg(d->destino, Errores::delSistema(numero));
        return false;
    }
    d->pdf = std::make_unique<QPdfWriter>(d->temporal.get());
    d->pdf->setPageSize(QPageSize(QPageSize::Letter));
    d->pdf->setPageMargins(QMarginsF(0, 0, 0, 0));
    d->pdf->setResolution(300);
    d->pdf->setCreator(QStringLiteral("Velkor"));
    d->pdf->setTitle(QStringLiteral("CFDI"));
    if (!d->pintor.begin(d->pdf.get())) {
        if (error)
            *error = SIN_DIBUJO;
        return false;
    }
    d->pintor.setRenderHint(QPainter::Antialiasing);
    return true;
}

bool TArchivoPdf::agrega(const TComprobante& comprobante, QString* motivo)
{
    if (!d->pintor.isActive()) {
        if (motivo)
            *motivo = SIN_DIBUJO;
        return false;
    }
    TModelo m;
    QString razon;
    if (!leeModelo(comprobante, m, razon)) {
        if (motivo)
            *motivo = razon;
        return false;
    }
    dibujaComprobante(m, comprobante, *d->pdf, d->pintor, d->agregados > 0);
    ++d->agregados;
    return true;
}

int TArchivoPdf::agregados() const
{
    return d->agregados;
}

bool TArchivoPdf::termina(QString* error)
{
    if (!d->pintor.isActive()) {
        if (error)
            *error = SIN_DIBUJO;
        return false;
    }
    if (d->agregados == 0) {
        if (error)
            *error = SIN_COMPROBANTES;
        return false;
    }
    d->pintor.end();
    d->pdf.reset();
    QTemporaryFile& temporal = *d->temporal;
    if (!temporal.flush() || ::fsync(temporal.handle()) != 0) {
        const int numero = errno;
        if (error)
            *error = QStringLiteral("No se pudo escribir %1: %2").arg(d->destino, Errores::delSistema(numero));
        return false;
    }
    temporal.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // rename(2) replaces a previous copy in one step: a reader sees the old
    // PDF or the new one, never half of it.
    if (::rename(QFile::encodeName(temporal.fileName()).constData(), QFile::encodeName(d->destino).constData()) != 0) {
        if (error)
            *error = QStringLiteral("No se pudo guardar %1: %2").arg(d->destino, Errores::delSistema(errno));
        return false;
    }
    temporal.setAutoRemove(false);
    return true;
}

} // namespace ImpresionComprobante
