#include "Sistema.h"

#include "Constantes.h"
#include "Entidades.h"
#include "Errores.h"
#include "SecretoServidor.h"
#include "Logmanager.h"
#include "Rutas.h"

#include <QMutex>
#include <QSet>

namespace Sistema {

std::shared_ptr<TNegocio> Negocio;
std::shared_ptr<TConexionSesion> Conexion;
std::shared_ptr<TUsuario> Usuario;
std::shared_ptr<TUsuarionegocio> UsuarioNegocio;
QList<std::shared_ptr<TSucursal>> Sucursales;
int sucursalIndex = 0;

QString& exePath = Rutas::carpetaPrograma();
QString dbSistema;
QString dbUsuariosSistema;
QString marca;
QString claveMarca;
QString nameSistema;
QString numeroAutorizacionPac;
bool imprimeLogo = false;
std::function<QSet<QString>()> rfcsRegistrados;

namespace {

// Position of each module right in the permission text. Invoicing 4.0 shares
// the invoicing right: it is the same module for a newer voucher version.
int posicionPermiso(const QString& codigo)
{
    using namespace Constantes;
    if (codigo == CODIGO_BRIDGE_TXT)
        return 1;
    if (codigo == CODIGO_REPORTES)
        return 2;
    if (codigo == CODIGO_PRODUCTOS)
        return 3;
    if (codigo == CODIGO_NOMINA)
        return 4;
    if (codigo == CODIGO_FACTURACION || codigo == CODIGO_FACTURACION_40)
        return 5;
    if (codigo == CODIGO_CLIENTES)
        return 6;
    if (codigo == CODIGO_RESPALDOS)
        return 7;
    if (codigo == CODIGO_PERMISOS)
        return 8;
    return -1;
}

QString rfcDe(const TNegocio* negocio)
{
    try {
        if (const std::shared_ptr<TDatosfiscales> fiscales = negocio ? negocio->getDatosfiscales() : nullptr)
            return fiscales->getRfc().trimmed();
    } catch (const EVelkor&) {
    }
    return {};
}

QString rfcSesion()
{
    return rfcDe(Negocio.get());
}

FirmaPermisos::TLectura lecturaDe(const TUsuarionegocio& liga, const TUsuario& usuario, const TNegocio& negocio,
                                  const TConexionSesion* conexion)
{
    FirmaPermisos::TLectura lectura;
    try {
        const FirmaPermisos::TSecreto secreto = conexion ? FirmaPermisos::secretoDe(negocio, exePath, *conexion)
                                                         : FirmaPermisos::secretoDe(negocio, exePath);
        if (secreto.motivo != FirmaPermisos::TMotivo::Valido) {
            lectura.motivo = secreto.motivo;
            return lectura;
        }
        lectura = FirmaPermisos::lee(liga.getNivelpermiso(), FirmaPermisos::sujeto(negocio, usuario), secreto.bytes);
    } catch (const EVelkor&) {
        lectura = FirmaPermisos::TLectura{FirmaPermisos::TMotivo::Malformado, QString()};
    }
    // A permission text grants rights only in the business it was made for:
    // its first field is that business's RFC followed by USR_PASS. Without
    // that, a text copied from a user's link in another business (or made for
    // another RFC) would carry its rights over.
    if (lectura.motivo == FirmaPermisos::TMotivo::Valido &&
        !FirmaPermisos::nombraNegocio(lectura.plano.section(QLatin1Char('|'), 0, 0), rfcDe(&negocio)))
        lectura = FirmaPermisos::TLectura{FirmaPermisos::TMotivo::OtroNegocio, QString()};
    return lectura;
}

bool concede(const FirmaPermisos::TLectura& lectura, int posicion)
{
    const QStringList campos = lectura.plano.split(QLatin1Char('|'));
    return lectura.motivo == FirmaPermisos::TMotivo::Valido && posicion >= 0 && posicion < campos.size() &&
           leeBooleano(campos.at(posicion));
}

// The menu asks for every module at each turn: a refusal is logged once for
// that text, not once for each question.
void registraNegacion(const TUsuario& usuario, FirmaPermisos::TMotivo motivo)
{
    static QMutex candado;
    static QSet<QString> registradas;
    const QString rfc = rfcSesion();
    const QString clave = (Conexion ? Conexion->getDatabase() : exePath) + QLatin1Char('\n') + rfc + QLatin1Char('\n') +
                          QString::number(usuario.getIdusuario()) + QLatin1Char('\n') + QString::number(int(motivo)) +
                          QLatin1Char('\n') + (UsuarioNegocio ? UsuarioNegocio->getNivelpermiso() : QString());
    {
        const QMutexLocker cerrado(&candado);
        if (registradas.contains(clave))
            return;
        registradas.insert(clave);
    }
    Logmanager::Log(QStringLiteral("Permisos negados a %1 en la empresa %2: %3.")
                        .arg(usuario.getEmail().trimmed(), rfc, FirmaPermisos::explica(motivo)),
                    1, exePath);
}

} // namespace

// The writers use "-1"/"0" and older texts "TRUE"/"FALSE": any text that reads
// as a boolean counts, any other text is no right.
bool leeBooleano(const QString& texto)
{
    const QString t = texto.trimmed();
    if (t.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0)
        return true;
    bool numero = false;
    const long long valor = t.toLongLong(&numero);
    return numero && valor != 0;
}

void initNuevoNegocio(const TUsuarionegocio& liga)
{
    UsuarioNegocio = std::make_shared<TUsuarionegocio>(liga);
    Negocio = liga.getIdnegocio();
    Usuario = liga.getIdusuario();
    sucursalIndex = 0;
    actualizaSucursales();
}

void freeNegocio()
{
    Negocio.reset();
    Sucursales.clear();
    sucursalIndex = 0;
}

void freeUsuario()
{
    Usuario.reset();
    UsuarioNegocio.reset();
}

void freeConexion()
{
    Conexion.reset();
}

FirmaPermisos::TLectura permisosDe(const TUsuarionegocio& liga, const TUsuario& usuario)
{
    if (!Negocio)
        return {};
    return lecturaDe(liga, usuario, *Negocio, Conexion.get());
}

bool getPermisoEn(const QString& codigo, const TNegocio& negocio, const TUsuarionegocio& liga, const TUsuario& usuario,
                  const TConexionSesion& conexion)
{
    return concede(lecturaDe(liga, usuario, negocio, &conexion), posicionPermiso(codigo));
}

bool getPermiso(const QString& codigo)
{
    if (!UsuarioNegocio || !Negocio)
        return false;
    const int posicion = posicionPermiso(codigo);
    if (posicion < 0)
        return false;
    // The link's own user: a text is signed for the user it belongs to.
    std::shared_ptr<TUsuario> usuario = Usuario;
    if (!usuario || usuario->getIdusuario() != UsuarioNegocio->getIdusuarioId()) {
        try {
            usuario = UsuarioNegocio->getIdusuario();
        } catch (const EVelkor&) {
            usuario.reset();
        }
    }
    if (!usuario)
        return false;
    const FirmaPermisos::TLectura lectura = permisosDe(*UsuarioNegocio, *usuario);
    if (lectura.motivo != FirmaPermisos::TMotivo::Valido) {
        registraNegacion(*usuario, lectura.motivo);
        return false;
    }
    return concede(lectura, posicion);
}

void actualizaSucursales()
{
    Sucursales.clear();
    if (!Negocio || !Conexion)
        return;
    const QList<TSucursal> sucursales = TSucursal::getByNegocio(*Negocio, *Conexion);
    for (const TSucursal& s : sucursales)
        Sucursales.append(std::make_shared<TSucursal>(s));
    if (sucursalIndex >= Sucursales.size())
        sucursalIndex = 0;
}

} // namespace Sistema
