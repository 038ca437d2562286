#pragma once
#include "Errores.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QSslCertificate>
#include <QString>

#include <atomic>
#include <memory>

class QFile;
class QIODevice;
class QNetworkAccessManager;
class QNetworkRequest;

// A download failed: no connection, an error status, a time-out, a TLS
// failure or a transfer cut short. The message says which, in Spanish.
class EDescarga : public EEntradaSalida {
public:
    using EEntradaSalida::EEntradaSalida;
    QString clase() const override { return QStringLiteral("EDescarga"); }
};

// The download was cancelled (cancela).
class EDescargaCancelada : public EDescarga {
public:
    using EDescarga::EDescarga;
    QString clase() const override { return QStringLiteral("EDescargaCancelada"); }
};

// HTTP and HTTPS client with progress, over Qt Network. Its calls block the
// calling thread (a local event loop runs the transfer), so it is used from a
// worker thread, the thread it was created in. HTTPS uses OpenSSL with the
// system's authorities plus any given with agregaCertificadosCA.
//
// Progress: work begin (the expected size, from Content-Length), work (the
// bytes so far: Progress = bytes x 100 / BytesToTransfer, rounded) and work
// end (Progress = 100) of each transfer. With an unknown size Progress stays
// 0 until the end. OnChange is emitted, from the client's thread, each time
// Progress takes a new value.
class TIdHTTPProgress : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Progress READ getProgress NOTIFY OnChange)
public:
    // Milliseconds without receiving data after which a transfer fails.
    static constexpr int READ_TIMEOUT = 30000;

    explicit TIdHTTPProgress(QObject* owner = nullptr);
    ~TIdHTTPProgress() override;

    int getProgress() const { return m_progress; }
    qint64 getBytesToTransfer() const { return m_bytesToTransfer; }

    void setReadTimeout(int milisegundos) { m_readTimeout = milisegundos; }
    // Milliseconds a whole transfer may take, however steadily data arrives
    // (none when 0, the default): a server that sends a byte now and then
    // never lets the read time-out fire.
    void setPlazo(int milisegundos) { m_plazo = milisegundos; }
    // Authorities trusted besides the system's (a business's own server, tests).
    void agregaCertificadosCA(const QList<QSslCertificate>& certificados) { m_autoridades += certificados; }
    // The certificates of a PEM file; false when it holds none.
    bool agregaCertificadosCA(const QString& archivoPem);
    // Headers sent with every request.
    void setEncabezado(const QByteArray& nombre, const QByteArray& valor);

    // Downloads `direccion` into `archivo` (its folders created, the file
    // replaced), written as it arrives. Raises EDescarga or EDescargaCancelada;
    // the file then holds what arrived, for the caller to discard.
    void DownloadFile(const QString& direccion, const QString& archivo);
    // Downloads into memory a small file, of at most MAXIMO_EN_MEMORIA
    // bytes: a longer answer (announced or not) is cut off and refused with
    // EDescarga. Raises as DownloadFile.
    QByteArray Get(const QString& direccion);
    static constexpr qint64 MAXIMO_EN_MEMORIA = 1 << 20;
    // Closes and forgets the file of the last DownloadFile.
    void freeStream();

    // From any thread: the transfer running (or the next one) ends with
    // EDescargaCancelada.
    void cancela();

    // How a thread owning a worker cancels the client that worker keeps on
    // its own stack: cancela reaches the client linked at that moment, or the
    // next one linked, and never one already gone.
    class TCancelacion {
    public:
        // From any thread.
        void cancela();
        bool cancelada() const { return m_cancelada; }

        // While it lives, cancela reaches `cliente`; a cancellation that came
        // before is passed on at once.
        class TEnlace {
        public:
            TEnlace(TCancelacion& cancelacion, TIdHTTPProgress& cliente);
            ~TEnlace();
            TEnlace(const TEnlace&) = delete;
            TEnlace& operator=(const TEnlace&) = delete;

        private:
            TCancelacion& m_cancelacion;
        };

    private:
        std::atomic_bool m_cancelada = false;
        QMutex m_candado;
        TIdHTTPProgress* m_cliente = nullptr;
    };

signals:
    void OnChange(int progress);
    // Internal: carries a cancellation into the client's thread.
    void abortaSolicitado();

public slots:
    void IdHTTPWorkBegin(qint64 esperado);
    void IdHTTPWork(qint64 recibidos);
    void IdHTTPWorkEnd();

private:
    void setProgress(int progreso);
    // `maximo` bytes at most (none when negative).
    void transfiere(const QString& direccion, QIODevice& destino, qint64 maximo = -1);

    QNetworkAccessManager* m_red;
    std::unique_ptr<QFile> LDestStream;
    QList<QSslCertificate> m_autoridades;
    QList<QPair<QByteArray, QByteArray>> m_encabezados;
    int m_readTimeout = READ_TIMEOUT;
    int m_plazo = 0;
    int m_progress = 0;
    qint64 m_bytesToTransfer = 0;
    std::atomic_bool m_cancelado = false;
};
