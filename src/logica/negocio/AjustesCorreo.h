#pragma once
#include "Signerutils.h"

#include <QList>
#include <QString>
#include <QStringList>

// The outgoing mail server of each business, as its administrator sets it in
// "Configurar correo": kept in the program folder's settings, in a mail group
// of the business's own (TAjustesPrograma), read by the password recovery of
// that business and by the window's test. A business without one sends
// through the program-wide [Correo] group a deployment may write by hand
// (and older versions saved), which the program itself no longer writes:
// the mail that carries a business's recovery keys answers to that
// business's administrators only.
namespace AjustesCorreo {

// What the user reads about the mail settings and their sendings.
inline const QString FALTA_SERVIDOR = QStringLiteral("Escribe el servidor de correo (por ejemplo, smtp.gmail.com).");
inline const QString SERVIDOR_NO_VALIDO =
    QStringLiteral("Escribe solo el nombre del servidor de correo, sin espacios, sin «smtp://» y sin el puerto.");
inline const QString FALTA_PASSWORD = QStringLiteral("Escribe la contraseña de la cuenta de correo.");
inline const QString REMITENTE_NO_VALIDO = QStringLiteral(
    "El remitente debe ser un correo electrónico, solo o con un nombre: Mi Negocio <avisos@negocio.mx>.");
inline const QString ERR_GUARDAR =
    QStringLiteral("No se pudo guardar la configuración del correo. Revisa que tengas permiso "
                   "de escribir en la carpeta del programa.");

inline const QString FALLA_DATOS = QStringLiteral("Faltan el servidor, el remitente o el destinatario del correo.");
inline const QString FALLA_CONEXION =
    QStringLiteral("No se pudo conectar con el servidor de correo. Revisa tu conexión a Internet y que el servidor "
                   "y el puerto estén bien escritos.");
inline const QString FALLA_AUTENTICACION =
    QStringLiteral("El servidor de correo no aceptó la cuenta o la contraseña. Revisa que estén bien escritas.");
inline const QString FALLA_CIFRADO =
    QStringLiteral("No se pudo establecer la conexión segura con el servidor de correo. Revisa la seguridad elegida "
                   "y el puerto: STARTTLS suele usar el 587 y SSL/TLS el 465.");
inline const QString FALLA_CERTIFICADO =
    QStringLiteral("No se pudo confirmar la identidad del servidor de correo: su certificado no es de confianza.");
inline const QString FALLA_INTERRUMPIDA =
    QStringLiteral("El servidor de correo cortó la conexión o no puede recibir mensajes en este momento. Vuelve a "
                   "intentarlo en unos minutos.");
inline const QString FALLA_SERVIDOR =
    QStringLiteral("El servidor de correo no aceptó el mensaje. Revisa el remitente y la dirección de destino.");

inline const QString PRUEBA_ENVIADA = QStringLiteral(
    "Se envió el mensaje de prueba a %1. Revisa que haya llegado (también en la carpeta de correo no deseado).");
inline const QString PRUEBA_FALLIDA = QStringLiteral("No se pudo enviar el mensaje de prueba. ");
inline const QString FALTA_CORREO_PRUEBA = QStringLiteral("Escribe el correo electrónico al que se enviará la prueba.");
inline const QString AJUSTES_GUARDADOS = QStringLiteral("Se guardó la configuración del correo.");

// How the connection to the server is protected.
enum class TSeguridad {
    Ninguna,  // plain SMTP; STARTTLS still used when the server offers it
    Starttls, // plain SMTP that must turn to TLS before anything is sent
    SslTls,   // TLS from the first byte (smtps)
};

// The names the window lists, in the order of TSeguridad.
QStringList nombresSeguridad();
// The usual port of each kind (25, 587, 465).
int puertoUsual(TSeguridad seguridad);

struct TAjustes {
    QString servidor; // the host name or address, nothing else
    int puerto = 0;   // 0: the usual one of the security
    TSeguridad seguridad = TSeguridad::Ninguna;
    QString cuenta; // empty: the server takes mail without signing in
    QString password;
    QString remitente; // empty: the brand's sender

    // Whether mail can be sent with these settings: a server, and a
    // password whenever there is an account.
    bool completos() const;
    bool operator==(const TAjustes&) const = default;
};

// One spelling of a business's RFC, blanks and letter case aside: what its
// mail settings and its recovery keys are kept under.
QString rfcComparable(const QString& rfc);

// The program-wide settings of the program folder. A server written as an
// address ("smtps://host:465", "host:587") gives its host, security and port.
TAjustes lee(const QString& carpetaPrograma);
// The settings the business `rfc` sends with: its own when it has them
// (propios), otherwise the program-wide ones. The RFC's letter case and
// blanks do not count.
TAjustes lee(const QString& carpetaPrograma, const QString& rfc);
// Whether the business `rfc` has settings of its own.
bool propios(const QString& carpetaPrograma, const QString& rfc);
// Saves the settings as the business `rfc`'s own, the password enciphered
// and every other setting kept. Empty when saved; otherwise why not, for the
// user (the details go to the log).
QString guarda(const QString& carpetaPrograma, const QString& rfc, const TAjustes& ajustes);
// What keeps the settings from being saved or tried: the field and why.
struct TFalta {
    enum TCampo { Servidor, Password, Remitente };
    TCampo campo;
    QString texto;
};
QList<TFalta> faltantes(const TAjustes& ajustes);
// The same as one message for the user (MENSAJE_ERROR, one line each);
// empty when nothing is wanting.
QString revisa(const TAjustes& ajustes);

// Whether the business `rfc` can send mail (lee(...).completos()).
bool configurado(const QString& carpetaPrograma, const QString& rfc);
// The RFC of the business open in the session, whose settings the window
// saves; empty without one.
QString rfcSesion();
// Whether the signed-in user may change the mail settings of the business
// open: they hold there the right to administer users and permissions
// (CODIGO_PERMISOS).
bool puedeConfigurar();

// What a failed delivery means for the user, in plain words without the
// server's address or the mail library's own texts.
QString explicaFalla(const Signerutils::ECorreo& error);

// What a sending asks of the signer besides the settings.
struct TMensaje {
    QString destinatario;
    QString asunto;
    QString html;
    // Used when the settings name no sender.
    QString remitentePorOmision;
};

// Sends the mail through the settings' server. Empty when the server took
// it; otherwise explicaFalla of the failure (logged with its details, never
// with the password). From any thread.
QString envia(const QString& carpetaPrograma, const TAjustes& ajustes, const TMensaje& mensaje);

// The test message of the settings window, to `destinatario`.
TMensaje mensajePrueba(const QString& destinatario, const QString& remitentePorOmision);

} // namespace AjustesCorreo
