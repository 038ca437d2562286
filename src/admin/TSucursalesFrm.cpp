#include "TSucursalesFrm.h"

// STUB (interface only): replaced at merge by the branch window.
TSucursalesFrm::TSucursalesFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SucursalesFrm"));
    setWindowTitle(QStringLiteral("Sucursales"));
}

void TSucursalesFrm::inicializaAgregar() {}

void TSucursalesFrm::inicializaEditar(qint64) {}
