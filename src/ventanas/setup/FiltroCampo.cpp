#include "FiltroCampo.h"

#include "Controles.h"
#include "setup/ReglasCaptura.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include <utility>

namespace {

class TFiltro : public QObject {
public:
    enum TTipo { Correo, SinEscritura, QuitaError, AlSalir };
    TFiltro(QObject* campo, TTipo tipo, std::function<void()> accion = {})
        : QObject(campo), m_tipo(tipo), m_accion(std::move(accion))
    {
        campo->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override
    {
        switch (evento->type()) {
        case QEvent::KeyPress: {
            const QString tecla = static_cast<QKeyEvent*>(evento)->text();
            // Editing keys (backspace, arrows, shortcuts) always pass.
            const bool edicion = tecla.isEmpty() || tecla.at(0).unicode() < 32 || tecla.at(0).unicode() == 127;
            if (m_tipo == SinEscritura && !edicion)
                return true;
            if (m_tipo == Correo && !ReglasCaptura::admiteEnCorreo(tecla))
                return true;
            break;
        }
        case QEvent::KeyRelease:
            if (m_tipo == Correo) {
                auto* edicion = static_cast<QLineEdit*>(objeto);
                const QString minusculas = edicion->text().toLower();
                if (minusculas != edicion->text()) {
                    const int posicion = edicion->cursorPosition();
                    edicion->setText(minusculas);
                    edicion->setCursorPosition(posicion);
                }
            }
            break;
        case QEvent::FocusIn: {
            // The window getting the keyboard back (once a refusal's message
            // is closed) is no going into the field: the mark stays on the
            // field the refusal put the cursor in.
            const Qt::FocusReason razon = static_cast<QFocusEvent*>(evento)->reason();
            if (m_tipo == QuitaError && razon != Qt::ActiveWindowFocusReason && razon != Qt::PopupFocusReason)
                Controles::quitaError(static_cast<QWidget*>(objeto));
            break;
        }
        case QEvent::FocusOut: {
            // Another window or a popup taking the keyboard is no leaving of
            // the field: the user has not finished with it.
            const Qt::FocusReason razon = static_cast<QFocusEvent*>(evento)->reason();
            if (m_tipo == AlSalir && razon != Qt::ActiveWindowFocusReason && razon != Qt::PopupFocusReason)
                m_accion();
            break;
        }
        default:
            break;
        }
        return QObject::eventFilter(objeto, evento);
    }

private:
    TTipo m_tipo;
    std::function<void()> m_accion;
};

} // namespace

namespace FiltroCampo {

void correo(QLineEdit* campo)
{
    new TFiltro(campo, TFiltro::Correo);
}

void sinEscritura(QComboBox* lista)
{
    new TFiltro(lista, TFiltro::SinEscritura);
}

void quitaErrorAlEnfocar(QWidget* campo)
{
    new TFiltro(campo, TFiltro::QuitaError);
}

void alSalir(QWidget* campo, std::function<void()> accion)
{
    new TFiltro(campo, TFiltro::AlSalir, std::move(accion));
}

} // namespace FiltroCampo
