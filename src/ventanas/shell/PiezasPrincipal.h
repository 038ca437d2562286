#pragma once
#include <QColor>
#include <QString>

class QByteArray;
class QFrame;
class QLabel;
class QScrollArea;
class QWidget;
class TEtiquetaAccion;

// Small building blocks the main window's panels share.
namespace PiezasPrincipal {

// A colour of the brand's style (RS_*).
QColor color(const QString& nombre);
TEtiquetaAccion* accion(QWidget* padre, const QString& nombre, const QString& texto = QString());
// A one-pixel line in the separator colour.
QFrame* separador(QWidget* padre, const QString& nombre);
// A frameless scroll area through which the background beneath shows.
QScrollArea* desplazable(QWidget* padre, const QString& nombre);
// A picture stored in the database; false, and nothing shown, when the bytes
// are not one.
bool muestraImagen(QLabel* destino, const QByteArray& bytes);

} // namespace PiezasPrincipal
