#pragma once
#include "Errores.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

typedef struct zip zip_t;

// Why an archive could not be read or written.
class EArchivoZip : public EEntradaSalida {
public:
    enum class TMotivo {
        NoSeAbre,           // not a zip archive, or cut short
        Danado,             // an entry's data fails its checks
        PasswordIncorrecto, // no password given opens an encrypted entry
        EntradaInsegura,    // an entry would land outside the destination
        Escritura,          // the destination could not be written
    };
    EArchivoZip(TMotivo motivo, const QString& mensaje) : EEntradaSalida(mensaje), m_motivo(motivo) {}
    TMotivo motivo() const { return m_motivo; }
    QString clase() const override { return QStringLiteral("EArchivoZip"); }

private:
    TMotivo m_motivo;
};

// The caller stopped the writing or the reading back of an archive (its
// TArchivoZip::TAvance answered false): nothing of what was being written is
// left behind.
class EArchivoCancelado : public EVelkor {
public:
    using EVelkor::EVelkor;
    QString clase() const override { return QStringLiteral("EArchivoCancelado"); }
};

// A zip archive, read or written through libzip: the catalogue download, the
// backup restore and the archive kept when a business is deleted.
//
// Reading never trusts the archive: entries whose names would leave the
// destination folder (absolute paths, "..", drive letters) or that are not
// plain files or folders (symbolic links, devices, pipes) refuse the whole
// archive before anything is written, and every byte is checked against the
// entry's CRC (and, for AES, its authentication code).
class TArchivoZip {
public:
    enum class TCifrado { Ninguno, Tradicional, Aes128 };

    // How far a long writing or reading back went, from 0 to 1, told on the
    // thread doing it; answering false stops it (EArchivoCancelado).
    using TAvance = std::function<bool(double fraccion)>;

    // Limits of what a backup may expand to: a business database compresses
    // about 40 to 1, so an archive that claims far more is not a backup.
    // The SAT's packages are held to the same limits (TPaqueteSat).
    static constexpr quint64 MAXIMO_EXPANDIDO = 16ull << 30;
    static constexpr quint64 RAZON_MAXIMA = 200;
    // Below this size the ratio is not asked: tiny archives compress anyhow.
    static constexpr quint64 EXPANDIDO_SIN_RAZON = 64ull << 20;

    struct TEntrada {
        // Relative path with "/" separators and no trailing "/"; empty when
        // the entry is unsafe.
        QString nombre;
        // As stored in the archive (for messages).
        QString original;
        bool directorio = false;
        bool segura = false;
        bool cifrada = false;
        quint64 tamano = 0;
        // The modification time the archive records (local time, as zip
        // archives keep it); invalid when it records none.
        QDateTime fecha;
    };

    // Opens for reading; raises EArchivoZip (NoSeAbre).
    explicit TArchivoZip(const QString& archivo);
    ~TArchivoZip();
    TArchivoZip(const TArchivoZip&) = delete;
    TArchivoZip& operator=(const TArchivoZip&) = delete;

    const QList<TEntrada>& entradas() const { return m_entradas; }
    // Whether every entry is safe to extract.
    bool esSeguro() const;
    // The index of the entry with that name (letter case ignored); -1 when none.
    int busca(const QString& nombre) const;

    // What the entries declare they expand to, all together.
    quint64 expandido() const;
    // Whether `expandido` bytes from an archive of `comprimido` bytes break
    // the limits above: beyond MAXIMO_EXPANDIDO, or beyond
    // EXPANDIDO_SIN_RAZON and more than RAZON_MAXIMA times `comprimido`.
    static bool excedeLimites(quint64 expandido, quint64 comprimido);
    // A size in whole MB, rounded up, as the refusals of an archive give it.
    static QString megas(quint64 bytes);

    // Extracts every entry below `destino` (created when missing). Encrypted
    // entries are tried with each password in order. Raises EArchivoZip; what
    // was written until then stays, so callers extract into a folder of their
    // own and move it into place only when this returned.
    void extraeTodo(const QString& destino, const QStringList& passwords) const;
    // Writes one file entry to `archivo` (replaced). Raises EArchivoZip.
    void extraeEntrada(int indice, const QString& archivo, const QStringList& passwords) const;
    // One unencrypted file entry read into memory, checked against its CRC.
    // Raises EArchivoZip: Danado when its data fails its checks or it holds
    // more than `maximo` bytes, PasswordIncorrecto when it is encrypted.
    QByteArray leeEntrada(int indice, qint64 maximo) const;
    // The same, a piece at a time: `trozo` gets each piece as it is
    // inflated and answers false to stop there. The CRC can only be checked
    // at the end, so the pieces already handed over of a damaged entry are
    // followed by the exception; a reading stopped early is not checked.
    // An encrypted entry is read only with a `password` given (one that
    // does not open it raises PasswordIncorrecto).
    void leeEntrada(int indice, const std::function<bool(const char* datos, qint64 largo)>& trozo,
                    const QString& password = QString()) const;
    // Reads every file entry back, deciphered with `password`, and checks
    // it against its CRC (and, for AES, its authentication code) and its
    // declared size: what a backup must pass before what it copies may go.
    // `avance` is told the share of the bytes read. Raises EArchivoZip
    // (Danado, PasswordIncorrecto) or EArchivoCancelado.
    void verifica(const QString& password, const TAvance& avance = {}) const;

    // A file entry made from memory, never written to the disk.
    struct TAgregado {
        QString nombre; // the entry's whole name, prefix included
        QByteArray datos;
    };

    // Archives the folder `carpeta` (its files and subfolders, hidden ones too,
    // symbolic links left out) into `archivoZip` (replaced), each entry named
    // `prefijo` + its path inside the folder; `prefijo` ends in "/" or is
    // empty, and its folders are added as entries of their own. Files listed
    // in `excluye` (absolute paths) are left out; the archive being written is
    // always left out. The `agregados` entries are added last, under the same
    // cipher, in the place of any file of the folder with their name. Raises
    // EArchivoZip (Escritura) with libzip's reason; `archivoZip` is then left
    // as it was (libzip writes a temporary file and renames it only when the
    // archive is complete). `avance` is told how far the writing went, and
    // stopping it (EArchivoCancelado) leaves `archivoZip` as it was too.
    static void comprime(const QString& archivoZip, const QString& carpeta, const QString& prefijo,
                         const QString& password, TCifrado cifrado, const QStringList& excluye = {},
                         const QList<TAgregado>& agregados = {}, const TAvance& avance = {});

    // The entry name made relative and clean, or an empty text when it would
    // leave the folder it is extracted into.
    static QString rutaSegura(const QString& nombre);

private:
    void copia(int indice, const QString& archivo, const QStringList& passwords) const;

    zip_t* m_zip = nullptr;
    QString m_archivo;
    QList<TEntrada> m_entradas;
};
