#include "TEmpresaFrm.h"

#include "Ventanas.h"

#include <QVBoxLayout>

TEmpresaFrm* EmpresaFrm = nullptr;

TEmpresaFrm::TEmpresaFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("EmpresaFrm"));
    setWindowTitle(QStringLiteral("Empresa"));
    auto* diseno = new QVBoxLayout(this);
    TxFondo = new QWidget(this);
    TxFondo->setObjectName(QStringLiteral("TxFondo"));
    diseno->addWidget(TxFondo);
}
