#pragma once
#include "TImportadorXML.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <functional>

class TReporteImportacion;

// One job over a folder tree, as the command line and the windows run it:
// the walk (TRecorridoXML) fed to the parallel import (TImportacionParalela,
// as many threads as the machine is worth), committed in batches.
namespace ImportacionCarpeta {

// What a job needs beyond the files: the owner of the businesses it may
// create, and the empty business database and first logo of the resource
// package (empty when the package lacks them).
TParametrosImportacion parametros(const QString& email, const QString& password);

// Imports every file under `raiz` (ending in "/"), or the one file `raiz`
// names: CFDI XML files, ZIP packages (their vouchers as files of their own,
// TPaqueteSat) and the SAT's metadata files, alone or in packages, which are
// stored last (TImportacionMetadatos), once every voucher of the job is. Each final result is added
// to `reporte`, then handed to `alResultado`, on the calling thread as its
// batch commits. `detenerse`, asked between files and while the threads
// work, stops the job after the files in hand: the files not started are
// dropped and what was done is committed. Returns the files reported. Raises
// what the import raises.
int importa(const QString& raiz, const TParametrosImportacion& parametros, TReporteImportacion& reporte,
            const std::function<bool()>& detenerse,
            const std::function<void(const TResultadoArchivo&)>& alResultado = {});

// How many results importa() reports for `raiz`: its files, each package's
// entries (or 1 for a package refused), and the paths it cannot take.
int cuenta(const QString& raiz, const std::function<bool()>& detenerse = {});

// The findings of the SAT's metadata against the stored vouchers
// (ConciliacionSat) of every registered business the user `email` may enter
// with `password`, written to `archivoCsv` (replaced whole, mode 0600).
// Businesses refused to that user are named in `omitidos`, with the reason.
// Returns the findings written. Raises EEntradaSalida when the file cannot
// be written, EBaseDatos when a database cannot be read.
struct TConciliacion {
    int negocios = 0;
    int hallazgos = 0;
    QList<int> porTipo; // in THallazgoSat::TTipo's order
    QStringList omitidos;
};
TConciliacion escribeConciliacion(const QString& archivoCsv, const QString& email, const QString& password);
// Why the conciliation may not be written to `archivoCsv` (a folder, the
// file `entrada` being imported, an existing file that is no CSV); empty
// when it may.
QString destinoConciliacion(const QString& archivoCsv, const QString& entrada);
// Its summary for the end message.
QString textoConciliacion(const TConciliacion& conciliacion, const QString& archivoCsv);

// The registered businesses as "RFC|name", to tell afterwards which ones a
// job created.
QStringList empresasRegistradas();
// The businesses of `despues` that `antes` lacks, as "RFC – name".
QStringList empresasCreadas(const QStringList& antes, const QStringList& despues);
// The end message's paragraph naming them; empty when there are none.
QString textoEmpresasCreadas(const QStringList& creadas);

} // namespace ImportacionCarpeta

// The pace of a job: files per second since it started, and the time left
// for the files counted.
class TRitmoImportacion {
public:
    TRitmoImportacion() { m_reloj.start(); }
    double porSegundo(int hechos) const;
    // -1 while it cannot be told: nothing done yet, or more done than counted.
    qint64 segundosRestantes(int hechos, int total) const;
    // "h:mm:ss"
    static QString duracion(qint64 segundos);
    // "120 archivos/s · faltan 0:01:05" (or without the time left while it
    // cannot be told).
    QString texto(int hechos, int total) const;

private:
    QElapsedTimer m_reloj;
};
