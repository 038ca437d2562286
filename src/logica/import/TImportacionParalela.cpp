#include "TImportacionParalela.h"

#include "Cfdi.h"
#include "Conexiones.h"
#include "Logmanager.h"
#include "Sistema.h"
#include "TLoteImportacion.h"

#include <QElapsedTimer>
#include <QHash>
#include <QStringList>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// A thread's next files keep the document the caller read to route them; the
// rest keep their path only and are read again, so a long queue costs little
// memory.
constexpr size_t LEIDOS_POR_HILO = 8;

// A business is written by one thread, so a folder where one issuer has
// most of the files ends when that thread does. A thread given at most half
// the files of the busiest one lowers its own priority (for good: it may
// not raise it again), and the scheduler gives the busiest one a core of
// its own while the others share the other; with nothing to compete for,
// a lowered thread runs as fast as before.
constexpr int ARCHIVOS_PARA_CEDER = 1000;
constexpr int PRIORIDAD_CEDIDA = 5;

bool debeCeder(int propios, int mayor)
{
    return mayor >= ARCHIVOS_PARA_CEDER && propios * 2 <= mayor;
}

// Whether the priority is lower now: the thread account says so only then.
bool cedePrioridad()
{
    errno = 0;
    const int actual = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
    return errno == 0 && ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), actual + PRIORIDAD_CEDIDA) == 0;
}

} // namespace

struct TImportacionParalela::TEncargo {
    QString ruta;
    std::optional<TDocumentoXML> documento; // empty when not kept or not readable
    // A package's entry: its name and bytes (never read again from the disk).
    QString entrada;
    QByteArray bytes;
    bool esEntrada = false;
};

struct TImportacionParalela::TTrabajador {
    std::unique_ptr<TImportadorXML> importador;
    std::deque<TEncargo> cola;
    bool terminado = false; // its last batch is committed
    std::thread hilo;
    // Nanoseconds with nothing queued, and files taken (for the account).
    qint64 sinTrabajo = 0;
    int archivos = 0;
    bool cedio = false;    // it was told to lower its priority (judged per file until then)
    bool rebajada = false; // and the system did (written by its own thread, read after the join)
};

struct TImportacionParalela::TCompartido {
    std::mutex candado;
    std::condition_variable hayTrabajo;
    std::condition_variable hayAvance;
    std::vector<std::unique_ptr<TTrabajador>> trabajadores;
    QList<TResultadoArchivo> listos;
    size_t enEspera = 0;
    qint64 bytesEnEspera = 0;
    quint64 sinEmisor = 0;
    QHash<QString, size_t> hiloDelEmisor;
    std::vector<int> emisoresPorHilo;
    bool cerrar = false;   // confirma(): finish the queues, commit and end
    bool detener = false;  // drop what is not started
    bool terminar = false; // destroyed or failed: end without committing
    std::exception_ptr error;
    // The caller's nanoseconds reading files, and waiting for room in the queues.
    qint64 leyendo = 0;
    qint64 esperandoLugar = 0;
};

int TImportacionParalela::hilosDeEsteEquipo()
{
    // One more than the cores: a thread whose commit waits on the disk (the
    // database writes with forced writes) leaves its core to another.
    return qBound(1, QThread::idealThreadCount() + 1, 4);
}

TImportacionParalela::TImportacionParalela(int hilos, int archivosPorLote, TBaseDatosLocalFrm& registro,
                                           const TBaseDatosCatalogosFrm& catalogo,
                                           const TParametrosImportacion& parametros,
                                           std::function<void(const TResultadoArchivo&)> alTerminar, int msPorLote)
    : m_compartido(std::make_shared<TCompartido>()), m_alTerminar(std::move(alTerminar))
{
    TCompartido& c = *m_compartido;
    // The invoice folders are searched for an earlier job's temporary copies
    // once, by the first importer.
    TParametrosImportacion propios = parametros;
    if (!propios.ausentes)
        propios.ausentes = std::make_shared<TServidoresAusentes>();
    for (int i = 0; i < qMax(1, hilos); ++i) {
        auto trabajador = std::make_unique<TTrabajador>();
        trabajador->importador = std::make_unique<TImportadorXML>(registro, catalogo, propios);
        propios.limpiaTemporales = false;
        c.trabajadores.push_back(std::move(trabajador));
    }
    for (const auto& puntero : c.trabajadores) {
        TTrabajador* t = puntero.get();
        t->hilo = std::thread([&c, t, archivosPorLote, msPorLote] {
            try {
                TLoteImportacion lote(
                    *t->importador, archivosPorLote,
                    [&c](const TResultadoArchivo& resultado) {
                        const std::lock_guard<std::mutex> bloqueo(c.candado);
                        c.listos.append(resultado);
                        c.hayAvance.notify_all();
                    },
                    msPorLote);
                std::unique_lock<std::mutex> bloqueo(c.candado);
                QElapsedTimer reloj;
                for (;;) {
                    reloj.start();
                    c.hayTrabajo.wait(bloqueo, [&] { return !t->cola.empty() || c.cerrar || c.terminar; });
                    t->sinTrabajo += reloj.nsecsElapsed();
                    if (c.terminar)
                        break; // the batch undoes what it holds
                    if (c.detener) {
                        c.enEspera -= t->cola.size();
                        for (const TEncargo& e : t->cola)
                            c.bytesEnEspera -= e.bytes.size();
                        t->cola.clear();
                    }
                    if (t->cola.empty()) {
                        bloqueo.unlock();
                        lote.confirma();
                        bloqueo.lock();
                        t->terminado = true;
                        c.hayAvance.notify_all();
                        break;
                    }
                    TEncargo encargo = std::move(t->cola.front());
                    t->cola.pop_front();
                    --c.enEspera;
                    ++t->archivos;
                    c.bytesEnEspera -= encargo.bytes.size();
                    c.hayAvance.notify_all();
                    bool cede = false;
                    if (!t->cedio) {
                        const auto dados = [](const TTrabajador& h) { return h.archivos + int(h.cola.size()); };
                        int mayor = 0;
                        for (const auto& otro : c.trabajadores)
                            mayor = std::max(mayor, dados(*otro));
                        cede = t->cedio = debeCeder(dados(*t), mayor);
                    }
                    bloqueo.unlock();
                    if (cede)
                        t->rebajada = cedePrioridad();
                    if (encargo.esEntrada) {
                        Logmanager::Log(
                            QStringLiteral("Archivo a importar: %1 › %2").arg(encargo.ruta, encargo.entrada), 1,
                            Sistema::exePath);
                        lote.importaEntrada(encargo.ruta, encargo.entrada, encargo.bytes,
                                            encargo.documento ? &*encargo.documento : nullptr);
                    } else {
                        Logmanager::Log(QStringLiteral("Archivo a importar: ") + encargo.ruta, 1, Sistema::exePath);
                        if (encargo.documento)
                            lote.importa(encargo.ruta, *encargo.documento);
                        else
                            lote.importa(encargo.ruta);
                    }
                    bloqueo.lock();
                }
            } catch (...) {
                const std::lock_guard<std::mutex> bloqueo(c.candado);
                if (!c.error)
                    c.error = std::current_exception();
                c.terminar = true;
                c.hayAvance.notify_all();
                c.hayTrabajo.notify_all();
            }
            // Each thread's connections are its own.
            Conexiones::cierraHilo();
        });
    }
}

TImportacionParalela::~TImportacionParalela()
{
    TCompartido& c = *m_compartido;
    {
        const std::lock_guard<std::mutex> bloqueo(c.candado);
        c.terminar = true;
    }
    c.hayTrabajo.notify_all();
    for (const auto& t : c.trabajadores)
        if (t->hilo.joinable())
            t->hilo.join();
}

void TImportacionParalela::importa(const QString& ruta)
{
    TEncargo encargo;
    encargo.ruta = ruta;
    encola(std::move(encargo), [&ruta] { return TDocumentoXML::desdeArchivo(ruta); });
}

void TImportacionParalela::importaEntrada(const QString& paquete, const QString& entrada, const QByteArray& bytes)
{
    TEncargo encargo;
    encargo.ruta = paquete;
    encargo.entrada = entrada;
    encargo.bytes = bytes;
    encargo.esEntrada = true;
    encola(std::move(encargo), [&bytes] { return TDocumentoXML::desdeBytes(bytes); });
}

void TImportacionParalela::encola(TEncargo&& encargo, const std::function<TDocumentoXML()>& lee)
{
    QString rfc;
    QElapsedTimer reloj;
    reloj.start();
    try {
        encargo.documento = lee();
        const QString version = Cfdi::versionPorUbicacion(*encargo.documento);
        if (!version.isEmpty())
            rfc = Cfdi::rfcEmisor(encargo.documento->raiz(), version).trimmed().toUpper();
    } catch (const std::exception&) {
        // The thread reads it again and reports why it cannot be read.
        encargo.documento.reset();
    }
    m_compartido->leyendo += reloj.nsecsElapsed();
    encola(std::move(encargo), rfc);
}

void TImportacionParalela::encola(TEncargo&& encargo, const QString& rfc)
{
    TCompartido& c = *m_compartido;
    {
        std::unique_lock<std::mutex> bloqueo(c.candado);
        QElapsedTimer reloj;
        reloj.start();
        // Reading ahead only pays while a thread has nothing to do: the
        // files passed over on the way are read twice.
        c.hayAvance.wait(bloqueo, [&] {
            if (c.terminar)
                return true;
            if (c.enEspera >= size_t(EN_ESPERA))
                return false;
            if (encargo.esEntrada && c.bytesEnEspera > 0 && c.bytesEnEspera + encargo.bytes.size() > BYTES_EN_ESPERA)
                return false;
            for (const auto& t : c.trabajadores)
                if (t->cola.size() < LEIDOS_POR_HILO)
                    return true;
            return false;
        });
        c.esperandoLugar += reloj.nsecsElapsed();
        if (c.error)
            std::rethrow_exception(c.error);
        if (c.terminar)
            return;
        const size_t hilos = c.trabajadores.size();
        size_t indice = 0;
        if (rfc.isEmpty()) {
            // A file without an issuer stores nothing; any thread takes it.
            indice = size_t(c.sinEmisor++ % hilos);
        } else if (const auto it = c.hiloDelEmisor.constFind(rfc); it != c.hiloDelEmisor.constEnd()) {
            indice = *it;
        } else {
            // A new issuer goes to the thread with the least to do.
            c.emisoresPorHilo.resize(hilos);
            for (size_t i = 1; i < hilos; ++i) {
                const auto carga = [&](size_t h) {
                    return std::pair(c.trabajadores[h]->cola.size(), c.emisoresPorHilo[h]);
                };
                if (carga(i) < carga(indice))
                    indice = i;
            }
            ++c.emisoresPorHilo[indice];
            c.hiloDelEmisor.insert(rfc, indice);
        }
        TTrabajador& t = *c.trabajadores.at(indice);
        if (t.cola.size() >= LEIDOS_POR_HILO)
            encargo.documento.reset();
        c.bytesEnEspera += encargo.bytes.size();
        t.cola.push_back(std::move(encargo));
        ++c.enEspera;
    }
    c.hayTrabajo.notify_all();
    entrega();
}

void TImportacionParalela::agrega(const TResultadoArchivo& resultado)
{
    entrega();
    if (m_alTerminar)
        m_alTerminar(resultado);
}

void TImportacionParalela::confirma(const std::function<bool()>& detenerse)
{
    TCompartido& c = *m_compartido;
    {
        const std::lock_guard<std::mutex> bloqueo(c.candado);
        c.cerrar = true;
    }
    c.hayTrabajo.notify_all();
    for (;;) {
        bool detener = false;
        {
            std::unique_lock<std::mutex> bloqueo(c.candado);
            const auto listo = [&] {
                if (c.terminar || !c.listos.isEmpty())
                    return true;
                for (const auto& t : c.trabajadores)
                    if (!t->terminado)
                        return false;
                return true;
            };
            c.hayAvance.wait_for(bloqueo, std::chrono::milliseconds(100), listo);
            if (c.error)
                break;
            bool todos = c.listos.isEmpty();
            for (const auto& t : c.trabajadores)
                todos = todos && t->terminado;
            if (todos)
                break;
            detener = !c.detener && detenerse && detenerse();
            if (detener)
                c.detener = true;
        }
        if (detener)
            c.hayTrabajo.notify_all();
        entrega();
    }
    for (const auto& t : c.trabajadores)
        if (t->hilo.joinable())
            t->hilo.join();
    entrega();
    if (c.error)
        std::rethrow_exception(c.error);
    anotaTiempos();
}

void TImportacionParalela::anotaTiempos() const
{
    const TCompartido& c = *m_compartido;
    const auto s = [](qint64 ns) { return QString::number(ns / 1e9, 'f', 2); };
    QStringList partes{QStringLiteral("lector: leyendo %1 s, esperando lugar en las colas %2 s")
                           .arg(s(c.leyendo), s(c.esperandoLugar))};
    for (size_t i = 0; i < c.trabajadores.size(); ++i) {
        const TTrabajador& t = *c.trabajadores[i];
        const TTiemposImportacion& d = t.importador->tiempos();
        partes << QStringLiteral("hilo %1: %2 archivos, sin trabajo %3 s, leyendo %4 s, buscando los ya guardados "
                                 "%5 s, sellos %6 s, guardando %7 s, copias %8 s, confirmando %9 s")
                          .arg(i + 1)
                          .arg(t.archivos)
                          .arg(s(t.sinTrabajo), s(d.lectura), s(d.consulta), s(d.sellos), s(d.guardado), s(d.copias),
                               s(d.confirmacion)) +
                      (t.rebajada ? QStringLiteral(", con menos prioridad") : QString());
    }
    Logmanager::Log(QStringLiteral("Tiempos de la importación: ") + partes.join(QStringLiteral("; ")), 1,
                    Sistema::exePath);
}

void TImportacionParalela::entrega()
{
    QList<TResultadoArchivo> resultados;
    {
        TCompartido& c = *m_compartido;
        const std::lock_guard<std::mutex> bloqueo(c.candado);
        resultados.swap(c.listos);
    }
    if (m_alTerminar)
        for (const TResultadoArchivo& resultado : std::as_const(resultados))
            m_alTerminar(resultado);
}
