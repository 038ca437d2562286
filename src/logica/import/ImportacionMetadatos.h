#pragma once
#include "PaqueteSat.h"
#include "TImportadorXML.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <optional>

class TBaseDatosLocalFrm;

// The SAT's metadata files one job met, stored after its vouchers, so every
// business the job created for an issuer is there to take its rows.
//
// Each row goes to the business of its issuer and to the business of its
// receiver, when this program folder has them and the job's user may enter
// them (the same rule as for vouchers); a row for RFCs with neither is
// counted and passed over. A row seen again replaces the stored one when its
// package is as new or newer (the entry's date in its ZIP, or the file's),
// and a stored voucher takes its status (ConciliacionSat::guarda).
// Third-party files are read first and complete the rows of the job that
// name the same UUID.
//
// A file's rows are one unit of work per business: a file that cannot be
// read to its end leaves nothing of itself, one whose rows a business's
// database refuses at its commit reports which businesses kept theirs, and a
// rerun stores the same rows the same way.
class TImportacionMetadatos {
public:
    TImportacionMetadatos(TBaseDatosLocalFrm& registro, const TParametrosImportacion& parametros);

    // A metadata or third-party file of its own.
    void agregaArchivo(const QString& ruta);
    // A Metadatos or Terceros entry of the package `paquete`.
    void agregaEntrada(const QString& paquete, const TEntradaPaquete& entrada);
    int pendientes() const { return static_cast<int>(m_archivos.size()); }

    // Reads them all, one result (Metadatos or Fallido) per file handed to
    // `alResultado` once its rows are committed. `detenerse`, asked between
    // files and every few thousand rows, leaves the rest unread and
    // unreported, the file in hand with nothing of it stored. Never raises.
    void importa(const std::function<void(const TResultadoArchivo&)>& alResultado,
                 const std::function<bool()>& detenerse = {});

private:
    struct TArchivo {
        QString ruta;
        QString entrada; // empty for a file of its own
        int indice = -1;
        QDateTime fecha;
        bool terceros = false;
    };
    // Nothing when `detenerse` stopped it.
    std::optional<TResultadoArchivo> lee(const TArchivo& archivo, const std::function<bool()>& detenerse);
    void recorre(const TArchivo& archivo, TLectorMetadatos& lector) const;

    TBaseDatosLocalFrm& m_registro;
    TParametrosImportacion m_parametros;
    QList<TArchivo> m_archivos;
    // Third-party RFC and name by upper-case UUID.
    QHash<QString, QPair<QString, QString>> m_terceros;
};
