#include "TVentanasModulo.h"

#include "ContratoModulos.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Sistema.h"
#include "TAreaTrabajo.h"
#include "TContenedorTexto.h"
#include "negocio/TPaquete.h"
#include "shell/Modulos.h"

#include <QLabel>
#include <QWidget>

#include <type_traits>

namespace {

// The routine's shape, read off the contract's alias.
template <class R, class... A> bool tieneForma(const QMetaMethod& metodo, R (*)(A...))
{
    return TPaquete::tieneFirma(metodo, QMetaType::fromType<R>(), {QMetaType::fromType<std::remove_cvref_t<A>>()...});
}

template <class R, class... A>
bool invoca(const QMetaMethod& metodo, QObject* objeto, R& resultado, R (*)(A...),
            const std::remove_cvref_t<A>&... argumentos)
{
    return metodo.invoke(objeto, Qt::DirectConnection,
                         QGenericReturnArgument(QMetaType::fromType<R>().name(), &resultado),
                         QGenericArgument(QMetaType::fromType<std::remove_cvref_t<A>>().name(), &argumentos)...);
}

constexpr ContratoModulos::TRutinaVentana* RUTINA_VENTANA = nullptr;

void anota(const QString& texto)
{
    Logmanager::Log(texto, 1, Sistema::exePath);
}

} // namespace

TVentanasModulo::TVentanasModulo(QWidget* principal, TAreaTrabajo& area, QLabel* sucursal)
    : m_principal(principal), m_area(area), m_sucursal(sucursal)
{
}

void TVentanasModulo::actualizaContexto()
{
    m_negocio = Sistema::Negocio ? *Sistema::Negocio : TNegocio();
    m_usuario = Sistema::Usuario ? *Sistema::Usuario : TUsuario();
    m_conexion = Sistema::Conexion ? *Sistema::Conexion : TConexionSesion();
    m_usuarioNegocio = Sistema::UsuarioNegocio ? *Sistema::UsuarioNegocio : TUsuarionegocio();
}

bool TVentanasModulo::preparaFila(const TElementoMenuModulo& elemento)
{
    if (elemento.getClase().isEmpty() || elemento.getVentana().isEmpty())
        return true;
    const Modulos::TClaseVentana clase = Modulos::claseVentana(elemento);
    if (!clase.problema.isEmpty()) {
        anota(QStringLiteral("Menú %1 sin ventana: %2").arg(elemento.getNombreMenu(), clase.problema));
        return false;
    }
    if (m_ventanas.value(elemento.getVentana()))
        return true;
    TElementoModulo* descriptor = crea(*clase.clase, clase.metodo);
    if (!descriptor) {
        anota(QStringLiteral("Menú %1 sin ventana: %2 no dio su ventana")
                  .arg(elemento.getNombreMenu(), elemento.getVentana()));
        return false;
    }
    m_ventanas.insert(elemento.getVentana(), descriptor);
    return true;
}

TElementoModulo* TVentanasModulo::crea(const QMetaObject& clase, const QMetaMethod& rutina)
{
    if (!tieneForma(rutina, RUTINA_VENTANA))
        return nullptr;
    QObject* instancia = nullptr;
    try {
        instancia = clase.newInstance(Q_ARG(QWidget*, m_principal));
    } catch (...) {
        instancia = nullptr;
    }
    if (!instancia)
        return nullptr;
    // A module window only lends its contents to the work area.
    static_cast<QWidget*>(instancia)->hide();
    TElementoModulo* descriptor = nullptr;
    try {
        if (!invoca(rutina, instancia, descriptor, RUTINA_VENTANA, Sistema::exePath, &m_negocio, &m_usuario,
                    &m_conexion, &m_usuarioNegocio, static_cast<QWidget*>(m_area.trabajo()),
                    static_cast<QWidget*>(m_area.lateral()), m_sucursal))
            descriptor = nullptr;
    } catch (const std::exception& e) {
        anota(Errores::describe(e));
        descriptor = nullptr;
    } catch (...) {
        descriptor = nullptr;
    }
    if (!descriptor)
        delete instancia;
    return descriptor;
}
