#pragma once
#include <QPixmap>
#include <QString>

class QLabel;

// The Utils routines that need a widget. The rest of Utils needs none and
// lives with the window-free logic.
namespace Utils {

// The resource's picture; a null pixmap when the package or the resource is
// missing or not a picture.
QPixmap imagenRS(const QString& nombre, const QString& carpetaPrograma);
// Shows the resource's picture in the label; leaves it untouched when missing.
void cargaImageRS(const QString& nombre, QLabel* imagen, const QString& carpetaPrograma);

} // namespace Utils
