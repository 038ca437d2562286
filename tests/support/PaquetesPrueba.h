#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// ZIP packages as the SAT's bulk download or a user would hand them over,
// made with libzip from the tests' bytes, and the damaged and hostile ones a
// reader must refuse.
namespace PaquetesPrueba {

struct TEntrada {
    QString nombre;   // written as given ("../x.xml" too); one ending "/" is a folder
    QByteArray datos; // deflated; a folder's are ignored
    QDateTime fecha;  // the modification time; invalid leaves libzip's own
};

// Writes `archivo` (replaced) with the entries in their order. False when
// libzip failed.
bool escribe(const QString& archivo, const QList<TEntrada>& entradas);

// Flips bytes in the middle of the stored (compressed) data of the entry
// `nombre`, so only reading its data can tell. False when it has none.
bool danaEntrada(const QString& archivo, const QString& nombre);

// Keeps the first `bytes` of the file, as an interrupted download does.
bool corta(const QString& archivo, qint64 bytes);

// A ZIP bomb: `entradas` entries "ceros_N.xml", each a genuine deflate stream
// with its true CRC that inflates to at least `expandido` zero bytes (the
// exact count, returned, is 1 + a multiple of 258; below 4 GiB, as the
// archive has no ZIP64 fields). Each byte of the stream stands for about a
// thousand inflated ones, and it is written directly rather than compressed,
// so a 3 GiB entry costs 3 MB and a few milliseconds. A `relleno` is stored
// last, uncompressed, as "relleno.bin": with bytes that do not compress it
// brings the package's ratio down to what an honest one has. 0 when it could
// not be written.
quint64 bomba(const QString& archivo, int entradas, quint64 expandido, const QByteArray& relleno = {});

// The real vouchers under tests/data/cfdi (their paths), sorted.
QStringList comprobantes();

} // namespace PaquetesPrueba
