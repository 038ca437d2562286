#include "ModulosInstalados.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

QMutex g_candado;
QStringList g_codigos;

} // namespace

namespace ModulosInstalados {

void registra(const QString& codigo)
{
    const QMutexLocker bloqueo(&g_candado);
    if (!codigo.isEmpty() && !g_codigos.contains(codigo))
        g_codigos << codigo;
}

QStringList codigos()
{
    const QMutexLocker bloqueo(&g_candado);
    return g_codigos;
}

void olvida()
{
    const QMutexLocker bloqueo(&g_candado);
    g_codigos.clear();
}

} // namespace ModulosInstalados
