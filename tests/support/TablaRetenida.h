#pragma once
#include "TConexionSesion.h"

#include <QString>
#include <future>
#include <thread>

// A write lock on one table of a server's database, held by a connection of
// its own (on a thread of its own) until destroyed: every other connection
// that writes the table waits for it, on MariaDB one that reads it too. A
// test stops a job at that table with it, at a point it knows.
class TTablaRetenida {
public:
    TTablaRetenida(const TConexionSesion& conexion, const QString& tabla);
    ~TTablaRetenida();
    TTablaRetenida(const TTablaRetenida&) = delete;
    TTablaRetenida& operator=(const TTablaRetenida&) = delete;

    // Empty once the lock is held; why not otherwise.
    QString error() const { return m_error; }

private:
    std::promise<void> m_suelta;
    std::thread m_hilo;
    QString m_error;
};
