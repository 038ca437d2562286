#pragma once
#include "admin/TEdicionEmpresa.h"

#include <QList>
#include <QStringList>
#include <QString>
#include <QWidget>

#include <functional>
#include <initializer_list>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TDireccionesFrm;

// One section of the company editor: its title, a link that opens and closes
// it (click, Enter or Space), and its content below. The editor opens one at
// a time and has it read again first (carga), so what another user saved
// meanwhile shows.
class TSeccionEmpresa : public QWidget {
    Q_OBJECT
public:
    // What a failed save tells before the error's own text when the error is
    // not one of ours.
    static const QString SIN_GUARDAR;

    // `nombre` names the section, `nombreTitulo` its title; the content is
    // named `nombre` + "Contenido".
    TSeccionEmpresa(QWidget* padre, const QString& nombre, const QString& nombreTitulo, const QString& textoTitulo);

    bool abierta() const;
    // Shows or hides the content; the title's arrow follows.
    void muestraContenido(bool visible);
    QLabel* titulo() const { return m_titulo; }

    // Reads what the section shows again from the signed-in business.
    virtual void carga() = 0;
    // Puts the keyboard focus where the user starts.
    virtual void enfoca() = 0;
    // The section's keyboard stops after its title, in reading order.
    virtual QList<QWidget*> ordenTabulacion() const = 0;
    // The labels of the fields typed into and not saved yet; carga and a
    // good save forget them.
    virtual QStringList cambiosSinGuardar() const { return {}; }

    // Runs a save or a read through the error edge (Utils::protegido with
    // SIN_GUARDAR): an error is shown and what was stored stays. True when
    // it went through.
    static bool guarda(const std::function<void()>& accion);
    // Asks whether to throw away what was typed in `campos` (labels); true
    // when there is nothing to lose or the user agrees.
    static bool descartaCambios(const QStringList& campos);
    // The labels of those `campos` typed into since they were loaded or saved.
    static QStringList modificados(std::initializer_list<const QLineEdit*> campos);

signals:
    void tituloPulsado();

protected:
    QWidget* contenido() const { return m_contenido; }

    // A row of buttons pushed to the right.
    static QHBoxLayout* botones(const QList<QPushButton*>& lista);
    // A read-only grid chosen by rows.
    static QTableWidget* tabla(QWidget* padre, const QString& nombre);
    // An address shown, not edited.
    static void muestraDireccion(TDireccionesFrm* panel, const EdicionEmpresa::TDireccionMostrada& d);

private:
    QLabel* m_titulo;
    QWidget* m_contenido;
};
