#include "Arranque.h"
#include "CarpetaInstalada.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "app/PrompterCajas.h"
#include "Prompter.h"
#include "Rutas.h"
#include "negocio/RevisionMotor.h"
#include "negocio/TPaquete.h"
#include "negocio/Utils.h"
#include "negocio/TSenalesTerminacion.h"

#include <QApplication>

#include <cstdlib>

int main(int argc, char** argv)
{
    TSenalesTerminacion::bloquea();
    QApplication app(argc, argv);
    // The desktop names the window after the menu entry, and shows its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("velkor"));
    TSenalesTerminacion senales;
    TPrompterCajas cajas;
    Prompter::instala(&cajas);
    // Installed, the program folder is the user's data folder.
    if (QString error; !Rutas::preparaCarpetaPrograma(QCoreApplication::applicationDirPath(), &error)) {
        Arranque::instalaTraducciones();
        Utils::mensaje(error, Constantes::MSG_ERROR);
        Prompter::instala(nullptr);
        return 1;
    }
    // Before the splash reads the registry: its first secret would make a
    // new installation key over the one that was lost.
    Arranque::instalaTraducciones();
    if (!RevisionMotor::permiteInicio()) {
        Prompter::instala(nullptr);
        return 1;
    }
    Arranque::creaVentanas(Rutas::carpetaPrograma());
    const int resultado = app.exec();
    // A package that threw while loading left the dynamic loader locked, and
    // a thread stopped on it would hold the program at its end for good: what
    // was stored is committed, so the process ends here.
    if (TPaquete::cargadorBloqueado())
        std::_Exit(resultado);
    Arranque::destruyeVentanas();
    Conexiones::apagaMotor();
    Prompter::instala(nullptr);
    return resultado;
}
