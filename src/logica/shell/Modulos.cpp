#include "Modulos.h"

#include "Constantes.h"
#include "ContratoModulos.h"
#include "Logmanager.h"
#include "Prompter.h"
#include "RegistroClases.h"
#include "Reinicio.h"
#include "Sistema.h"
#include "negocio/ModulosInstalados.h"
#include "negocio/TPaquete.h"
#include "negocio/Utils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

using namespace Constantes;

namespace Utils {

QStringList getListBpl(const QString& carpeta)
{
    const QDir dir(carpeta);
    QStringList archivos;
    // Windows matched "*.bpl" regardless of letter case and listed by name.
    const QFileInfoList entradas =
        dir.entryInfoList({QLatin1Char('*') + ContratoModulos::EXTENSION_PAQUETE}, QDir::Files, QDir::Name);
    for (const QFileInfo& entrada : entradas)
        archivos << dir.absoluteFilePath(entrada.fileName());
    return archivos;
}

} // namespace Utils

namespace Modulos {

QString nombrePaquete(const QString& archivo)
{
    return QFileInfo(archivo).fileName().remove(ContratoModulos::EXTENSION_PAQUETE, Qt::CaseInsensitive);
}

namespace {

// Window routines are C++ names: "Nómina 4.0" can only be spelled
// "Nomina40" in them, so names are compared without accents, blanks or dots.
QString pliegaNombre(const QString& nombre)
{
    QString pliegue;
    for (const QChar c : nombre.normalized(QString::NormalizationForm_D))
        if (c.isLetterOrNumber())
            pliegue += c;
    return pliegue;
}

} // namespace

QString convierteModulo(const QString& nombre)
{
    // In this order, the last equal name wins; the 4.0 payroll and text-bridge
    // modules share the rights of their 3.3 modules.
    const QList<QPair<QString, QString>> tabla = {
        {NOMBRE_BRIDGE_TXT, CODIGO_BRIDGE_TXT},   {NOMBRE_REPORTES, CODIGO_REPORTES},
        {NOMBRE_PRODUCTOS, CODIGO_PRODUCTOS},     {NOMBRE_NOMINA, CODIGO_NOMINA},
        {NOMBRE_FACTURACION, CODIGO_FACTURACION}, {NOMBRE_CLIENTES, CODIGO_CLIENTES},
        {NOMBRE_RESPALDOS, CODIGO_RESPALDOS},     {NOMBRE_FACTURACION_40, CODIGO_FACTURACION_40},
        {NOMBRE_NOMINA_40, CODIGO_NOMINA},        {NOMBRE_BRIDGE_TXT_40, CODIGO_BRIDGE_TXT},
    };
    const QString buscado = pliegaNombre(nombre);
    QString codigo;
    for (const auto& [modulo, codigoModulo] : tabla)
        if (buscado == pliegaNombre(modulo))
            codigo = codigoModulo;
    return codigo;
}

bool permitido(const QString& codigo)
{
    return codigo.isEmpty() || Sistema::getPermiso(codigo);
}

TPaqueteBean* buscaPaquete(const TListaPaquetes& lista, const QString& nombre)
{
    for (const auto& paquete : lista)
        if (paquete->getNombreBPL() == nombre)
            return paquete.get();
    return nullptr;
}

bool cargaPaquete(TPaqueteBean& paquete, TListaMenuModulo& menu, const QString& carpetaPrograma,
                  std::optional<TPaqueteFallido>* fallido)
{
    TPaquete biblioteca(paquete.getBpl(), carpetaPrograma);
    const auto falla = [&paquete, &biblioteca] {
        paquete.setError(biblioteca.error());
        return false;
    };
    if (!biblioteca.carga()) {
        if (fallido && biblioteca.lanzo())
            *fallido = TPaqueteFallido{biblioteca.archivo(), biblioteca.apartadoComo(), biblioteca.motivoNoApartado()};
        return falla();
    }
    // Windows of the package may outlive any QLibrary of this file.
    paquete.setH(biblioteca.retiene());

    const QString nombreClase = ContratoModulos::PREFIJO_MENU + paquete.getNombreBPL() + ContratoModulos::SUFIJO_CLASE;
    const QMetaObject* clase = biblioteca.clase(nombreClase);
    paquete.setObjClass(clase);
    if (!clase)
        return falla();
    QObject* instancia = biblioteca.crea(*clase);
    if (!instancia)
        return falla();
    paquete.setNewForm(instancia);
    paquete.setFormClass(clase);

    Utils::TMetodo rutina;
    rutina.metodo =
        biblioteca.operacion(*clase, ContratoModulos::OPERACION_MENU, QMetaType::fromType<TListaMenuModulo>(), {});
    if (!rutina.metodo.isValid())
        return falla();
    rutina.instancia = instancia;
    paquete.setRoutine(rutina);
    try {
        if (!rutina.metodo.invoke(instancia, Qt::DirectConnection, Q_RETURN_ARG(TListaMenuModulo, menu)))
            biblioteca.falla(ContratoModulos::OPERACION_MENU + QStringLiteral(" no se pudo llamar"));
    } catch (const std::exception& e) {
        biblioteca.falla(ContratoModulos::OPERACION_MENU + QStringLiteral(" falló: ") +
                         QString::fromLocal8Bit(e.what()));
    } catch (...) {
        biblioteca.falla(ContratoModulos::OPERACION_MENU + QStringLiteral(" falló"));
    }
    return biblioteca.error().isEmpty() || falla();
}

TClaseVentana claseVentana(const TElementoMenuModulo& elemento)
{
    TClaseVentana r;
    r.clase = RegistroClases::busca(elemento.getClase());
    if (r.clase)
        r.metodo = TPaquete::buscaMetodo(*r.clase, elemento.getVentana());
    r.problema = !r.clase ? QStringLiteral("la clase %1 no está registrada").arg(elemento.getClase())
                 : !TPaquete::deriva(*r.clase, "QWidget")
                     ? QStringLiteral("la clase %1 no es una ventana").arg(elemento.getClase())
                 : !r.metodo.isValid()
                     ? QStringLiteral("la clase %1 no publica %2").arg(elemento.getClase(), elemento.getVentana())
                     : QString();
    return r;
}

void cargaModulos(TListaPaquetes& lBpl, const QString& carpetaPrograma,
                  const std::function<void(const TListaMenuModulo&, TPaqueteBean&)>& alMenu)
{
    const QStringList archivos = Utils::getListBpl(carpetaPrograma + QStringLiteral("Plugins/"));
    QList<TPaqueteFallido> fallidos;
    for (const QString& archivo : archivos) {
        auto paquete = std::make_shared<TPaqueteBean>();
        paquete->setBpl(archivo);
        // The text bridge is not a menu module (the name is compared as the
        // file system gives it).
        if (QFileInfo(archivo).fileName() == BRIDGE_TXT_BPL) {
            ModulosInstalados::registra(CODIGO_BRIDGE_TXT);
            continue;
        }
        paquete->setNombreBPL(nombrePaquete(archivo));
        if (buscaPaquete(lBpl, paquete->getNombreBPL()))
            continue;
        TListaMenuModulo menu;
        std::optional<TPaqueteFallido> fallido;
        // A package that gives no menu was logged by its loader.
        if (cargaPaquete(*paquete, menu, carpetaPrograma, &fallido)) {
            for (const auto& elemento : menu)
                ModulosInstalados::registra(convierteModulo(elemento.getNombreMenu()));
            if (alMenu)
                alMenu(menu, *paquete);
        }
        if (fallido)
            fallidos << *fallido;
        lBpl.append(paquete);
    }
    avisaFallidos(fallidos, carpetaPrograma);
}

void avisaFallidos(const QList<TPaqueteFallido>& fallidos, const QString& carpetaPrograma)
{
    if (fallidos.isEmpty())
        return;
    QStringList lineas;
    bool apartados = true;
    for (const TPaqueteFallido& fallido : fallidos) {
        const QFileInfo archivo(fallido.archivo);
        if (!fallido.apartado.isEmpty()) {
            lineas << QStringLiteral("El paquete de módulo «%1» falló al cargarse y se apartó como «%2».")
                          .arg(archivo.fileName(), QFileInfo(fallido.apartado).fileName());
        } else {
            apartados = false;
            lineas << QStringLiteral("El paquete de módulo «%1» falló al cargarse y no se pudo apartar (%2): "
                                     "quítalo de la carpeta %3 o vuelve a instalar el programa.")
                          .arg(archivo.fileName(), fallido.motivoNoApartado,
                               QDir::toNativeSeparators(archivo.absolutePath()));
        }
    }
    if (!apartados) {
        lineas << QStringLiteral("Los demás módulos se cargaron. Cuando lo hayas quitado, cierra %1 y vuelve a "
                                 "abrirlo.")
                      .arg(NOMBRE_SISTEMA);
        Utils::mensaje(lineas.join(SALTO), MSG_WARNING);
        return;
    }
    lineas << QStringLiteral("Los demás módulos se cargaron, pero %1 debe iniciarse de nuevo para trabajar sin "
                             "riesgo. ¿Quieres reiniciarlo ahora?")
                  .arg(NOMBRE_SISTEMA);
    if (Utils::mensajeConfirmacion(lineas.join(SALTO)) != TPrompter::OK)
        return;
    if (!Reinicio::reinicia(carpetaPrograma)) {
        Logmanager::Log(QStringLiteral("No se pudo iniciar de nuevo ") + Reinicio::programa(carpetaPrograma), 1,
                        carpetaPrograma);
        Utils::mensaje(
            QStringLiteral("No se pudo iniciar %1 de nuevo; ciérralo y vuelve a abrirlo.").arg(NOMBRE_SISTEMA),
            MSG_ERROR);
        return;
    }
    // Once the window that is being shown is done.
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

} // namespace Modulos
