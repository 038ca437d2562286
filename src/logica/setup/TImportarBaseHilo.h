#pragma once
#include <QString>
#include <QStringList>
#include <QThread>

// The registry rebuild: on its own thread, finds the business databases
// below the program folder's db/ (one folder per business holding
// DB_SISTEMA_NOMBRE, or DB_SISTEMA_NOMBRE_ANTERIOR in older folders), reads
// each through a connection of its own (embedded engine) and registers every
// business that has an active user, once, with an active registration that
// leads to that file. Databases that cannot be read, or hold no active user
// or no business, are skipped and logged. A business the registry already
// lists when the pass starts (one on a server, which
// Respaldo::reiniciaRegistro kept) is not registered again from a copy of
// it found in db/: its registration says where it lives.
//
// A window drives it after Respaldo::reiniciaRegistro: create it, connect
// `terminado` (show the restart notice, rebuild the tiles) and `finished`
// to `deleteLater`, then `start()`.
class TImportarBaseHilo : public QThread {
    Q_OBJECT
public:
    // The program folder is the session's (Sistema::exePath) at creation.
    explicit TImportarBaseHilo(QObject* parent = nullptr);
    ~TImportarBaseHilo() override;

signals:
    // From the worker thread: `hechas` of the `total` databases read.
    void avance(int hechas, int total);
    // On the UI thread once the pass is over: the RFCs registered, and the
    // database files skipped.
    void terminado(const QStringList& registradas, const QStringList& omitidas);

protected:
    void run() override;

private:
    void cargaBaseDatos();
    void ExtraeInformacion(const QString& archivo);
    void terminaHilo();

    QString m_carpeta;
    // The RFCs the registry listed when the pass started.
    QStringList m_yaRegistradas;
    // Written by the worker, read on the UI thread after it ended.
    QStringList m_registradas;
    QStringList m_omitidas;
};
