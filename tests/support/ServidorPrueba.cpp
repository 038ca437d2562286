#include "ServidorPrueba.h"

#include <QDeadlineTimer>
#include <QFileInfo>

#include <csignal>

TServidorPrueba::TServidorPrueba(const QString& script, const QStringList& argumentos)
{
    m_proceso.setProgram(QStringLiteral("/usr/bin/python3"));
    m_proceso.setArguments(QStringList{QStringLiteral(VELKOR_DATOS_PRUEBA "/servidores/") + script} + argumentos);
    m_proceso.setProcessChannelMode(QProcess::SeparateChannels);
    m_proceso.start();
    if (!m_proceso.waitForStarted(10000)) {
        m_error = m_proceso.errorString();
        return;
    }
    const QDeadlineTimer limite(20000);
    QByteArray leido;
    while (!limite.hasExpired()) {
        if (!m_proceso.canReadLine() && !m_proceso.waitForReadyRead(int(qMax<qint64>(1, limite.remainingTime()))))
            break;
        while (m_proceso.canReadLine()) {
            const QByteArray linea = m_proceso.readLine().trimmed();
            if (linea.startsWith("PORT ")) {
                m_puerto = linea.mid(5).toInt();
                return;
            }
        }
    }
    m_error = QString::fromUtf8(m_proceso.readAllStandardError());
    if (m_error.isEmpty())
        m_error = QStringLiteral("el servidor no dijo su puerto");
}

TServidorPrueba::~TServidorPrueba()
{
    if (m_proceso.state() == QProcess::NotRunning)
        return;
    ::kill(static_cast<pid_t>(m_proceso.processId()), SIGTERM);
    if (!m_proceso.waitForFinished(10000)) {
        m_proceso.kill();
        m_proceso.waitForFinished(5000);
    }
}

QString TServidorPrueba::url(bool https) const
{
    return QStringLiteral("%1://127.0.0.1:%2")
        .arg(https ? QStringLiteral("https") : QStringLiteral("http"))
        .arg(m_puerto);
}

TCertificadoPrueba::TCertificadoPrueba(const QString& carpeta)
{
    const QString cer = carpeta + QStringLiteral("/certificado.pem");
    const QString key = carpeta + QStringLiteral("/llave.pem");
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                   QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                   QStringLiteral("-keyout"), key, QStringLiteral("-out"), cer, QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                   QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1")});
    if (openssl.waitForFinished(30000) && openssl.exitStatus() == QProcess::NormalExit && openssl.exitCode() == 0 &&
        QFileInfo::exists(cer) && QFileInfo::exists(key)) {
        certificado = cer;
        llave = key;
    }
}
