#pragma once
#include "TIdHTTPProgress.h"

#include <QString>
#include <QThread>

// The catalogue update: downloads the SAT catalogue archive (CATALOGO_ZIP)
// into the program folder's Update/ folder on its own thread, checks it and
// installs the database it holds as db/CFDCAT.DB.
//
// Nothing half-done is ever installed: the archive arrives under a temporary
// name, the database inside is extracted under another and opened with the
// embedded engine before it counts as downloaded; only then, on the UI
// thread, the installed catalogue is replaced in one rename. A failed,
// cancelled or damaged download leaves the installed catalogue as it was and
// no temporary file behind.
//
// A window drives it: `crea` (asks the user), connect `progreso` to the bar
// and the percentage label and `terminado` to the end of the flow (show the
// message, enable the link, hide the bar), connect `finished` to
// `deleteLater`, then `start()`. `cancela` from a Cancel button.
class TCatalogosHilo : public QThread {
    Q_OBJECT
public:
    enum TResultado {
        Instalado,  // the downloaded catalogue replaced the installed one (or was the first)
        SinCambios, // identical to the installed one, which was left untouched
        Cancelado,
        Fallido, // download, check or installation failed; the installed one is kept
    };
    Q_ENUM(TResultado)

    // Asks CONFIRMA_ACTUALIZA_CATALOGOS; nullptr when the user declines,
    // otherwise a thread (not started) for the address of direccionCatalogo.
    static TCatalogosHilo* crea(QObject* parent = nullptr);
    // The setting [Red] catalogo, else the resource package's getURLCatalogo.
    // UI thread (the package is called there).
    static QString direccionCatalogo();

    // The program folder is the session's (Sistema::exePath) at creation.
    explicit TCatalogosHilo(const QString& direccion, QObject* parent = nullptr);
    ~TCatalogosHilo() override;

    // Archive file name inside Update/ (spaces are removed).
    QString version;

    // From any thread.
    void cancela();

    // Runs on the UI thread once the download ended well: installs the
    // program folder's Update/CATALOGO_DB_ZIP as the catalogue when it differs from the
    // installed one (size or any byte). The UI thread's catalogue connection
    // is closed first so the next look-up reads the new file; connections of
    // other threads keep reading the file they opened.
    static TResultado compararCatalogos(QString* mensaje = nullptr);

signals:
    // Percentage of the download (0 to 100), from the worker thread.
    void progreso(int porcentaje);
    // On the UI thread, at the very end; `mensaje` is the text to show
    // (CATALOGO_FINALIZADO when it went well).
    void terminado(int resultado, const QString& mensaje);

protected:
    void run() override;

private:
    void inicio();
    void verificaBaseDatos(const QString& archivo) const;
    void actualizaFinal();

    QString m_direccion;
    QString m_carpeta;
    TIdHTTPProgress::TCancelacion m_cancelacion;
    // Written by the worker, read on the UI thread after it ended.
    bool m_descargado = false;
    TResultado m_resultado = Fallido;
    QString m_mensaje;
};
