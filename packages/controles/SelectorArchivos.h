#pragma once
#include "ControlesExport.h"

#include <QString>
#include <QStringList>

class QWidget;

// Every file and folder dialog of the windows opens here, so one seam lets
// tests answer them (TColaArchivos) the way TColaRespuestas answers messages.
namespace SelectorArchivos {
// The file chosen in an open dialog titled `titulo` showing `filtro`
// ("Certificado (*.cer)"); empty when the user cancelled.
CONTROLES_EXPORT QString archivo(QWidget* padre, const QString& titulo, const QString& filtro);
// The folder chosen in a folder dialog titled `titulo`; empty when cancelled.
CONTROLES_EXPORT QString carpeta(QWidget* padre, const QString& titulo);
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
    // a folder dialog.
    const QStringList& pedidos() const { return m_pedidos; }
    // Answers still queued.
    int pendientes() const { return int(m_respuestas.size()); }

    QString responde(const QString& pedido);

private:
    TColaArchivos* m_anterior;
    QStringList m_respuestas;
    QStringList m_pedidos;
};
