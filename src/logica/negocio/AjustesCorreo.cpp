#include "AjustesCorreo.h"

#include "Constantes.h"
#include "Entidades.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Secretos.h"
#include "Sistema.h"
#include "TAjustesPrograma.h"

#include <QRegularExpression>

using namespace Constantes;

namespace AjustesCorreo {

namespace {

const QString SMTPS = QStringLiteral("smtps");

// A setting left blank is taken out of the file rather than kept empty.
QString valorOQuita(const QString& texto)
{
    const QString limpio = texto.trimmed();
    return limpio.isEmpty() ? QString() : limpio;
}

// The address the signer connects to.
QString direccion(const TAjustes& ajustes)
{
    QString url = (ajustes.seguridad == TSeguridad::SslTls ? QStringLiteral("smtps://") : QStringLiteral("smtp://")) +
                  ajustes.servidor;
    if (ajustes.puerto > 0)
        url += QLatin1Char(':') + QString::number(ajustes.puerto);
    return url;
}

// "Name <a@b.mx>" or "a@b.mx".
bool esRemitente(const QString& texto)
{
    static const QRegularExpression angulos(QStringLiteral("<([^<>]+)>\\s*$"));
    static const QRegularExpression correo(QRegularExpression::anchoredPattern(ER_EMAIL));
    const QRegularExpressionMatch m = angulos.match(texto);
    return correo.match((m.hasMatch() ? m.captured(1) : texto).trimmed()).hasMatch();
}

} // namespace

QStringList nombresSeguridad()
{
    return {QStringLiteral("Ninguna"), QStringLiteral("STARTTLS"), QStringLiteral("SSL/TLS")};
}

int puertoUsual(TSeguridad seguridad)
{
    switch (seguridad) {
    case TSeguridad::Starttls:
        return 587;
    case TSeguridad::SslTls:
        return 465;
    case TSeguridad::Ninguna:
        break;
    }
    return 25;
}

QString rfcComparable(const QString& rfc)
{
    QString limpio;
    for (const QChar c : rfc)
        if (!c.isSpace())
            limpio += c;
    return limpio.toUpper();
}

bool TAjustes::completos() const
{
    return !servidor.isEmpty() && (cuenta.isEmpty() || !password.isEmpty());
}

namespace {

// The settings of one group: the program-wide one when `rfc` is empty.
TAjustes leeGrupo(const QString& carpetaPrograma, const QString& rfc)
{
    const TAjustesPrograma ini(carpetaPrograma);
    TAjustes ajustes;
    ajustes.seguridad = ini.tlsRequeridoCorreo(rfc) ? TSeguridad::Starttls : TSeguridad::Ninguna;
    QString servidor = ini.servidorCorreo(rfc);
    const qsizetype esquema = servidor.indexOf(QStringLiteral("://"));
    if (esquema >= 0) {
        if (servidor.left(esquema).compare(SMTPS, Qt::CaseInsensitive) == 0)
            ajustes.seguridad = TSeguridad::SslTls;
        servidor = servidor.mid(esquema + 3);
    }
    servidor = servidor.section(QLatin1Char('/'), 0, 0);
    // A port written in the address wins over the port key, as it always did
    // for the mail.
    int puertoDireccion = 0;
    if (servidor.count(QLatin1Char(':')) == 1) {
        puertoDireccion = servidor.section(QLatin1Char(':'), 1).toInt();
        servidor = servidor.section(QLatin1Char(':'), 0, 0);
    }
    ajustes.servidor = servidor.trimmed();
    ajustes.puerto = puertoDireccion > 0 && puertoDireccion < 65536 ? puertoDireccion : ini.puertoCorreo(rfc);
    ajustes.cuenta = ini.cuentaCorreo(rfc);
    ajustes.password = ini.passwordCorreo(rfc);
    ajustes.remitente = ini.remitenteCorreo(rfc);
    return ajustes;
}

} // namespace

TAjustes lee(const QString& carpetaPrograma)
{
    return leeGrupo(carpetaPrograma, QString());
}

bool propios(const QString& carpetaPrograma, const QString& rfc)
{
    const QString comparable = rfcComparable(rfc);
    return !comparable.isEmpty() && !TAjustesPrograma(carpetaPrograma).servidorCorreo(comparable).isEmpty();
}

TAjustes lee(const QString& carpetaPrograma, const QString& rfc)
{
    return leeGrupo(carpetaPrograma, propios(carpetaPrograma, rfc) ? rfcComparable(rfc) : QString());
}

QList<TFalta> faltantes(const TAjustes& ajustes)
{
    static const QRegularExpression ajeno(QStringLiteral("[\\s/:]"));
    QList<TFalta> faltan;
    if (ajustes.servidor.trimmed().isEmpty())
        faltan.append({TFalta::Servidor, FALTA_SERVIDOR});
    else if (ajustes.servidor.trimmed().contains(ajeno))
        faltan.append({TFalta::Servidor, SERVIDOR_NO_VALIDO});
    if (!ajustes.cuenta.trimmed().isEmpty() && ajustes.password.isEmpty())
        faltan.append({TFalta::Password, FALTA_PASSWORD});
    if (!ajustes.remitente.trimmed().isEmpty() && !esRemitente(ajustes.remitente))
        faltan.append({TFalta::Remitente, REMITENTE_NO_VALIDO});
    return faltan;
}

QString revisa(const TAjustes& ajustes)
{
    QStringList textos;
    for (const TFalta& falta : faltantes(ajustes))
        textos << falta.texto;
    return textos.isEmpty() ? QString() : MENSAJE_ERROR + textos.join(SALTO);
}

QString guarda(const QString& carpetaPrograma, const QString& rfc, const TAjustes& ajustes)
{
    if (const QString falta = revisa(ajustes); !falta.isEmpty())
        return falta;
    const QString grupo = rfcComparable(rfc);
    // Never the program-wide group: that would set the mail of every other
    // business.
    if (grupo.isEmpty()) {
        Logmanager::Log(QStringLiteral("No se guardó la configuración del correo: no hay una empresa abierta"), 1,
                        carpetaPrograma);
        return ERR_GUARDAR;
    }
    const auto clave = [&grupo](const QString& nombre) { return TAjustesPrograma::claveCorreo(grupo, nombre); };
    const QString servidor = ajustes.servidor.trimmed();
    const QString cuenta = valorOQuita(ajustes.cuenta);
    try {
        // Only ever stored enciphered, under this installation's key: the
        // file alone does not give the account away.
        const QString password = cuenta.isEmpty() || ajustes.password.isEmpty()
                                     ? QString()
                                     : Secretos::cifraLocal(ajustes.password, carpetaPrograma);
        TAjustesPrograma(carpetaPrograma)
            .escribe({
                {clave(TAjustesPrograma::CORREO_SERVIDOR),
                 ajustes.seguridad == TSeguridad::SslTls ? SMTPS + QStringLiteral("://") + servidor : servidor},
                {clave(TAjustesPrograma::CORREO_PUERTO),
                 ajustes.puerto > 0 ? QString::number(ajustes.puerto) : QString()},
                {clave(TAjustesPrograma::CORREO_TLS),
                 ajustes.seguridad == TSeguridad::Starttls ? TAjustesPrograma::TLS_REQUERIDO : QString()},
                {clave(TAjustesPrograma::CORREO_CUENTA), cuenta},
                {clave(TAjustesPrograma::CORREO_PASSWORD), password},
                {clave(TAjustesPrograma::CORREO_REMITENTE), valorOQuita(ajustes.remitente)},
            });
    } catch (const EVelkor& e) {
        Logmanager::Log(Errores::describe(e), 1, carpetaPrograma);
        return ERR_GUARDAR;
    }
    Logmanager::Log(QStringLiteral("Se guardó la configuración del correo de %1 (servidor %2, %3)")
                        .arg(grupo, servidor, nombresSeguridad().value(static_cast<int>(ajustes.seguridad))),
                    1, carpetaPrograma);
    return {};
}

bool configurado(const QString& carpetaPrograma, const QString& rfc)
{
    return lee(carpetaPrograma, rfc).completos();
}

QString rfcSesion()
{
    const std::shared_ptr<TDatosfiscales> fiscales = Sistema::Negocio ? Sistema::Negocio->getDatosfiscales() : nullptr;
    return fiscales ? rfcComparable(fiscales->getRfc()) : QString();
}

bool puedeConfigurar()
{
    return !rfcSesion().isEmpty() && Sistema::getPermiso(CODIGO_PERMISOS);
}

QString explicaFalla(const Signerutils::ECorreo& error)
{
    switch (error.falla()) {
    case Signerutils::TFallaCorreo::Datos:
        return FALLA_DATOS;
    case Signerutils::TFallaCorreo::Conexion:
        return FALLA_CONEXION;
    case Signerutils::TFallaCorreo::Autenticacion:
        return FALLA_AUTENTICACION;
    case Signerutils::TFallaCorreo::Cifrado:
        return FALLA_CIFRADO;
    case Signerutils::TFallaCorreo::Certificado:
        return FALLA_CERTIFICADO;
    case Signerutils::TFallaCorreo::Interrumpida:
        return FALLA_INTERRUMPIDA;
    case Signerutils::TFallaCorreo::Servidor:
        break;
    }
    return FALLA_SERVIDOR;
}

QString envia(const QString& carpetaPrograma, const TAjustes& ajustes, const TMensaje& mensaje)
{
    Signerutils::TOpcionesCorreo opciones;
    opciones.certificadosCA = TAjustesPrograma(carpetaPrograma).certificadosCorreo();
    opciones.asunto = mensaje.asunto;
    const QString remitente = ajustes.remitente.isEmpty() ? mensaje.remitentePorOmision : ajustes.remitente;
    try {
        Signerutils::Signer().sendPassMail(direccion(ajustes), mensaje.destinatario.trimmed(), ajustes.cuenta,
                                           ajustes.password, remitente, mensaje.html,
                                           ajustes.seguridad == TSeguridad::Starttls, opciones);
    } catch (const Signerutils::ECorreo& e) {
        // The signer's text names the server and the mail library's reason:
        // for whoever reads the log, not for the user.
        Logmanager::Log(Errores::describe(e), 1, carpetaPrograma);
        return explicaFalla(e);
    }
    return {};
}

TMensaje mensajePrueba(const QString& destinatario, const QString& remitentePorOmision)
{
    return {destinatario, QStringLiteral("Mensaje de prueba del correo"),
            QStringLiteral("<html><body><p>Este es un mensaje de prueba.</p><p>Si lo recibiste, el correo de esta "
                           "empresa quedó bien configurado: ya se pueden enviar las claves para recuperar las "
                           "contraseñas de sus usuarios.</p></body></html>"),
            remitentePorOmision};
}

} // namespace AjustesCorreo
