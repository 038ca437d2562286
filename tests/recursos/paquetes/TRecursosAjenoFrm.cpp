#include "TRecursosAjenoFrm.h"

#include "Constantes.h"
#include "RegistroClases.h"

namespace {
const TRegistroClase registro(Constantes::RS_CLASS_NAME + QStringLiteral("Ajeno"),
                              &TRecursosAjenoFrm::staticMetaObject);
}
