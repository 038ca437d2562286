#include "TConfiguracionBaseDatosFrm.h"

#include "Ventanas.h"

TConfiguracionBaseDatosFrm* ConfiguracionBaseDatosFrm = nullptr;

TConfiguracionBaseDatosFrm::TConfiguracionBaseDatosFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ConfiguracionBaseDatosFrm"));
    setWindowTitle(QStringLiteral("Configuración de Base de Datos"));
}
