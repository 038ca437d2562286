#pragma once
#include "TIdHTTPProgress.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QThread>

// The update check: on its own thread, reads the published version list and
// compares its latest version with the program's.
//
// A window drives it each time the wizard is shown: create it, connect
// `terminado` (show the update link and both update images for Disponible,
// hide them for AlDia, leave them for SinDatos and Cancelado) and `finished` to
// `deleteLater`, then `start()`. The link then calls iniciaActualizador and,
// when it returns true, ends the program.
class TVerificaUpdate : public QThread {
    Q_OBJECT
public:
    enum TEstado {
        Disponible, // the published version differs from the program's
        AlDia,
        SinDatos,  // no list could be read, or it names no version
        Cancelado, // by cancela; the indicators stay as they are
    };
    Q_ENUM(TEstado)

    // The address is resolved here, on the UI thread (direccionVersiones).
    explicit TVerificaUpdate(QObject* parent = nullptr);
    // Cancels the check and waits for its end.
    ~TVerificaUpdate() override;

    // Milliseconds the download of the list may take in all.
    static constexpr int PLAZO = 60000;

    // From any thread: the check ends at once, as Cancelado.
    void cancela();

    // The setting [Red] actualizaciones, else the update-name package's
    // getUpdatePath followed by getUpdateName; empty when neither exists.
    static QString direccionVersiones();
    // The program's version, four numbers joined by "." (CMake's project
    // version, missing parts as 0).
    static QString getVersionSistema();
    // The latest version named by a version list: lines, a line holding "-"
    // is a note, any other non-empty line a version line whose text after its
    // first space is the version. The last version line wins; the notes after
    // it go to `notas`. Empty when the list has no version line.
    static QString ultimaVersion(const QByteArray& lista, QStringList* notas = nullptr);

    // Asks CONFIRMA_ACTUALIZACION; on OK starts the program folder's
    // ACTUALIZADOR as a process of its own with the termination signals
    // unblocked. True when it started (the caller then ends the program);
    // a missing or failing updater shows ERR_ACTUALIZADOR.
    static bool iniciaActualizador();

signals:
    // On the receiver's thread: the outcome, the latest published version
    // and its notes.
    void terminado(int estado, const QString& ultima, const QStringList& notas);

protected:
    void run() override;

private:
    void buscaUpdate();

    QString m_direccion;
    QString m_carpeta;
    TIdHTTPProgress::TCancelacion m_cancelacion;
};
