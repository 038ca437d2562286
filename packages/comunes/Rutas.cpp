#include "Rutas.h"

#include "Archivos.h"
#include "CarpetaInstalada.h"
#include "Constantes.h"
#include "Errores.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace Rutas {

QString& carpetaPrograma()
{
    // Never destroyed: a log line written while the process ends still
    // finds the folder.
    static QString* const carpeta = new QString;
    return *carpeta;
}

void fijaCarpetaPrograma(const QString& carpeta)
{
    carpetaPrograma() = comoCarpeta(QDir::fromNativeSeparators(carpeta));
}

namespace {

// `enlace` leads to `destino`, unless the user keeps a file or folder of
// their own there. A link that leads elsewhere (an installation moved) or
// nowhere is made again.
void enlaza(const QString& destino, const QString& enlace)
{
    const QFileInfo actual(enlace);
    if (actual.isSymLink()) {
        if (actual.symLinkTarget() == destino)
            return;
        QFile::remove(enlace);
    } else if (actual.exists()) {
        return;
    }
    // Another process of the program starting at the same moment (the
    // first start after installing) may have made it meanwhile.
    if (!QFile::link(destino, enlace) && QFileInfo(enlace).symLinkTarget() != destino)
        throw EEntradaSalida(QStringLiteral("No se pudo crear el enlace \"%1\" a \"%2\".").arg(enlace, destino));
}

// A start killed during its copy leaves its partial copy behind. Only a
// process that no longer runs can have abandoned one: another may be copying
// into its own at this moment.
void quitaCopiasAbandonadas(const QDir& propia, const QString& nombre)
{
    const QString prefijo = nombre + QStringLiteral(".parcial-");
    for (const QString& parcial : propia.entryList(QDir::Files | QDir::Hidden)) {
        if (!parcial.startsWith(prefijo))
            continue;
        bool numero = false;
        const qint64 pid = parcial.mid(prefijo.size()).toLongLong(&numero);
        if (numero && pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            QFile::remove(propia.filePath(parcial));
    }
}

// What a copy came from, in a hidden file beside it: "instalado <size>
// <modification time>" of the installed file it was copied from, or
// "descargado <time>" for the catalogue the user downloaded (anotaDescargada).
QString marcaDe(const QString& copia)
{
    const QFileInfo info(copia);
    return info.dir().filePath(QLatin1Char('.') + info.fileName() + QStringLiteral(".origen"));
}

QString firmaInstalada(const QFileInfo& instalado)
{
    return QStringLiteral("instalado %1 %2").arg(instalado.size()).arg(instalado.lastModified().toMSecsSinceEpoch());
}

// Whether the user's copy must follow the installed file. A catalogue the
// user downloaded is the SAT's of the day of the download, and the one a
// package brings is the one of the day the package was made (dpkg keeps the
// file's modification time): only a package made after the download brings
// a newer one, and anything older would take back postal codes and regimes
// the user already has. A copy without a record was made by a version that
// kept none: it came from an earlier package unless the user downloaded a
// catalogue, whose archive stays in Update/.
bool debeRenovarse(const QString& copia, const QFileInfo& instalado)
{
    QFile marca(marcaDe(copia));
    QString registro;
    if (marca.open(QIODevice::ReadOnly))
        registro = QString::fromUtf8(marca.readAll()).trimmed();
    const qint64 fechaInstalado = instalado.lastModified().toMSecsSinceEpoch();
    const QString descargado = QStringLiteral("descargado ");
    if (registro.startsWith(descargado))
        return fechaInstalado > registro.mid(descargado.size()).toLongLong();
    if (!registro.isEmpty())
        return registro != firmaInstalada(instalado);
    const QFileInfo descarga(
        QDir(QFileInfo(copia).absolutePath())
            .filePath(QStringLiteral("../") + Constantes::UPDATE_PATH + Constantes::CATALOGO_DB_ZIP));
    if (instalado.fileName().compare(Constantes::CATALOGO_DB_ZIP, Qt::CaseInsensitive) == 0 && descarga.isFile())
        return fechaInstalado > descarga.lastModified().toMSecsSinceEpoch();
    return true;
}

// A new file `destino`, owner-only from the start, with the bytes of
// `origen`. QFile::copy says nothing of why it failed; this gives the
// system's error number, 0 when it is copied.
int copiaArchivo(const QString& origen, const QString& destino)
{
    const int de = ::open(QFile::encodeName(origen).constData(), O_RDONLY | O_CLOEXEC);
    if (de < 0)
        return errno;
    const int a = ::open(QFile::encodeName(destino).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    int numero = a < 0 ? errno : 0;
    char bloque[1 << 16];
    for (ssize_t leidos = 1; numero == 0 && leidos != 0;) {
        leidos = ::read(de, bloque, sizeof bloque);
        if (leidos < 0 && errno != EINTR)
            numero = errno;
        for (ssize_t escritos = 0; escritos < leidos && numero == 0;) {
            const ssize_t n = ::write(a, bloque + escritos, size_t(leidos - escritos));
            if (n >= 0)
                escritos += n;
            else if (errno != EINTR)
                numero = errno;
        }
    }
    if (a >= 0 && ::close(a) != 0 && numero == 0)
        numero = errno;
    ::close(de);
    return numero;
}

// The installed db/ holds databases every user starts from (the SAT's
// catalogue): the engine writes into a database it opens and the catalogue
// update replaces it, so each user gets a copy of their own, made at the
// first start and again when an upgrade brings another (debeRenovarse).
void copiaFaltantes(const QString& instalada, const QString& propia)
{
    Archivos::creaCarpetaPrivada(propia);
    const QDir origen(instalada);
    for (const QString& nombre : origen.entryList(QDir::Files)) {
        quitaCopiasAbandonadas(QDir(propia), nombre);
        const QString copia = QDir(propia).filePath(nombre);
        const QFileInfo actual(copia);
        const QFileInfo instalado(origen.filePath(nombre));
        const bool existe = actual.exists() || actual.isSymLink();
        if (existe && (actual.isSymLink() || !debeRenovarse(copia, instalado)))
            continue;
        // Copied under a name of this process's own first: a start cut short
        // leaves no half database under the real one, and another process of
        // the program starting at the same moment copies beside it, never
        // into it. link() publishes a first copy without replacing one that
        // process published first (and may already have open); a renewed one
        // is renamed over the earlier, which a process that has it open keeps
        // reading until it closes it.
        const QString parcial = copia + QStringLiteral(".parcial-%1").arg(::getpid());
        QFile::remove(parcial);
        int numero = copiaArchivo(instalado.filePath(), parcial);
        // A first copy is recorded before it is published, so a copy found
        // without its record is always an earlier version's; a renewed one
        // after, so a start cut short between the two renews it again.
        if (numero == 0 && !existe)
            Archivos::creaPrivado(marcaDe(copia), firmaInstalada(instalado).toUtf8());
        const QByteArray de = QFile::encodeName(parcial);
        const QByteArray a = QFile::encodeName(copia);
        if (numero == 0 && (existe ? ::rename(de.constData(), a.constData()) != 0
                                   : ::link(de.constData(), a.constData()) != 0 && errno != EEXIST))
            numero = errno;
        QFile::remove(parcial);
        if (numero != 0)
            throw EEntradaSalida(QStringLiteral("No se pudo copiar \"%1\" a \"%2\": %3.")
                                     .arg(instalado.filePath(), copia, Errores::delSistema(numero)));
        if (existe)
            Archivos::creaPrivado(marcaDe(copia), firmaInstalada(instalado).toUtf8());
    }
}

// Motor/ and db/ only at the top: inside Motor/, every entry is the engine's
// own.
void enlazaContenido(const QString& instalada, const QString& propia, bool raiz)
{
    const QDir origen(instalada);
    for (const QString& nombre : origen.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (nombre == MARCA_INSTALACION)
            continue;
        const QString destino = origen.absoluteFilePath(nombre);
        const QString enlace = QDir(propia).filePath(nombre);
        const QString carpeta = comoCarpeta(nombre);
        if (raiz && carpeta == Constantes::DB_PATH && QFileInfo(destino).isDir()) {
            copiaFaltantes(destino, enlace);
            continue;
        }
        if (raiz && carpeta == Constantes::MOTOR_PATH && QFileInfo(destino).isDir()) {
            if (QFileInfo(enlace).isSymLink())
                QFile::remove(enlace);
            Archivos::creaCarpetaPrivada(enlace);
            enlazaContenido(destino, enlace, false);
            continue;
        }
        enlaza(destino, enlace);
    }
}

// The databases live inside the program folder, and two characters of their
// path would be read as something else: the engine takes what precedes a
// ':' for the name of a server, and '|' separates the fields of a stored
// connection. Every database would fail with a message about a network
// host, or a new business would be refused for a field the user never
// typed; the folder is named at the start instead.
bool admiteBases(const QString& carpeta, QString* error)
{
    for (const QChar caracter : {QLatin1Char(':'), QLatin1Char('|')}) {
        if (!carpeta.contains(caracter))
            continue;
        if (error)
            *error = QStringLiteral("Velkor no puede trabajar en la carpeta \"%1\": su ruta tiene el carácter \"%2\", "
                                    "que no se admite en la ruta de las bases de datos. Mueve el programa a una "
                                    "carpeta cuya ruta no lo tenga.")
                         .arg(QDir::toNativeSeparators(carpeta), caracter);
        return false;
    }
    return true;
}

} // namespace

void anotaDescargada(const QString& copia)
{
    Archivos::creaPrivado(marcaDe(copia),
                          QStringLiteral("descargado %1").arg(QDateTime::currentMSecsSinceEpoch()).toUtf8());
}

QString carpetaDatosUsuario()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Velkor"));
}

bool preparaCarpetaPrograma(const QString& carpetaEjecutable, QString* error)
{
    // Qt gives no folder for the executable when a folder name on its path
    // is not UTF-8; an empty path would be the current directory, and the
    // program would make its databases there and close the user's own files
    // to other users.
    if (carpetaEjecutable.isEmpty() || !QFileInfo(carpetaEjecutable).isDir()) {
        if (error)
            *error = QStringLiteral("Velkor no pudo leer el nombre de la carpeta en la que está instalado: alguna "
                                    "carpeta de su ruta tiene un nombre con caracteres que no se pueden leer. Mueve "
                                    "el programa a una carpeta cuyo nombre se vea bien en el explorador de archivos.");
        return false;
    }
    const QString instalada = QDir(QDir::fromNativeSeparators(carpetaEjecutable)).absolutePath();
    if (!QFileInfo::exists(QDir(instalada).filePath(MARCA_INSTALACION))) {
        if (!admiteBases(instalada, error))
            return false;
        fijaCarpetaPrograma(instalada);
        return true;
    }
    const QString datos = carpetaDatosUsuario();
    if (!admiteBases(datos, error))
        return false;
    try {
        if (!QDir().mkpath(QFileInfo(datos).absolutePath()))
            throw EEntradaSalida(
                QStringLiteral("No se pudo crear la carpeta \"%1\".").arg(QFileInfo(datos).absolutePath()));
        Archivos::creaCarpetaPrivada(datos);
        enlazaContenido(instalada, datos, true);
        // A build folder has it from the build; the registry of businesses
        // is written there before anything else would make it.
        Archivos::creaCarpetaPrivada(une(datos, {Constantes::DB_PATH}));
    } catch (const EVelkor& e) {
        if (error)
            *error =
                QStringLiteral("No se pudo preparar la carpeta de datos del programa (%1): %2").arg(datos, e.mensaje());
        return false;
    }
    fijaCarpetaPrograma(datos);
    return true;
}

QString une(const QString& carpeta, std::initializer_list<QString> partes)
{
    QString ruta = QDir::fromNativeSeparators(carpeta);
    for (const QString& parte : partes) {
        const QString siguiente = QDir::fromNativeSeparators(parte);
        if (siguiente.isEmpty())
            continue;
        // QDir reads an empty path as ".", which would turn a relative path
        // into "./...".
        ruta = ruta.isEmpty() ? siguiente : QDir(ruta).filePath(siguiente);
    }
    return ruta;
}

QString programa(std::initializer_list<QString> partes)
{
    return une(carpetaPrograma(), partes);
}

QString comoCarpeta(const QString& ruta)
{
    if (ruta.isEmpty() || ruta.endsWith(QLatin1Char('/')))
        return ruta;
    return ruta + QLatin1Char('/');
}

} // namespace Rutas
