#include "TIdHTTPProgress.h"

#include "Logmanager.h"
#include "Sistema.h"

#include <QBuffer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QTimer>
#include <QUrl>

#include <cerrno>
#include <cmath>

namespace {

const QString SIN_CONEXION = QStringLiteral("Revisa tu conexión a Internet.");

} // namespace

TIdHTTPProgress::TIdHTTPProgress(QObject* owner) : QObject(owner), m_red(new QNetworkAccessManager(this)) {}

TIdHTTPProgress::~TIdHTTPProgress() = default;

bool TIdHTTPProgress::agregaCertificadosCA(const QString& archivoPem)
{
    const QList<QSslCertificate> certificados = QSslCertificate::fromPath(archivoPem, QSsl::Pem);
    m_autoridades += certificados;
    return !certificados.isEmpty();
}

void TIdHTTPProgress::setEncabezado(const QByteArray& nombre, const QByteArray& valor)
{
    m_encabezados.append({nombre, valor});
}

void TIdHTTPProgress::setProgress(int progreso)
{
    if (progreso == m_progress)
        return;
    m_progress = progreso;
    emit OnChange(progreso);
}

void TIdHTTPProgress::IdHTTPWorkBegin(qint64 esperado)
{
    m_bytesToTransfer = qMax<qint64>(0, esperado);
}

void TIdHTTPProgress::IdHTTPWork(qint64 recibidos)
{
    if (m_bytesToTransfer == 0)
        return;
    const double porcentaje = static_cast<double>(recibidos) * 100.0 / static_cast<double>(m_bytesToTransfer);
    setProgress(qBound(0, static_cast<int>(std::lround(porcentaje)), 100));
}

void TIdHTTPProgress::IdHTTPWorkEnd()
{
    m_bytesToTransfer = 0;
    setProgress(100);
}

void TIdHTTPProgress::cancela()
{
    m_cancelado = true;
    // Emitted from any thread; the reply lives in the client's thread, so the
    // abort is queued there and runs inside the transfer's event loop.
    emit abortaSolicitado();
}

void TIdHTTPProgress::TCancelacion::cancela()
{
    m_cancelada = true;
    QMutexLocker candado(&m_candado);
    if (m_cliente)
        m_cliente->cancela();
}

TIdHTTPProgress::TCancelacion::TEnlace::TEnlace(TCancelacion& cancelacion, TIdHTTPProgress& cliente)
    : m_cancelacion(cancelacion)
{
    {
        QMutexLocker candado(&m_cancelacion.m_candado);
        m_cancelacion.m_cliente = &cliente;
    }
    // Read after the link is made: a cancellation in between reaches the
    // client one way or the other.
    if (m_cancelacion.m_cancelada)
        cliente.cancela();
}

TIdHTTPProgress::TCancelacion::TEnlace::~TEnlace()
{
    QMutexLocker candado(&m_cancelacion.m_candado);
    m_cancelacion.m_cliente = nullptr;
}

void TIdHTTPProgress::freeStream()
{
    LDestStream.reset();
}

void TIdHTTPProgress::DownloadFile(const QString& direccion, const QString& archivo)
{
    // Progress starts from 0 for every transfer, and says so.
    m_progress = -1;
    setProgress(0);
    m_bytesToTransfer = 0;
    const QString carpeta = QFileInfo(archivo).absolutePath();
    if (!QDir().mkpath(carpeta))
        throw EDescarga(QStringLiteral("No se pudo crear la carpeta %1.").arg(carpeta));
    // The system's error number, read as soon as a call fails: Qt's own
    // texts are English.
    const auto falla = [&archivo](int numero) {
        return EDescarga(QStringLiteral("No se pudo escribir %1: %2").arg(archivo, Errores::delSistema(numero)));
    };
    LDestStream = std::make_unique<QFile>(archivo);
    if (!LDestStream->open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw falla(errno);
    transfiere(direccion, *LDestStream);
    if (!LDestStream->flush())
        throw falla(errno);
}

QByteArray TIdHTTPProgress::Get(const QString& direccion)
{
    m_progress = -1;
    setProgress(0);
    m_bytesToTransfer = 0;
    QBuffer memoria;
    memoria.open(QIODevice::WriteOnly);
    transfiere(direccion, memoria, MAXIMO_EN_MEMORIA);
    return memoria.data();
}

void TIdHTTPProgress::transfiere(const QString& direccion, QIODevice& destino, qint64 maximo)
{
    if (m_cancelado)
        throw EDescargaCancelada(QStringLiteral("Se canceló la descarga."));
    const QUrl url(direccion);
    if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
        throw EDescarga(QStringLiteral("La dirección \"%1\" no es una dirección http ni https.").arg(direccion));

    QNetworkRequest solicitud(url);
    solicitud.setTransferTimeout(m_readTimeout);
    // The file is written as it arrives; a compressed transfer would make the
    // expected size (Content-Length) count other bytes than the ones written.
    solicitud.setRawHeader("Accept-Encoding", "identity");
    for (const auto& [nombre, valor] : m_encabezados)
        solicitud.setRawHeader(nombre, valor);
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    if (!m_autoridades.isEmpty())
        tls.addCaCertificates(m_autoridades);
    solicitud.setSslConfiguration(tls);

    QNetworkReply* respuesta = m_red->get(solicitud);
    std::unique_ptr<QNetworkReply> dueno(respuesta);
    qint64 recibidos = 0;
    qint64 esperado = -1;
    bool iniciado = false;
    QString errorEscritura;
    bool excedido = false;
    bool vencido = false;
    QEventLoop bucle;
    QTimer plazo;
    plazo.setSingleShot(true);
    connect(&plazo, &QTimer::timeout, respuesta, [&] {
        vencido = true;
        respuesta->abort();
    });
    if (m_plazo > 0)
        plazo.start(m_plazo);

    const auto estado = [respuesta] { return respuesta->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(); };
    // Readyread, not downloadProgress: Qt throttles the latter to about one
    // signal per 100 ms, while every arrival is written here anyway.
    connect(respuesta, &QNetworkReply::readyRead, &bucle, [&] {
        const QByteArray datos = respuesta->readAll();
        const int codigo = estado();
        if (codigo < 200 || codigo >= 300)
            return; // the body of an error page or a redirection
        if (!iniciado) {
            iniciado = true;
            const QVariant longitud = respuesta->header(QNetworkRequest::ContentLengthHeader);
            esperado = longitud.isValid() ? longitud.toLongLong() : -1;
            IdHTTPWorkBegin(esperado < 0 ? 0 : esperado);
        }
        // A proxy or a captive portal may answer with a page that never
        // ends: what is held in memory stops at the limit.
        if (maximo >= 0 && (esperado > maximo || recibidos + datos.size() > maximo)) {
            excedido = true;
            respuesta->abort();
            return;
        }
        if (destino.write(datos) != datos.size()) {
            // Told after the loop, by when errno has changed many times.
            const int numero = errno;
            errorEscritura = Errores::delSistema(numero);
            respuesta->abort();
            return;
        }
        recibidos += datos.size();
        IdHTTPWork(recibidos);
    });
    connect(respuesta, &QNetworkReply::finished, &bucle, &QEventLoop::quit);
    connect(this, &TIdHTTPProgress::abortaSolicitado, respuesta, &QNetworkReply::abort, Qt::QueuedConnection);
    // A cancellation that arrived while the request was being set up.
    if (m_cancelado)
        respuesta->abort();
    if (!respuesta->isFinished())
        bucle.exec();

    if (m_cancelado)
        throw EDescargaCancelada(QStringLiteral("Se canceló la descarga."));
    if (!errorEscritura.isEmpty())
        throw EDescarga(QStringLiteral("No se pudo guardar lo descargado: %1").arg(errorEscritura));
    if (vencido) {
        Logmanager::Log(QStringLiteral("Descarga sin terminar en %1 ms: %2").arg(m_plazo).arg(direccion), 1,
                        Sistema::exePath);
        throw EDescarga(
            QStringLiteral("La descarga no terminó en %1 segundos. %2").arg(m_plazo / 1000.0).arg(SIN_CONEXION));
    }
    if (excedido) {
        Logmanager::Log(QStringLiteral("Respuesta de más de %1 bytes: %2").arg(maximo).arg(direccion), 1,
                        Sistema::exePath);
        throw EDescarga(QStringLiteral("El servidor de descargas envió más de %1 KB; no es el archivo que se esperaba.")
                            .arg(maximo / 1024));
    }
    const QByteArray resto = respuesta->isOpen() ? respuesta->readAll() : QByteArray();
    if (!resto.isEmpty() && estado() >= 200 && estado() < 300) {
        if (destino.write(resto) != resto.size()) {
            const int numero = errno;
            throw EDescarga(QStringLiteral("No se pudo guardar lo descargado: %1").arg(Errores::delSistema(numero)));
        }
        recibidos += resto.size();
    }
    const QNetworkReply::NetworkError error = respuesta->error();
    // Without an answer from the server the user can only check the
    // connection: the address and Qt's English text go to the log.
    if (error == QNetworkReply::OperationCanceledError) {
        Logmanager::Log(
            QStringLiteral("Descarga interrumpida, sin datos en %1 ms: %2").arg(m_readTimeout).arg(direccion), 1,
            Sistema::exePath);
        throw EDescarga(QStringLiteral("La descarga se interrumpió: no llegaron datos en %1 segundos. %2")
                            .arg(m_readTimeout / 1000.0)
                            .arg(SIN_CONEXION));
    }
    const int codigo = estado();
    const bool respondio = codigo >= 200 && codigo < 300;
    if (error != QNetworkReply::NoError) {
        Logmanager::Log(QStringLiteral("Descarga fallida de %1: %2").arg(direccion, respuesta->errorString()), 1,
                        Sistema::exePath);
        // The connection itself worked: checking it would not help.
        if (error == QNetworkReply::SslHandshakeFailedError)
            throw EDescarga(QStringLiteral("No se pudo confirmar el certificado del servidor de descargas: no lo "
                                           "firma una autoridad de confianza o no es el de su dirección."));
        // What the server answered is a redirection Qt refused to follow
        // (to another protocol, from https to http, or without end).
        if (error == QNetworkReply::InsecureRedirectError || error == QNetworkReply::TooManyRedirectsError ||
            error == QNetworkReply::ProtocolUnknownError)
            throw EDescarga(QStringLiteral("El servidor de descargas redirigió a una dirección que no se puede usar."));
        if (!respondio)
            throw EDescarga(codigo > 0
                                ? QStringLiteral("El servidor de descargas respondió con el error %1.").arg(codigo)
                                : QStringLiteral("No se pudo conectar con el servidor de descargas. ") + SIN_CONEXION);
    } else if (!respondio) {
        throw EDescarga(QStringLiteral("El servidor de descargas respondió con el error %1.").arg(codigo));
    }
    // The server accepted, but the transfer broke off: its status is no error
    // to show. With the length announced, every byte arrived is a complete
    // file whatever the connection did afterwards.
    if (esperado >= 0 ? recibidos != esperado : error != QNetworkReply::NoError) {
        if (esperado < 0)
            throw EDescarga(
                QStringLiteral("La descarga de %1 quedó incompleta: llegaron %2 bytes.").arg(direccion).arg(recibidos));
        throw EDescarga(QStringLiteral("La descarga de %1 quedó incompleta: llegaron %2 de %3 bytes.")
                            .arg(direccion)
                            .arg(recibidos)
                            .arg(esperado));
    }
    if (!iniciado)
        IdHTTPWorkBegin(0);
    IdHTTPWorkEnd();
}
