#pragma once
#include <cstring>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// The superuser reads and enters any file or folder whatever its mode: while
// this lives, the calling thread keeps the permission bits like any user, so
// a test run as root sees what a user sees. Only this thread: the others of
// the process (the database engine's) keep their capabilities.
class TConPermisosDeUsuario {
public:
    TConPermisosDeUsuario()
    {
        m_cabecera.version = _LINUX_CAPABILITY_VERSION_3;
        m_cabecera.pid = 0;
        if (::syscall(SYS_capget, &m_cabecera, m_antes) != 0)
            return;
        __user_cap_data_struct sin[2];
        std::memcpy(sin, m_antes, sizeof(sin));
        sin[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_cambiadas = ::syscall(SYS_capset, &m_cabecera, sin) == 0;
    }
    ~TConPermisosDeUsuario()
    {
        if (m_cambiadas)
            ::syscall(SYS_capset, &m_cabecera, m_antes);
    }
    // Whether the mode bits now hold for this thread: false only for a
    // superuser whose capabilities could not be dropped (a sandbox that
    // forbids capset); the caller then skips its test.
    bool efectivo() const { return m_cambiadas || ::geteuid() != 0; }
    TConPermisosDeUsuario(const TConPermisosDeUsuario&) = delete;
    TConPermisosDeUsuario& operator=(const TConPermisosDeUsuario&) = delete;

private:
    __user_cap_header_struct m_cabecera{};
    __user_cap_data_struct m_antes[2]{};
    bool m_cambiadas = false;
};
