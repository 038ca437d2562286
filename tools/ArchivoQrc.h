#pragma once
// Shared by the build tools that make the resource package's files: each
// writes, beside what it made, the Qt resource list (.qrc) that names every
// file under the resource name the shell asks for, so the build never has to
// know those names itself.
#include <QFile>
#include <QList>
#include <QPair>
#include <QString>
#include <QTextStream>

// One resource: its name (alias) and the file that holds it.
using TEntradaQrc = QPair<QString, QString>;

// Writes `archivo` listing the entries under `prefijo`; false when it cannot.
inline bool escribeQrc(const QString& archivo, const QString& prefijo, const QList<TEntradaQrc>& entradas)
{
    QFile qrc(archivo);
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    QTextStream salida(&qrc);
    salida << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n    <qresource prefix=\"" << prefijo << "\">\n";
    for (const TEntradaQrc& entrada : entradas)
        salida << "        <file alias=\"" << entrada.first << "\">" << entrada.second << "</file>\n";
    salida << "    </qresource>\n</RCC>\n";
    salida.flush();
    return qrc.error() == QFile::NoError;
}

// The prefix under which the resource package looks its resources up.
inline const QString PREFIJO_RECURSOS = QStringLiteral("/velkor-recursos");
