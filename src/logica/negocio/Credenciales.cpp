#include "Credenciales.h"

#include "Conexiones.h"
#include "Constantes.h"
#include "Entidades.h"
#include "Secretos.h"
#include "Signerutils.h"

namespace Credenciales {

QString hashPassword(const QString& password)
{
    return Secretos::hashPassword(password);
}

bool esSuPassword(const TUsuario& usuario, const QString& password)
{
    const QString guardado = usuario.getPassword();
    if (Secretos::esHashPassword(guardado))
        return Secretos::verificaPassword(guardado, password);
    // The older form is deterministic: enciphered again with the e-mail as
    // stored (the one typed may differ in case) it must give the same text.
    return Secretos::esFormaAntigua(guardado) &&
           Signerutils::Signer().crypt(usuario.getEmail() + Constantes::USR_PASS + password) == guardado;
}

void migraPassword(TUsuario& usuario, const QString& password, const TConexionSesion& conexion)
{
    const QString guardado = usuario.getPassword();
    if (Secretos::esHashPassword(guardado) && !Secretos::hashDebil(guardado))
        return;
    const QString hash = hashPassword(password);
    TTransaccion transaccion(conexion);
    std::unique_ptr<TUsuario> fila = TUsuario::getById(usuario.getIdusuario(), conexion);
    // Another workstation may have changed the password meanwhile; its
    // change stands.
    if (!fila || fila->getPassword() != guardado)
        return;
    fila->setPassword(hash);
    // The previous form is kept for comparison by the profile; it must not
    // keep the readable one.
    if (Secretos::esFormaAntigua(fila->getPasswordtocompareupdate()))
        fila->setPasswordtocompareupdate(hash);
    TUsuario::saveOrUpdate(*fila, TUnidadTrabajo(conexion, usuario.getIdusuario()));
    transaccion.commit();
    usuario.setPassword(hash);
    usuario.setPasswordtocompareupdate(fila->getPasswordtocompareupdate());
}

int migraPasswordsAntiguos(const TConexionSesion& conexion)
{
    int migrados = 0;
    for (const TUsuario& usuario : TUsuario::busca(TCondicion(), conexion)) {
        const QString guardado = usuario.getPassword();
        if (!Secretos::esFormaAntigua(guardado))
            continue;
        QString plano;
        try {
            plano = Signerutils::Signer().decrypt(guardado);
        } catch (const ECifrado&) {
            continue;
        }
        // The form esSuPassword checks: the e-mail as stored, then USR_PASS.
        const QString prefijo = usuario.getEmail() + Constantes::USR_PASS;
        if (!plano.startsWith(prefijo))
            continue;
        TUsuario copia = usuario;
        migraPassword(copia, plano.mid(prefijo.size()), conexion);
        migrados += Secretos::esHashPassword(copia.getPassword()) ? 1 : 0;
    }
    return migrados;
}

bool eliminada(const TNegocio& negocio)
{
    return negocio.getStatus() == TNegocio::ESTATUS_INACTIVO;
}

bool activo(const TUsuario& usuario, const TUsuarionegocio& liga)
{
    return usuario.getStatus() == 0 && liga.getStatus() == 0;
}

TAcceso acceso(const TNegocio& negocio, const QString& email, const QString& password, const TConexionSesion& conexion)
{
    // Vouchers taken into a deleted business would be reported as imported
    // and then seen by nobody.
    if (eliminada(negocio))
        return TAcceso::EmpresaEliminada;
    if (email.trimmed().isEmpty())
        return TAcceso::NoEsUsuario;
    const std::unique_ptr<TUsuario> usuario = TUsuario::getInfoByEmail(email, conexion);
    if (!usuario)
        return TAcceso::NoEsUsuario;
    const std::unique_ptr<TUsuarionegocio> liga = TUsuarionegocio::getByUsuarioAndNegocio(*usuario, negocio, conexion);
    if (!liga || !activo(*usuario, *liga))
        return TAcceso::NoEsUsuario;
    return esSuPassword(*usuario, password) ? TAcceso::Permitido : TAcceso::ContrasenaIncorrecta;
}

} // namespace Credenciales
