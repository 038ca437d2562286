#pragma once
#include "ComunesExport.h"

#include <QString>

class QLabel;
class QObject;
class QWidget;
class TConexionSesion;
class TElementoModulo;
class TNegocio;
class TUsuario;
class TUsuarionegocio;

// The names through which the shell and the module packages find each other.
// A module package X.bpl registers (RegistroClases) the menu class
// PREFIJO_MENU + "X" + SUFIJO_CLASE, whose OPERACION_MENU returns its entries
// (TListaMenuModulo); each entry that opens a window names a registered window
// class and its window routine PREFIJO_VENTANA + module + SUFIJO_CLASE, which
// returns the window's TElementoModulo. docs/modulos.md tells module authors
// the whole contract.
namespace ContratoModulos {

inline const QString EXTENSION_PAQUETE = QStringLiteral(".bpl");
inline const QString PREFIJO_MENU = QStringLiteral("TMenu");
inline const QString SUFIJO_CLASE = QStringLiteral("Frm");
inline const QString OPERACION_MENU = QStringLiteral("GetMenuItems");
inline const QString PREFIJO_VENTANA = QStringLiteral("GetVentana");
// The window routine, GetVentana<Modulo>Frm: what the shell hands a module
// window and what it gets back (docs/modulos.md, section 4). A module states
// its routine matches:
//   static_assert(std::is_same_v<decltype(&TEjemploFrm::GetVentanaEjemploFrm),
//                                ContratoModulos::TMetodoVentana<TEjemploFrm>>);
using TRutinaVentana = TElementoModulo*(const QString& exePath, const TNegocio* negocio, const TUsuario* usuario,
                                        const TConexionSesion* conexion, const TUsuarionegocio* usuarioNegocio,
                                        QWidget* ventanaPrincipal, QWidget* menuLateral, QLabel* sucursal);
// The routine as a member of the module's window class `Ventana`.
template <class Ventana> using TMetodoVentana = TRutinaVentana Ventana::*;
// Separates a window routine's name from the action a menu entry asks for.
inline const QChar SEPARADOR_ACCION = QLatin1Char('_');
// The action that opens a window's configuration content.
inline const QString ACCION_CONFIGURACION = QStringLiteral("Configuracion");
// The text a configuration content receives when it is opened.
inline const QString TEXTO_LIMPIA = QStringLiteral("Limpia");

// How the shell talks to a content and a module to the shell's work area: a
// text property followed by the click operation.
inline const char* const PROPIEDAD_TEXTO = "text";
inline const char* const OPERACION_CLIC = "click";

// Commands a module sends through the shell's work area (enviaComando).
// Refreshes the series panel.
inline const QString COMANDO_ACTUALIZA_SERIES = QStringLiteral("1");
// COMANDO_FILTRA_SERIES, any one character and the SAT voucher type number
// ("02 11"): the series combo lists that type's series only.
inline const QString COMANDO_FILTRA_SERIES = QStringLiteral("02");
// Hands the help module's parameters to the voucher windows and opens one.
inline const QString COMANDO_AYUDA_COMPROBANTE = QStringLiteral("99");

// Sets the command as the work area's text and clicks it; the shell runs the
// command at once and empties the text again. False when `areaTrabajo` is
// not the shell's work area (it has no click operation).
COMUNES_EXPORT bool enviaComando(QObject* areaTrabajo, const QString& comando);

// Sets a content's text and invokes its click(QObject*) with `emisor`. False
// when the content has no such operation (the text is set all the same).
COMUNES_EXPORT bool activaContenido(QObject* contenido, const QString& texto, QObject* emisor);

} // namespace ContratoModulos
