#pragma once
// Packages that break as they are loaded, for the main window's tests.

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <link.h>

// A package cut short as an interrupted copy leaves it: to half its size, or
// just past its headers, so the loader would map segments the file lacks.
inline void corta(const QString& archivo, bool aLaMitad)
{
    QFile paquete(archivo);
    QVERIFY(paquete.open(QIODevice::ReadWrite));
    ElfW(Ehdr) elf{};
    QCOMPARE(paquete.read(reinterpret_cast<char*>(&elf), sizeof elf), qint64(sizeof elf));
    QVERIFY(paquete.resize(aLaMitad ? paquete.size() / 2 : qint64(elf.e_phoff + elf.e_phnum * elf.e_phentsize)));
}

// A package whose start-up code throws leaves the dynamic loader locked for
// the other threads of its process, so such a case runs in a process of its
// own: this program, asked for the same function and row. True in that
// process; in this one false, once it ended (failing the case if it failed).
inline bool enProcesoPropio()
{
    static const QString marca = QStringLiteral("VELKOR_PRUEBA_PROCESO_PROPIO");
    if (qEnvironmentVariableIsSet(qPrintable(marca)))
        return true;
    QProcess hijo;
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(marca, QStringLiteral("1"));
    hijo.setProcessEnvironment(entorno);
    hijo.setProcessChannelMode(QProcess::MergedChannels);
    hijo.start(QCoreApplication::applicationFilePath(),
               {QString::fromUtf8(QTest::currentTestFunction()) + QLatin1Char(':') +
                QString::fromUtf8(QTest::currentDataTag())});
    const bool termino = hijo.waitForFinished(180000);
    const QByteArray salida = hijo.readAll();
    [&] {
        QVERIFY2(termino && hijo.exitStatus() == QProcess::NormalExit && hijo.exitCode() == 0, salida.constData());
    }();
    return false;
}
