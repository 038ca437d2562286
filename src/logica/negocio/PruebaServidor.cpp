#include "PruebaServidor.h"

namespace PruebaServidor {

TPrueba prueba(const TConexionSesion&)
{
    return TPrueba{TResultado::Error, QStringLiteral("sin hacer")};
}

} // namespace PruebaServidor
