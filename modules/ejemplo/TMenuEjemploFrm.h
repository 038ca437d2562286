#pragma once
#include "Entidades.h"
#include "TElementoMenuModulo.h"
#include "TElementoModulo.h"

#include <QLabel>
#include <QObject>
#include <QWidget>

// The package Ejemplo.bpl: its menu class TMenuEjemploFrm (the package's name
// between "TMenu" and "Frm") and one window class, TEjemploFrm.

class TMenuEjemploFrm : public QObject {
    Q_OBJECT
public:
    // The shell makes it with no arguments.
    Q_INVOKABLE explicit TMenuEjemploFrm(QObject* parent = nullptr);
    // The module's menu, in order: its header and its entries.
    Q_INVOKABLE TListaMenuModulo GetMenuItems() const;
};

class TEjemploFrm : public QWidget {
    Q_OBJECT
public:
    // The shell makes it with the main window as parent and keeps it hidden.
    Q_INVOKABLE explicit TEjemploFrm(QWidget* parent = nullptr);

    // The window routine: "GetVentana" + module + "Frm". The session objects
    // stay valid as long as the main window and always describe the current
    // session: read them when a content opens, not once here.
    Q_INVOKABLE TElementoModulo* GetVentanaEjemploFrm(const QString& exePath, const TNegocio* negocio,
                                                      const TUsuario* usuario, const TConexionSesion* conexion,
                                                      const TUsuarionegocio* usuarioNegocio, QWidget* ventanaPrincipal,
                                                      QWidget* menuLateral, QLabel* sucursal);
};
