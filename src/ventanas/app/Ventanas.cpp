#include "Ventanas.h"

TSplashFrm* SplashFrm = nullptr;
TBaseDatosLocalFrm* BaseDatosLocalFrm = nullptr;
TWizardFrm* WizardFrm = nullptr;
TConfiguracionBaseDatosFrm* ConfiguracionBaseDatosFrm = nullptr;
TImportarXMLFrm* ImportarXMLFrm = nullptr;
TMainFrm* MainFrm = nullptr;
TEmpresaFrm* EmpresaFrm = nullptr;
TPerfilFrm* PerfilFrm = nullptr;
TSeriesFoliosFrm* SeriesFoliosFrm = nullptr;
TSucursalesFrm* SucursalesFrm = nullptr;
TCartaManifiestoFrm* CartaManifiestoFrm = nullptr;
