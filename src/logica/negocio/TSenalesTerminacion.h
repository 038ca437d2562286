#pragma once
#include <QObject>

class QSocketNotifier;

// Ends the program cleanly when the system asks it to (SIGTERM at logout or
// shutdown, SIGINT, SIGHUP): the event loop quits, windows are freed and the
// database connections closed in order.
//
// The embedded engine's client library reacts to these signals on its own
// (it shuts the engine down from a thread of its own), which left the
// program either running without its engine or spinning while closing a
// connection. So the signals are blocked in every thread from the very
// start and read from a descriptor by the event loop instead.
class TSenalesTerminacion : public QObject {
    Q_OBJECT
public:
    // First thing in main(), before any other thread exists: threads inherit
    // the blocked set.
    static void bloquea();
    // For QProcess::setChildProcessModifier: programs the program starts
    // (the updater, the program itself after sign-out) get the signals back.
    static void desbloquea();
    // For a program without event loop (the command-line import): the
    // termination signal waiting to be read, taken, or 0 when none came.
    static int pendiente();

    // After the application object exists.
    explicit TSenalesTerminacion(QObject* parent = nullptr);
    ~TSenalesTerminacion() override;

private:
    void recibida();

    int m_descriptor = -1;
    QSocketNotifier* m_aviso = nullptr;
};
