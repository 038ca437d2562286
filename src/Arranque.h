#pragma once
#include <QString>

class QWidget;

// The program's start-up, the one place that knows every window: it creates
// them in their fixed order, sets their globals (Ventanas.h) and wires the
// hand-overs between them. Windows only announce what happened:
//   splash registroDanado(apartado)  -> wizard avisaRegistroDanado(apartado)
//   splash terminado(activas)        -> wizard muestraInicio(activas)
//   wizard ingresoTerminado()        -> main window actualizaSesion(), show()
//   wizard cerradoSinIngreso()       -> the program ends, unless another of
//                                       its windows is open (terminaSiEsLaUltima)
//   wizard negocioAgregado()         -> main window actualizaSesion()
namespace Arranque {

// Qt's own texts in Spanish (message-box buttons, file dialog, the fields'
// context menu): installs Qt's catalogues "qtbase" and "qt" for es_MX (es)
// from Qt's translations folder, and makes es_MX the default locale, once per
// process. Without the catalogues (package qt6-translations-l10n) the texts
// stay Qt's English ones.
void instalaTraducciones();
// Installs the translations, creates the eleven windows in their order (the
// registry holder, second, is registroLocal()), connects them and shows the
// splash. The program folder is the running program's; tests give their own.
void creaVentanas(const QString& carpetaPrograma);
// Frees every window still alive, without any hand-over (the end of the
// program, or of a test).
void destruyeVentanas();
// Ends the event loop unless a window of the program other than `cerrada` is
// still shown: the wizard closed without a sign-in may have been opened over
// the main window to add a business.
void terminaSiEsLaUltima(const QWidget* cerrada);

} // namespace Arranque
