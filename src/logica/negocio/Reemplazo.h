#pragma once
#include <QFile>
#include <QString>

#include <cstdio>

namespace Archivos {

// Puts `origen` in the place of `destino` in one step (same file system): a
// reader sees the old file or the new one, never a mix, and a failure leaves
// `destino` as it was. QFile::rename refuses an existing destination.
inline bool reemplaza(const QString& origen, const QString& destino)
{
    return std::rename(QFile::encodeName(origen).constData(), QFile::encodeName(destino).constData()) == 0;
}

} // namespace Archivos
