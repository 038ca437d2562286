#include "LienzoImpresion.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QRegularExpression>
#include <QTextLayout>

#include <initializer_list>
#include <iterator>
#include <limits>
#include <vector>

namespace ImpresionComprobante {

QFont fuente(qreal puntos, bool negrita)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(puntos);
    f.setBold(negrita);
    // Ligatures ("ﬁ") would reach the PDF's text as one character, and a
    // search for "fiscal" in a viewer would miss it.
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

TParrafo::TParrafo(const QString& texto, const QFont& f, qreal ancho, const QPaintDevice* dispositivo,
                   Qt::Alignment alineacion, int negritas, QTextOption::WrapMode corte)
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

TParrafo::~TParrafo() = default;

qreal TParrafo::anchoNatural() const
{
    qreal ancho = 0;
    for (int i = 0; i < lineas(); ++i)
        ancho = std::max(ancho, m_layout->lineAt(i).naturalTextWidth());
    return ancho;
}

int TParrafo::lineas() const
{
    return m_layout->lineCount();
}

qreal TParrafo::altoLinea(int i) const
{
    return m_layout->lineAt(i).height();
}

qreal TParrafo::ascenso() const
{
    return lineas() > 0 ? m_layout->lineAt(0).ascent() : 0;
}

void TParrafo::dibuja(QPainter* p, const QPointF& origen, int desde, int hasta) const
{
    if (!p || lineas() == 0)
        return;
    if (hasta < 0)
        hasta = lineas();
    if (desde >= hasta)
        return;
    const QPointF inicio = origen - QPointF(0, m_layout->lineAt(desde).y());
    for (int i = desde; i < hasta; ++i)
        m_layout->lineAt(i).draw(p, inicio);
}

bool esNumero(const QString& texto)
{
    static const QRegularExpression forma(QStringLiteral("^[-+]?\\$?[0-9][0-9,]*(\\.[0-9]*)?( ?%| [A-Z]{3})?$"));
    return forma.match(texto.trimmed()).hasMatch();
}

std::unique_ptr<TParrafo> numero(const QString& texto, qreal puntos, bool negrita, qreal ancho,
                                 const QPaintDevice* dispositivo, Qt::Alignment alineacion)
{
    const auto parrafo = [&](qreal p, qreal a) {
        return std::make_unique<TParrafo>(texto, fuente(p, negrita), a, dispositivo, alineacion, 0,
                                          QTextOption::NoWrap);
    };
    for (;; puntos = std::max(PUNTOS_MINIMOS, puntos - 0.5)) {
        std::unique_ptr<TParrafo> t = parrafo(puntos, ancho);
        if (t->anchoNatural() <= ancho)
            return t;
        if (puntos <= PUNTOS_MINIMOS)
            return parrafo(puntos, t->anchoNatural());
    }
}

namespace {

// `texto` in at most `lineas` lines of `ancho`, the last one ending in "…"
// when the rest does not fit.
QString recorta(const QString& texto, const QFont& f, qreal ancho, int lineas, const QPaintDevice* dispositivo)
{
    QTextLayout layout(texto, f, dispositivo);
    QTextOption opcion;
    opcion.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(opcion);
    layout.beginLayout();
    for (QTextLine l = layout.createLine(); l.isValid(); l = layout.createLine())
        l.setLineWidth(ancho);
    layout.endLayout();
    if (layout.lineCount() <= lineas)
        return texto;
    const int inicio = layout.lineAt(lineas - 1).textStart();
    return texto.left(inicio) +
           QFontMetricsF(f, dispositivo).elidedText(texto.mid(inicio).simplified(), Qt::ElideRight, ancho);
}

// A text of the header in the room the rest leaves it, `alto`: in the largest
// of `puntos` that holds it whole, or else in the smallest with the last line
// that fits ending in "…".
struct TAjuste {
    std::unique_ptr<TParrafo> parrafo;
    int lineas = 0;
    qreal alto = 0; // of those lines
};

TAjuste ajusta(const QString& texto, std::initializer_list<qreal> puntos, bool negrita, qreal ancho, qreal alto,
               const QPaintDevice* dispositivo, Qt::Alignment alineacion)
{
    TAjuste a;
    for (qreal p : puntos) {
        a.parrafo = std::make_unique<TParrafo>(texto, fuente(p, negrita), ancho, dispositivo, alineacion);
        if (a.parrafo->alto() <= alto)
            break;
    }
    a.lineas = a.parrafo->lineas();
    if (a.parrafo->alto() > alto) {
        const QFont f = fuente(*std::prev(puntos.end()), negrita);
        const int caben = std::max(1, int(alto / a.parrafo->altoLinea(0)));
        a.parrafo =
            std::make_unique<TParrafo>(recorta(texto, f, ancho, caben, dispositivo), f, ancho, dispositivo, alineacion);
        a.lineas = std::min(caben, a.parrafo->lineas());
    }
    for (int i = 0; i < a.lineas; ++i)
        a.alto += a.parrafo->altoLinea(i);
    return a;
}

} // namespace

TLienzo::TLienzo(QPagedPaintDevice& dispositivo, QPainter* p, const TEncabezado& encabezado, int paginas)
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
    m_area = m_pagina.adjusted(0, mm(encabezado.aviso.isEmpty() ? 22 : 31), 0, -mm(9));
    inicia();
}

qreal TLienzo::mm(qreal milimetros) const
{
    return milimetros * m_dispositivo.logicalDpiY() / 25.4;
}

const QPaintDevice* TLienzo::dispositivo() const
{
    return &m_dispositivo;
}

bool TLienzo::asegura(qreal alto)
{
    if (y + alto <= m_area.bottom() || y <= m_area.top() + 0.5)
        return false;
    nuevaPagina();
    return true;
}

void TLienzo::nuevaPagina()
{
    if (p)
        m_dispositivo.newPage();
    ++m_pagina_actual;
    inicia();
}

void TLienzo::texto(const TParrafo& t, qreal x, const QColor& color)
{
    if (p) {
        p->setPen(color);
        t.dibuja(p, QPointF(x, y));
    }
}

void TLienzo::parrafo(const QString& texto, const QFont& f, qreal sangria, const QColor& color, int negritas,
                      QTextOption::WrapMode corte)
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

void TLienzo::titulo(const QString& texto)
{
    const TParrafo t(texto, fuente(8.5, true), m_area.width() - mm(4), dispositivo());
    const qreal alto = t.alto() + mm(1.6);
    // A title never ends a page alone.
    asegura(alto + mm(8));
    y += mm(2);
    if (p)
        p->fillRect(QRectF(m_area.left(), y, m_area.width(), alto), COLOR_TITULO);
    y += mm(0.8);
    this->texto(t, m_area.left() + mm(2), Qt::white);
    y += alto - mm(0.8) + mm(1);
}

void TLienzo::linea(qreal desdeX, qreal hastaX, qreal enY, const QColor& color)
{
    if (p) {
        p->setPen(QPen(color, mm(0.2)));
        p->drawLine(QPointF(desdeX, enY), QPointF(hastaX, enY));
    }
}

void TLienzo::inicia()
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
    const TParrafo rfc(QStringLiteral("RFC: ") + m_encabezado.rfc, fuente(8.5), anchoIzquierda, dispositivo());
    // The name takes what the header leaves above the RFC: a long one (the
    // SAT allows 254 characters) in a smaller type, and if even then it does
    // not fit, its last line ends in "…"; the Emisor box has it whole.
    const TAjuste nombre = ajusta(m_encabezado.emisor, {11.0, 9.5, 8.0}, true, anchoIzquierda,
                                  altoEnc - rfc.alto() - mm(1), dispositivo(), Qt::AlignLeft);
    p->setPen(COLOR_TITULO);
    nombre.parrafo->dibuja(p, QPointF(x, caja.top()), 0, nombre.lineas);
    p->setPen(Qt::black);
    rfc.dibuja(p, QPointF(x, caja.top() + nombre.alto + mm(1)));

    const qreal xd = caja.right() - anchoDerecha;
    const TParrafo tipo(m_encabezado.tipo.toUpper(), fuente(12, true), anchoDerecha, dispositivo(), Qt::AlignRight);
    p->setPen(COLOR_TITULO);
    tipo.dibuja(p, QPointF(xd, caja.top()));
    qreal yd = caja.top() + tipo.alto() + mm(0.5);
    p->setPen(Qt::black);
    const TParrafo timbre(m_encabezado.uuid.isEmpty() ? QStringLiteral("Sin timbre fiscal")
                                                      : QStringLiteral("Folio fiscal: ") + m_encabezado.uuid,
                          fuente(7.5), anchoDerecha, dispositivo(), Qt::AlignRight);
    const TParrafo version(QStringLiteral("CFDI ") + m_encabezado.version, fuente(7.5), anchoDerecha, dispositivo(),
                           Qt::AlignRight);
    // The series and folio (the SAT allows 25 and 40 characters) take what
    // the header leaves above the folio fiscal and the version, as the name
    // does above the RFC; the voucher's data have both whole.
    if (!m_encabezado.serieFolio.isEmpty()) {
        const TAjuste serie =
            ajusta(QStringLiteral("Serie y folio: ") + m_encabezado.serieFolio, {7.5, 6.5, 5.5}, false, anchoDerecha,
                   caja.top() + altoEnc - yd - timbre.alto() - version.alto(), dispositivo(), Qt::AlignRight);
        serie.parrafo->dibuja(p, QPointF(xd, yd), 0, serie.lineas);
        yd += serie.alto;
    }
    timbre.dibuja(p, QPointF(xd, yd));
    version.dibuja(p, QPointF(xd, yd + timbre.alto()));
    linea(caja.left(), caja.right(), caja.top() + mm(20), COLOR_TITULO);
    if (!m_encabezado.aviso.isEmpty()) {
        const QRectF banda(caja.left(), caja.top() + mm(21.5), caja.width(), mm(7));
        p->fillRect(banda, COLOR_CANCELADO);
        // A cancellation and a seal that fails together take a smaller type
        // to stay on the band's one line.
        const auto aviso = [&](qreal puntos) {
            return std::make_unique<TParrafo>(m_encabezado.aviso, fuente(puntos, true), banda.width() - mm(4),
                                              dispositivo(), Qt::AlignHCenter);
        };
        std::unique_ptr<TParrafo> texto = aviso(12);
        if (texto->lineas() > 1)
            texto = aviso(9);
        p->setPen(Qt::white);
        texto->dibuja(p, QPointF(banda.left() + mm(2), banda.center().y() - texto->alto() / 2));
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

void dibujaPares(TLienzo& l, const QList<TPar>& pares, int columnas, qreal x, qreal ancho, qreal& y, bool mide)
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

void pares(TLienzo& l, const QList<TPar>& lista, int columnas)
{
    auto dibujaFila = [&](const QList<TPar>& fila, int n) {
        qreal alto = 0;
        dibujaPares(l, fila, n, l.area().left(), l.area().width(), alto, true);
        l.asegura(alto);
        dibujaPares(l, fila, n, l.area().left(), l.area().width(), l.y);
    };
    QList<TPar> fila;
    for (const TPar& par : lista) {
        // A legend or a list of folios would make a tall narrow column.
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

namespace {

// One row of a table, drawn on one page or over several: where each of its
// cells, and the detail under them, goes on.
struct TFila {
    std::vector<std::unique_ptr<TParrafo>> celdas;
    std::unique_ptr<TParrafo> detalle;
    std::vector<int> siguiente;
    int siguienteDetalle = 0;

    // The part of a row on one page.
    struct TTramo {
        std::vector<int> hasta;
        int hastaDetalle = 0;
        qreal yDetalle = 0;
        qreal alto = 0;
    };

    bool terminada() const
    {
        for (size_t c = 0; c < celdas.size(); ++c)
            if (siguiente[c] < celdas[c]->lineas())
                return false;
        return !detalle || siguienteDetalle == detalle->lineas();
    }

    // The lines from where the row stopped that fit in `libre`; with
    // `alMenosUna`, one line at least, however tall, so that a row always
    // moves on.
    TTramo tramo(qreal libre, qreal separacion, bool alMenosUna) const
    {
        TTramo t;
        t.hastaDetalle = siguienteDetalle;
        bool completas = true;
        for (size_t c = 0; c < celdas.size(); ++c) {
            qreal alto = 0;
            t.hasta.push_back(caben(*celdas[c], siguiente[c], libre, alMenosUna, alto));
            t.alto = std::max(t.alto, alto);
            completas = completas && t.hasta[c] == celdas[c]->lineas();
        }
        // The detail starts under the cells, on the page where they end.
        if (detalle && completas) {
            const bool avanza = t.hasta != siguiente;
            t.yDetalle = t.alto > 0 ? t.alto + separacion : 0;
            qreal alto = 0;
            t.hastaDetalle = caben(*detalle, siguienteDetalle, libre - t.yDetalle, alMenosUna && !avanza, alto);
            if (t.hastaDetalle > siguienteDetalle)
                t.alto = t.yDetalle + alto;
        }
        return t;
    }

    static int caben(const TParrafo& t, int desde, qreal libre, bool alMenosUna, qreal& alto)
    {
        alto = 0;
        int hasta = desde;
        while (hasta < t.lineas() && (alto + t.altoLinea(hasta) <= libre || (alMenosUna && hasta == desde)))
            alto += t.altoLinea(hasta++);
        return hasta;
    }
};

// The columns' widths on the page. A column of numbers whose widest does not
// fit even in the smallest type takes the room it lacks from the columns of
// text, each of which keeps half its width at least.
QList<qreal> anchosColumnas(const TLienzo& l, const TTabla& t, qreal relleno)
{
    const qreal ancho = l.area().width();
    QList<qreal> anchos;
    for (qreal a : t.anchos)
        anchos << a * ancho;
    const QFontMetricsF metricas(fuente(PUNTOS_MINIMOS), l.dispositivo());
    QList<qreal> faltan(anchos.size(), 0);
    qreal faltante = 0, cedible = 0;
    for (int c = 0; c < anchos.size(); ++c) {
        if (!t.derecha.value(c)) {
            cedible += anchos[c] / 2;
            continue;
        }
        qreal necesario = 0;
        for (const TLinea& f : t.filas)
            if (c < f.celdas.size() && esNumero(f.celdas[c]))
                necesario = std::max(necesario, metricas.horizontalAdvance(f.celdas[c].trimmed()) * 1.02);
        faltan[c] = std::max(0.0, necesario + 2 * relleno - anchos[c]);
        faltante += faltan[c];
    }
    if (faltante <= 0 || cedible <= 0)
        return anchos;
    const qreal cedido = std::min(faltante, cedible);
    for (int c = 0; c < anchos.size(); ++c)
        anchos[c] += t.derecha.value(c) ? faltan[c] * cedido / faltante : -anchos[c] / 2 * cedido / cedible;
    return anchos;
}

} // namespace

void tabla(TLienzo& l, const TTabla& t)
{
    const QRectF area = l.area();
    const qreal relleno = l.mm(1);
    const qreal separacionDetalle = l.mm(0.3);
    auto alineacion = [&](int c) { return c < t.derecha.size() && t.derecha[c] ? Qt::AlignRight : Qt::AlignLeft; };
    const QList<qreal> anchos = anchosColumnas(l, t, relleno);
    QList<qreal> xs;
    qreal x = area.left();
    for (qreal a : anchos) {
        xs << x;
        x += a;
    }
    auto anchoCelda = [&](int c) { return anchos[c] - 2 * relleno; };
    auto celda = [&](const QString& texto, int c) {
        return alineacion(c) == Qt::AlignRight && esNumero(texto)
                   ? numero(texto, 7, false, anchoCelda(c), l.dispositivo())
                   : std::make_unique<TParrafo>(texto, fuente(7), anchoCelda(c), l.dispositivo(), alineacion(c));
    };

    std::vector<std::unique_ptr<TParrafo>> cabecera;
    qreal altoCabecera = 0;
    for (int c = 0; c < t.columnas.size(); ++c) {
        cabecera.push_back(
            std::make_unique<TParrafo>(t.columnas[c], fuente(7, true), anchoCelda(c), l.dispositivo(), alineacion(c)));
        altoCabecera = std::max(altoCabecera, cabecera.back()->alto());
    }
    altoCabecera += 2 * relleno;
    auto dibujaCabecera = [&]() {
        if (t.columnas.isEmpty())
            return;
        if (QPainter* p = l.pintor()) {
            p->fillRect(QRectF(area.left(), l.y, area.width(), altoCabecera), COLOR_FONDO);
            p->setPen(COLOR_TITULO);
            for (int c = 0; c < t.columnas.size(); ++c)
                cabecera[c]->dibuja(p, QPointF(xs[c] + relleno, l.y + relleno));
        }
        l.y += altoCabecera;
    };
    const qreal inicioPagina = area.top() + (t.columnas.isEmpty() ? 0 : altoCabecera);

    if (!t.titulo.isEmpty())
        l.titulo(t.titulo);
    if (!t.columnas.isEmpty()) {
        l.asegura(altoCabecera * 2);
        dibujaCabecera();
    }
    const qreal xDetalle = area.left() + anchos.value(0) + relleno;
    for (int f = 0; f < t.filas.size(); ++f) {
        const TLinea& linea = t.filas[f];
        TFila fila;
        qreal altoCeldas = 0, base = 0;
        for (int c = 0; c < t.columnas.size() && c < linea.celdas.size(); ++c) {
            fila.celdas.push_back(celda(linea.celdas[c], c));
            altoCeldas = std::max(altoCeldas, fila.celdas.back()->alto());
            base = std::max(base, fila.celdas.back()->ascenso());
        }
        // A number in a smaller type stands on its neighbours' baseline, not
        // at the top of the row; it ends no lower than they do, being smaller.
        std::vector<qreal> bajada;
        for (const auto& c : fila.celdas)
            bajada.push_back(base - c->ascenso());
        fila.siguiente.assign(fila.celdas.size(), 0);
        if (!linea.detalle.isEmpty())
            fila.detalle = std::make_unique<TParrafo>(linea.detalle, fuente(6.2), area.right() - xDetalle - relleno,
                                                      l.dispositivo());
        const qreal alto = altoCeldas + (fila.detalle ? separacionDetalle + fila.detalle->alto() : 0) + 2 * relleno;
        // A row that fits on a page is kept whole on one; a taller one starts
        // in the room left and goes on over the next pages, each cell and the
        // detail continuing line by line where they stopped.
        const bool entera = alto <= area.bottom() - inicioPagina;
        if (entera && l.asegura(alto))
            dibujaCabecera();
        bool paginaNueva = l.y <= inicioPagina + 0.5;
        while (!fila.terminada()) {
            const qreal libre = entera ? std::numeric_limits<qreal>::max() : area.bottom() - l.y - 2 * relleno;
            const TFila::TTramo tramo = fila.tramo(libre, separacionDetalle, paginaNueva);
            if (tramo.hasta == fila.siguiente && tramo.hastaDetalle == fila.siguienteDetalle) {
                l.nuevaPagina();
                dibujaCabecera();
                paginaNueva = true;
                continue;
            }
            const qreal altoTramo = tramo.alto + 2 * relleno;
            if (QPainter* p = l.pintor()) {
                if (f % 2 == 1)
                    p->fillRect(QRectF(area.left(), l.y, area.width(), altoTramo), QColor(0xf6, 0xf8, 0xfa));
                p->setPen(Qt::black);
                for (size_t c = 0; c < fila.celdas.size(); ++c)
                    fila.celdas[c]->dibuja(
                        p, QPointF(xs[int(c)] + relleno, l.y + relleno + (fila.siguiente[c] == 0 ? bajada[c] : 0)),
                        fila.siguiente[c], tramo.hasta[c]);
                if (fila.detalle) {
                    p->setPen(COLOR_TENUE);
                    fila.detalle->dibuja(p, QPointF(xDetalle, l.y + relleno + tramo.yDetalle), fila.siguienteDetalle,
                                         tramo.hastaDetalle);
                }
            }
            l.y += altoTramo;
            fila.siguiente = tramo.hasta;
            fila.siguienteDetalle = tramo.hastaDetalle;
            if (!fila.terminada()) {
                l.nuevaPagina();
                dibujaCabecera();
                paginaNueva = true;
            }
        }
        l.linea(area.left(), area.right(), l.y);
    }
    // Totals under the table: label and amount against the right edge.
    const qreal anchoPie = area.width() * 0.45;
    for (const TPar& par : t.pie) {
        const TParrafo etiqueta(par.etiqueta, fuente(7, true), anchoPie * 0.6, l.dispositivo(), Qt::AlignRight);
        const std::unique_ptr<TParrafo> valor =
            esNumero(par.valor) ? numero(par.valor, 7, false, anchoPie * 0.4 - relleno, l.dispositivo())
                                : std::make_unique<TParrafo>(par.valor, fuente(7), anchoPie * 0.4 - relleno,
                                                             l.dispositivo(), Qt::AlignRight);
        // An amount too long even in the smallest type pushes its label left.
        const qreal xValor = area.right() - relleno - std::max(anchoPie * 0.4 - relleno, valor->anchoNatural());
        const qreal alto = std::max(etiqueta.alto(), valor->alto()) + l.mm(0.8);
        l.asegura(alto);
        if (QPainter* p = l.pintor()) {
            p->setPen(Qt::black);
            const qreal base = std::max(etiqueta.ascenso(), valor->ascenso());
            etiqueta.dibuja(p, QPointF(xValor - anchoPie * 0.6, l.y + l.mm(0.4) + base - etiqueta.ascenso()));
            valor->dibuja(p, QPointF(xValor, l.y + l.mm(0.4) + base - valor->ascenso()));
        }
        l.y += alto;
    }
}

} // namespace ImpresionComprobante
