#pragma once
#include <QByteArray>
#include <QString>

// The one check every picture passes before it is stored (business image,
// profile picture): a file that is too large or does not decode as an image
// would otherwise sit in the database and fail every later read.
namespace RevisionImagen {

// Largest picture stored, in bytes. Pictures are shown at about 170x80 and
// 123x123 pixels; four megabytes leaves room for any photograph.
inline constexpr qint64 TAMANO_MAXIMO = 4 * 1024 * 1024;

// Reads the file at `ruta` into `datos` when it is a regular file no larger
// than TAMANO_MAXIMO that decodes as an image. Otherwise returns the Spanish
// message that says why, and leaves `datos` empty.
QString lee(const QString& ruta, QByteArray& datos);

// The same check on bytes already read.
QString revisa(const QByteArray& datos);

} // namespace RevisionImagen
