#pragma once
#include "Entidades.h"
#include "TElementoMenuModulo.h"
#include "TElementoModulo.h"

#include <QLabel>
#include <QObject>
#include <QWidget>

// The reports package (Reportes.bpl): its menu and its window.

class TMenuReportesFrm : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TMenuReportesFrm(QObject* parent = nullptr);
    Q_INVOKABLE TListaMenuModulo GetMenuItems() const;
};

class TReportesFrm : public QWidget {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TReportesFrm(QWidget* parent = nullptr);

    // The voucher browser: the list with its filters and totals in the work
    // area, quick periods in the side menu.
    Q_INVOKABLE TElementoModulo* GetVentanaReportesFrm(const QString& exePath, const TNegocio* negocio,
                                                       const TUsuario* usuario, const TConexionSesion* conexion,
                                                       const TUsuarionegocio* usuarioNegocio, QWidget* ventanaPrincipal,
                                                       QWidget* menuLateral, QLabel* sucursal);
};
