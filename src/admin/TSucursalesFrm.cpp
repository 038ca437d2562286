#include "TSucursalesFrm.h"

#include <QVBoxLayout>

TSucursalesFrm::TSucursalesFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SucursalesFrm"));
    setWindowTitle(QStringLiteral("Sucursales"));
    auto* diseno = new QVBoxLayout(this);
    TxFondo = new QWidget(this);
    TxFondo->setObjectName(QStringLiteral("TxFondo"));
    diseno->addWidget(TxFondo);
}
