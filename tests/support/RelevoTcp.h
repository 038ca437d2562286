#pragma once
#include <QtGlobal>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

// A TCP relay on 127.0.0.1 between a program and a database server of a
// test's own, to cut the network under the program as a cable pulled out
// for a moment would: every connection through it closes on both sides at
// once, and new ones are closed as they come until it opens again. Runs on
// a thread of its own; everything here may be called from any thread.
class TRelevoTcp {
public:
    // Relays to 127.0.0.1:`destino`.
    explicit TRelevoTcp(int destino);
    ~TRelevoTcp();
    TRelevoTcp(const TRelevoTcp&) = delete;
    TRelevoTcp& operator=(const TRelevoTcp&) = delete;

    // Listens on a free port of 127.0.0.1; false when it cannot.
    bool inicia();
    int puerto() const { return m_puerto; }

    // Bytes the program sent to the server so far.
    qint64 enviados();
    // Cuts as soon as the program has sent `bytes` bytes to the server in
    // all (at once when it already did).
    void cortaTras(qint64 bytes);
    // Waits until the relay has cut and the program then tried to connect
    // again; false when `ms` pass first.
    bool esperaIntento(int ms);
    // Waits until the relay has cut; false when `ms` pass first.
    bool esperaCorte(int ms);
    // Takes connections again.
    void reabre();
    // Connections the cut closed, and those refused while cut.
    int cortadas();
    int rechazadas();

private:
    struct TPar {
        int programa = -1;
        int servidor = -1;
    };
    void corre();
    void corta(); // with m_candado held
    void despierta();

    int m_destino;
    int m_puerto = 0;
    int m_escucha = -1;
    int m_aviso[2] = {-1, -1}; // wakes the thread up
    std::thread m_hilo;
    std::mutex m_candado;
    std::condition_variable m_cambio;
    std::vector<TPar> m_pares;
    qint64 m_enviados = 0;
    qint64 m_umbral = -1;
    bool m_cortado = false;
    bool m_terminar = false;
    int m_cortadas = 0;
    int m_rechazadas = 0;
    int m_rechazadasEnCorte = 0; // since the last cut
};
