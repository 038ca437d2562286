#pragma once
#include <QString>

// How the main window reads the names of its menu rows and the commands the
// modules send through its work area. No window is touched here.
namespace Despacho {

// A menu row's component name taken apart: "GetVentanaReportesFrm_Grafica"
// names the window routine "GetVentanaReportesFrm" of the module "Reportes"
// with the action "Grafica".
struct TNombreVentana {
    QString ventana; // the routine's name, the key of the window descriptors
    QString accion;  // after the first "_"; empty when none
    QString modulo;  // the routine's name without "GetVentana" and "Frm"
};
TNombreVentana separaNombre(const QString& componente);

// The text bridge modules need a series chosen before they open.
bool requiereSerie(const QString& modulo);

// The permission code that guards the window of a routine's module name
// (TNombreVentana::modulo): the module's CODIGO_*, invoicing's for the voucher
// and help windows, and CODIGO_SIN_DERECHO when no module right covers it.
QString codigoPermiso(const QString& modulo);
// A code no user holds: the window of a module without a right of its own
// opens for nobody.
inline const QString CODIGO_SIN_DERECHO = QStringLiteral("0");

enum class TTipoComando { Desconocido, ActualizaSeries, FiltraSeries, AyudaComprobante };

struct TComando {
    TTipoComando tipo = TTipoComando::Desconocido;
    // FiltraSeries: the voucher type letter ("I", "E", ...).
    QString tipoComprobante;
    // Desconocido: why the text is not a command.
    QString motivo;
};
// Never raises: a text that is not a command comes back Desconocido with the
// reason, for the log.
TComando interpreta(const QString& texto);

// The letter of a SAT voucher type number as the series keep it; empty for a
// number that names no type.
QString letraTipoComprobante(int tipo);

// The voucher windows that receive the help module's parameters, and the
// window the hand-over opens.
inline const QString VENTANA_AYUDA = QStringLiteral("GetVentanaAyudaBPLFrm");
inline const QString VENTANA_COMPROBANTE = QStringLiteral("GetVentanaComprobanteFiscal");
inline const QString VENTANA_COMPROBANTE_40 = QStringLiteral("GetVentanaComprobanteFiscal40");
inline const QString ABRE_COMPROBANTE_AYUDA = QStringLiteral("GetVentanaComprobanteFiscal_7");

} // namespace Despacho
