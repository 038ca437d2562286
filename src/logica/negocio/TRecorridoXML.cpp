#include "TRecorridoXML.h"

#include "Errores.h"
#include "MetadatosSat.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace {

const QString EXTENSION = QStringLiteral(".xml");

// The rules of esArchivoXML and esCarpetaRecorrible for an entry known only
// by its bytes, looked at from its folder's descriptor: its path may be one
// the system cannot take.
enum class TClase { Ninguna, Archivo, Carpeta };

TClase clase(int carpeta, const QByteArray& nombre, bool conPaquetes)
{
    if (nombre.startsWith('.'))
        return TClase::Ninguna;
    struct stat datos {};
    if (::fstatat(carpeta, nombre.constData(), &datos, AT_SYMLINK_NOFOLLOW) != 0)
        return TClase::Ninguna;
    const QByteArray minusculas = nombre.toLower();
    // A text file whose name cannot be opened cannot be told metadata or
    // not: it is named, as a voucher would be.
    if (S_ISREG(datos.st_mode) &&
        (minusculas.endsWith(".xml") || (conPaquetes && (minusculas.endsWith(".zip") || minusculas.endsWith(".txt")))))
        return TClase::Archivo;
    if (S_ISDIR(datos.st_mode) && (datos.st_mode & S_IWUSR))
        return TClase::Carpeta;
    return TClase::Ninguna;
}

QString motivoCarpeta(int error, bool entrar)
{
    QString causa;
    if (error == EACCES || error == EPERM)
        causa = entrar ? QStringLiteral("no tienes permiso para entrar en ella")
                       : QStringLiteral("no tienes permiso para ver su contenido");
    else
        causa = Errores::delSistema(error).toLower();
    return QStringLiteral("No se pudo leer la carpeta: %1. No se importó ninguno de sus archivos.").arg(causa);
}

} // namespace

bool TRecorridoXML::esArchivoXML(const QFileInfo& info)
{
    return info.isFile() && !info.isSymLink() && !info.isHidden() &&
           info.fileName().endsWith(EXTENSION, Qt::CaseInsensitive);
}

bool TRecorridoXML::toma(const QFileInfo& info) const
{
    return info.isFile() && !info.isSymLink() && !info.isHidden() && tomaPorNombre(info);
}

bool TRecorridoXML::tomaPorNombre(const QFileInfo& info) const
{
    const QString nombre = info.fileName();
    if (nombre.endsWith(EXTENSION, Qt::CaseInsensitive))
        return true;
    if (m_archivos != TArchivos::ConPaquetes)
        return false;
    if (nombre.endsWith(QStringLiteral(".zip"), Qt::CaseInsensitive))
        return true;
    return nombre.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive) &&
           TLectorMetadatos::esArchivoMetadatos(info.absoluteFilePath());
}

std::optional<TRecorridoXML::TOmision> TRecorridoXML::omision(const QFileInfo& info) const
{
    if (!m_omitido || info.isHidden())
        return std::nullopt;
    if (info.isSymLink()) {
        if (info.isDir())
            return TOmision::EnlaceCarpeta;
        // A link that leads nowhere holds no voucher.
        if (info.isFile() && tomaPorNombre(info))
            return TOmision::EnlaceArchivo;
        return std::nullopt;
    }
    if (info.isDir() && !(info.permissions() & QFile::WriteOwner))
        return TOmision::CarpetaSoloLectura;
    return std::nullopt;
}

bool TRecorridoXML::esCarpetaRecorrible(const QFileInfo& info)
{
    const QString nombre = info.fileName();
    // Read-only is the owner's write bit, whoever runs the program (the
    // superuser may write anywhere, yet a read-only folder stays one).
    return info.isDir() && !info.isSymLink() && !info.isHidden() && (info.permissions() & QFile::WriteOwner) &&
           nombre != QLatin1String(".") && nombre != QLatin1String("..");
}

QString TRecorridoXML::nombreLegible(const QByteArray& nombre)
{
    QString legible;
    for (qsizetype i = 0; i < nombre.size();) {
        const auto b = static_cast<unsigned char>(nombre.at(i));
        const qsizetype largo = b < 0x80                 ? 1
                                : b >= 0xC2 && b <= 0xDF ? 2
                                : b >= 0xE0 && b <= 0xEF ? 3
                                : b >= 0xF0 && b <= 0xF4 ? 4
                                                         : 0;
        const QByteArray secuencia = nombre.mid(i, largo);
        const QString caracter = QString::fromUtf8(secuencia);
        if (largo > 0 && secuencia.size() == largo && caracter.toUtf8() == secuencia) {
            legible += caracter;
            i += largo;
        } else {
            legible += QStringLiteral("\\x") + QString::number(b, 16).toUpper().rightJustified(2, QLatin1Char('0'));
            ++i;
        }
    }
    return legible;
}

bool TRecorridoXML::recorre(const TArchivo& archivo, const TInaccesible& inaccesible,
                            const std::function<bool()>& detener) const
{
    // The folder the user chose is walked whatever its attributes; the rule
    // is for the folders found inside it.
    if (m_carpeta.isEmpty())
        return true;
    // A file chosen by itself (a package, a metadata file, a voucher) is
    // taken as it is: the user named it.
    if (m_archivos == TArchivos::ConPaquetes && QFileInfo(m_carpeta).isFile()) {
        if (detener && detener())
            return false;
        return archivo(QFileInfo(m_carpeta).absoluteFilePath());
    }
    if (!QFileInfo(m_carpeta).isDir()) {
        // A folder chosen in a dialog whose name is not UTF-8 reaches here
        // decoded lossily: it exists, and only its name keeps it out.
        if (!m_carpeta.contains(QChar::ReplacementCharacter) || (detener && detener()))
            return true;
        return inaccesible(m_carpeta, QStringLiteral("No se pudo abrir la carpeta elegida: no existe con ese nombre, "
                                                     "o su nombre no es texto UTF-8 válido (los caracteres � "
                                                     "ocupan el lugar de los bytes que no lo son). Cámbiala de "
                                                     "nombre e impórtala de nuevo."));
    }
    return recorreCarpeta(QFileInfo(m_carpeta).absoluteFilePath(), archivo, inaccesible, detener);
}

bool TRecorridoXML::recorre(const TArchivo& archivo, const std::function<bool()>& detener) const
{
    return recorre(
        archivo, [](const QString&, const QString&) { return true; }, detener);
}

int TRecorridoXML::cuenta(const std::function<bool()>& detener) const
{
    int total = 0;
    const auto suma = [&total] {
        ++total;
        return true;
    };
    recorre([&](const QString&) { return suma(); }, [&](const QString&, const QString&) { return suma(); }, detener);
    return total;
}

bool TRecorridoXML::recorreCarpeta(const QString& carpeta, const TArchivo& archivo, const TInaccesible& inaccesible,
                                   const std::function<bool()>& detener) const
{
    const auto falla = [&](const QString& ruta, const QString& motivo) {
        if (detener && detener())
            return false;
        return inaccesible(ruta, motivo);
    };

    // Listing a folder needs its read permission and looking at its entries
    // its search (execute) one; without the first a listing is empty, without
    // the second its files seem gone.
    const QByteArray ruta = QFile::encodeName(carpeta);
    // Open until its odd entries are looked at through it.
    std::unique_ptr<DIR, int (*)(DIR*)> directorio(::opendir(ruta.constData()), &::closedir);
    if (!directorio)
        return falla(carpeta, motivoCarpeta(errno, false));
    const QString prefijo = carpeta.endsWith(QLatin1Char('/')) ? carpeta : carpeta + QLatin1Char('/');
    // Hidden entries are listed too, so the rules above are the only ones
    // that decide; links are not followed. Names are read as bytes: one that
    // is not UTF-8 would come back from QDir changed, a path that names
    // nothing (or another file).
    QFileInfoList entradas;
    std::vector<QByteArray> ilegibles;
    // A path of PATH_MAX bytes or more (its end included) is one the system
    // refuses whole, deep in nested folders: its file cannot be opened, nor
    // its folder listed, by that path, and QFileInfo finds nothing there.
    std::vector<QByteArray> largos;
    int error = 0;
    for (;;) {
        errno = 0;
        const dirent* entrada = ::readdir(directorio.get());
        if (!entrada) {
            error = errno;
            break;
        }
        const QByteArray nombre(entrada->d_name);
        if (nombre == "." || nombre == "..")
            continue;
        const QString texto = QFile::decodeName(nombre);
        if (QFile::encodeName(texto) != nombre)
            ilegibles.push_back(nombre);
        else if (ruta.size() + 1 + nombre.size() >= PATH_MAX)
            largos.push_back(nombre);
        else
            entradas.append(QFileInfo(prefijo + texto));
    }
    if (error != 0)
        return falla(carpeta, motivoCarpeta(error, false));
    const int descriptor = ::dirfd(directorio.get());
    struct stat datos {};
    if (::fstatat(descriptor, ".", &datos, 0) != 0)
        return falla(carpeta, motivoCarpeta(errno, true));

    // The order QDir::Name gives: the names' UTF-16 code units.
    std::sort(entradas.begin(), entradas.end(),
              [](const QFileInfo& a, const QFileInfo& b) { return a.fileName() < b.fileName(); });
    QFileInfoList subcarpetas;
    for (const QFileInfo& entrada : std::as_const(entradas)) {
        if (esCarpetaRecorrible(entrada)) {
            subcarpetas.append(entrada);
            continue;
        }
        if (!toma(entrada)) {
            const std::optional<TOmision> porque = omision(entrada);
            if (porque && ((detener && detener()) || !m_omitido(entrada.absoluteFilePath(), *porque)))
                return false;
            continue;
        }
        if (detener && detener())
            return false;
        if (!archivo(entrada.absoluteFilePath()))
            return false;
    }

    // Both kinds of path the system cannot take, after the files, in the
    // order of their names' bytes.
    std::vector<std::pair<QByteArray, bool>> raros; // the name, and whether its path is too long
    for (const QByteArray& nombre : ilegibles)
        raros.emplace_back(nombre, false);
    for (const QByteArray& nombre : largos)
        raros.emplace_back(nombre, true);
    std::sort(raros.begin(), raros.end());
    for (const auto& [nombre, largo] : raros) {
        const TClase tipo = clase(descriptor, nombre, m_archivos == TArchivos::ConPaquetes);
        if (tipo == TClase::Ninguna)
            continue;
        const bool esArchivo = tipo == TClase::Archivo;
        QString motivo;
        if (largo)
            motivo = esArchivo
                         ? QStringLiteral("La ruta del archivo es demasiado larga: llega al máximo de 4,096 bytes que "
                                          "permite el sistema, y el programa no puede abrirlo. Cámbialo de lugar, a "
                                          "una carpeta con menos carpetas encima, e impórtalo de nuevo.")
                         : QStringLiteral(
                               "La ruta de la carpeta es demasiado larga: llega al máximo de 4,096 bytes que permite "
                               "el sistema, y el programa no puede abrirla; no se importó ninguno de sus archivos. "
                               "Cámbiala de lugar, a una carpeta con menos carpetas encima, e impórtala de nuevo.");
        else
            motivo = esArchivo
                         ? QStringLiteral("El nombre del archivo no es texto UTF-8 válido; el programa no puede "
                                          "abrirlo. Cámbialo de nombre (los bytes que no son UTF-8 se muestran como "
                                          "\\xNN) e impórtalo de nuevo.")
                         : QStringLiteral("El nombre de la carpeta no es texto UTF-8 válido; el programa no puede "
                                          "abrirla y no se importó ninguno de sus archivos. Cámbiala de nombre (los "
                                          "bytes que no son UTF-8 se muestran como \\xNN) e impórtala de nuevo.");
        if (!falla(prefijo + nombreLegible(nombre), motivo))
            return false;
    }

    // One descriptor open per folder being walked, not per level below it.
    directorio.reset();
    for (const QFileInfo& subcarpeta : std::as_const(subcarpetas)) {
        if (!recorreCarpeta(subcarpeta.absoluteFilePath(), archivo, inaccesible, detener))
            return false;
    }
    return true;
}
