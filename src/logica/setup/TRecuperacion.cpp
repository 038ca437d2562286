#include "TRecuperacion.h"

#include "Constantes.h"
#include "Entidades.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Signerutils.h"
#include "Sistema.h"
#include "negocio/AjustesCorreo.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/Credenciales.h"
#include "negocio/Utils.h"

using namespace Constantes;

namespace Recuperacion {

QString claveRecuperacion(const QString& email)
{
    return Signerutils::Signer().getClaveRecuperacion(email.trimmed());
}

QString cuerpoCorreo(const QString& plantilla, const QString& clave)
{
    QString cuerpo = plantilla;
    const qsizetype posicion = cuerpo.indexOf(EMAIL_REPLACE);
    if (posicion >= 0)
        cuerpo.replace(posicion, EMAIL_REPLACE.size(), EMAIL_CLAVE_RECUPERACION + clave);
    return cuerpo;
}

TMarcaCorreo marcaCorreo()
{
    return {Utils::getMailHTML(Sistema::exePath), Utils::getMarcaMail(Sistema::exePath)};
}

bool enviaClave(const QString& email)
{
    return enviaClave(email, marcaCorreo());
}

bool correoConfigurado()
{
    return AjustesCorreo::configurado(Sistema::exePath);
}

bool enviaClave(const QString& email, const TMarcaCorreo& marca)
{
    const QString destinatario = email.trimmed();
    const AjustesCorreo::TAjustes ajustes = AjustesCorreo::lee(Sistema::exePath);
    if (!ajustes.completos() || (ajustes.remitente.isEmpty() && marca.remitente.isEmpty())) {
        Utils::mensaje(ERR_CORREO_SIN_CONFIGURAR, MSG_WARNING);
        return false;
    }
    const QString& plantilla = marca.plantilla;
    // Without the template the mail would carry no key at all.
    if (plantilla.isEmpty() || !plantilla.contains(EMAIL_REPLACE)) {
        Utils::mensaje(ERR_CORREO_ENVIO +
                           QStringLiteral("Falta la plantilla del correo (%1); reinstala el programa.").arg(RS_PATH),
                       MSG_ERROR);
        return false;
    }
    const QString falla =
        AjustesCorreo::envia(Sistema::exePath, ajustes,
                             {destinatario, EMAIL_ASUNTO_RECUPERACION,
                              cuerpoCorreo(plantilla, claveRecuperacion(destinatario)), marca.remitente});
    if (!falla.isEmpty()) {
        Utils::mensaje(ERR_CORREO_ENVIO + falla, MSG_ERROR);
        return false;
    }
    Logmanager::Log(QStringLiteral("Se envió la clave de recuperación a ") + destinatario, 1, Sistema::exePath);
    return true;
}

bool validaClave(const QString& clave, const QString& email)
{
    const QString usuario = Signerutils::Signer().getUsuarioFromClaveRecuperacion(clave.trimmed());
    if (!usuario.isEmpty() && usuario == email.trimmed())
        return true;
    Utils::mensaje(ERR_CLAVE_RECUPERACION, MSG_WARNING);
    return false;
}

TResultado guardaPassword(const QString& componente, const QString& email, const QString& clave,
                          const QString& password, const QString& repetida)
{
    // The key is asked for again here: the page's enabled button is no proof.
    if (!validaClave(clave, email))
        return TResultado::ClaveNoValida;
    if (!Utils::validaContrasena(password, repetida)) {
        Utils::mensaje(ERR_CONTRASENA, MSG_WARNING);
        return TResultado::ContrasenaDistinta;
    }
    QString rfc = componente;
    rfc.replace(QLatin1Char('_'), QLatin1Char('&'));
    const QStringList detalle = registroLocal().getEmpresaDetalle(rfc);
    TConexionSesion conexion;
    bool existe = false;
    try {
        existe = !detalle.isEmpty() && Utils::evaluaConexion(conexion, detalle.value(2));
    } catch (const ECifrado&) {
        existe = false;
    }
    if (!existe) {
        Utils::mensaje(ERR_BASE_DATOS_USUARIO, MSG_WARNING);
        return TResultado::BaseInexistente;
    }
    std::unique_ptr<TUsuario> usuario = TUsuario::getInfoByEmail(email.trimmed(), conexion);
    if (!usuario) {
        Utils::mensaje(EMAIL_ERR_USUARIO_NO_ENCONTRADO, MSG_WARNING);
        return TResultado::UsuarioNoEncontrado;
    }
    const QString cifrada = Credenciales::hashPassword(password);
    usuario->setPassword(cifrada);
    usuario->setPasswordtocompareupdate(cifrada);
    // The user changes their own password.
    TUsuario::saveOrUpdate(*usuario, TUnidadTrabajo(conexion, usuario->getIdusuario()));
    Logmanager::Log(QStringLiteral("Se cambió la contraseña de %1 en %2").arg(usuario->getEmail(), rfc), 1,
                    Sistema::exePath);
    Utils::mensaje(EMAIL_CONTRASENA_ACTUALIZA, MSG_INFORMATION);
    return TResultado::Correcto;
}

} // namespace Recuperacion
