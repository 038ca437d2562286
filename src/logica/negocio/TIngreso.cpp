#include "TIngreso.h"

#include "ConexionIlegible.h"
#include "Constantes.h"
#include "Credenciales.h"
#include "Dialecto.h"
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

QStringList mensajes(TResultado resultado, const QString& rfc)
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
        return {QStringLiteral("No se pudo conectar con el servidor donde está la base de datos de la empresa. Revisa "
                               "que el servidor esté encendido y que este equipo llegue a él por la red, y vuelve a "
                               "intentarlo; el detalle quedó en la bitácora del programa.")};
    case TResultado::ServidorRechazaCuenta:
        return {QStringLiteral("No se pudo abrir la base de datos de la empresa. ") +
                Utils::fallaServidor(TFallaServidor::CuentaRechazada) + QStringLiteral(" Luego vuelve a entrar.")};
    case TResultado::BaseNoEstaEnServidor:
        return {QStringLiteral("No se pudo abrir la base de datos de la empresa. ") +
                Utils::fallaServidor(TFallaServidor::BaseInexistente)};
    case TResultado::ServidorNoAbre:
        return {QStringLiteral("No se pudo abrir la base de datos de la empresa. ") +
                Utils::fallaServidor(TFallaServidor::Otra)};
    case TResultado::ConexionIlegible:
        return {QStringLiteral("La conexión guardada de esta empresa no se puede leer en esta instalación del programa "
                               "(se guardó en otra, por ejemplo antes de copiar la carpeta \"db\" a esta), y su base "
                               "de datos no está en la carpeta de la empresa. La empresa sigue en la lista; puedes "
                               "recuperarla desde un respaldo.")};
    case TResultado::EmpresaNoValida:
        return {ERR_EMPRESA_NO_VALIDA};
    case TResultado::UsuarioIncorrecto:
        return {ERR_USUARIO_CONTRASEÑA_INCORRECTA};
    case TResultado::EmpresaYUsuario:
        return {ERR_EMPRESA_NO_VALIDA, ERR_USUARIO_CONTRASEÑA_INCORRECTA};
    case TResultado::SinAcceso:
        return {ERR_USUARIO_ACCESO_EMPRESA};
    case TResultado::EmpresaEliminada:
        return {
            rfc.isEmpty()
                ? QStringLiteral("Esta empresa se eliminó de esta computadora; no se puede entrar a ella.")
                : QStringLiteral("La empresa %1 se eliminó de esta computadora; no se puede entrar a ella.").arg(rfc)};
    }
    return {};
}

void updateBaseDatos(const TConexionSesion& conexion)
{
    TDefaultDBValues valores(conexion);
    valores.inicia();
    SecretoNegocio::asegura(conexion);
    Credenciales::migraPasswordsAntiguos(conexion);
}

namespace {

// The password of the user signed in, for reingresa: every database keeps
// its own salted hash, so moving to another business must check the typed
// password again. Kept in memory only, for the session.
QString passwordSesion;

void registra(const QString& texto)
{
    Logmanager::Log(texto, 1, Sistema::exePath);
}

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
    // A string another installation enciphered (the db/ folder copied into
    // another program folder, whose key differs) says nothing of where the
    // business lies: it is not a missing database, and the entry stays.
    const bool ilegible = !detalle.isEmpty() && ConexionIlegible::es(detalle.value(2));
    if (ilegible) {
        const QString base = ConexionIlegible::baseEnSuCarpeta(rfc);
        if (base.isEmpty()) {
            registra(QStringLiteral("La cadena de conexión guardada de la empresa %1 no se puede descifrar en esta "
                                    "instalación y no hay base de datos en su carpeta.")
                         .arg(rfc));
            return TResultado::ConexionIlegible;
        }
        registra(QStringLiteral("La cadena de conexión guardada de la empresa %1 no se puede descifrar en esta "
                                "instalación; se usa la base de datos de su carpeta, %2.")
                     .arg(rfc, base));
        conexion = TConexionSesion::embebida(base, Sistema::exePath);
    } else if (TFallaServidor falla = TFallaServidor::Otra; !Utils::evaluaConexion(conexion, detalle.value(2), falla)) {
        if (conexion.enServidor())
            return falla == TFallaServidor::NoResponde        ? TResultado::ServidorSinRespuesta
                   : falla == TFallaServidor::CuentaRechazada ? TResultado::ServidorRechazaCuenta
                   : falla == TFallaServidor::BaseInexistente ? TResultado::BaseNoEstaEnServidor
                                                              : TResultado::ServidorNoAbre;
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
    // The folder's database is not this business's: the stored connection,
    // unread, may still lead to it.
    if (ilegible && !negocio)
        return TResultado::ConexionIlegible;
    if (!negocio)
        registro.deshabilitaEstatusEmpresa(rfc);
    if (!negocio && !usuario)
        return TResultado::EmpresaYUsuario;
    if (!negocio)
        return TResultado::EmpresaNoValida;
    if (Credenciales::eliminada(*negocio))
        return TResultado::EmpresaEliminada;
    if (!usuario)
        return TResultado::UsuarioIncorrecto;

    std::unique_ptr<TUsuarionegocio> liga = TUsuarionegocio::getByUsuarioAndNegocio(*usuario, *negocio, conexion);
    if (!liga || !Credenciales::activo(*usuario, *liga))
        return TResultado::SinAcceso;
    // A password kept in an older form is checked that way this once and
    // rewritten as a hash before the session starts.
    Credenciales::migraPassword(*usuario, password, conexion);
    passwordSesion = password;
    if (ilegible)
        ConexionIlegible::registraDeNuevo(registro, rfc, detalle.value(1), conexion.getDatabase());

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
                 mensajes(resultado, rfc).join(QStringLiteral(" / ")));
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
