// Utils: access to the run-time resource package (program folder + RS_PATH).
// The package is found only by names: the class registered under
// RS_CLASS_NAME and its operations RS_METHOD_*, reached through Qt's
// meta-object system. Everything here runs on the UI thread.

#include "Utils.h"
#include "UtilsPaquetes.h"

#include "Constantes.h"
#include "RegistroClases.h"
#include "Rutas.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>
#include <QMetaObject>
#include <QPair>

#include <dlfcn.h>
#include <initializer_list>

namespace Utils {
namespace {

QString rutaAbsoluta(const QString& ruta)
{
    return QFileInfo(ruta).absoluteFilePath();
}

} // namespace

bool cargaPaquete(QLibrary& paquete)
{
    // Missing symbols fail here instead of at the first call into the package.
    paquete.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    return paquete.load();
}

// The class registered under `clase`, but only when its code belongs to the
// package just loaded. The registry is process-wide, so it may name the class
// of another copy of the package (another program folder still loaded for its
// texts); a package without the class must not borrow that one.
const QMetaObject* clasePaquete(const QLibrary& paquete, const QString& clase)
{
    const QMetaObject* meta = RegistroClases::busca(clase);
    if (!meta)
        return nullptr;
    Dl_info info{};
    // dladdr only looks the address up among the loaded objects, so a pointer
    // left behind by a package that is gone is refused without being read.
    if (dladdr(meta, &info) == 0 || !info.dli_fname)
        return nullptr;
    const QString origen = QFileInfo(QString::fromLocal8Bit(info.dli_fname)).canonicalFilePath();
    const QString cargado = QFileInfo(paquete.fileName()).canonicalFilePath();
    return !origen.isEmpty() && origen == cargado ? meta : nullptr;
}

QObject* creaInstancia(const QMetaObject& clase)
{
    try {
        return clase.newInstance();
    } catch (...) {
        return nullptr;
    }
}

// By full signature when one is given ("getResource(QString)"), otherwise the
// first operation with that name, the most derived class first.
QMetaMethod buscaMetodo(const QMetaObject& clase, const QString& operacion)
{
    const QByteArray nombre = operacion.toLatin1();
    if (nombre.contains('(')) {
        const int indice = clase.indexOfMethod(QMetaObject::normalizedSignature(nombre.constData()).constData());
        return indice < 0 ? QMetaMethod() : clase.method(indice);
    }
    for (const QMetaObject* meta = &clase; meta; meta = meta->superClass()) {
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            const QMetaMethod metodo = meta->method(i);
            if (metodo.name() == nombre)
                return metodo;
        }
    }
    return {};
}

// Checked before invoking so that an operation of another shape counts as
// missing instead of making Qt warn and fail.
bool tieneFirma(const QMetaMethod& metodo, QMetaType resultado, std::initializer_list<QMetaType> argumentos)
{
    if (!metodo.isValid() || metodo.returnMetaType() != resultado ||
        metodo.parameterCount() != static_cast<int>(argumentos.size()))
        return false;
    int i = 0;
    for (const QMetaType& tipo : argumentos) {
        if (metodo.parameterMetaType(i++) != tipo)
            return false;
    }
    return true;
}

void* retienePaquete(const QLibrary& paquete)
{
    // Qt 6.4 unmaps a library on any QLibrary::unload() of that file (a later
    // getResource would), even while another QLibrary holds it loaded; a
    // reference of the dynamic loader's own, never released, keeps it.
    return dlopen(QFile::encodeName(paquete.fileName()).constData(), RTLD_NOW | RTLD_NOLOAD);
}

namespace {

// Instances made by getMetodoPaquete, one per package file and class name.
// Their packages stay loaded, so the instances stay usable to the end.
QHash<QPair<QString, QString>, QPointer<QObject>>& instancias()
{
    // Never destroyed: at exit the instances' code may already be unmapped.
    static auto* tabla = new QHash<QPair<QString, QString>, QPointer<QObject>>();
    return *tabla;
}

QString textoPaquete(const QString& carpetaPrograma, const QString& operacion)
{
    const TMetodo metodo =
        getMetodoPaquete(Rutas::une(carpetaPrograma, {Constantes::RS_PATH}), Constantes::RS_CLASS_NAME, operacion);
    if (metodo.vacio() || !tieneFirma(metodo.metodo, QMetaType::fromType<QString>(), {}))
        return {};
    QString texto;
    try {
        if (!metodo.metodo.invoke(metodo.instancia.data(), Qt::DirectConnection, Q_RETURN_ARG(QString, texto)))
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
    const QString ruta = rutaAbsoluta(Rutas::une(carpetaPrograma, {Constantes::RS_PATH}));
    if (!QFileInfo(ruta).isFile())
        return nullptr;
    QLibrary paquete(ruta);
    if (!cargaPaquete(paquete))
        return nullptr;

    QByteArray copia;
    if (const QMetaObject* clase = clasePaquete(paquete, Constantes::RS_CLASS_NAME)) {
        std::unique_ptr<QObject> instancia(creaInstancia(*clase));
        const QMetaMethod metodo = buscaMetodo(*clase, Constantes::RS_METHOD_GETRESOURCE);
        if (instancia && tieneFirma(metodo, QMetaType::fromType<QByteArray>(), {QMetaType::fromType<QString>()})) {
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
    paquete.unload();

    if (copia.isNull())
        return nullptr;
    auto flujo = std::make_unique<QBuffer>();
    flujo->setData(copia);
    flujo->open(QIODevice::ReadOnly);
    return flujo;
}

TMetodo getMetodoPaquete(const QString& paquete, const QString& clase, const QString& operacion)
{
    const QFileInfo archivo(rutaAbsoluta(paquete));
    if (!archivo.isFile())
        return {};
    QPointer<QObject>& instancia = instancias()[qMakePair(archivo.canonicalFilePath(), clase)];
    if (instancia.isNull()) {
        QLibrary biblioteca(archivo.absoluteFilePath());
        if (!cargaPaquete(biblioteca))
            return {};
        const QMetaObject* meta = clasePaquete(biblioteca, clase);
        QObject* nueva = meta ? creaInstancia(*meta) : nullptr;
        if (!nueva) {
            biblioteca.unload();
            return {};
        }
        // The instance's code lives in the package, so it must stay mapped.
        retienePaquete(biblioteca);
        instancia = nueva;
    }
    TMetodo resultado;
    resultado.metodo = buscaMetodo(*instancia->metaObject(), operacion);
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
