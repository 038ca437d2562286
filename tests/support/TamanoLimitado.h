#pragma once
#include <QtGlobal>

#include <csignal>
#include <sys/resource.h>

// While this lives no file of the process grows past `bytes`: a write beyond
// fails with EFBIG, as on a full disk, instead of raising the signal that
// ends the process. Around one call only: the limit holds for the whole
// process, the database engine's threads too.
class TTamanoLimitado {
public:
    explicit TTamanoLimitado(qint64 bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_antes);
        rlimit limite = m_antes;
        limite.rlim_cur = rlim_t(bytes);
        m_senal = std::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &limite);
    }
    ~TTamanoLimitado()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_antes);
        std::signal(SIGXFSZ, m_senal);
    }
    TTamanoLimitado(const TTamanoLimitado&) = delete;
    TTamanoLimitado& operator=(const TTamanoLimitado&) = delete;

private:
    rlimit m_antes{};
    void (*m_senal)(int) = SIG_DFL;
};
