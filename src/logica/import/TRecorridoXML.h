#pragma once
#include <QFileInfo>
#include <QString>

#include <functional>

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
class TRecorridoXML {
public:
    explicit TRecorridoXML(const QString& carpeta) : m_carpeta(carpeta) {}

    // Calls `archivo` with the absolute path of each file taken, in order.
    // The walk stops before the next file when `detener` answers true, and
    // when `archivo` answers false. Returns whether it reached the end. A
    // folder that cannot be listed is passed over.
    bool recorre(const std::function<bool(const QString&)>& archivo, const std::function<bool()>& detener = {}) const;
    // How many files the walk takes.
    int cuenta(const std::function<bool()>& detener = {}) const;

    static bool esArchivoXML(const QFileInfo& info);
    static bool esCarpetaRecorrible(const QFileInfo& info);

private:
    bool recorreCarpeta(const QString& carpeta, const std::function<bool(const QString&)>& archivo,
                        const std::function<bool()>& detener) const;

    QString m_carpeta;
};
