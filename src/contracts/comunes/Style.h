#pragma once
#include "ComunesExport.h"

#include <QColor>
#include <QHash>
#include <QLinearGradient>
#include <QString>

namespace Style {

// Brand styles: the colour table by name (RS_TEXTOBLANCO, RS_TEXTOAZUL, ...)
// and button and gradient styles for a brand key (the first field of the brand
// identity). An unknown brand key gets the house style.
class COMUNES_EXPORT TStyleFrm {
public:
    TStyleFrm();
    // Invalid QColor for an unknown name.
    QColor color(const QString& nombre) const;
    // Qt style sheets for push buttons.
    QString getButtonStyle(const QString& claveMarca) const;
    QString getButtonFactStyle(const QString& claveMarca) const;
    // Gradients running from top to bottom over a unit rectangle
    // (QGradient::ObjectMode), so they fit any widget size.
    QLinearGradient getBannerGradient(const QString& claveMarca) const;
    QLinearGradient getRectangleGradient(const QString& claveMarca) const;

private:
    QHash<QString, QColor> m_colores;
};

// The shared style object, created on first use.
COMUNES_EXPORT TStyleFrm& StyleFrm();
COMUNES_EXPORT bool existeStyleFrm();

} // namespace Style
