// Utils: access to the run-time resource package (program folder + RS_PATH).
// The package is found only by names: the class registered under
// RS_CLASS_NAME and its operations RS_METHOD_*, reached through Qt's
// meta-object system. Everything here runs on the UI thread.

#include "Utils.h"

#include "TPaquete.h"

#include "Constantes.h"
#include "Rutas.h"
#include "Sistema.h"

#include <QBuffer>
#include <QFileInfo>
#include <QHash>
#include <QMetaObject>
#include <QPair>

namespace Utils {
namespace {

QString rutaPaquete(const QString& carpetaPrograma)
{
    return QFileInfo(Rutas::une(carpetaPrograma, {Constantes::RS_PATH})).absoluteFilePath();
}

// Instances made by the package look-ups, one per package file and class
// name. Their packages stay loaded, so the instances stay usable to the end.
QHash<QPair<QString, QString>, QPointer<QObject>>& instancias()
{
    // Never destroyed: at exit the instances' code may already be unmapped.
    static auto* tabla = new QHash<QPair<QString, QString>, QPointer<QObject>>();
    return *tabla;
}

// A resource package whose start-up code threw was set aside (TPaquete):
// the program goes on without its images and texts, as without the file,
// but the user must learn that the installation is damaged. Once: the file
// is gone, or refused without loading, from then on.
void avisaSiLanzo(const TPaquete& paquete)
{
    if (!paquete.lanzo())
        return;
    const QString nombre = QFileInfo(paquete.archivo()).fileName();
    const QString destino =
        paquete.apartadoComo().isEmpty()
            ? QStringLiteral("no se pudo apartar (%1)").arg(paquete.motivoNoApartado())
            : QStringLiteral("se apartó como «%1»").arg(QFileInfo(paquete.apartadoComo()).fileName());
    Utils::mensaje(QStringLiteral("El paquete de recursos del programa (%1) está dañado: falló al cargarse y %2. "
                                  "%3 sigue sin sus imágenes; vuelve a instalar el programa y ábrelo de nuevo.")
                       .arg(nombre, destino, Constantes::NOMBRE_SISTEMA),
                   Constantes::MSG_ERROR);
}

// The instance of `clase` in the package, made and kept the first time; a
// package that gives none is unloaded again. `avisa`: on the UI thread, the
// user is told when the package's start-up code threw.
QObject* instanciaRetenida(const QString& archivo, const QString& clase, const QString& carpetaLog, bool avisa)
{
    TPaquete paquete(archivo, carpetaLog);
    if (!paquete.existe())
        return nullptr;
    QPointer<QObject>& instancia = instancias()[qMakePair(QFileInfo(archivo).canonicalFilePath(), clase)];
    if (!instancia.isNull())
        return instancia;
    if (!paquete.carga()) {
        if (avisa)
            avisaSiLanzo(paquete);
        return nullptr;
    }
    const QMetaObject* meta = paquete.clase(clase);
    QObject* nueva = meta ? paquete.crea(*meta) : nullptr;
    if (!nueva) {
        paquete.descarga();
        return nullptr;
    }
    // The instance's code lives in the package, so it must stay mapped.
    paquete.retiene();
    instancia = nueva;
    return instancia;
}

QString textoPaquete(const QString& carpetaPrograma, const QString& operacion)
{
    const QString archivo = rutaPaquete(carpetaPrograma);
    QObject* instancia = instanciaRetenida(archivo, Constantes::RS_CLASS_NAME, carpetaPrograma, true);
    if (!instancia)
        return {};
    TPaquete paquete(archivo, carpetaPrograma);
    const QMetaMethod metodo =
        paquete.operacion(*instancia->metaObject(), operacion, QMetaType::fromType<QString>(), {});
    if (!metodo.isValid())
        return {};
    QString texto;
    try {
        if (!metodo.invoke(instancia, Qt::DirectConnection, Q_RETURN_ARG(QString, texto)))
            return {};
    } catch (...) {
        return {};
    }
    if (texto.isNull())
        return {};
    // A text may point into the package's own memory (a literal there).
    return QString(texto.constData(), texto.size());
}

} // namespace

std::unique_ptr<QBuffer> getResource(const QString& nombre, const QString& carpetaPrograma)
{
    TPaquete paquete(rutaPaquete(carpetaPrograma), carpetaPrograma);
    if (!paquete.existe())
        return nullptr;
    if (!paquete.carga()) {
        avisaSiLanzo(paquete);
        return nullptr;
    }

    QByteArray copia;
    if (const QMetaObject* clase = paquete.clase(Constantes::RS_CLASS_NAME)) {
        const QMetaMethod metodo =
            paquete.operacion(*clase, Constantes::RS_METHOD_GETRESOURCE, QMetaType::fromType<QByteArray>(),
                              {QMetaType::fromType<QString>()});
        std::unique_ptr<QObject> instancia(metodo.isValid() ? paquete.crea(*clase) : nullptr);
        if (instancia) {
            QByteArray bytes;
            try {
                if (metodo.invoke(instancia.get(), Qt::DirectConnection, Q_RETURN_ARG(QByteArray, bytes),
                                  Q_ARG(QString, nombre)) &&
                    !bytes.isNull())
                    // Taken before the unload: the bytes may live in the package.
                    copia = QByteArray(bytes.constData(), bytes.size());
            } catch (...) {
                copia = QByteArray();
            }
        }
    }
    // Nothing made from the package outlives this call, so it can go, also
    // when the class or the operation was missing.
    paquete.descarga();

    if (copia.isNull())
        return nullptr;
    auto flujo = std::make_unique<QBuffer>();
    flujo->setData(copia);
    flujo->open(QIODevice::ReadOnly);
    return flujo;
}

QByteArray bytesRecurso(const QString& nombre, const QString& carpetaPrograma)
{
    const std::unique_ptr<QBuffer> bytes = getResource(nombre, carpetaPrograma);
    return bytes ? bytes->data() : QByteArray();
}

TMetodo getMetodoPaquete(const QString& paquete, const QString& clase, const QString& operacion)
{
    TMetodo resultado;
    // Also reached from worker threads, where no message may be shown.
    QObject* instancia = instanciaRetenida(paquete, clase, Sistema::exePath, false);
    if (!instancia)
        return resultado;
    resultado.metodo = TPaquete::buscaMetodo(*instancia->metaObject(), operacion);
    if (resultado.metodo.isValid())
        resultado.instancia = instancia;
    return resultado;
}

QString getSistema(const QString& carpetaPrograma)
{
    return textoPaquete(carpetaPrograma, Constantes::RS_METHOD_GETSISTEMA);
}

QString getMarcaMail(const QString& carpetaPrograma)
{
    return textoPaquete(carpetaPrograma, Constantes::RS_METHOD_MARCA_MAIL);
}

QString getMailHTML(const QString& carpetaPrograma)
{
    return textoPaquete(carpetaPrograma, Constantes::RS_METHOD_GET_HTML);
}

QString getURLCartaManifiesto(const QString& carpetaPrograma)
{
    return textoPaquete(carpetaPrograma, Constantes::RS_METHOD_GETURLCARTAMANIFIESTO);
}

QString getTokenCartaManifiesto(const QString& carpetaPrograma)
{
    return textoPaquete(carpetaPrograma, Constantes::RS_METHOD_GETTOKENCARTAMANIFIESTO);
}

QString getURLCatalogo(const QString& carpetaPrograma)
{
    return textoPaquete(carpetaPrograma, Constantes::RS_METHOD_GETURLCATALOGO);
}

} // namespace Utils
