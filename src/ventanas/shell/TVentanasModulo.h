#pragma once
#include "Entidades.h"
#include "TElementoMenuModulo.h"
#include "TElementoModulo.h"

#include <QHash>
#include <QPointer>
#include <QStringList>

class QLabel;
class QWidget;
class TAreaTrabajo;

// The module windows of the main window: one per window routine, made the
// first time a menu row names it, with the main window as parent, and kept
// for the rest of the run.
class TVentanasModulo {
public:
    // `principal` parents the module windows; the routines receive the work
    // area's holders and the branch label.
    TVentanasModulo(QWidget* principal, TAreaTrabajo& area, QLabel* sucursal);

    // What module windows are given: objects that live as long as the main
    // window and are refreshed in place when the session changes, so a
    // window made for one business reads the current one.
    void actualizaContexto();
    // Whether the row can open a window: the row names none (it opens what
    // another package gave under its component name), or the routine it names
    // gave its window now or before. A row that cannot is logged.
    bool preparaFila(const TElementoMenuModulo& elemento);

    // The descriptor of a window routine; nullptr when none was made.
    TElementoModulo* ventana(const QString& rutina) const { return m_ventanas.value(rutina); }
    void registra(const QString& rutina, TElementoModulo* descriptor) { m_ventanas.insert(rutina, descriptor); }
    QStringList rutinas() const { return m_ventanas.keys(); }

private:
    TElementoModulo* crea(const QMetaObject& clase, const QMetaMethod& rutina);

    QWidget* m_principal;
    TAreaTrabajo& m_area;
    QLabel* m_sucursal;
    QHash<QString, QPointer<TElementoModulo>> m_ventanas;
    TNegocio m_negocio;
    TUsuario m_usuario;
    TConexionSesion m_conexion;
    TUsuarionegocio m_usuarioNegocio;
};
