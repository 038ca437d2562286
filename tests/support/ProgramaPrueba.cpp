#include "ProgramaPrueba.h"

#include "Arranque.h"
#include "NegocioPrueba.h"
#include "app/TSplashFrm.h"
#include "app/Ventanas.h"

#include <QCoreApplication>
#include <QEvent>

TProgramaPrueba::~TProgramaPrueba()
{
    Arranque::destruyeVentanas();
    NegocioPrueba::limpiaSesion();
}

void TProgramaPrueba::arranca(bool conRegistro, const std::function<void()>& antes)
{
    Arranque::creaVentanas(carpeta.ruta());
    if (conRegistro) {
        NegocioPrueba::creaRegistro(carpeta);
        if (antes)
            antes();
    }
    SplashFrm->TimerSplashTimer();
    // The splash deletes itself later; the tests go on without it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
