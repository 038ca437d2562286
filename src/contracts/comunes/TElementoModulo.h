#pragma once
#include "ComunesExport.h"

#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

// Parameters handed between modules: name -> list of texts. Lists are shared,
// so a module that hands its parameters on hands the same lists.
using TParametrosModulo = QMap<QString, std::shared_ptr<QStringList>>;

// One window a module package offers, as its window routine returns it. The
// three contents are widgets of the module (kept here as objects, so the
// common package stays free of widget code): the main content the shell shows
// in its work area, an optional content for the side menu and an optional
// configuration content.
//
// The shell tells a content what to do by setting its "text" property and
// invoking its "click(QObject*)" operation: an empty text opens it plainly,
// "Limpia" opens the configuration, any other text is the action named after
// "_" in the menu entry's component name.
//
// The window routine creates the descriptor with the module's window as
// parent, so it lives as long as that window.
class COMUNES_EXPORT TElementoModulo : public QObject {
    Q_OBJECT
public:
    explicit TElementoModulo(QObject* parent = nullptr);

    QObject* getModuloPrincipal() const { return m_moduloPrincipal; }
    void setModuloPrincipal(QObject* v) { m_moduloPrincipal = v; }
    // nullptr when the window has no side menu.
    QObject* getSubMenu() const { return m_subMenu; }
    void setSubMenu(QObject* v) { m_subMenu = v; }
    QObject* getConfiguracion() const { return m_configuracion; }
    void setConfiguracion(QObject* v) { m_configuracion = v; }

    TParametrosModulo getparametros() const { return m_parametros; }
    void setparametros(const TParametrosModulo& v) { m_parametros = v; }

private:
    QPointer<QObject> m_moduloPrincipal;
    QPointer<QObject> m_subMenu;
    QPointer<QObject> m_configuracion;
    TParametrosModulo m_parametros;
};
