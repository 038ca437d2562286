#include "DisenoAsistente.h"

#include "Constantes.h"
#include "Sistema.h"

namespace DisenoAsistente {

QString textoBienvenida()
{
    return QString(Constantes::MENSAJE_BIENVENIDA).replace(Constantes::MARCA_SUST, Sistema::marca);
}

} // namespace DisenoAsistente
