#include "TMenuReportesFrm.h"

#include "Constantes.h"
#include "ContratoModulos.h"
#include "RegistroClases.h"
#include "TContenidoReportes.h"

#include <type_traits>

using namespace Constantes;

// The shell calls the routine with exactly the contract's shape.
static_assert(
    std::is_same_v<decltype(&TReportesFrm::GetVentanaReportesFrm), ContratoModulos::TMetodoVentana<TReportesFrm>>);

namespace {

const QString CLASE_VENTANA = QStringLiteral("TReportesFrm");
const QString RUTINA = QStringLiteral("GetVentanaReportesFrm");

const TRegistroClase registroMenu(QStringLiteral("TMenuReportesFrm"), &TMenuReportesFrm::staticMetaObject);
const TRegistroClase registroVentana(CLASE_VENTANA, &TReportesFrm::staticMetaObject);

} // namespace

TMenuReportesFrm::TMenuReportesFrm(QObject* parent) : QObject(parent) {}

TListaMenuModulo TMenuReportesFrm::GetMenuItems() const
{
    return {
        {NOMBRE_REPORTES, QString(), QString(), QString(), IMG_REPORTES, TIPO_MENU_PRINCIPAL},
        {QStringLiteral("Comprobantes"), RUTINA, RUTINA, CLASE_VENTANA, IMG_REPORTES, TIPO_MENU_SUBMENU},
        {QStringLiteral("Gráfica"), RUTINA + QLatin1Char('_') + TContenidoReportes::ACCION_GRAFICA, RUTINA,
         CLASE_VENTANA, IMG_REPORTES, TIPO_MENU_SUBMENU},
        {QStringLiteral("Conciliación con el SAT"), RUTINA + QLatin1Char('_') + TContenidoReportes::ACCION_CONCILIACION,
         RUTINA, CLASE_VENTANA, IMG_REPORTES, TIPO_MENU_SUBMENU},
    };
}

TReportesFrm::TReportesFrm(QWidget* parent) : QWidget(parent) {}

TElementoModulo* TReportesFrm::GetVentanaReportesFrm(const QString&, const TNegocio* negocio, const TUsuario*,
                                                     const TConexionSesion* conexion, const TUsuarionegocio*, QWidget*,
                                                     QWidget*, QLabel*)
{
    auto* ventana = new TElementoModulo(this);
    auto* contenido = new TContenidoReportes(negocio, conexion, this);
    ventana->setModuloPrincipal(contenido);
    ventana->setSubMenu(contenido->creaPeriodos(this));
    return ventana;
}
