#include "TEmpresaFrm.h"

#include <QVBoxLayout>

TEmpresaFrm::TEmpresaFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("EmpresaFrm"));
    setWindowTitle(QStringLiteral("Empresa"));
    auto* diseno = new QVBoxLayout(this);
    TxFondo = new QWidget(this);
    TxFondo->setObjectName(QStringLiteral("TxFondo"));
    diseno->addWidget(TxFondo);
}
