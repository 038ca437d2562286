#pragma once
#include "ControlesExport.h"

#include <QString>

class QComboBox;

// Lists of the windows filled from the SAT catalogue (TBaseDatosCatalogosFrm).
namespace CombosCatalogo {

// Refills the list: item 0 is REGIMEN_FISCAL, then the regimes that apply to
// the RFC (TBaseDatosCatalogosFrm::getRegimenesFiscales); item 0 is left
// chosen. A missing catalogue leaves the prompt alone.
CONTROLES_EXPORT void inicializaRegimenFiscal(QComboBox* lista, const QString& rfc);

} // namespace CombosCatalogo
