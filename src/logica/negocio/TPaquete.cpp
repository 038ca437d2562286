#include "TPaquete.h"

#include "Logmanager.h"
#include "RegistroClases.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>

#include <dlfcn.h>

TPaquete::TPaquete(const QString& archivo, const QString& carpetaLog)
    : m_biblioteca(QFileInfo(archivo).absoluteFilePath()), m_carpetaLog(carpetaLog)
{
}

bool TPaquete::existe() const
{
    return QFileInfo(m_biblioteca.fileName()).isFile();
}

bool TPaquete::carga()
{
    m_biblioteca.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (m_biblioteca.load())
        return true;
    return falla(QStringLiteral("no se pudo cargar: ") + m_biblioteca.errorString());
}

// The registry may name the class of another copy of the package (another
// program folder still loaded for its texts); a package without the class
// must not borrow that one.
const QMetaObject* TPaquete::clase(const QString& nombre)
{
    const QMetaObject* meta = RegistroClases::busca(nombre);
    Dl_info info{};
    // dladdr only looks the address up among the loaded objects, so a pointer
    // left behind by a package that is gone is refused without being read.
    if (meta && dladdr(meta, &info) != 0 && info.dli_fname) {
        const QString origen = QFileInfo(QString::fromLocal8Bit(info.dli_fname)).canonicalFilePath();
        if (!origen.isEmpty() && origen == QFileInfo(m_biblioteca.fileName()).canonicalFilePath())
            return meta;
    }
    falla(QStringLiteral("no registra la clase ") + nombre);
    return nullptr;
}

QObject* TPaquete::crea(const QMetaObject& clase)
{
    QObject* instancia = nullptr;
    try {
        instancia = clase.newInstance();
    } catch (...) {
        instancia = nullptr;
    }
    if (!instancia)
        falla(QStringLiteral("no se pudo crear la clase ") + QLatin1String(clase.className()));
    return instancia;
}

QMetaMethod TPaquete::operacion(const QMetaObject& clase, const QString& nombre, QMetaType resultado,
                                std::initializer_list<QMetaType> argumentos)
{
    const QMetaMethod metodo = buscaMetodo(clase, nombre);
    if (tieneFirma(metodo, resultado, argumentos))
        return metodo;
    falla(QStringLiteral("la clase %1 no publica %2 con la forma del contrato")
              .arg(QLatin1String(clase.className()), nombre));
    return {};
}

void* TPaquete::retiene()
{
    // Qt 6.4 unmaps a library on any QLibrary::unload() of that file, even
    // while another QLibrary holds it loaded; a reference of the dynamic
    // loader's own, never released, keeps it.
    return dlopen(QFile::encodeName(m_biblioteca.fileName()).constData(), RTLD_NOW | RTLD_NOLOAD);
}

void TPaquete::descarga()
{
    m_biblioteca.unload();
}

bool TPaquete::falla(const QString& texto)
{
    m_error = texto;
    Logmanager::Log(QStringLiteral("Paquete %1: %2").arg(m_biblioteca.fileName(), texto), 1, m_carpetaLog);
    return false;
}

QMetaMethod TPaquete::buscaMetodo(const QMetaObject& clase, const QString& operacion)
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
bool TPaquete::tieneFirma(const QMetaMethod& metodo, QMetaType resultado, std::initializer_list<QMetaType> argumentos)
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

bool TPaquete::deriva(const QMetaObject& clase, const char* base)
{
    for (const QMetaObject* meta = &clase; meta; meta = meta->superClass())
        if (qstrcmp(meta->className(), base) == 0)
            return true;
    return false;
}
