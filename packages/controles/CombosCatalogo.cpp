#include "CombosCatalogo.h"

#include "Constantes.h"
#include "Controles.h"
#include "TBaseDatosCatalogosFrm.h"

namespace CombosCatalogo {

void inicializaRegimenFiscal(QComboBox* lista, const QString& rfc)
{
    if (!lista)
        return;
    Controles::llenaLista(lista, Constantes::REGIMEN_FISCAL, BaseDatosCatalogosFrm().getRegimenesFiscales(rfc));
}

} // namespace CombosCatalogo
