#pragma once
#include "DocumentoXML.h"
#include "TCacheCatalogos.h"
#include "TEntidad.h"
#include "TNegociosImportacion.h"
#include "VerificacionSello.h"

#include <QByteArray>
#include <QList>
#include <QHash>
#include <QMetaType>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

class TBaseDatosCatalogosFrm;
class TBaseDatosLocalFrm;
class TDestinoImportacion;

// What became of one file.
struct TResultadoArchivo {
    enum TEstado {
        Importado, // its voucher is stored and its copy written
        YaExistia, // its business already had a voucher with that UUID
        Omitido,   // not a voucher the import takes (motivo says why)
        Fallido,   // an error; nothing of the file was kept (motivo is the error)
        Metadatos  // a file of the SAT's metadata, read (metadatos says what became of its rows)
    };
    TEstado estado = Omitido;
    QString ruta;
    // The entry of the ZIP package `ruta` this result is about; empty for a
    // file of its own (and for the row of a package refused whole).
    QString entrada;
    // Whether `ruta` is a ZIP package (its entries', or the package's own row).
    bool dePaquete = false;
    QString motivo;
    QString version; // Constantes::CFDI_32... once recognised
    QString rfc;     // the issuer's RFC in upper case, once read and valid
    QString uuid;    // the stamp's UUID in upper case, once read and valid
    // A voucher already stored whose copy was missing or incomplete, and was
    // written again from the stored XML.
    bool copiaRestaurada = false;
    // What an imported voucher's records keep differently from the file (a
    // text longer than its column, stored cut), in words for the report.
    QStringList avisos;
    // The seal check of an imported voucher (verificado true), stored with it.
    bool verificado = false;
    VerificacionSello::TResultado verificacion;
    // A stored voucher now marked cancelled because the SAT's metadata says so.
    bool marcadoCancelado = false;

    // What became of the rows of a metadata file.
    struct TMetadatos {
        int filas = 0;      // read
        int guardadas = 0;  // stored or updated in a business (once per business that took them)
        int sinNegocio = 0; // neither its issuer nor its receiver has a business here
        int rechazadas = 0; // unreadable, or refused by their business (motivo says why)
        int cancelados = 0; // stored vouchers newly marked cancelled
        int vigentes = 0;   // stored vouchers marked cancelled that the SAT now lists in force
    } metadatos;

    // The path as messages name it: the package and its entry, or the file.
    QString nombre() const;
};

Q_DECLARE_METATYPE(TResultadoArchivo)

// The tally of a job, and the first files that were not imported, with their
// reasons, for the message shown at the end.
struct TResumenImportacion {
    // The end message names this many of the files not imported; the report
    // names every one. A folder of a million bad files keeps no more.
    static constexpr int NO_IMPORTADOS_EN_MEMORIA = 10;

    int importados = 0;
    int yaExistian = 0;
    int omitidos = 0;
    int fallidos = 0;
    int copiasRestauradas = 0;
    // Imported vouchers whose seal does not verify, and those whose
    // certificate is not the one they should carry (stored all the same).
    int alterados = 0;
    int certificadoNoCorresponde = 0;
    // ZIP packages met, their entries, metadata files read and their rows,
    // and stored vouchers newly marked cancelled (by a metadata row, or
    // stored after a row that said so).
    int paquetes = 0;
    int entradas = 0;
    int archivosMetadatos = 0;
    int filasMetadatos = 0;
    int filasSinNegocio = 0;
    int filasRechazadas = 0;
    int cancelados = 0;
    // The first NO_IMPORTADOS_EN_MEMORIA Omitido and Fallido, in order.
    QList<TResultadoArchivo> noImportados;
    // The metadata files some of whose rows were not stored, and the first
    // NO_IMPORTADOS_EN_MEMORIA of them, in order.
    int archivosConFilasNoGuardadas = 0;
    QList<TResultadoArchivo> conFilasNoGuardadas;

    void agrega(const TResultadoArchivo& resultado);
    int total() const { return importados + yaExistian + omitidos + fallidos + archivosMetadatos; }
    // Files not imported beyond those kept in noImportados.
    int noImportadosSinNombrar() const { return omitidos + fallidos - int(noImportados.size()); }

private:
    // A few hundred packages at most: their rows come in any order, from
    // several threads.
    QSet<QString> m_paquetes;
};

// What the import needs beyond the files.
struct TParametrosImportacion {
    // Owner of each business created for an issuer the registry does not know.
    QString email;
    QString password;
    // The acting user stamped on every record (Ultimamodificacionpor).
    int usuario = -1;
    // The empty business database (DB_SISTEMA_NOMBRE_RESOURCE) and the first
    // logo (IMG_EMPRESA_DEFAULT), read from the resource package by the caller.
    QByteArray plantilla;
    QByteArray logo;
    // Whether making the importer removes the temporary copies an earlier job
    // left; a job of several importers has the first one do it.
    bool limpiaTemporales = true;
    // Whether each voucher's seals are checked as it is imported; only a
    // measurement of the import without it turns it off.
    bool verificaSellos = true;
    // Where the businesses created for new issuers get their databases: a
    // server (its database field the folder on a Firebird server), or, with
    // no provider, files in this program folder.
    TConexionSesion servidorNuevos;
    // The servers the job gave up, shared by its importers (a parallel job
    // hands its threads one); each importer keeps its own when null.
    std::shared_ptr<TServidoresAusentes> ausentes;
};

// Where an importer's time went (nanoseconds), for the account of the
// threads a job writes to the log at its end: the parts a change to the
// import's speed can move.
struct TTiemposImportacion {
    qint64 lectura = 0;      // files read and parsed again by the thread
    qint64 consulta = 0;     // looking up whether each voucher is stored already
    qint64 sellos = 0;       // seal checks
    qint64 guardado = 0;     // the records' statements, savepoint included
    qint64 copias = 0;       // temporary copies written, then named
    qint64 confirmacion = 0; // commits
};

// Imports CFDI XML files, one at a time, into the businesses that issued
// them; used by one thread, the one that calls it. Window-free: the import
// window, the command-line import and the benchmark drive it alike.
//
// A file is read once and kept as it came: the stored XML and the copy in the
// business's invoice folder (Facturas/<RFC>/XML/<UUID>.xml, the UUID as
// stored, in upper case) are its original bytes. Its version is decided by
// the SAT schema location it names (3.2, 3.3, 4.0); its issuer's RFC and its
// stamp's UUID name folders and files, so a file whose RFC or UUID is not in
// the SAT's form is passed over with the reason, never used as a path.
//
// Everything one file stores in its business's database is one unit of work
// (TPuntoGuardado): a file that fails leaves nothing behind and its copy is
// not written; a business created for it stays registered. The copy is first
// written under a temporary, hidden name and takes its own name only once the
// voucher is committed, so a copy never exists without its voucher; a voucher
// whose copy is missing (a stop between the commit and the rename) gets it
// back the next time its file is imported, and leftover temporary copies are
// removed when an importer is made (TParametrosImportacion::limpiaTemporales).
//
// A voucher already stored for the same business under the same UUID (letter
// case aside) is not stored again; the same UUID under another business is
// another voucher.
//
// The job keeps, and nothing per file: the businesses met (the registry read
// once per issuer; only the databases of the last few used stay open,
// TNegociosImportacion::ABIERTOS) and the catalogue records of each business
// database while it is open (TCacheCatalogos).
class TImportadorXML {
public:
    TImportadorXML(TBaseDatosLocalFrm& registro, const TBaseDatosCatalogosFrm& catalogo,
                   const TParametrosImportacion& parametros);
    ~TImportadorXML();
    TImportadorXML(const TImportadorXML&) = delete;
    TImportadorXML& operator=(const TImportadorXML&) = delete;

    // Imports one file. Alone, its work is committed and its copy named
    // before the call returns; with a destination (a batch,
    // TLoteImportacion) the destination commits it. Raises only
    // EImportacionDetenida (the job cannot go on); any other error is the
    // Fallido result, also written to the program log ("Error en el archivo
    // ...", level 3).
    TResultadoArchivo importa(const QString& ruta);
    // The same, for a file the caller has already read into `documento`.
    TResultadoArchivo importa(const QString& ruta, const TDocumentoXML& documento);
    // The same, for the voucher `entrada` of the ZIP package `paquete`, whose
    // bytes the caller read (and, when `leido` is not null, parsed).
    TResultadoArchivo importaEntrada(const QString& paquete, const QString& entrada, const QByteArray& bytes,
                                     const TDocumentoXML* leido = nullptr);
    // The Fallido result of a path the folder walk met and could not take
    // (TRecorridoXML), logged as a file's error is.
    static TResultadoArchivo inaccesible(const QString& ruta, const QString& motivo);
    // The same for a result already filled in (a package's entry): Fallido,
    // logged under its name.
    static TResultadoArchivo inaccesible(TResultadoArchivo resultado);

    // The copy of a voucher in the program folder, and the same path relative
    // to the program folder, as the voucher keeps it (Pathxml).
    static QString rutaCopia(const QString& rfc, const QString& uuid);
    static QString rutaGuardada(const QString& rfc, const QString& uuid);
    // Removes the temporary copies an earlier job left in the invoice
    // folders of the program folder; returns how many.
    static int limpiaCopiasTemporales();
    // The copy takes its own name in one step, replacing whatever had it.
    static void nombraCopia(const QString& temporal, const QString& definitiva);

    // Hands the work of the files that follow to `destino` (not owned), or
    // back to the importer itself with nullptr.
    void setDestino(TDestinoImportacion* destino) { m_destino = destino; }

    const TNegociosImportacion& negocios() const { return m_negocios; }
    TNegociosImportacion& negocios() { return m_negocios; }
    TCacheCatalogos& catalogos() { return m_catalogos; }
    TTiemposImportacion& tiempos() { return m_tiempos; }

private:
    TResultadoArchivo importa(TResultadoArchivo resultado, const TDocumentoXML* leido, const QByteArray* bytes);
    void procesa(TResultadoArchivo& resultado, const TDocumentoXML* leido, const QByteArray* bytes);
    // Whether the business holds a metadata row saying the voucher was
    // cancelled; its date as written in `fecha`.
    bool canceladoSegunSat(const TNegociosImportacion::TNegocioImportado& negocio, const QString& uuid, QString& fecha);
    TNegociosImportacion::TEmisor emisor(const TDocumentoXML& documento, const QString& version) const;
    void guarda(const TDocumentoXML& documento, const QString& version,
                const TNegociosImportacion::TNegocioImportado& negocio, const TResultadoArchivo& resultado);
    void restauraCopia(const QString& definitiva, const QByteArray& bytes, TResultadoArchivo& resultado);
    // A file whose UUID its business already holds: whether it is the stored
    // voucher or another one under the same UUID, told by its seal.
    void comparaConGuardado(const QByteArray& guardado, const TDocumentoXML& documento,
                            TResultadoArchivo& resultado) const;
    static QStringList avisos(const QList<TRecorte>& recortes, const QString& version);

    TNegociosImportacion m_negocios;
    const TBaseDatosCatalogosFrm& m_catalogo;
    TParametrosImportacion m_parametros;
    TCacheCatalogos m_catalogos;
    // UUIDs this job stored in the businesses it created, by RFC. Such a
    // business holds nothing else (one job at a time per program folder), so
    // a UUID missing here is not in its database either and needs no look-up.
    // One that is here may still have been undone: it is looked up.
    QHash<QString, QSet<QString>> m_guardadosEnNuevos;
    // The cancelled metadata rows of each business met (UUID to date), read
    // once per business and job: a handful, however many vouchers come.
    QHash<QString, QHash<QString, QString>> m_cancelados;
    TDestinoImportacion* m_destino = nullptr;
    TTiemposImportacion m_tiempos;
};
