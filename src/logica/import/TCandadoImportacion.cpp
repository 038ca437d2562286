#include "TCandadoImportacion.h"

#include "Constantes.h"
#include "Errores.h"
#include "Rutas.h"

#include <cerrno>

TCandadoImportacion::TCandadoImportacion()
    : m_candado(Rutas::programa({Constantes::DB_PATH, QStringLiteral(".importacion.lock")}))
{
    // Only a holder that is gone frees it, however long an import runs.
    m_candado.setStaleLockTime(0);
}

bool TCandadoImportacion::toma()
{
    errno = 0;
    const bool tomado = m_candado.tryLock(0);
    m_errno = errno;
    return tomado;
}

bool TCandadoImportacion::ocupado() const
{
    return m_candado.error() == QLockFile::LockFailedError;
}

QString TCandadoImportacion::mensaje() const
{
    // A full disk or a folder the user may not write is not another import,
    // and waiting would never end it.
    if (!ocupado())
        return QStringLiteral("No se pudo empezar la importación: no se pudo escribir en la carpeta %1 (%2).")
            .arg(Rutas::programa({Constantes::DB_PATH}),
                 Errores::delSistema(m_candado.error() == QLockFile::PermissionError ? EACCES : m_errno));
    qint64 proceso = 0;
    QString equipo;
    QString programa;
    m_candado.getLockInfo(&proceso, &equipo, &programa);
    return QStringLiteral("Otro programa (proceso %1) ya importa en la carpeta del programa %2. Espera a que "
                          "termine e inténtalo de nuevo.")
        .arg(proceso)
        .arg(Rutas::programa());
}
