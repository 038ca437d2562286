#include "TRecorridoXML.h"

#include <QDir>

namespace {

const QString EXTENSION = QStringLiteral(".xml");

} // namespace

bool TRecorridoXML::esArchivoXML(const QFileInfo& info)
{
    return info.isFile() && !info.isSymLink() && !info.isHidden() &&
           info.fileName().endsWith(EXTENSION, Qt::CaseInsensitive);
}

bool TRecorridoXML::esCarpetaRecorrible(const QFileInfo& info)
{
    const QString nombre = info.fileName();
    // Read-only is the owner's write bit, whoever runs the program (the
    // superuser may write anywhere, yet a read-only folder stays one).
    return info.isDir() && !info.isSymLink() && !info.isHidden() && (info.permissions() & QFile::WriteOwner) &&
           nombre != QLatin1String(".") && nombre != QLatin1String("..");
}

bool TRecorridoXML::recorre(const std::function<bool(const QString&)>& archivo,
                            const std::function<bool()>& detener) const
{
    // The folder the user chose is walked whatever its attributes; the rule
    // is for the folders found inside it.
    if (m_carpeta.isEmpty() || !QFileInfo(m_carpeta).isDir())
        return true;
    return recorreCarpeta(QFileInfo(m_carpeta).absoluteFilePath(), archivo, detener);
}

int TRecorridoXML::cuenta(const std::function<bool()>& detener) const
{
    int total = 0;
    recorre(
        [&total](const QString&) {
            ++total;
            return true;
        },
        detener);
    return total;
}

bool TRecorridoXML::recorreCarpeta(const QString& carpeta, const std::function<bool(const QString&)>& archivo,
                                   const std::function<bool()>& detener) const
{
    // Hidden entries are listed too, so the rule above is the only one that
    // decides; links are not followed.
    const QFileInfoList entradas =
        QDir(carpeta).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    QFileInfoList subcarpetas;
    for (const QFileInfo& entrada : entradas) {
        if (esCarpetaRecorrible(entrada)) {
            subcarpetas.append(entrada);
            continue;
        }
        if (!esArchivoXML(entrada))
            continue;
        if (detener && detener())
            return false;
        if (!archivo(entrada.absoluteFilePath()))
            return false;
    }
    for (const QFileInfo& subcarpeta : std::as_const(subcarpetas)) {
        if (!recorreCarpeta(subcarpeta.absoluteFilePath(), archivo, detener))
            return false;
    }
    return true;
}
