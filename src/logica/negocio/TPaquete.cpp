#include "TPaquete.h"

#include "Errores.h"
#include "Logmanager.h"
#include "RegistroClases.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QMutex>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/mman.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Packages whose start-up code threw in this process: loading one again
// would run that code over what its first run left half made.
QSet<QString>& fallidos()
{
    static QSet<QString> archivos;
    return archivos;
}

QMutex& candadoFallidos()
{
    static QMutex candado;
    return candado;
}

// The private copies of the packages this process loaded, by the canonical
// path of their file, and back. The dynamic loader maps a package over its
// file and reads each page when it is first touched: a package written over
// in place while the program runs (`cp nuevo.bpl Plugins/Reportes.bpl`)
// changes or cuts the code under it, and the program dies at its next call
// into it. A copy in memory of the process's own, read whole once, is what
// the loader maps instead; a megabyte takes under a millisecond. Never
// released: the packages are never unloaded for good, and a copy kept means
// every later load of the file in this run gets the same package.
struct TCopias {
    QMutex candado;
    QHash<QString, QString> porOriginal;
    QHash<QString, QString> porCopia;
};

TCopias& copias()
{
    static auto* tabla = new TCopias;
    return *tabla;
}

// The copy of `original` (canonical) as a path the loader can open; empty,
// with why in `error`, when the file cannot be read whole.
QString copiaPrivada(const QString& original, QString& error)
{
    TCopias& tabla = copias();
    const QMutexLocker candado(&tabla.candado);
    if (const auto it = tabla.porOriginal.constFind(original); it != tabla.porOriginal.constEnd())
        return *it;
    const int origen = ::open(QFile::encodeName(original).constData(), O_RDONLY | O_CLOEXEC);
    if (origen < 0) {
        error = QStringLiteral("no se pudo leer: ") + Errores::delSistema(errno);
        return {};
    }
    // Named after the file, so the process's maps still tell which package
    // each mapping is (the kernel takes up to 249 bytes of the name).
    QByteArray nombre = QFile::encodeName(original);
    if (nombre.size() > 249)
        nombre = QFile::encodeName(QFileInfo(original).fileName()).right(249);
    struct stat estado {};
    const int copia = ::fstat(origen, &estado) == 0 ? ::memfd_create(nombre.constData(), MFD_CLOEXEC) : -1;
    off_t leido = 0;
    while (copia >= 0 && leido < estado.st_size) {
        const ssize_t n = ::sendfile(copia, origen, &leido, static_cast<size_t>(estado.st_size - leido));
        if (n <= 0 && !(n < 0 && errno == EINTR))
            break;
    }
    const int causa = errno;
    ::close(origen);
    if (copia < 0 || leido != estado.st_size) {
        if (copia >= 0)
            ::close(copia);
        error = QStringLiteral("no se pudo leer: ") + Errores::delSistema(causa);
        return {};
    }
    const QString ruta = QStringLiteral("/proc/self/fd/%1").arg(copia);
    tabla.porOriginal.insert(original, ruta);
    tabla.porCopia.insert(ruta, original);
    return ruta;
}

// A copy that did not load is not kept: a file mended in its place loads at
// the next attempt. Its memory stays, so that its path never names another
// file in this process.
void olvidaCopia(const QString& original)
{
    TCopias& tabla = copias();
    const QMutexLocker candado(&tabla.candado);
    tabla.porOriginal.remove(original);
}

// The ELF header of the object this code was linked into, as mapped: a
// package must have been built for the same class, byte order and machine.
const ElfW(Ehdr) * cabeceraPropia()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&cabeceraPropia), &info) == 0)
        return nullptr;
    return static_cast<const ElfW(Ehdr)*>(info.dli_fbase);
}

// Why the file cannot be a whole shared library of this platform; empty
// when it can be one. The dynamic loader maps each segment over the file and
// reads it only when it is touched, so a segment that lies past the end of a
// cut file kills the process (SIGBUS) instead of failing the load. The
// section table, last in the file, tells a cut that spared the segments.
QString revisaBiblioteca(const QString& archivo)
{
    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("no se pudo leer: ") + Errores::delSistema(errno);
    const quint64 tamano = static_cast<quint64>(f.size());
    const auto cabe = [tamano](quint64 inicio, quint64 largo) { return inicio <= tamano && largo <= tamano - inicio; };
    ElfW(Ehdr) elf{};
    if (f.read(reinterpret_cast<char*>(&elf), sizeof elf) != static_cast<qint64>(sizeof elf) ||
        std::memcmp(elf.e_ident, ELFMAG, SELFMAG) != 0)
        return QStringLiteral("no es una biblioteca");
    const ElfW(Ehdr)* propia = cabeceraPropia();
    if (propia && (elf.e_ident[EI_CLASS] != propia->e_ident[EI_CLASS] ||
                   elf.e_ident[EI_DATA] != propia->e_ident[EI_DATA] || elf.e_machine != propia->e_machine))
        return QStringLiteral("es una biblioteca de otra plataforma");
    if (elf.e_type != ET_DYN)
        return QStringLiteral("no es una biblioteca compartida");
    if (elf.e_phentsize != sizeof(ElfW(Phdr)) || elf.e_phnum == 0 ||
        !cabe(elf.e_phoff, quint64(elf.e_phnum) * elf.e_phentsize))
        return QStringLiteral("está incompleto: sus cabeceras no caben en sus %1 bytes").arg(tamano);
    if (elf.e_shoff != 0 && !cabe(elf.e_shoff, quint64(qMax<quint16>(elf.e_shnum, 1)) * elf.e_shentsize))
        return QStringLiteral("está incompleto: su tabla de secciones pasa de sus %1 bytes").arg(tamano);
    if (!f.seek(static_cast<qint64>(elf.e_phoff)))
        return QStringLiteral("no se pudo leer");
    const QByteArray cabeceras = f.read(qint64(elf.e_phnum) * elf.e_phentsize);
    if (cabeceras.size() != elf.e_phnum * elf.e_phentsize)
        return QStringLiteral("no se pudo leer");
    bool cargable = false;
    for (int i = 0; i < elf.e_phnum; ++i) {
        ElfW(Phdr) segmento{};
        std::memcpy(&segmento, cabeceras.constData() + qsizetype(i) * elf.e_phentsize, sizeof segmento);
        if (!cabe(segmento.p_offset, segmento.p_filesz))
            return QStringLiteral("está incompleto: su segmento %1 pasa de sus %2 bytes").arg(i).arg(tamano);
        cargable = cargable || segmento.p_type == PT_LOAD;
    }
    if (!cargable)
        return QStringLiteral("no tiene nada que cargar");
    return {};
}

} // namespace

bool TPaquete::cargadorBloqueado()
{
    const QMutexLocker candado(&candadoFallidos());
    return !fallidos().isEmpty();
}

TPaquete::TPaquete(const QString& archivo, const QString& carpetaLog)
    : m_archivo(QFileInfo(archivo).absoluteFilePath()), m_biblioteca(m_archivo), m_carpetaLog(carpetaLog)
{
}

bool TPaquete::existe() const
{
    return QFileInfo(m_archivo).isFile();
}

bool TPaquete::carga()
{
    const QString archivo = m_archivo;
    {
        const QMutexLocker candado(&candadoFallidos());
        if (fallidos().contains(archivo))
            return falla(QStringLiteral("no se carga: su código de inicio ya falló en esta ejecución"));
    }
    const QString original = QFileInfo(archivo).canonicalFilePath();
    if (original.isEmpty())
        return falla(QStringLiteral("no se pudo cargar: no existe"));
    QString error;
    const QString copia = copiaPrivada(original, error);
    if (copia.isEmpty())
        return falla(QStringLiteral("no se pudo cargar: ") + error);
    // The copy is what is looked at, so what passes is what loads.
    if (const QString motivo = revisaBiblioteca(copia); !motivo.isEmpty()) {
        olvidaCopia(original);
        return falla(QStringLiteral("no se pudo cargar: ") + motivo);
    }
    m_biblioteca.setFileName(copia);
    m_biblioteca.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    QString excepcion;
    try {
        if (m_biblioteca.load())
            return true;
        olvidaCopia(original);
        return falla(QStringLiteral("no se pudo cargar: ") + m_biblioteca.errorString());
    } catch (const std::exception& e) {
        excepcion = Errores::describe(e);
    } catch (...) {
        excepcion = QStringLiteral("una excepción de tipo desconocido");
    }
    m_lanzo = true;
    {
        const QMutexLocker candado(&candadoFallidos());
        fallidos().insert(archivo);
    }
    // Left where it is, it would stop every later start at the same place.
    const QString apartado = archivo + SUFIJO_APARTADO;
    if (std::rename(QFile::encodeName(archivo).constData(), QFile::encodeName(apartado).constData()) == 0)
        m_apartado = apartado;
    else
        m_motivoNoApartado = Errores::delSistema(errno);
    return falla(QStringLiteral("su código de inicio falló al cargarse (%1); ").arg(excepcion) +
                 (m_apartado.isEmpty() ? QStringLiteral("no se pudo apartar: ") + m_motivoNoApartado
                                       : QStringLiteral("se apartó como ") + m_apartado));
}

// The registry may name the class of another copy of the package (another
// program folder still loaded for its texts); a package without the class
// must not borrow that one.
const QMetaObject* TPaquete::clase(const QString& nombre)
{
    const QMetaObject* meta = RegistroClases::busca(nombre);
    // A pointer left behind by a package that is gone is refused without
    // being read.
    if (meta) {
        const QString origen = archivoDe(meta);
        if (!origen.isEmpty() && origen == QFileInfo(m_archivo).canonicalFilePath())
            return meta;
    }
    falla(QStringLiteral("no registra la clase ") + nombre);
    return nullptr;
}

QString TPaquete::archivoDe(const void* direccion)
{
    Dl_info info{};
    // dladdr only looks the address up among the loaded objects.
    if (!direccion || dladdr(direccion, &info) == 0 || !info.dli_fname)
        return {};
    const QString cargado = QFile::decodeName(info.dli_fname);
    {
        TCopias& tabla = copias();
        const QMutexLocker candado(&tabla.candado);
        if (const auto it = tabla.porCopia.constFind(cargado); it != tabla.porCopia.constEnd())
            return *it;
    }
    return QFileInfo(cargado).canonicalFilePath();
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
    Logmanager::Log(QStringLiteral("Paquete %1: %2").arg(m_archivo, texto), 1, m_carpetaLog);
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
