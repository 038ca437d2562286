#pragma once
#include "Prompter.h"

#include <QString>

// The program's prompter: real message boxes. Messages show one OK button
// whatever their kind; questions show OK and Cancel. The title is the
// system's name (or "Velkor" before it is known). A call from a worker
// thread is carried to the UI thread, which shows the box while the worker
// waits for the answer.
class TPrompterCajas : public TPrompter {
public:
    void mensaje(const QString& texto, int tipo) override;
    int confirmacion(const QString& texto) override;

    static QString titulo();
};
