#pragma once
#include "TImportadorXML.h"

#include "Logmanager.h"

#include <QString>

// The report of one import job: a CSV file beside the program log, one row
// per file taken (path, outcome, issuer RFC, UUID, reason), each written to
// the file as its outcome becomes final, before agrega() returns: a job of
// any size keeps no row in memory, and a job stopped (or killed) half way
// leaves the row of every file it counted as done. UTF-8 with a
// byte-order mark and CRLF line ends, fields quoted where they must be, so
// a spreadsheet on Windows opens it with its accents.
//
// The file is its owner's only (0600): it names businesses and their
// vouchers. A report that cannot be written never stops the import; the end
// message says so instead of giving its path.
class TReporteImportacion {
public:
    // Opens a new report in `carpeta` (the program folder), named after the
    // moment the job started.
    explicit TReporteImportacion(const QString& carpeta);
    ~TReporteImportacion();
    TReporteImportacion(const TReporteImportacion&) = delete;
    TReporteImportacion& operator=(const TReporteImportacion&) = delete;

    void agrega(const TResultadoArchivo& resultado);
    // Closes the file; nothing is buffered, so every row is already written.
    void cierra();

    // Empty when the report could not be opened.
    QString ruta() const { return m_ruta; }
    // Why the report could not be written, or empty.
    QString error() const { return m_error; }
    const TResumenImportacion& resumen() const { return m_resumen; }

    // "Proceso Terminado", then the tally, the first metadata files with rows
    // not stored and the first files not imported, each with its reason
    // (TResumenImportacion::conFilasNoGuardadas and noImportados, "y N más"
    // for the rest), where
    // the report is, and how many log lines were lost (a full disk) since
    // the report was opened.
    QString mensajeFinal() const;
    static QString mensajeFinal(const TResumenImportacion& resumen, const QString& ruta, const QString& error);

    // The outcome as the report and the summary name it.
    static QString estado(const TResultadoArchivo& resultado);
    // One CSV field: quoted when it holds a separator, a quote or a line
    // end, its quotes doubled; an apostrophe first when it begins as a
    // spreadsheet formula would (=, +, -, @, tab, carriage return).
    static QString campoCsv(const QString& valor);

private:
    void escribe(const QString& linea);

    int m_fd = -1;
    qint64 m_escritos = 0; // bytes of whole rows in the file
    QString m_ruta;
    QString m_error;
    TResumenImportacion m_resumen;
    Logmanager::TFallasLog m_fallasLog; // as they stood when the job began
};
