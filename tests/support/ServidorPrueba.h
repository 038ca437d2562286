#pragma once
#include <QProcess>
#include <QString>
#include <QStringList>

// A real server for one test, on 127.0.0.1: one of the scripts of
// tests/data/servidores run with Debian's Python (/usr/bin/python3; the
// `python3` of the PATH may be another one without Debian's modules). It
// chooses a free port and tells it; the destructor stops it.
class TServidorPrueba {
public:
    // `script` names a file of tests/data/servidores ("servidor_http.py", "servidor_smtp.py").
    TServidorPrueba(const QString& script, const QStringList& argumentos);
    ~TServidorPrueba();
    TServidorPrueba(const TServidorPrueba&) = delete;
    TServidorPrueba& operator=(const TServidorPrueba&) = delete;

    // 0 when it did not start (error() says why).
    int puerto() const { return m_puerto; }
    QString error() const { return m_error; }
    // "http://127.0.0.1:PORT" (or https).
    QString url(bool https = false) const;

private:
    QProcess m_proceso;
    int m_puerto = 0;
    QString m_error;
};

// A self-signed certificate for 127.0.0.1 (subjectAltName IP:127.0.0.1),
// made with the openssl tool in `carpeta`: certificado.pem and llave.pem.
struct TCertificadoPrueba {
    explicit TCertificadoPrueba(const QString& carpeta);
    bool valido() const { return !certificado.isEmpty(); }
    QString certificado;
    QString llave;
};
