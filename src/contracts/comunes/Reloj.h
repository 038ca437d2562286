#pragma once
#include "ComunesExport.h"

#include <QDate>
#include <QDateTime>

// The one clock of the program: every date that decides something (a
// certificate's validity, a key's expiry) is read here, so tests can set it.
namespace Reloj {
COMUNES_EXPORT QDateTime ahora();
COMUNES_EXPORT QDate hoy();
// A wall-clock time as a voucher or a database writes it, with no zone: the
// local date-time when the machine's clock ever shows it, otherwise (an hour
// skipped into daylight saving) one in UTC that keeps the same date() and
// time(), so it is stored and shown as written instead of as nothing.
COMUNES_EXPORT QDateTime deReloj(const QDate& fecha, const QTime& hora);
// A date-time as a SQL driver reads it back: the drivers build it in local
// time, which is invalid at a skipped hour though its date() and time() still
// hold what was stored; that wall-clock time is kept.
COMUNES_EXPORT QDateTime deReloj(const QDateTime& leida);
} // namespace Reloj

// Stops the clock at `momento` for its lifetime, then gives the previous
// clock back. For tests; not thread-safe against a running reader.
class COMUNES_EXPORT TRelojFijo {
public:
    explicit TRelojFijo(const QDateTime& momento);
    explicit TRelojFijo(const QDate& dia) : TRelojFijo(dia.startOfDay()) {}
    ~TRelojFijo();
    TRelojFijo(const TRelojFijo&) = delete;
    TRelojFijo& operator=(const TRelojFijo&) = delete;

private:
    QDateTime m_anterior;
};
