#pragma once
#include "TImportadorXML.h"

#include <QString>

#include <functional>
#include <memory>

class TBaseDatosCatalogosFrm;
class TBaseDatosLocalFrm;

// Imports files on several threads, each with its own importer, batch
// (TLoteImportacion) and database connections. A file goes to a thread by its
// issuer's RFC, so a business database is written by one thread only: its
// batch transaction, its duplicate check and its shared records behave as in
// a job of one thread, and two threads never create the same business.
//
// The caller reads each file to learn its issuer and queues it, keeping the
// document for the thread. While a thread is short of work the caller reads
// ahead, up to EN_ESPERA files: folders usually hold one issuer's files
// together, and a thread can only help once the caller has reached another
// issuer's files. Each thread writes "Archivo a importar: <ruta>" to the
// program log as it starts a file.
//
// Results reach `alTerminar` on the calling thread once their batch is
// committed, in the order the threads finish them: during importa() and
// confirma(). Destroyed before confirma(), every thread undoes what it holds
// uncommitted, as a batch does, and nothing more is reported.
class TImportacionParalela {
public:
    // Files queued and not yet started before importa() waits whatever the
    // threads do: paths only beyond the first few per thread, a few
    // megabytes at most.
    static constexpr int EN_ESPERA = 20000;
    // Bytes of package entries queued and not yet started before
    // importaEntrada() waits: entries cannot be read again, so they wait
    // with their bytes.
    static constexpr qint64 BYTES_EN_ESPERA = 64LL * 1024 * 1024;

    // The threads worth running on this machine: one more than its cores,
    // at most four.
    static int hilosDeEsteEquipo();

    TImportacionParalela(int hilos, int archivosPorLote, TBaseDatosLocalFrm& registro,
                         const TBaseDatosCatalogosFrm& catalogo, const TParametrosImportacion& parametros,
                         std::function<void(const TResultadoArchivo&)> alTerminar, int msPorLote = 0);
    ~TImportacionParalela();
    TImportacionParalela(const TImportacionParalela&) = delete;
    TImportacionParalela& operator=(const TImportacionParalela&) = delete;

    void importa(const QString& ruta);
    // The voucher `entrada` of the ZIP package `paquete`, read by the caller:
    // its bytes travel with it, since nothing can read it again.
    void importaEntrada(const QString& paquete, const QString& entrada, const QByteArray& bytes);
    // A result decided without an importer (a path the walk could not take):
    // handed to `alTerminar` at once, on the calling thread.
    void agrega(const TResultadoArchivo& resultado);
    // Waits for every queued file and commits what every thread holds,
    // handing over the results as they come. `detenerse`, asked every tenth
    // of a second, stops the job: each thread ends the file it is on, the
    // files not started are dropped (never reported), and what was done is
    // committed. Raises what a thread raised, if one did.
    void confirma(const std::function<bool()>& detenerse = {});

private:
    struct TCompartido;
    struct TTrabajador;
    void entrega();
    // Writes to the log where each thread's time went.
    void anotaTiempos() const;
    struct TEncargo;
    // Read to learn the issuer, whose thread takes it.
    void encola(TEncargo&& encargo, const std::function<TDocumentoXML()>& lee);
    void encola(TEncargo&& encargo, const QString& rfc);

    std::shared_ptr<TCompartido> m_compartido;
    std::function<void(const TResultadoArchivo&)> m_alTerminar;
};
