#include "TIngreso.h"

#include "Constantes.h"
#include "Credenciales.h"
#include "Entidades.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Sistema.h"
#include "TBaseDatosLocalFrm.h"
#include "TDefaultDBValues.h"
#include "Utils.h"

using namespace Constantes;

namespace Ingreso {

QStringList mensajes(TResultado resultado)
{
    switch (resultado) {
    case TResultado::Correcto: return {};
    case TResultado::SinEmpresa: return {ERR_SELECCION_EMPRESA};
    case TResultado::SinCorreo: return {ERR_SELECCION_CORREO_ELECTRONICO};
    case TResultado::BaseInexistente: return {ERR_BASE_DATOS_USUARIO};
    case TResultado::EmpresaNoValida: return {ERR_EMPRESA_NO_VALIDA};
    case TResultado::UsuarioIncorrecto: return {ERR_USUARIO_CONTRASEÑA_INCORRECTA};
    case TResultado::EmpresaYUsuario: return {ERR_EMPRESA_NO_VALIDA, ERR_USUARIO_CONTRASEÑA_INCORRECTA};
    case TResultado::SinAcceso: return {ERR_USUARIO_ACCESO_EMPRESA};
    }
    return {};
}

void updateBaseDatos(const TConexionSesion& conexion)
{
    TDefaultDBValues valores(conexion);
    valores.inicia();
}

namespace {

TResultado intenta(const QString& componente, const QString& email, const QString& password)
{
    if (componente.isEmpty())
        return TResultado::SinEmpresa;
    if (email.isEmpty())
        return TResultado::SinCorreo;

    QString rfc = componente;
    rfc.replace(QLatin1Char('_'), QLatin1Char('&'));
    TBaseDatosLocalFrm& registro = registroLocal();
    const QStringList detalle = registro.getEmpresaDetalle(rfc);

    TConexionSesion conexion;
    if (!Utils::evaluaConexion(conexion, detalle.value(2))) {
        registro.deshabilitaEstatusEmpresa(rfc);
        return TResultado::BaseInexistente;
    }

    std::unique_ptr<TNegocio> negocio = TNegocio::getByRFC(detalle.value(0), conexion);
    std::unique_ptr<TUsuario> usuario = TUsuario::getInfoByEmail(email, conexion);
    // The password typed must be the user's: its stored form is the cipher of
    // e-mail, separator and password, and the cipher is deterministic.
    if (usuario && Credenciales::cifraPassword(usuario->getEmail(), password) != usuario->getPassword())
        usuario.reset();
    if (!negocio)
        registro.deshabilitaEstatusEmpresa(rfc);
    if (!negocio && !usuario)
        return TResultado::EmpresaYUsuario;
    if (!negocio)
        return TResultado::EmpresaNoValida;
    if (!usuario)
        return TResultado::UsuarioIncorrecto;

    std::unique_ptr<TUsuarionegocio> liga = TUsuarionegocio::getByUsuarioAndNegocio(*usuario, *negocio, conexion);
    if (!liga)
        return TResultado::SinAcceso;

    Sistema::Conexion = std::make_shared<TConexionSesion>(conexion);
    Sistema::Negocio = std::shared_ptr<TNegocio>(negocio.release());
    Sistema::Usuario = std::shared_ptr<TUsuario>(usuario.release());
    Sistema::UsuarioNegocio = std::shared_ptr<TUsuarionegocio>(liga.release());
    Sistema::sucursalIndex = 0;
    updateBaseDatos(conexion);
    const std::shared_ptr<TDatosfiscales> fiscales = Sistema::Negocio->getDatosfiscales();
    Utils::inicializaDirectorios(Sistema::exePath, fiscales ? fiscales->getRfc() : rfc);
    Sistema::actualizaSucursales();
    return TResultado::Correcto;
}

void registra(const QString& texto)
{
    Logmanager::Log(texto, 1, Sistema::exePath);
}

}  // namespace

TResultado ingresa(const QString& componente, const QString& email, const QString& password)
{
    QString rfc = componente;
    rfc.replace(QLatin1Char('_'), QLatin1Char('&'));
    const QString quien = QStringLiteral("correo \"%1\", empresa \"%2\"").arg(email, rfc);
    TResultado resultado;
    try {
        resultado = intenta(componente, email, password);
    } catch (const std::exception& e) {
        registra(QStringLiteral("Ingreso fallido (") + quien + QStringLiteral("): ") + Errores::describe(e));
        throw;
    }
    if (resultado == TResultado::Correcto)
        registra(QStringLiteral("Ingreso correcto: ") + quien + QLatin1Char('.'));
    else
        registra(QStringLiteral("Ingreso rechazado (") + quien + QStringLiteral("): ") +
                 mensajes(resultado).join(QStringLiteral(" / ")));
    return resultado;
}

}  // namespace Ingreso
