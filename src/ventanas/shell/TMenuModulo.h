#pragma once
#include <QList>

class QWidget;

// The menu group of one module package in the left menu: its header rows,
// its submenu rows (shown while expanded) and the container that holds both.
// The widgets belong to the menu panel.
class TMenuModulo {
public:
    QWidget* getEncabezado() const { return m_encabezado; }
    void setEncabezado(QWidget* v) { m_encabezado = v; }
    QWidget* getSubMenu() const { return m_subMenu; }
    void setSubMenu(QWidget* v) { m_subMenu = v; }
    bool getIsExpanded() const { return m_isExpanded; }
    void setIsExpanded(bool v) { m_isExpanded = v; }
    QList<QWidget*> getElementosSubMenu() const { return m_elementosSubMenu; }
    void setElementosSubMenu(const QList<QWidget*>& v) { m_elementosSubMenu = v; }
    QWidget* getContenedor() const { return m_contenedor; }
    void setContenedor(QWidget* v) { m_contenedor = v; }
    QWidget* getVentana() const { return m_ventana; }
    void setVentana(QWidget* v) { m_ventana = v; }

private:
    QWidget* m_encabezado = nullptr;
    QWidget* m_subMenu = nullptr;
    bool m_isExpanded = false;
    QList<QWidget*> m_elementosSubMenu;
    QWidget* m_contenedor = nullptr;
    QWidget* m_ventana = nullptr;
};
