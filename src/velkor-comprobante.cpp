#include "comprobante/ComprobanteConsola.h"

#include <QGuiApplication>

#include <cstdio>

// The seal check and the PDF from the command line: no window, and no display
// needed (the PDF only needs the fonts).
int main(int argc, char** argv)
{
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
    return ComprobanteConsola::ejecuta(argumentos, QCoreApplication::applicationDirPath());
}
