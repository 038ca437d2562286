#pragma once
#include <QObject>

#include <functional>

class QComboBox;
class QLineEdit;
class QWidget;

// Input rules of the set-up pages that act on keys and focus. Each installs
// an event filter owned by the field.
namespace FiltroCampo {
// An e-mail field: refuses the keys ReglasCaptura::admiteEnCorreo refuses
// and lowers the case as it is typed.
void correo(QLineEdit* campo);
// A list chosen from, never typed into: text keys pick nothing.
void sinEscritura(QComboBox* lista);
// The field's error mark goes when it takes the focus.
void quitaErrorAlEnfocar(QWidget* campo);
// Runs `accion` each time the field loses the focus.
void alSalir(QWidget* campo, std::function<void()> accion);
} // namespace FiltroCampo
