#pragma once
#include <QString>

class TConexionSesion;

// Where an importer's work goes while something else decides when it is
// committed (TLoteImportacion). Without one, the importer commits each file
// and names its copy before it returns.
class TDestinoImportacion {
public:
    virtual ~TDestinoImportacion() = default;

    // The importer is about to store a file in this database: its work must
    // land inside a transaction the destination holds open.
    virtual void abreBase(const TConexionSesion& conexion) = 0;
    // The importer is about to look for the file's voucher in this database:
    // the look-up must run inside that same transaction, since alone it would
    // be a transaction of its own, committed to disk, for every file a
    // re-import finds already stored. A file found there waits for no commit.
    virtual void consultaBase(const TConexionSesion& conexion) = 0;
    // Whether a file stored earlier and not committed yet already waits to
    // give its copy this name, in this database.
    virtual bool copiaPendiente(const QString& definitiva, const TConexionSesion& conexion) = 0;
    // A file is stored: its copy, written under `temporal`, takes the name
    // `definitiva` once the destination commits.
    virtual void agregaCopia(const TConexionSesion& conexion, const QString& temporal, const QString& definitiva) = 0;

protected:
    TDestinoImportacion() = default;
    TDestinoImportacion(const TDestinoImportacion&) = default;
    TDestinoImportacion& operator=(const TDestinoImportacion&) = default;
};
