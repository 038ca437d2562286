#include "TCandadoImportacion.h"

#include "Constantes.h"
#include "Rutas.h"

TCandadoImportacion::TCandadoImportacion()
    : m_candado(Rutas::programa({Constantes::DB_PATH, QStringLiteral(".importacion.lock")}))
{
    // Only a holder that is gone frees it, however long an import runs.
    m_candado.setStaleLockTime(0);
}

bool TCandadoImportacion::toma()
{
    return m_candado.tryLock(0);
}

QString TCandadoImportacion::mensaje() const
{
    qint64 proceso = 0;
    QString equipo;
    QString programa;
    m_candado.getLockInfo(&proceso, &equipo, &programa);
    return QStringLiteral("Otro programa (proceso %1) ya importa en la carpeta del programa %2. Espera a que "
                          "termine e inténtalo de nuevo.")
        .arg(proceso)
        .arg(Rutas::programa());
}
