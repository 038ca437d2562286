#include "Credenciales.h"

#include "Constantes.h"
#include "Entidades.h"
#include "Signerutils.h"

namespace Credenciales {

QString cifraPassword(const QString& email, const QString& password)
{
    return Signerutils::Signer().crypt(email + Constantes::USR_PASS + password);
}

bool esSuPassword(const TUsuario& usuario, const QString& password)
{
    // Enciphered with the e-mail as stored: the one typed may differ in case.
    return cifraPassword(usuario.getEmail(), password) == usuario.getPassword();
}

TAcceso acceso(const TNegocio& negocio, const QString& email, const QString& password, const TConexionSesion& conexion)
{
    if (email.trimmed().isEmpty())
        return TAcceso::NoEsUsuario;
    const std::unique_ptr<TUsuario> usuario = TUsuario::getInfoByEmail(email, conexion);
    if (!usuario || !TUsuarionegocio::getByUsuarioAndNegocio(*usuario, negocio, conexion))
        return TAcceso::NoEsUsuario;
    return esSuPassword(*usuario, password) ? TAcceso::Permitido : TAcceso::ContrasenaIncorrecta;
}

} // namespace Credenciales
