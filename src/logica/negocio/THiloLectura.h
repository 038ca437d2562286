#pragma once
#include <QThread>

// A thread that works on a business database through a connection of its
// own while the windows go on. Every one running in the process is known, so
// that before the engine shuts down, or a business database is archived,
// moved or replaced, they can all be stopped after their step in hand and
// waited for: none is left holding that database. A subclass's destructor
// asks its own thread to stop and waits for it before its members go.
class THiloLectura : public QThread {
public:
    explicit THiloLectura(QObject* parent = nullptr);
    ~THiloLectura() override;

    // Asks every such thread to stop after its step in hand, then waits.
    static void detenTodos();
    // Waits for every such thread to end on its own; what they emit is then
    // queued for its receivers.
    static void esperaTodos();
};
