// Draws the pictures of the resource package.
//
//   dibujaimagenes <carpeta> <archivo.qrc>
//   dibujaimagenes --iconos <carpeta>
//
// The second writes the program's icon (the logo) into <carpeta> as an icon
// theme lays it out: <lado>x<lado>/apps/velkor.png. The first writes <carpeta>/<nombre>.png for every image of
// Constantes::IMAGENES and the resource list naming each under its resource name. The constant's name chooses the
// drawing; a constant this tool does not know yet still gets a plain tile with its initial, so a new image never leaves
// the package without a picture.

#include "../ArchivoQrc.h"
#include "Constantes.h"

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>
#include <QtMath>

#include <functional>

namespace {

namespace Paleta {
const QColor azul(0x1E, 0x5B, 0xB8);
const QColor azulClaro(0x3D, 0x8B, 0xFD);
const QColor marino(0x0B, 0x2A, 0x5B);
const QColor verde(0x2E, 0x9E, 0x6A);
const QColor rojo(0xD6, 0x45, 0x45);
const QColor naranja(0xF2, 0x9B, 0x30);
const QColor dorado(0xE8, 0xB3, 0x2E);
const QColor gris(0x6B, 0x77, 0x85);
const QColor grisClaro(0xE3, 0xE8, 0xEE);
const QColor morado(0x7B, 0x4F, 0xC4);
const QColor turquesa(0x1F, 0x9C, 0xA8);
const QColor cafe(0xB0, 0x70, 0x3C);
const QColor indigo(0x4A, 0x56, 0xC8);
const QColor blanco(Qt::white);
} // namespace Paleta

constexpr int ICONO = 64;

QImage lienzo(int ancho, int alto)
{
    QImage imagen(ancho, alto, QImage::Format_ARGB32_Premultiplied);
    imagen.fill(Qt::transparent);
    return imagen;
}

void preparaPincel(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

QFont letra(int pixeles, bool negrita = true)
{
    QFont fuente(QStringLiteral("DejaVu Sans"));
    fuente.setStyleHint(QFont::SansSerif);
    fuente.setPixelSize(pixeles);
    fuente.setBold(negrita);
    return fuente;
}

// The common base of the small icons: a rounded tile with a soft vertical
// shade of its colour.
void baldosa(QPainter& p, const QColor& color)
{
    QLinearGradient sombra(0, 0, 0, ICONO);
    sombra.setColorAt(0, color.lighter(115));
    sombra.setColorAt(1, color.darker(110));
    p.setPen(Qt::NoPen);
    p.setBrush(sombra);
    p.drawRoundedRect(QRectF(2, 2, ICONO - 4, ICONO - 4), 14, 14);
}

QPen trazo(qreal ancho, const QColor& color = Paleta::blanco)
{
    return QPen(color, ancho, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void texto(QPainter& p, const QRectF& caja, const QString& t, int pixeles, const QColor& color = Paleta::blanco,
           int alineacion = Qt::AlignCenter)
{
    p.setPen(color);
    p.setFont(letra(pixeles));
    p.drawText(caja, alineacion, t);
}

// A sheet of paper with a folded corner; the content area is returned.
QRectF hoja(QPainter& p, const QRectF& r, const QColor& papel = Paleta::blanco)
{
    const qreal doblez = r.width() * 0.3;
    QPainterPath contorno;
    contorno.moveTo(r.topLeft());
    contorno.lineTo(r.right() - doblez, r.top());
    contorno.lineTo(r.right(), r.top() + doblez);
    contorno.lineTo(r.bottomRight());
    contorno.lineTo(r.bottomLeft());
    contorno.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(papel);
    p.drawPath(contorno);
    QPainterPath pliegue;
    pliegue.moveTo(r.right() - doblez, r.top());
    pliegue.lineTo(r.right() - doblez, r.top() + doblez);
    pliegue.lineTo(r.right(), r.top() + doblez);
    pliegue.closeSubpath();
    p.setBrush(papel.darker(125));
    p.drawPath(pliegue);
    return r.adjusted(4, doblez + 2, -4, -4);
}

void persona(QPainter& p, const QPointF& centro, qreal escala, const QColor& color)
{
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QPointF(centro.x(), centro.y() - 9 * escala), 8 * escala, 8 * escala);
    // Shoulders: the upper half of an ellipse below the head.
    const QRectF hombros(centro.x() - 15 * escala, centro.y() + 2 * escala, 30 * escala, 36 * escala);
    QPainterPath cuerpo;
    cuerpo.moveTo(hombros.left(), hombros.center().y());
    cuerpo.arcTo(hombros, 180, -180);
    cuerpo.closeSubpath();
    p.drawPath(cuerpo);
}

void flecha(QPainter& p, const QPointF& punta, qreal angulo, qreal tam, const QColor& color)
{
    QPolygonF cabeza;
    cabeza << QPointF(0, 0) << QPointF(-tam, -tam * 0.6) << QPointF(-tam, tam * 0.6);
    QTransform t;
    t.translate(punta.x(), punta.y());
    t.rotate(angulo);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(t.map(cabeza));
}

// --- Large pictures -----------------------------------------------------------

QImage splash()
{
    QImage imagen(500, 270, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&imagen);
    preparaPincel(p);
    QLinearGradient fondo(0, 0, 500, 270);
    fondo.setColorAt(0, Paleta::marino);
    fondo.setColorAt(0.55, Paleta::azul);
    fondo.setColorAt(1, Paleta::azulClaro);
    p.fillRect(imagen.rect(), fondo);

    // Soft circles give the gradient some depth without competing with the name.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 18));
    p.drawEllipse(QPointF(440, 40), 130, 130);
    p.setBrush(QColor(255, 255, 255, 12));
    p.drawEllipse(QPointF(470, 250), 90, 90);
    p.drawEllipse(QPointF(20, 260), 70, 70);

    const QRectF papel = hoja(p, QRectF(48, 70, 84, 108));
    p.setPen(trazo(5, Paleta::azulClaro));
    for (int i = 0; i < 3; ++i) {
        const qreal y = papel.top() + 6 + i * 14;
        p.drawLine(QPointF(papel.left() + 6, y), QPointF(papel.right() - (i == 2 ? 30 : 6), y));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Paleta::verde);
    p.drawEllipse(QPointF(126, 174), 24, 24);
    p.setPen(trazo(6));
    p.drawPolyline(QPolygonF{QPointF(114, 174), QPointF(123, 183), QPointF(139, 165)});

    texto(p, QRectF(162, 70, 320, 80), QStringLiteral("Velkor"), 64, Paleta::blanco, Qt::AlignLeft | Qt::AlignVCenter);
    p.setPen(QColor(255, 255, 255, 200));
    p.setFont(letra(17, false));
    p.drawText(QRectF(166, 148, 320, 30), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Tus comprobantes fiscales en orden"));
    p.setPen(trazo(2, QColor(255, 255, 255, 90)));
    p.drawLine(QPointF(166, 186), QPointF(466, 186));
    p.setPen(QColor(255, 255, 255, 170));
    p.setFont(letra(12, false));
    p.drawText(QRectF(166, 194, 320, 22), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Facturación electrónica CFDI · Nómina · Respaldos"));
    return imagen;
}

// Drawn on a 128-pixel grid, at any size: the resource package takes it at
// 128, the icon theme at each of its sizes.
QImage logo(int lado = 128)
{
    QImage imagen = lienzo(lado, lado);
    QPainter p(&imagen);
    preparaPincel(p);
    p.scale(lado / 128.0, lado / 128.0);
    QLinearGradient fondo(0, 0, 128, 128);
    fondo.setColorAt(0, Paleta::azulClaro);
    fondo.setColorAt(1, Paleta::marino);
    p.setPen(Qt::NoPen);
    p.setBrush(fondo);
    p.drawRoundedRect(QRectF(4, 4, 120, 120), 28, 28);
    p.setPen(trazo(16));
    p.drawPolyline(QPolygonF{QPointF(30, 36), QPointF(60, 96), QPointF(98, 30)});
    p.setPen(Qt::NoPen);
    p.setBrush(Paleta::verde);
    p.drawEllipse(QPointF(98, 30), 10, 10);
    return imagen;
}

QImage usuarioDefault()
{
    QImage imagen = lienzo(128, 128);
    QPainter p(&imagen);
    preparaPincel(p);
    p.setPen(Qt::NoPen);
    p.setBrush(Paleta::grisClaro);
    p.drawEllipse(QRectF(2, 2, 124, 124));
    QPainterPath circulo;
    circulo.addEllipse(QRectF(2, 2, 124, 124));
    p.setClipPath(circulo);
    p.setBrush(Paleta::gris.lighter(140));
    p.drawEllipse(QPointF(64, 50), 24, 24);
    p.drawEllipse(QRectF(20, 82, 88, 80));
    return imagen;
}

QImage empresaDefault()
{
    QImage imagen = lienzo(128, 128);
    QPainter p(&imagen);
    preparaPincel(p);
    p.setPen(Qt::NoPen);
    p.setBrush(Paleta::grisClaro);
    p.drawRoundedRect(QRectF(2, 2, 124, 124), 24, 24);
    const QColor muro = Paleta::gris.lighter(130);
    p.setBrush(muro);
    p.drawRect(QRectF(26, 30, 48, 74));
    p.drawRect(QRectF(74, 58, 30, 46));
    p.setBrush(Paleta::grisClaro);
    for (int fila = 0; fila < 4; ++fila)
        for (int col = 0; col < 3; ++col)
            p.drawRect(QRectF(32 + col * 14, 38 + fila * 14, 8, 8));
    for (int fila = 0; fila < 2; ++fila)
        p.drawRect(QRectF(84, 66 + fila * 14, 10, 8));
    p.drawRect(QRectF(44, 90, 12, 14));
    p.setBrush(Paleta::gris);
    p.drawRect(QRectF(18, 104, 92, 4));
    return imagen;
}

QImage bandera()
{
    QImage imagen = lienzo(ICONO, ICONO);
    QPainter p(&imagen);
    preparaPincel(p);
    const QRectF tela(4, 14, 56, 36);
    QPainterPath borde;
    borde.addRoundedRect(tela, 5, 5);
    p.setClipPath(borde);
    const qreal tercio = tela.width() / 3;
    p.fillRect(QRectF(tela.left(), tela.top(), tercio, tela.height()), QColor(0x00, 0x68, 0x47));
    p.fillRect(QRectF(tela.left() + tercio, tela.top(), tercio, tela.height()), Qt::white);
    p.fillRect(QRectF(tela.left() + 2 * tercio, tela.top(), tercio, tela.height()), QColor(0xCE, 0x11, 0x26));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x8C, 0x5A, 0x2B));
    p.drawEllipse(tela.center(), 5, 5);
    p.setClipping(false);
    p.setPen(QPen(QColor(0, 0, 0, 40), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(tela, 5, 5);
    return imagen;
}

// --- Icons: a tile and a white glyph -----------------------------------------------

using Glifo = std::function<void(QPainter&)>;

QImage icono(const QColor& color, const Glifo& glifo)
{
    QImage imagen = lienzo(ICONO, ICONO);
    QPainter p(&imagen);
    preparaPincel(p);
    baldosa(p, color);
    glifo(p);
    return imagen;
}

void glifoUsuario(QPainter& p)
{
    persona(p, QPointF(32, 30), 1.0, Paleta::blanco);
}

void glifoClientes(QPainter& p)
{
    persona(p, QPointF(40, 29), 0.8, QColor(255, 255, 255, 170));
    persona(p, QPointF(26, 33), 0.9, Paleta::blanco);
}

void glifoCorona(QPainter& p)
{
    QPolygonF corona{QPointF(14, 44), QPointF(12, 20), QPointF(23, 30), QPointF(32, 16),
                     QPointF(41, 30), QPointF(52, 20), QPointF(50, 44)};
    p.setPen(trazo(2));
    p.setBrush(Paleta::blanco);
    p.drawPolygon(corona);
    p.drawRoundedRect(QRectF(14, 46, 36, 5), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(Paleta::dorado);
    p.drawEllipse(QPointF(32, 37), 3.5, 3.5);
}

void glifoActualizacion(QPainter& p)
{
    const QRectF aro(16, 16, 32, 32);
    p.setPen(trazo(5));
    p.setBrush(Qt::NoBrush);
    p.drawArc(aro, 20 * 16, 140 * 16);
    p.drawArc(aro, 200 * 16, 140 * 16);
    // Each arc ends in a head pointing along its counter-clockwise travel.
    const QPointF c = aro.center();
    for (qreal grados : {160.0, 340.0}) {
        const qreal r = qDegreesToRadians(grados);
        const QPointF fin(c.x() + 16 * qCos(r), c.y() - 16 * qSin(r));
        const QPointF direccion(-qSin(r), -qCos(r));
        flecha(p, fin + direccion * 5, qRadiansToDegrees(qAtan2(direccion.y(), direccion.x())), 9, Paleta::blanco);
    }
}

void glifoEngrane(QPainter& p)
{
    const QPointF c(32, 32);
    QPainterPath engrane;
    const int dientes = 8;
    for (int i = 0; i < dientes * 2; ++i) {
        const qreal angulo = qDegreesToRadians(i * 360.0 / (dientes * 2));
        const qreal radio = (i % 2 == 0) ? 20 : 15;
        const qreal media = qDegreesToRadians(360.0 / (dientes * 4));
        const QPointF a(c.x() + radio * qCos(angulo - media), c.y() + radio * qSin(angulo - media));
        const QPointF b(c.x() + radio * qCos(angulo + media), c.y() + radio * qSin(angulo + media));
        if (i == 0)
            engrane.moveTo(a);
        else
            engrane.lineTo(a);
        engrane.lineTo(b);
    }
    engrane.closeSubpath();
    engrane.addEllipse(c, 6, 6);
    engrane.setFillRule(Qt::OddEvenFill);
    p.setPen(Qt::NoPen);
    p.setBrush(Paleta::blanco);
    p.drawPath(engrane);
}

void glifoXML(QPainter& p)
{
    const QRectF area = hoja(p, QRectF(15, 10, 34, 44));
    texto(p, area.adjusted(-3, 0, 3, 0), QStringLiteral("</>"), 11, Paleta::naranja);
}

void glifoBridge(QPainter& p)
{
    const QRectF area = hoja(p, QRectF(13, 10, 32, 42));
    texto(p, area.adjusted(-3, 0, 3, 0), QStringLiteral("TXT"), 10, Paleta::morado);
    p.setPen(trazo(4));
    p.drawLine(QPointF(36, 50), QPointF(50, 50));
    flecha(p, QPointF(56, 50), 0, 8, Paleta::blanco);
}

void glifoBaseDatos(QPainter& p)
{
    p.setPen(trazo(3));
    p.setBrush(Qt::NoBrush);
    const qreal x = 16, ancho = 32, alto = 10;
    for (int i = 0; i < 3; ++i) {
        const qreal y = 18 + i * 10;
        p.drawArc(QRectF(x, y, ancho, alto), 180 * 16, 180 * 16);
    }
    p.drawEllipse(QRectF(x, 12, ancho, alto));
    p.drawLine(QPointF(x, 17), QPointF(x, 45));
    p.drawLine(QPointF(x + ancho, 17), QPointF(x + ancho, 45));
    p.drawArc(QRectF(x, 40, ancho, alto), 180 * 16, 180 * 16);
}

void glifoCandado(QPainter& p)
{
    p.setPen(trazo(5));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(21, 12, 22, 26), 0, 180 * 16);
    p.drawLine(QPointF(21, 25), QPointF(21, 30));
    p.drawLine(QPointF(43, 25), QPointF(43, 30));
    p.setPen(Qt::NoPen);
    p.setBrush(Paleta::blanco);
    p.drawRoundedRect(QRectF(15, 28, 34, 24), 4, 4);
    p.setBrush(Paleta::azul);
    p.drawEllipse(QPointF(32, 38), 3.5, 3.5);
    p.drawRect(QRectF(30.5, 38, 3, 8));
}

void glifoTelefono(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Paleta::blanco);
    p.drawRoundedRect(QRectF(20, 10, 24, 44), 5, 5);
    p.setBrush(Paleta::verde);
    p.drawRect(QRectF(23, 16, 18, 28));
    p.drawEllipse(QPointF(32, 49), 2.5, 2.5);
}

void glifoCorreo(QPainter& p)
{
    const QRectF sobre(12, 18, 40, 28);
    p.setPen(Qt::NoPen);
    p.setBrush(Paleta::blanco);
    p.drawRoundedRect(sobre, 3, 3);
    p.setPen(trazo(3, Paleta::azul));
    p.drawPolyline(QPolygonF{sobre.topLeft() + QPointF(3, 3), QPointF(32, 34), sobre.topRight() + QPointF(-3, 3)});
}

void glifoEliminar(QPainter& p)
{
    p.setPen(trazo(7));
    p.drawLine(QPointF(20, 20), QPointF(44, 44));
    p.drawLine(QPointF(44, 20), QPointF(20, 44));
}

void glifoLapiz(QPainter& p)
{
    p.save();
    p.translate(32, 32);
    p.rotate(-45);
    p.setPen(Qt::NoPen);
    p.setBrush(Paleta::blanco);
    p.drawRect(QRectF(-14, -6, 28, 12));
    p.setBrush(QColor(255, 255, 255, 170));
    p.drawRect(QRectF(-20, -6, 5, 12));
    QPolygonF punta{QPointF(14, -6), QPointF(24, 0), QPointF(14, 6)};
    p.setBrush(Paleta::blanco);
    p.drawPolygon(punta);
    p.setBrush(Paleta::naranja.darker(150));
    p.drawPolygon(QPolygonF{QPointF(20.5, -2), QPointF(24, 0), QPointF(20.5, 2)});
    p.restore();
}

void glifoBote(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Paleta::blanco);
    p.drawRoundedRect(QRectF(14, 16, 36, 5), 2, 2);
    p.drawRect(QRectF(27, 12, 10, 5));
    QPolygonF cuerpo{QPointF(18, 23), QPointF(46, 23), QPointF(43, 52), QPointF(21, 52)};
    p.drawPolygon(cuerpo);
    p.setPen(trazo(2.5, Paleta::rojo));
    for (qreal x : {26.0, 32.0, 38.0})
        p.drawLine(QPointF(x, 28), QPointF(x, 47));
}

void glifoReportes(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Paleta::blanco);
    const qreal alturas[] = {14, 26, 20, 34};
    for (int i = 0; i < 4; ++i)
        p.drawRoundedRect(QRectF(13 + i * 10, 50 - alturas[i], 7, alturas[i]), 1.5, 1.5);
    p.drawRect(QRectF(10, 50, 44, 3));
}

void glifoProductos(QPainter& p)
{
    QPolygonF tapa{QPointF(32, 12), QPointF(52, 22), QPointF(32, 32), QPointF(12, 22)};
    QPolygonF izquierda{QPointF(12, 22), QPointF(32, 32), QPointF(32, 54), QPointF(12, 44)};
    QPolygonF derecha{QPointF(32, 32), QPointF(52, 22), QPointF(52, 44), QPointF(32, 54)};
    p.setPen(Qt::NoPen);
    p.setBrush(Paleta::blanco);
    p.drawPolygon(tapa);
    p.setBrush(QColor(255, 255, 255, 215));
    p.drawPolygon(izquierda);
    p.setBrush(QColor(255, 255, 255, 170));
    p.drawPolygon(derecha);
}

void glifoNomina(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawRoundedRect(QRectF(14, 16, 40, 24), 3, 3);
    p.setBrush(Paleta::blanco);
    p.drawRoundedRect(QRectF(10, 22, 40, 24), 3, 3);
    p.setBrush(Paleta::verde);
    p.drawEllipse(QPointF(30, 34), 8, 8);
    texto(p, QRectF(22, 26, 16, 16), QStringLiteral("$"), 12);
}

void glifoFacturacion(QPainter& p)
{
    const QRectF area = hoja(p, QRectF(15, 10, 34, 44));
    texto(p, QRectF(area.left(), area.top() - 2, area.width(), 16), QStringLiteral("$"), 15, Paleta::azul);
    p.setPen(trazo(2.5, Paleta::azul.lighter(150)));
    p.drawLine(QPointF(area.left() + 2, area.top() + 20), QPointF(area.right() - 2, area.top() + 20));
    p.drawLine(QPointF(area.left() + 2, area.top() + 26), QPointF(area.right() - 8, area.top() + 26));
}

void glifoRespaldo(QPainter& p)
{
    QPainterPath nube;
    nube.addEllipse(QRectF(12, 26, 20, 20));
    nube.addEllipse(QRectF(22, 16, 24, 24));
    nube.addEllipse(QRectF(36, 26, 18, 20));
    nube.addRect(QRectF(22, 34, 24, 12));
    nube.setFillRule(Qt::WindingFill);
    p.setPen(Qt::NoPen);
    p.setBrush(Paleta::blanco);
    p.drawPath(nube.simplified());
    p.setPen(trazo(4, Paleta::turquesa));
    p.drawLine(QPointF(33, 42), QPointF(33, 30));
    flecha(p, QPointF(33, 25), -90, 7, Paleta::turquesa);
}

QImage generico(const QString& nombre)
{
    static const QColor colores[] = {Paleta::azul,   Paleta::verde,    Paleta::naranja,
                                     Paleta::morado, Paleta::turquesa, Paleta::indigo};
    const QColor color = colores[qHash(nombre) % std::size(colores)];
    const QString inicial = nombre.isEmpty() ? QStringLiteral("?") : nombre.left(1).toUpper();
    return icono(color, [&](QPainter& p) { texto(p, QRectF(0, 0, ICONO, ICONO), inicial, 32); });
}

const QHash<QString, std::function<QImage()>>& dibujos()
{
    static const QHash<QString, std::function<QImage()>> tabla{
        {QStringLiteral("IMG_SPLASH"), splash},
        {QStringLiteral("IMG_LOGO"), [] { return logo(); }},
        {QStringLiteral("IMG_USUARIO_DEFAULT"), usuarioDefault},
        {QStringLiteral("IMG_EMPRESA_DEFAULT"), empresaDefault},
        {QStringLiteral("IMG_BANDERA"), bandera},
        {QStringLiteral("IMG_USUARIO"), [] { return icono(Paleta::azul, glifoUsuario); }},
        {QStringLiteral("IMG_CORONA"), [] { return icono(Paleta::dorado, glifoCorona); }},
        {QStringLiteral("IMG_UPDATE"), [] { return icono(Paleta::verde, glifoActualizacion); }},
        {QStringLiteral("IMG_ABRIR_CONFIGURACION"), [] { return icono(Paleta::gris, glifoEngrane); }},
        {QStringLiteral("IMG_ABRIR_XML"), [] { return icono(Paleta::naranja, glifoXML); }},
        {QStringLiteral("IMG_BASE_DATOS"), [] { return icono(Paleta::marino, glifoBaseDatos); }},
        {QStringLiteral("IMG_CANDADO_LOGGIN"), [] { return icono(Paleta::azul, glifoCandado); }},
        {QStringLiteral("IMG_TELEFONO"), [] { return icono(Paleta::verde, glifoTelefono); }},
        {QStringLiteral("IMG_EMAIL"), [] { return icono(Paleta::azulClaro, glifoCorreo); }},
        {QStringLiteral("IMG_DELETE"), [] { return icono(Paleta::rojo, glifoEliminar); }},
        {QStringLiteral("IMG_LAPIZ"), [] { return icono(Paleta::naranja, glifoLapiz); }},
        {QStringLiteral("IMG_BOTE"), [] { return icono(Paleta::rojo, glifoBote); }},
        {QStringLiteral("IMG_BRIDGE_TXT"), [] { return icono(Paleta::morado, glifoBridge); }},
        {QStringLiteral("IMG_REPORTES"), [] { return icono(Paleta::turquesa, glifoReportes); }},
        {QStringLiteral("IMG_PRODUCTOSERVICIOS"), [] { return icono(Paleta::cafe, glifoProductos); }},
        {QStringLiteral("IMG_NOMINA"), [] { return icono(Paleta::verde, glifoNomina); }},
        {QStringLiteral("IMG_FACTURACION"), [] { return icono(Paleta::azul, glifoFacturacion); }},
        {QStringLiteral("IMG_CLIENTES"), [] { return icono(Paleta::indigo, glifoClientes); }},
        {QStringLiteral("IMG_RESPALDO"), [] { return icono(Paleta::turquesa, glifoRespaldo); }},
    };
    return tabla;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QTextStream error(stderr);
    const QStringList argumentos = app.arguments().mid(1);
    if (argumentos.size() == 2 && argumentos.first() == QStringLiteral("--iconos")) {
        for (const int lado : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QString carpeta = QStringLiteral("%1/%2x%2/apps").arg(argumentos.at(1)).arg(lado);
            if (!QDir().mkpath(carpeta) || !logo(lado).save(carpeta + QStringLiteral("/velkor.png"), "PNG")) {
                error << "no se pudo escribir el icono en " << carpeta << '\n';
                return 1;
            }
        }
        return 0;
    }
    if (argumentos.size() != 2) {
        error << "uso: dibujaimagenes <carpeta> <archivo.qrc> | dibujaimagenes --iconos <carpeta>\n";
        return 2;
    }
    QDir carpeta(argumentos.first());
    if (!carpeta.mkpath(QStringLiteral("."))) {
        error << "no se pudo crear " << carpeta.path() << '\n';
        return 1;
    }
    QList<TEntradaQrc> entradas;
    for (const Constantes::TImagenRecurso& imagen : Constantes::IMAGENES) {
        const auto dibujo = dibujos().constFind(imagen.constante);
        const QImage dibujada = dibujo != dibujos().constEnd() ? (*dibujo)() : generico(imagen.nombre);
        const QString destino = carpeta.absoluteFilePath(imagen.nombre + QStringLiteral(".png"));
        if (!dibujada.save(destino, "PNG")) {
            error << "no se pudo escribir " << destino << '\n';
            return 1;
        }
        entradas.append({imagen.nombre, destino});
    }
    if (!escribeQrc(argumentos.at(1), PREFIJO_RECURSOS, entradas)) {
        error << "no se pudo escribir " << argumentos.at(1) << '\n';
        return 1;
    }
    return 0;
}
