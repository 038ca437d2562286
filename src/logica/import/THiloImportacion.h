#pragma once
#include "TImportadorXML.h"

#include <QStringList>
#include <QThread>

// A window's import job on a thread of its own, on the parallel import
// (ImportacionCarpeta): the window stays responsive and the files go as fast
// as on the command line. Each file's outcome and the count of files done
// reach the window as signals, queued to its thread. requestInterruption()
// stops the job after the files in hand; what was committed stays.
class THiloImportacion : public QThread {
    Q_OBJECT
public:
    // `raiz` ends in "/". The report is written in the program folder.
    THiloImportacion(const QString& raiz, const TParametrosImportacion& parametros, QObject* parent = nullptr);

    // Once finished:
    const TResumenImportacion& resumen() const { return m_resumen; }
    // The tally and where the report is, the businesses the job created, and
    // whether it was cancelled or failed.
    QString mensajeFinal() const { return m_mensaje; }
    // Empty when the report could not be written.
    QString rutaReporte() const { return m_rutaReporte; }
    // "RFC – name" of each business the job created.
    const QStringList& creadas() const { return m_creadas; }
    bool cancelada() const { return m_cancelada; }

signals:
    void archivoTerminado(const TResultadoArchivo& resultado);
    void avance(int hechos);

protected:
    void run() override;

private:
    QString m_raiz;
    TParametrosImportacion m_parametros;
    TResumenImportacion m_resumen;
    QString m_mensaje;
    QString m_rutaReporte;
    QStringList m_creadas;
    bool m_cancelada = false;
};
