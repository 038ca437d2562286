#pragma once
#include "TDestinoImportacion.h"
#include "TImportadorXML.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QSet>
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
// A connection to a server dropped (a brief network cut) loses the work its
// transaction held and the import's hold on the business: the files of the
// batch stored there are imported again, as is the file that found it out,
// once the importer's businesses have the connection and the hold back
// (TNegociosImportacion::recupera), and are reported only then. When the
// server does not come back, or another workstation took the business
// meanwhile, those files fail with the reason, as do that business's later
// files, and the other businesses' files go on. A connection that drops again
// and again however often it comes back stops the job (EImportacionDetenida).
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
    // What a file was, to import it again: a package's entry keeps its bytes.
    struct TArchivo {
        QString ruta;
        QString entrada;
        QByteArray bytes;
        bool esEntrada = false;
        const TDocumentoXML* leido = nullptr; // the caller's, on the first try only
    };
    struct TPendiente {
        TResultadoArchivo resultado;
        QString base; // the database whose commit it waits for, or empty
        TArchivo archivo;
    };

    // Imports the file, and again whatever a dropped connection undid.
    void lleva(const TArchivo& archivo);
    TResultadoArchivo corre(const TArchivo& archivo);
    // After a failed file: the databases of the batch (and the file's
    // business) whose connection dropped get it back, and the files to
    // import again are added to `deshechos`; false when none dropped. Those
    // of a database whose server did not come back are held as failed, and
    // `ausente` says why when the file's own is one of them.
    bool recupera(const QString& rfc, QList<TArchivo>& deshechos, QString& ausente);
    // Gets each connection back; by database, why those that did not come
    // back failed.
    QHash<QString, QString> recuperaTodas(const QList<TConexionSesion>& perdidas);
    static void falla(TResultadoArchivo& resultado, const QString& motivo);
    // Forgets what the batch held on those databases, and gives back their
    // files' results.
    QList<TPendiente> descarta(const QSet<QString>& bases);
    void anota(const TResultadoArchivo& resultado, const TArchivo& archivo);
    // Commits what is open; the files of a database whose connection
    // dropped meanwhile go to m_porRehacer instead of being reported.
    void confirmaAbiertos();
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
    // Each result held, in the order of the files.
    QList<TPendiente> m_resultados;
    QString m_baseDelArchivo;
    // Commits in a row that found a connection dropped.
    int m_perdidasSeguidas = 0;
    // Files to import again, in their order, once the file in hand is done.
    QList<TArchivo> m_porRehacer;
};
