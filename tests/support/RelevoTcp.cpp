#include "RelevoTcp.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in direccion(int puerto)
{
    sockaddr_in d{};
    d.sin_family = AF_INET;
    d.sin_port = htons(static_cast<uint16_t>(puerto));
    d.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return d;
}

// Closed with a reset, as a connection the network lost ends for whoever
// reads it next, never with an orderly goodbye.
void cierraDeGolpe(int fd)
{
    const linger sinEspera{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &sinEspera, sizeof sinEspera);
    ::close(fd);
}

bool escribeTodo(int fd, const char* datos, ssize_t largo)
{
    while (largo > 0) {
        const ssize_t n = ::send(fd, datos, static_cast<size_t>(largo), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        datos += n;
        largo -= n;
    }
    return true;
}

} // namespace

TRelevoTcp::TRelevoTcp(int destino) : m_destino(destino) {}

TRelevoTcp::~TRelevoTcp()
{
    {
        const std::lock_guard<std::mutex> bloqueo(m_candado);
        m_terminar = true;
    }
    despierta();
    if (m_hilo.joinable())
        m_hilo.join();
    for (const TPar& par : m_pares) {
        ::close(par.programa);
        ::close(par.servidor);
    }
    for (int fd : {m_escucha, m_aviso[0], m_aviso[1]})
        if (fd >= 0)
            ::close(fd);
}

bool TRelevoTcp::inicia()
{
    if (::pipe2(m_aviso, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    m_escucha = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_escucha < 0)
        return false;
    sockaddr_in d = direccion(0);
    socklen_t largo = sizeof d;
    if (::bind(m_escucha, reinterpret_cast<sockaddr*>(&d), sizeof d) != 0 || ::listen(m_escucha, 64) != 0 ||
        ::getsockname(m_escucha, reinterpret_cast<sockaddr*>(&d), &largo) != 0)
        return false;
    m_puerto = ntohs(d.sin_port);
    m_hilo = std::thread([this] { corre(); });
    return true;
}

qint64 TRelevoTcp::enviados()
{
    const std::lock_guard<std::mutex> bloqueo(m_candado);
    return m_enviados;
}

void TRelevoTcp::cortaTras(qint64 bytes)
{
    {
        const std::lock_guard<std::mutex> bloqueo(m_candado);
        m_umbral = bytes;
    }
    // Only the relay's thread touches the connections: it cuts.
    despierta();
}

bool TRelevoTcp::esperaIntento(int ms)
{
    std::unique_lock<std::mutex> bloqueo(m_candado);
    return m_cambio.wait_for(bloqueo, std::chrono::milliseconds(ms),
                             [this] { return m_cortado && m_rechazadasEnCorte > 0; });
}

bool TRelevoTcp::esperaCorte(int ms)
{
    std::unique_lock<std::mutex> bloqueo(m_candado);
    return m_cambio.wait_for(bloqueo, std::chrono::milliseconds(ms), [this] { return m_cortado; });
}

void TRelevoTcp::reabre()
{
    const std::lock_guard<std::mutex> bloqueo(m_candado);
    m_cortado = false;
}

int TRelevoTcp::cortadas()
{
    const std::lock_guard<std::mutex> bloqueo(m_candado);
    return m_cortadas;
}

int TRelevoTcp::rechazadas()
{
    const std::lock_guard<std::mutex> bloqueo(m_candado);
    return m_rechazadas;
}

void TRelevoTcp::despierta()
{
    const char uno = 1;
    if (m_aviso[1] >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(m_aviso[1], &uno, 1);
    }
}

void TRelevoTcp::corta()
{
    for (const TPar& par : m_pares) {
        cierraDeGolpe(par.programa);
        cierraDeGolpe(par.servidor);
    }
    m_cortadas += static_cast<int>(m_pares.size());
    m_pares.clear();
    m_cortado = true;
    m_rechazadasEnCorte = 0;
    m_umbral = -1;
    m_cambio.notify_all();
}

void TRelevoTcp::corre()
{
    std::vector<char> bufer(64 * 1024);
    for (;;) {
        std::vector<TPar> pares;
        {
            const std::lock_guard<std::mutex> bloqueo(m_candado);
            if (m_terminar)
                return;
            if (m_umbral >= 0 && m_enviados >= m_umbral)
                corta();
            pares = m_pares;
        }
        std::vector<pollfd> fds{{m_escucha, POLLIN, 0}, {m_aviso[0], POLLIN, 0}};
        for (const TPar& par : pares) {
            fds.push_back({par.programa, POLLIN, 0});
            fds.push_back({par.servidor, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0)
            continue;
        if (fds[1].revents != 0)
            while (::read(m_aviso[0], bufer.data(), bufer.size()) > 0) {
            }
        if (fds[0].revents & POLLIN) {
            const int programa = ::accept4(m_escucha, nullptr, nullptr, SOCK_CLOEXEC);
            if (programa >= 0) {
                std::unique_lock<std::mutex> bloqueo(m_candado);
                if (m_cortado) {
                    cierraDeGolpe(programa);
                    ++m_rechazadas;
                    ++m_rechazadasEnCorte;
                    m_cambio.notify_all();
                } else {
                    bloqueo.unlock();
                    const int servidor = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
                    const sockaddr_in d = direccion(m_destino);
                    if (servidor >= 0 && ::connect(servidor, reinterpret_cast<const sockaddr*>(&d), sizeof d) == 0) {
                        bloqueo.lock();
                        m_pares.push_back({programa, servidor});
                    } else {
                        if (servidor >= 0)
                            ::close(servidor);
                        cierraDeGolpe(programa);
                    }
                }
            }
        }
        for (size_t i = 0; i < pares.size(); ++i) {
            bool cerrar = false;
            for (int lado = 0; lado < 2 && !cerrar; ++lado) {
                if (fds[2 + 2 * i + size_t(lado)].revents == 0)
                    continue;
                const int desde = lado == 0 ? pares[i].programa : pares[i].servidor;
                const int hacia = lado == 0 ? pares[i].servidor : pares[i].programa;
                const ssize_t n = ::read(desde, bufer.data(), bufer.size());
                if (n < 0 && errno == EINTR)
                    continue;
                cerrar = n <= 0 || !escribeTodo(hacia, bufer.data(), n);
                if (!cerrar && lado == 0) {
                    const std::lock_guard<std::mutex> bloqueo(m_candado);
                    m_enviados += n;
                }
            }
            if (cerrar) {
                const std::lock_guard<std::mutex> bloqueo(m_candado);
                for (auto it = m_pares.begin(); it != m_pares.end(); ++it) {
                    if (it->programa == pares[i].programa) {
                        ::close(it->programa);
                        ::close(it->servidor);
                        m_pares.erase(it);
                        break;
                    }
                }
            }
            // A cut closed what this round still lists.
            const std::lock_guard<std::mutex> bloqueo(m_candado);
            if (m_cortado || (m_umbral >= 0 && m_enviados >= m_umbral))
                break;
        }
    }
}
