#include "TSenalesTerminacion.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

sigset_t senalesDeTerminacion()
{
    sigset_t conjunto;
    sigemptyset(&conjunto);
    sigaddset(&conjunto, SIGTERM);
    sigaddset(&conjunto, SIGINT);
    sigaddset(&conjunto, SIGHUP);
    return conjunto;
}

} // namespace

void TSenalesTerminacion::bloquea()
{
    const sigset_t conjunto = senalesDeTerminacion();
    pthread_sigmask(SIG_BLOCK, &conjunto, nullptr);
}

void TSenalesTerminacion::desbloquea()
{
    const sigset_t conjunto = senalesDeTerminacion();
    pthread_sigmask(SIG_UNBLOCK, &conjunto, nullptr);
}

int TSenalesTerminacion::pendiente()
{
    const sigset_t conjunto = senalesDeTerminacion();
    const timespec ahora{0, 0};
    const int senal = ::sigtimedwait(&conjunto, nullptr, &ahora);
    return senal > 0 ? senal : 0;
}

TSenalesTerminacion::TSenalesTerminacion(QObject* parent) : QObject(parent)
{
    const sigset_t conjunto = senalesDeTerminacion();
    m_descriptor = ::signalfd(-1, &conjunto, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_descriptor < 0)
        return;
    m_aviso = new QSocketNotifier(m_descriptor, QSocketNotifier::Read, this);
    connect(m_aviso, &QSocketNotifier::activated, this, &TSenalesTerminacion::recibida);
}

TSenalesTerminacion::~TSenalesTerminacion()
{
    delete m_aviso;
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

void TSenalesTerminacion::recibida()
{
    signalfd_siginfo informacion;
    while (::read(m_descriptor, &informacion, sizeof informacion) == sizeof informacion) {
    }
    QCoreApplication::quit();
}
