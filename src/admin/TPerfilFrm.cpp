#include "TPerfilFrm.h"

#include <QVBoxLayout>

TPerfilFrm::TPerfilFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PerfilFrm"));
    setWindowTitle(QStringLiteral("Perfil"));
    auto* diseno = new QVBoxLayout(this);
    TxFondo = new QWidget(this);
    TxFondo->setObjectName(QStringLiteral("TxFondo"));
    diseno->addWidget(TxFondo);
}
