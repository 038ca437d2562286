#include "CarpetaTemporal.h"

#include <QFile>

#include <cstdio>
#include <ftw.h>

namespace {

int borraEntrada(const char* ruta, const struct stat*, int, struct FTW*)
{
    return std::remove(ruta) == 0 ? 0 : -1;
}

} // namespace

TCarpetaTemporal::~TCarpetaTemporal()
{
    if (isValid() && autoRemove())
        borra(path());
}

bool TCarpetaTemporal::borra(const QString& ruta)
{
    // Depth first, so each folder is empty when its turn comes.
    return ::nftw(QFile::encodeName(ruta).constData(), borraEntrada, 16, FTW_DEPTH | FTW_PHYS) == 0;
}
