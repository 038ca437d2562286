#include "TMenuEjemploFrm.h"

#include "Constantes.h"
#include "ContratoModulos.h"
#include "RegistroClases.h"
#include "TContenidoEjemplo.h"

#include <type_traits>

// The shell calls the routine with exactly the contract's shape.
static_assert(
    std::is_same_v<decltype(&TEjemploFrm::GetVentanaEjemploFrm), ContratoModulos::TMetodoVentana<TEjemploFrm>>);

namespace {

// Registered while the package is loaded.
const TRegistroClase registroMenu(QStringLiteral("TMenuEjemploFrm"), &TMenuEjemploFrm::staticMetaObject);
const TRegistroClase registroVentana(QStringLiteral("TEjemploFrm"), &TEjemploFrm::staticMetaObject);

} // namespace

TMenuEjemploFrm::TMenuEjemploFrm(QObject* parent) : QObject(parent) {}

TListaMenuModulo TMenuEjemploFrm::GetMenuItems() const
{
    using namespace Constantes;
    const QString clase = QStringLiteral("TEjemploFrm");
    const QString rutina = QStringLiteral("GetVentanaEjemploFrm");
    return {
        // The header's text is the module's name: the shell checks the
        // user's right for it (a name no right covers is open to all).
        {QStringLiteral("Ejemplo"), QString(), QString(), QString(), IMG_LAPIZ, TIPO_MENU_PRINCIPAL},
        {QStringLiteral("Abrir"), rutina, rutina, clase, IMG_LAPIZ, TIPO_MENU_SUBMENU},
        // After "_": the action the content receives as its text.
        {QStringLiteral("Acción 3"), rutina + QStringLiteral("_3"), rutina, clase, IMG_LAPIZ, TIPO_MENU_SUBMENU},
        {QStringLiteral("Configuración"), rutina + QStringLiteral("_Configuracion"), rutina, clase, IMG_LAPIZ,
         TIPO_MENU_SUBMENU},
    };
}

TEjemploFrm::TEjemploFrm(QWidget* parent) : QWidget(parent) {}

TElementoModulo* TEjemploFrm::GetVentanaEjemploFrm(const QString&, const TNegocio*, const TUsuario*,
                                                   const TConexionSesion*, const TUsuarionegocio*, QWidget*, QWidget*,
                                                   QLabel*)
{
    // The contents are this window's children: they live as long as it, and
    // the shell gives them back here when it takes them out of its areas.
    auto* ventana = new TElementoModulo(this);
    auto* principal = new TContenidoEjemplo(QStringLiteral("Ventana de ejemplo"), this);
    principal->setObjectName(QStringLiteral("EjemploPrincipal"));
    auto* subMenu = new TContenidoEjemplo(QStringLiteral("Menú del ejemplo"), this);
    subMenu->setObjectName(QStringLiteral("EjemploSubMenu"));
    auto* configuracion = new TContenidoEjemplo(QStringLiteral("Configuración del ejemplo"), this);
    configuracion->setObjectName(QStringLiteral("EjemploConfiguracion"));
    ventana->setModuloPrincipal(principal);
    ventana->setSubMenu(subMenu);
    ventana->setConfiguracion(configuracion);
    return ventana;
}
