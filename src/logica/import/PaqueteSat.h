#pragma once
#include "negocio/MetadatosSat.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>

class TArchivoZip;

// One entry of a ZIP package as the import takes it.
struct TEntradaPaquete {
    enum class TClase {
        Comprobante, // an XML voucher: `datos` holds its bytes
        Metadatos,   // a metadata file: read it with TPaqueteSat::leeMetadatos
        Terceros,    // the separate third-party file, read the same way
        Omitida,     // not a voucher (a folder, __MACOSX, a resource file, empty, text...): `motivo` says why
        Fallida      // could not be read (damaged, too large): `motivo` says why
    };
    TClase clase = TClase::Omitida;
    int indice = -1;  // in the archive
    QString nombre;   // as written in the archive, for the report
    QString motivo;   // Spanish, for Omitida and Fallida
    QByteArray datos; // Comprobante only
    QDateTime fecha;  // the entry's modification time, as the archive gives it
};

// A ZIP package of the SAT's bulk download, or any ZIP of vouchers a user
// gathered, read without ever writing its entries to the disk.
//
// Opening checks the whole package before any entry is read, with the limits
// the backup restore applies: an entry whose name would leave its folder
// (absolute, "..", a drive letter) or that is a link or a device, a package
// that would expand beyond TArchivoZip::MAXIMO_EXPANDIDO, or by more than
// TArchivoZip::RAZON_MAXIMA times its size once beyond
// TArchivoZip::EXPANDIDO_SIN_RAZON, is refused whole (EArchivoZip with the
// reason in Spanish), and so is a file that is not a ZIP or is cut short.
//
// Entries are classed by their names and contents:
// - folders, anything under "__MACOSX/", names starting "._" (resource
//   forks), empty entries: Omitida;
// - a name ending ".xml" in any letter case (also ".xml.xml"): Comprobante,
//   its bytes read and checked against the archive's CRC; one that is
//   damaged, encrypted or larger than TDocumentoXML::TAMANO_MAXIMO: Fallida;
// - a ".txt" whose first line is a metadata or third-party header
//   (TLectorMetadatos::tipoDe): Metadatos or Terceros; any other text file
//   and any other name: Omitida.
class TPaqueteSat {
public:
    // Raises EArchivoZip.
    explicit TPaqueteSat(const QString& archivo);
    ~TPaqueteSat();
    TPaqueteSat(const TPaqueteSat&) = delete;
    TPaqueteSat& operator=(const TPaqueteSat&) = delete;

    // How many entries recorre() hands over.
    int entradas() const;
    // Hands over each entry in the archive's order; stops when `entrada`
    // answers false or `detener` answers true. Returns whether it reached
    // the end.
    bool recorre(const std::function<bool(TEntradaPaquete& entrada)>& entrada,
                 const std::function<bool()>& detener = {}) const;
    // Streams a Metadatos or Terceros entry through `lector`. Raises
    // EArchivoZip when the entry is damaged.
    void leeMetadatos(int indice, TLectorMetadatos& lector) const;

    // Whether a path names a ZIP by its ending (".zip", any letter case).
    static bool esPaquete(const QString& ruta);
    // How many report rows a package yields: its entries, or 1 when it is
    // refused or cannot be opened (that one row says why). Never raises.
    static int filas(const QString& archivo);

private:
    std::unique_ptr<TArchivoZip> m_zip;
    QString m_archivo;
};
