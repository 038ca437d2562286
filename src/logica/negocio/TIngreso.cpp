#include "TIngreso.h"

#include "Constantes.h"
#include "Credenciales.h"
#include "Entidades.h"
#include "Errores.h"
#include "Logmanager.h"
#include "SecretoNegocio.h"
#include "Sistema.h"
#include "TBaseDatosLocalFrm.h"
#include "TDefaultDBValues.h"
#include "Utils.h"

#include <functional>

using namespace Constantes;

namespace Ingreso {

QStringList mensajes(TResultado resultado)
{
    switch (resultado) {
    case TResultado::Correcto:
        return {};
    case TResultado::SinEmpresa:
        return {ERR_SELECCION_EMPRESA};
    case TResultado::SinCorreo:
        return {ERR_SELECCION_CORREO_ELECTRONICO};
    case TResultado::BaseInexistente:
        return {ERR_BASE_DATOS_USUARIO};
    case TResultado::ServidorSinRespuesta:
        return {QStringLiteral("No se pudo conectar con el servidor donde está la base de datos de la empresa. Revise "
                               "que el servidor esté encendido y que este equipo llegue a él por la red, y vuelva a "
                               "intentarlo; el detalle quedó en la bitácora del programa.")};
    case TResultado::EmpresaNoValida:
        return {ERR_EMPRESA_NO_VALIDA};
    case TResultado::UsuarioIncorrecto:
        return {ERR_USUARIO_CONTRASEÑA_INCORRECTA};
    case TResultado::EmpresaYUsuario:
        return {ERR_EMPRESA_NO_VALIDA, ERR_USUARIO_CONTRASEÑA_INCORRECTA};
    case TResultado::SinAcceso:
        return {ERR_USUARIO_ACCESO_EMPRESA};
    }
    return {};
}

void updateBaseDatos(const TConexionSesion& conexion)
{
    TDefaultDBValues valores(conexion);
    valores.inicia();
    SecretoNegocio::asegura(conexion);
}

namespace {

// The password of the user signed in, for reingresa: every database keeps
// its own salted hash, so moving to another business must check the typed
// password again. Kept in memory only, for the session.
QString passwordSesion;

// The sign-in itself.
TResultado ingresaCon(const QString& componente, const QString& email, const QString& password)
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
        if (conexion.enServidor())
            return TResultado::ServidorSinRespuesta;
        registro.deshabilitaEstatusEmpresa(rfc);
        return TResultado::BaseInexistente;
    }

    // Brought up to date before its first read: an older database's business
    // table lacks the newer columns the entities read.
    updateBaseDatos(conexion);
    std::unique_ptr<TNegocio> negocio = TNegocio::getByRFC(detalle.value(0), conexion);
    std::unique_ptr<TUsuario> usuario = TUsuario::getInfoByEmail(email, conexion);
    if (usuario && !Credenciales::esSuPassword(*usuario, password))
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
    // A password kept in an older form is checked that way this once and
    // rewritten as a hash before the session starts.
    Credenciales::migraPassword(*usuario, password, conexion);
    passwordSesion = password;

    Sistema::Conexion = std::make_shared<TConexionSesion>(conexion);
    Sistema::Negocio = std::shared_ptr<TNegocio>(negocio.release());
    Sistema::Usuario = std::shared_ptr<TUsuario>(usuario.release());
    Sistema::UsuarioNegocio = std::shared_ptr<TUsuarionegocio>(liga.release());
    Sistema::sucursalIndex = 0;
    const std::shared_ptr<TDatosfiscales> fiscales = Sistema::Negocio->getDatosfiscales();
    Utils::inicializaDirectorios(Sistema::exePath, fiscales ? fiscales->getRfc() : rfc);
    Sistema::actualizaSucursales();
    return TResultado::Correcto;
}

void registra(const QString& texto)
{
    Logmanager::Log(texto, 1, Sistema::exePath);
}

// Every attempt, let in, refused or failed, is one line of the log.
TResultado registrado(const QString& componente, const QString& email, const std::function<TResultado()>& intento)
{
    QString rfc = componente;
    rfc.replace(QLatin1Char('_'), QLatin1Char('&'));
    const QString quien = QStringLiteral("correo \"%1\", empresa \"%2\"").arg(email, rfc);
    TResultado resultado;
    try {
        resultado = intento();
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

} // namespace

TResultado ingresa(const QString& componente, const QString& email, const QString& password)
{
    return registrado(componente, email, [&] { return ingresaCon(componente, email, password); });
}

TResultado reingresa(const QString& componente, const QString& email)
{
    const QString password = passwordSesion;
    return registrado(componente, email, [&] { return ingresaCon(componente, email, password); });
}

void recuerdaPassword(const QString& password)
{
    passwordSesion = password;
}

void olvidaSesion()
{
    passwordSesion.clear();
}

} // namespace Ingreso
