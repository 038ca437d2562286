#include "TUsuariosNegocio.h"

#include "Conexiones.h"
#include "Constantes.h"
#include "negocio/Credenciales.h"
#include "negocio/ModulosInstalados.h"
#include "negocio/SecretoNegocio.h"
#include "Entidades.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Sistema.h"

#include <QDateTime>

using namespace Constantes;

namespace UsuariosNegocio {

namespace {

// Positions 9 to 12 of every permission text.
const QString CIERRE = QStringLiteral("|TRUE|TRUE|TRUE|TRUE");

const TConexionSesion& conexion()
{
    if (!Sistema::Conexion || !Sistema::Negocio)
        throw EVelkor(QStringLiteral("No hay una empresa abierta."));
    return *Sistema::Conexion;
}

int usuarioActual()
{
    return Sistema::Usuario ? Sistema::Usuario->getIdusuario() : -1;
}

// The RFC stored for the business, never the one a form shows: a form field
// can be cleared, and a text without the business's RFC grants nothing.
QString rfcNegocio()
{
    const std::shared_ptr<TDatosfiscales> fiscales = Sistema::Negocio->getDatosfiscales();
    return fiscales ? fiscales->getRfc().trimmed() : QString();
}

std::unique_ptr<TUsuarionegocio> ligaDe(const TUsuario& usuario)
{
    return TUsuarionegocio::getByUsuarioAndNegocio(usuario, *Sistema::Negocio, conexion());
}

// Whether the signed-in user holds the permissions right by the link as the
// database has it now. The session's copy is the one read at sign-in, and on
// a server business another computer may have taken that right since: two
// administrators could then strip each other of it with their older copies
// and leave nobody who can hand out rights. The session takes the link read
// here, so the menus refuse from then on as well.
bool conservaPermisos()
{
    if (!Sistema::Usuario || !Sistema::Negocio || !Sistema::Conexion || !Sistema::UsuarioNegocio)
        return false;
    try {
        const std::unique_ptr<TUsuarionegocio> liga = ligaDe(*Sistema::Usuario);
        auto vigente = std::make_shared<TUsuarionegocio>(liga ? *liga : *Sistema::UsuarioNegocio);
        // A link taken away grants nothing; the copy keeps its id for
        // whoever still names it.
        if (!liga)
            vigente->setNivelpermiso(QString());
        Sistema::UsuarioNegocio = vigente;
    } catch (const EVelkor& e) {
        // Nothing is handed out on rights that could not be read.
        Logmanager::Log(Errores::describe(e), 3, Sistema::exePath);
        return false;
    }
    return Sistema::getPermiso(CODIGO_PERMISOS);
}

bool esUnoMismo(const QString& email)
{
    return Sistema::Usuario &&
           Sistema::Usuario->getEmail().trimmed().compare(email.trimmed(), Qt::CaseInsensitive) == 0;
}

} // namespace

const QStringList& codigosModulos()
{
    static const QStringList codigos = {CODIGO_BRIDGE_TXT,  CODIGO_REPORTES, CODIGO_PRODUCTOS, CODIGO_NOMINA,
                                        CODIGO_FACTURACION, CODIGO_CLIENTES, CODIGO_RESPALDOS, CODIGO_PERMISOS};
    return codigos;
}

const QStringList& nombresModulos()
{
    static const QStringList nombres = {QStringLiteral("Puente TXT"),  QStringLiteral("Reportes"),
                                        QStringLiteral("Productos"),   QStringLiteral("Nómina"),
                                        QStringLiteral("Facturación"), QStringLiteral("Clientes"),
                                        QStringLiteral("Respaldos"),   QStringLiteral("Permisos")};
    return nombres;
}

TPermisos ofrecidos()
{
    const QStringList instalados = ModulosInstalados::codigos();
    TPermisos permisos{};
    for (int k = 0; k < NUMERO_MODULOS; ++k)
        permisos[k] = codigosModulos().at(k) == CODIGO_PERMISOS || instalados.contains(codigosModulos().at(k));
    return permisos;
}

TPermisos todos(bool concedido)
{
    TPermisos permisos;
    permisos.fill(concedido);
    return permisos;
}

QString textoPermisos(const QString& rfc, const TPermisos& permisos)
{
    QString texto = rfc + USR_PASS;
    for (const bool concedido : permisos)
        texto += concedido ? QStringLiteral("|-1") : QStringLiteral("|0");
    return texto + CIERRE;
}

TPermisos leePermisos(const TUsuarionegocio& liga, const TUsuario& usuario)
{
    TPermisos permisos = todos(false);
    const FirmaPermisos::TLectura lectura = Sistema::permisosDe(liga, usuario);
    if (lectura.motivo != FirmaPermisos::TMotivo::Valido)
        return permisos;
    const QStringList campos = lectura.plano.split(QLatin1Char('|'));
    for (int k = 0; k < NUMERO_MODULOS && k + 1 < campos.size(); ++k)
        permisos[k] = Sistema::leeBooleano(campos.at(k + 1));
    return permisos;
}

QList<TFilaUsuario> usuarios()
{
    QList<TFilaUsuario> filas;
    const QList<TUsuarionegocio> ligas =
        TUsuarionegocio::busca(TUsuarionegocio::columna(TUsuarionegocio::col_Idnegocio) == *Sistema::Negocio &&
                                   TUsuarionegocio::columna(TUsuarionegocio::col_Status) == 0,
                               conexion());
    for (const TUsuarionegocio& liga : ligas) {
        const std::shared_ptr<TUsuario> usuario = liga.getIdusuario();
        if (!usuario || usuario->getStatus() != 0)
            continue;
        filas.append({usuario->getEmail(), leePermisos(liga, *usuario)});
    }
    return filas;
}

std::optional<TUsuarioMostrado> muestra(const QString& email)
{
    const std::unique_ptr<TUsuario> usuario = TUsuario::getInfoByEmail(email.trimmed(), conexion());
    if (!usuario)
        return std::nullopt;
    const std::unique_ptr<TUsuarionegocio> liga = ligaDe(*usuario);
    if (!liga)
        return std::nullopt;
    TUsuarioMostrado mostrado;
    mostrado.email = usuario->getEmail();
    if (const std::shared_ptr<TPersona> persona = usuario->getIdpersona()) {
        mostrado.nombre = persona->getNombre();
        mostrado.apellidoPaterno = persona->getApellidopaterno();
        mostrado.apellidoMaterno = persona->getApellidomaterno();
    }
    mostrado.permisos = leePermisos(*liga, *usuario);
    return mostrado;
}

QString mensaje(TResultado resultado, const QString& email)
{
    switch (resultado) {
    case TResultado::Correcto:
        return {};
    case TResultado::SinPermiso:
        return ERROR_PERMISOS;
    case TResultado::EdicionPropia:
        return ERR_EDICION_PERMISOS;
    case TResultado::EmailVacio:
        return MENSAJE_ERROR + SALTO + QString(CAMPO_REQUERIDO).replace(CAMPO, QStringLiteral("EMail"));
    case TResultado::EmailExistente:
        return MENSAJE_ERROR + SALTO + ERR_USUARIO_EXISTENTE + email.trimmed();
    case TResultado::PasswordsDistintas:
        return MENSAJE_ERROR + SALTO + ERR_CONTRASENA;
    case TResultado::NoEncontrado:
        return QStringLiteral("El usuario %1 ya no pertenece a esta empresa. No se guardó nada.").arg(email.trimmed());
    }
    return {};
}

TResultado puedeEditar(const QString& email)
{
    if (!conservaPermisos())
        return TResultado::SinPermiso;
    if (esUnoMismo(email))
        return TResultado::EdicionPropia;
    return TResultado::Correcto;
}

TResultado actualizaPermisos(const QString& email, const TPermisos& permisos)
{
    const TResultado permitido = puedeEditar(email);
    if (permitido != TResultado::Correcto)
        return permitido;
    const std::unique_ptr<TUsuario> usuario = TUsuario::getInfoByEmail(email.trimmed(), conexion());
    std::unique_ptr<TUsuarionegocio> liga = usuario ? ligaDe(*usuario) : nullptr;
    if (!liga)
        return TResultado::NoEncontrado;
    liga->setNivelpermiso(
        SecretoNegocio::firmaPermisos(*Sistema::Negocio, *usuario, textoPermisos(rfcNegocio(), permisos), conexion()));
    TUsuarionegocio::saveOrUpdate(*liga, TUnidadTrabajo(conexion(), usuarioActual()));
    return TResultado::Correcto;
}

TResultado puedeAgregar()
{
    // Adding a user hands out rights, the permissions right among them.
    return conservaPermisos() ? TResultado::Correcto : TResultado::SinPermiso;
}

TResultado revisaNuevo(const TNuevoUsuario& datos)
{
    if (const TResultado permitido = puedeAgregar(); permitido != TResultado::Correcto)
        return permitido;
    if (datos.email.trimmed().isEmpty())
        return TResultado::EmailVacio;
    if (TUsuario::getInfoByEmail(datos.email.trimmed(), conexion()))
        return TResultado::EmailExistente;
    if (datos.password != datos.repitePassword)
        return TResultado::PasswordsDistintas;
    return TResultado::Correcto;
}

TResultado agrega(const TNuevoUsuario& datos)
{
    const TResultado revision = revisaNuevo(datos);
    if (revision != TResultado::Correcto)
        return revision;
    const TUnidadTrabajo unidad(conexion(), usuarioActual());
    const QDateTime ahora = QDateTime::currentDateTime();
    const QString email = datos.email.trimmed();

    // All or none: a user without its link would take the e-mail for good
    // and still not reach the business.
    TTransaccion transaccion(conexion());
    const TContacto contacto = TContacto::saveOrUpdate(TContacto(), unidad);

    TPersona persona;
    persona.setNombre(datos.nombre.trimmed());
    persona.setApellidopaterno(datos.apellidoPaterno.trimmed());
    persona.setApellidomaterno(datos.apellidoMaterno.trimmed());
    persona.setFechanacimiento(ahora.date());
    persona.setContacto(contacto);
    persona = TPersona::saveOrUpdate(persona, unidad);

    TUsuario usuario;
    usuario.setEmail(email);
    // The form sign-in compares with (Ingreso::ingresa).
    usuario.setPassword(Credenciales::hashPassword(datos.password));
    usuario.setStatus(0);
    usuario.setIdpersona(persona);
    try {
        usuario = TUsuario::saveOrUpdate(usuario, unidad);
    } catch (const EDuplicado&) {
        // Another workstation added the e-mail after the look-up above; the
        // database keeps one user under it, and this save is undone whole.
        return TResultado::EmailExistente;
    }

    TUsuarionegocio liga;
    liga.setIdusuario(usuario);
    liga.setIdnegocio(*Sistema::Negocio);
    liga.setStatus(0);
    liga.setNivelpermiso(SecretoNegocio::firmaPermisos(*Sistema::Negocio, usuario,
                                                       textoPermisos(rfcNegocio(), datos.permisos), conexion()));
    TUsuarionegocio::saveOrUpdate(liga, unidad);
    transaccion.commit();
    return TResultado::Correcto;
}

} // namespace UsuariosNegocio
