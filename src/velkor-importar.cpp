#include "Conexiones.h"
#include "import/ImportacionConsola.h"
#include "negocio/TSenalesTerminacion.h"

#include <QCoreApplication>

// The command-line import: no window and no display; its program folder is
// the one it lives in, as for Velkor.
int main(int argc, char** argv)
{
    // Before any thread exists, the engine's own among them: the signals are
    // read between files, never left to the engine's client library.
    TSenalesTerminacion::bloquea();
    QCoreApplication app(argc, argv);
    QStringList argumentos = QCoreApplication::arguments();
    argumentos.removeFirst();
    const int salida = ImportacionConsola::ejecuta(argumentos, QCoreApplication::applicationDirPath());
    Conexiones::apagaMotor();
    return salida;
}
