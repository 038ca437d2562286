#pragma once
#include "TDestinoImportacion.h"
#include "TImportadorXML.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

class TTransaccion;

// Drives a TImportadorXML over many files, committing several at once: it
// keeps one transaction open on each business database the files reach, each
// file inside a savepoint of it (a file that fails is undone alone), and
// commits all of them, then names the copies of the files they hold, every
// `archivosPorLote` files, before a file would bring work to more than
// TNegociosImportacion::ABIERTOS databases (so the importer can keep only
// that many open), and at confirma(). With 1 every file is committed on its
// own.
//
// A result is final only once its batch is committed, so results are handed
// to `alTerminar` then, in the order of the files. When a database's commit
// fails, its files of that batch are reported Fallido with the error, their
// copies removed and the job's catalogue records of that database forgotten;
// the other databases' files stand.
//
// Only one batch drives an importer at a time. Destroyed before confirma(),
// it undoes what it holds uncommitted (a stop), removing those copies, and
// reports nothing more.
class TLoteImportacion : private TDestinoImportacion {
public:
    // With forced writes a commit writes every page the files touched: a
    // whole 4.0 voucher committed alone took about 37 ms, in batches of 200
    // under 2 ms. A folder's batch is sized by time, since vouchers differ
    // tenfold in their records and a count that suits small invoices commits
    // large ones too often; the count stays as a ceiling. A crash loses at
    // most the open batch, which the next import of the folder takes again.
    static constexpr int MS_POR_LOTE = 1000;
    static constexpr int ARCHIVOS_POR_LOTE_MAXIMO = 2000;

    // With `msPorLote` above 0 a batch is also committed once that many
    // milliseconds have passed since its first file.
    TLoteImportacion(TImportadorXML& importador, int archivosPorLote,
                     std::function<void(const TResultadoArchivo&)> alTerminar, int msPorLote = 0);
    ~TLoteImportacion();
    TLoteImportacion(const TLoteImportacion&) = delete;
    TLoteImportacion& operator=(const TLoteImportacion&) = delete;

    void importa(const QString& ruta);
    // The same, for a file the caller has already read.
    void importa(const QString& ruta, const TDocumentoXML& documento);
    // The voucher `entrada` of a ZIP package (TImportadorXML::importaEntrada).
    void importaEntrada(const QString& paquete, const QString& entrada, const QByteArray& bytes,
                        const TDocumentoXML* leido);
    // A result decided without the importer (a path the walk could not
    // take), handed over in its place among the files.
    void agrega(const TResultadoArchivo& resultado);
    // Commits what is open and hands over the results held.
    void confirma();

    int archivosPorLote() const { return m_archivosPorLote; }
    // Files imported since the last commit.
    int pendientes() const { return static_cast<int>(m_resultados.size()); }

private:
    struct TBase;

    void anota(const TResultadoArchivo& resultado);
    // The batch's transaction on that database, begun if need be.
    void abre(const TConexionSesion& conexion);
    // TDestinoImportacion: called by the importer while it handles a file.
    void abreBase(const TConexionSesion& conexion) override;
    void consultaBase(const TConexionSesion& conexion) override;
    bool copiaPendiente(const QString& definitiva, const TConexionSesion& conexion) override;
    void agregaCopia(const TConexionSesion& conexion, const QString& temporal, const QString& definitiva) override;
    void deshaz();

    TImportadorXML& m_importador;
    int m_archivosPorLote;
    int m_msPorLote;
    QElapsedTimer m_reloj; // since the first file of the open batch
    std::function<void(const TResultadoArchivo&)> m_alTerminar;
    QHash<QString, std::shared_ptr<TBase>> m_bases;
    // Each result held, with the database whose commit it waits for (empty
    // when it waits for none).
    QList<QPair<TResultadoArchivo, QString>> m_resultados;
    QString m_baseDelArchivo;
};
