#pragma once
#include <QByteArray>
#include <QFileInfo>
#include <QString>

#include <functional>
#include <optional>

// The walk of a folder tree of XML files, the one both the count and the
// import make, so the count always equals what the import takes.
//
// The Windows rules the import was written for, as they read here: a file is
// taken when it is a regular file (not a link, not a folder), not hidden, and
// its name ends in ".xml" in any letter case (Windows matched "*.xml" that
// way); a folder is entered when it is a real directory (not a link), not
// hidden and writable (Windows entered only folders with no attribute but
// "folder", so read-only and hidden ones stayed out). The files of a folder
// come before its subfolders, both in name order, so two walks of the same
// tree take the same files in the same order. The chosen folder itself is
// walked whatever its attributes.
//
// What those rules would take and the walk cannot reach is never passed over
// in silence: a folder that cannot be listed or entered (its permissions),
// a file or folder whose name is not valid UTF-8 (the program names files
// by Unicode text, which cannot hold such a name), and one whose path
// reaches PATH_MAX (deep in nested folders: the system refuses such a path
// whole, and the walk enters no folder below it), each go to `inaccesible`
// with the reason, after the files of their folder, in the order of their
// names' bytes.
//
// A caller that must account for every path may also ask for what the rules
// pass over on purpose and a user may have meant (avisaOmitidos): a folder
// inside that is read-only, and a link to a folder or to a file the walk
// would take. Hidden entries stay silent: a walk over a home folder meets
// hundreds, and hiding is how a user keeps a file out.
class TRecorridoXML {
public:
    using TArchivo = std::function<bool(const QString& ruta)>;
    // The path as it can be shown (bad bytes as \xNN) and why it is not taken.
    using TInaccesible = std::function<bool(const QString& ruta, const QString& motivo)>;

    // What the walk takes besides ".xml" files.
    enum class TArchivos {
        SoloXML,
        // Also ZIP packages (".zip", any letter case) and the SAT's metadata
        // files (".txt" whose first line is a metadata header), by the same
        // rules; other text files stay out, as before.
        ConPaquetes
    };

    // Why a path was passed over.
    enum class TOmision { CarpetaSoloLectura, EnlaceCarpeta, EnlaceArchivo };
    using TOmitido = std::function<bool(const QString& ruta, TOmision porque)>;

    explicit TRecorridoXML(const QString& carpeta, TArchivos archivos = TArchivos::SoloXML)
        : m_carpeta(carpeta), m_archivos(archivos)
    {
    }

    // `omitido` gets each path passed over on purpose, where the walk meets
    // it among its folder's files (in name order, before the subfolders); an
    // answer false stops the walk. Unset, nothing is said of them.
    TRecorridoXML& avisaOmitidos(TOmitido omitido)
    {
        m_omitido = std::move(omitido);
        return *this;
    }

    // Calls `archivo` with the absolute path of each file taken, in order (under
    // ConPaquetes, a file given instead of a folder is the one file taken), and
    // `inaccesible` for each path that cannot be taken. The walk stops before
    // the next path when `detener` answers true, and when a callback answers
    // false. Returns whether it reached the end.
    bool recorre(const TArchivo& archivo, const TInaccesible& inaccesible,
                 const std::function<bool()>& detener = {}) const;
    // The same, for a caller that only wants the files it can read: paths
    // that cannot be taken are left out.
    bool recorre(const TArchivo& archivo, const std::function<bool()>& detener = {}) const;
    // How many paths the walk meets: files taken and paths that cannot be.
    int cuenta(const std::function<bool()>& detener = {}) const;

    static bool esArchivoXML(const QFileInfo& info);
    // esArchivoXML, or under ConPaquetes a package or a metadata file.
    bool toma(const QFileInfo& info) const;
    static bool esCarpetaRecorrible(const QFileInfo& info);
    // A name as the program can show it: valid UTF-8 decoded, each other
    // byte written as \xNN.
    static QString nombreLegible(const QByteArray& nombre);

private:
    // Whether a plain file of that name would be taken.
    bool tomaPorNombre(const QFileInfo& info) const;
    // Why a path not taken is passed over, when the caller asked and it is
    // one to tell.
    std::optional<TOmision> omision(const QFileInfo& info) const;
    bool recorreCarpeta(const QString& carpeta, const TArchivo& archivo, const TInaccesible& inaccesible,
                        const std::function<bool()>& detener) const;

    QString m_carpeta;
    TArchivos m_archivos;
    TOmitido m_omitido;
};
