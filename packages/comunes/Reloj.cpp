#include "Reloj.h"

namespace {
// Invalid while the real clock runs.
QDateTime g_fijo;
} // namespace

QDateTime Reloj::ahora()
{
    return g_fijo.isValid() ? g_fijo : QDateTime::currentDateTime();
}

QDate Reloj::hoy()
{
    return ahora().date();
}

QDateTime Reloj::deReloj(const QDate& fecha, const QTime& hora)
{
    const QDateTime local(fecha, hora);
    // Qt makes a local time that the clock skips invalid, and the SQL
    // drivers write an invalid date-time as NULL.
    if (local.isValid() || !fecha.isValid() || !hora.isValid())
        return local;
    return QDateTime(fecha, hora, Qt::UTC);
}

QDateTime Reloj::deReloj(const QDateTime& leida)
{
    return leida.isValid() ? leida : deReloj(leida.date(), leida.time());
}

TRelojFijo::TRelojFijo(const QDateTime& momento) : m_anterior(g_fijo)
{
    g_fijo = momento;
}

TRelojFijo::~TRelojFijo()
{
    g_fijo = m_anterior;
}
