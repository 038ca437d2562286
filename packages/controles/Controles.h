#pragma once
#include "ControlesExport.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>

class QBrush;
class QComboBox;
class QFormLayout;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QWidget;
struct TTabla;

// The small pieces the windows build their forms from, so that every window
// names, marks and reacts alike. Each new widget gets `nombre` as its object
// name: tests and the hosting windows find it by that name.
namespace Controles {

CONTROLES_EXPORT QLabel* texto(QWidget* padre, const QString& nombre, const QString& contenido = QString());
// A square picture `lado` pixels wide; its picture scales to fit.
CONTROLES_EXPORT QLabel* imagen(QWidget* padre, const QString& nombre, int lado);
// A single-line field whose prompt (placeholder) is `indicacion`, the name
// the validation messages give it; `oculto` hides what is typed.
CONTROLES_EXPORT QLineEdit* campo(QWidget* padre, const QString& nombre, const QString& indicacion,
                                  bool oculto = false);
// No more characters in `campo` than column `columna` of `tabla` keeps (its
// largo, as in tabla.columnas.at(TEntidad::col_X)): a longer text would only
// be refused when the form is saved, with everything else already typed. A
// lower limit already set stays; a column without length sets none.
CONTROLES_EXPORT void largoColumna(QLineEdit* campo, const TTabla& tabla, int columna);
CONTROLES_EXPORT QPushButton* boton(QWidget* padre, const QString& nombre, const QString& titulo);
// The visible label of `campo` (its buddy), named "Et" + the field's name: a
// placeholder goes once the field is filled, the label stays.
CONTROLES_EXPORT QLabel* etiqueta(QWidget* padre, QWidget* campo, const QString& texto);
// A form of label beside field: the fields take the width left, the labels
// that of the longest, aligned left.
CONTROLES_EXPORT QFormLayout* nuevoFormulario();
// One row of `formulario`: the label of `campo` (etiqueta, `texto`) and the
// field, or the row `contenido` that holds it (a field with its buttons).
CONTROLES_EXPORT void fila(QFormLayout* formulario, QWidget* campo, const QString& texto, QLayout* contenido = nullptr);
// A push button styled with the sheet `hoja` (the brand's), plus a frame that
// shows keyboard focus without changing the button's size.
CONTROLES_EXPORT void estiloBoton(QPushButton* boton, const QString& hoja);
// The brand's action buttons of the administration windows: its button sheet
// with white text, through estiloBoton.
CONTROLES_EXPORT void estiloBotonesMarca(std::initializer_list<QPushButton*> botones);
// Chains keyboard focus (Tab) through the widgets in the order given: fields
// in reading order, then the buttons. nullptr and widgets that take no focus
// are skipped, so a list may name a link that is not wired yet.
CONTROLES_EXPORT void ordenTabulacion(const QList<QWidget*>& orden);

// A field in error has a red frame drawn over it and nothing else: its size
// and look stay, so nothing around it moves, and removing the mark gives the
// field its normal look back. The mark goes by itself as soon as the user
// edits the field (types in it, picks another entry). nullptr is ignored.
CONTROLES_EXPORT void marcaError(QWidget* campo);
CONTROLES_EXPORT void quitaError(QWidget* campo);
CONTROLES_EXPORT bool tieneError(const QWidget* campo);

// Enter or Return in `pagina` presses `boton` while it is shown and enabled,
// as a dialog's default button: a page of the wizard or of the main window is
// no dialog. A focused button takes Enter itself, a list keeps it for its own
// choice, and so does a field marked with enterPropio (its Enter does
// something else, such as reading a certificate).
CONTROLES_EXPORT void botonPredeterminado(QWidget* pagina, QPushButton* boton);
CONTROLES_EXPORT void enterPropio(QWidget* campo);

// A text or picture that acts like a link: a left click released over it
// runs `accion` while it is enabled. Asking again replaces the action. The
// action may free the widget itself. A text link is also a keyboard stop
// (Tab; Enter or Space run it, focus underlines it), and so is a picture
// given an accessible name before this call (focus frames it); a disabled
// link looks disabled (greyed, no hand cursor).
CONTROLES_EXPORT void alClic(QWidget* objeto, std::function<void()> accion);

// Shows `completo` (a business's name...) on one line of `etiqueta`, cut
// with "…" to the width the layout gives it, whole in its tooltip: however
// long, it neither widens the window nor wraps into lines. Asking again
// replaces the text.
CONTROLES_EXPORT void textoRecortado(QLabel* etiqueta, const QString& completo);

// The text colour named in the shared style's colour table (RS_TEXTOAZUL...);
// an unknown name leaves the colour as it is. A disabled label keeps the
// greyed colour of disabled text.
CONTROLES_EXPORT void colorTexto(QLabel* etiqueta, const QString& nombreColor);
// Fills the widget's background with the brush (a colour or a gradient).
CONTROLES_EXPORT void fondo(QWidget* widget, const QBrush& brocha);

// Refills a list: `prompt` as item 0, then the elements; item 0 is left chosen.
CONTROLES_EXPORT void llenaLista(QComboBox* lista, const QString& prompt, const QStringList& elementos);

} // namespace Controles
