#pragma once
#include <QList>
#include <QPair>
#include <QString>

#include <sys/types.h>

// Archives the program itself never writes, made with libzip for the tests
// that must refuse them.
namespace ZipPrueba {

// One short entry per name; a kind other than 0 (S_IFLNK, S_IFCHR, ...) is
// written as the entry's Unix file type. False when libzip failed.
bool crudo(const QString& archivo, const QList<QPair<QString, mode_t>>& entradas);

// Archives `carpeta` with traditional encryption and `password` until the
// archive lets `falso` through the one-byte password check of its first
// file entry (about one archive in 256), so only the data can tell that
// `falso` is wrong. False when no such archive came out.
bool tradicionalQueEngana(const QString& archivo, const QString& carpeta, const QString& prefijo,
                          const QString& password, const QString& falso);

} // namespace ZipPrueba
