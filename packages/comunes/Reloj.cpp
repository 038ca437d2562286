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

TRelojFijo::TRelojFijo(const QDateTime& momento) : m_anterior(g_fijo)
{
    g_fijo = momento;
}

TRelojFijo::~TRelojFijo()
{
    g_fijo = m_anterior;
}
