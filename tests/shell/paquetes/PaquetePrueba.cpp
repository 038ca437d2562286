#include "PaquetePrueba.h"

#include "Constantes.h"
#include "ContratoModulos.h"
#include "RegistroClases.h"
#include "TContenidoEjemplo.h"

#include <QEventLoop>

#include <stdexcept>
#include <type_traits>

using namespace Constantes;

// Every routine of the fixture has the contract's shape, so the cases differ
// only in what they register.
using TMetodoPrueba = ContratoModulos::TMetodoVentana<TVentanaPruebaFrm>;
static_assert(std::is_same_v<decltype(&TVentanaPruebaFrm::GetVentanaBridgeTXTFrm), TMetodoPrueba>);
static_assert(std::is_same_v<decltype(&TVentanaPruebaFrm::GetVentanaProductosFrm), TMetodoPrueba>);
static_assert(std::is_same_v<decltype(&TVentanaPruebaFrm::GetVentanaAFrm), TMetodoPrueba>);
static_assert(std::is_same_v<decltype(&TVentanaPruebaFrm::GetVentanaClientesFrm), TMetodoPrueba>);

namespace {

#if defined(VARIANTE_UNICO)
// A single entry that opens a text-bridge window.
const TRegistroClase menu(QStringLiteral("TMenuUnicoFrm"), &TMenuPruebaFrm::staticMetaObject);
const TRegistroClase ventana(QStringLiteral("TPuenteFrm"), &TVentanaPruebaFrm::staticMetaObject);
#elif defined(VARIANTE_SINRUTINA)
// A header whose entries name a routine the window class lacks, a class
// nobody registered, and one window that is there.
const TRegistroClase menu(QStringLiteral("TMenuSinRutinaFrm"), &TMenuPruebaFrm::staticMetaObject);
const TRegistroClase ventana(QStringLiteral("TSinRutinaFrm"), &TVentanaPruebaFrm::staticMetaObject);
#elif defined(VARIANTE_AJENO)
// The menu class under a name that is not the package's.
const TRegistroClase menu(QStringLiteral("TMenuOtroFrm"), &TMenuPruebaFrm::staticMetaObject);
#elif defined(VARIANTE_BRIDGE)
// A perfectly good package the loader must leave alone: if it ever loads,
// its class shows up in the registry.
const TRegistroClase menu(QStringLiteral("TMenuBridgeTXTFrm"), &TMenuPruebaFrm::staticMetaObject);
#elif defined(VARIANTE_A)
// Built as a.bpl.bpl.
const TRegistroClase menu(QStringLiteral("TMenuaFrm"), &TMenuPruebaFrm::staticMetaObject);
const TRegistroClase ventana(QStringLiteral("TVentanaAFrm"), &TVentanaPruebaFrm::staticMetaObject);
#elif defined(VARIANTE_SINMENU)
// The menu class's name on a class without GetMenuItems.
const TRegistroClase menu(QStringLiteral("TMenuSinMenuFrm"), &TVentanaPruebaFrm::staticMetaObject);
#elif defined(VARIANTE_SINSIMBOLO)
// Needs a function nobody provides: it must fail when loaded, not when
// first called.
extern "C" int velkor_funcion_que_no_existe();
const TRegistroClase menu(QStringLiteral("TMenuSinSimboloFrm"), &TMenuPruebaFrm::staticMetaObject);
#elif defined(VARIANTE_LANZACARGA) || defined(VARIANTE_LANZAENTERO)
// Start-up code that throws, as a static object reading a setting that is
// not there would.
const TRegistroClase menu(QStringLiteral("TMenuLanzaCargaFrm"), &TMenuPruebaFrm::staticMetaObject);
struct TLanzaAlCargar {
    TLanzaAlCargar()
    {
#if defined(VARIANTE_LANZACARGA)
        throw std::runtime_error("falta la configuración del módulo");
#else
        throw 7;
#endif
    }
};
const TLanzaAlCargar lanza;
#elif defined(VARIANTE_CONTENIDOS)
// Contents that fail or let events run when they open (TContenidoPrueba),
// and one that does neither.
const TRegistroClase menu(QStringLiteral("TMenuContenidosFrm"), &TMenuPruebaFrm::staticMetaObject);
const TRegistroClase ventana(QStringLiteral("TContenidosFrm"), &TVentanaPruebaFrm::staticMetaObject);
#endif

} // namespace

TMenuPruebaFrm::TMenuPruebaFrm(QObject* parent) : QObject(parent) {}

TListaMenuModulo TMenuPruebaFrm::GetMenuItems() const
{
#if defined(VARIANTE_UNICO)
    const QString rutina = QStringLiteral("GetVentanaBridgeTXTFrm");
    return {
        {QStringLiteral("Puente TXT"), rutina, rutina, QStringLiteral("TPuenteFrm"), IMG_BRIDGE_TXT, TIPO_MENU_UNICO}};
#elif defined(VARIANTE_SINRUTINA)
    const QString rutina = QStringLiteral("GetVentanaProductosFrm");
    return {{NOMBRE_PRODUCTOS, QString(), QString(), QString(), IMG_PRODUCTOSERVICIOS, TIPO_MENU_PRINCIPAL},
            {QStringLiteral("Sin rutina"), QStringLiteral("GetVentanaInexistenteFrm"),
             QStringLiteral("GetVentanaInexistenteFrm"), QStringLiteral("TSinRutinaFrm"), IMG_PRODUCTOSERVICIOS,
             TIPO_MENU_SUBMENU},
            {QStringLiteral("Sin clase"), rutina, rutina, QStringLiteral("TNoRegistradaFrm"), IMG_PRODUCTOSERVICIOS,
             TIPO_MENU_SUBMENU},
            {QStringLiteral("Catálogo"), rutina, rutina, QStringLiteral("TSinRutinaFrm"), IMG_PRODUCTOSERVICIOS,
             TIPO_MENU_SUBMENU}};
#elif defined(VARIANTE_A)
    const QString rutina = QStringLiteral("GetVentanaAFrm");
    return {{QStringLiteral("A"), rutina, rutina, QStringLiteral("TVentanaAFrm"), IMG_LAPIZ, TIPO_MENU_UNICO}};
#elif defined(VARIANTE_SINSIMBOLO)
    return {{QString::number(velkor_funcion_que_no_existe()), QString(), QString(), QString(), IMG_LAPIZ,
             TIPO_MENU_PRINCIPAL}};
#elif defined(VARIANTE_CONTENIDOS)
    const QString rutina = QStringLiteral("GetVentanaProductosFrm");
    const QString otra = QStringLiteral("GetVentanaClientesFrm");
    const QString clase = QStringLiteral("TContenidosFrm");
    const auto fila = [&clase](const QString& texto, const QString& ventana, const QString& accion) {
        return TElementoMenuModulo(texto, accion.isEmpty() ? ventana : ventana + u'_' + accion, ventana, clase,
                                   IMG_LAPIZ, TIPO_MENU_SUBMENU);
    };
    return {{QStringLiteral("Contenidos"), QString(), QString(), QString(), IMG_LAPIZ, TIPO_MENU_PRINCIPAL},
            fila(QStringLiteral("Lanza"), rutina, QStringLiteral("lanza")),
            fila(QStringLiteral("Lanza un entero"), rutina, QStringLiteral("entero")),
            fila(QStringLiteral("Espera"), rutina, QStringLiteral("espera")),
            fila(QStringLiteral("Otra"), otra, QString())};
#else
    return {{QStringLiteral("Sin ventanas"), QString(), QString(), QString(), IMG_LAPIZ, TIPO_MENU_PRINCIPAL}};
#endif
}

TVentanaPruebaFrm::TVentanaPruebaFrm(QWidget* parent) : QWidget(parent) {}

TElementoModulo* TVentanaPruebaFrm::creaVentana(const QString& nombre)
{
    auto* descriptor = new TElementoModulo(this);
#if defined(VARIANTE_CONTENIDOS)
    QWidget* principal = nombre == u"GetVentanaProductosFrm"
                             ? static_cast<QWidget*>(new TContenidoPrueba(this))
                             : static_cast<QWidget*>(new TContenidoEjemplo(nombre, this));
#else
    auto* principal = new TContenidoEjemplo(nombre, this);
#endif
    principal->setObjectName(nombre + QStringLiteral("Principal"));
    descriptor->setModuloPrincipal(principal);
    return descriptor;
}

TContenidoPrueba::TContenidoPrueba(QWidget* parent) : QWidget(parent) {}

void TContenidoPrueba::click(QObject*)
{
    if (m_texto == u"lanza")
        throw std::runtime_error("el catálogo del módulo no se pudo leer");
    if (m_texto == u"entero")
        throw 7;
    if (m_texto == u"espera") {
        QEventLoop bucle;
        // Queued after whatever was posted before the content opened.
        QMetaObject::invokeMethod(&bucle, &QEventLoop::quit, Qt::QueuedConnection);
        bucle.exec();
    }
}
