#include "Consola.h"

#include "TSenalesTerminacion.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace Consola {

void escribe(FILE* salida, const QString& texto)
{
    const QByteArray bytes = texto.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), salida);
    std::fflush(salida);
}

// The terminal's echo is put back whatever ends the reading.
std::optional<QString> leeContrasena()
{
    const bool terminal = ::isatty(STDIN_FILENO);
    termios antes{};
    if (terminal) {
        escribe(stderr, QStringLiteral("Contraseña: "));
        ::tcgetattr(STDIN_FILENO, &antes);
        termios sinEco = antes;
        sinEco.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &sinEco);
    }
    QByteArray linea;
    bool detenida = false;
    for (;;) {
        pollfd entrada{STDIN_FILENO, POLLIN, 0};
        const int listo = ::poll(&entrada, 1, 200);
        if (TSenalesTerminacion::pendiente() != 0) {
            detenida = true;
            break;
        }
        if (listo <= 0)
            continue;
        char c = 0;
        if (::read(STDIN_FILENO, &c, 1) != 1 || c == '\n')
            break;
        linea.append(c);
    }
    if (linea.endsWith('\r'))
        linea.chop(1);
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &antes);
        escribe(stderr, QStringLiteral("\n"));
    }
    if (detenida)
        return std::nullopt;
    return QString::fromUtf8(linea);
}

} // namespace Consola
