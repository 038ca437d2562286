#include "PrompterCajas.h"
#include "Prompter.h"
#include "Ventanas.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TPrompterCajas cajas;
    Prompter::instala(&cajas);
    Inicio::creaVentanas(QCoreApplication::applicationDirPath());
    const int resultado = app.exec();
    Inicio::destruyeVentanas();
    Prompter::instala(nullptr);
    return resultado;
}
