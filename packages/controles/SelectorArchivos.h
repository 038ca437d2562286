#pragma once
#include "ControlesExport.h"

#include <QString>
#include <QStringList>

class QWidget;

// Every file and folder dialog of the windows opens here, so one seam lets
// tests answer them (TColaArchivos) the way TColaRespuestas answers messages.
// A dialog opens where the user chose last, else in their documents folder
// (Preferencias), and a choice is remembered for the next one.
namespace SelectorArchivos {
// The file chosen in an open dialog titled `titulo` showing `filtro`
// ("Certificado (*.cer)"); empty when the user cancelled.
CONTROLES_EXPORT QString archivo(QWidget* padre, const QString& titulo, const QString& filtro);
// The files chosen at once in such a dialog; a queued answer names them one
// per line.
CONTROLES_EXPORT QStringList archivos(QWidget* padre, const QString& titulo, const QString& filtro);
// The folder chosen in a folder dialog titled `titulo`; empty when cancelled.
CONTROLES_EXPORT QString carpeta(QWidget* padre, const QString& titulo);
// The file to write in a save dialog, proposing `nombre` in the starting
// folder; empty when cancelled.
CONTROLES_EXPORT QString guardar(QWidget* padre, const QString& titulo, const QString& nombre, const QString& filtro);
} // namespace SelectorArchivos

// Installs itself for its lifetime: no dialog is shown, each takes the next
// answer queued (empty, as a cancel, when none is left) and what it asked is
// recorded. The previous selector comes back after.
class CONTROLES_EXPORT TColaArchivos {
public:
    TColaArchivos();
    ~TColaArchivos();
    TColaArchivos(const TColaArchivos&) = delete;
    TColaArchivos& operator=(const TColaArchivos&) = delete;

    void agrega(const QString& ruta) { m_respuestas << ruta; }
    // The dialogs asked, in order: the filter of a file dialog, the title of
    // a folder dialog, and the folder each would have opened in.
    const QStringList& pedidos() const { return m_pedidos; }
    const QStringList& inicios() const { return m_inicios; }
    // Answers still queued.
    int pendientes() const { return int(m_respuestas.size()); }

    QString responde(const QString& pedido, const QString& inicio);

private:
    TColaArchivos* m_anterior;
    QStringList m_respuestas;
    QStringList m_pedidos;
    QStringList m_inicios;
};
