#pragma once
#include "Errores.h"
#include "Esquema.h"
#include "TArchivoZip.h"
#include "TConexionSesion.h"

#include <QList>
#include <QString>

#include <functional>

class QIODevice;

// A business database written out as text and read back into another one,
// whatever engine either lives in: the backup of a business kept on a
// database server, restored into a file of this program folder or into an
// empty database of a server. Driven by the schema's description alone
// (Esquema::tablas()), so a table or column added there travels without
// a change here.
//
// The format (UTF-8, lines ended by "\n", fields separated by a tab):
//
//   velkor-volcado <TAB> 1 <TAB> esquema <TAB> 7
//       the format's version, then the schema version (Esquema::version())
//       of the program that wrote it.
//   tabla <TAB> COMPROBANTE <TAB> IDCOMPROBANTE:id <TAB> UUID:texto ...
//       a table, and its columns as name:type, the key first. Types: id,
//       texto, entero, grande, decimal, booleano, fecha, fechahora, binario,
//       ref.
//   fila <TAB> value <TAB> value ...
//       one row, its values in the columns' order; rows in ascending key
//       order.
//   fin-tabla <TAB> COMPROBANTE <TAB> rows
//   fin <TAB> tables <TAB> rows <TAB> SHA-256 (hex) of every byte before
//       this line.
//
// Tables come in an order where a table follows those its references point
// to (a table that points at itself, or tables that point at each other,
// cannot; the loader copes with either). Values: \N is NULL; a text is
// written whole, with "\\", "\t", "\n" and "\r" standing for a backslash, a
// tab, a line feed and a carriage return, so an empty field is an empty text
// and never NULL; id, entero, grande, ref and booleano (0 or 1) in decimal
// digits; decimal as the exact amount's shortest text ("0.1",
// "999999999999.999999"); fecha as yyyy-MM-dd; fechahora as
// yyyy-MM-ddTHH:mm:ss.zzz in the database's own (local) time; binario in
// base64.
namespace VolcadoNegocio {

// The format this version writes, and the newest it reads.
inline constexpr int VERSION_FORMATO = 1;
// The dump's name inside a backup's business folder.
inline const QString ARCHIVO = QStringLiteral("Velkor.volcado");

// Why a dump was not loaded. The message says it to the user, in Spanish.
class EVolcado : public EVelkor {
public:
    enum class TMotivo {
        Danado,            // not a dump, cut short, or altered
        Reciente,          // written by a newer program (format or schema)
        Desconocido,       // a table or column this program does not have
        DestinoOcupado,    // the target database holds rows already
        DestinoSinEsquema, // the target lacks tables or columns of this program
    };
    EVolcado(TMotivo motivo, const QString& mensaje) : EVelkor(mensaje), m_motivo(motivo) {}
    TMotivo motivo() const { return m_motivo; }
    QString clase() const override { return QStringLiteral("EVolcado"); }

private:
    TMotivo m_motivo;
};

struct TResumen {
    int tablas = 0;
    qint64 filas = 0;
};

// How far escribe or carga went: `hechas` of `total`, rows for escribe
// (counted before the first is written) and bytes of the dump for carga (its
// own row counts come after the rows). Told on the working thread as soon as
// it starts (hechas 0), then only when another thousandth is done, and last
// with hechas == total, so a caller may pass each report on to a window as
// it comes. Answering false stops the work, raising EArchivoCancelado;
// carga then has written nothing.
using TAvance = std::function<bool(qint64 hechas, qint64 total)>;

// Writes every table of the database on `conexion` to `salida`, a batch of
// rows at a time, all read in one transaction so the dump is one moment of
// the database even while other workstations write. Raises EBaseDatos when
// the database cannot be read, EEntradaSalida when `salida` cannot be
// written.
TResumen escribe(const TConexionSesion& conexion, QIODevice& salida, const TAvance& avance = {});

// Reads a dump into the database on `conexion`, which must have this
// program's whole schema and no row in any of its tables. Rows keep their
// keys; columns the dump does not carry (it came from an older schema) stay
// NULL. Rows go in in the dump's order; a reference to a row not in yet (a
// later key of its own table, or a table the dump brings later) is written
// NULL and set, by its key, once every row is in: the engine checks each
// reference as the row is written, and ordering rows by key alone would
// not do for a parent stored after its child. Everything goes in one
// transaction, committed only when the whole dump was read and found
// intact; the sequences are then moved past the keys
// (Esquema::ajustaSecuencias). Raises EVolcado for a dump or target that
// cannot be used (nothing is written then), EBaseDatos when the database
// refuses a row. `avance` hears of the bytes read only when `entrada` can
// tell its size (not a sequential device).
TResumen carga(QIODevice& entrada, const TConexionSesion& conexion, const TAvance& avance = {});

// The backup of a business whose database lives on a server, which has no
// database file here: the archive SecretoNegocio::archiva makes of the
// business folder (made when missing), with the database written out by
// escribe as DB_PATH + RFC + "/" + ARCHIVO in the place of the file. The
// dump is written in the folder first (libzip reads it from there when the
// archive is closed) and removed afterwards, whatever happens. Raises
// EVelkor (EBaseDatos, EEntradaSalida, EArchivoZip) when it cannot be
// written, EArchivoCancelado when `avanceVolcado` stops the dump's writing
// or `avance` the archive's; `archivoZip` is then as it was.
void archiva(const QString& archivoZip, const QString& rfc, const TConexionSesion& conexion, const QString& password,
             TArchivoZip::TCifrado cifrado, const TArchivoZip::TAvance& avance = {}, const TAvance& avanceVolcado = {});

// Each table after the tables its references point to, so that a loader
// reading in this order finds every referenced row already in place. A table
// that points at itself counts as placed; tables that point at each other
// have no such order, and go in the schema's order (the loader fills those
// references last).
QList<const TTabla*> ordenCarga();

} // namespace VolcadoNegocio
