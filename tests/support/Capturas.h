#pragma once
#include <QString>

class QWidget;

// Pictures of windows for a person to look at: kept only when the variable
// VELKOR_CAPTURAS names a folder, so a normal run writes nothing.
namespace Capturas {

bool pedidas();
// Grabs `ventana` as it shows now (after pending layout work) and fails the
// running test when nothing could be drawn; saves it as <nombre>.png when
// pictures were asked for.
void guarda(QWidget& ventana, const QString& nombre);

} // namespace Capturas
