#pragma once
#include "ComunesExport.h"

#include <QList>
#include <QMetaType>
#include <QString>

// One menu entry a module package offers, one per element of the list its
// menu class's GetMenuItems returns, in menu order.
//
// The kind (getTipo) is TIPO_MENU_PRINCIPAL for the module's expandable header,
// TIPO_MENU_UNICO for a single entry that opens a window, any other value for
// an entry of the module's submenu. An entry that opens a window names the
// registered window class (getClase) and its window routine (getVentana); the
// shell reads the window and the action from the component name
// (getNombreComponente: the routine's name, optionally followed by "_" and an
// action).
class COMUNES_EXPORT TElementoMenuModulo {
public:
    TElementoMenuModulo() = default;
    TElementoMenuModulo(const QString& nombreMenu, const QString& nombreComponente, const QString& ventana,
                        const QString& clase, const QString& imagen, int tipo);

    QString getNombreMenu() const { return m_nombreMenu; }
    void setNombreMenu(const QString& v) { m_nombreMenu = v; }
    QString getNombreComponente() const { return m_nombreComponente; }
    void setNombreComponente(const QString& v) { m_nombreComponente = v; }
    QString getVentana() const { return m_ventana; }
    void setVentana(const QString& v) { m_ventana = v; }
    QString getClase() const { return m_clase; }
    void setClase(const QString& v) { m_clase = v; }
    // Name of the entry's icon in the resource package (an IMG_* value).
    QString getImagen() const { return m_imagen; }
    void setImagen(const QString& v) { m_imagen = v; }
    int getTipo() const { return m_tipo; }
    void setTipo(int v) { m_tipo = v; }

    bool operator==(const TElementoMenuModulo&) const = default;

private:
    QString m_nombreMenu;
    QString m_nombreComponente;
    QString m_ventana;
    QString m_clase;
    QString m_imagen;
    int m_tipo = 0;
};

// What GetMenuItems returns.
using TListaMenuModulo = QList<TElementoMenuModulo>;

Q_DECLARE_METATYPE(TElementoMenuModulo)
