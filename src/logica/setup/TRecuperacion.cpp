#include "TRecuperacion.h"

#include "Constantes.h"
#include "Entidades.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Reloj.h"
#include "Signerutils.h"
#include "Sistema.h"
#include "negocio/AjustesCorreo.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/Credenciales.h"
#include "negocio/Utils.h"

#include <QRandomGenerator>

#include <optional>

using namespace Constantes;
using TEstadoClave = TBaseDatosLocalFrm::TEstadoClave;

namespace Recuperacion {

namespace {

// Crockford's base 32: no I, L, O or U, which read as other symbols.
const QString ALFABETO = QStringLiteral("0123456789ABCDEFGHJKMNPQRSTVWXYZ");
// 28 symbols of 5 bits: 140 bits, beyond any guessing within a key's life.
constexpr int SIMBOLOS = 28;
constexpr int GRUPO = 4;
constexpr qint64 SEGUNDOS_VIGENCIA = MINUTOS_VIGENCIA * 60;
constexpr qint64 SEGUNDOS_INTENTOS = MINUTOS_INTENTOS * 60;
// An expired key is kept a day, so whoever types it is told it expired
// rather than that it is wrong.
constexpr qint64 SEGUNDOS_RECUERDO = 24 * 60 * 60;

enum class TRevision { Valida, Equivocada, Vencida, Usada, Anulada, Espera, SinRegistro };

qint64 ahora()
{
    return Reloj::ahora().toSecsSinceEpoch();
}

// E-mails are compared as people write them: "Dueno@Escuela.MX " is the same.
QString correoComparable(const QString& email)
{
    return email.trimmed().toLower();
}

// The RFC of a tile's name.
QString rfcDe(const QString& componente)
{
    QString rfc = componente;
    return rfc.replace(QLatin1Char('_'), QLatin1Char('&'));
}

// What a key is kept with and checked against: the business's RFC and the
// e-mail, in the registry's e-mail field (no RFC holds a "|"). A key serves
// only the business it was asked for, so the mail settings of one business
// never lead to another's passwords. Keys kept by earlier versions, with the
// e-mail alone, no longer serve; they expire within MINUTOS_VIGENCIA minutes
// anyway.
QString destino(const QString& componente, const QString& email)
{
    return AjustesCorreo::rfcComparable(rfcDe(componente)) + QLatin1Char('|') + correoComparable(email);
}

// The key is random and long, so a plain hash keeps it from whoever reads
// the registry: there is nothing to try against it.
QString huella(const QString& forma)
{
    return Signerutils::Signer().hash(forma);
}

// Seconds before keys are checked again at `momento` into `espera` (0: now);
// false when the registry could not be read.
bool esperaIntentos(qint64 momento, qint64& espera)
{
    QList<qint64> momentos;
    if (!registroLocal().leeIntentosRecuperacion(momento - SEGUNDOS_INTENTOS, momentos))
        return false;
    // The wait ends when the oldest of the last wrong keys that count leaves
    // the window.
    espera =
        momentos.size() >= INTENTOS_PERMITIDOS ? momentos.at(INTENTOS_PERMITIDOS - 1) + SEGUNDOS_INTENTOS - momento : 0;
    return true;
}

TRevision revisa(const QString& componente, const QString& clave, const QString& email, int& minutos)
{
    const qint64 momento = ahora();
    qint64 espera = 0;
    if (!esperaIntentos(momento, espera))
        return TRevision::SinRegistro;
    if (espera > 0) {
        minutos = int((espera + 59) / 60);
        return TRevision::Espera;
    }
    // Nothing typed is no guess.
    if (clave.trimmed().isEmpty())
        return TRevision::Equivocada;
    const QString forma = formaClave(clave);
    std::optional<TBaseDatosLocalFrm::TClaveRecuperacion> guardada;
    if (!forma.isEmpty() && !registroLocal().leeClaveRecuperacion(huella(forma), guardada))
        return TRevision::SinRegistro;
    if (!guardada || guardada->email != destino(componente, email)) {
        registroLocal().anotaIntentoRecuperacion(momento, momento - SEGUNDOS_INTENTOS);
        Logmanager::Log(QStringLiteral("Se rechazó una clave de recuperación para %1 en %2")
                            .arg(email.trimmed(), rfcDe(componente)),
                        1, Sistema::exePath);
        return TRevision::Equivocada;
    }
    switch (guardada->estado) {
    case TEstadoClave::Usada:
        return TRevision::Usada;
    case TEstadoClave::Anulada:
        return TRevision::Anulada;
    default:
        return guardada->vence > momento ? TRevision::Valida : TRevision::Vencida;
    }
}

void muestra(TRevision revision, int minutos)
{
    switch (revision) {
    case TRevision::Valida:
        return;
    case TRevision::Vencida:
        Utils::mensaje(ERR_CLAVE_VENCIDA.arg(MINUTOS_VIGENCIA), MSG_WARNING);
        return;
    case TRevision::Usada:
        Utils::mensaje(ERR_CLAVE_USADA, MSG_WARNING);
        return;
    case TRevision::Anulada:
        Utils::mensaje(ERR_CLAVE_ANULADA, MSG_WARNING);
        return;
    case TRevision::Espera:
        Utils::mensaje(textoEspera(minutos), MSG_WARNING);
        return;
    case TRevision::SinRegistro:
        Utils::mensaje(ERR_CLAVE_SIN_REGISTRO, MSG_ERROR);
        return;
    default:
        Utils::mensaje(ERR_CLAVE_RECUPERACION, MSG_WARNING);
    }
}

} // namespace

QString nuevaClave()
{
    QRandomGenerator* azar = QRandomGenerator::system();
    QString clave;
    for (int i = 0; i < SIMBOLOS; ++i) {
        if (i > 0 && i % GRUPO == 0)
            clave += QLatin1Char('-');
        clave += ALFABETO.at(azar->bounded(int(ALFABETO.size())));
    }
    return clave;
}

QString formaClave(const QString& tecleada)
{
    QString forma;
    for (QChar c : tecleada) {
        // A mail program may turn the dashes into other dashes.
        if (c.isSpace() || c.category() == QChar::Punctuation_Dash)
            continue;
        c = c.toUpper();
        if (c == QLatin1Char('O'))
            c = QLatin1Char('0');
        else if (c == QLatin1Char('I') || c == QLatin1Char('L'))
            c = QLatin1Char('1');
        if (!ALFABETO.contains(c))
            return {};
        forma += c;
    }
    return forma.size() == SIMBOLOS ? forma : QString();
}

QString textoVigencia()
{
    return VIGENCIA_CLAVE_RECUPERACION.arg(MINUTOS_VIGENCIA);
}

QString textoEspera(int minutos)
{
    return ERR_DEMASIADOS_INTENTOS.arg(minutos == 1 ? QStringLiteral("1 minuto")
                                                    : QStringLiteral("%1 minutos").arg(minutos));
}

QString cuerpoCorreo(const QString& plantilla, const QString& clave)
{
    QString cuerpo = plantilla;
    const qsizetype posicion = cuerpo.indexOf(EMAIL_REPLACE);
    if (posicion >= 0)
        cuerpo.replace(posicion, EMAIL_REPLACE.size(),
                       EMAIL_CLAVE_RECUPERACION + clave + QStringLiteral("<br>") + textoVigencia());
    return cuerpo;
}

TMarcaCorreo marcaCorreo()
{
    return {Utils::getMailHTML(Sistema::exePath), Utils::getMarcaMail(Sistema::exePath)};
}

bool enviaClave(const QString& componente, const QString& email)
{
    return enviaClave(componente, email, marcaCorreo());
}

bool correoConfigurado(const QString& componente)
{
    return AjustesCorreo::configurado(Sistema::exePath, rfcDe(componente));
}

bool enviaClave(const QString& componente, const QString& email, const TMarcaCorreo& marca)
{
    const QString destinatario = email.trimmed();
    // The business's own mail: the administrators of another business, who
    // set theirs, never see the keys of this one.
    const AjustesCorreo::TAjustes ajustes = AjustesCorreo::lee(Sistema::exePath, rfcDe(componente));
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
    // Kept before it is sent: a mailed key that was not kept would never serve.
    const QString clave = nuevaClave();
    const qint64 momento = ahora();
    if (!registroLocal().guardaClaveRecuperacion(huella(formaClave(clave)), destino(componente, destinatario),
                                                 momento + SEGUNDOS_VIGENCIA, momento - SEGUNDOS_RECUERDO)) {
        Utils::mensaje(ERR_CORREO_ENVIO + QStringLiteral("No se pudo guardar la clave en el registro de empresas de "
                                                         "esta computadora. Intenta de nuevo en un momento."),
                       MSG_ERROR);
        return false;
    }
    const QString falla = AjustesCorreo::envia(
        Sistema::exePath, ajustes,
        {destinatario, EMAIL_ASUNTO_RECUPERACION, cuerpoCorreo(plantilla, clave), marca.remitente});
    if (!falla.isEmpty()) {
        Utils::mensaje(ERR_CORREO_ENVIO + falla, MSG_ERROR);
        return false;
    }
    Logmanager::Log(QStringLiteral("Se envió la clave de recuperación a ") + destinatario, 1, Sistema::exePath);
    return true;
}

bool validaClave(const QString& componente, const QString& clave, const QString& email)
{
    int minutos = 0;
    const TRevision revision = revisa(componente, clave, email, minutos);
    muestra(revision, minutos);
    return revision == TRevision::Valida;
}

TResultado guardaPassword(const QString& componente, const QString& email, const QString& clave,
                          const QString& password, const QString& repetida)
{
    // The key is asked for again here: the page's enabled button is no proof.
    int minutos = 0;
    const TRevision revision = revisa(componente, clave, email, minutos);
    if (revision != TRevision::Valida) {
        muestra(revision, minutos);
        return revision == TRevision::Espera ? TResultado::DemasiadosIntentos : TResultado::ClaveNoValida;
    }
    if (!Utils::validaContrasena(password, repetida)) {
        Utils::mensaje(ERR_CONTRASENA, MSG_WARNING);
        return TResultado::ContrasenaDistinta;
    }
    const QString rfc = rfcDe(componente);
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
    // Used up before the password changes, in one step: another copy of the
    // program may be using the same key at the same moment.
    const QString huellaClave = huella(formaClave(clave));
    bool usada = false;
    const bool leida = registroLocal().usaClaveRecuperacion(huellaClave, destino(componente, email), ahora(), usada);
    if (!usada) {
        muestra(leida ? TRevision::Usada : TRevision::SinRegistro, 0);
        return TResultado::ClaveNoValida;
    }
    try {
        // The user changes their own password.
        TUsuario::saveOrUpdate(*usuario, TUnidadTrabajo(conexion, usuario->getIdusuario()));
    } catch (...) {
        // The password stayed as it was, so the key still serves.
        registroLocal().devuelveClaveRecuperacion(huellaClave);
        throw;
    }
    Logmanager::Log(QStringLiteral("Se cambió la contraseña de %1 en %2").arg(usuario->getEmail(), rfc), 1,
                    Sistema::exePath);
    Utils::mensaje(EMAIL_CONTRASENA_ACTUALIZA, MSG_INFORMATION);
    return TResultado::Correcto;
}

} // namespace Recuperacion
