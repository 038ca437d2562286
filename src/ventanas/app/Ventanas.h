#pragma once

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

// The windows of the shell, each created once at start by the start-up
// (Arranque) and reached through its global; nullptr before and after.
// BaseDatosLocalFrm is the registry holder the window-free logic reaches
// through registroLocal().
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
