#include "Nomina11.h"

#include "Cfdi.h"

namespace Nomina11 {
VELKOR_ENTRADAS_COMPLEMENTO(IXMLNomina, GetNomina, ESPACIO, "Nomina")
}
