#include "Credenciales.h"

#include "Constantes.h"
#include "Signerutils.h"

namespace Credenciales {

QString cifraPassword(const QString& email, const QString& password)
{
    return Signerutils::Signer().crypt(email + Constantes::USR_PASS + password);
}

} // namespace Credenciales
