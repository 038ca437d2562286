// The signer's mail operations: the password-recovery key and the delivery of
// the recovery mail over SMTP (libcurl).

#include "Signerutils.h"

#include "Constantes.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>
#include <QUuid>

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace {

struct LiberaCurl {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct LiberaLista {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

// What the read callback hands to libcurl, from the start.
struct TLectura {
    QByteArray datos;
    qsizetype posicion = 0;
};

size_t leeMensaje(char* destino, size_t tamano, size_t cuantos, void* usuario)
{
    auto* lectura = static_cast<TLectura*>(usuario);
    const qsizetype pedido = static_cast<qsizetype>(tamano * cuantos);
    const qsizetype n = qMin(pedido, lectura->datos.size() - lectura->posicion);
    if (n <= 0)
        return 0;
    memcpy(destino, lectura->datos.constData() + lectura->posicion, static_cast<size_t>(n));
    lectura->posicion += n;
    return static_cast<size_t>(n);
}

// "Name <a@b.mx>" gives "a@b.mx"; a bare address is its own.
QString direccionDe(const QString& texto)
{
    static const QRegularExpression angulos(QStringLiteral("<([^<>]+)>"));
    const QRegularExpressionMatch m = angulos.match(texto);
    return (m.hasMatch() ? m.captured(1) : texto).trimmed();
}

bool esAscii(const QString& texto)
{
    for (const QChar c : texto) {
        if (c.unicode() > 126 || c.unicode() < 32)
            return false;
    }
    return true;
}

// Header texts outside ASCII travel as RFC 2047 encoded words.
QByteArray palabraCodificada(const QString& texto)
{
    if (esAscii(texto))
        return texto.toUtf8();
    return "=?UTF-8?B?" + texto.toUtf8().toBase64() + "?=";
}

QByteArray encabezadoDireccion(const QString& texto)
{
    const QString direccion = direccionDe(texto);
    const qsizetype angulo = texto.indexOf(QLatin1Char('<'));
    const QString nombre = angulo > 0 ? texto.left(angulo).trimmed() : QString();
    if (nombre.isEmpty())
        return direccion.toUtf8();
    QByteArray nombreCodificado = palabraCodificada(nombre);
    if (esAscii(nombre))
        nombreCodificado = '"' + QByteArray(nombreCodificado).replace('\\', "\\\\").replace('"', "\\\"") + '"';
    return nombreCodificado + " <" + direccion.toUtf8() + '>';
}

// The body is sent base64-encoded: the template's long HTML lines and its
// accented letters then pass any relay unchanged.
QByteArray mensaje(const QString& remitente, const QString& destinatario, const QString& asunto, const QString& html)
{
    const QDateTime ahora = QDateTime::currentDateTime();
    const int desfase = ahora.offsetFromUtc() / 60;
    const QString zona = QStringLiteral("%1%2%3")
                             .arg(desfase < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                             .arg(qAbs(desfase) / 60, 2, 10, QLatin1Char('0'))
                             .arg(qAbs(desfase) % 60, 2, 10, QLatin1Char('0'));
    const QString fecha = QLocale::c().toString(ahora, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss ")) + zona;
    const QString dominio = direccionDe(remitente).section(QLatin1Char('@'), 1);

    QByteArray m;
    m += "Date: " + fecha.toLatin1() + "\r\n";
    m += "From: " + encabezadoDireccion(remitente) + "\r\n";
    m += "To: " + encabezadoDireccion(destinatario) + "\r\n";
    m += "Subject: " + palabraCodificada(asunto) + "\r\n";
    m += "Message-ID: <" + QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1() + '@' +
         (dominio.isEmpty() ? QByteArrayLiteral("localhost") : dominio.toUtf8()) + ">\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: text/html; charset=UTF-8\r\n";
    m += "Content-Transfer-Encoding: base64\r\n";
    m += "\r\n";
    const QByteArray cuerpo = html.toUtf8().toBase64();
    for (qsizetype i = 0; i < cuerpo.size(); i += 76)
        m += cuerpo.mid(i, 76) + "\r\n";
    return m;
}

QByteArray direccionServidor(const QString& servidor)
{
    const QString limpio = servidor.trimmed();
    if (limpio.contains(QStringLiteral("://")))
        return limpio.toUtf8();
    return "smtp://" + limpio.toUtf8();
}

} // namespace

namespace Signerutils {

void TSigner::sendPassMail(const QString& servidor, const QString& destinatario, const QString& cuenta,
                           const QString& password, const QString& remitente, const QString& html, bool tlsObligatorio,
                           const TOpcionesCorreo& opciones) const
{
    static std::once_flag iniciado;
    std::call_once(iniciado, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    const QString origen = direccionDe(remitente);
    const QString destino = direccionDe(destinatario);
    if (servidor.trimmed().isEmpty() || origen.isEmpty() || destino.isEmpty())
        throw ECorreo(QStringLiteral("Faltan el servidor, el remitente o el destinatario del correo."),
                      TFallaCorreo::Datos);

    std::unique_ptr<CURL, LiberaCurl> curl(curl_easy_init());
    if (!curl)
        throw ECorreo(QStringLiteral("No se pudo preparar el envío del correo."));
    const QByteArray url = direccionServidor(servidor);
    const QByteArray de = '<' + origen.toUtf8() + '>';
    const QByteArray para = '<' + destino.toUtf8() + '>';
    std::unique_ptr<curl_slist, LiberaLista> destinatarios(curl_slist_append(nullptr, para.constData()));
    const QString asunto = opciones.asunto.isEmpty() ? Constantes::EMAIL_ASUNTO_RECUPERACION : opciones.asunto;
    TLectura lectura{mensaje(remitente, destinatario, asunto, html)};
    const QByteArray usuario = cuenta.toUtf8();
    const QByteArray clave = password.toUtf8();
    const QByteArray autoridades = QFile::encodeName(opciones.certificadosCA);
    char error[CURL_ERROR_SIZE] = {};
    const long espera = qMax(1, opciones.segundosEspera);

    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, de.constData());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, destinatarios.get());
    curl_easy_setopt(c, CURLOPT_READFUNCTION, leeMensaje);
    curl_easy_setopt(c, CURLOPT_READDATA, &lectura);
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(tlsObligatorio ? CURLUSESSL_ALL : CURLUSESSL_TRY));
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
    // Signals are the program's own (it reads the termination signals itself).
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, espera);
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, espera);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, espera);
    if (!cuenta.isEmpty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, usuario.constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, clave.constData());
    }
    if (!opciones.certificadosCA.isEmpty())
        curl_easy_setopt(c, CURLOPT_CAINFO, autoridades.constData());

    const CURLcode resultado = curl_easy_perform(c);
    if (resultado == CURLE_OK)
        return;
    long respuesta = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &respuesta);
    QString motivo = QString::fromUtf8(error[0] ? error : curl_easy_strerror(resultado));
    TFallaCorreo falla = TFallaCorreo::Servidor;
    switch (resultado) {
    case CURLE_LOGIN_DENIED:
        motivo = QStringLiteral("el servidor no aceptó la cuenta o la contraseña (%1)").arg(motivo);
        falla = TFallaCorreo::Autenticacion;
        break;
    case CURLE_USE_SSL_FAILED:
        motivo = QStringLiteral("el servidor no ofrece una conexión cifrada (STARTTLS) y la configuración la exige");
        falla = TFallaCorreo::Cifrado;
        break;
    case CURLE_SSL_CONNECT_ERROR:
        falla = TFallaCorreo::Cifrado;
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
        motivo = QStringLiteral("no se pudo confirmar el certificado del servidor (%1)").arg(motivo);
        falla = TFallaCorreo::Certificado;
        break;
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_OPERATION_TIMEDOUT:
        motivo = QStringLiteral("no se pudo conectar con el servidor %1 (%2)").arg(QString::fromUtf8(url), motivo);
        falla = TFallaCorreo::Conexion;
        break;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
        falla = TFallaCorreo::Interrumpida;
        break;
    default:
        // 530: the server takes mail only from a signed-in account.
        if (respuesta == 530 || respuesta == 535)
            falla = TFallaCorreo::Autenticacion;
        break;
    }
    // A 4xx reply is the server saying "not now" (421 busy, 45x out of room
    // or greylisting), whatever step it came at: the settings are not what
    // is wrong, and a later try may well pass.
    if (respuesta >= 400 && respuesta < 500)
        falla = TFallaCorreo::Interrumpida;
    if (respuesta > 0)
        motivo += QStringLiteral(" [respuesta %1]").arg(respuesta);
    throw ECorreo(QStringLiteral("No se pudo enviar el correo: %1.").arg(motivo), falla);
}

} // namespace Signerutils
