#pragma once
#include "ComunesExport.h"

#include <QDate>
#include <QDateTime>

// The one clock of the program: every date that decides something (a
// certificate's validity, a key's expiry) is read here, so tests can set it.
namespace Reloj {
COMUNES_EXPORT QDateTime ahora();
COMUNES_EXPORT QDate hoy();
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
