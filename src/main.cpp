#include "Arranque.h"
#include "Conexiones.h"
#include "app/PrompterCajas.h"
#include "Prompter.h"
#include "negocio/TSenalesTerminacion.h"

#include <QApplication>

int main(int argc, char** argv)
{
    TSenalesTerminacion::bloquea();
    QApplication app(argc, argv);
    TSenalesTerminacion senales;
    TPrompterCajas cajas;
    Prompter::instala(&cajas);
    Arranque::creaVentanas(QCoreApplication::applicationDirPath());
    const int resultado = app.exec();
    Arranque::destruyeVentanas();
    Conexiones::apagaMotor();
    Prompter::instala(nullptr);
    return resultado;
}
