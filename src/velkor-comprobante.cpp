#include "Conexiones.h"
#include "comprobante/ComprobanteConsola.h"
#include "negocio/TSenalesTerminacion.h"

#include <QGuiApplication>

#include <cstdio>

// The seal check and the PDF from the command line: no window, and no display
// needed (the PDF only needs the fonts).
int main(int argc, char** argv)
{
    // Before any thread exists: Ctrl-C at the password prompt is read there.
    TSenalesTerminacion::bloquea();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Standard error carries the program's own Spanish messages only; Qt's
    // notes about the display or the session (XDG_RUNTIME_DIR...) would read
    // as errors of the command.
    qInstallMessageHandler([](QtMsgType tipo, const QMessageLogContext&, const QString& texto) {
        if (tipo == QtCriticalMsg || tipo == QtFatalMsg)
            std::fprintf(stderr, "%s\n", qPrintable(texto));
    });
    QGuiApplication app(argc, argv);
    QStringList argumentos = QCoreApplication::arguments();
    argumentos.removeFirst();
    const int salida = ComprobanteConsola::ejecuta(argumentos, QCoreApplication::applicationDirPath());
    Conexiones::apagaMotor();
    return salida;
}
