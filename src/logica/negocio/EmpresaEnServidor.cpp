#include "EmpresaEnServidor.h"

#include "Conexiones.h"
#include "Constantes.h"
#include "Credenciales.h"
#include "Entidades.h"
#include "Errores.h"
#include "Logmanager.h"
#include "SecretoNegocio.h"
#include "SecretoServidor.h"
#include "Sistema.h"
#include "TBaseDatosLocalFrm.h"
#include "TCadenaConexion.h"
#include "Utils.h"

namespace EmpresaEnServidor {

namespace {

TConexion con(TResultado resultado, const QString& texto)
{
    TConexion c;
    c.resultado = resultado;
    c.texto = texto;
    return c;
}

// Whether the RFC's registrations lead somewhere from here: the one sign-in
// reads (`guardada`), or an active one, deciphers. One another installation
// enciphered (its db/ folder copied here) leads nowhere, and the server's way
// to the business may take its place.
bool registradaLegible(const QString& rfc, const QString& guardada)
{
    if (TCadenaConexion::deGuardada(guardada).legible())
        return true;
    for (const QString& linea : registroLocal().getEmpresasDetalle())
        if (linea.section(QLatin1Char('|'), 0, 0) == rfc &&
            TCadenaConexion::deGuardada(linea.section(QLatin1Char('|'), -1)).legible())
            return true;
    return false;
}

// Whether the saved connection `guardada` names the database `conexion`
// reaches (engine, server, port and database; the account may differ) and
// no longer opens with what it holds: the account's password changed on the
// server since it was saved.
bool mismaBaseSinConexion(const QString& guardada, const TConexionSesion& conexion)
{
    TConexionSesion registrada;
    const bool abre = Utils::evaluaConexion(registrada, guardada);
    Conexiones::cierra(registrada);
    return !abre && registrada.enServidor() && registrada.motor() == conexion.motor() &&
           registrada.getServer().trimmed().compare(conexion.getServer().trimmed(), Qt::CaseInsensitive) == 0 &&
           registrada.puertoEfectivo() == conexion.puertoEfectivo() &&
           registrada.getDatabase().trimmed() == conexion.getDatabase().trimmed();
}

} // namespace

TConexion conecta(const NuevoNegocio::TDestino& destino, const QString& email, const QString& password)
{
    const TConexionSesion conexion = NuevoNegocio::conexionDestino(destino);
    std::unique_ptr<TNegocio> negocio;
    QString rfc;
    Credenciales::TAcceso acceso = Credenciales::TAcceso::NoEsUsuario;
    // The business's permission key is enciphered under the account's
    // password: after that password changed, the key reads no more.
    bool llaveLegible = true;
    try {
        const QList<TNegocio> negocios = TNegocio::busca(TCondicion(), conexion);
        if (!negocios.isEmpty())
            negocio = std::make_unique<TNegocio>(negocios.first());
        if (negocio) {
            const std::shared_ptr<TDatosfiscales> fiscales = negocio->getDatosfiscales();
            rfc = fiscales ? fiscales->getRfc().trimmed().toUpper() : QString();
            acceso = Credenciales::acceso(*negocio, email.trimmed(), password, conexion);
            const FirmaPermisos::TMotivo motivo = FirmaPermisos::secretoDe(*negocio, Sistema::exePath, conexion).motivo;
            llaveLegible = motivo == FirmaPermisos::TMotivo::Valido || motivo == FirmaPermisos::TMotivo::SinSecreto;
        }
    } catch (const EBaseDatos& e) {
        Logmanager::Log(
            QStringLiteral("No se pudo conectar con la empresa en %1: %2").arg(conexion.descripcion(), e.mensaje()), 3,
            Sistema::exePath);
        Conexiones::cierra(conexion);
        return con(
            TResultado::SinRespuesta,
            QStringLiteral("No se pudo leer la base de datos %1. Revisa el servidor, la cuenta y el nombre de la "
                           "base de datos, y vuelve a intentarlo.")
                .arg(conexion.descripcion()));
    }
    if (!negocio || rfc.isEmpty()) {
        Conexiones::cierra(conexion);
        return con(TResultado::SinNegocio,
                   QStringLiteral("La base de datos %1 no tiene ninguna empresa de este programa.")
                       .arg(conexion.descripcion()));
    }
    TConexion resultado;
    resultado.rfc = rfc;
    resultado.razon = negocio->getNombre();
    // Deleted on some workstation: registering it here would let its users
    // in again.
    if (acceso == Credenciales::TAcceso::EmpresaEliminada) {
        Conexiones::cierra(conexion);
        resultado.resultado = TResultado::SinNegocio;
        resultado.texto =
            QStringLiteral("La empresa %1 de la base de datos %2 se eliminó; ya no se puede entrar a ella.")
                .arg(rfc, conexion.descripcion());
        return resultado;
    }
    if (acceso != Credenciales::TAcceso::Permitido) {
        Conexiones::cierra(conexion);
        resultado.resultado =
            acceso == Credenciales::TAcceso::NoEsUsuario ? TResultado::NoEsUsuario : TResultado::ContrasenaIncorrecta;
        resultado.texto =
            acceso == Credenciales::TAcceso::NoEsUsuario
                ? QStringLiteral("%1 no es usuario de la empresa %2; entra con el correo de uno de sus "
                                 "usuarios.")
                      .arg(email.trimmed(), rfc)
                : QStringLiteral("La contraseña no es la del usuario %1 en la empresa %2.").arg(email.trimmed(), rfc);
        return resultado;
    }
    Conexiones::cierra(conexion);
    const QStringList registrada = registroLocal().getEmpresaDetalle(rfc);
    // A registration that reads here but no longer opens that same database
    // (the account's password changed) is given the new settings; one that
    // still opens it, or leads elsewhere, stays.
    const bool legible = !registrada.isEmpty() && registradaLegible(rfc, registrada.value(2));
    const bool sinConexion = legible && mismaBaseSinConexion(registrada.value(2), conexion);
    if (legible && !sinConexion) {
        resultado.resultado = TResultado::YaRegistrada;
        resultado.texto = QStringLiteral("Este equipo ya tiene registrada la empresa %1.").arg(rfc);
        return resultado;
    }
    if (registrada.isEmpty()) {
        NuevoNegocio::registraNegocio(email.trimmed(), rfc, resultado.razon, destino);
    } else {
        // In place, so the business is never left out of the list; a
        // registration that still reads keeps its name.
        QString error;
        if (!registroLocal().reemplazaConexion(rfc, sinConexion ? registrada.value(1) : resultado.razon,
                                               TCadenaConexion(destino.motor, destino.usuario, destino.password,
                                                               destino.servidor, destino.baseDatos, destino.puerto),
                                               &error))
            throw EBaseDatos(Constantes::ERR_REGISTRO_ESCRITURA + QLatin1Char(' ') + error + QLatin1Char('.'));
        Logmanager::Log(sinConexion ? QStringLiteral("El registro de la empresa %1, que ya no conectaba con su "
                                                     "servidor, se reemplazó por la conexión nueva.")
                                          .arg(rfc)
                                    : QStringLiteral("El registro ilegible de la empresa %1 se reemplazó por el de su "
                                                     "servidor.")
                                          .arg(rfc),
                        1, Sistema::exePath);
    }
    Logmanager::Log(QStringLiteral("Se agregó la empresa %1 de la base de datos %2.").arg(rfc, conexion.descripcion()),
                    1, Sistema::exePath);
    resultado.resultado = TResultado::Conectada;
    resultado.texto =
        sinConexion
            ? QStringLiteral("La conexión de este equipo con la empresa %1 quedó actualizada; ya puedes entrar a ella.")
                  .arg(rfc)
            : QStringLiteral("La empresa %1 quedó agregada a este equipo; ya puedes entrar a ella.").arg(rfc);
    if (!llaveLegible)
        resultado.texto += QLatin1Char(' ') + SecretoNegocio::mensaje(SecretoNegocio::TEstado::Ilegible, rfc, true);
    return resultado;
}

} // namespace EmpresaEnServidor
