#pragma once
#include "EntornoImportacion.h"
#include "negocio/TSenalesTerminacion.h"

#include <QProcess>

// velkor-importar as users run it: a copy of the built program in a fresh
// program folder (TEntornoImportacion), so its program folder is that one.
class TProgramaConsola {
public:
    struct TCorrida {
        int salida = -1;
        QString salidaEstandar;
        QString errores;
    };

    TProgramaConsola()
    {
        if (!QFile::copy(QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO "/velkor-importar"), programa()))
            qFatal("Falta velkor-importar construido");
        QFile::setPermissions(programa(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QString programa() const { return entorno.carpeta.archivo(QStringLiteral("velkor-importar")); }

    // The first line of the SAT's metadata file.
    static inline const QByteArray ENCABEZADO_SAT =
        "Uuid~RfcEmisor~NombreEmisor~RfcReceptor~NombreReceptor~RfcPac~FechaEmision~"
        "FechaCertificacionSat~Monto~EfectoComprobante~Estatus~FechaCancelacion\r\n";

    // The password of TEntornoImportacion as a user types it.
    static QByteArray clave() { return QByteArray(TEntornoImportacion::PASSWORD) + '\n'; }

    // Starts it with `argumentos`, `entrada` on its standard input (then
    // closed). `enHijo` runs in the child before the program; it must give
    // the termination signals back, as the default does (the test program,
    // like Velkor, may block them).
    void inicia(QProcess& proceso, const QStringList& argumentos, const QByteArray& entrada = clave(),
                const std::function<void()>& enHijo = &TSenalesTerminacion::desbloquea) const
    {
        proceso.setProgram(programa());
        proceso.setArguments(argumentos);
        proceso.setChildProcessModifier(enHijo);
        proceso.start();
        if (!proceso.waitForStarted())
            qFatal("velkor-importar no arrancó");
        // Written now: a caller that waits without an event loop (polling
        // the log) would otherwise keep the password from the program.
        proceso.write(entrada);
        proceso.waitForBytesWritten();
        proceso.closeWriteChannel();
    }

    TCorrida corre(const QStringList& argumentos, const QByteArray& entrada = clave(),
                   const std::function<void()>& enHijo = &TSenalesTerminacion::desbloquea) const
    {
        QProcess proceso;
        inicia(proceso, argumentos, entrada, enHijo);
        // Far beyond any run of the tests; a hung program fails instead of
        // hanging the suite.
        if (!proceso.waitForFinished(240000)) {
            proceso.kill();
            proceso.waitForFinished();
        }
        return {proceso.exitStatus() == QProcess::NormalExit ? proceso.exitCode() : -1,
                QString::fromUtf8(proceso.readAllStandardOutput()), QString::fromUtf8(proceso.readAllStandardError())};
    }

    // The usual invocation over the entry folder, password on standard input.
    TCorrida importa(const QString& password = QString::fromUtf8(TEntornoImportacion::PASSWORD)) const
    {
        return corre({entorno.entrada(), QStringLiteral("--correo"), QString::fromUtf8(TEntornoImportacion::EMAIL)},
                     password.toUtf8() + '\n');
    }

    TEntornoImportacion entorno;
};
