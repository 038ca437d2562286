#include "Modulos.h"

#include "Constantes.h"
#include "ContratoModulos.h"
#include "Logmanager.h"
#include "negocio/UtilsPaquetes.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

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
    QString codigo;
    for (const auto& [modulo, codigoModulo] : tabla)
        if (nombre == modulo)
            codigo = codigoModulo;
    return codigo;
}

TPaqueteBean* buscaPaquete(const TListaPaquetes& lista, const QString& nombre)
{
    for (const auto& paquete : lista)
        if (paquete->getNombreBPL() == nombre)
            return paquete.get();
    return nullptr;
}

bool cargaPaquete(TPaqueteBean& paquete, TListaMenuModulo& menu)
{
    QLibrary biblioteca(paquete.getBpl());
    if (!Utils::cargaPaquete(biblioteca)) {
        paquete.setError(QStringLiteral("no se pudo cargar: ") + biblioteca.errorString());
        return false;
    }
    // Windows of the package may outlive any QLibrary of this file.
    paquete.setH(Utils::retienePaquete(biblioteca));

    const QString nombreClase = ContratoModulos::PREFIJO_MENU + paquete.getNombreBPL() + ContratoModulos::SUFIJO_CLASE;
    const QMetaObject* clase = Utils::clasePaquete(biblioteca, nombreClase);
    paquete.setObjClass(clase);
    if (!clase) {
        paquete.setError(QStringLiteral("no registra la clase ") + nombreClase);
        return false;
    }
    QObject* instancia = Utils::creaInstancia(*clase);
    if (!instancia) {
        paquete.setError(QStringLiteral("no se pudo crear la clase ") + nombreClase);
        return false;
    }
    paquete.setNewForm(instancia);
    paquete.setFormClass(clase);

    Utils::TMetodo rutina;
    rutina.metodo = Utils::buscaMetodo(*clase, ContratoModulos::OPERACION_MENU);
    if (!Utils::tieneFirma(rutina.metodo, QMetaType::fromType<TListaMenuModulo>(), {})) {
        paquete.setError(QStringLiteral("la clase %1 no publica %2() con la lista del menú")
                             .arg(nombreClase, ContratoModulos::OPERACION_MENU));
        return false;
    }
    rutina.instancia = instancia;
    paquete.setRoutine(rutina);
    try {
        if (!rutina.metodo.invoke(instancia, Qt::DirectConnection, Q_RETURN_ARG(TListaMenuModulo, menu))) {
            paquete.setError(ContratoModulos::OPERACION_MENU + QStringLiteral(" no se pudo llamar"));
            return false;
        }
    } catch (const std::exception& e) {
        paquete.setError(ContratoModulos::OPERACION_MENU + QStringLiteral(" falló: ") +
                         QString::fromLocal8Bit(e.what()));
        return false;
    } catch (...) {
        paquete.setError(ContratoModulos::OPERACION_MENU + QStringLiteral(" falló"));
        return false;
    }
    return true;
}

void cargaModulos(TListaPaquetes& lBpl, const QString& carpetaPrograma,
                  const std::function<void(const TListaMenuModulo&, TPaqueteBean&)>& alMenu)
{
    const QStringList archivos = Utils::getListBpl(carpetaPrograma + QStringLiteral("Plugins/"));
    for (const QString& archivo : archivos) {
        auto paquete = std::make_shared<TPaqueteBean>();
        paquete->setBpl(archivo);
        // The text bridge is not a menu module (the name is compared as the
        // file system gives it).
        if (QFileInfo(archivo).fileName() == BRIDGE_TXT_BPL)
            continue;
        paquete->setNombreBPL(nombrePaquete(archivo));
        if (buscaPaquete(lBpl, paquete->getNombreBPL()))
            continue;
        TListaMenuModulo menu;
        if (cargaPaquete(*paquete, menu)) {
            if (alMenu)
                alMenu(menu, *paquete);
        } else {
            Logmanager::Log(QStringLiteral("Paquete %1 sin menú: %2").arg(archivo, paquete->getError()), 1,
                            carpetaPrograma);
        }
        lBpl.append(paquete);
    }
}

} // namespace Modulos
