#pragma once
#include <QString>

class TSplashFrm;
class TBaseDatosLocalFrm;
class TWizardFrm;
class TConfiguracionBaseDatosFrm;
class TImportarXMLFrm;
class TMainFrm;
class TEmpresaFrm;
class TPerfilFrm;
class TSeriesFoliosFrm;
class TSucursalesFrm;
class TCartaManifiestoFrm;

// The windows of the shell, each created once at start and reached through
// its global. Each is defined beside its class.
extern TSplashFrm* SplashFrm;
extern TBaseDatosLocalFrm* BaseDatosLocalFrm;
extern TWizardFrm* WizardFrm;
extern TConfiguracionBaseDatosFrm* ConfiguracionBaseDatosFrm;
extern TImportarXMLFrm* ImportarXMLFrm;
extern TMainFrm* MainFrm;
extern TEmpresaFrm* EmpresaFrm;
extern TPerfilFrm* PerfilFrm;
extern TSeriesFoliosFrm* SeriesFoliosFrm;
extern TSucursalesFrm* SucursalesFrm;
extern TCartaManifiestoFrm* CartaManifiestoFrm;

// The registry holder: the start-up window when it exists, otherwise one of
// its own (work that runs without the windows, such as tests and tools).
TBaseDatosLocalFrm& registroLocal();

namespace Inicio {
// Creates the eleven windows in their fixed order and shows the splash. The
// program folder is the running program's; tests give their own.
void creaVentanas(const QString& carpetaPrograma);
// Frees every window still alive (the end of the program, or of a test).
void destruyeVentanas();
}
