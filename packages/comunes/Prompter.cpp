#include "Prompter.h"

#include <QDebug>

#include <atomic>

namespace {

// Until the program installs its message boxes (and in tools and tests that
// never do), texts still reach someone through the log stream, and nothing
// irreversible is agreed to on the user's behalf.
class TPrompterDefecto final : public TPrompter {
public:
    void mensaje(const QString& texto, int tipo) override
    {
        qWarning().noquote() << QStringLiteral("[mensaje %1]").arg(tipo) << texto;
    }
    int confirmacion(const QString& texto) override
    {
        qWarning().noquote() << QStringLiteral("[confirmación sin respuesta: CANCELAR]") << texto;
        return CANCELAR;
    }
};

// nullptr means the default prompter; a trivially destroyed atomic stays valid
// for messages shown while the process shuts down.
std::atomic<TPrompter*> g_instalado{nullptr};

TPrompter& defecto()
{
    static TPrompterDefecto prompter;
    return prompter;
}

} // namespace

TPrompter::~TPrompter()
{
    // A prompter destroyed while still installed must not be called afterwards.
    TPrompter* esperado = this;
    g_instalado.compare_exchange_strong(esperado, nullptr);
}

int TPrompter::confirmacionEscrita(const QString& texto, const QString& clave)
{
    Q_UNUSED(clave);
    qWarning().noquote() << QStringLiteral("[confirmación escrita sin respuesta: CANCELAR]") << texto;
    return CANCELAR;
}

bool TPrompter::coincide(const QString& escrito, const QString& clave)
{
    return !clave.trimmed().isEmpty() && escrito.trimmed().compare(clave.trimmed(), Qt::CaseInsensitive) == 0;
}

namespace Prompter {

TPrompter& actual()
{
    TPrompter* instalado = g_instalado.load();
    return instalado ? *instalado : defecto();
}

void instala(TPrompter* prompter)
{
    g_instalado.store(prompter);
}

} // namespace Prompter

TColaRespuestas::TColaRespuestas() : m_anterior(g_instalado.load())
{
    Prompter::instala(this);
}

TColaRespuestas::~TColaRespuestas()
{
    Prompter::instala(m_anterior);
}

void TColaRespuestas::mensaje(const QString& texto, int tipo)
{
    m_textos.append(texto);
    m_tipos.append(tipo);
}

int TColaRespuestas::confirmacion(const QString& texto)
{
    m_textos.append(texto);
    return m_respuestas.isEmpty() ? OK : m_respuestas.dequeue();
}

int TColaRespuestas::confirmacionEscrita(const QString& texto, const QString& clave)
{
    m_textos.append(texto);
    return !m_escritos.isEmpty() && coincide(m_escritos.dequeue(), clave) ? OK : CANCELAR;
}
