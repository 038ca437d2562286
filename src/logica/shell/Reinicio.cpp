#include "Reinicio.h"

#include "Constantes.h"
#include "negocio/TSenalesTerminacion.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace Reinicio {

namespace {

// Only calls that are safe between fork and exec from here on.
[[noreturn]] void fallaHijo(int canal)
{
    const int error = errno;
    [[maybe_unused]] const ssize_t escrito = write(canal, &error, sizeof error);
    _exit(127);
}

} // namespace

QString programa(const QString& carpetaPrograma)
{
    return carpetaPrograma + Constantes::ARCHIVO_PROGRAMA;
}

bool iniciaDesacoplado(const QString& programa, const QStringList& argumentos, const QString& carpeta)
{
    // QProcess::startDetached (Qt 6.4) never runs a child process modifier,
    // so the program it starts would keep this process's blocked signals.
    // This is its double fork, with the signals unblocked in between.
    std::vector<QByteArray> textos{QFile::encodeName(programa)};
    for (const QString& argumento : argumentos)
        textos.push_back(argumento.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& texto : textos)
        argv.push_back(texto.data());
    argv.push_back(nullptr);
    const QByteArray directorio = QFile::encodeName(carpeta);

    // The grandchild reports a failed exec through it; a successful exec
    // closes it.
    int canal[2];
    if (pipe2(canal, O_CLOEXEC) != 0)
        return false;
    const pid_t hijo = fork();
    if (hijo < 0) {
        close(canal[0]);
        close(canal[1]);
        return false;
    }
    if (hijo == 0) {
        close(canal[0]);
        TSenalesTerminacion::desbloquea();
        setsid();
        const pid_t nieto = fork();
        if (nieto < 0)
            fallaHijo(canal[1]);
        if (nieto > 0)
            _exit(0);
        // A new start must not hold this process's files (the business
        // databases among them) open.
        if (canal[1] != 3 && dup3(canal[1], 3, O_CLOEXEC) < 0)
            fallaHijo(canal[1]);
        close_range(4, ~0U, 0);
        if (!directorio.isEmpty() && chdir(directorio.constData()) != 0)
            fallaHijo(3);
        execv(argv.front(), argv.data());
        fallaHijo(3);
    }
    close(canal[1]);
    int estado = 0;
    while (waitpid(hijo, &estado, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t leido = 0;
    do {
        leido = read(canal[0], &error, sizeof error);
    } while (leido < 0 && errno == EINTR);
    close(canal[0]);
    return leido == 0 && WIFEXITED(estado) && WEXITSTATUS(estado) == 0;
}

std::function<bool(const QString&)> solicitud = [](const QString& programa) {
    return iniciaDesacoplado(programa, {}, QFileInfo(programa).absolutePath());
};

bool reinicia(const QString& carpetaPrograma)
{
    return solicitud && solicitud(programa(carpetaPrograma));
}

} // namespace Reinicio
