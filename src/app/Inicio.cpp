#include "Ventanas.h"

#include "TBaseDatosLocalFrm.h"
#include "TCartaManifiestoFrm.h"
#include "TConfiguracionBaseDatosFrm.h"
#include "TEmpresaFrm.h"
#include "TImportarXMLFrm.h"
#include "TMainFrm.h"
#include "TPerfilFrm.h"
#include "TSeriesFoliosFrm.h"
#include "TSplashFrm.h"
#include "TSucursalesFrm.h"
#include "TWizardFrm.h"

TBaseDatosLocalFrm& registroLocal()
{
    if (BaseDatosLocalFrm)
        return *BaseDatosLocalFrm;
    static TBaseDatosLocalFrm propio;
    return propio;
}

namespace Inicio {

void creaVentanas(const QString& carpetaPrograma)
{
    SplashFrm = new TSplashFrm(carpetaPrograma);
    BaseDatosLocalFrm = new TBaseDatosLocalFrm();
    WizardFrm = new TWizardFrm();
    ConfiguracionBaseDatosFrm = new TConfiguracionBaseDatosFrm();
    ImportarXMLFrm = new TImportarXMLFrm();
    MainFrm = new TMainFrm();
    EmpresaFrm = new TEmpresaFrm();
    PerfilFrm = new TPerfilFrm();
    SeriesFoliosFrm = new TSeriesFoliosFrm();
    SucursalesFrm = new TSucursalesFrm();
    CartaManifiestoFrm = new TCartaManifiestoFrm();
    SplashFrm->show();
}

namespace {
template <class T>
void libera(T*& ventana)
{
    delete ventana;
    ventana = nullptr;
}
}  // namespace

void destruyeVentanas()
{
    // The splash hands over to the wizard when it is destroyed; at the end
    // nothing must be handed over any more.
    if (SplashFrm)
        SplashFrm->cancelaSiguiente();
    libera(SplashFrm);
    libera(CartaManifiestoFrm);
    libera(SucursalesFrm);
    libera(SeriesFoliosFrm);
    libera(PerfilFrm);
    libera(EmpresaFrm);
    libera(MainFrm);
    libera(ImportarXMLFrm);
    libera(ConfiguracionBaseDatosFrm);
    libera(WizardFrm);
    libera(BaseDatosLocalFrm);
}

}  // namespace Inicio
