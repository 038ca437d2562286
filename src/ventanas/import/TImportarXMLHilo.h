#pragma once
#include "import/TImportadorXML.h"
#include "import/TReporteImportacion.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QString>
#include <QThread>

#include <memory>

class TLoteImportacion;

// Imports a folder tree of CFDI XML files: the thread only walks the folders
// (TRecorridoXML, the walk the count made); for each file it hands the UI
// thread two steps and waits for each, the progress (actualizaText) and the
// file's import (procesaArchivoXML), so files are imported one after another
// on the UI thread, committed in batches (TLoteImportacion). Stops between
// files when interrupted, committing the files already taken.
class TImportarXMLHilo : public QThread {
    Q_OBJECT
public:
    // Runs on the UI thread: the import (TImportadorXML) is made here, with
    // the empty business database and the first logo read from the resource
    // package, for the businesses it may have to create for `email`.
    TImportarXMLHilo(QProgressBar* PB, QLabel* Tx, const QString& directorio, const QString& email,
                     const QString& password);
    ~TImportarXMLHilo() override;

    // Files taken so far.
    int getContador() const { return contador; }
    // The outcome of the files imported so far; complete once the thread ended.
    const TResumenImportacion& resumen() const { return m_reporte.resumen(); }
    // The end message: "Proceso Terminado", the tally and where the report
    // of each file (beside the program log) was written.
    QString mensajeFinal() const { return m_reporte.mensajeFinal(); }

signals:
    // Each file's outcome, on the UI thread, as soon as it is final.
    void archivoTerminado(const TResultadoArchivo& resultado);

protected:
    void run() override;

private:
    void importarArchivoXML();
    void actualizaText();
    void procesaArchivoXML();
    void terminaImportacion();

    QPointer<QProgressBar> PB;
    QPointer<QLabel> Tx;
    QString directorio;
    QString nombreArchivoXML;
    QString email;
    QString password;
    int contador = 0;
    // Used on the UI thread only, inside the hand-offs.
    std::unique_ptr<TImportadorXML> m_importador;
    std::unique_ptr<TLoteImportacion> m_lote;
    TReporteImportacion m_reporte;
};
