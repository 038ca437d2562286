#include "Style.h"

#include "Constantes.h"

#include <atomic>

namespace {

// The colours one brand paints its buttons and backgrounds with.
struct TMarca {
    QColor boton;
    QColor botonClaro;
    QColor botonEncima;
    QColor botonPresionado;
    QColor botonFact;
    QColor botonFactClaro;
    QColor botonFactEncima;
    QColor botonFactPresionado;
    QColor bannerArriba;
    QColor bannerAbajo;
    QColor fondoArriba;
    QColor fondoAbajo;
};

// The house style: a sober blue that reads well on both light backgrounds and
// the white text the windows put on buttons.
const QString MARCA_CASA = QStringLiteral("VK");

const QHash<QString, TMarca>& marcas()
{
    static const QHash<QString, TMarca> tabla{
        {MARCA_CASA,
         {QColor(0x2B, 0x5F, 0x9E), QColor(0x3A, 0x74, 0xB8), QColor(0x35, 0x6E, 0xB0), QColor(0x1E, 0x47, 0x7A),
          QColor(0x1F, 0x4E, 0x79), QColor(0x2F, 0x66, 0x9C), QColor(0x28, 0x5C, 0x8E), QColor(0x16, 0x3A, 0x5C),
          QColor(0x1F, 0x4E, 0x79), QColor(0x2E, 0x6D, 0xA4), QColor(0xF4, 0xF7, 0xFB), QColor(0xDD, 0xE6, 0xF0)}},
        // Dark brand: its banner is painted solid black by the windows, and its
        // buttons and backgrounds stay in graphite to match.
        {QStringLiteral("QZP"),
         {QColor(0x3A, 0x3F, 0x47), QColor(0x4D, 0x53, 0x5C), QColor(0x47, 0x4D, 0x56), QColor(0x25, 0x29, 0x2E),
          QColor(0x2A, 0x2E, 0x34), QColor(0x3C, 0x41, 0x48), QColor(0x35, 0x3A, 0x41), QColor(0x18, 0x1B, 0x1F),
          QColor(0x00, 0x00, 0x00), QColor(0x2A, 0x2E, 0x34), QColor(0xF5, 0xF5, 0xF6), QColor(0xE0, 0xE2, 0xE5)}},
    };
    return tabla;
}

const TMarca& marca(const QString& claveMarca)
{
    const auto& tabla = marcas();
    const auto encontrada = tabla.constFind(claveMarca.trimmed().toUpper());
    return encontrada != tabla.constEnd() ? *encontrada : *tabla.constFind(MARCA_CASA);
}

QString hoja(const QColor& base, const QColor& claro, const QColor& encima, const QColor& presionado)
{
    return QStringLiteral(
               "QPushButton { color: #FFFFFF; border: 1px solid %4; border-radius: 4px; padding: 4px 14px;"
               " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %2, stop:1 %1); }\n"
               "QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %2, stop:1 %3); }\n"
               "QPushButton:pressed { background: %4; }\n"
               "QPushButton:disabled { color: #E4E8ED; border-color: #A9B2BD; background: #B8C0CA; }")
        .arg(base.name(), claro.name(), encima.name(), presionado.name());
}

QLinearGradient vertical(const QColor& arriba, const QColor& abajo)
{
    QLinearGradient degradado(0.0, 0.0, 0.0, 1.0);
    degradado.setCoordinateMode(QGradient::ObjectMode);
    degradado.setColorAt(0.0, arriba);
    degradado.setColorAt(1.0, abajo);
    return degradado;
}

std::atomic<bool> g_creado{false};

} // namespace

namespace Style {

TStyleFrm::TStyleFrm()
    : m_colores{
          {Constantes::RS_TEXTOBLANCO, QColor(0xFF, 0xFF, 0xFF)},
          {Constantes::RS_TEXTOAZUL, QColor(0x1F, 0x4E, 0x79)},
          {Constantes::RS_SEPARADOR, QColor(0xC5, 0xD1, 0xDE)},
          {Constantes::RS_NEGRO, QColor(0x00, 0x00, 0x00)},
          {Constantes::RS_TEXTOSECCION, QColor(0x2B, 0x5F, 0x9E)},
          {Constantes::RS_TEXTOSUBTITULOS, QColor(0x3E, 0x4C, 0x5B)},
          {Constantes::RS_COLORTEXTO, QColor(0x33, 0x33, 0x33)},
          // Dark amber: a warning, readable on the light backgrounds.
          {Constantes::RS_TEXTOADVERTENCIA, QColor(0xB3, 0x4A, 0x00)},
      }
{
}

QColor TStyleFrm::color(const QString& nombre) const
{
    return m_colores.value(nombre, QColor());
}

QString TStyleFrm::getButtonStyle(const QString& claveMarca) const
{
    const TMarca& m = marca(claveMarca);
    return hoja(m.boton, m.botonClaro, m.botonEncima, m.botonPresionado);
}

QString TStyleFrm::getButtonFactStyle(const QString& claveMarca) const
{
    const TMarca& m = marca(claveMarca);
    return hoja(m.botonFact, m.botonFactClaro, m.botonFactEncima, m.botonFactPresionado);
}

QLinearGradient TStyleFrm::getBannerGradient(const QString& claveMarca) const
{
    const TMarca& m = marca(claveMarca);
    return vertical(m.bannerArriba, m.bannerAbajo);
}

QLinearGradient TStyleFrm::getRectangleGradient(const QString& claveMarca) const
{
    const TMarca& m = marca(claveMarca);
    return vertical(m.fondoArriba, m.fondoAbajo);
}

TStyleFrm& StyleFrm()
{
    static TStyleFrm estilo;
    g_creado.store(true);
    return estilo;
}

bool existeStyleFrm()
{
    return g_creado.load();
}

} // namespace Style
