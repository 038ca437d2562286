#pragma once
#include "ComunesExport.h"

#include <QList>
#include <QPair>
#include <QQueue>
#include <QString>

// Every message and question to the user goes through one prompter. The
// program installs one that shows real message boxes; tests install an answer
// queue that records every text shown and answers questions in order.
class COMUNES_EXPORT TPrompter {
public:
    static constexpr int OK = 1;
    static constexpr int CANCELAR = 2;

    virtual ~TPrompter();
    virtual void mensaje(const QString& texto, int tipo) = 0;
    virtual int confirmacion(const QString& texto) = 0;
    // A question answered by typing `clave` (an RFC before a business is
    // deleted): OK only when what was typed is `clave`, letter case and
    // surrounding blanks aside. A prompter that cannot ask answers CANCELAR.
    virtual int confirmacionEscrita(const QString& texto, const QString& clave);

    static bool coincide(const QString& escrito, const QString& clave);
};

namespace Prompter {
// The installed prompter; without one, messages go to the log stream and
// questions are answered CANCELAR so nothing irreversible happens unasked.
COMUNES_EXPORT TPrompter& actual();
// Not owned; nullptr restores the default.
COMUNES_EXPORT void instala(TPrompter* prompter);
} // namespace Prompter

// Installs itself for its lifetime (restoring the previous prompter after).
class COMUNES_EXPORT TColaRespuestas : public TPrompter {
public:
    TColaRespuestas();
    ~TColaRespuestas() override;

    // Answers for the next questions, in order; when empty, questions get OK.
    void agregaRespuesta(int respuesta) { m_respuestas.enqueue(respuesta); }
    // What is typed at the next questions that ask for a text, in order;
    // when none is left, nothing is typed and the question is cancelled.
    void agregaEscrito(const QString& escrito) { m_escritos.enqueue(escrito); }

    void mensaje(const QString& texto, int tipo) override;
    int confirmacion(const QString& texto) override;
    int confirmacionEscrita(const QString& texto, const QString& clave) override;

    // Every text shown (messages and questions), in order.
    const QStringList& textos() const { return m_textos; }
    // Kinds of the messages, in order (questions are not listed).
    const QList<int>& tipos() const { return m_tipos; }
    void limpia()
    {
        m_textos.clear();
        m_tipos.clear();
    }

private:
    TPrompter* m_anterior;
    QQueue<int> m_respuestas;
    QQueue<QString> m_escritos;
    QStringList m_textos;
    QList<int> m_tipos;
};
