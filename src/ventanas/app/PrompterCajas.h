#pragma once
#include "Prompter.h"

#include <QString>

class QDialog;
class QWidget;

// The program's prompter: real message boxes. Messages show one OK button
// whatever their kind; questions show OK and Cancel. The title is the
// system's name (or "Velkor" before it is known). A call from a worker
// thread is carried to the UI thread, which shows the box while the worker
// waits for the answer.
class TPrompterCajas : public TPrompter {
public:
    void mensaje(const QString& texto, int tipo) override;
    int confirmacion(const QString& texto) override;
    // The question, a field to type in, "Confirmar" (enabled only once the
    // field holds the key) and "Cancelar", the default button, so Enter
    // never agrees to it.
    int confirmacionEscrita(const QString& texto, const QString& clave) override;

    static QString titulo();
    // The window confirmacionEscrita shows, built apart so it can be looked at.
    static QDialog* cajaEscrita(const QString& texto, const QString& clave, QWidget* padre = nullptr);
};
