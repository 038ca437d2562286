#include "comprobante/ComprobanteConsola.h"

#include <QGuiApplication>

// The seal check and the PDF from the command line: no window, and no display
// needed (the PDF only needs the fonts).
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList argumentos = QCoreApplication::arguments();
    argumentos.removeFirst();
    return ComprobanteConsola::ejecuta(argumentos, QCoreApplication::applicationDirPath());
}
